// Process-wide objects of the backend that other statics may use while they
// are being destroyed, in whatever order the loader runs the destructors.
// The object lives in static storage and its destructor never runs, so it
// stays usable to the end; whatever it holds on the heap is given back by a
// release step at unload (see the users), so that unloading the library
// leaves nothing behind.
#ifndef BRENVIK_PLATFORM_POSIX_NEVER_DESTROYED_H
#define BRENVIK_PLATFORM_POSIX_NEVER_DESTROYED_H

#include <new>
#include <type_traits>
#include <utility>

namespace brenvik {
namespace platform {
namespace posix {

// Use as a function-local static: static NeverDestroyed<T> object;
template <typename T>
class NeverDestroyed {
public:
    template <typename... Args>
    explicit NeverDestroyed(Args &&...args)
    {
        ::new (static_cast<void *>(storage_)) T(std::forward<Args>(args)...);
    }
    NeverDestroyed(const NeverDestroyed &) = delete;
    NeverDestroyed &operator=(const NeverDestroyed &) = delete;

    T &get() { return *std::launder(reinterpret_cast<T *>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

static_assert(std::is_trivially_destructible<NeverDestroyed<int>>::value,
              "no destructor is registered for the storage");

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_NEVER_DESTROYED_H
