// The overlay control's context menu: built afresh at each right press from
// the place under the cursor and the state of the control, tracked at the
// cursor, and the commands that belong to it alone (scales of one plot,
// hiding and showing plots, the searches and exports of one plot's scan,
// quick integration).
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/number_format.h"
#include "dialogs/plot_range_dialogs.h"
#include "overlayctl/overlay_plot_control.h"
#include "spectra/segment_checks.h"
#include "spectra/spectrum_managers.h"

namespace {

// Command ids of the menu and of the toolbar commands it offers.
enum : UINT {
  kPrintAll = 2800,
  kDeleteLabel = 2801,
  kEditLabel = 2802,
  kChroPrefs = 2803,
  kNewLabel = 2806,
  kSelectReference = 2811,
  kUnselectReference = 2812,
  kSaveUserDescriptor = 2815,
  kPaneToClipboard = 2816,
  kPaneToPicture = 2817,
  kDeleteUserAll = 2818,
  kDeleteNoiseAll = 2819,
  kDeleteAreaAll = 2820,
  kDeleteAllAll = 2821,
  kIntegrateAll = 2822,
  kGeneralPrefs = 2823,
  kReportPrefs = 2824,
  kShowAll = 2825,
  kPrintReview = 2827,
  kStacked = 2745,
  kOverlaid = 2746,
  kNormalized = 2747,
  kShowAllPlots = 2737,  // the toolbar's show-all command
  kEditScales = 2900,
  kHide = 2920,
  kShow = 2940,
  kPrintPlot = 2960,
  kSignalToNoise = 2980,
  kTextFile = 3000,
  kDeleteUser = 3020,
  kLibrarySearch = 3040,
  kTargetListSearch = 3060,
  kExportScan = 3080,
  kListSearch = 3120,
  kAmdis = 3140,
  kAmdisSecond = 3160,
  kDeleteArea = 3220,
  kIntegratePlot = 3240,
  kDeleteNoise = 3300,
  kDeleteAll = 3320,
};

// The first help context of the data-review navigation row, whose controls
// are taken in the row's order.
constexpr uint32_t kNavigationHelp = 6970;
constexpr int kNavigationIds[] = {103, 104, 102, 105, 106, 110, 108, 109, 107, 111, 112};

bool InRange(UINT id, UINT base) { return id >= base && id < base + OPLOT_SLOTS; }

// Data kinds in their order of precedence.
enum DataKind { kNoKind, kMsFirst, kMsSecond, kThird };
DataKind KindOf(const STRUCT_WORK_FILE* wf) {
  if (!wf) return kNoKind;
  if (wf->directHeader) return kMsFirst;
  if (wf->profile) return kMsSecond;
  if (wf->centroid) return kThird;
  return kNoKind;
}

std::string PlotText(const char* format, int slot) {
  char text[96];
  std::snprintf(text, sizeof text, format, slot + 1);
  return text;
}

// Appends items, a separator going before a group only when an earlier
// group added something.
struct MenuBuilder {
  CMenu& menu;
  bool any = false;
  bool started = false;
  void Group() { started = false; }
  void Separate() {
    if (started) return;
    if (any) menu.AppendMenu(MF_SEPARATOR);
    started = any = true;
  }
  void Item(UINT id, const std::string& text, bool checked = false) {
    Separate();
    menu.AppendMenu(MF_STRING | (checked ? MF_CHECKED : 0u), id, text.c_str());
  }
  // A pop-up made by fill; left out when it cannot be made or stays empty.
  template <class Fill>
  void Popup(CMenu& parent, const std::string& text, Fill fill) {
    CMenu sub;
    if (!sub.CreatePopupMenu()) return;
    fill(sub);
    if (sub.GetMenuItemCount() == 0) return;
    if (&parent == &menu) Separate();
    parent.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), text.c_str());
  }
};

}  // namespace

