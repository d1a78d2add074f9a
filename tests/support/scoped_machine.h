// GoogleTest helpers for the simulated machine (kept out of brenvik_sim so
// that the machine itself does not need GoogleTest).
#ifndef BRENVIK_TESTS_SUPPORT_SCOPED_MACHINE_H
#define BRENVIK_TESTS_SUPPORT_SCOPED_MACHINE_H

#include <gtest/gtest.h>

#include <string>

#include "platform/services.h"
#include "platform/sim/sim_machine.h"

namespace brenvik {
namespace test {

// Installs a machine for the scope, and at its end fails the test with
// whatever Machine::Leaks() reports (handles, find handles, keys or sockets
// left open, WSAStartup unbalanced, error mode not restored), unless
// AllowLeaks() was called.
class ScopedMachine {
public:
    explicit ScopedMachine(sim::Machine &machine) : machine_(machine), install_(machine)
    {
        machine_.MarkInstalled();
    }
    ~ScopedMachine()
    {
        std::string text;
        for (const std::string &line : checkLeaks_ ? machine_.Leaks() : std::vector<std::string>())
            text += "\n  " + line;
        if (!text.empty())
            ADD_FAILURE() << "the simulated machine was left with:" << text;
    }
    ScopedMachine(const ScopedMachine &) = delete;
    ScopedMachine &operator=(const ScopedMachine &) = delete;

    void AllowLeaks() { checkLeaks_ = false; }

private:
    sim::Machine &machine_;
    platform::ScopedServices install_;
    bool checkLeaks_ = true;
};

// A fixture with Machine::Typical() installed for each test.
class MachineTest : public ::testing::Test {
protected:
    sim::Machine machine = sim::Machine::Typical();
    ScopedMachine scope{machine};
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_SCOPED_MACHINE_H
