// libFuzzer target over what a host hands the overlay control for its
// host features: the transient filter record (six 16-bit values) and the
// text typed into the ions box (the rest of the input, Enter pressed), then
// the hand-over of the descriptor the ions made and a paint. Nothing
// faults; the control's filter stays one the filtering can work with; a
// descriptor handed over is a whole block with a terminated title.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/plot_descriptors.h"
#include "dialogs/integration_dialogs.h"
#include "orvik32/orvik32.h"
#include "overlayctl/fuzz/fuzzed_control.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OPlotHostRecordsFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                           nullptr, nullptr, nullptr);
  }();
  int16_t filter[6] = {};
  std::memcpy(filter, data, std::min(size, sizeof filter));
  const std::string ions = size > sizeof filter ? std::string(reinterpret_cast<const char*>(data) + sizeof filter,
                                                              std::min<size_t>(size - sizeof filter, 400))
                                                : std::string();

  SVW_OVERLAY* o = nullptr;
  CCtlOPlot* c = nullptr;
  HWND w = fuzzed_control::Make(host, &o, &c);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));

  int16_t before[6];
  std::memcpy(before, c->m_filtering, sizeof before);
  SendMessageA(w, OPM_UPDATETRANSIENTFILTERING, 0, reinterpret_cast<LPARAM>(filter));
  const bool taken = std::memcmp(c->m_filtering, filter, sizeof filter) == 0;
  const bool kept = std::memcmp(c->m_filtering, before, sizeof before) == 0;
  fuzz::Check(taken || kept, "the filter is the host's or the earlier one");
  if (taken && !kept) fuzz::Check(KELT_CheckTransientFilter(c->m_filtering) == nullptr, "a taken filter holds");

  SendMessageA(w, OPM_TURNONEDITIONSFEATURE, 1, 0);
  HWND box = GetDlgItem(w, OPLOT_ID_EDIT_IONS);
  fuzz::Check(box != nullptr, "the ions box exists");
  SetWindowTextA(box, ions.c_str());
  SetFocus(box);
  win::script::PressKey(VK_RETURN);
  win::script::PumpUntilIdle();
  STRUCT_OPLOT_NEW_PD got{};
  if (SendMessageA(w, OPM_GETNEWPD, 0, reinterpret_cast<LPARAM>(&got))) {
    fuzz::Check(got.pd != nullptr, "a descriptor comes with the answer");
    fuzz::Check(GetBlockSize(got.pd) >= sizeof(STRUCT_PLOT_DESCRIPTOR), "the descriptor block is whole");
    fuzz::Check(strnlen(got.pd->name, sizeof got.pd->name) < sizeof got.pd->name, "the title is terminated");
    fuzz::Check(strnlen(got.dataFile, sizeof got.dataFile) < sizeof got.dataFile, "the data file is terminated");
    FreeBlock(got.pd);
  }
  InvalidateRect(w, nullptr, FALSE);
  win::script::PumpUntilIdle();
  DestroyWindow(w);
  win::script::PumpUntilIdle();
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
  return 0;
}

// Seeds: sound filters with ion lists, a filter out of range, ranges and junk.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto write = [&](const std::string& name, const int16_t (&f)[6], const std::string& text) {
    std::string bytes(reinterpret_cast<const char*>(f), sizeof f);
    bytes += text;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  write("filter-and-ions", {2, 0, 3, 1, 1, 2}, "91+105");
  write("no-filter-range", {0, 0, 1, 0, 0, 2}, "50-300");
  write("bad-filter", {9, -4, 0, 7, 3, 40}, "127.9, 128.1");
  write("junk-ions", {1, 1, 5, 0, 0, 20}, std::string("\x01\xff 9e999+-+,,", 13));
  return 0;
}
