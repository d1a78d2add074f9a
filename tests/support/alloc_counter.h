// Counts heap allocations, for tests that check a path does not allocate. Link
// tests/support/alloc/alloc_counter.cpp in, with "LINKER:--wrap=malloc,--wrap=calloc,
// --wrap=realloc" (ELF only): it wraps the C allocator as the objects linked see
// it, and replaces operator new with one that calls the wrapped malloc.
#ifndef BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H
#define BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H

namespace brenvik {
namespace test {

// Counts the allocations made by the calling thread while it lives.
class CountAllocations {
public:
    CountAllocations();
    ~CountAllocations();
    CountAllocations(const CountAllocations &) = delete;
    CountAllocations &operator=(const CountAllocations &) = delete;
    long count() const;

private:
    long start_;
};

}  // namespace test
}  // namespace brenvik

#endif  // BRENVIK_TESTS_SUPPORT_ALLOC_COUNTER_H
