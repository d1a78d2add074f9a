// Tree deletion and links on the simulated machine: a link inside the tree
// is removed as a link, also when it replaces a directory while the deletion
// runs, and nothing outside the tree changes.
#include <brenvik/brenvik.h>

#include <map>

#include "fileops/sim_fixture.h"

namespace brenvik {
namespace test {
namespace {

class LinksTest : public SimTest {
protected:
    LinksTest()
    {
        m.MakeFile("C:\\outside\\keep.txt", "precious");
        m.MakeFile("C:\\outside\\deep\\more.txt", "more");
        outside_ = Outside();
    }

    std::map<std::string, std::string> Outside()
    {
        std::map<std::string, std::string> out;
        for (const std::string &rel : m.ListTree("C:\\outside")) {
            std::string full = "C:\\outside\\" + rel;
            out[rel] = m.FileExists(full) ? m.ReadFileBytes(full) : "<dir>";
        }
        return out;
    }

    void ExpectOutsideUntouched() { EXPECT_EQ(Outside(), outside_); }

    std::map<std::string, std::string> outside_;
};

TEST_F(LinksTest, LinksPresentBeforeTheRunAreRemovedAsLinks)
{
    m.MakeFile("C:\\t\\a.txt");
    m.MakeLink("C:\\t\\dirlink", "C:\\outside", true);
    m.MakeLink("C:\\t\\sub\\filelink", "C:\\outside\\keep.txt", false);
    m.MakeLink("C:\\t\\dangling", "C:\\nowhere", true);
    EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), 1);
    EXPECT_FALSE(m.Exists("C:\\t"));
    ExpectOutsideUntouched();
}

TEST_F(LinksTest, TreeThatIsALinkLosesOnlyTheLink)
{
    m.MakeLink("C:\\tl", "C:\\outside", true);
    EXPECT_EQ(CDriveEx::DelTree("C:\\tl\\", 0), 1);
    EXPECT_FALSE(m.Exists("C:\\tl"));
    ExpectOutsideUntouched();
}

TEST_F(LinksTest, DirectoryReplacedByALinkDuringTheRun)
{
    struct SwapPoint {
        const char *service;
        const char *path;
        int occurrence;      // which matching call
        bool toFile;         // a link to a file instead of a directory
        int result;
    };
    const SwapPoint points[] = {
        {"GetFileAttributesExA", "C:\\t\\sub", 1, false, 1},  // its status query
        {"GetFileAttributesA", "C:\\t\\sub", 1, false, 1},    // the read before its listing
        {"FindFirstFileA", "C:\\t\\sub\\*.*", 1, false, 1},   // the opening of its listing
        {"GetFileAttributesA", "C:\\t\\sub", 2, false, 1},    // the read after the opening
        // A link to a file is no directory to the status query: it stays,
        // and so does the tree's root.
        {"GetFileAttributesExA", "C:\\t\\sub", 1, true, 0},
        {"GetFileAttributesA", "C:\\t\\sub", 1, true, 1},
        {"GetFileAttributesA", "C:\\t\\sub", 2, true, 1},
    };
    for (const SwapPoint &p : points) {
        SCOPED_TRACE(std::string(p.service) + " " + p.path + " #" + std::to_string(p.occurrence) +
                     (p.toFile ? " file link" : " directory link"));
        m.Remove("C:\\t");
        m.MakeFile("C:\\t\\before.txt");
        m.MakeFile("C:\\t\\sub\\inner.txt");
        m.MakeFile("C:\\t\\zafter.txt");
        int seen = 0;
        bool swapped = false;
        m.SetHook([&](const sim::Call &call) {
            if (call.service == p.service && call.path == p.path && ++seen == p.occurrence) {
                m.Remove("C:\\t\\sub");
                if (p.toFile)
                    m.MakeLink("C:\\t\\sub", "C:\\outside\\keep.txt", false);
                else
                    m.MakeLink("C:\\t\\sub", "C:\\outside", true);
                swapped = true;
            }
        });
        EXPECT_EQ(CDriveEx::DelTree("C:\\t", 0), p.result);
        m.SetHook(nullptr);
        EXPECT_TRUE(swapped);
        EXPECT_EQ(m.Exists("C:\\t"), p.result == 0);
        ExpectOutsideUntouched();
    }
}

}  // namespace
}  // namespace test
}  // namespace brenvik
