// libFuzzer target over the print record a host hands the overlay control
// (WM_USER+24): every field after the context pointer comes from the input
// (plot box, character size, markers and strip switches, the strip box and
// whatever the host left in the sizes and scales), drawn onto a report
// page of a control with plots and its segment bar. Nothing faults, the
// print is closed afterwards and the page can still be ended.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/tests/synthetic_overlay.h"
#include "reportpages/page_maker.h"
#include "testing/fuzz_support.h"
#include "win/win_script.h"
#include "win/win_stdio.h"

namespace {

constexpr size_t kAfterContext = sizeof(STRUCT_OPLOT_PRINT_PLOT) - sizeof(CDC*);

struct Fields {
  int16_t left, bottom, right, top, charWidth, charHeight, markers, strip, stripLeft, stripBottom, stripRight,
      stripTop;
};

std::string Seed(const Fields& f) {
  std::string bytes(kAfterContext, '\0');
  std::memcpy(bytes.data(), &f, sizeof f);
  return bytes;
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  const Fields cases[] = {
      {500, 32267, 32267, 500, 180, 360, 1, 1, 500, 32267, 32267, 30000},  // a page's box with its strip
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},                                // an empty box
      {32267, 500, 500, 32267, -5, 32767, 1, 1, -32768, 32767, 32767, -32768},  // turned over, odd sizes
  };
  int n = 0;
  for (const Fields& f : cases) {
    const std::string path = std::string(folder) + "/seed-" + std::to_string(n++) + ".bin";
    std::ofstream(path, std::ios::binary) << Seed(f);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static HWND host = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "OPlotPrintFuzzHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                           nullptr, nullptr, nullptr);
  }();
  SVW_OVERLAY* o = static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY)));
  for (int s = 0; s < 2; ++s) {
    SyntheticTrace tr;
    for (int i = 0; i < 150; ++i) {
      tr.times.push_back(1.0 + i * 0.0213);
      tr.values.push_back(1500 + 40000 * (i == 60 + s * 20) + (i * 37 % 11));
    }
    tr.segments = {{1.0, 2.2}, {2.2, 4.2}};
    FillSyntheticSlot(o, s, tr, 0, 45000);
  }
  HWND w = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 420, host, nullptr, nullptr, nullptr);
  auto* c = static_cast<CCtlOPlot*>(GetPropA(w, CCtlOPlot::kPropertyName));
  fuzz::Check(c != nullptr, "the control exists");
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  SendMessageA(w, OPM_SHOWSEGMENTS, 1, 0);
  win::script::PumpUntilIdle();

  CMPage* page = MPM_InitMetaPageMaker(nullptr, 80, 60, 0);
  fuzz::Check(page && MPM_StartNewPage(page, 0), "a page to print on");
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = MPM_GetCMetaFileDC(page);
  std::memcpy(reinterpret_cast<uint8_t*>(&record) + sizeof(CDC*), data, std::min(size, kAfterContext));
  SendMessageA(w, OPM_PRINTPLOT, 0, reinterpret_cast<LPARAM>(&record));
  fuzz::Check(c->m_printJobOpen == 0, "the print is closed");
  for (void* tile : c->m_pTileTexts) fuzz::Check(tile == nullptr, "the tiled texts are freed");
  HGLOBAL bits = MPM_EndPage(page);
  fuzz::Check(bits != nullptr, "the page ends");
  GlobalFree(bits);
  MPM_FreeMetaPageMaker(page);

  DestroyWindow(w);
  win::script::PumpUntilIdle();
  OPLOT_ClearOverlayStructure(o);
  FreeBlock(o);
  return 0;
}
