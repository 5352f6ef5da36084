// The spectrum control's toolbar and context-menu commands beyond the mode
// setters: page modes, background correction, averaging, hand-overs to the
// host and the data review manager, and the exports.
#include <cstring>
#include <memory>

#include "common/display_helpers.h"
#include "reportpages/page_maker.h"
#include "spectra/spectrum_text_files.h"
#include "spectrumctl/spectrum_column_files.h"
#include "spectrumctl/chem_struct.h"
#include "spectrumctl/spectrum_control.h"
#include "spectrumctl/spectrum_printing.h"
#include "ulbrec32/page_pictures.h"
#include "win/win_stdio.h"

namespace {

bool HasPicture(const STRUCT_SPT_PLUS* s) {
  if (!s || s->kind != SPT_KIND_NIST || !s->nistSpt) return false;
  auto t = std::make_unique<kelt::chem::Table>();
  kelt::chem::ReadTable(s->nistSpt->chemStruct, t.get());
  return !t->Empty();
}

bool IsProfile(const STRUCT_SPT_PLUS* s) { return s && PlusSpt_IsProfileData(s); }

constexpr const char* kPageTexts[] = {"Plot",
                                      "Ion/Intensity List",
                                      "Summary Information",
                                      "Comparison Parameters",
                                      "Chemical Picture for Spectrum A",
                                      "Chemical Picture for Spectrum B"};

}  // namespace

bool CCtlSpt::PageModeOffered(int16_t mode) const {
  switch (mode) {
    case SPT_PAGE_PLOT: case SPT_PAGE_IONS: case SPT_PAGE_INFORMATION: return true;
    case SPT_PAGE_COMPARISON:
      return m_display[0] && m_display[1] && m_prefs.drawing.comparisonDisplay && !IsProfile(m_display[0]) &&
             !IsProfile(m_display[1]);
    case SPT_PAGE_PICTURE_A: return HasPicture(m_display[0]);
    case SPT_PAGE_PICTURE_B: return HasPicture(m_display[1]);
    default: return false;
  }
}

void CCtlSpt::TrackPageModeMenu() {
  if (m_tracking) OnEscapeTracking(0, 0);
  if (m_pMenu) {
    m_pMenu->DestroyMenu();
    delete m_pMenu;
    m_pMenu = nullptr;
  }
  m_pMenu = new (std::nothrow) CMenu;
  if (!m_pMenu || !m_pMenu->CreatePopupMenu()) return;
  for (int16_t mode = SPT_PAGE_PLOT; mode <= SPT_PAGE_PICTURE_B; ++mode)
    if (PageModeOffered(mode))
      m_pMenu->AppendMenu(MF_STRING | (m_pageMode == mode ? MF_CHECKED : 0), 8023 + mode, kPageTexts[mode]);
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT frameTop{0, m_plotTop};
  ::ClientToScreen(m_hWnd, &frameTop);
  m_pMenu->TrackPopupMenu(TPM_RIGHTBUTTON, cursor.x, frameTop.y, this);
}

void CCtlSpt::OnTTDropDownButtons(NMHDR* hdr, LRESULT* result) {
  // Handled: 0; anything else: 1.
  if (result) *result = TBDDRET_NODEFAULT;
  if (!hdr) return;
  // The arrow opens the menu of its own button.
  const int id = reinterpret_cast<NMTOOLBARA*>(hdr)->iItem;
  switch (id) {
    case 8006: case 8012: case 8016: case 8020: TrackModeMenu(static_cast<unsigned int>(id)); break;
    case 8029: TrackPageModeMenu(); break;
    default: return;
  }
  if (result) *result = TBDDRET_DEFAULT;
}

void CCtlSpt::NotifyNow(unsigned short code) {
  if (!m_hWnd) return;
  if (HWND parent = ::GetParent(m_hWnd))
    ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), code), reinterpret_cast<LPARAM>(m_hWnd));
}

