// Fault sweep of the trace settings and the exported file class.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include "frame/trace.h"
#include "reliability/sweep.h"

namespace brenvik {
namespace sweep {
namespace {

const char kFile[] = "C:\\data\\movie.txt";

void DataFile(sim::Machine &m)
{
    m.MakeFile(kFile, "hello, world");
    m.MakeFile("C:\\data\\old.txt", "old");
}

// A failure of the file class: Open answers FALSE, or the operation throws,
// with the failing call's error and the cause that error maps to.
std::string Failure(const char *how, LONG os)
{
    return Text("%s cause %d os %ld", how, CFileException::OsErrorToException(os),
                static_cast<long>(os));
}

Accept ThrewTheError()
{
    return [](const std::string &, const std::string &got, const FaultRun &run) {
        const LONG os = static_cast<LONG>(run.error);
        return got == Failure("threw", os) || got == Failure("open failed", os);
    };
}

// Runs `body`, describing a thrown file exception the way Failure does.
template <typename F>
Case Throwing(const char *label, F body)
{
    Case c = Make(label, [body] {
        try {
            return body();
        } catch (const CFileException &e) {
            return Failure("threw", e.m_lOsError);
        }
    }, {}, DataFile);
    c.accept = ThrewTheError();
    return c;
}

Case StaticStatus(const char *path)
{
    Case c = Make(std::string("CFile::GetStatus ") + path, [path] {
        CFileStatus status{};
        const BOOL r = CFile::GetStatus(path, status);
        return Text("%d size %ld attr 0x%x name %s", r, static_cast<long>(status.m_size),
                    status.m_attribute, status.m_szFullName);
    }, {}, DataFile);
    c.accept = [](const std::string &, const std::string &got, const FaultRun &) {
        return got.compare(0, 2, "0 ") == 0;
    };
    return c;
}

TEST(Sweep, TraceSettingsAndFileClass)
{
    // The registry calls answer their error; they do not set the last one.
    Case level = Make("CVcdImageEx::CVcdImageEx (trace level)", [] {
        CVcdImageEx image;
        return Text("enabled %d level %lu", g_bDbgEnabled, g_dwDbgLevel);
    }, {"enabled 0 level 0"}, [](sim::Machine &m) {
        m.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 2);
    });
    level.keepsLastError = false;

    Case read = Throwing("CFile::Open, GetLength, Seek, Read, Close", [] {
        CFile f;  // its destructor closes the file after a throw
        CFileException e;
        if (!f.Open(kFile, CFile::modeRead | CFile::shareDenyWrite, &e))
            return Failure("open failed", e.m_lOsError);
        const DWORD length = f.GetLength();
        f.Seek(7, CFile::begin);
        char buffer[32] = {};
        const UINT n = f.Read(buffer, sizeof buffer - 1);
        f.Close();
        return Text("length %lu read %u '%s'", static_cast<unsigned long>(length), n, buffer);
    });

    Case write = Throwing("CFile::CFile (create), Write, Close", [] {
        CFile f("C:\\data\\new.txt", CFile::modeCreate | CFile::modeWrite);
        f.Write("abc", 3);
        f.Write("def", 3);
        f.Close();
        return std::string("written");
    });
    // A failed write leaves the file with what was written before it.
    write.entries = [](const std::string &path, const Entry *b, const Entry *cl, const Entry *g,
                       const FaultRun &) {
        return BeforeOrClean(b, cl, g) || (path == "C:\\data\\new.txt" && !g->directory &&
                                           (g->bytes.empty() || g->bytes == "abc"));
    };

    // Attributes that can no longer be queried are left 0, the size kept.
    Case open = Make("CFile::GetStatus (open file)", [] {
        CFile f;
        if (!f.Open(kFile, CFile::modeRead))
            return std::string("open failed");
        CFileStatus status{};
        const BOOL r = f.GetStatus(status);
        f.Abort();
        return Text("%d size %ld attr 0x%x", r, static_cast<long>(status.m_size),
                    status.m_attribute);
    }, {}, DataFile);
    open.accept = [](const std::string &clean, const std::string &got, const FaultRun &) {
        return got == "open failed" || got.compare(0, 2, "0 ") == 0 ||
               got == clean.substr(0, clean.rfind(" attr ")) + " attr 0x0";
    };

    RunTable("trace settings and file class", {
        level, read, write, StaticStatus(kFile), StaticStatus("C:\\data"), open,
        Throwing("CFile::Rename", [] {
            CFile::Rename("C:\\data\\old.txt", "C:\\data\\renamed.txt");
            return std::string("renamed");
        }),
        Throwing("CFile::Remove", [] {
            CFile::Remove("C:\\data\\old.txt");
            return std::string("removed");
        }),
    });
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
