// The spectrum control's context menu: built from the slot under the
// right click, the spectra held, the data review manager and the window
// mode, and tracked at the cursor.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/library_state.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "plotengine/label_manager.h"
#include "spectra/spectrum_managers.h"
#include "spectra/spectrum_pairs.h"
#include "spectrumctl/spectrum_control.h"

namespace {

// At least one pair with an intensity above 0 (integer pairs) or not 0 (precise pairs).
bool HasData(const STRUCT_SPT_PLUS* s) {
  if (!s) return false;
  const int n = std::max(0, PlusSpt_GetPairCount(s));
  for (int i = 0; i < n; ++i) {
    double m = 0, v = 0;
    SptPairAt(s, static_cast<uint32_t>(i), &m, &v);
    if (v != 0) return true;
  }
  return false;
}

// Appends items, with a separator before each group after the first that appears.
struct MenuBuilder {
  CMenu& menu;
  bool any = false;
  bool groupStarted = false;
  void Group() { groupStarted = false; }
  void Item(UINT id, const char* text) { Item(menu, id, text); }
  void Item(CMenu& m, UINT id, const char* text) {
    Separate();
    m.AppendMenu(MF_STRING, id, text);
  }
  // A pop-up; left out with its items when it cannot be made.
  bool Popup(CMenu& sub, const char* text) {
    if (!sub.GetSafeHmenu() || sub.GetMenuItemCount() == 0) return false;
    Separate();
    menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), text);
    return true;
  }
  void Separate() {
    if (!groupStarted) {
      if (any) menu.AppendMenu(MF_SEPARATOR);
      groupStarted = true;
      any = true;
    }
  }
};

}  // namespace

void CCtlSpt::OnRButtonDown(UINT, CPoint point) {
  SetFocus();
  m_activeCandidate = -1;
  if (m_tracking) OnEscapeTracking(0, 0);
  const int top = m_plotTop + 4;
  if (m_scalesValid && !m_overlaid && m_pManager && m_reviewIndex) {
    for (short s = 0; s < 2; ++s)
      if (m_activeShown[s] && m_paneHeight[s] > 0) {
        int y0 = top;
        for (int p = 0; p < s; ++p) y0 += m_paneHeight[p];
        if (point.y >= y0 && point.y < y0 + m_paneHeight[s]) OnNewActiveIndex(static_cast<WPARAM>(s), 0);
      }
  }
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  short labelSlot = -1, labelType = 0;
  const bool onLabel = m_pLabels && m_pLabels->CanUseRBDown(point, &labelSlot, &labelType);
  m_labelHit = onLabel ? labelSlot : -1;

  // The slot under the cursor, and the mass and intensities there.
  m_rightClickSlot = -1;
  if (m_scalesValid) {
    int y0 = top;
    for (short s = 0; s < SPT_SLOTS; ++s) {
      if (m_paneHeight[s] <= 0) continue;
      if (point.y >= y0 && point.y < y0 + m_paneHeight[s]) {
        m_rightClickSlot = s;
        break;
      }
      y0 += m_paneHeight[s];
    }
  }
  if (m_rightClickSlot >= 0) {
    const int left = m_plotLeft + 4 + m_vertScaleWidth;
    m_rightClickMass = m_drawnPlotWidth > 0 && point.x >= left && point.x < left + m_drawnPlotWidth
                           ? m_massLow + (m_massHigh - m_massLow) * (point.x - left) / m_drawnPlotWidth
                           : m_massLow;
    int y0 = top;
    for (int p = 0; p < m_rightClickSlot; ++p) y0 += m_paneHeight[p];
    const int h = m_paneHeight[m_rightClickSlot];
    const double share = h > 0 ? double(y0 + h - point.y) / h : 0;
    m_rightClickIntensity[0] = m_vertMin[m_rightClickSlot] + (m_vertMax[m_rightClickSlot] - m_vertMin[m_rightClickSlot]) * share;
    m_rightClickIntensity[1] = m_overlaid && m_rightClickSlot == 0 ? m_vertMin[1] + (m_vertMax[1] - m_vertMin[1]) * share : 0;
  }

  m_pMenu = new (std::nothrow) CMenu;
  if (!m_pMenu || !m_pMenu->CreatePopupMenu()) return;
  CMenu& menu = *m_pMenu;
  if (onLabel) {
    menu.AppendMenu(MF_STRING, 8101, "Delete Label");
    if (labelType != 0) {
      menu.AppendMenu(MF_SEPARATOR);
      menu.AppendMenu(MF_STRING, 8102, "Properties...");
    }
  } else {
    BuildContextMenu(menu);
  }
  POINT screen = point;
  ::ClientToScreen(m_hWnd, &screen);
  if (menu.GetMenuItemCount() > 0) menu.TrackPopupMenu(TPM_RIGHTBUTTON, screen.x, screen.y, this);
}

