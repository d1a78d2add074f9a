// Composing drive and UNC paths from their pieces.
#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <string>

#include "path/path_test_util.h"

using brenvik::test::Compose;
using brenvik::test::OutBuf;
using brenvik::test::PathTest;

namespace {

TEST_F(PathTest, ComposeWorkedExamples)
{
    const struct {
        bool unc;
        const char *p[5];
        const char *path;  // null: refused, nothing written
    } rows[] = {
        {true, {"computer", "share", "dir", "file", "ext"}, R"(\\computer\share\dir\file.ext)"},
        {true, {"c", "s", R"(d1\d2\)", "file.", "ext"}, R"(\\c\s\d1\d2\file.ext)"},
        {true, {"c", "s", R"(d1\d2)", "file.", ".ext"}, R"(\\c\s\d1\d2\file..ext)"},
        {true, {"c", "s", "..", "file", ".ext"}, R"(\\c\s\..\file.ext)"},
        {true, {"c:x", "s/t", "d", "f", "e"}, R"(\\c:x\s/t\d\f.e)"},
        {true, {"c", "s", "d", "a..b", ".."}, R"(\\c\s\d\a..b..)"},
        {true, {"c", "s", R"(\d)", "file", "ext"}, nullptr},
        {true, {"c", R"(s\x)", "d", "file", "ext"}, nullptr},
        {true, {R"(c\x)", "s", "d", "f", "e"}, nullptr},
        {true, {"c", "s", R"(d\\e)", "f", "e"}, nullptr},
        {true, {"c", "s", "d", "f*", "e"}, nullptr},   {true, {"c", "s", "d", "f", "e|"}, nullptr},
        {false, {R"(C:\)", "dir", "file", "ext"}, R"(C:\dir\file.ext)"},
        {false, {"c:", R"(d1\d2)", "file", ".ext"}, R"(c:\d1\d2\file.ext)"},
        {false, {"C:foo", R"(d1\)", "file", "ext"}, R"(C:\d1\file.ext)"},
        {false, {"C:", "a", R"(sub\file)", "ext"}, R"(C:\a\sub\file.ext)"},
        {false, {"C:", "d", "file.", ".ext"}, R"(C:\d\file..ext)"},
        {false, {"C:", "d", "f", R"(e\)"}, R"(C:\d\f.e\)"},
        {false, {"C:", "d", "f", "."}, R"(C:\d\f.)"},  {false, {"D", "d", "f", "e"}, nullptr},
        {false, {"C:", "..", "f", "e"}, nullptr},      {false, {"C:", "a", "file..x", "e"}, nullptr},
        {false, {"C:", "a", "file", "e*t"}, nullptr},  {false, {"C:", "d", "f", "..e"}, nullptr},
        {false, {"1:", "d", "f", "e"}, nullptr},       {false, {"[:", "d", "f", "e"}, nullptr},
        {false, {"C;", "d", "f", "e"}, nullptr},       {false, {"C:", R"(a\\b)", "f", "e"}, nullptr},
        {false, {"C:", "a:b", "f", "e"}, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.p[0]) + "|" + row.p[1] + "|" + row.p[2] + "|" + row.p[3]);
        OutBuf out;
        EXPECT_EQ(Compose(row.unc, out.get(), row.p), row.path ? 1 : 0);
        EXPECT_EQ(out.str(), row.path ? row.path : "<untouched>");
    }
    // Every piece is required: null or empty, in each position; the drive
    // form names the missing one.
    const char *const names[] = {"strDrv", "strDir", "strFileTitle", "strFileExt"};
    for (const bool unc : {true, false}) {
        for (int i = 0; i < (unc ? 5 : 4); ++i) {
            for (const char *missing : {static_cast<const char *>(nullptr), ""}) {
                const char *p[5] = {unc ? "c" : "C:", unc ? "s" : "d", unc ? "d" : "t",
                                    unc ? "t" : "e", "e"};
                p[i] = missing;
                OutBuf out;
                EXPECT_EQ(Compose(unc, out.get(), p) + Compose(unc, nullptr, p), 0) << unc << i;
                EXPECT_EQ(out.str(), "<untouched>") << unc << i;
                EXPECT_EQ(Trace(), unc ? "" : std::string("ComposeDrvPath ") + names[i]);
            }
        }
    }
    const SPLITFPATH_tag *none = nullptr;
    OutBuf out;
    EXPECT_EQ(CDriveEx::ComposeUNC(out.get(), none) + CDriveEx::ComposeDrvPath(out.get(), none), 0);
    EXPECT_EQ(Trace(), "ComposeUNC pSplitFPath; ComposeDrvPath pSplitFPath");
    // So does each empty field of a record.
    const char *const fields[] = {"strOrgPath", "strComputer_name", "strShare_name", "strDir",
                                  "strFileTitle", "strFileExt", "strOrgPath"};
    for (int i = 0; i < 7; ++i) {
        SPLITFPATH_tag r{};
        EXPECT_EQ(CDriveEx::MySplitPath(i < 6 ? R"(\\c\s\d\t.e)" : R"(C:\d\t.e)", &r, nullptr), 1);
        char *const f[] = {r.unc.strOrgPath, r.unc.strComputer_name, r.unc.strShare_name,
                           r.unc.strDir, r.unc.strFileTitle, r.unc.strFileExt, r.drv.strOrgPath};
        *f[i] = '\0';
        EXPECT_EQ(i < 6 ? CDriveEx::ComposeUNC(out.get(), &r) : CDriveEx::ComposeDrvPath(out.get(), &r), 0);
        EXPECT_EQ(Trace(), std::string(i < 6 ? "ComposeUNC " : "ComposeDrvPath ") + fields[i]);
    }
    EXPECT_EQ(out.str(), "<untouched>");
}

}  // namespace
