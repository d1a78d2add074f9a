#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "support/test_support.h"

TEST(ModuleFrame, SettingsReadAtLoadAndByImagesOnlyDetachInOrder)
{
    const brenvik::test::ScopedRegistryFile reg(brenvik::test::RegText({}));  // the child writes it
    const std::string command =
        std::string("'") + BRENVIK_MODULE_CHILD + "' '" + BRENVIK_SHARED_LIB + "' 2>&1";
    std::FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    EXPECT_EQ(::pclose(pipe), 0);
    const std::string traced = "debug Orlo DbgMessage:CDriveEx::SplitUNC_p BAD NULL ...pSplitFPath "
                               "\n FILE:split.cpp LINE:* \n";
    EXPECT_EQ(std::regex_replace(out, std::regex(" LINE:[0-9]+ "), " LINE:* "),
              // Level 3 read once from the file at load.
              "step dlopen\nstep opened\n" + traced +
                  // The level read at load stays; a CDriveEx changes nothing.
                  "step rewritten\n" + traced + "step drive\n" + traced +
                  // A host's own CVcdImageEx reads the settings again: none now.
                  "step image\nstep dlclose\nstep closed\n");
}
