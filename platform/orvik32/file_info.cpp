// File information: numbered facts a data file's writer records (point
// count 0x5A, file type 0x42, module 4 ...) kept in the file's own table.
#include <map>

#include "handle_registry.h"
#include "orvik32.h"
#include "section_store.h"
#include "win/win_file_facts.h"

namespace orvik {
namespace {

class FileInfoHandle : public Handle {
 public:
  std::map<int32_t, int64_t> fields;
  int64_t Get(int32_t id) const {
    auto it = fields.find(id);
    return it == fields.end() ? 0 : it->second;
  }
};

BOOL SetField(const char* path, int32_t fieldId, int64_t value) {
  if (!path || !*path || win::facts::IsWriteProtected(path)) return FALSE;
  ConnPtr c = Connect(path);
  if (!c) return FALSE;
  Query q(c.get(),
          "INSERT INTO file_info(field, value) VALUES(?1, ?2)"
          " ON CONFLICT(field) DO UPDATE SET value = excluded.value");
  q.Int(1, fieldId).Int(2, value);
  return q.Done() ? TRUE : FALSE;
}

}  // namespace
}  // namespace orvik

using namespace orvik;

// The kind is not used: every kind sees the same facts.
HSECTION OpenFileInfo(const char* path, int32_t) {
  try {
    if (!path) return nullptr;
    ConnPtr c = Connect(path);
    if (!c) return nullptr;
    auto h = std::make_shared<FileInfoHandle>();
    Query q(c.get(), "SELECT field, value FROM file_info");
    if (!q.ok()) return nullptr;
    int rc;
    while ((rc = sqlite3_step(q.get())) == SQLITE_ROW) {
      h->fields[sqlite3_column_int(q.get(), 0)] = sqlite3_column_int64(q.get(), 1);
    }
    if (rc != SQLITE_DONE) return nullptr;
    return AddHandle(std::move(h));
  } catch (...) {
    return nullptr;
  }
}

int32_t GetFileInfoLong(HSECTION handle, int32_t, int32_t fieldId) {
  auto h = FindHandle<FileInfoHandle>(handle);
  return h ? static_cast<int32_t>(h->Get(fieldId)) : 0;
}

int16_t GetFileInfoShort(HSECTION handle, int32_t, int32_t fieldId) {
  auto h = FindHandle<FileInfoHandle>(handle);
  return h ? static_cast<int16_t>(h->Get(fieldId)) : 0;
}

void CloseFileInfo(HSECTION handle) {
  if (FindHandle<FileInfoHandle>(handle)) TakeHandle(handle);
}

BOOL SetFileInfoLong(const char* path, int32_t fieldId, int32_t value) {
  try {
    return SetField(path, fieldId, value);
  } catch (...) {
    return FALSE;
  }
}

BOOL SetFileInfoShort(const char* path, int32_t fieldId, int16_t value) {
  try {
    return SetField(path, fieldId, value);
  } catch (...) {
    return FALSE;
  }
}
