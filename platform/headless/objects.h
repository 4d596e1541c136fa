#pragma once
// The handle table of the headless stand-in: every GDI object lives here under a non-zero handle
// value. Internal to platform/headless; tests use inspect.h.

#include <cstdint>
#include <memory>

namespace headless {

enum class ObjectKind { Bitmap, Dc, Region, Brush };

struct Object {
    explicit Object(ObjectKind kind) : kind(kind) {}
    virtual ~Object() = default;
    const ObjectKind kind;
    bool stock = false;  // made by the system itself; never deleted, never counted as live
};

// Stores the object and returns its new handle value (never 0, never reused in a run).
uintptr_t addObject(std::unique_ptr<Object> object);
// The object of a handle, or null when the handle is unknown or of another kind.
Object* findObject(const void* handle, ObjectKind kind);
template <typename T>
T* find(const void* handle) {
    return static_cast<T*>(findObject(handle, T::Kind));
}
// Removes and destroys the object; false when the handle is unknown.
bool removeObject(const void* handle);

template <typename H>
H toHandle(uintptr_t value) {
    return reinterpret_cast<H>(value);
}

}  // namespace headless
