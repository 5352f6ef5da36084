// libFuzzer target over the records a host hands to the preference sheets:
// a chromatogram and a spectra record taken from the input, each sheet
// run with every page shown once, then OK. Nothing faults, and the field
// lists given back hold only counts and indexes their vocabularies have.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/preference_records.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheets.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"

namespace {

void VisitAllAndOk() {
  win::script::OnNextDialog([](HWND sheet) {
    const size_t n = win::script::SheetTabs(sheet).size();
    for (size_t i = 0; i < n; ++i) win::script::PickSheetPage(sheet, static_cast<int>(i));
    win::script::PressButton(sheet, IDOK);
  });
}

void CheckList(int16_t count, const int16_t* items, int capacity, size_t vocabulary, const char* what) {
  fuzz::Check(count >= 0 && count <= capacity, what);
  for (int i = 0; i < count; ++i) fuzz::Check(items[i] >= 0 && static_cast<size_t>(items[i]) < vocabulary, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  win::script::ResetLogs();
  // Range questions of the fields are answered with their defaults.
  STRUCT_CHRO_PREFS chro{};
  STRUCT_SPTS_PREFS spts{};
  KELT_ResetDefChroPrefs(&chro);
  KELT_ResetDefSptsPrefs(&spts);
  std::memcpy(&chro, data, std::min(size, sizeof chro));
  if (size > sizeof chro) std::memcpy(&spts, data + sizeof chro, std::min(size - sizeof chro, sizeof spts));
  const int16_t mode = size ? static_cast<int16_t>(data[0] % 7) : 0;

  VisitAllAndOk();
  if (Dlg_EditChroPlotPreferences(nullptr, &chro, 1, 0, nullptr, mode) == 1 && mode != 2 && mode != 3 && mode != 4 &&
      mode != 5) {
    using namespace prefsheets;
    CheckList(chro.resultAnnotations.itemCount, chro.resultAnnotations.items, 10, DHFields().size(), "DH fields");
    CheckList(chro.amdisAnnotations.itemCount1, chro.amdisAnnotations.items1, 11, AMDISComponentFields().size(),
              "AMDIS component fields");
    CheckList(chro.amdisAnnotations.itemCount2, chro.amdisAnnotations.items2, 12, AMDISIdentifiedFields().size(),
              "AMDIS identified fields");
    CheckList(chro.tchroAnnotations.itemCount, chro.tchroAnnotations.items, 8, TLFields().size(), "TL fields");
    CheckList(chro.titles.itemCount, chro.titles.items, 8, ChroTitleFields().size(), "title fields");
  }
  // Mode 3 leaves the title page out (old titles), and its lists as they came.
  const uint16_t sptsMode = static_cast<uint16_t>(mode % 3);
  VisitAllAndOk();
  if (Dlg_EditSpectraPreferences(nullptr, &spts, 1, 0, nullptr, sptsMode) == 1)
    for (const STRUCT_SPTS_TITLE_LIST& l : spts.titles.lists)
      CheckList(l.count, l.items, 10, prefsheets::SptsTitleFields().size(), "spectra title fields");
  win::script::PumpUntilIdle();
  return 0;
}
