// The marker appearance dialog: colours, font, angle and one detail switch
// of a family of chromatogram markers.
#include <cstdio>
#include <cstdlib>

#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "prefsheets/preference_pages.h"
#include "win/win_commdlg.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace prefsheets {

MarkerTexts MarkerKindTexts(int16_t kind) {
  switch (kind) {
    case 1:
      return {"Select Signal/Noise Marker Features", "Change applies to all signal/noise markers", "Draw Noise Boxes"};
    case 2: return {"Select AMDIS Marker Features", "Change applies to all AMDIS markers.", "Draw Line"};
    case 3:
      return {"Select Target List Search Chromatogram Marker Features",
              "Change applies to all target list search chromatogram markers.", "Draw Line"};
    case 4:
      return {"Select Integration Area Marker Features", "Change applies to all Integration Area markers", "Draw Line"};
    default:
      return {"Select Result Annotation Marker Features", "Change applies to all result annotation markers.",
              "Draw Line"};
  }
}

}  // namespace prefsheets

namespace {

constexpr int kTransparent = PREFS_CHECK, kDetail = PREFS_CHECK + 1, kDetailGroup = 1562;
constexpr int kPlotFont = PREFS_RADIO, kSpecialFont = PREFS_RADIO + 1, kAngle = PREFS_NUMBER;

void EnsureTemplate() {
  if (win::resources::FindDialog(kelt::lib::ModuleHandle(), PREFS_T_MARKER_APPEARANCE)) return;
  prefsheets::PageLayout l("Marker Features", 260, 176);
  l.dlg.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  l.Group("Screen Colors", 6, 4, 120, 56);
  l.Check(kTransparent, "&Transparent", 12, 16, 100);
  l.Swatch(PREFS_SWATCH + 0, 12, 30);
  l.Text("&Background", 38, 31, 80);
  l.Swatch(PREFS_SWATCH + 1, 12, 44);
  l.Text("Te&xt", 38, 45, 80);
  l.Group("Report Color", 132, 4, 120, 30);
  l.Swatch(PREFS_SWATCH + 2, 138, 17);
  l.Text("Text", 164, 18, 80);
  l.Text("&Angle:", 138, 44, 30);
  l.Edit(kAngle, 170, 42, 30);
  l.Group("Font", 6, 64, 246, 62);
  l.Radio(kPlotFont, "Use Plot Font", 12, 76, 90, true);
  l.Radio(kSpecialFont, "Use Special Font", 12, 88, 90);
  l.Push(PREFS_FONT, "&Select Special Font", 110, 78, 100);
  l.Text("", 12, 102, 230, PREFS_SAMPLE);
  l.Text("", 12, 114, 236, PREFS_NOTE);
  l.Add(kDetailGroup, "Button", "Details", BS_GROUPBOX, 6, 130, 140, 26);
  l.Check(kDetail, "", 12, 142, 120);
  l.Push(IDOK, "OK", 154, 134, 46);
  l.Push(IDCANCEL, "Cancel", 206, 134, 46);
  l.Push(PREFS_ID_HELP, "&Help", 206, 154, 46);
  win::resources::AddDialog(kelt::lib::ModuleHandle(), PREFS_T_MARKER_APPEARANCE, l.dlg);
}

}  // namespace

CMarkerAppearanceDlg::CMarkerAppearanceDlg() = default;

CMarkerAppearanceDlg::~CMarkerAppearanceDlg() {
  if (m_sample) DeleteObject(m_sample);
}

INT_PTR CMarkerAppearanceDlg::DoModal() {
  EnsureTemplate();
  kelt::dlg::EnsureWhatsThisMenu();
  if (!kelt::dlg::InitModalFromLibrary(this, PREFS_T_MARKER_APPEARANCE, nullptr)) return 2;
  return CDialog::DoModal() == IDOK ? 1 : 2;
}

