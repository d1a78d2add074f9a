#include "support/alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {

thread_local int t_depth = 0;
thread_local long t_count = 0;

void *Allocate(std::size_t n)
{
    void *p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

}  // namespace

extern "C" {
void *__real_malloc(std::size_t n);
void *__real_calloc(std::size_t n, std::size_t size);
void *__real_realloc(void *p, std::size_t n);
void *__wrap_malloc(std::size_t n)
{
    t_count += t_depth > 0;
    return __real_malloc(n);
}
void *__wrap_calloc(std::size_t n, std::size_t size)
{
    t_count += t_depth > 0;
    return __real_calloc(n, size);
}
void *__wrap_realloc(void *p, std::size_t n)
{
    t_count += t_depth > 0;
    return __real_realloc(p, n);
}
}

void *operator new(std::size_t n) { return Allocate(n); }
void *operator new[](std::size_t n) { return Allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept { return std::malloc(n + !n); }
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept { return std::malloc(n + !n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

namespace brenvik {
namespace test {

CountAllocations::CountAllocations() : start_(t_count)
{
    ++t_depth;
}

CountAllocations::~CountAllocations()
{
    --t_depth;
}

long CountAllocations::count() const
{
    return t_count - start_;
}

}  // namespace test
}  // namespace brenvik
