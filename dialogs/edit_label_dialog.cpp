// The "Edit Label" dialog.
#include "dialogs/edit_label_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "framework/framework_common_dialogs.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_commdlg.h"
#include "win/win_gdi.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, EDIT_LABEL_DIALOG_ID)) return;
  DialogTemplate t;
  t.caption = "Edit Label";
  t.cx = 300;
  t.cy = 196;
  const DWORD push = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
  const DWORD radio = WS_VISIBLE | WS_TABSTOP | BS_AUTORADIOBUTTON;
  const DWORD check = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
  const DWORD swatch = WS_VISIBLE | SS_OWNERDRAW;
  t.items = {
      {-1, "Button", "Screen Colors", WS_VISIBLE | BS_GROUPBOX, 0, 6, 4, 140, 52},
      {EL_TEXT_SWATCH, "Static", "", swatch, 0, 12, 16, 14, 10},
      {EL_TEXT_COLOR, "Button", "Te&xt", push, 0, 30, 14, 44, 14},
      {EL_BACK_SWATCH, "Static", "", swatch, 0, 12, 36, 14, 10},
      {EL_BACK_COLOR, "Button", "&Background", push, 0, 30, 34, 44, 14},
      {EL_TRANSPARENT, "Button", "&Transparent", check, 0, 80, 36, 60, 10},
      {-1, "Button", "Report Color", WS_VISIBLE | BS_GROUPBOX, 0, 152, 4, 70, 30},
      {EL_REPORT_SWATCH, "Static", "", swatch, 0, 158, 16, 14, 10},
      {EL_REPORT_COLOR, "Button", "Text", push, 0, 176, 14, 40, 14},
      {-1, "Button", "Label Position", WS_VISIBLE | BS_GROUPBOX, 0, 6, 58, 140, 30},
      {EL_ANCHOR_DATA, "Button", "Anchor to &Data", radio | WS_GROUP, 0, 12, 71, 64, 10},
      {EL_ANCHOR_FRAME, "Button", "Anchor to &Frame", radio, 0, 78, 71, 64, 10},
      {-1, "Button", "Pointer", WS_VISIBLE | BS_GROUPBOX, 0, 152, 36, 70, 30},
      {EL_SHOW_POINTER, "Button", "Show Pointer", check | WS_GROUP, 0, 158, 49, 60, 10},
      {-1, "Button", "Font", WS_VISIBLE | BS_GROUPBOX, 0, 6, 90, 216, 48},
      {EL_PLOT_FONT, "Button", "Use Plot Font", radio | WS_GROUP, 0, 12, 101, 60, 10},
      {EL_SPECIAL_FONT, "Button", "Use Special Font", radio, 0, 76, 101, 70, 10},
      {EL_FACE_NAME, "Static", "", WS_VISIBLE | SS_LEFT, 0, 12, 119, 90, 12},
      {EL_SELECT_FONT, "Button", "&Select Special Font", push | WS_GROUP, 0, 104, 117, 72, 14},
      {-1, "Static", "&Angle:", WS_VISIBLE | SS_LEFT, 0, 150, 102, 24, 9},
      {EL_ANGLE, "Edit", "", WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 176, 100, 40, 12},
      {-1, "Button", "Edit Text here", WS_VISIBLE | BS_GROUPBOX, 0, 6, 140, 216, 52},
      {EDIT_LABEL_TEXT_ID, "Edit", "",
       WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, 0, 12, 152,
       204, 36},
      {KELT_HELP_BUTTON_ID, "Button", "&Help", push, 0, 238, 8, 54, 14},
      {EDIT_LABEL_DELETE_ID, "Button", "&Delete", push, 0, 238, 26, 54, 14},
      {IDOK, "Button", "OK", push | BS_DEFPUSHBUTTON, 0, 238, 160, 54, 14},
      {IDCANCEL, "Button", "Cancel", push, 0, 238, 178, 54, 14},
  };
  AddDialog(module, EDIT_LABEL_DIALOG_ID, t);
}

bool OnlyBlanks(const char* text, int32_t length) {
  for (int32_t i = 0; text && i < length; ++i)
    if (text[i] != ' ' && text[i] != '\r' && text[i] != '\n') return false;
  return true;
}

}  // namespace

CEditLabelDlg::CEditLabelDlg(HWND parent) : m_parentWindow(parent) {}

CEditLabelDlg::~CEditLabelDlg() {
  if (m_preview) DeleteObject(m_preview);
}

std::string CEditLabelDlg::DeleteTitle(const char* text, int32_t length) {
  std::string t = text && length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
  if (t.size() >= 51) t = t.substr(0, 50) + "...";
  return "Label: " + t;
}

