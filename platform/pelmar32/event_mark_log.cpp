// The event-mark log: one section per module of a data file.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pelmar32/pelmar32.h"

namespace {

constexpr char kMagic[4] = {'E', 'M', 'L', '1'};
constexpr uint32_t kHeadSize = 8;

bool TagNumber(const char* tag, uint16_t* number) {
  if (!tag || !*tag) return false;
  uint32_t n = 0;
  for (const char* s = tag; *s; ++s) {
    if (*s < '0' || *s > '9') return false;
    n = n * 10 + static_cast<uint32_t>(*s - '0');
    if (n > 0xFFFF) return false;
  }
  *number = static_cast<uint16_t>(n);
  return true;
}

// The step count of a log whose head and size agree, else -1.
int32_t CheckedCount(HSECTION log) {
  if (!log) return -1;
  const uint32_t size = GetSectionSize(log);
  if (size == 0xFFFFFFFFu || size < kHeadSize) return -1;
  char head[kHeadSize];
  if (SeekSection(log, 0, 0) != 0 || ReadSection(log, head, kHeadSize) != kHeadSize) return -1;
  if (std::memcmp(head, kMagic, 4) != 0) return -1;
  uint32_t count;
  std::memcpy(&count, head + 4, 4);
  if (count > 0x7FFFFFFFu / sizeof(EVENT_MARK_LOG_STEP)) return -1;
  if (uint64_t{kHeadSize} + uint64_t{count} * sizeof(EVENT_MARK_LOG_STEP) != size) return -1;
  return static_cast<int32_t>(count);
}

}  // namespace

PELMAR_API BOOL BuildEventMarkLogName(char* name, uint16_t moduleId, uint16_t moduleAddress, const char* tag) {
  uint16_t number = 0;
  if (!name || !TagNumber(tag, &number)) return FALSE;
  std::snprintf(name, 64, "%s.%04X.%04X.%04X", EVENT_MARK_LOG_STEM, moduleId, moduleAddress, number);
  return TRUE;
}

PELMAR_API HSECTION OpenEventMarkLogReadOnly(const void* workFile, uint16_t moduleId, uint16_t moduleAddress,
                                             const char* tag) {
  if (!workFile) return nullptr;
  const char* given = static_cast<const char*>(workFile);
  const size_t length = strnlen(given, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path(given, length);
  char name[64];
  if (!BuildEventMarkLogName(name, moduleId, moduleAddress, tag)) return nullptr;
  return OpenSectionReadOnly(path.c_str(), name, nullptr);
}

PELMAR_API int32_t CountEventMarkLogSteps(HSECTION log) { return CheckedCount(log); }

PELMAR_API BOOL ReadEventMarkLogStep(HSECTION log, int32_t first, void* buffer, int32_t count) {
  const int32_t total = CheckedCount(log);
  if (!buffer || total < 0 || first < 0 || count <= 0 || first > total || count > total - first) return FALSE;
  const uint32_t bytes = static_cast<uint32_t>(count) * sizeof(EVENT_MARK_LOG_STEP);
  const uint32_t at = kHeadSize + static_cast<uint32_t>(first) * sizeof(EVENT_MARK_LOG_STEP);
  if (SeekSection(log, static_cast<int32_t>(at), 0) != at) return FALSE;
  return ReadSection(log, buffer, bytes) == bytes ? TRUE : FALSE;
}

PELMAR_API BOOL WriteEventMarkLog(const char* path, uint16_t moduleId, uint16_t moduleAddress, const char* tag,
                                  const EVENT_MARK_LOG_STEP* steps, int32_t count) {
  char name[64];
  if (!path || count < 0 || (count > 0 && !steps) || !BuildEventMarkLogName(name, moduleId, moduleAddress, tag))
    return FALSE;
  std::vector<char> bytes(kHeadSize + static_cast<size_t>(count) * sizeof(EVENT_MARK_LOG_STEP));
  std::memcpy(bytes.data(), kMagic, 4);
  const uint32_t n = static_cast<uint32_t>(count);
  std::memcpy(bytes.data() + 4, &n, 4);
  if (count > 0) std::memcpy(bytes.data() + kHeadSize, steps, static_cast<size_t>(count) * sizeof(EVENT_MARK_LOG_STEP));
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return FALSE;
  const bool written = WriteSection(s, bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size();
  // The section is committed whole when it closes, or not at all.
  return CloseSection(s) && written ? TRUE : FALSE;
}
