// The results header through the quantitation engine, bound for the call.
#include "reportmakers/results_header.h"

#include <cstring>

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

int32_t CompoundStepCount(const void* h) { return CountOfMask(h, kMaskCompounds); }
int32_t UnidentifiedStepCount(const void* h) { return CountOfMask(h, kMaskUnidentified); }

}  // namespace kelt::reports

BOOL RPTS_ReadResults(const char* dataFile, void* header) {
  if (!dataFile || !header || !dataFile[0]) return FALSE;
  try {
    kelt::EngineBinding engine;
    auto open = engine.Find<kelt::engine::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
    auto read = engine.Find<kelt::engine::ReadTolResultsFn>("ReadTolResults");
    if (!open || !read) return FALSE;
    HSECTION results = open(dataFile, nullptr);
    if (!results) return FALSE;
    uint8_t h[kelt::reports::kResultsHeaderSize];
    const BOOL ok = read(results, reinterpret_cast<STRUCT_RESULTS_HEADER*>(h));
    CloseSection(results);
    if (!ok || kelt::reports::FieldAt<int16_t>(h, kelt::reports::header::kVersion) != 4) return FALSE;
    std::memcpy(header, h, sizeof h);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

int16_t RPTS_HasRequestedResults(const void* header, uint16_t kindMask, int16_t any, int16_t compounds,
                                 int16_t unidentified) {
  if (!header) return 0;
  using namespace kelt::reports;
  const int32_t a = CountOfMask(header, uint16_t(kindMask & kMaskCompounds));
  const int32_t b = CountOfMask(header, uint16_t(kindMask & kMaskUnidentified));
  return ((any && (a || b)) || (compounds && a) || (unidentified && b)) ? 1 : 0;
}