void CCtlSpt::BuildContextMenu(CMenu& menu) {
  MenuBuilder b{menu};
  short slot = m_rightClickSlot;
  const bool both = m_overlaid && slot == 0;
  CDataReviewManager* drm = m_pManager;
  if (both && drm && m_windowMode == SPT_WINDOW_DATA_REVIEW && drm->GetActiveSptControlIndex() == m_reviewIndex &&
      drm->GetActiveSptPlotIndex() == 1 && m_display[1])
    slot = 1;
  const bool onA = slot == 0 || both, onB = slot == 1 || both;
  const bool dataA = HasData(m_display[0]), dataB = HasData(m_display[1]);
  const bool slotHasData = slot == 2 ? m_display[2] != nullptr : slot >= 0 && HasData(m_display[slot]);
  int windows = 0;
  if (drm)
    for (int16_t k = 0; k < 4; ++k) windows += drm->HaveSpectrum(k, 0) || drm->HaveSpectrum(k, 1);

  if (drm && slot >= 0 && slotHasData) {
    b.Group();
    if (slot == 0) b.Item(8134, "Library Search Spectrum A");
    if (slot == 1) b.Item(8135, "Library Search Spectrum B");
    if (slot == 2) {
      b.Item(8201, "Library Search Difference Spectrum");
      b.Item(8202, "Target List Search Difference");
    }
  }
  if (drm && (onA || onB) && slot <= 1 && windows < 4) {
    b.Group();
    if (onA) b.Item(8143, "New Spectrum Window (Spectrum A)");
    if (onB) b.Item(8152, "New Spectrum Window (Spectrum B)");
  }
  auto windowItems = [&](CMenu& sub, UINT firstA, UINT firstB, bool sourceB) {
    static const char* const names[] = {"1A", "1B", "2A", "2B", "3A", "3B", "4A", "4B"};
    for (int k = 0; k < 4; ++k) {
      if (!drm->HaveSpectrum(static_cast<int16_t>(k), 0) && !drm->HaveSpectrum(static_cast<int16_t>(k), 1)) continue;
      const bool selfA = k == m_reviewIndex && !sourceB, selfB = k == m_reviewIndex && sourceB;
      if (!selfA) sub.AppendMenu(MF_STRING, firstA + k, names[2 * k]);
      if (!selfB) sub.AppendMenu(MF_STRING, firstB + k, names[2 * k + 1]);
    }
  };
  if (drm && (onA || onB) && slot <= 1 && windows > 0) {
    b.Group();
    for (int src = 0; src < 2; ++src) {
      if ((src == 0 && !onA) || (src == 1 && !onB)) continue;
      CMenu sub;
      sub.CreatePopupMenu();
      windowItems(sub, src == 0 ? 8144 : 8153, src == 0 ? 8148 : 8157, src == 1);
      b.Popup(sub, src == 0 ? "Update Spectrum Plot (Spectrum A)" : "Update Spectrum Plot (Spectrum B)");
    }
  }
  if (drm && (onA || onB) && slot <= 1) {
    b.Group();
    if (onA) b.Item(8132, "Edit Spectrum A...");
    if (onB) b.Item(8133, "Edit Spectrum B...");
  }
  if (drm && slot >= 0 && slot <= 1 && slotHasData && m_display[slot]->kind == SPT_KIND_TOL &&
      PlusSpt_IsProfileData(m_display[slot]) && !m_pCentroidDlg[slot] && m_display[slot]->tolSpt) {
    // A data file that opens offers centroiding.
    if (STRUCT_WORK_FILE* wf = MakeWorkFileStruct(m_display[slot]->tolSpt->dataFilePath, 1)) {
      FreeWorkFileStruct(wf);
      b.Group();
      b.Item(slot == 0 ? 8115 : 8116, slot == 0 ? "Centroid Spectrum A..." : "Centroid Spectrum B...");
    }
  }
  for (int kind = 0; kind < 2 && drm && slot >= 0 && slot <= 1 && !m_overlaid; ++kind) {
    const STRUCT_SPT_PLUS* extra = kind == 0 ? m_centroid[slot] : m_smoothed[slot];
    if (!extra) continue;
    const char* what = kind == 0 ? "Centroid" : "Smoothed";
    const UINT base = kind == 0 ? 8161 : 8179;
    if (windows < 4) {
      b.Group();
      char text[80];
      std::snprintf(text, sizeof text, "New Spectrum Window (%s Spectrum %c)", what, slot == 0 ? 'A' : 'B');
      b.Item(base + 9 * slot, text);
    }
    if (windows > 0) {
      b.Group();
      CMenu sub;
      sub.CreatePopupMenu();
      windowItems(sub, base + 1 + 9 * slot, base + 5 + 9 * slot, slot == 1);
      char text[80];
      std::snprintf(text, sizeof text, "Update Spectrum Plot (%s Spectrum %c)", what, slot == 0 ? 'A' : 'B');
      b.Popup(sub, text);
    }
  }
  if (slot >= 0) {
    b.Group();
    if (onA && slot <= 1) b.Item(8197, "New Label for Spectrum A...");
    if (onB && slot <= 1) b.Item(8198, "New Label for Spectrum B...");
    if (slot == 2) b.Item(8199, "New Label for Difference Spectrum...");
    CMenu sub;
    sub.CreatePopupMenu();
    if (onA && slot <= 1) sub.AppendMenu(MF_STRING, 8140, "Spectrum A");
    if (onB && slot <= 1) sub.AppendMenu(MF_STRING, 8141, "Spectrum B");
    if (slot == 2) sub.AppendMenu(MF_STRING, 8142, "Difference Spectrum");
    sub.AppendMenu(MF_STRING, 8206, "All Spectra");
    b.Popup(sub, "Delete Labels");
  }
  if (!m_moduleWindow && !m_maximised) {
    b.Group();
    if (onA && slot <= 1 && m_display[0]) b.Item(8107, "Hide Spectrum A");
    if (onB && slot <= 1 && m_display[1]) b.Item(8108, "Hide Spectrum B");
    if (slot == 2) b.Item(8109, "Hide Difference");
    bool hidden = false;
    for (int s = 0; s < SPT_SLOTS; ++s) hidden = hidden || (m_display[s] && !m_shown[s]);
    if (hidden) b.Item(SPT_CMD_SHOW_ALL, "Show All");
  }
  if (slot >= 0) {
    b.Group();
    if (m_windowMode == SPT_WINDOW_DATA_REVIEW) {
      b.Item(8209, "Print ...");
    } else if (m_moduleWindow) {
      b.Item(8104, "Print Spectrum...");
    } else {
      CMenu sub;
      sub.CreatePopupMenu();
      if (dataA && onA) sub.AppendMenu(MF_STRING, 8104, "Spectrum A...");
      if (dataB && onB) sub.AppendMenu(MF_STRING, 8105, "Spectrum B...");
      sub.AppendMenu(MF_STRING, 8106, "All Spectra...");
      b.Popup(sub, "Print");
    }
  }
  for (int s = 0; s < 2 && slot >= 0; ++s) {
    const STRUCT_SPT_PLUS* p = m_display[s];
    if (p && p->kind == SPT_KIND_TOL && p->tolSpt && p->tolSpt->header.scanKind == 13 && (s == 0 ? onA : onB)) {
      b.Group();
      b.Item(8212 + s, s == 0 ? "Print SDS Report for Spectrum A" : "Print SDS Report for Spectrum B");
    }
  }
  if (slot >= 0) {
    b.Group();
    CMenu exportMenu;
    exportMenu.CreatePopupMenu();
    if (drm && slot <= 1 && m_display[slot] && !PlusSpt_IsProfileData(m_display[slot])) {
      exportMenu.AppendMenu(MF_STRING, 8138 + slot, slot == 0 ? "Spectrum A..." : "Spectrum B...");
    } else {
      if (dataA && onA) {
        CMenu sub;
        sub.CreatePopupMenu();
        sub.AppendMenu(MF_STRING, 8117, "ASCII File...");
        if (m_smoothed[0]) sub.AppendMenu(MF_STRING, 8216, "(Smoothed) ASCII File...");
        if (m_centroid[0]) sub.AppendMenu(MF_STRING, 8218, "(Centroid) ASCII File...");
        if (!PlusSpt_IsProfileData(m_display[0])) sub.AppendMenu(MF_STRING, 8128, "NIST Program...");
        exportMenu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), m_moduleWindow ? "Spectrum" : "Spectrum A");
      }
      if (dataB && onB) {
        CMenu sub;
        sub.CreatePopupMenu();
        sub.AppendMenu(MF_STRING, 8118, "ASCII File...");
        if (m_smoothed[1]) sub.AppendMenu(MF_STRING, 8217, "(Smoothed) ASCII File...");
        if (m_centroid[1]) sub.AppendMenu(MF_STRING, 8319, "(Centroid) ASCII File...");
        exportMenu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub.Detach()), "Spectrum B");
      }
      if (slot == 2 && m_display[2]) exportMenu.AppendMenu(MF_STRING, 8203, "Difference to Text File...");
    }
    CMenu control;
    control.CreatePopupMenu();
    control.AppendMenu(MF_STRING, 8204, "Clipboard");
    control.AppendMenu(MF_STRING, 8205, "Picture File...");
    exportMenu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(control.Detach()), "Spectrum Control");
    b.Popup(exportMenu, "Export");
  }
  if (m_exportToCompoundTable && slot >= 0 && slot <= 1 && m_display[slot] &&
      (m_display[slot]->listSpt || (m_display[slot]->tolSpt && !PlusSpt_IsProfileData(m_display[slot])))) {
    b.Group();
    b.Item(8320 + slot, slot == 0 ? "Add Compound to Method from Spectrum A" : "Add Compound to Method from Spectrum B");
  }
  if (drm && (onA || onB) && slot >= 0 && slot <= 1 && m_display[slot]) {
    char program[MAX_PATH + 16] = {};
    const STRUCT_SPT_PLUS* s = m_display[slot];
    const bool profileData = s->kind == SPT_KIND_TOL && PlusSpt_IsProfileData(s);
    if ((kelt::lib::Settings().deconForCentroid || profileData) && GetDeconvolutionProgramPath(program)) {
      b.Group();
      b.Item(8214 + slot, slot == 0 ? "Deconvolute Spectrum A..." : "Deconvolute Spectrum B...");
    }
  }
  b.Group();
  b.Item(8113, "Spectra Plot Preferences...");
  if (m_moduleWindow) {
    b.Item(8114, "Report Preferences...");
    b.Item(8207, "General Preferences...");
  }
}