void CCtlOPlot::OnRButtonDown(UINT, CPoint point) {
  SetFocus();
  OnEscapeTracking(0, 0);
  if (m_giveParentRightClick) {
    m_rightClickPending = 1;
    m_rightClickX = point.x;
    m_rightClickY = point.y;
    PostNotification(5, OPLOT_ROUTE_PARENT);
    return;
  }
  POINT screen{};
  GetCursorPos(&screen);
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  // Below the drawing area the navigation row answers with its help topics.
  if (m_bSizesValid && point.y >= m_plotTop + m_plotHeight) {
    for (size_t k = 0; k < std::size(kNavigationIds); ++k) {
      HWND child = ::GetDlgItem(m_hWnd, kNavigationIds[k]);
      RECT r{};
      if (!child || !::IsWindowVisible(child) || !::GetWindowRect(child, &r)) continue;
      POINT tl{r.left, r.top}, br{r.right, r.bottom};
      ::ScreenToClient(m_hWnd, &tl);
      ::ScreenToClient(m_hWnd, &br);
      if (point.x >= tl.x && point.x < br.x && point.y >= tl.y && point.y < br.y) {
        KELT_ShowHelpTopic(kNavigationHelp + static_cast<uint32_t>(k), 8);
        return;
      }
    }
  }

  m_noFileAcquiring = 1;
  if (m_pOverlay)
    for (int i = 0; i < OPLOT_SLOTS; ++i)
      if (m_pOverlay->tail.attached[i] && m_pOverlay->slots[i].workFile && m_pOverlay->slots[i].workFile->live)
        m_noFileAcquiring = 0;
  // The pending click: what the menu commands act on; the flag stays as it was.
  m_rightClickX = point.x;
  m_rightClickY = point.y;
  m_rightClickSlot = -1;
  double t = 0, v = 0;
  short slot = -1;
  if (GetTimeFromXPixel(static_cast<short>(point.x), &t, 0) &&
      GetValueFromYPixel(static_cast<short>(point.y), &slot, &v, 0)) {
    m_rightClickTime = t;
    m_rightClickValue = v;
    m_rightClickSlot = m_pOverlay->head.displayMode == OVERLAY_MODE_STACKED ? slot : OPLOT_SLOTS;
  }
  ClearClickMarker();

  m_pMenu = new (std::nothrow) CMenu;
  if (!m_pMenu || !m_pMenu->CreatePopupMenu()) return;
  CMenu& menu = *m_pMenu;
  short label = -1, type = 0;
  if (m_bSizesValid && m_rightClickSlot != -1 && m_pLabels && m_pLabels->CanUseRBDown(point, &label, &type)) {
    m_rightClickedLabel = label;
    menu.AppendMenu(MF_STRING, kDeleteLabel, "Delete Label");
    // Only user labels have properties to edit.
    if (type == LABEL_TYPE_USER) {
      menu.AppendMenu(MF_SEPARATOR);
      menu.AppendMenu(MF_STRING, kEditLabel, "Properties...");
    }
  } else {
    BuildContextMenu(menu);
  }
  if (menu.GetMenuItemCount() > 0) menu.TrackPopupMenu(TPM_RIGHTBUTTON, screen.x, screen.y, this);
}

