// The demo image library reads back as the library it is meant to be.
#include <brenvik/brenvik.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "image_test_support.h"
#include "image_writer.h"
#include "support/test_support.h"

namespace {

using brenvik::test::WinPath;

class DemoLibrary : public ::testing::Test {
protected:
    DemoLibrary() : registry_(brenvik::test::RegText({}))
    {
        std::string error;
        written_ = brenvik::mkimage::WriteDemoLibrary(dir_.path(), &error);
        EXPECT_TRUE(written_) << error;
    }
    std::string Win(const std::string &relative) const { return WinPath(dir_ / relative); }

    brenvik::test::ScopedRegistryFile registry_;
    brenvik::test::TempDir dir_;
    bool written_ = false;
};

TEST_F(DemoLibrary, EachFileIsWhatItsNameSays)
{
    ASSERT_TRUE(written_);
    struct Row {
        const char *path;
        unsigned long type;
        int extType;
        const char *desc;  // null: no description can be read
    };
    const Row rows[] = {
        {"library/Holiday.vcd", CDTYPE_VIDEO, EXTTYPE_VCD, "Holiday by the sea"},
        {"library/Concert.DVD/Concert.DVD.D00", CDTYPE_DVD, EXTTYPE_DVD, "Concert, four parts"},
        {"library/Concert.DVD/Concert.DVD.D03", CDTYPE_INVALID, EXTTYPE_DVD, nullptr},
        {"library/Lecture.DVD/Lecture.DVD.D00", CDTYPE_DVD, EXTTYPE_DVD,
         "Lecture, part three lost"},
        {"library/Album.VCD.D00", CDTYPE_MIXED, EXTTYPE_MIXEDMODE, "Album, mixed mode"},
        {"library/Single.VCD.D00", CDTYPE_CDEXTRA, EXTTYPE_MIXEDMODE, "Single, CD-Extra"},
        {"library/Broken.vcd", CDTYPE_INVALID, EXTTYPE_VCD, nullptr},
        {"library/notes.txt", CDTYPE_INVALID, EXTTYPE_NONE, nullptr},
        {"library/cover.jpg", CDTYPE_INVALID, EXTTYPE_NONE, nullptr},
        {"library/Lecture.DVD/Lecture.DVD.D02", CDTYPE_INVALID, EXTTYPE_DVD, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.path);
        const std::string path = Win(row.path);
        EXPECT_EQ(CVcdImageEx::GetVCD_cdtype(path.c_str()), row.type);
        EXPECT_EQ(CVcdImageEx::GetPathExtType(path.c_str()), row.extType);
        char desc[BRENVIK_MAX_PATH] = "";
        EXPECT_EQ(CVcdImageEx::GetDesc(path.c_str(), desc, nullptr), row.desc ? 1 : 0);
        if (row.desc) {
            EXPECT_STREQ(desc, row.desc);
        }
    }
    // The bundle masters are masters by name.
    char dir[BRENVIK_MAX_PATH], prefix[BRENVIK_MAX_PATH];
    EXPECT_EQ(CVcdImageEx::ParseMaster(Win("library/Concert.DVD/Concert.DVD.D00").c_str(), dir,
                                       prefix),
              1);
    EXPECT_EQ(std::string(dir), Win("library/Concert.DVD") + "\\");
}

std::map<std::string, std::string> Snapshot(const std::string &root)
{
    std::map<std::string, std::string> files;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(root).generic_string()] =
                brenvik::test::ReadHostFile(entry.path().string());
    return files;
}

TEST_F(DemoLibrary, WritingAgainRestoresTheSameTree)
{
    ASSERT_TRUE(written_);
    const auto first = Snapshot(dir_.path());
    EXPECT_EQ(first.size(), 15u);
    EXPECT_EQ(first.count("library/Lecture.DVD/Lecture.DVD.D02"), 0u);
    // Spoil it: fill the gap, change a master.
    brenvik::test::WriteHostFile(dir_ / "library/Lecture.DVD/Lecture.DVD.D02", "x");
    brenvik::test::WriteHostFile(dir_ / "library/Holiday.vcd", "x");
    std::string error;
    ASSERT_TRUE(brenvik::mkimage::WriteDemoLibrary(dir_.path(), &error)) << error;
    EXPECT_EQ(Snapshot(dir_.path()), first);
}

}  // namespace
