// Item sections: the time events of a module, 10-byte items back to back
// in a plain section, so that the section store's own handles serve too.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dh_store.h"
#include "holbrin.h"

namespace {

constexpr uint32_t kItem = sizeof(DH_TIME_EVENT);
constexpr char kTimeEvents[] = "TimeEvents";

// Item count of a section, -1 when it cannot be one of ours.
int32_t ItemCount(HSECTION section) {
  if (!section || holbrin::Lookup(section)) return -1;  // a table handle is no item section
  uint32_t size = GetSectionSize(section);
  if (size == 0xFFFFFFFFu || size % kItem != 0 || size / kItem > 32767) return -1;
  return int32_t(size / kItem);
}

bool ReadAll(HSECTION section, std::vector<DH_TIME_EVENT>& items) {
  int32_t n = ItemCount(section);
  if (n < 0) return false;
  items.resize(size_t(n));
  if (n == 0) return true;
  return SeekSection(section, 0, 0) == 0 &&
         ReadSection(section, items.data(), uint32_t(n) * kItem) == uint32_t(n) * kItem;
}

}  // namespace

HOLBRIN_API HSECTION OpenDHSection(const char* path, uint16_t id, uint16_t address, const char* tag) {
  std::string name = holbrin::BuiltName(kTimeEvents, id, address, tag);
  if (name.empty() || !path) return nullptr;
  HSECTION s = OpenSectionReadOnly(path, name.c_str(), nullptr);
  if (s && ItemCount(s) < 0) {  // damaged
    CloseSection(s);
    return nullptr;
  }
  return s;
}

HOLBRIN_API HSECTION OpenDHSectionForUpdate(const char* path, uint16_t id, uint16_t address,
                                            const char* tag) {
  std::string name = holbrin::BuiltName(kTimeEvents, id, address, tag);
  if (name.empty() || !path) return nullptr;
  HSECTION s = OpenSection(path, name.c_str(), nullptr);
  if (s && ItemCount(s) < 0) {
    CloseSection(s);
    return nullptr;
  }
  return s;
}

HOLBRIN_API HSECTION CreateDHSection(const char* path, uint16_t id, uint16_t address, const char* tag) {
  std::string name = holbrin::BuiltName(kTimeEvents, id, address, tag);
  if (name.empty() || !path) return nullptr;
  return CreateSection(path, name.c_str(), nullptr);
}

HOLBRIN_API int16_t CountDHItems(HSECTION section) { return int16_t(ItemCount(section)); }

HOLBRIN_API BOOL ReadDHItem(HSECTION section, int16_t index, void* items, int16_t count) {
  int32_t n = ItemCount(section);
  if (n < 0 || !items || index < 0 || count < 1 || int32_t(index) + count > n) return FALSE;
  uint32_t at = uint32_t(index) * kItem, bytes = uint32_t(count) * kItem;
  return SeekSection(section, int32_t(at), 0) == at && ReadSection(section, items, bytes) == bytes;
}

HOLBRIN_API BOOL WriteDHItem(HSECTION section, int16_t index, const void* items, int16_t count) {
  int32_t n = ItemCount(section);
  if (n < 0 || !items || index < 0 || count < 1 || index > n || int32_t(index) + count > 32767)
    return FALSE;
  uint32_t at = uint32_t(index) * kItem, bytes = uint32_t(count) * kItem;
  return SeekSection(section, int32_t(at), 0) == at && WriteSection(section, items, bytes) == bytes;
}

HOLBRIN_API BOOL SortDHItems(HSECTION section, int32_t* changed) {
  std::vector<DH_TIME_EVENT> items;
  if (!ReadAll(section, items)) return FALSE;
  auto before = [](const DH_TIME_EVENT& a, const DH_TIME_EVENT& b) { return a.time < b.time; };
  bool sorted = std::is_sorted(items.begin(), items.end(), before);
  if (!sorted) {
    std::stable_sort(items.begin(), items.end(), before);
    uint32_t bytes = uint32_t(items.size()) * kItem;
    if (SeekSection(section, 0, 0) != 0 || WriteSection(section, items.data(), bytes) != bytes)
      return FALSE;
  }
  if (changed) *changed = sorted ? 0 : 1;
  return TRUE;
}

HOLBRIN_API BOOL FinishDHSection(HSECTION section, int32_t) {
  int32_t changed = 0;
  return SortDHItems(section, &changed);
}

HOLBRIN_API BOOL PrepareDHFile(const char* path) {
  if (!path || !*path) return FALSE;
  uint16_t format = 0;
  if (GetSectionFileType(path, &format) >= 0) return TRUE;
  return CreateSectionFileAtPath(path, 777, 0, 0);
}
