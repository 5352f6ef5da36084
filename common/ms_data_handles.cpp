// MS data handles kept per work file (a few, most recent first).
#include "common/ms_data_handles.h"

#include <cstring>
#include <list>
#include <mutex>

namespace kelt::msdata {
namespace {

constexpr size_t kKept = 4;

struct Entry {
  const STRUCT_WORK_FILE* record;
  uint16_t serial;
  char path[WORK_FILE_PATH_SIZE];
  HMSDATA handle;
  int users;
  bool forgotten;
};

std::mutex gMutex;
std::list<Entry>& Entries() {
  static std::list<Entry> entries;
  return entries;
}

bool Matches(const Entry& e, const STRUCT_WORK_FILE* wf) {
  return e.record == wf && e.serial == wf->serialNumber && !e.forgotten &&
         std::strncmp(e.path, wf->filePath, WORK_FILE_PATH_SIZE) == 0;
}

// Closes entries beyond the limit that nobody is using; the lock is held.
void Trim() {
  auto& entries = Entries();
  size_t kept = 0;
  for (auto it = entries.begin(); it != entries.end();) {
    const bool drop = (it->forgotten || ++kept > kKept) && it->users == 0;
    if (drop) {
      CloseMSData(it->handle);
      it = entries.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

void Keep(const STRUCT_WORK_FILE* wf, HMSDATA handle) {
  if (!wf || !handle) return;
  if (wf->live) {
    CloseMSData(handle);  // a growing file is read afresh every time
    return;
  }
  std::lock_guard<std::mutex> lock(gMutex);
  try {
    Entry e{wf, wf->serialNumber, {}, handle, 0, false};
    std::memcpy(e.path, wf->filePath, WORK_FILE_PATH_SIZE);
    Entries().push_front(e);
  } catch (...) {
    CloseMSData(handle);
    return;
  }
  Trim();
}

void Forget(const STRUCT_WORK_FILE* wf) {
  std::lock_guard<std::mutex> lock(gMutex);
  for (Entry& e : Entries()) {
    if (e.record == wf) e.forgotten = true;
  }
  Trim();
}

Access::Access(const STRUCT_WORK_FILE* wf) {
  if (!wf) return;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto& entries = Entries();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
      if (!Matches(*it, wf)) continue;
      ++it->users;
      handle_ = it->handle;
      entries.splice(entries.begin(), entries, it);
      return;
    }
  }
  handle_ = OpenMSData(wf, wf->centroid || wf->profile ? "MSData" : nullptr, 0);
  owned_ = true;
}

Access::~Access() {
  if (!handle_) return;
  if (owned_) {
    CloseMSData(handle_);
    return;
  }
  std::lock_guard<std::mutex> lock(gMutex);
  for (Entry& e : Entries()) {
    if (e.handle == handle_) --e.users;
  }
  Trim();
}

bool FindScan(HMSDATA h, const MS_SCAN_REQUEST& request, uint32_t* scan, double* time) {
  STRUCT_CHAN_LIST merged{};
  merged.kind = CHAN_LIST_MERGED;
  MS_SCAN_HEADER header{};
  const double t = FindMSScan(h, &request, &merged, &header);
  if (t == 0.0) return false;
  *scan = header.scanNumber;
  *time = t;
  return true;
}

}  // namespace kelt::msdata