void CMarkerAppearanceDlg::Sample() {
  if (m_sample) {
    ::SendDlgItemMessageA(m_hWnd, PREFS_SAMPLE, WM_SETFONT, 0, FALSE);
    ::SendDlgItemMessageA(m_hWnd, PREFS_FONT, WM_SETFONT, 0, FALSE);
    DeleteObject(m_sample);
  }
  m_sample = prefsheets::MakeSampleFont(m_hWnd, m_params.font);
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, m_params.font.lfFaceName, LF_FACESIZE);
  ::SetDlgItemTextA(m_hWnd, PREFS_SAMPLE, face);
  ::SendDlgItemMessageA(m_hWnd, PREFS_SAMPLE, WM_SETFONT, reinterpret_cast<WPARAM>(m_sample), TRUE);
  ::SendDlgItemMessageA(m_hWnd, PREFS_FONT, WM_SETFONT, reinterpret_cast<WPARAM>(m_sample), TRUE);
}

void CMarkerAppearanceDlg::Fill() {
  for (int k = 0; k < 3; ++k) ::InvalidateRect(::GetDlgItem(m_hWnd, PREFS_SWATCH + k), nullptr, TRUE);
  ::CheckDlgButton(m_hWnd, kTransparent, m_params.transparent ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, kDetail, m_params.peakBoxStyle ? BST_CHECKED : BST_UNCHECKED);
  ::SendDlgItemMessageA(m_hWnd, kAngle, EM_LIMITTEXT, 3, 0);
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(m_params.angle / 10));
  ::SetDlgItemTextA(m_hWnd, kAngle, text);
  // Signal/noise labels are never turned.
  if (m_kind == 1) ::EnableWindow(::GetDlgItem(m_hWnd, kAngle), FALSE);
  Sample();
  ::CheckDlgButton(m_hWnd, kPlotFont, m_params.fontSource ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(m_hWnd, kSpecialFont, m_params.fontSource ? BST_UNCHECKED : BST_CHECKED);
  ::EnableWindow(::GetDlgItem(m_hWnd, PREFS_FONT), m_params.fontSource ? FALSE : TRUE);
}

BOOL CMarkerAppearanceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  Fill();
  const prefsheets::MarkerTexts t = prefsheets::MarkerKindTexts(m_kind);
  ::SetWindowTextA(m_hWnd, t.caption);
  ::SetDlgItemTextA(m_hWnd, PREFS_NOTE, t.note);
  ::SetDlgItemTextA(m_hWnd, kDetail, t.detail);
  return TRUE;
}

BOOL CMarkerAppearanceDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (m_help.Handle(this, WM_COMMAND, wParam, lParam)) return TRUE;
  COLORREF* colours[3] = {&m_params.backColor, &m_params.screenColor, &m_params.printColor};
  if (id >= PREFS_SWATCH && id < PREFS_SWATCH + 3 && code == BN_CLICKED) {
    COLORREF c = *colours[id - PREFS_SWATCH];
    if (prefsheets::PickColour(&c)) {
      *colours[id - PREFS_SWATCH] = c;
      ::InvalidateRect(::GetDlgItem(m_hWnd, id), nullptr, TRUE);
    }
    return TRUE;
  }
  switch (id) {
    case kTransparent:
      m_params.transparent = ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
      return TRUE;
    case kDetail:
      m_params.peakBoxStyle = ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
      return TRUE;
    case kPlotFont:
    case kSpecialFont:
      if (::IsDlgButtonChecked(m_hWnd, id) != BST_CHECKED) return TRUE;
      m_params.fontSource = id == kPlotFont ? 1 : 0;
      ::EnableWindow(::GetDlgItem(m_hWnd, PREFS_FONT), m_params.fontSource ? FALSE : TRUE);
      return TRUE;
    case PREFS_FONT:
      if (code == BN_CLICKED && prefsheets::PickFont(&m_params.font, CF_SCREENFONTS | CF_EFFECTS, m_params.screenColor))
        Sample();
      return TRUE;
    case kAngle:
      if (code == EN_KILLFOCUS) {
        int32_t degrees = m_params.angle / 10;
        if (HandleKillEditLong(this, kAngle, "Font Angle", 0, 360, &degrees)) m_params.angle = degrees * 10;
      }
      return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
  }
}

LRESULT CMarkerAppearanceDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DRAWITEM && lParam) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const COLORREF colours[3] = {m_params.backColor, m_params.screenColor, m_params.printColor};
    const int k = static_cast<int>(d->CtlID) - PREFS_SWATCH;
    if (k >= 0 && k < 3) prefsheets::PaintSwatch(d, colours[k], false);
    return TRUE;
  }
  if (msg == WM_CONTEXTMENU) {
    m_help.ContextMenu(this, lParam);
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}
