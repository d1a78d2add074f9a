// Disc content on the POSIX backend: marker directories in real temporary
// directories that stand for the drives of a registry file, labels from it.
#include <gtest/gtest.h>

#include <string>

#include <brenvik/brenvik.h>

#include "support/test_support.h"

namespace {

using brenvik::test::MakeHostDirs;
using brenvik::test::RegText;
using brenvik::test::ScopedRegistryFile;
using brenvik::test::TempDir;
using brenvik::test::WriteHostFile;

std::string Drive(char letter, const std::string &path, const char *label)
{
    return std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenvik\\Drives\\") + letter +
           "]\r\n\"Path\"=\"" + path + "\"\r\n\"Type\"=\"cdrom\"\r\n\"Label\"=\"" + label +
           "\"\r\n";
}

TEST(DiscContentPosix, MarkersAndLabels)
{
    TempDir dir;
    MakeHostDirs(dir / "d/mpegav");
    MakeHostDirs(dir / "e/Photo_CD");  // matched without regard to case
    MakeHostDirs(dir / "f");
    WriteHostFile(dir / "f/mpegav", "not a directory");
    ScopedRegistryFile reg(RegText({
        Drive('D', dir / "d", "Emz3_DVD"),
        Drive('E', dir / "e", "PHOTO"),
        Drive('F', dir / "f", ""),
        Drive('G', dir / "absent", "EMZ3_DVD"),  // no medium
    }));
    struct Row {
        int drive, video, photo, audio;
    } rows[] = {
        {3, 1, 0, 1}, {4, 0, 1, 0}, {5, 0, 0, 0}, {6, 0, 0, 0}, {7, 0, 0, 0},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(CDriveEx::IsVideoCD(r.drive), r.video) << r.drive;
        EXPECT_EQ(CDriveEx::IsPhotoCD(r.drive), r.photo) << r.drive;
        EXPECT_EQ(CDriveEx::IsAudioCD(r.drive), r.audio) << r.drive;
    }
    // 35 is 'd': the label test has no range test, the marker tests have.
    EXPECT_EQ(CDriveEx::IsAudioCD(35), 1);
    EXPECT_EQ(CDriveEx::IsVideoCD(35), 0);
}

TEST(DiscContentPosix, DvdBoxGoesToStandardError)
{
    ::testing::internal::CaptureStderr();
    const int result = CDriveEx::IsDVD(3);
    const std::string shown = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    EXPECT_NE(shown.find("NA: CVcd::IsDvd() instead"), std::string::npos) << shown;
}

}  // namespace