void CCtlOPlot::BuildContextMenu(CMenu& menu) {
  MenuBuilder b{menu};
  SVW_OVERLAY* o = m_pOverlay;
  const short click = m_rightClickSlot;
  const bool onPlots = click != -1;
  const bool valid = m_bSizesValid != 0;
  const int layout = m_toolbarLayout;
  const bool reviewLayout = layout == 1 || layout == 4;
  const int kind = m_controlKind;
  auto* drm = static_cast<CDataReviewManager*>(m_pDataReview);

  // The menu's plot: the one under the cursor, else the active one.
  int plot = OverlaySlotIndex(click) ? click : GetActivePlotIndex();
  const STRUCT_WORK_FILE* wf = o && OverlaySlotIndex(plot) ? o->slots[plot].workFile : nullptr;
  const DataKind dataKind = KindOf(wf);
  const bool acquiring = wf && wf->live;
  const bool amdisExport = wf && wf->amdis;
  bool inSegment = false;
  if (wf && dataKind != kNoKind && o->slots[plot].trace && o->slots[plot].trace->pointCount > 0)
    inSegment = KELT_CheckPlotInSegmentByTime(o->slots[plot].trace, m_rightClickTime) != 0;
  const bool hasPlot = OverlaySlotIndex(plot);

  // 1. Spectra at the clicked time.
  b.Group();
  if (valid && drm && onPlots && reviewLayout && dataKind != kNoKind && inSegment && hasPlot) {
    b.Item(kLibrarySearch + plot, "Library Search Spectrum");
    int holding = 0, firstFree = -1;
    for (int16_t k = 0; k < OPLOT_SPT_WINDOWS; ++k) {
      const bool held = drm->HaveSpectrum(k, 0) || drm->HaveSpectrum(k, 1);
      holding += held;
      if (!held && firstFree < 0) firstFree = k;
    }
    if (holding < OPLOT_SPT_WINDOWS) b.Item(OPLOT_CMD_SPECTRUM_A0 + firstFree, "New Spectrum Window");
    if (holding > 0)
      b.Popup(menu, "Update Spectrum Plot", [&](CMenu& sub) {
        for (int16_t k = 0; k < OPLOT_SPT_WINDOWS; ++k) {
          if (!(drm->HaveSpectrum(k, 0) || drm->HaveSpectrum(k, 1))) continue;
          const std::string a = std::to_string(k + 1) + "A", bb = std::to_string(k + 1) + "B";
          sub.AppendMenu(MF_STRING, OPLOT_CMD_SPECTRUM_A0 + k, a.c_str());
          sub.AppendMenu(MF_STRING, OPLOT_CMD_SPECTRUM_A0 + 4 + k, bb.c_str());
        }
      });
    if (layout == 4) b.Item(kExportScan + plot, "Export Spectrum...");
  }

  // 2. The reference file.
  b.Group();
  if ((kind == 1 || kind == 2) && m_referenceSelection && reviewLayout && onPlots && hasPlot) {
    if (o->slots[plot].reference)
      b.Item(kUnselectReference, PlotText("Unselect As Reference File (Plot %d)", plot));
    else
      b.Item(kSelectReference, PlotText("Select As Reference File (Plot %d)", plot));
    if (KELT_GetIsQUIB5() && (dataKind == kMsFirst || dataKind == kMsSecond) && !acquiring)
      b.Item(kSaveUserDescriptor, PlotText("Save As User Descriptor (Plot %d)", plot));
  }

  // 3. Display types of the derived kinds 3 and 4.
  b.Group();
  if (kind == 3 || kind == 4) {
    const int mode = o ? o->head.displayMode : -1;
    b.Item(kStacked, "Stacked Plots", mode == OVERLAY_MODE_STACKED);
    b.Item(kOverlaid, "Overlaid Plots", mode == OVERLAY_MODE_OVERLAID);
    b.Item(kNormalized, "Normalized Plots", mode == OVERLAY_MODE_NORMALISED);
  }

  // 4. Signal to noise and integration.
  b.Group();
  if (kind != 3 && kind != 4 && valid && drm && reviewLayout && hasPlot) {
    const bool markerHere = m_newSptSet && m_newSptSlot == plot;
    if ((inSegment || markerHere) && dataKind != kThird)
      b.Item(kSignalToNoise + plot, PlotText("Calculate S/N (Plot %d)", plot));
    int integrable = 0;
    for (int i = 0; o && i < OPLOT_SLOTS; ++i) {
      const STRUCT_WORK_FILE* f = o->tail.attached[i] ? o->slots[i].workFile : nullptr;
      if (f && KindOf(f) == kMsFirst && !f->live) ++integrable;
    }
    const bool one = inSegment && dataKind == kMsFirst && !acquiring;
    if (one || integrable >= 2)
      b.Popup(menu, "Integrate", [&](CMenu& sub) {
        if (one) sub.AppendMenu(MF_STRING, kIntegratePlot + plot, PlotText("Plot %d", plot).c_str());
        if (integrable >= 2) sub.AppendMenu(MF_STRING, kIntegrateAll, "All Plots...");
      });
  }

  // 5. Labels.
  b.Group();
  if (valid && onPlots && hasPlot) {
    if (o->head.displayMode != OVERLAY_MODE_NORMALISED) b.Item(kNewLabel, PlotText("New Label for Plot %d...", plot));
    const char* noise = kind == 4 ? "Max" : "Noise";
    const bool areas = drm && reviewLayout && dataKind != kNoKind;
    int present = 0;
    for (int i = 0; i < OPLOT_SLOTS; ++i) present += o->tail.attached[i] ? 1 : 0;
    b.Popup(menu, "Delete Labels", [&](CMenu& sub) {
      CMenu one;
      if (one.CreatePopupMenu()) {
        one.AppendMenu(MF_STRING, kDeleteNoise + plot, noise);
        if (areas) one.AppendMenu(MF_STRING, kDeleteArea + plot, "Integration");
        one.AppendMenu(MF_STRING, kDeleteUser + plot, "User");
        one.AppendMenu(MF_STRING, kDeleteAll + plot, "All");
        sub.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(one.Detach()), PlotText("Plot %d", plot).c_str());
      }
      CMenu all;
      if (present > 1 && all.CreatePopupMenu()) {
        all.AppendMenu(MF_STRING, kDeleteNoiseAll, noise);
        if (areas) all.AppendMenu(MF_STRING, kDeleteAreaAll, "Integration");
        all.AppendMenu(MF_STRING, kDeleteUserAll, "User");
        all.AppendMenu(MF_STRING, kDeleteAllAll, "All");
        sub.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(all.Detach()), "All Plots");
      }
    });
  }

  // 6. Hiding and showing plots.
  b.Group();
  if (m_enableHideDelete && kind != 3 && o) {
    const int from = layout == 3 ? 1 : 0;
    std::vector<int> shown, hidden;
    for (int i = from; i < OPLOT_SLOTS; ++i) {
      if (!o->tail.attached[i]) continue;
      (o->head.shown[i] ? shown : hidden).push_back(i);
    }
    if (valid && onPlots) {
      if (o->head.displayMode != OVERLAY_MODE_STACKED) {
        if (shown.size() == 1) {
          b.Item(kHide + shown[0], PlotText("Hide Plot %d", shown[0]));
        } else if (shown.size() > 1) {
          b.Popup(menu, "Hide Plot", [&](CMenu& sub) {
            for (int s : shown) sub.AppendMenu(MF_STRING, kHide + s, PlotText("Hide Plot %d", s).c_str());
          });
        }
      } else if (hasPlot && plot >= from) {
        b.Item(kHide + plot, PlotText("Hide Plot %d", plot));
      }
    }
    if (hidden.size() == 1) {
      b.Item(kShow + hidden[0], PlotText("Show Plot %d", hidden[0]));
    } else if (hidden.size() > 1) {
      b.Popup(menu, "Show Plot", [&](CMenu& sub) {
        for (int s : hidden) sub.AppendMenu(MF_STRING, kShow + s, PlotText("Plot %d", s).c_str());
        sub.AppendMenu(MF_STRING, kShowAll, "Show All");
      });
    }
  }

  // 7. Printing and exports.
  b.Group();
  if (valid && onPlots && hasPlot) {
    if (layout == 4) {
      b.Item(kPrintReview, "Print...");
    } else {
      // Printing one plot is a command of the derived kind 1 only; elsewhere it would do nothing.
      if (kind == 1) b.Item(kPrintPlot + plot, PlotText("Print Plot %d...", plot));
      int present = 0;
      for (int i = 0; i < OPLOT_SLOTS; ++i) present += o->tail.attached[i] ? 1 : 0;
      if (present > 1) b.Item(kPrintAll, "Print All Plots...");
    }
    b.Popup(menu, "Export", [&](CMenu& sub) {
      CMenu one;
      if (one.CreatePopupMenu()) {
        one.AppendMenu(MF_STRING, kTextFile + plot, "ASCII File...");
        if ((dataKind == kMsFirst || dataKind == kThird) && amdisExport && kind != 3 && kind != 4)
          one.AppendMenu(MF_STRING, kAmdis + plot, "AMDIS Program...");
        sub.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(one.Detach()), PlotText("Plot %d", plot).c_str());
      }
      CMenu pane;
      if (pane.CreatePopupMenu()) {
        pane.AppendMenu(MF_STRING, kPaneToClipboard, "Clipboard");
        pane.AppendMenu(MF_STRING, kPaneToPicture, "Picture File...");
        sub.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(pane.Detach()), "Chromatogram Pane");
      }
    });
  }

  // 8. Preferences.
  b.Group();
  const char* prefs = "Chromatogram Plot Preferences...";
  if (kind == 4)
    prefs = m_kind4PlotKind == 1   ? "Original Plot Preferences..."
            : m_kind4PlotKind == 2 ? "Deconvoluted Plot Preferences..."
                                   : "Optimization Plot Preferences...";
  b.Item(kChroPrefs, prefs);
  if (kind == 3) {
    b.Item(kReportPrefs, "Report Preferences...");
    b.Item(kGeneralPrefs, "General Preferences...");
  }
}

