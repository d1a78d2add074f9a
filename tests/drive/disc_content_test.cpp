// Disc content on the simulated machine: the marker directories of video
// and photo discs, the label of the audio disc, and the box of IsDVD.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Call;
using brenvik::sim::Machine;
using brenvik::test::ScopedMachine;

Machine Prepared()
{
    Machine m = Machine::Typical();
    m.AddDrive('E', DRIVE_CDROM).Label("EMZ3_DVD");
    m.AddDrive('F', DRIVE_CDROM).Label("emz3_dvd").Medium(false);
    return m;
}

class DiscContent : public ::testing::Test {
protected:
    std::vector<std::string> Paths() const
    {
        std::vector<std::string> paths;
        for (const Call &c : machine.CallLog())
            paths.push_back(c.path);
        return paths;
    }

    Machine machine = Prepared();
    ScopedMachine scope{machine};
};

TEST_F(DiscContent, MarkerDirectoriesMakeVideoAndPhotoDiscs)
{
    struct Row {
        const char *setup;  // made as a directory (or a file, when isFile)
        bool isFile;
        int video, photo;
    } rows[] = {
        {nullptr, false, 0, 0},
        {"E:\\mpegav", false, 1, 0},
        {"E:\\MPEGAV", false, 1, 0},  // names match as the file system matches them
        {"E:\\photo_cd", false, 0, 1},
        {"E:\\mpegav", true, 0, 0},  // a file of that name is not the marker
        {"E:\\photo_cd", true, 0, 0},
        {"E:\\sub\\mpegav", false, 0, 0},  // only the root counts
    };
    for (const Row &r : rows) {
        machine.Remove("E:\\mpegav");
        machine.Remove("E:\\photo_cd");
        machine.Remove("E:\\sub");
        const std::string what = r.setup ? std::string(r.setup) + (r.isFile ? " file" : "") : "none";
        if (r.setup != nullptr) {
            if (r.isFile)
                machine.MakeFile(r.setup, "x");
            else
                machine.MakeDir(r.setup);
        }
        EXPECT_EQ(CDriveEx::IsVideoCD(4), r.video) << what;
        EXPECT_EQ(CDriveEx::IsPhotoCD(4), r.photo) << what;
    }
}

TEST_F(DiscContent, MarkerPathsUseTheUpperCaseLetter)
{
    machine.ResetCalls();
    CDriveEx::IsVideoCD(4);
    CDriveEx::IsPhotoCD(25);
    const std::vector<std::string> paths = Paths();
    ASSERT_FALSE(paths.empty());
    for (const std::string &p : paths)
        EXPECT_TRUE(p == "E:\\mpegav" || p == "Z:\\photo_cd") << p;
    EXPECT_EQ(paths.front(), "E:\\mpegav");
    EXPECT_EQ(paths.back(), "Z:\\photo_cd");
}

TEST_F(DiscContent, MarkerTestsRefuseNumbersOutsideTheDrives)
{
    machine.MakeDir("C:\\mpegav");
    machine.MakeDir("C:\\photo_cd");
    machine.ResetCalls();
    for (int drive : {-1, 26, 34, INT_MIN, INT_MAX}) {
        EXPECT_EQ(CDriveEx::IsVideoCD(drive), 0) << drive;
        EXPECT_EQ(CDriveEx::IsPhotoCD(drive), 0) << drive;
    }
    EXPECT_EQ(machine.CallCount(), 0u);
    EXPECT_EQ(CDriveEx::IsVideoCD(2), 1);
}

TEST_F(DiscContent, AudioDiscByItsLabelIgnoringCase)
{
    struct Row {
        const char *label;
        int audio;
    } rows[] = {
        {"EMZ3_DVD", 1}, {"emz3_dvd", 1}, {"Emz3_Dvd", 1}, {"EMZ3_DVD ", 0},
        {"EMZ3_DV", 0},  {"", 0},         {"DISC", 0},
    };
    for (const Row &r : rows) {
        machine.Drive('E').Label(r.label);
        EXPECT_EQ(CDriveEx::IsAudioCD(4), r.audio) << '"' << r.label << '"';
    }
    // The empty drive: its label cannot be read.
    EXPECT_EQ(CDriveEx::IsAudioCD(5), 0);
    // No range test: 36 is 'e', drive E.
    machine.Drive('E').Label("emz3_dvd");
    machine.ResetCalls();
    EXPECT_EQ(CDriveEx::IsAudioCD(36), 1);
    EXPECT_EQ(Paths(), std::vector<std::string>{"e:\\"});
    EXPECT_TRUE(machine.MessageBoxes().empty());
}

TEST_F(DiscContent, DvdTestIsNotOffered)
{
    const int drives[] = {3, -5, 26, 99};
    for (int drive : drives)
        EXPECT_EQ(CDriveEx::IsDVD(drive), 0) << drive;
    const auto boxes = machine.MessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    for (const auto &box : boxes) {
        EXPECT_EQ(box.text, "NA: CVcd::IsDvd() instead");
        EXPECT_EQ(box.type, 0u);
    }
    // Whatever the box answers, the result stays 0.
    machine.SetMessageBoxResult(2);
    EXPECT_EQ(CDriveEx::IsDVD(3), 0);
}

}  // namespace