INT_PTR CEditLabelDlg::DoModal() {
  AddTemplate();
  if (!kelt::dlg::InitModalFromLibrary(this, EDIT_LABEL_DIALOG_ID, CWnd::FromHandle(m_parentWindow)))
    return IDCANCEL;
  return CDialog::DoModal() == IDOK ? IDOK : IDCANCEL;
}

void CEditLabelDlg::MakePreviewFont() {
  if (m_preview) DeleteObject(m_preview);
  LOGFONTA lf = m_params.font;
  // The dialog's own font height, a little smaller, so the face fits the line.
  LOGFONTA own{};
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0));
  if (dialogFont && GetObjectA(dialogFont, sizeof own, &own) == sizeof own && own.lfHeight != 0)
    lf.lfHeight = own.lfHeight < 0 ? own.lfHeight + 2 : own.lfHeight - 2;
  lf.lfEscapement = lf.lfOrientation = 0;
  m_preview = CreateFontIndirectA(&lf);
  for (int id : {EL_FACE_NAME, EL_SELECT_FONT})
    if (m_preview) ::SendDlgItemMessageA(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(m_preview), TRUE);
  SetDlgItemText(EL_FACE_NAME, m_params.font.lfFaceName);
}

BOOL CEditLabelDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SendDlgItemMessage(EDIT_LABEL_TEXT_ID, EM_LIMITTEXT, EDIT_LABEL_TEXT_MAX, 0);
  if (m_text && m_text->text && m_text->length > 0) {
    std::string text(m_text->text, static_cast<size_t>(m_text->length));
    SetDlgItemText(EDIT_LABEL_TEXT_ID, text.c_str());
  }
  CheckDlgButton(EL_TRANSPARENT, m_params.transparent ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemText(EL_ANGLE, std::to_string(m_params.angle / 10).c_str());
  MakePreviewFont();
  const bool toData = m_params.positionMode == 1;
  CheckDlgButton(EL_ANCHOR_DATA, toData ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(EL_ANCHOR_FRAME, toData ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(EL_SHOW_POINTER, m_params.pointerMode > 0 ? BST_CHECKED : BST_UNCHECKED);
  ::EnableWindow(::GetDlgItem(m_hWnd, EL_SHOW_POINTER), toData ? TRUE : FALSE);
  const bool plotFont = m_params.fontSource > 0;
  CheckDlgButton(EL_PLOT_FONT, plotFont ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(EL_SPECIAL_FONT, plotFont ? BST_UNCHECKED : BST_CHECKED);
  ::EnableWindow(::GetDlgItem(m_hWnd, EL_SELECT_FONT), plotFont ? FALSE : TRUE);
  PositionDialog(m_hWnd, m_parentWindow);
  return TRUE;
}

void CEditLabelDlg::TakeText() {
  if (!m_text) return;
  char buffer[3048] = {};
  const int n = GetDlgItemText(EDIT_LABEL_TEXT_ID, buffer, sizeof buffer);
  if (n <= 0) {
    if (m_text->text) FreeBlock(m_text->text);
    m_text->text = nullptr;
    m_text->length = 0;
  } else {
    if (!m_text->text || n > m_text->length) {
      // A longer text takes a new block with some room to spare.
      auto* block = static_cast<char*>(AllocBlock(static_cast<uint32_t>(n) + 10));
      if (!block) return;  // the old text stays
      if (m_text->text) FreeBlock(m_text->text);
      m_text->text = block;
    }
    std::memcpy(m_text->text, buffer, static_cast<size_t>(n));
    if (static_cast<uint32_t>(n) < GetBlockSize(m_text->text)) m_text->text[n] = 0;
    m_text->length = n;
  }
  std::string shown = m_text->text ? std::string(m_text->text, static_cast<size_t>(m_text->length)) : std::string();
  SetDlgItemText(EDIT_LABEL_TEXT_ID, shown.c_str());
}

void CEditLabelDlg::TakeAngle() {
  int32_t degrees = m_params.angle / 10;
  if (HandleKillEditLong(this, EL_ANGLE, "Font Angle", 0, 360, &degrees)) m_params.angle = degrees * 10;
}

bool CEditLabelDlg::PickColour(COLORREF* colour) {
  CColorDialog dlg(*colour, CC_RGBINIT, this);
  if (dlg.DoModal() != IDOK) return false;
  *colour = dlg.GetColor();
  return true;
}

BOOL CEditLabelDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (code == EN_KILLFOCUS) {
    if (id == EL_ANGLE) TakeAngle();
    if (id == EDIT_LABEL_TEXT_ID) TakeText();
    return CDialog::OnCommand(wParam, lParam);
  }
  if (code != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
  auto repaint = [&](int swatch) { ::InvalidateRect(::GetDlgItem(m_hWnd, swatch), nullptr, TRUE); };
  switch (id) {
    case EL_TEXT_COLOR:
      if (PickColour(&m_params.screenColor)) repaint(EL_TEXT_SWATCH);
      return TRUE;
    case EL_BACK_COLOR:
      if (PickColour(&m_params.backColor)) repaint(EL_BACK_SWATCH);
      return TRUE;
    case EL_REPORT_COLOR:
      if (PickColour(&m_params.printColor)) repaint(EL_REPORT_SWATCH);
      return TRUE;
    case EL_TRANSPARENT:
      m_params.transparent = IsDlgButtonChecked(EL_TRANSPARENT) == BST_CHECKED ? 1 : 0;
      return TRUE;
    case EL_ANCHOR_DATA:
    case EL_ANCHOR_FRAME:
      m_params.positionMode = id == EL_ANCHOR_DATA ? 1 : 2;
      m_modified = 1;
      ::EnableWindow(::GetDlgItem(m_hWnd, EL_SHOW_POINTER), id == EL_ANCHOR_DATA ? TRUE : FALSE);
      return TRUE;
    case EL_SHOW_POINTER:
      m_params.pointerMode = IsDlgButtonChecked(EL_SHOW_POINTER) == BST_CHECKED ? 1 : 0;
      m_modified = 1;
      return TRUE;
    case EL_PLOT_FONT:
    case EL_SPECIAL_FONT:
      m_params.fontSource = id == EL_PLOT_FONT ? 1 : 0;
      ::EnableWindow(::GetDlgItem(m_hWnd, EL_SELECT_FONT), id == EL_SPECIAL_FONT ? TRUE : FALSE);
      return TRUE;
    case EL_SELECT_FONT: {
      LOGFONTA lf = m_params.font;
      CHOOSEFONTA cf{};
      cf.lStructSize = sizeof cf;
      cf.hwndOwner = m_hWnd;
      cf.lpLogFont = &lf;
      cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
      cf.rgbColors = m_params.screenColor;  // shown only; the colour chosen there is not taken
      if (ChooseFontA(&cf)) {
        m_params.font = lf;
        MakePreviewFont();
      }
      return TRUE;
    }
    case EDIT_LABEL_DELETE_ID: {
      TakeText();
      const std::string title =
          DeleteTitle(m_text ? m_text->text : nullptr, m_text ? m_text->length : 0);
      if (::MessageBoxA(m_hWnd, "Delete Label?", title.c_str(), MB_YESNO | MB_ICONQUESTION) != IDNO) {
        m_deleteLabel = 1;
        CDialog::OnOK();
      }
      return TRUE;
    }
    default:
      return CDialog::OnCommand(wParam, lParam);
  }
}

void CEditLabelDlg::OnOK() {
  TakeText();
  TakeAngle();
  if (!m_text || OnlyBlanks(m_text->text, m_text->length)) m_deleteLabel = 1;
  if (m_params.positionMode == 2) m_params.pointerMode = 0;  // a framed label points at nothing
  CDialog::OnOK();
}

LRESULT CEditLabelDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DRAWITEM) {
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (di) {
      const int id = static_cast<int>(di->CtlID);
      COLORREF c = id == EL_TEXT_SWATCH ? m_params.screenColor
                   : id == EL_BACK_SWATCH ? m_params.backColor
                                          : m_params.printColor;
      HBRUSH fill = CreateSolidBrush(c);
      FillRect(di->hDC, &di->rcItem, fill);
      DeleteObject(fill);
      HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
      FrameRect(di->hDC, &di->rcItem, black);
      DeleteObject(black);
      return TRUE;
    }
  }
  if (m_help.Handle(this, msg, wParam, lParam)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

int kelt::labels::RunEditLabelDialog(STRUCT_LAB_TEXT* text, STRUCT_MARKER_PARAMS* params, short* deleteLabel,
                                     short* centreLabel) {
  CEditLabelDlg dlg(nullptr);
  dlg.m_text = text;
  if (params) dlg.m_params = *params;
  const INT_PTR result = dlg.DoModal();
  if (result != IDOK) return 2;
  if (params) *params = dlg.m_params;
  if (deleteLabel) *deleteLabel = dlg.m_deleteLabel;
  if (centreLabel) *centreLabel = dlg.m_modified;
  return 1;
}
