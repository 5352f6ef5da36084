// The overlay plot control as a user sees it: a 1,000 x 600 window showing
// the sample overlay, then scrolled and zoomed through the control's
// messages, each state saved as a PNG of the window's surface.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/demo_pictures.h"
#include "host/overlay_demo_window.h"
#include "host/picture_checks.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/wrapping_toolbar.h"
#include "spectra/spectrum_managers.h"
#include "win/win_gdi.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

// overlay_print_demo.cpp
bool PrintAllDemo(HWND control);
// overlay_menu_demo.cpp
bool ContextMenuDemo(HWND window, HWND control, SVW_OVERLAY* o, const sample_overlay::Files& f);
// overlay_linearity_demo.cpp
bool LinearityDemo(HWND control, const sample_overlay::Files& f);

namespace {

constexpr char kFolder[] = "C:\\Workstation\\Plots";

using sample_overlay::OverlayFree;

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

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

// The host window keeps the codes the control tells it, to answer them
// once the gesture is over, as a data-review program does.
std::vector<int>& Told() {
  static std::vector<int> codes;
  return codes;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == 7) {
    Told().push_back(HIWORD(wParam));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Answers what the control told: a zoom shows the pending range, a click
// on a plot has the control make the spectrum at the clicked time, a new
// spectrum is reported.
void Answer(HWND control, SVW_OVERLAY* o, CDataReviewManager* manager) {
  win::script::PumpUntilIdle();
  while (!Told().empty()) {
    const int code = Told().front();
    Told().erase(Told().begin());
    if (code == 1) {
      double pending[3] = {};
      if (SendMessageA(control, OPM_GETTIMERANGE, 0, reinterpret_cast<LPARAM>(pending))) {
        std::printf("  zoomed by the mouse to %.3f - %.3f min\n", pending[0], pending[1]);
        ShowRange(control, o, pending[0], pending[1]);
      }
    } else if (code >= 100 && code < 120) {
      SendMessageA(control, OPM_NOTIFICATIONSTOSELF, static_cast<WPARAM>(code), 0);
    } else if (code == 8) {
      STRUCT_NEW_SPT_INFO info{};
      if (SendMessageA(control, OPM_GETNEWSPECTRUMINFORMATION, 0, reinterpret_cast<LPARAM>(&info)) && info.spt &&
          info.spt->tolSpt) {
        const STRUCT_TOL_SPT& t = *info.spt->tolSpt;
        std::printf("  spectrum %d%c at %.3f min (scans %u-%u, %d averaged, %u masses) from plot %d, %d held\n",
                    info.control + 1, 'A' + info.spectrum, t.header.time, t.firstScan, t.lastScan, t.scansAveraged,
                    t.pairCount, info.slot, manager->GetSpectraCount());
      }
    }
    win::script::PumpUntilIdle();
  }
}

// A data review on the control: drag a box around a compound to zoom to
// it, then click its apex; the spectrum there goes to the manager and its
// marker stands on the plot.
bool ClickDemo(HWND window, HWND control, SVW_OVERLAY* o, const sample_overlay::Files& f) {
  CDataReviewManager manager(nullptr, nullptr, 0);
  manager.SetPlotInfo(window, control);
  SendMessageA(control, OPM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(&manager));
  ShowRange(control, o, o->tail.homeStart, o->tail.homeEnd);
  win::script::PumpUntilIdle();
  auto* c = static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName));
  const auto& compounds = f.truth.run.compounds;
  if (!c || compounds.size() < 3 || !c->m_bSizesValid) return false;
  double apex = compounds[2].retentionTime;
  // The first plot's band.
  auto xOf = [&](double t) {
    const auto a = c->GetPlotArea();
    return a.left + static_cast<int>((t - o->tail.viewStart) / (o->tail.viewEnd - o->tail.viewStart) *
                                     c->m_Sizes.plotWidth);
  };
  auto band = [&](int* top, int* height) {
    const auto a = c->GetPlotArea();
    for (int y = a.top; y <= a.bottom; ++y)
      if (c->StackedBandAt(y, top, height) == 0) return true;
    return false;
  };
  int top = 0, height = 0;
  if (!band(&top, &height)) return false;
  Told().clear();
  win::script::Drag(control, {xOf(apex - 0.35), top + 2}, {xOf(apex + 0.45), top + height - 2});
  Answer(control, o, &manager);
  if (!band(&top, &height)) return false;
  // The apex: the highest point of the trace near the compound's time.
  const STRUCT_NE_DATA_POINTS* dp = o->slots[0].trace;
  double best = -1;
  for (uint32_t k = 0; dp && dp->points && k < dp->pointCount; ++k) {
    const double t = NePointAt(dp->points, k)->time, v = NePointValue(dp->points, k);
    if (std::fabs(t - compounds[2].retentionTime) < 0.05 && v > best) {
      best = v;
      apex = t;
    }
  }
  win::script::Click(control, xOf(apex) + 1, top + height / 2);
  Answer(control, o, &manager);
  const bool marked = c->m_SptMarkers[manager.GetActiveSptControlIndex()][manager.GetActiveSptPlotIndex()].set != 0;
  const bool ok = Save(window, "C:\\Workstation\\Plots\\control-clicked.png") && marked;
  // The manager goes before the control: detach it first.
  SendMessageA(control, OPM_SETDATAREVIEWMANAGER, 0, 0);
  return ok;
}

