// The overlay plot control as a user sees it: a 1,000 x 600 window showing
// the sample overlay, then scrolled and zoomed through the control's
// messages, each state saved as a PNG of the window's surface.
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/sample_overlay.h"
#include "overlayctl/overlay_plot_control.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

struct OverlayFree {
  void operator()(SVW_OVERLAY* o) const {
    OPLOT_ClearOverlayStructure(o);
    FreeBlock(o);
  }
};

bool Save(HWND window, const char* path) {
  win::script::PumpUntilIdle();
  if (!win::script::SaveWindowPng(window, path)) {
    std::fprintf(stderr, "kelt_host: cannot save %s\n", path);
    return false;
  }
  std::printf("  %s (%s)\n", path, win::paths::ToHost(path).c_str());
  return true;
}

// The host owns the overlay: it moves the displayed range and tells the
// control. Zooming, it lets every plot fit its new window: scales left unset
// are filled by the control.
void ShowRange(HWND control, SVW_OVERLAY* o, double start, double end) {
  OPLOT_UpdateOverlayPlots(o, start, end);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  s.commonLow = s.commonHigh = s.rightLow = s.rightHigh = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) s.plotLow[i] = s.plotHigh[i] = 0;
  SendMessageA(control, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
}

// The control prints itself onto a Letter page (32767 logical units to 8
// inches), in a box below a margin, with the page's small font selected.
bool PrintPage(HWND control, const char* path) {
  HDC dc = sample_overlay::StartLetterPage(path, "Overlay plot control");
  if (!dc) return false;
  LOGFONTA lf{};
  lf.lfHeight = -360;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirectA(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  CDC page;
  page.Attach(dc);
  STRUCT_OPLOT_PRINT_PLOT record{};
  record.dc = &page;
  record.left = 1500;
  record.top = 2500;
  record.right = 31300;
  record.bottom = 26000;
  record.charWidth = 220;
  record.charHeight = 360;
  record.markers = 1;
  const bool drawn = SendMessageA(control, OPM_PRINTPLOT, 0, reinterpret_cast<LPARAM>(&record)) == 1 && record.drawn;
  page.Detach();
  SelectObject(dc, old);
  DeleteObject(font);
  const bool ok = sample_overlay::EndLetterPage(dc, drawn);
  if (ok) std::printf("  printed: %s (%s)\n", path, win::paths::ToHost(path).c_str());
  return ok;
}

}  // namespace

int OverlayWindowDemo() {
  sample_overlay::Files f;
  if (!sample_overlay::MakeFiles(kFolder, &f)) {
    std::fprintf(stderr, "kelt_host: cannot make the sample runs in %s\n", kFolder);
    return 1;
  }
  std::unique_ptr<SVW_OVERLAY, OverlayFree> o(static_cast<SVW_OVERLAY*>(AllocBlock(sizeof(SVW_OVERLAY))));
  if (!o || !sample_overlay::Fill(o.get(), f, OVERLAY_MODE_STACKED)) return 1;

  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  wc.lpszClassName = "KeltHostPlotWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Overlay", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 600,
                                nullptr, nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(window, &client);
  HWND control = CreateWindowExA(0, "KELT_OP", "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, client.bottom, window,
                                 reinterpret_cast<HMENU>(intptr_t{7}), nullptr, nullptr);
  if (!control) {
    std::fprintf(stderr, "kelt_host: the overlay plot control could not be created\n");
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nOverlay plot control in a 1000 x 600 window:\n");
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  bool ok = Save(window, "C:\\Workstation\\Plots\\control-full.png");

  const double start = o->tail.homeStart, end = o->tail.homeEnd, span = end - start;
  // Zoom to a quarter of the run, then scroll right by a page (half that
  // window) with the control's scroll bar: the control asks for the range,
  // the host reads the request back and answers with the data.
  ShowRange(control, o.get(), start + 0.25 * span, start + 0.5 * span);
  win::script::PumpUntilIdle();
  HWND bar = GetDlgItem(control, OPLOT_ID_HSCROLL);
  SendMessageA(control, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(bar));
  SendMessageA(control, WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
  double pending[3] = {};
  if (SendMessageA(control, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending))) {
    std::printf("  scrolled to %.3f - %.3f min\n", pending[0], pending[1]);
    ShowRange(control, o.get(), pending[0], pending[1]);
  }
  ok = Save(window, "C:\\Workstation\\Plots\\control-zoomed.png") && ok;
  if (!PrintPage(control, "C:\\Workstation\\Plots\\control-printed.pdf")) {
    std::fprintf(stderr, "kelt_host: the overlay plot control could not print its page\n");
    ok = false;
  }

  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
