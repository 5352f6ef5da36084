// The process's handle table.
#include <cstdint>
#include <map>
#include <mutex>

#include "kernel_object.h"
#include "win_kernel.h"

namespace win {
namespace {

std::mutex g_mutex;
std::map<uintptr_t, std::shared_ptr<KernelObject>> g_objects;
uintptr_t g_next = 0x100;

}  // namespace

KernelObject::~KernelObject() = default;

HANDLE HandleTable::Add(std::shared_ptr<KernelObject> object) {
  std::lock_guard<std::mutex> lock(g_mutex);
  // Multiples of 4 like the original's, skipping the reserved values.
  uintptr_t value;
  do {
    value = g_next;
    g_next += 4;
    if (g_next > 0x3FFFFFFC) g_next = 0x100;
  } while (g_objects.count(value));
  g_objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::Get(HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == g_objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> HandleTable::Remove(HANDLE handle) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_objects.find(reinterpret_cast<uintptr_t>(handle));
  if (it == g_objects.end()) return nullptr;
  auto object = std::move(it->second);
  g_objects.erase(it);
  return object;
}

}  // namespace win

BOOL CloseHandle(HANDLE handle) {
  auto object = win::HandleTable::Get(handle);
  if (!object || !object->ClosedByCloseHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  win::HandleTable::Remove(handle);
  return TRUE;
}
