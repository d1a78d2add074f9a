// Helpers of the path-model tests.
#ifndef BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H
#define BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H

#include <brenvik/brenvik.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/trace.h"
#include "support/fault_services.h"

struct BrenvikTestAccess {
    static int ValidateMultiDirLevel_p(const char *s, int bResultIfEmpty)
    {
        return CDriveEx::ValidateMultiDirLevel_p(s, bResultIfEmpty);
    }
};

namespace brenvik {
namespace test {

// A 260-byte output preset to a marker, so that "untouched" can be told from
// "emptied", with a guard zone after it that str() checks.
class OutBuf {
public:
    explicit OutBuf(const char *preset = "<untouched>")
    {
        std::memset(bytes_, 0x5A, sizeof bytes_);
        std::strcpy(bytes_, preset);
    }
    char *get() { return bytes_; }
    std::string str() const
    {
        for (std::size_t i = BRENVIK_MAX_PATH; i < sizeof bytes_; ++i)
            if (bytes_[i] != 0x5A)
                return "<written past 260 bytes>";
        return std::memchr(bytes_, 0, BRENVIK_MAX_PATH) ? bytes_ : "<no NUL within 260 bytes>";
    }

private:
    char bytes_[BRENVIK_MAX_PATH + 64];
};

// Every text field holds "old", so tests see which fields a call touched.
inline SPLITFPATH_tag MarkedRecord()
{
    SPLITFPATH_tag r{};
    r.unc.nReserved = 0xC0FFEEu;
    r.drv.nReserved = 0xBEEFu;
    for (char *f : {r.unc.strOrgPath, r.unc.strComputer_name, r.unc.strShare_name, r.unc.strDir,
                    r.unc.strFilename, r.unc.strFileTitle, r.unc.strFileExt, r.drv.strOrgPath,
                    r.drv.strDrv, r.drv.strDir, r.drv.strFilename, r.drv.strFileTitle,
                    r.drv.strFileExt})
        std::strcpy(f, "old");
    return r;
}

// p[0..4]: computer, share, dir, title, ext (UNC) or drive, dir, title, ext.
inline int Compose(bool unc, char *out, const char *const p[5])
{
    return unc ? CDriveEx::ComposeUNC(out, p[0], p[1], p[2], p[3], p[4])
               : CDriveEx::ComposeDrvPath(out, p[0], p[1], p[2], p[3]);
}

// The trace on, its lines caught by the fault decorator.
class PathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        faults_.SetRegDword(R"(HKEY_LOCAL_MACHINE\SOFTWARE\OrloDebug)", "DebugLevel", 1);
        DbgLoadLevel();
    }
    void TearDown() override { g_bDbgEnabled = 0; }
    // "function argument" of each "BAD NULL" line since the last call, "; "-joined.
    std::string Trace()
    {
        std::string lines;
        for (const std::string &line : faults_.debugOutput) {
            const std::size_t head = 26, bad = line.find(" BAD NULL ..."), end = line.find(" \n FILE:");
            EXPECT_TRUE(line.compare(0, head, "Orlo DbgMessage:CDriveEx::") == 0 && bad < end &&
                        end != std::string::npos && line.find(".cpp LINE:", end) != std::string::npos &&
                        line.back() == ' ')
                << line;
            lines += (lines.empty() ? "" : "; ") + line.substr(head, bad - head) + " " +
                     line.substr(bad + 13, end - bad - 13);
        }
        faults_.debugOutput.clear();
        return lines;
    }
    ScopedFaults faults_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_PATH_PATH_TEST_UTIL_H