void CCtlSpt::OnTTChangeBackgoundCorrectionStatus() {
  m_backgroundCorrection = m_backgroundCorrection ? 0 : 1;
  DoInternalTransforms(0);
  DoInternalTransforms(1);
  const bool diffShown = m_display[2] && m_shown[2];
  FreeClearDifferenceSpectrum();
  if (m_display[0] && m_display[1] && m_showDifference && m_prefs.drawing.showDifference) {
    MakeDifferenceSpectrum();
    m_shown[2] = diffShown && m_display[2] ? 1 : 0;
  }
  m_bgCorrectedState = 0;
  InitScaleRanges();
  InitSizes();
  UpdateToolBar();
  Invalidate(FALSE);
}

void CCtlSpt::OnTTTellParentToAverageSpectra() {
  m_averaging = m_averaging ? 0 : 1;
  UpdateToolBar();
  NotifyNow(m_averaging ? SPTN_AVERAGE_ON : SPTN_AVERAGE_OFF);
}

void CCtlSpt::OnExportSpectrumToDataReviewManager(UINT id) {
  if (id < 8143 || id > 8196) return;
  const int group = static_cast<int>(id - 8143) / 9, place = static_cast<int>(id - 8143) % 9;
  const short slot = static_cast<short>(group % 2);
  STRUCT_SPT_PLUS* source = group < 2 ? m_display[slot] : group < 4 ? m_centroid[slot] : m_smoothed[slot];
  if (!m_pManager || !m_reviewIndex) {
    Notify(SPTN_EXPORTED);
    return;
  }
  if (!source) return;
  int16_t control = -1, plot = 0;
  if (place == 0) {
    for (int16_t k = 0; k < DRM_CONTROLS && control < 0; ++k)
      if (!m_pManager->GetSpectrum(k, 0) && !m_pManager->GetSpectrum(k, 1)) control = k;
    if (control < 0) return;  // every control holds spectra
  } else {
    control = static_cast<int16_t>((place - 1) % 4);
    plot = static_cast<int16_t>(place <= 4 ? 0 : 1);
  }
  STRUCT_SPT_PLUS* copy = PlusSpt_Copy(source);
  if (!copy) return;
  copy->serialNumber = PlusSpt_GetNextSerialId();
  m_pManager->NewSpectrum(copy, control, plot, nullptr);
  // A manager that could not place it leaves the copy with us.
  if (m_pManager->GetSpectrum(control, plot) != copy) PlusSpt_Free(copy);
}

void CCtlSpt::OnExportDifferenceSpectrum(UINT id) {
  if (id == 8201 || id == 8202) {
    if (m_display[0] && m_display[1]) Notify(id == 8201 ? SPTN_LIBRARY_SEARCH_DIFF : SPTN_LIST_SEARCH_DIFF);
  } else if (id == 8203 && m_display[2]) {
    KELT_ShowDoneStatus(static_cast<int16_t>(PlusSpt_PutSpectrumIntoTextFile(m_display[2]) ? 1 : 0));
  }
}

void CCtlSpt::OnSelectMSMSStepMass() {
  const short pane = m_rightClickSlot;
  if (pane < 0 || pane >= SPT_SLOTS) return;
  m_msmsPending = 1;
  m_msmsMass = m_rightClickMass;
  if (m_shown[pane] && m_display[pane]) {
    double mass = 0, intensity = 0;
    if (PlusSpt_GetTallestMassInDaltonWindow(m_display[pane], m_msmsMass, 0.5, &mass, &intensity)) m_msmsMass = mass;
  }
  NotifyNow(SPTN_MSMS_STEP);
}