void CCtlSpt::TrackModeMenu(unsigned int command) {
  if (m_tracking) OnEscapeTracking(0, 0);
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  m_pMenu = new (std::nothrow) CMenu;
  if (!m_pMenu || !m_pMenu->CreatePopupMenu()) return;
  CMenu& menu = *m_pMenu;
  auto item = [&](UINT id, const char* text, bool checked) {
    menu.AppendMenu(MF_STRING | (checked ? MF_CHECKED : 0), id, text);
  };
  if (command == 8006) {
    // The export entry names the active spectrum list, file name only.
    std::string list = "none active";
    char path[DRM_MSP_PATH_SIZE] = {};
    if (m_pManager && m_pManager->GetActiveMSPFile(path) && path[0]) {
      const std::string p(path, strnlen(path, sizeof path));
      const size_t cut = p.find_last_of("\\/:");
      list = cut == std::string::npos ? p : p.substr(cut + 1);
    }
    const std::string exportText = "Export Spectrum to Active Spectrum List (" + list + ")\t+E";
    item(8007, "Library Search Spectrum\t+L", m_singleClickMode == SPT_CLICK_LIBRARY_SEARCH);
    item(8008, "Target List Search Spectrum\t+J", m_singleClickMode == SPT_CLICK_LIST_SEARCH);
    item(8009, exportText.c_str(), m_singleClickMode == SPT_CLICK_EXPORT);
    item(8010, "Create New Chromatogram using Mass\t+P", m_singleClickMode == SPT_CLICK_SELECT_MASS);
    item(8011, "No Action", m_singleClickMode == SPT_CLICK_NO_ACTION);
  } else if (command == 8012) {
    item(8013, "Zoom Spectrum\t+Z", m_clickDragMode == SPT_DRAG_ZOOM);
    item(8014, "Create New Chromatogram using Mass Range\t+P", m_clickDragMode == SPT_DRAG_CHROMATOGRAM);
    item(8015, "Export to Clipboard\t+B", m_clickDragMode == SPT_DRAG_BITMAP);
  } else if (command == 8016) {
    item(8017, "Acquired", m_horzMode == SPT_HORZ_AUTOSCALE);
    item(8019, "Fixed", m_horzMode == SPT_HORZ_FIXED);
    item(8018, "Maximum (of current and previous)", m_horzMode == SPT_HORZ_LEARN);
  } else if (command == 8020) {
    item(8021, "Auto Scale", m_vertMode == SPT_VERT_AUTOSCALE);
    item(8022, "Fixed", m_vertMode == SPT_VERT_FIXED);
  } else {
    return;
  }
  // Under the toolbar's buttons, at the cursor's x.
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT frameTop{0, m_plotTop};
  ::ClientToScreen(m_hWnd, &frameTop);
  menu.TrackPopupMenu(TPM_RIGHTBUTTON, cursor.x, frameTop.y, this);
}
