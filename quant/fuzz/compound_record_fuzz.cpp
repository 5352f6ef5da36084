// libFuzzer target over what a method file hands the compound integration:
// the input's first 4,793 bytes are a compound record (zero-padded), the
// rest the bytes of its temporary time-event table. The record's events go
// through the window clipping into a table and the one-compound method,
// the table comes back into a record, the force-window test, window
// limits, the stored reference spectrum and the flag letters read it.
// Nothing faults; a record never receives more than ten events, and no
// output is written past its end.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "quant/compound_integration.h"
#include "quant/compound_method.h"
#include "quant/peak_flags.h"
#include "quant/peak_measurement.h"
#include "reportmakers/spectra_of_compounds.h"
#include "spectra/spectrum_record.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"
#include "win/win_kernel.h"

namespace {

const char kPath[] = "C:\\FUZZ\\sample.kms";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  CreateDirectoryA("C:\\TEMP", nullptr);
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  std::memcpy(&c, data, std::min(size, sizeof c));
  const uint8_t* rest = size > sizeof c ? data + sizeof c : nullptr;
  const size_t restSize = size > sizeof c ? size - sizeof c : 0;

  DH_TIME_EVENT item;
  MORVEX_IsForceOrGroupCmpd(&c, double(c.retentionTime) / 1000.0, &item);
  CMPD_WINDOW_LIMITS limits;
  MORVEX_GetCmpdWindowLimits(&c, &limits);

  win::facts::RemoveFile(kPath);
  CreateSectionFileAtPath(kPath, 777, 0, 1);
  MORVEX_AddTempTESection(kPath, 1, 1, &c);
  char name[64];
  BuildDHSectionName(name, "TimeEvents", 1, 1, TEMP_TIME_EVENT_TAG);
  if (HSECTION s = CreateSection(kPath, name, nullptr)) {
    if (restSize) WriteSection(s, rest, uint32_t(restSize));
    CloseSection(s);
  }
  STRUCT_DH_COMPOUND back = c;
  if (MORVEX_WrapCopyTESectionToCmpdTE(kPath, name, &back))
    fuzz::Check(back.timeEventCount >= 0 && back.timeEventCount <= 10, "more than ten events read back");

  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  char method[MAX_PATH] = {};
  CreateCompoundMethod(&g, &c, method, 1, 1, "1");
  if (method[0]) DeleteFileA(method);

  std::vector<uint8_t> filtered(1370 + 16, 0xCD);
  STRUCT_DH_COMPOUND copy = c;
  GetFilteredRefSpect(copy.referenceSpectrum, 100, filtered.data());
  for (size_t k = 1370; k < filtered.size(); ++k) fuzz::Check(filtered[k] == 0xCD, "written past a spectrum");
  if (STRUCT_SPT_PLUS* spt = KELT_MakeSptFromPeakMatrixRecord(&c)) PlusSpt_Free(spt);

  STRUCT_RESULT_STEP step;
  std::memset(&step, 0, sizeof step);
  std::memcpy(&step.resultFlags, &c, sizeof step.resultFlags);
  step.peakFlag = 'U';
  std::memset(step.name, 'x', sizeof step.name - 1);
  MakeStepLetters(&step, c.flags, int16_t(c.internalStandard));
  fuzz::Check(std::memchr(step.flagText, 0, sizeof step.flagText) != nullptr, "letters without an end");
  return 0;
}

// Seeds: a compound with events of every kind and a table of items.
extern "C" int KeltFuzzSeeds(const char* folder) {
  STRUCT_DH_COMPOUND c;
  std::memset(&c, 0, sizeof c);
  c.retentionTime = 5000;
  c.windowHalfWidth = 200;
  c.secondWindowHalfWidth = 500;
  c.peakWidth = 30;
  std::memcpy(c.name, "Toluene", 7);
  c.timeEventCount = 10;
  for (int i = 0; i < 10; ++i) {
    const DH_TIME_EVENT e{47000 + 600 * i, int16_t(i), 48000 + 700 * i};
    std::memcpy(&c.timeEvents[i], &e, sizeof e);
  }
  std::string bytes(reinterpret_cast<const char*>(&c), sizeof c);
  for (int i = 0; i < 12; ++i) {
    const DH_TIME_EVENT e{49000 + 100 * i, int16_t(i % 3), 7 + i};
    bytes.append(reinterpret_cast<const char*>(&e), sizeof e);
  }
  fuzz::WriteBytes(std::string(folder) + "/compound-with-events", reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size());
  fuzz::WriteBytes(std::string(folder) + "/short-record", reinterpret_cast<const uint8_t*>(bytes.data()), 100);
  return 0;
}
