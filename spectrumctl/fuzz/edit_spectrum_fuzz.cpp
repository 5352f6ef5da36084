// libFuzzer target over what the Edit Spectrum dialog reads: its settings
// record in "tolview3.ini" (the first 16 bytes, written with a sound
// checksum so that its contents are what is tested) and the spectrum a
// caller hands in (the rest: pairs of 16-bit mass and 32-bit intensity).
// The dialog is run and edited; nothing faults, the values it shows are in
// their ranges and what it hands back holds its pairs in mass order.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/preference_records.h"
#include "fandor/empty_list_entries.h"
#include "orvik32/orvik32.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/edit_spectrum_dialog.h"
#include "testing/fuzz_support.h"
#include "win/win_profile.h"
#include "win/win_script.h"

namespace {

bool WriteSeed(const char* folder, const char* name, const void* data, size_t size) {
  const std::string path = std::string(folder) + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

unsigned long Number(HWND d, int id) { return std::strtoul(win::script::GetField(d, id).c_str(), nullptr, 10); }

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  uint8_t seed[16 + 6 * 5] = {};
  STRUCT_EDITSPT_SETTINGS s{100000, 10000, 50, 1, {}};
  std::memcpy(seed, &s, sizeof s);
  const uint16_t masses[5] = {41, 57, 71, 85, 142};
  const uint32_t values[5] = {1520, 23004, 8388607, 6411, 2911};
  for (int i = 0; i < 5; ++i) {
    std::memcpy(seed + 16 + i * 6, &masses[i], 2);
    std::memcpy(seed + 18 + i * 6, &values[i], 4);
  }
  bool ok = WriteSeed(folder, "sound.bin", seed, sizeof seed);
  s = STRUCT_EDITSPT_SETTINGS{0, 0, 0, 7, {0xFF, 0xFF}};
  std::memcpy(seed, &s, sizeof s);
  ok &= WriteSeed(folder, "damaged-settings.bin", seed, sizeof seed);
  ok &= WriteSeed(folder, "settings-only.bin", seed, 16);
  return ok ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  STRUCT_EDITSPT_SETTINGS settings{};
  std::memcpy(&settings, data, std::min(size, sizeof settings));
  const std::string ini = kelt::prefs::PreferencesIniPath();
  WritePrivateProfileStructA("EditSptHeader", "Params", &settings, sizeof settings, ini.c_str());

  // The handed-in spectrum: a list spectrum of the remaining bytes (at most 300 pairs).
  STRUCT_SPT_PLUS* source = nullptr;
  if (size > sizeof settings) {
    source = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
    PlusSpt_InitListSpt(source, NewListSpectrum(2));
    for (size_t at = sizeof settings; at + 6 <= size && at < sizeof settings + 6 * 300; at += 6) {
      uint16_t mass = 0;
      uint32_t value = 0;
      std::memcpy(&mass, data + at, 2);
      std::memcpy(&value, data + at + 2, 4);
      PlusSpt_AddMassInt(source, mass + (value % 1000) / 1000.0, value);
    }
    PlusSpt_UpdateBasePeak(source);
  }
  win::script::OnNextDialog([&](HWND d) {
    fuzz::Check(Number(d, ESD_KEEP_TOP_COUNT) >= 1, "keep-top at least 1");
    fuzz::Check(Number(d, ESD_KEEP_ABOVE_INTENSITY) >= 1, "keep-above at least 1");
    fuzz::Check(Number(d, ESD_SCALE_TO) >= 100, "scale-to at least 100");
    win::script::PressButton(d, size % 2 ? ESD_ORDER_ION : ESD_ORDER_INTENSITY);
    win::script::PressButton(d, ESD_KEEP_TOP);
    win::script::PressButton(d, ESD_KEEP_ABOVE);
    win::script::PressButton(d, ESD_SCALE);
    win::script::PickItem(d, ESD_LIST, 0);
    win::script::PressButton(d, ESD_DELETE);
    win::script::SetField(d, ESD_ION, std::to_string(size % 9000));
    win::script::SetField(d, ESD_INTENSITY, std::to_string(size * 977));
    win::script::PressButton(d, ESD_ADD);
    win::script::PressButton(d, ESD_SAVE);
  });
  STRUCT_SPT_PLUS* edited = Dlg_EditSpectrum(source);
  win::script::ResetLogs();
  if (edited) {
    fuzz::Check(PlusSpt_CheckLowMassOrder(edited) == 1, "pairs in mass order");
    fuzz::Check(PlusSpt_GetPairCount(edited) >= 0, "a pair count");
  }
  PlusSpt_Free(edited);
  PlusSpt_Free(source);
  STRUCT_EDITSPT_SETTINGS back{};
  if (GetPrivateProfileStructA("EditSptHeader", "Params", &back, sizeof back, ini.c_str()))
    fuzz::Check(back.keepTop >= 1 && back.keepAbove >= 1 && back.scaleTo >= 100 && back.orderByIon <= 1,
                "the settings written back are sound");
  return 0;
}
