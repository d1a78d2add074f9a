// With the trace off, a trace site costs the formatting and two
// comparisons: no heap allocation.
#include <gtest/gtest.h>

#include <string>

#include "frame/trace.h"
#include "support/alloc_counter.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::test::CountAllocations;

long AllocationsOfTraceSites()
{
    const std::string path(200, 'p');
    DbgFormat("warm up %d", 1);  // the thread's buffers exist from here on
    const CountAllocations count;
    for (int i = 0; i < 50; ++i)
        DbgMessage("brenvik\\drive.cpp", i,
                   DbgFormat("CDriveEx::ComposeUNC BAD NULL ...%s <%s> %d \n", "strDir",
                             path.c_str(), i), 1);
    return count.counts().total();
}

TEST(TraceAlloc, DisabledSitesDoNotAllocate)
{
    brenvik::sim::Machine machine;
    const brenvik::test::ScopedMachine scope(machine);
    DbgLoadLevel();  // no key
    EXPECT_EQ(AllocationsOfTraceSites(), 0) << "no key";
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 0);
    DbgLoadLevel();
    EXPECT_EQ(AllocationsOfTraceSites(), 0) << "level 0";
    // The counter does see the line buffer of a site that sends.
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    DbgLoadLevel();
    EXPECT_GE(AllocationsOfTraceSites(), 50);
    g_bDbgEnabled = 0;
    g_dwDbgLevel = 0;
}

}  // namespace
