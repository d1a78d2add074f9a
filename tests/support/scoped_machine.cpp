#include "support/scoped_machine.h"

#include <string>

namespace brenvik {
namespace test {

ScopedMachine::ScopedMachine(sim::Machine &machine) : machine_(machine), install_(machine)
{
    machine_.MarkInstalled();
}

ScopedMachine::~ScopedMachine()
{
    if (!checkLeaks_)
        return;
    std::vector<std::string> leaks = machine_.Leaks();
    if (leaks.empty())
        return;
    std::string text = "the simulated machine was left with:";
    for (const std::string &line : leaks)
        text += "\n  " + line;
    ADD_FAILURE() << text;
}

}  // namespace test
}  // namespace brenvik
