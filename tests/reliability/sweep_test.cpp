// Fault sweep of the attribute and status queries, the write probes, the
// create, rename and delete operations, the trace settings and the file class.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstring>

#include "frame/trace.h"
#include "reliability/sweep.h"

namespace brenvik::sweep {
namespace {

void Files(sim::Machine &m)
{
    for (const char *name : {"movie.txt", "old.txt", "target.txt", "a.tmp", "b.tmp"})
        m.MakeFile(std::string("C:\\data\\") + name, name);
    m.MakeFile("C:\\data\\sys.tmp", "s", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\data\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
    m.MakeDir("C:\\data\\empty");
    m.MakeDir("C:\\data\\secret", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    m.MakeFile("C:\\data\\tree\\one.txt", "1");
    m.MakeFile("C:\\data\\tree\\sub\\deeper\\three.txt", "3");
    m.MakeFile("C:\\data\\tree\\system.dat", "s", FILE_ATTRIBUTE_SYSTEM);
}

// The status tests with an `exist` output: a failure reads as absence.
template <typename F>
Case Status(const char *label, F test)
{
    return Make(label, [test] {
        int exist = -1;
        const int r = test(&exist);
        return Text("%d exist %d", r, exist);
    }, {"0 exist 0"}, Files);
}

TEST(Sweep, StatusQueries)
{
    std::vector<Case> cases = {
        Status("IsDir", [](int *e) { return CDriveEx::IsDir("C:\\data\\empty\\", e); }),
        Status("IsDirHidden", [](int *e) { return CDriveEx::IsDirHidden("C:\\data\\secret", e); }),
        Status("IsFile", [](int *e) { return CDriveEx::IsFile("C:\\data\\movie.txt", e); }),
        Status("IsFileWritable",
               [](int *e) { return CDriveEx::IsFileWritable("C:\\data\\movie.txt", e); }),
        Status("IsFileHidden",
               [](int *e) { return CDriveEx::IsFileHidden("C:\\data\\hidden.txt", e); }),
        Status("CFileStatus_s (masks)", [](int *e) {
            return CDriveEx::CFileStatus_s("C:\\data\\movie.txt", 0x10, 0x20, e);
        }),
        Status("ChkFileAttrEx",
               [](int *e) { return CDriveEx::ChkFileAttrEx("C:\\data\\sys.tmp", 0x10, 0x04, e); }),
        Make("CFileStatus_s (flags)", [] {
            int f[9];
            std::memset(f, 0x7F, sizeof f);
            const int r = CDriveEx::CFileStatus_s("C:\\data\\secret", &f[0], &f[1], &f[2], &f[3],
                                                  &f[4], &f[5], &f[6], &f[7], &f[8]);
            return Text("%d flags %d%d%d%d%d%d%d%d exist %d", r, f[0], f[1], f[2], f[3], f[4],
                        f[5], f[6], f[7], f[8]);
        }, {"0 flags 00000000 exist 0"}, Files),
        Make(SWEEP_INT(CDriveEx::IsExist("C:\\data\\old.txt")), {"0"}, Files),
        Make("GetFileAttrEx (word)", [] {
            unsigned long attr = 0xDEAD;
            const int r = CDriveEx::GetFileAttrEx("C:\\data\\hidden.txt", &attr);
            return Text("%d attr 0x%lx", r, attr);
        }, {"0 attr 0xdead"}, Files),
        // The record is left as it was.
        Make("GetFileAttrEx (record)", [] {
            WIN32_FILE_ATTRIBUTE_DATA d;
            std::memset(&d, 0xEE, sizeof d);
            const int r = CDriveEx::GetFileAttrEx("C:\\data\\movie.txt", &d);
            return Text("%d attr 0x%lx size %lu", r, static_cast<unsigned long>(d.dwFileAttributes),
                        static_cast<unsigned long>(d.nFileSizeLow));
        }, {"0 attr 0xeeeeeeee size 4008636142"}, Files),
        Make("GetFileSizeInByte (path)", [] {
            unsigned long size = 77;
            const int r = CDriveEx::GetFileSizeInByte("C:\\data\\movie.txt", &size);
            return Text("%d size %lu", r, size);
        }, {"0 size 77"}, Files),
        Make("GetFileSizeInByte (CFile)", [] {
            CFile file;
            if (!file.Open("C:\\data\\movie.txt", CFile::modeRead))
                return std::string("open failed");
            unsigned long size = 77;
            const int r = CDriveEx::GetFileSizeInByte(file, &size);
            file.Abort();
            return Text("%d size %lu", r, size);
        }, {"open failed", "0 size 77"}, Files),
    };
    RunTable("attribute and status queries", cases);
}

// A probe file may outlive a failure only when the calls that remove it failed too.
EntryRule ProbeGone(const char *probe, bool deleteOnClose)
{
    return [=](const std::string &path, const Entry *b, const Entry *cl, const Entry *g,
               const FaultRun &run) {
        if (BeforeOrClean(b, cl, g))
            return true;
        return path.find(probe) != std::string::npos && b == nullptr &&
               (!deleteOnClose || run.Failed("CloseHandle", probe)) &&
               run.Failed("DeleteFileA", probe);
    };
}

TEST(Sweep, WriteProbes)
{
    Case dir = Make(SWEEP_INT(CDriveEx::CanWeWriteDir("C:\\data")), {"0"}, Files);
    dir.entries = ProbeGone("tmp$d123.tmp", false);
    Case writeable =
        Make(SWEEP_INT(CDriveEx::IsDirWriteable("C:\\data\\new\\deeper")), {"0"}, Files);
    writeable.entries = ProbeGone("\\temp", true);
    // 1 only with the directory made and the probe created in it.
    writeable.agrees = [](const std::string &got, const Tree &after, const FaultRun &run) {
        return got != "1" || (after.count("C:\\data\\new\\deeper") != 0 &&
                              !run.Failed("CreateFileA", "\\temp"));
    };
    // Only a message box: 0 whatever it answers.
    Case file = Make(SWEEP_INT(CDriveEx::CanWeWriteFile("C:\\data\\movie.txt")), {"0"}, Files);
    file.keepsLastError = false;
    RunTable("write probes", {dir, writeable, file});
}

TEST(Sweep, CreateRenameDelete)
{
    Case create = Make(SWEEP_INT(CDriveEx::MyCreateDirectory("C:\\data\\newdir", 0)), {"0"}, Files);
    create.agrees = OneWhen("C:\\data\\newdir", true);
    Case recursive =
        Make(SWEEP_INT(CDriveEx::CreateDir_Recursively("C:\\data\\x\\y\\z")), {"0"}, Files);
    recursive.agrees = OneWhen("C:\\data\\x\\y\\z", true);

    // The class library's exception is what is left of a failed rename.
    Case rename = Make(SWEEP_INT(CDriveEx::MyRename("C:\\data\\old.txt", "C:\\data\\target.txt")),
                       {"0"}, Files);
    rename.keepsLastError = false;
    // The target is deleted before the rename is tried.
    rename.entries = [](const std::string &path, const Entry *b, const Entry *cl, const Entry *g,
                        const FaultRun &) {
        return BeforeOrClean(b, cl, g) || (path == "C:\\data\\target.txt" && g == nullptr);
    };
    rename.agrees = [](const std::string &got, const Tree &after, const FaultRun &) {
        const auto to = after.find("C:\\data\\target.txt");
        const bool moved = after.count("C:\\data\\old.txt") == 0 && to != after.end() &&
                           to->second.bytes == "old.txt";
        return (got == "1") == moved;
    };

    // A file already gone counts as deleted; a missing path does not.
    Case del = Make(SWEEP_INT(CDriveEx::MyDelFile("C:\\data\\movie.txt")), {"0"}, Files);
    del.errors = {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_SHARING_VIOLATION};
    del.agrees = OneWhen("C:\\data\\movie.txt", false);
    Case rmdir = Make(SWEEP_INT(CDriveEx::MyRemoveDirectory("C:\\data\\empty")), {"0"}, Files);
    rmdir.errors = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_DIR_NOT_EMPTY};
    rmdir.agrees = OneWhen("C:\\data\\empty", false);

    // DelSubFile goes on after a failed file: what it missed shows in the files.
    Case sub = Make(SWEEP_INT(CDriveEx::DelSubFile("C:\\data", "*.*", 1)), {"0"}, Files);
    sub.keepsLastError = false;

    Case tree = Make(SWEEP_INT(CDriveEx::DelTree("C:\\data\\tree", 1)), {"0"}, Files);
    // A failed status query of the top (the first call) reads as no
    // directory: 1, with the tree left.
    tree.agrees = [](const std::string &got, const Tree &after, const FaultRun &run) {
        return OneWhen("C:\\data\\tree", false)(got, after, run) || (got == "1" && run.k == 1);
    };
    RunTable("create, rename and delete", {create, recursive, rename, del, rmdir, sub, tree});
}

const char kFile[] = "C:\\data\\movie.txt";

// A failure of the file class: Open answers FALSE, or the operation throws,
// with the failing call's error and the cause that error maps to.
std::string Failure(const char *how, LONG os)
{
    return Text("%s cause %d os %ld", how, CFileException::OsErrorToException(os),
                static_cast<long>(os));
}

template <typename F>
Case Throwing(const char *label, F body)
{
    Case c = Make(label, [body] {
        try {
            return body();
        } catch (const CFileException &e) {
            return Failure("threw", e.m_lOsError);
        }
    }, {}, Files);
    c.accept = [](const std::string &, const std::string &got, const FaultRun &run) {
        const LONG os = static_cast<LONG>(run.error);
        return got == Failure("threw", os) || got == Failure("open failed", os);
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
    }, {}, Files);
    open.accept = [](const std::string &clean, const std::string &got, const FaultRun &) {
        return got == "open failed" || got.compare(0, 2, "0 ") == 0 ||
               got == clean.substr(0, clean.rfind(" attr ")) + " attr 0x0";
    };

    Case status = Make("CFile::GetStatus (path)", [] {
        CFileStatus st{};
        const BOOL r = CFile::GetStatus(kFile, st);
        return Text("%d size %ld attr 0x%x name %s", r, static_cast<long>(st.m_size),
                    st.m_attribute, st.m_szFullName);
    }, {}, Files);
    status.accept = [](const std::string &, const std::string &got, const FaultRun &) {
        return got.compare(0, 2, "0 ") == 0;
    };

    RunTable("trace settings and file class", {
        level, read, write, status, open,
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
}  // namespace brenvik::sweep
