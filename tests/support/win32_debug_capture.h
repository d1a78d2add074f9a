// Windows only: receives what this process sends to the debugger output, the
// way a debug-output viewer does when no debugger is attached.
#ifndef BRENVIK_TESTS_SUPPORT_WIN32_DEBUG_CAPTURE_H
#define BRENVIK_TESTS_SUPPORT_WIN32_DEBUG_CAPTURE_H

#if defined(_WIN32)

#include <string>
#include <vector>

namespace brenvik {
namespace test {

// Only one may exist at a time in a session (the channel's names are global).
class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture &) = delete;
    DebugOutputCapture &operator=(const DebugOutputCapture &) = delete;

    // False when the channel could not be set up (another viewer owns it).
    bool ok() const { return ok_; }

    // Every string this process has sent so far, and forgets them; waits for a
    // marker of its own, so that nothing sent before the call is missed.
    std::vector<std::string> Take();

private:
    struct State;
    State *state_;
    bool ok_;
};

}  // namespace test
}  // namespace brenvik

#endif  // _WIN32
#endif  // BRENVIK_TESTS_SUPPORT_WIN32_DEBUG_CAPTURE_H
