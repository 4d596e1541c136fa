#include "platform/headless/objects.h"

#include <map>

namespace headless {
namespace {

struct Table {
    std::map<uintptr_t, std::unique_ptr<Object>> objects;
    // Handle values start above the range that small integers and window handles use, and step
    // by 4 as real handles do.
    uintptr_t next = 0x40000;
};

Table& table() {
    static Table t;
    return t;
}

}  // namespace

uintptr_t addObject(std::unique_ptr<Object> object) {
    Table& t = table();
    const uintptr_t handle = t.next;
    t.next += 4;
    t.objects.emplace(handle, std::move(object));
    return handle;
}

Object* findObject(const void* handle, ObjectKind kind) {
    Table& t = table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it != t.objects.end() && it->second->kind == kind ? it->second.get() : nullptr;
}

bool removeObject(const void* handle) {
    return table().objects.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

size_t countObjects(ObjectKind kind) {
    size_t n = 0;
    for (const auto& entry : table().objects) n += entry.second->kind == kind;
    return n;
}

}  // namespace headless
