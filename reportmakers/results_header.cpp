// The results header through the quantitation engine, bound for the call.
#include "reportmakers/results_header.h"

#include <cstring>
#include <string>

#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "reportmakers/report_format.h"
#include "common/report_records.h"

namespace kelt::reports {

// Step kinds as the engine stores them.
namespace {
constexpr uint16_t kMasks[6] = {kMaskIdentified, kMaskMissing, kMaskFailed, kMaskTIC, kMaskUnknown, kMaskDuplicate};
}  // namespace

uint16_t MaskOfKind(int32_t kind) { return kind >= 0 && kind < 6 ? kMasks[kind] : 0; }

int32_t CountOfKind(const void* h, int kind) {
  if (!h || kind < 0 || kind >= 6) return 0;
  const int16_t n = FieldAt<int16_t>(h, header::kCountOfKind[kind]);
  return n > 0 ? n : 0;
}

int32_t CountOfMask(const void* h, uint16_t mask) {
  int32_t n = 0;
  for (int k = 0; k < 6; ++k)
    if (mask & kMasks[k]) n += CountOfKind(h, k);
  return n;
}

namespace {
struct Held {
  std::string path;
  bool read = false;
  uint8_t header[kResultsHeaderSize] = {};
};
thread_local Held* t_held = nullptr;
}  // namespace

HeldResultsHeader::HeldResultsHeader(const char* path) {
  if (t_held || !path) return;  // an outer report holds one already
  auto* held = new Held;
  held->path = path;
  held->read = RPTS_ReadResults(path, held->header) != 0;
  t_held = held;
  owner_ = true;
}

HeldResultsHeader::~HeldResultsHeader() {
  // Only the holder that made it ends it.
  if (t_held && owner_) {
    delete t_held;
    t_held = nullptr;
  }
}

BOOL ReadResultsHeader(const char* path, void* header) {
  if (!path || !header) return FALSE;
  if (!t_held || t_held->path != path) return RPTS_ReadResults(path, header);
  if (t_held->read) std::memcpy(header, t_held->header, kResultsHeaderSize);
  return t_held->read ? TRUE : FALSE;
}

int32_t CompoundStepCount(const void* h) { return CountOfMask(h, kMaskCompounds); }
int32_t UnidentifiedStepCount(const void* h) { return CountOfMask(h, kMaskUnidentified); }

}  // namespace kelt::reports

int16_t RPTS_HasRequestedResults(const void* header, uint16_t kindMask, int16_t any, int16_t compounds,
                                 int16_t unidentified) {
  if (!header) return 0;
  using namespace kelt::reports;
  const int32_t a = CountOfMask(header, uint16_t(kindMask & kMaskCompounds));
  const int32_t b = CountOfMask(header, uint16_t(kindMask & kMaskUnidentified));
  return ((any && (a || b)) || (compounds && a) || (unidentified && b)) ? 1 : 0;
}
