// libFuzzer target over what the quick integration window takes from
// outside: the stored parameter record of a detector in "tolview3.ini"
// (any length) and the 108-byte settings block a plot control hands over.
// A record is taken only when every value lies in its field's range, and
// nothing is read past what was given.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/quick_integration_params.h"
#include "testing/fuzz_support.h"
#include "win/win_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size > 256) return 0;
  WritePrivateProfileStructA("QuickIntParamsHeader23", "Params", data, static_cast<UINT>(size),
                             kelt::lib::PreferencesIniPath());
  STRUCT_QUICK_INT_PARAMS r{};
  r.peakWidthTenths = 40;
  if (kelt::quickint::ReadParams(QUICK_INT_PARAMS_SECTION, 23, &r)) {
    fuzz::Check(size == sizeof r, "a record of the wrong length was taken");
    fuzz::Check(kelt::quickint::ParamsInRange(r), "a record out of range was taken");
    fuzz::Check(std::isfinite(r.peakSizeReject), "a reject that is no number was taken");
  } else {
    fuzz::Check(r.peakWidthTenths == 40, "a refused record changed the parameters");
  }
  return 0;
}

// Seeds: the default record, a damaged one and a short one.
extern "C" int KeltFuzzSeeds(const char* folder) {
  STRUCT_QUICK_INT_PARAMS r{};
  r.peakWidthTenths = 40;
  r.slopeSensitivity = 20;
  r.tangentPercent = 10;
  r.peakSizeReject = 2000.0;
  fuzz::WriteBytes(std::string(folder) + "/default", reinterpret_cast<const uint8_t*>(&r), sizeof r);
  r.peakWidthTenths = 0;
  fuzz::WriteBytes(std::string(folder) + "/zero-width", reinterpret_cast<const uint8_t*>(&r), sizeof r);
  fuzz::WriteBytes(std::string(folder) + "/short", reinterpret_cast<const uint8_t*>(&r), 10);
  return 0;
}
