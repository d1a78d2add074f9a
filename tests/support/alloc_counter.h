// Counts heap allocations for tests that check a path does not allocate.
// Link tests/support/alloc/alloc_counter.cpp into the test executable and
// link it with "LINKER:--wrap=malloc,--wrap=calloc,--wrap=realloc" (ELF
// only): it replaces the global operator new and wraps the C allocator as
// seen from the library's objects.
#ifndef BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H
#define BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H

namespace brenvik {
namespace test {

struct AllocCounts {
    long news = 0;     // operator new, every form
    long mallocs = 0;  // malloc, calloc and realloc calls made by wrapped objects
    long total() const { return news + mallocs; }
};

// Counts the allocations made by the calling thread while it lives.
class CountAllocations {
public:
    CountAllocations();
    ~CountAllocations();
    CountAllocations(const CountAllocations &) = delete;
    CountAllocations &operator=(const CountAllocations &) = delete;

    AllocCounts counts() const;

private:
    AllocCounts start_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H
