// The overlay plot control's context menu as a user meets it: a right click
// on a compound of the first plot, a new label typed there through the
// "Edit Label" dialog, then the plots shown overlaid, and the menu of the
// overlaid display. The menus offered are printed; the result is saved as
// a PNG of the window's surface.
#include <cstdio>
#include <string>

#include "host/picture_checks.h"
#include "host/sample_overlay.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/spectrum_managers.h"
#include "win/win_paths.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr UINT kOverlaidPlots = 2746;  // the display-type command "Overlaid Plots"

void PrintMenu(const char* what) {
  const auto log = win::script::MenuLog();
  if (log.empty()) return;
  std::printf("  context menu %s:\n", what);
  for (const auto& item : log.back().items) {
    const std::string indent(4 + 2 * static_cast<size_t>(item.depth), ' ');
    if (item.separator)
      std::printf("%s----\n", indent.c_str());
    else
      std::printf("%s%s%s%s\n", indent.c_str(), item.text.c_str(), item.popup ? " >" : "",
                  item.checked ? "  (checked)" : "");
  }
  const UINT chosen = log.back().chosen;
  if (!chosen) return;
  std::string text;
  for (const auto& item : log.back().items)
    if (!item.popup && !item.separator && item.id == chosen) text = item.text;
  std::printf("    chosen: \"%s\" (command %u)\n", text.c_str(), chosen);
}

bool Run(HWND window, HWND control, CCtlOPlot* c, SVW_OVERLAY* o, const sample_overlay::Files& f);

}  // namespace

// Returns false when the label or the overlaid display did not come about.
bool ContextMenuDemo(HWND window, HWND control, SVW_OVERLAY* o, const sample_overlay::Files& f) {
  auto* c = static_cast<CCtlOPlot*>(GetPropA(control, CCtlOPlot::kPropertyName));
  const auto& compounds = f.truth.run.compounds;
  if (!c || compounds.size() < 3) return false;
  // A data-review host: a spectra manager attached, the whole run on view.
  CDataReviewManager manager(nullptr, nullptr, 0);
  manager.SetPlotInfo(window, control);
  SendMessageA(control, OPM_SETDATAREVIEWMANAGER, 1, reinterpret_cast<LPARAM>(&manager));
  SendMessageA(control, OPM_ENABLEHIDEDELETE, 1, 0);
  OPLOT_UpdateOverlayPlots(o, o->tail.homeStart, o->tail.homeEnd);
  OVERLAY_SCALE_BLOCK& s = o->tail.scales;
  s.commonLow = s.commonHigh = s.rightLow = s.rightHigh = 0;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) s.plotLow[i] = s.plotHigh[i] = 0;
  SendMessageA(control, OPM_NEWTIMERANGE, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  const bool ok = Run(window, control, c, o, f);
  // The manager goes before the control: detach it first.
  SendMessageA(control, OPM_SETDATAREVIEWMANAGER, 0, 0);
  return ok;
}

namespace {

bool Run(HWND window, HWND control, CCtlOPlot* c, SVW_OVERLAY* o, const sample_overlay::Files& f) {
  const auto& compounds = f.truth.run.compounds;
  if (!c->m_bSizesValid) return false;

  // The compound's apex on the first plot's band.
  const auto a = c->GetPlotArea();
  const double apex = compounds[2].retentionTime;
  const int x = a.left + static_cast<int>((apex - o->tail.viewStart) / (o->tail.viewEnd - o->tail.viewStart) *
                                          c->m_Sizes.plotWidth);
  int top = 0, height = 0, y = -1;
  for (int yy = a.top; yy <= a.bottom && y < 0; ++yy)
    if (c->StackedBandAt(yy, &top, &height) == 0) y = top + height / 4;
  if (y < 0) return false;

  std::printf("\nContext menu of the overlay plot control:\n");
  win::script::OnNextDialog([&](HWND dialog) {
    char text[64];
    std::snprintf(text, sizeof text, "Compound 3 at %.2f min", apex);
    win::script::SetField(dialog, 1001, text);
    win::script::PressButton(dialog, IDOK);
  });
  win::script::ChooseNextMenuText("New Label for Plot 1...");
  win::script::Click(control, x, y, win::script::Button::Right);
  win::script::PumpUntilIdle();
  PrintMenu("on plot 1 (stacked)");
  const bool labelled = c->m_pLabels && c->m_pLabels->GetLabelCount() > 0;
  std::printf("  a label typed at %.3f min on plot 1: %s\n", c->m_rightClickTime, labelled ? "placed" : "missing");

  // The plots overlaid, by the display-type command the menus of the
  // special controls and the toolbar send; a control without that command
  // is told the display type by message.
  SendMessageA(control, WM_COMMAND, kOverlaidPlots, 0);
  win::script::PumpUntilIdle();
  if (o->head.displayMode != OVERLAY_MODE_OVERLAID) {
    const int16_t type = OVERLAY_MODE_OVERLAID;
    SendMessageA(control, OPM_NEWPLOTTYPE, 0, reinterpret_cast<LPARAM>(&type));
  }
  win::script::PumpUntilIdle();
  std::printf("  display: %s\n", o->head.displayMode == OVERLAY_MODE_OVERLAID ? "overlaid" : "not overlaid");

  // The window's picture is taken while the menu is open over the plots.
  const char* path = "C:\\Workstation\\Plots\\control-context-menu.png";
  bool saved = false;
  win::script::PumpUntilIdle();
  win::script::WhileNextMenuShown([&] { saved = win::script::SaveWindowPng(window, path); });
  win::script::DismissNextMenu();
  const auto b = c->GetPlotArea();
  POINT at{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  win::script::Click(control, at.x, at.y, win::script::Button::Right);
  PrintMenu("on the overlaid plots");
  if (saved) std::printf("  %s (%s)\n", path, win::paths::ToHost(path).c_str());
  // The menu stands in the picture at the click, on the menu's face colour.
  RECT frame{};
  GetWindowRect(window, &frame);
  ClientToScreen(control, &at);
  const int mx = at.x - frame.left, my = at.y - frame.top;
  saved = saved && picture_checks::Holds(path, "the context menu", mx + 8, my + 8, mx + 80, my + 60,
                                         GetSysColor(COLOR_MENU), 2000);
  win::script::PumpUntilIdle();
  return saved && labelled && o->head.displayMode == OVERLAY_MODE_OVERLAID;
}

}  // namespace
