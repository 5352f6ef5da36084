// Listings of a file's section names: by stem (0-based indexes) and whole
// section lists walked by position (1..n). Closed with CloseSection.
#include <cstring>
#include <string>
#include <vector>

#include "handle_registry.h"
#include "orvik32.h"
#include "section_store.h"

namespace orvik {
namespace {

class Listing : public Handle {
 public:
  Listing(std::vector<std::string> names, bool byPosition)
      : names_(std::move(names)), byPosition_(byPosition) {}
  int32_t Count() const { return static_cast<int32_t>(names_.size()); }
  // The name at a caller's index, or null when the index is out of range.
  const std::string* At(int32_t index) const {
    const int64_t i = byPosition_ ? static_cast<int64_t>(index) - 1 : index;
    if (i < 0 || i >= static_cast<int64_t>(names_.size())) return nullptr;
    return &names_[static_cast<size_t>(i)];
  }

 private:
  std::vector<std::string> names_;
  bool byPosition_;
};

bool StartsWithNoCase(const std::string& name, const std::string& stem) {
  if (name.size() < stem.size()) return false;
  for (size_t i = 0; i < stem.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(name[i]);
    unsigned char b = static_cast<unsigned char>(stem[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// All names, sorted without regard to case; false when the file is no
// readable sectioned file.
bool ListNames(const char* path, const std::string& stem, std::vector<std::string>* names) {
  if (!path) return false;
  ConnPtr c = Connect(path);
  if (!c) return false;
  Query q(c.get(), "SELECT name FROM sections ORDER BY name");
  if (!q.ok()) return false;
  int rc;
  while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
    std::string name = text ? text : "";
    if (StartsWithNoCase(name, stem)) names->push_back(std::move(name));
  }
  return rc == SQLITE_DONE;
}

HSECTION MakeListing(const char* path, const std::string& stem, bool byPosition) {
  std::vector<std::string> names;
  if (!ListNames(path, stem, &names)) return nullptr;
  return AddHandle(std::make_shared<Listing>(std::move(names), byPosition));
}

}  // namespace
}  // namespace orvik

using namespace orvik;

HSECTION FindSectionsByStem(const char* path, const char* stem) {
  try {
    return MakeListing(path, stem ? stem : "", false);
  } catch (...) {
    return nullptr;
  }
}

HSECTION OpenSectionList(const char* path, void*) {
  try {
    return MakeListing(path, "", true);
  } catch (...) {
    return nullptr;
  }
}

int32_t CountSectionMatches(HSECTION listing) {
  auto l = FindHandle<Listing>(listing);
  return l ? l->Count() : 0;
}

int32_t NextSectionListEntry(HSECTION listing, int32_t previous) {
  auto l = FindHandle<Listing>(listing);
  if (!l || previous < 0 || previous >= l->Count()) return 0;
  return previous + 1;
}

BOOL GetSectionMatchName(HSECTION listing, int32_t index, char* buffer, int32_t size) {
  auto l = FindHandle<Listing>(listing);
  if (!l || !buffer || size <= 0) return FALSE;
  const std::string* name = l->At(index);
  if (!name) return FALSE;
  const size_t n = name->size() < static_cast<size_t>(size - 1) ? name->size() : size - 1;
  std::memcpy(buffer, name->data(), n);
  buffer[n] = 0;
  return TRUE;
}
