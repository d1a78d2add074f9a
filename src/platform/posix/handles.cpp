#include "platform/posix/handles.h"

#include <mutex>
#include <unordered_map>
#include <utility>

namespace brenvik {
namespace platform {
namespace posix {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<const void *, std::shared_ptr<HandleObject>> objects;
};

Table &TheTable()
{
    static Table *table = new Table;  // outlives every static that might close a handle
    return *table;
}

}  // namespace

void *RegisterHandle(std::shared_ptr<HandleObject> object)
{
    void *handle = object.get();
    Table &t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.objects[handle] = std::move(object);
    return handle;
}

std::shared_ptr<HandleObject> LookupHandle(const void *handle, HandleKind kind)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->kind() != kind)
        return nullptr;
    return it->second;
}

std::shared_ptr<HandleObject> UnregisterHandle(const void *handle, HandleKind kind)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.objects.find(handle);
    if (it == t.objects.end() || it->second->kind() != kind)
        return nullptr;
    std::shared_ptr<HandleObject> object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

std::size_t LiveHandles(HandleKind kind)
{
    Table &t = TheTable();
    std::lock_guard<std::mutex> lock(t.mutex);
    std::size_t n = 0;
    for (const auto &entry : t.objects)
        if (entry.second->kind() == kind)
            ++n;
    return n;
}

}  // namespace posix
}  // namespace platform
}  // namespace brenvik
