// The backend's handles: files, searches and registry keys. A handle is the
// address of an object the backend owns, and every call checks it against
// the table of live handles before using it, so that a stale or made-up
// value is refused with ERROR_INVALID_HANDLE instead of being followed.
#ifndef BRENVIK_PLATFORM_POSIX_HANDLES_H
#define BRENVIK_PLATFORM_POSIX_HANDLES_H

#include <cstddef>
#include <memory>

namespace brenvik {
namespace platform {
namespace posix {

enum class HandleKind { kFile, kFind, kKey };

class HandleObject {
public:
    explicit HandleObject(HandleKind kind) : kind_(kind) {}
    virtual ~HandleObject() = default;
    HandleKind kind() const { return kind_; }

private:
    HandleKind kind_;
};

// Enters object into the table; its address is the handle.
void *RegisterHandle(std::shared_ptr<HandleObject> object);

// The live object of that kind behind handle; null when there is none. The
// object stays alive while the caller holds it, even if another thread
// closes the handle meanwhile.
std::shared_ptr<HandleObject> LookupHandle(const void *handle, HandleKind kind);

// Takes the object out of the table; null when handle is not a live handle
// of that kind.
std::shared_ptr<HandleObject> UnregisterHandle(const void *handle, HandleKind kind);

// How many handles of that kind are live (for tests and leak checks).
std::size_t LiveHandles(HandleKind kind);

template <typename T>
std::shared_ptr<T> LookupAs(const void *handle, HandleKind kind)
{
    return std::static_pointer_cast<T>(LookupHandle(handle, kind));
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik

#endif  // BRENVIK_PLATFORM_POSIX_HANDLES_H
