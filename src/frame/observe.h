// A window on the module frame for the tests of the shared library. On ELF
// systems a program that defines and exports brenvik_observe_frame is told
// of each step of loading, unloading and reading the trace settings; in
// every other program the weak reference stays null and nothing happens.
#ifndef BRENVIK_FRAME_OBSERVE_H
#define BRENVIK_FRAME_OBSERVE_H

#if defined(__ELF__)
extern "C" __attribute__((weak, visibility("default"))) void brenvik_observe_frame(
    const char *event, unsigned long a, unsigned long b);

inline void ObserveFrame(const char *event, unsigned long a, unsigned long b)
{
    if (brenvik_observe_frame != nullptr)
        brenvik_observe_frame(event, a, b);
}
#else
inline void ObserveFrame(const char *, unsigned long, unsigned long)
{
}
#endif

#endif  // BRENVIK_FRAME_OBSERVE_H
