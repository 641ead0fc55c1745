// Named mutexes: the kernel objects behind "only one copy runs".
//
// An object lives while a handle to it is open (or while "another copy",
// DeviceHoldMutex, holds it); creating one by a name that lives gives a new
// handle to the same object and ERROR_ALREADY_EXISTS.
#include "windowing.h"

namespace {

struct MutexObject {
    std::u16string name;  // empty: unnamed
    int openHandles;
    int ownedCount;  // recursive ownership by this thread
    bool heldElsewhere;
};

struct MutexHandle {
    size_t object;
    bool open;
};

std::vector<MutexObject> objects;
std::vector<MutexHandle> handles;

// Mutex handles: 0x6D000000 + 4 * index, apart from files' and windows' and
// above the GDI objects' 0x40000000-0x5FFFFFFF, so a mutex handle is never
// also a live bitmap, font or DC.
const uintptr_t firstMutexHandle = 0x6D000000;

bool Lives(const MutexObject &object) { return object.openHandles > 0 || object.heldElsewhere; }

MutexObject *FindLiving(const std::u16string &name) {
    for (MutexObject &object : objects)
        if (!object.name.empty() && object.name == name && Lives(object)) return &object;
    return nullptr;
}

MutexHandle *FindHandle(HANDLE handle) {
    size_t index = 0;
    if (!SlotOfHandleValue(handle, firstMutexHandle, &index)) return nullptr;
    return index < handles.size() && handles[index].open ? &handles[index] : nullptr;
}

HANDLE OpenHandle(size_t object) {
    handles.push_back({object, true});
    objects[object].openHandles++;
    return (HANDLE)HandleOfSlot(firstMutexHandle, handles.size() - 1);
}

}  // namespace

void ResetMutexes() {
    objects.clear();
    handles.clear();
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    std::u16string key = name ? std::u16string(name) : std::u16string();
    if (MutexObject *existing = key.empty() ? nullptr : FindLiving(key)) {
        HANDLE handle = OpenHandle((size_t)(existing - objects.data()));
        DeviceSetLastError(ERROR_ALREADY_EXISTS);
        return handle;
    }
    objects.push_back({key, 0, initialOwner ? 1 : 0, false});
    HANDLE handle = OpenHandle(objects.size() - 1);
    DeviceSetLastError(ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
    MutexHandle *handle = FindHandle(mutex);
    if (!handle) {
        DeviceSetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    MutexObject &object = objects[handle->object];
    if (object.ownedCount == 0) {
        DeviceSetLastError(288);  // not the owner
        return FALSE;
    }
    object.ownedCount--;
    return TRUE;
}

bool DeviceCloseKernelHandle(HANDLE mutex) {
    MutexHandle *handle = FindHandle(mutex);
    if (!handle) return false;
    handle->open = false;
    MutexObject &object = objects[handle->object];
    object.openHandles--;
    if (object.openHandles == 0)
        object.ownedCount = 0;  // the last handle gone: an owner that remains is abandoned
    return true;
}

void DeviceHoldMutex(const std::u16string &name) {
    if (MutexObject *existing = FindLiving(name)) {
        existing->heldElsewhere = true;
        return;
    }
    objects.push_back({name, 0, 0, true});
}

bool DeviceMutexHeld(const std::u16string &name) { return FindLiving(name) != nullptr; }

void DeviceProcessEnded() {
    for (MutexHandle &handle : handles)
        if (handle.open)
            DeviceCloseKernelHandle(
                (HANDLE)HandleOfSlot(firstMutexHandle, (size_t)(&handle - handles.data())));
}
