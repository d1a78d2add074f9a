// A simulated machine installed for one test, checked for leaks at its end.
#ifndef BRENVIK_TESTS_FILEOPS_SIM_FIXTURE_H
#define BRENVIK_TESTS_FILEOPS_SIM_FIXTURE_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/crt/crt.h"
#include "platform/services.h"
#include "platform/sim/sim_machine.h"

namespace brenvik {
namespace test {

class SimTest : public ::testing::Test {
protected:
    SimTest() : m(sim::Machine::Typical()), scope_(std::make_unique<platform::ScopedServices>(m))
    {
        crt::RefreshCodePage();
        m.MarkInstalled();
    }
    ~SimTest() override
    {
        EXPECT_THAT(m.Leaks(), ::testing::IsEmpty());
        scope_.reset();
        crt::RefreshCodePage();
    }

    // The services called, in order, as "Name path".
    std::vector<std::string> Log() const
    {
        std::vector<std::string> out;
        for (const sim::Call &call : m.CallLog())
            out.push_back(call.service + " " + call.path);
        return out;
    }

    sim::Machine m;

private:
    std::unique_ptr<platform::ScopedServices> scope_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_FILEOPS_SIM_FIXTURE_H
