// Fault sweep of the attribute and status queries, the write probes and
// the create, rename and delete operations.
#include <gtest/gtest.h>

#include <brenvik/brenvik.h>

#include <cstring>

#include "reliability/sweep.h"

namespace brenvik {
namespace sweep {
namespace {

// C:\data holds files of each kind, an empty directory, a hidden one and a
// small tree.
void Files(sim::Machine &m)
{
    m.MakeFile("C:\\data\\movie.txt", "hello, world");
    m.MakeFile("C:\\data\\old.txt", "old");
    m.MakeFile("C:\\data\\target.txt", "target");
    m.MakeFile("C:\\data\\a.tmp", "a");
    m.MakeFile("C:\\data\\b.tmp", "b");
    m.MakeFile("C:\\data\\sys.tmp", "s", FILE_ATTRIBUTE_SYSTEM);
    m.MakeFile("C:\\data\\hidden.txt", "h", FILE_ATTRIBUTE_HIDDEN);
    m.MakeDir("C:\\data\\empty");
    m.MakeDir("C:\\data\\secret", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    m.MakeFile("C:\\data\\tree\\one.txt", "1");
    m.MakeFile("C:\\data\\tree\\sub\\two.txt", "2");
    m.MakeFile("C:\\data\\tree\\sub\\deeper\\three.txt", "3");
    m.MakeFile("C:\\data\\tree\\system.dat", "s", FILE_ATTRIBUTE_SYSTEM);
}

Case Make(std::string function, std::function<std::string()> call, std::string failure)
{
    Case c;
    c.function = std::move(function);
    c.setup = Files;
    c.call = [call](sim::Machine &) { return call(); };
    c.accept = CleanOr(std::move(failure));
    return c;
}

// The five named status tests: a failure reads as absence.
Case Named(const char *name, int (*test)(const char *, int *), const char *path)
{
    return Make(std::string("CDriveEx::") + name + " (" + path + ")",
                [test, path] {
                    int exist = -1;
                    const int r = test(path, &exist);
                    return Text("%d exist %d", r, exist);
                },
                "0 exist 0");
}

std::vector<Case> StatusCases()
{
    std::vector<Case> cases = {
        Named("IsDir", CDriveEx::IsDir, "C:\\data\\empty\\"),
        Named("IsDirHidden", CDriveEx::IsDirHidden, "C:\\data\\secret"),
        Named("IsFile", CDriveEx::IsFile, "C:\\data\\movie.txt"),
        Named("IsFileWritable", CDriveEx::IsFileWritable, "C:\\data\\movie.txt"),
        Named("IsFileHidden", CDriveEx::IsFileHidden, "C:\\data\\hidden.txt"),
        Make("CDriveEx::CFileStatus_s (masks)",
             [] {
                 int exist = -1;
                 const int r = CDriveEx::CFileStatus_s("C:\\data\\movie.txt", 0x10, 0x20, &exist);
                 return Text("%d exist %d", r, exist);
             },
             "0 exist 0"),
        Make("CDriveEx::CFileStatus_s (flags)",
             [] {
                 int f[9];
                 std::memset(f, 0x7F, sizeof f);
                 const int r = CDriveEx::CFileStatus_s("C:\\data\\secret", &f[0], &f[1], &f[2],
                                                       &f[3], &f[4], &f[5], &f[6], &f[7], &f[8]);
                 return Text("%d flags %d%d%d%d%d%d%d%d exist %d", r, f[0], f[1], f[2], f[3],
                             f[4], f[5], f[6], f[7], f[8]);
             },
             "0 flags 00000000 exist 0"),
        Make("CDriveEx::IsExist", [] { return Text("%d", CDriveEx::IsExist("C:\\data\\old.txt")); },
             "0"),
        Make("CDriveEx::ChkFileAttrEx",
             [] {
                 int exist = -1;
                 const int r = CDriveEx::ChkFileAttrEx("C:\\data\\sys.tmp", 0x10, 0x04, &exist);
                 return Text("%d exist %d", r, exist);
             },
             "0 exist 0"),
        Make("CDriveEx::GetFileAttrEx (word)",
             [] {
                 unsigned long attr = 0xDEAD;
                 const int r = CDriveEx::GetFileAttrEx("C:\\data\\hidden.txt", &attr);
                 return Text("%d attr 0x%lx", r, attr);
             },
             "0 attr 0xdead"),
        Make("CDriveEx::GetFileAttrEx (record)",
             [] {
                 WIN32_FILE_ATTRIBUTE_DATA data;
                 std::memset(&data, 0xEE, sizeof data);
                 const int r = CDriveEx::GetFileAttrEx("C:\\data\\movie.txt", &data);
                 return Text("%d attr 0x%lx size %lu:%lu", r,
                             static_cast<unsigned long>(data.dwFileAttributes),
                             static_cast<unsigned long>(data.nFileSizeHigh),
                             static_cast<unsigned long>(data.nFileSizeLow));
             },
             "0 attr 0xeeeeeeee size 4008636142:4008636142"),
        Make("CDriveEx::GetFileSizeInByte (path)",
             [] {
                 unsigned long size = 77;
                 const int r = CDriveEx::GetFileSizeInByte("C:\\data\\movie.txt", &size);
                 return Text("%d size %lu", r, size);
             },
             "0 size 77"),
    };

    // The open file's length; opening it is part of the run.
    Case open = Make("CDriveEx::GetFileSizeInByte (CFile)",
                     [] {
                         CFile file;
                         if (!file.Open("C:\\data\\movie.txt", CFile::modeRead))
                             return std::string("open failed");
                         unsigned long size = 77;
                         const int r = CDriveEx::GetFileSizeInByte(file, &size);
                         file.Abort();
                         return Text("%d size %lu", r, size);
                     },
                     "");
    open.accept = CleanOrAny({"open failed", "0 size 77"});
    cases.push_back(open);
    return cases;
}

// A probe file may outlive a failure only when the calls that remove it
// failed too.
bool ProbeGone(const std::string &path, const Entry *before, const Entry *clean,
               const Entry *got, const FaultRun &run, const char *probe, bool deleteOnClose)
{
    if (BeforeOrClean(before, clean, got))
        return true;
    if (path.find(probe) == std::string::npos || before != nullptr)
        return false;
    const bool closeFailed = !deleteOnClose || run.Failed("CloseHandle", probe);
    return closeFailed && run.Failed("DeleteFileA", probe);
}

std::vector<Case> ProbeCases()
{
    Case dir = Make("CDriveEx::CanWeWriteDir",
                    [] { return Text("%d", CDriveEx::CanWeWriteDir("C:\\data")); }, "0");
    dir.entries = [](const std::string &path, const Entry *b, const Entry *cl, const Entry *g,
                     const FaultRun &run) {
        return ProbeGone(path, b, cl, g, run, "tmp$d123.tmp", false);
    };

    Case writeable = Make("CDriveEx::IsDirWriteable",
                          [] {
                              return Text("%d",
                                          CDriveEx::IsDirWriteable("C:\\data\\new\\deeper"));
                          },
                          "0");
    writeable.entries = [](const std::string &path, const Entry *b, const Entry *cl,
                           const Entry *g, const FaultRun &run) {
        return ProbeGone(path, b, cl, g, run, "\\temp", true);
    };

    // Only a message box; the result is 0 whatever it answers.
    Case file = Make("CDriveEx::CanWeWriteFile",
                     [] { return Text("%d", CDriveEx::CanWeWriteFile("C:\\data\\movie.txt")); },
                     "0");
    file.keepsLastError = false;
    return {dir, writeable, file};
}

std::vector<Case> ChangeCases()
{
    Case rename = Make("CDriveEx::MyRename (onto a file)",
                       [] {
                           return Text("%d", CDriveEx::MyRename("C:\\data\\old.txt",
                                                                "C:\\data\\target.txt"));
                       },
                       "0");
    // The target is deleted before the rename is tried.
    rename.entries = [](const std::string &path, const Entry *b, const Entry *cl, const Entry *g,
                        const FaultRun &) {
        return BeforeOrClean(b, cl, g) || (path == "C:\\data\\target.txt" && g == nullptr);
    };
    // The class library's exception is what is left of the failure.
    rename.keepsLastError = false;

    Case move = Make("CDriveEx::MyRename (new name)",
                     [] {
                         return Text("%d", CDriveEx::MyRename("C:\\data\\old.txt",
                                                              "C:\\data\\empty\\moved.txt"));
                     },
                     "0");
    move.keepsLastError = false;

    Case del = Make("CDriveEx::MyDelFile",
                    [] { return Text("%d", CDriveEx::MyDelFile("C:\\data\\movie.txt")); }, "0");
    // A file that is already gone counts as deleted; a missing path does not.
    del.errors = {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND, ERROR_SHARING_VIOLATION};

    Case rmdir = Make("CDriveEx::MyRemoveDirectory",
                      [] { return Text("%d", CDriveEx::MyRemoveDirectory("C:\\data\\empty")); },
                      "0");
    // A path that is already gone counts as removed; a missing file does not.
    rmdir.errors = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_DIR_NOT_EMPTY};

    Case existing = Make("CDriveEx::MyCreateDirectory (exists, allowed)",
                         [] {
                             return Text("%d",
                                         CDriveEx::MyCreateDirectory("C:\\data\\empty", 1));
                         },
                         "0");
    // The existing directory may fail with any error but "already exists".
    existing.keepsLastError = false;

    // DelSubFile goes on after a failed file; a listing that fails early
    // leaves the rest, which only shows in the files.
    Case sub = Make("CDriveEx::DelSubFile",
                    [] { return Text("%d", CDriveEx::DelSubFile("C:\\data", "*.tmp", 0)); }, "0");
    sub.keepsLastError = false;
    Case subSystem = Make("CDriveEx::DelSubFile (system files too)",
                          [] { return Text("%d", CDriveEx::DelSubFile("C:\\data", "*.*", 1)); },
                          "0");
    subSystem.keepsLastError = false;

    Case tree = Make("CDriveEx::DelTree",
                     [] { return Text("%d", CDriveEx::DelTree("C:\\data\\tree", 1)); }, "0");
    // The system file at the top keeps the directory: 0. A failed status
    // query of the top reads as no directory at all, which is 1 with
    // nothing touched.
    Case whole = Make("CDriveEx::DelTree (no system files)",
                      [] { return Text("%d", CDriveEx::DelTree("C:\\data", 0)); }, "");
    whole.accept = CleanOrAny({"0", "1"});

    return {
        Make("CDriveEx::MyCreateDirectory",
             [] { return Text("%d", CDriveEx::MyCreateDirectory("C:\\data\\newdir", 0)); }, "0"),
        existing,
        Make("CDriveEx::CreateDir_Recursively",
             [] { return Text("%d", CDriveEx::CreateDir_Recursively("C:\\data\\x\\y\\z")); },
             "0"),
        rename,
        move,
        del,
        rmdir,
        sub,
        subSystem,
        tree,
        whole,
    };
}

TEST(Sweep, StatusQueries)
{
    RunTable("attribute and status queries", StatusCases());
}

TEST(Sweep, WriteProbes)
{
    RunTable("write probes", ProbeCases());
}

TEST(Sweep, CreateRenameDelete)
{
    RunTable("create, rename and delete", ChangeCases());
}

}  // namespace
}  // namespace sweep
}  // namespace brenvik
