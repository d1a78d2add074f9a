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

std::string Thrown(const CFileException &e)
{
    return Text("threw cause %d os %ld", e.m_cause, static_cast<long>(e.m_lOsError));
}

// A failure of the file class: the operation throws (or Open answers
// FALSE) with the failing call's error and the cause that error maps to.
bool FailedWith(const std::string &got, DWORD error, const char *how)
{
    const LONG os = static_cast<LONG>(error);
    return got == Text("%s cause %d os %ld", how, CFileException::OsErrorToException(os),
                       static_cast<long>(os));
}

Case LoadLevel()
{
    Case c;
    c.function = "CVcdImageEx::CVcdImageEx (trace level)";
    c.setup = [](sim::Machine &m) { m.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 2); };
    c.call = [](sim::Machine &) {
        CVcdImageEx image;
        return Text("enabled %d level %lu", g_bDbgEnabled, g_dwDbgLevel);
    };
    c.accept = CleanOr("enabled 0 level 0");
    // The registry calls answer their error; they do not set the last one.
    c.keepsLastError = false;
    return c;
}

Case OpenRead()
{
    Case c;
    c.function = "CFile::Open, GetLength, Seek, Read, Close";
    c.setup = DataFile;
    c.call = [](sim::Machine &) {
        CFile f;
        CFileException e;
        if (!f.Open(kFile, CFile::modeRead | CFile::shareDenyWrite, &e))
            return Text("open failed cause %d os %ld", e.m_cause, static_cast<long>(e.m_lOsError));
        try {
            const DWORD length = f.GetLength();
            f.Seek(7, CFile::begin);
            char buffer[32] = {};
            const UINT n = f.Read(buffer, sizeof buffer - 1);
            f.Close();
            return Text("length %lu read %u '%s'", static_cast<unsigned long>(length), n, buffer);
        } catch (const CFileException &ex) {
            return Thrown(ex);  // the destructor closes the file
        }
    };
    c.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        return FailedWith(got, run.error, "open failed") || FailedWith(got, run.error, "threw");
    };
    return c;
}

Case CreateWrite()
{
    Case c;
    c.function = "CFile::CFile (create), Write, Close";
    c.setup = DataFile;
    c.call = [](sim::Machine &) {
        try {
            CFile f("C:\\data\\new.txt", CFile::modeCreate | CFile::modeWrite);
            f.Write("abc", 3);
            f.Write("def", 3);
            f.Close();
            return std::string("written");
        } catch (const CFileException &ex) {
            return Thrown(ex);
        }
    };
    c.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        return FailedWith(got, run.error, "threw");
    };
    // A failed write leaves the file with what was written before it.
    c.entries = [](const std::string &path, const Entry *before, const Entry *clean,
                   const Entry *got, const FaultRun &) {
        if (BeforeOrClean(before, clean, got))
            return true;
        return path == "C:\\data\\new.txt" && !got->directory &&
               (got->bytes.empty() || got->bytes == "abc");
    };
    return c;
}

Case StaticStatus(const char *path)
{
    Case c;
    c.function = std::string("CFile::GetStatus (") + path + ")";
    c.setup = DataFile;
    c.call = [path](sim::Machine &) {
        CFileStatus status{};
        const BOOL r = CFile::GetStatus(path, status);
        return Text("%d size %ld attr 0x%x name %s", r, static_cast<long>(status.m_size),
                    status.m_attribute, status.m_szFullName);
    };
    c.accept = [](const std::string &, const std::string &got, const FaultRun &) {
        return got.compare(0, 2, "0 ") == 0;
    };
    return c;
}

Case OpenStatus()
{
    Case c;
    c.function = "CFile::GetStatus (open file)";
    c.setup = DataFile;
    c.call = [](sim::Machine &) {
        CFile f;
        if (!f.Open(kFile, CFile::modeRead))
            return std::string("open failed");
        CFileStatus status{};
        const BOOL r = f.GetStatus(status);
        f.Abort();
        return Text("%d size %ld attr 0x%x", r, static_cast<long>(status.m_size),
                    status.m_attribute);
    };
    // Attributes that can no longer be queried are left 0, the size kept.
    c.accept = [](const std::string &clean, const std::string &got, const FaultRun &) {
        const std::string partial = clean.substr(0, clean.rfind(" attr ")) + " attr 0x0";
        return got == "open failed" || got.compare(0, 2, "0 ") == 0 || got == partial;
    };
    return c;
}

Case Rename()
{
    Case c;
    c.function = "CFile::Rename";
    c.setup = DataFile;
    c.call = [](sim::Machine &) {
        try {
            CFile::Rename("C:\\data\\old.txt", "C:\\data\\renamed.txt");
            return std::string("renamed");
        } catch (const CFileException &ex) {
            return Thrown(ex);
        }
    };
    c.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        return FailedWith(got, run.error, "threw");
    };
    return c;
}

Case Remove()
{
    Case c;
    c.function = "CFile::Remove";
    c.setup = DataFile;
    c.call = [](sim::Machine &) {
        try {
            CFile::Remove("C:\\data\\old.txt");
            return std::string("removed");
        } catch (const CFileException &ex) {
            return Thrown(ex);
        }
    };
    c.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        return FailedWith(got, run.error, "threw");
    };
    return c;
}

TEST(Sweep, TraceSettingsAndFileClass)
{
    const std::vector<Case> cases = {
        LoadLevel(),
        OpenRead(),
        CreateWrite(),
        StaticStatus(kFile),
        StaticStatus("C:\\data"),
        OpenStatus(),
        Rename(),
        Remove(),
    };
    RunTable("trace settings and file class", cases);
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
