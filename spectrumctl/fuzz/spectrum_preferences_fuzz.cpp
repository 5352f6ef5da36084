// libFuzzer target over the spectrum control's preference records: the
// record a named control reads from "tolview3.ini" (written with a sound
// checksum, so that its contents are what is tested) and the exchange
// record a host hands in, with two spectra held, then a paint. Nothing
// faults, and whatever the records held the control's preferences are ones
// it can work with.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "orvik32/orvik32.h"
#include "spectra/tol_spectra.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_preferences.h"
#include "testing/fuzz_support.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

void CheckSettings(CCtlSpt* c) {
  STRUCT_SPTS_PREFS copy = c->m_prefs;
  fuzz::Check(!KELT_ValidateSptsPrefs(&copy), "the control's preferences are in range");
  fuzz::Check(c->m_pageMode >= SPT_PAGE_PLOT && c->m_pageMode <= SPT_PAGE_PICTURE_B, "page mode");
  fuzz::Check(c->m_keep == 0 || c->m_keep == 1, "keep flag");
  fuzz::Check(c->m_stored == 0 || c->m_stored == 1, "local flag");
  fuzz::Check((c->m_pToolBar != nullptr) == (c->m_showToolbar != 0), "toolbar as the setting says");
}

STRUCT_SPT_PLUS* Spectrum(uint32_t seed) {
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  for (int i = 0; i < 40 && tol; ++i)
    tol = TOL_AddToSpectrum(tol, 41.03 + i * 6.71 + (seed % 7) * 0.013, 300 + (i * 7919 + seed) % 50000);
  auto* s = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  PlusSpt_InitTolSpt(s, tol, nullptr);
  PlusSpt_UpdateBasePeak(s);
  return s;
}

bool WriteSeed(const char* folder, const char* name, const void* data, size_t size) {
  const std::string path = std::string(folder) + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  struct {
    STRUCT_CCSPT_KEPT_PREFS kept;
    STRUCT_CCSPT_LOCAL_PREFS local;
  } seed{};
  seed.kept.keep = seed.kept.stored = 1;
  KELT_ResetDefSptsPrefs(&seed.kept.prefs);
  seed.local.keep = 1;
  seed.local.prefs = seed.kept.prefs;
  seed.local.prefs.drawing.showDifference = 1;
  seed.local.prefs.features.showToolbar = 0;
  bool ok = WriteSeed(folder, "sound.bin", &seed, sizeof seed);
  seed.kept.stored = 0;
  ok &= WriteSeed(folder, "not-local.bin", &seed, sizeof seed);
  seed.kept.stored = 1;
  seed.kept.prefs.features.pageMode = 77;
  seed.local.prefs.profile.searchPoints = 4;
  ok &= WriteSeed(folder, "out-of-range.bin", &seed, sizeof seed);
  return ok ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "SptPrefsFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                           nullptr, nullptr, nullptr);
  }();
  STRUCT_CCSPT_KEPT_PREFS kept{};
  STRUCT_CCSPT_LOCAL_PREFS local{};
  std::memcpy(&kept, data, std::min(size, sizeof kept));
  if (size > sizeof kept) std::memcpy(&local, data + sizeof kept, std::min(size - sizeof kept, sizeof local));
  const std::string ini = kelt::prefs::PreferencesIniPath();
  WritePrivateProfileStructA("Fuzzed", "Params", &kept, sizeof kept, ini.c_str());

  HWND w = CreateWindowExA(0, "KELT_Spt", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 420, host, nullptr, nullptr, nullptr);
  auto* c = static_cast<CCtlSpt*>(CWnd::FromHandlePermanent(w));
  fuzz::Check(c != nullptr, "the control exists");
  STRUCT_SPT_PLUS* a = Spectrum(1);
  STRUCT_SPT_PLUS* b = Spectrum(2);
  STRUCT_CCSPT_SPT_PLUS_DATA r{};
  r.presentA = r.presentB = 1;
  r.sptA = a;
  r.sptB = b;
  SendMessageA(w, SPTM_SPTPLUSDATA, 0, reinterpret_cast<LPARAM>(&r));
  SendMessageA(w, SPTM_KEEPPREFERENCES, 1, reinterpret_cast<LPARAM>("Fuzzed"));
  CheckSettings(c);
  win::script::PumpUntilIdle();
  SendMessageA(w, SPTM_SETLOCALPREFERENCES, size % 2, reinterpret_cast<LPARAM>(&local));
  CheckSettings(c);
  STRUCT_CCSPT_LOCAL_PREFS back{};
  fuzz::Check(SendMessageA(w, SPTM_GETLOCALPREFERENCES, 0, reinterpret_cast<LPARAM>(&back)) == 1, "read back");
  fuzz::Check(std::memcmp(&back.prefs, &c->m_prefs, sizeof back.prefs) == 0, "the record read back");
  // What the control wrote back is a record it reads again as it is.
  STRUCT_CCSPT_KEPT_PREFS again{};
  if (GetPrivateProfileStructA("Fuzzed", "Params", &again, sizeof again, ini.c_str()) && again.stored) {
    STRUCT_SPTS_PREFS copy = again.prefs;
    fuzz::Check(!KELT_ValidateSptsPrefs(&copy) || std::memcmp(&kept, &again, sizeof kept) == 0,
                "a record written back is sound");
  }
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  PlusSpt_Free(a);
  PlusSpt_Free(b);
  return 0;
}
