// With the trace off, a trace site costs the formatting and two
// comparisons: no heap allocation.
#include <gtest/gtest.h>

#include <string>

#include "frame/trace.h"
#include "support/alloc_counter.h"
#include "support/scoped_machine.h"

namespace {

using brenvik::sim::Machine;
using brenvik::test::CountAllocations;
using brenvik::test::ScopedMachine;

TEST(TraceAlloc, DisabledSitesDoNotAllocate)
{
    Machine machine;
    ScopedMachine scope(machine);
    const std::string path(200, 'p');
    struct Row {
        const char *name;
        DWORD level;  // 0xFFFF: no key at all
    } rows[] = {{"no key", 0xFFFF}, {"level 0", 0}};
    for (const Row &r : rows) {
        if (r.level != 0xFFFF)
            machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", r.level);
        DbgLoadLevel();
        DbgFormat("warm up %d", 1);  // the thread's buffers exist from here on
        CountAllocations count;
        for (int i = 0; i < 50; ++i)
            DbgMessage("brenvik\\drive.cpp", i,
                       DbgFormat("CDriveEx::ComposeUNC BAD NULL ...%s <%s> %d \n", "strDir",
                                 path.c_str(), i),
                       1);
        EXPECT_EQ(count.counts().total(), 0) << r.name;
    }
}

TEST(TraceAlloc, TheCounterSeesTheLineBufferOfAnEnabledSite)
{
    Machine machine;
    ScopedMachine scope(machine);
    machine.SetRegDword("HKLM\\SOFTWARE\\OrloDebug", "DebugLevel", 1);
    DbgLoadLevel();
    const char *message = DbgFormat("x");
    CountAllocations count;
    DbgMessage("a\\b.cpp", 1, message, 1);
    EXPECT_GE(count.counts().mallocs, 1);
}

}  // namespace