bool CCtlOPlot::OnContextCommand(UINT id) {
  auto slotOf = [](UINT id, UINT base) { return static_cast<short>(id - base); };
  short selection = 0;
  if (id == kDeleteLabel) {
    OnDeleteLabel();
  } else if (id == kEditLabel) {
    OnEditLabel();
  } else if (id == kNewLabel) {
    OnNewLabelAtRightClick();
  } else if (id >= kDeleteUserAll && id <= kDeleteAllAll) {
    static const UINT kFamily[] = {kDeleteUser, kDeleteNoise, kDeleteArea, kDeleteAll};
    for (short s = 0; s < OPLOT_SLOTS; ++s) DeleteLabelFamily(kFamily[id - kDeleteUserAll], s);
  } else if (InRange(id, kDeleteUser) || InRange(id, kDeleteArea) || InRange(id, kDeleteNoise) ||
             InRange(id, kDeleteAll)) {
    for (UINT base : {kDeleteUser, kDeleteArea, kDeleteNoise, kDeleteAll})
      if (InRange(id, base)) DeleteLabelFamily(base, slotOf(id, base));
  } else if (id == kIntegrateAll) {
    QuickInt_OpenDialog(OPLOT_SLOTS, 0);
  } else if (InRange(id, kIntegratePlot)) {
    QuickInt_OpenDialog(slotOf(id, kIntegratePlot), 0);
  } else if (id == kShowAll) {
    SendMessage(WM_COMMAND, kShowAllPlots, 0);
  } else if (InRange(id, kEditScales)) {  // 2920 is the first plot's hide
    OnEditScales(id);
  } else if (InRange(id, kHide)) {
    PostNotification(static_cast<unsigned short>(120 + (id - kHide)), OPLOT_ROUTE_DEFAULT);
  } else if (InRange(id, kShow)) {
    PostNotification(static_cast<unsigned short>(160 + (id - kShow)), OPLOT_ROUTE_DEFAULT);
  } else if (InRange(id, kLibrarySearch) || InRange(id, kTargetListSearch) || InRange(id, kExportScan)) {
    // The selection (nearest point or apex) as it is now, held keys counting.
    GetSingleClickStatus(nullptr, &selection, nullptr, nullptr, nullptr);
    const UINT base = InRange(id, kLibrarySearch) ? kLibrarySearch : InRange(id, kTargetListSearch) ? kTargetListSearch
                                                                                                     : kExportScan;
    const unsigned code = base == kLibrarySearch ? (selection ? 340 : 180)
                          : base == kTargetListSearch ? (selection ? 360 : 200)
                                                      : (selection ? 380 : 220);
    PostNotification(static_cast<unsigned short>(code + (id - base)), OPLOT_ROUTE_PARENT);
  } else if (InRange(id, kListSearch)) {
    PostNotification(static_cast<unsigned short>(240 + (id - kListSearch)), OPLOT_ROUTE_PARENT);
  } else if (InRange(id, kAmdis) || InRange(id, kAmdisSecond)) {
    OnExportChroToAMDIS(id);
  } else {
    return false;
  }
  return true;
}