void CCtlSpt::OnPictureToFile() {
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  const bool landscape = prefs.spooler.orientation == 2;
  CMPage* page = MPM_InitMetaPageMaker(&prefs, landscape ? 140 : 80, landscape ? 60 : 72, landscape ? 1 : 0);
  if (!page) return;
  if (!MPM_StartNewPage(page, 0)) {
    MPM_FreeMetaPageMaker(page);
    return;
  }
  int16_t cw = 0, ch = 0;
  MPM_SelectLargeFont(page, &cw, &ch);
  STRUCT_CCSPT_PRINT request{};
  request.dc = MPM_GetCMetaFileDC(page);
  // The page's y runs downward: the upper edge has the smaller value.
  request.left = 500;
  request.top = 500;
  request.right = 32267;
  request.bottom = 32267;
  request.charWidth = cw;
  request.charHeight = ch;
  SendMessage(SPTM_PRINT, 0, reinterpret_cast<LPARAM>(&request));
  HGLOBAL bits = MPM_EndPage(page);
  MPM_FreeMetaPageMaker(page);
  if (!bits) return;
  SavePictureToFile(m_hWnd, bits, 1, 1, 32767, 32767);
  GlobalFree(bits);
}

bool CCtlSpt::OnMoreCommand(UINT id) {
  auto held = [this](short slot) { return m_display[slot] != nullptr; };
  switch (id) {
    case 8001: OnToolBarChange(9030); return true;
    case 8005: OnTTPrint(); return true;
    case 8029: TrackPageModeMenu(); return true;
    case 8030: OnTTChangeBackgoundCorrectionStatus(); return true;
    case 8033: case 8113: OnTTEditSpectraPrefs(); return true;
    case 8034: case 8114: OnTTEditReportPrefs(); return true;
    case 8036: OnTTTellParentToAverageSpectra(); return true;
    case 8117: case 8118: case 8119: {
      const short slot = static_cast<short>(id - 8117);
      KELT_ShowDoneStatus(static_cast<int16_t>(
          m_display[slot] && PlusSpt_PutSpectrumIntoTextFile(m_display[slot]) ? 1 : 0));
      return true;
    }
    case 8134: case 8135:
      if (held(static_cast<short>(id - 8134))) Notify(static_cast<unsigned short>(SPTN_LIBRARY_SEARCH_A + id - 8134));
      return true;
    case 8136: case 8137:
      if (held(static_cast<short>(id - 8136))) Notify(static_cast<unsigned short>(SPTN_LIST_SEARCH_A + id - 8136));
      return true;
    case 8138: case 8139:
      if (held(static_cast<short>(id - 8138))) Notify(static_cast<unsigned short>(SPTN_LIST_FILE_A + id - 8138));
      return true;
    case 8201: case 8202: case 8203: OnExportDifferenceSpectrum(id); return true;
    case 8205: OnPictureToFile(); return true;
    case 8209: Notify(SPTN_DATA_REVIEW_PRINT); return true;
    case 8211: OnSelectMSMSStepMass(); return true;
    case 8214: case 8215: {
      const short slot = static_cast<short>(id - 8214);
      if (held(slot)) LaunchDeconvolution(m_display[slot]);
      return true;
    }
    case 8216: case 8217: case 8218: case 8219: {
      const bool smoothed = id < 8218;
      const short slot = static_cast<short>((id - 8216) % 2);
      STRUCT_SPT_PLUS* s = smoothed ? m_smoothed[slot] : m_centroid[slot];
      const int32_t done = s ? PlusSpt_PutSpectrumIntoTextFileEx(s, smoothed ? "-SMOOTHED" : "-CENTROID") : 0;
      KELT_ShowDoneStatus(static_cast<int16_t>(done ? 1 : 0));
      return true;
    }
    case 8320: case 8321:
      if (held(static_cast<short>(id - 8320))) Notify(static_cast<unsigned short>(SPTN_ADD_COMPOUND_A + id - 8320));
      return true;
    default:
      if (id >= 8023 && id <= 8028) {
        SetPageMode(static_cast<int16_t>(id - 8023));
        return true;
      }
      if (id >= 8143 && id <= 8196) {
        OnExportSpectrumToDataReviewManager(id);
        return true;
      }
      return OnReportCommand(id);
  }
}