// The toolbar along the control's top: the pointer rests on a button until
// its tooltip shows; the window is saved with layout 0 and again with the
// data-review layout, whose drop-down arrows open the display menu.
bool ToolbarDemo(HWND window, HWND control) {
  auto* c = static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName));
  auto* frame = c ? static_cast<CWrapOPToolBar*>(c->m_pToolBar) : nullptr;
  if (!frame || !frame->ToolBar()) {
    std::fprintf(stderr, "kelt_host: the overlay plot control shows no toolbar\n");
    return false;
  }
  HWND bar = frame->ToolBar()->m_hWnd;
  const int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  std::printf("  toolbar layout %d, %d entries, %d pixels high; tooltips:\n", c->m_toolbarLayout, count,
              c->m_toolbarHeight);
  std::string shown;
  CToolTipCtrl* tips = frame->ToolTip();
  for (int i = 0; i < count; ++i) {
    TBBUTTON b{};
    SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    if (b.fsStyle & TBSTYLE_SEP) continue;
    RECT r{};
    SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    win::script::MouseMove(bar, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    win::script::AdvanceClock(600);
    shown = tips && tips->IsWindowVisible() ? win::script::Text(tips->m_hWnd) : "(none)";
    std::printf("    %d  %s\n", b.idCommand, shown.c_str());
  }
  // The pointer left on the last button: its tooltip stands over the plots.
  win::script::PumpUntilIdle();
  const char* toolbarPicture = "C:\\Workstation\\Plots\\control-toolbar.png";
  bool ok = tips && tips->IsWindowVisible() && win::script::SaveScreenPng(window, toolbarPicture) &&
            picture_checks::Holds(toolbarPicture, "a tooltip", 0, 0, 1 << 16, 1 << 16, GetSysColor(COLOR_INFOBK), 300);
  if (ok) std::printf("  %s (%s), with the tooltip \"%s\"\n", toolbarPicture, win::paths::ToHost(toolbarPicture).c_str(),
                      shown.c_str());
  else std::fprintf(stderr, "kelt_host: cannot save %s with a tooltip shown\n", toolbarPicture);
  // The data-review layout, with the display shown overlaid from its menu.
  c->m_toolbarLayout = 1;
  c->DestroyToolBar();
  c->CreateToolBar();
  c->SizeControls();
  win::script::ChooseNextMenuText("Overlaid");
  SendMessageA(control, WM_COMMAND, 2718, 0);
  c->UpdateToolBar();
  ok = Save(window, "C:\\Workstation\\Plots\\control-toolbar-review.png") && ok;
  // Back to the stacked display and the plain layout for the steps after.
  SendMessageA(control, WM_COMMAND, 2719, 0);
  c->m_toolbarLayout = 0;
  c->DestroyToolBar();
  c->CreateToolBar();
  c->SizeControls();
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

  HWND control = nullptr;
  HWND window = overlay_demo::MakeWindow("Overlay", 1000, 600, &control, "KELT_OP", 7, "KeltHostPlotWindow", HostProc);
  if (!control) {
    std::fprintf(stderr, "kelt_host: the overlay plot control could not be created\n");
    DestroyWindow(window);
    return 1;
  }
  std::printf("\nOverlay plot control in a 1000 x 600 window:\n");
  SendMessageA(control, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o.get()));
  bool ok = Save(window, "C:\\Workstation\\Plots\\control-full.png");
  ok = ToolbarDemo(window, control) && ok;

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
  ok = PrintAllDemo(control) && ok;

  if (!ClickDemo(window, control, o.get(), f)) {
    std::fprintf(stderr, "kelt_host: the click on the overlay plot control made no spectrum\n");
    ok = false;
  }

  if (!ContextMenuDemo(window, control, o.get(), f)) {
    std::fprintf(stderr, "kelt_host: the context menu of the overlay plot control did not label or overlay the plots\n");
    ok = false;
  }

  if (!LinearityDemo(control, f)) {
    std::fprintf(stderr, "kelt_host: the linearity report of the sample run was not printed\n");
    ok = false;
  }

  DestroyWindow(window);
  win::script::PumpUntilIdle();
  return ok ? 0 : 1;
}