void CCtlOPlot::OnExportChroToAMDIS(UINT id) {
  const bool second = InRange(id, kAmdisSecond);
  const short slot = static_cast<short>(id - (second ? kAmdisSecond : kAmdis));
  const SVW_OVERLAY* o = m_pOverlay;
  const STRUCT_WORK_FILE* wf = o && OverlaySlotIndex(slot) ? o->slots[slot].workFile : nullptr;
  if (!wf || !(wf->directHeader || wf->centroid) || wf->live) return;
  // The hand-over to the deconvolution program comes with the exports; until then the command stops here.
}

void CCtlOPlot::OnEditScales(UINT id) {
  SVW_OVERLAY* o = m_pOverlay;
  if (!o || id < kEditScales) return;
  const short slot = static_cast<short>(id - kEditScales);
  // 20 stands for all plots, and only where they share a scale.
  if (slot > OPLOT_SLOTS - 1 && (slot != OPLOT_SLOTS || o->head.displayMode == OVERLAY_MODE_STACKED)) return;
  const bool dual = o->head.displayMode == OVERLAY_MODE_TWO_SCALES;
  auto copy = std::make_unique<SVW_OVERLAY>(*o);
  CPlotRangesDlg dlg(this, dual ? PLOT_RANGES_DUAL_DIALOG_ID : PLOT_RANGES_DIALOG_ID, copy.get(), slot);
  if (dlg.DoModal() != IDOK) {
    RepaintUnlessSuspended();
    return;
  }
  RequestTimeRange(dlg.m_start, dlg.m_end, 1);
  STRUCT_OPLOT_SET_SCALES scales{};
  scales.plot = slot;
  scales.low1 = dlg.m_low1;
  scales.low2 = dlg.m_low2;
  scales.high1 = dlg.m_high1;
  scales.high2 = dlg.m_high2;
  SendMessage(OPM_SETPLOTSCALES, 0, reinterpret_cast<LPARAM>(&scales));
}
