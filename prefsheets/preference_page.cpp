// The shared behaviour of preference pages: slices, bound controls, reset,
// help, samples and swatches.
#include "prefsheets/preference_page.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "dialogs/edit_field_checks.h"
#include "framework/framework_common_dialogs.h"
#include "prefsheets/preference_pages.h"
#include "prefsheets/preference_sheet.h"
#include "win/win_commctrl.h"
#include "win/win_commdlg.h"
#include "win/win_gdi.h"
#include "win/win_user.h"

namespace prefsheets {

PageLayout::PageLayout(const char* caption, short cx, short cy) {
  dlg.caption = caption;
  dlg.style = WS_CHILD | DS_CONTROL | DS_SETFONT;
  dlg.cx = cx;
  dlg.cy = cy;
}

void PageLayout::Add(int id, const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy) {
  win::resources::DialogItem it;
  it.id = id;
  it.className = cls;
  it.text = text ? text : "";
  it.style = WS_VISIBLE | style;
  it.x = static_cast<short>(x);
  it.y = static_cast<short>(y);
  it.cx = static_cast<short>(cx);
  it.cy = static_cast<short>(cy);
  dlg.items.push_back(it);
}

void PageLayout::Check(int id, const char* text, int x, int y, int cx) {
  Add(id, "Button", text, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, cx, 10);
}
void PageLayout::Radio(int id, const char* text, int x, int y, int cx, bool first) {
  Add(id, "Button", text, BS_AUTORADIOBUTTON | (first ? WS_GROUP | WS_TABSTOP : 0), x, y, cx, 10);
}
void PageLayout::Group(const char* text, int x, int y, int cx, int cy) {
  Add(-1, "Button", text, BS_GROUPBOX, x, y, cx, cy);
}
void PageLayout::Text(const char* text, int x, int y, int cx, int id) { Add(id, "Static", text, SS_LEFT, x, y, cx, 9); }
void PageLayout::Edit(int id, int x, int y, int cx) {
  Add(id, "Edit", "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, x, y, cx, 12);
}
void PageLayout::Combo(int id, int x, int y, int cx, int listHeight) {
  Add(id, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP, x, y, cx, listHeight);
}
void PageLayout::List(int id, int x, int y, int cx, int cy, bool sorted, bool extended) {
  Add(id, "ListBox", "",
      LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP | (sorted ? LBS_SORT : 0) | (extended ? LBS_EXTENDEDSEL : 0), x,
      y, cx, cy);
}
void PageLayout::Push(int id, const char* text, int x, int y, int cx) {
  Add(id, "Button", text, BS_PUSHBUTTON | WS_TABSTOP, x, y, cx, 14);
}
void PageLayout::Swatch(int id, int x, int y) { Add(id, "Button", "", BS_OWNERDRAW | WS_TABSTOP, x, y, 22, 10); }
void PageLayout::Track(int id, int x, int y, int cx) {
  Add(id, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_AUTOTICKS | WS_TABSTOP, x, y, cx, 16);
}
void PageLayout::Spin(int editId, int spinId, int x, int y) {
  Edit(editId, x, y, 26);
  Add(spinId, UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, x + 26, y, 10, 12);
}

void PageLayout::Register(int templateId, bool noHelp) {
  const int y = dlg.cy - 18;
  Push(PREFS_ID_PAGE_RESET, "&Reset to Defaults", 6, y, 80);
  if (!noHelp) Push(PREFS_ID_HELP, "&Help", dlg.cx - 56, y, 50);
  win::resources::AddDialog(kelt::lib::ModuleHandle(), templateId, dlg);
}

void PaintSwatch(const DRAWITEMSTRUCT* d, COLORREF colour, bool focusFrames) {
  if (!d || !d->hDC) return;
  RECT r = d->rcItem;
  HBRUSH fill = CreateSolidBrush(colour);
  FillRect(d->hDC, &r, fill);
  DeleteObject(fill);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  FrameRect(d->hDC, &r, black);
  if (focusFrames && (d->itemState & ODS_FOCUS)) {
    RECT w{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    FrameRect(d->hDC, &w, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT b{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    FrameRect(d->hDC, &b, black);
  }
}

bool PickColour(COLORREF* colour) {
  CColorDialog dlg;
  if (dlg.DoModal() != IDOK) return false;
  *colour = dlg.GetColor();
  return true;
}

bool PickFont(LOGFONTA* font, DWORD flags, COLORREF colour) {
  LOGFONTA lf = *font;
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = GetActiveWindow();
  cf.lpLogFont = &lf;
  cf.Flags = flags | CF_INITTOLOGFONTSTRUCT;
  cf.rgbColors = colour;
  if (!ChooseFontA(&cf)) return false;
  // Kept as the chooser gives it: a negative height is the character
  // height the user picked, and turning it positive would shrink the font.
  *font = lf;
  return true;
}

HFONT MakeSampleFont(HWND dialog, const LOGFONTA& lf) {
  LOGFONTA sample = lf;
  sample.lfFaceName[LF_FACESIZE - 1] = 0;
  LOGFONTA dialogFont{};
  auto f = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  int height = 13;
  if (f && GetObjectA(f, sizeof dialogFont, &dialogFont) && dialogFont.lfHeight) height = std::abs(dialogFont.lfHeight);
  sample.lfHeight = height - 2;
  sample.lfWidth = 0;
  sample.lfEscapement = sample.lfOrientation = 0;
  return CreateFontIndirectA(&sample);
}

}  // namespace prefsheets

using prefsheets::Binding;

CPrefPage::CPrefPage(UINT templateId, const char* caption, size_t sliceSize, int16_t pageNumber, int16_t* lastPage,
                     uint32_t helpContext)
    : CPropertyPage(templateId),
      m_pageNumber(pageNumber),
      m_lastPage(lastPage),
      m_helpContext(helpContext),
      m_size(sliceSize > sizeof m_slice ? sizeof m_slice : sliceSize),
      m_help(helpContext) {
  m_psp.hInstance = reinterpret_cast<HINSTANCE>(kelt::lib::ModuleHandle());
  m_title = caption ? caption : "";
  m_psp.pszTitle = m_title.c_str();
  m_psp.dwFlags |= PSP_USETITLE;
}

CPrefPage::~CPrefPage() { DeleteSamples(); }

int16_t CPrefPage::Word(int offset) const {
  int16_t v = 0;
  std::memcpy(&v, m_slice + offset, sizeof v);
  return v;
}
void CPrefPage::SetWord(int offset, int16_t v) { std::memcpy(m_slice + offset, &v, sizeof v); }
int32_t CPrefPage::Long(int offset) const {
  int32_t v = 0;
  std::memcpy(&v, m_slice + offset, sizeof v);
  return v;
}
void CPrefPage::SetLong(int offset, int32_t v) { std::memcpy(m_slice + offset, &v, sizeof v); }
double CPrefPage::Real(int offset) const {
  double v = 0;
  std::memcpy(&v, m_slice + offset, sizeof v);
  return v;
}
void CPrefPage::SetReal(int offset, double v) { std::memcpy(m_slice + offset, &v, sizeof v); }
LOGFONTA CPrefPage::Font(int offset) const {
  LOGFONTA f{};
  std::memcpy(&f, m_slice + offset, sizeof f);
  return f;
}
void CPrefPage::SetFont(int offset, const LOGFONTA& f) { std::memcpy(m_slice + offset, &f, sizeof f); }

void CPrefPage::BindNumber(int id, int offset, int width, const char* name, double low, double high, int maxChars,
                           int scale, const char* format) {
  Binding b = Make(Binding::Number, id, offset);
  b.width = width;
  b.name = name;
  b.low = low;
  b.high = high;
  b.maxChars = maxChars;
  b.scale = scale;
  b.format = format;
  Bind(std::move(b));
}

void CPrefPage::BindCombo(int id, int offset, std::vector<prefsheets::Choice> choices) {
  Binding b = Make(Binding::Combo, id, offset);
  b.choices = std::move(choices);
  Bind(std::move(b));
}

void CPrefPage::BindTrack(int id, int offset, int low, int high) {
  Binding b = Make(Binding::Track, id, offset);
  b.trackLow = low;
  b.trackHigh = high;
  Bind(std::move(b));
}

void CPrefPage::BindSpin(int spinId, int editId, int offset, int low, int high) {
  Binding b = Make(Binding::Spin, spinId, offset);
  b.sampleId = editId;
  b.trackLow = low;
  b.trackHigh = high;
  Bind(std::move(b));
}

void CPrefPage::BindFont(int buttonId, int sampleId, int offset) {
  Binding b = Make(Binding::FontButton, buttonId, offset);
  b.sampleId = sampleId;
  Bind(std::move(b));
}

const Binding* CPrefPage::Find(int id) const {
  for (const Binding& b : m_bindings)
    if (b.id == id) return &b;
  return nullptr;
}

Binding* CPrefPage::FindMutable(int id) {
  for (Binding& b : m_bindings)
    if (b.id == id) return &b;
  return nullptr;
}

void CPrefPage::Shrink(int id) {
  if (HWND c = ::GetDlgItem(m_hWnd, id)) ::SetWindowPos(c, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
}

void CPrefPage::DrawStripCaptions(const DRAWITEMSTRUCT* d, const char* left, const char* middle, const char* right) {
  if (!d || !d->hDC) return;
  RECT r = d->rcItem;
  FillRect(d->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  // The captions in the page's own font.
  HWND page = d->hwndItem ? ::GetParent(d->hwndItem) : nullptr;
  auto font = reinterpret_cast<HFONT>(page ? ::SendMessageA(page, WM_GETFONT, 0, 0) : 0);
  HGDIOBJ old = font ? SelectObject(d->hDC, font) : nullptr;
  SetBkMode(d->hDC, TRANSPARENT);
  SetTextColor(d->hDC, RGB(0, 0, 0));
  if (left) DrawTextA(d->hDC, left, -1, &r, DT_LEFT | DT_SINGLELINE | DT_TOP);
  if (middle) DrawTextA(d->hDC, middle, -1, &r, DT_CENTER | DT_SINGLELINE | DT_TOP);
  if (right) DrawTextA(d->hDC, right, -1, &r, DT_RIGHT | DT_SINGLELINE | DT_TOP);
  if (old) SelectObject(d->hDC, old);
}

void CPrefPage::Enable(int id, bool on) {
  if (HWND c = ::GetDlgItem(m_hWnd, id)) {
    // The focus leaves a control being disabled for the page itself.
    if (!on && ::GetFocus() == c) ::SetFocus(m_hWnd);
    ::EnableWindow(c, on ? TRUE : FALSE);
  }
}

void CPrefPage::ShowCheck(int id, bool on) { ::CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }

BOOL CPrefPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  for (const Binding& b : m_bindings) {
    if (b.kind == Binding::Number && b.maxChars)
      ::SendDlgItemMessageA(m_hWnd, b.id, EM_LIMITTEXT, static_cast<WPARAM>(b.maxChars), 0);
    if (b.kind == Binding::Spin)
      ::SendDlgItemMessageA(m_hWnd, b.id, UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, b.sampleId)),
                            0);
  }
  return TRUE;
}

void CPrefPage::DeleteSamples() {
  for (auto& [id, font] : m_samples) {
    if (m_hWnd) {
      for (const Binding& b : m_bindings)
        if (b.id == id && b.sampleId) ::SendDlgItemMessageA(m_hWnd, b.sampleId, WM_SETFONT, 0, FALSE);
      ::SendDlgItemMessageA(m_hWnd, id, WM_SETFONT, 0, FALSE);
    }
    if (font) DeleteObject(font);
  }
  m_samples.clear();
}

void CPrefPage::RebuildSamples() {
  DeleteSamples();
  for (const Binding& b : m_bindings) {
    if (b.kind != Binding::FontButton) continue;
    const LOGFONTA lf = Font(b.offset);
    HFONT f = prefsheets::MakeSampleFont(m_hWnd, lf);
    m_samples.push_back({b.id, f});
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, lf.lfFaceName, LF_FACESIZE);
    if (b.sampleId) {
      ::SetDlgItemTextA(m_hWnd, b.sampleId, face);
      ::SendDlgItemMessageA(m_hWnd, b.sampleId, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
    }
    ::SendDlgItemMessageA(m_hWnd, b.id, WM_SETFONT, reinterpret_cast<WPARAM>(f), TRUE);
  }
}

void CPrefPage::UpdateControls() {
  if (!m_hWnd) return;
  m_filling = true;
  bool samples = false;
  for (const Binding& b : m_bindings) {
    switch (b.kind) {
      case Binding::Check: ShowCheck(b.id, Word(b.offset) != 0); break;
      case Binding::Radio: ShowCheck(b.id, Word(b.offset) == b.value); break;
      case Binding::Number: {
        char text[64];
        if (b.width == 8) std::snprintf(text, sizeof text, b.format ? b.format : "%g", Real(b.offset));
        else {
          const long stored = b.width == 4 ? Long(b.offset) : Word(b.offset);
          if (b.format) std::snprintf(text, sizeof text, b.format, double(stored) / b.scale);
          else std::snprintf(text, sizeof text, "%ld", stored / b.scale);
        }
        ::SetDlgItemTextA(m_hWnd, b.id, text);
        break;
      }
      case Binding::Combo: {
        if (b.choices.empty()) break;
        int pick = 0;
        for (size_t i = 0; i < b.choices.size(); ++i)
          if (b.choices[i].value == Word(b.offset)) pick = static_cast<int>(i);
        const int count = static_cast<int>(::SendDlgItemMessageA(m_hWnd, b.id, CB_GETCOUNT, 0, 0));
        // A list filled with fewer entries (a mode leaves some out) picks by value.
        for (int i = 0; i < count; ++i)
          if (static_cast<int16_t>(::SendDlgItemMessageA(m_hWnd, b.id, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) ==
              b.choices[static_cast<size_t>(pick)].value) {
            ::SendDlgItemMessageA(m_hWnd, b.id, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            break;
          }
        break;
      }
      case Binding::Swatch:
        if (HWND c = ::GetDlgItem(m_hWnd, b.id)) ::InvalidateRect(c, nullptr, TRUE);
        break;
      case Binding::Track:
        ::SendDlgItemMessageA(m_hWnd, b.id, TBM_SETRANGE, TRUE, MAKELONG(b.trackLow, b.trackHigh));
        ::SendDlgItemMessageA(m_hWnd, b.id, TBM_SETPOS, TRUE, Word(b.offset));
        break;
      case Binding::Spin:
        ::SendDlgItemMessageA(m_hWnd, b.id, UDM_SETRANGE, 0, MAKELONG(b.trackHigh, b.trackLow));
        ::SendDlgItemMessageA(m_hWnd, b.id, UDM_SETPOS, 0, MAKELONG(Word(b.offset), 0));
        break;
      case Binding::FontButton: samples = true; break;
    }
  }
  if (samples) RebuildSamples();
  m_filling = false;
  ApplyRules();
}

void CPrefPage::ResetPage() {
  std::memcpy(m_slice, m_default, m_size);
  UpdateControls();
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
  NotifyChanged();
}

void CPrefPage::NotifyChanged() {
  if (m_sheet && m_sheet->m_hWnd) ::SendMessageA(m_sheet->m_hWnd, PREFM_PAGECHANGED, 0, 0);
}

void CPrefPage::AfterChange(int) {
  ApplyRules();
  NotifyChanged();
}

BOOL CPrefPage::OnSetActive() {
  const BOOL r = CPropertyPage::OnSetActive();
  ::SetDlgItemTextA(m_hWnd, PREFS_ID_PAGE_RESET, "&Reset to Defaults");
  // Lists are filled at activation; later refreshes only pick entries.
  for (const Binding& b : m_bindings) {
    if (b.kind != Binding::Combo) continue;
    ::SendDlgItemMessageA(m_hWnd, b.id, CB_RESETCONTENT, 0, 0);
    for (const prefsheets::Choice& c : b.choices) {
      const LRESULT at = ::SendDlgItemMessageA(m_hWnd, b.id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text));
      ::SendDlgItemMessageA(m_hWnd, b.id, CB_SETITEMDATA, static_cast<WPARAM>(at), c.value);
    }
  }
  UpdateControls();
  if (m_lastPage) *m_lastPage = m_pageNumber;
  return r;
}

BOOL CPrefPage::OnKillActive() {
  for (const Binding& b : m_bindings) {
    if (b.kind == Binding::Track)
      SetWord(b.offset, static_cast<int16_t>(::SendDlgItemMessageA(m_hWnd, b.id, TBM_GETPOS, 0, 0)));
    if (b.kind == Binding::Spin)
      SetWord(b.offset, static_cast<int16_t>(LOWORD(::SendDlgItemMessageA(m_hWnd, b.id, UDM_GETPOS, 0, 0))));
  }
  OnDeactivate();
  DeleteSamples();
  return CPropertyPage::OnKillActive();
}

void CPrefPage::FontChooserSetup(int, DWORD* flags, COLORREF* colour) {
  *flags = CF_SCREENFONTS | CF_FORCEFONTEXIST;
  *colour = 0;
}

void CPrefPage::ChooseColour(const Binding& b) {
  COLORREF c = static_cast<COLORREF>(Long(b.offset));
  if (!prefsheets::PickColour(&c)) return;
  SetLong(b.offset, static_cast<int32_t>(c));
  if (HWND w = ::GetDlgItem(m_hWnd, b.id)) ::InvalidateRect(w, nullptr, TRUE);
  AfterChange(b.id);
}

void CPrefPage::ChooseFont(const Binding& b) {
  DWORD flags = 0;
  COLORREF colour = 0;
  FontChooserSetup(b.offset, &flags, &colour);
  LOGFONTA lf = Font(b.offset);
  if (!prefsheets::PickFont(&lf, flags, colour)) return;
  SetFont(b.offset, lf);
  RebuildSamples();
  AfterChange(b.id);
}

void CPrefPage::DrawSwatch(const DRAWITEMSTRUCT* d) {
  const Binding* b = Find(static_cast<int>(d->CtlID));
  if (b && b->kind == Binding::Swatch)
    prefsheets::PaintSwatch(d, static_cast<COLORREF>(Long(b->offset)), m_focusFrames);
}

BOOL CPrefPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (id == PREFS_ID_PAGE_RESET && code == BN_CLICKED) {
    ResetPage();
    return TRUE;
  }
  if (m_help.Handle(this, WM_COMMAND, wParam, lParam)) return TRUE;
  if (m_filling) return CPropertyPage::OnCommand(wParam, lParam);
  if (OnPageCommand(id, code)) return TRUE;
  const Binding* b = Find(id);
  if (!b) return CPropertyPage::OnCommand(wParam, lParam);
  switch (b->kind) {
    case Binding::Check:
      if (code != BN_CLICKED) break;
      SetWord(b->offset, ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0);
      AfterChange(id);
      return TRUE;
    case Binding::Radio:
      if (code != BN_CLICKED || ::IsDlgButtonChecked(m_hWnd, id) != BST_CHECKED) break;
      SetWord(b->offset, b->value);
      // The buttons of one field show one choice, however the template groups them.
      for (const Binding& other : m_bindings)
        if (other.kind == Binding::Radio && other.offset == b->offset) ShowCheck(other.id, other.value == b->value);
      AfterChange(id);
      return TRUE;
    case Binding::Swatch:
      if (code != BN_CLICKED) break;
      ChooseColour(*b);
      return TRUE;
    case Binding::FontButton:
      if (code != BN_CLICKED) break;
      ChooseFont(*b);
      return TRUE;
    case Binding::Combo: {
      if (code != CBN_SELCHANGE) break;
      const LRESULT sel = ::SendDlgItemMessageA(m_hWnd, id, CB_GETCURSEL, 0, 0);
      if (sel < 0) break;
      SetWord(b->offset, static_cast<int16_t>(::SendDlgItemMessageA(m_hWnd, id, CB_GETITEMDATA,
                                                                     static_cast<WPARAM>(sel), 0)));
      AfterChange(id);
      return TRUE;
    }
    case Binding::Number: {
      if (code != EN_KILLFOCUS) break;
      int32_t changed = 0;
      if (b->width == 8) {
        double v = Real(b->offset);
        changed = HandleKillEditDouble(this, static_cast<uint16_t>(id), b->name, b->format, b->low, b->high, &v);
        if (changed) SetReal(b->offset, v);
      } else if (b->format) {
        double v = double(b->width == 4 ? Long(b->offset) : Word(b->offset)) / b->scale;
        changed = HandleKillEditDouble(this, static_cast<uint16_t>(id), b->name, b->format, b->low, b->high, &v);
        const long stored = std::lround(v * b->scale);
        if (changed && b->width == 4) SetLong(b->offset, static_cast<int32_t>(stored));
        else if (changed) SetWord(b->offset, static_cast<int16_t>(stored));
      } else {
        int32_t v = (b->width == 4 ? Long(b->offset) : Word(b->offset)) / b->scale;
        changed = HandleKillEditLong(this, static_cast<uint16_t>(id), b->name, static_cast<int32_t>(b->low),
                                     static_cast<int32_t>(b->high), &v);
        if (changed && b->width == 4) SetLong(b->offset, v * b->scale);
        else if (changed) SetWord(b->offset, static_cast<int16_t>(v * b->scale));
      }
      if (changed) AfterChange(id);
      return TRUE;
    }
    case Binding::Track:
    case Binding::Spin: break;
  }
  return CPropertyPage::OnCommand(wParam, lParam);
}

LRESULT CPrefPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DRAWITEM && lParam) {
    const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!DrawOwnItem(d)) DrawSwatch(d);
    return TRUE;
  }
  if (msg == WM_CONTEXTMENU) {
    m_help.ContextMenu(this, lParam);
    return 0;
  }
  return CPropertyPage::WindowProc(msg, wParam, lParam);
}

BOOL CPrefPage::PreTranslateMessage(MSG* msg) {
  // Enter in a number field would close the sheet: it is swallowed.
  if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && msg->hwnd && ::GetParent(msg->hwnd) == m_hWnd) {
    const Binding* b = Find(::GetDlgCtrlID(msg->hwnd));
    if (b && b->kind == Binding::Number) return TRUE;
  }
  return CPropertyPage::PreTranslateMessage(msg);
}

void CPrefPage::EditAppearance(int offset, int16_t kind) {
  CMarkerAppearanceDlg dlg;
  dlg.m_kind = kind;
  std::memcpy(&dlg.m_params, Slice() + offset, sizeof dlg.m_params);
  if (dlg.DoModal() != 1) return;
  std::memcpy(Slice() + offset, &dlg.m_params, sizeof dlg.m_params);
  NotifyChanged();
}
