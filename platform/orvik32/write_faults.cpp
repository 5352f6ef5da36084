// Injected write failures of the section store.
#include <mutex>

#include "orvik32/orvik32_faults.h"
#include "section_store.h"

namespace {
std::mutex g_mutex;
int32_t g_commitsLeft = -1;  // -1: no failure planned
int32_t g_failuresLeft = 0;  // -1: fail for good
int32_t g_dataFailuresLeft = 0;
}  // namespace

void FailSectionDataWrites(int32_t count) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_dataFailuresLeft = count > 0 ? count : 0;
}

void FailSectionWrites(int32_t commits, int32_t failures) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_commitsLeft = commits < 0 || failures == 0 ? -1 : commits;
  g_failuresLeft = failures;
}

void SetSectionPartSize(uint32_t bytes) { orvik::SetSectionPartSizeForTests(bytes); }

void LimitSectionFileSpace(int64_t bytes) { orvik::LimitFileSpaceForTests(bytes); }

namespace orvik {
bool DataWriteFails() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_dataFailuresLeft <= 0) return false;
  --g_dataFailuresLeft;
  return true;
}

bool WriteAllowed() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_commitsLeft < 0) return true;
  if (g_commitsLeft > 0) {
    --g_commitsLeft;
    return true;
  }
  if (g_failuresLeft > 0 && --g_failuresLeft == 0) g_commitsLeft = -1;
  return false;
}
}  // namespace orvik
