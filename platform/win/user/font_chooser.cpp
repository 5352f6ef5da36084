// The font chooser: face, style, size in points and, with CF_EFFECTS,
// strikeout, underline and colour; a sample in the chosen font.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common_dialog_kit.h"
#include "win_crt.h"

namespace win::user {
namespace {

constexpr int kSample = 1092;
constexpr const char* kStateProp = "FontChooserState";
// The faces the text engine draws (each maps to one of its families).
const char* const kFaces[] = {"Arial", "Courier New", "MS Sans Serif", "MS Serif", "Times New Roman"};
const char* const kFixedFaces[] = {"Courier New"};
const char* const kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const std::pair<const char*, COLORREF> kColours[] = {
    {"Black", RGB(0, 0, 0)},       {"Maroon", RGB(128, 0, 0)},   {"Green", RGB(0, 128, 0)},
    {"Olive", RGB(128, 128, 0)},   {"Navy", RGB(0, 0, 128)},     {"Purple", RGB(128, 0, 128)},
    {"Teal", RGB(0, 128, 128)},    {"Gray", RGB(128, 128, 128)}, {"Silver", RGB(192, 192, 192)},
    {"Red", RGB(255, 0, 0)},       {"Lime", RGB(0, 255, 0)},     {"Yellow", RGB(255, 255, 0)},
    {"Blue", RGB(0, 0, 255)},      {"Fuchsia", RGB(255, 0, 255)}, {"Aqua", RGB(0, 255, 255)},
    {"White", RGB(255, 255, 255)}};

struct Chooser {
  CHOOSEFONTA* cf = nullptr;
  HFONT sample = nullptr;
  ~Chooser() {
    if (sample) DeleteObject(sample);
  }
};

Chooser* StateOf(HWND h) { return static_cast<Chooser*>(GetPropA(h, kStateProp)); }

int LogPixelsY(const CHOOSEFONTA& cf) {
  HDC dc = cf.hDC ? cf.hDC : GetDC(nullptr);
  int v = GetDeviceCaps(dc, LOGPIXELSY);
  if (!cf.hDC) ReleaseDC(nullptr, dc);
  return v > 0 ? v : 96;
}

std::string Field(HWND dlg, int id) {
  char buf[LF_FACESIZE + 16] = {};
  GetDlgItemTextA(dlg, id, buf, sizeof buf);
  return buf;
}

// The font the fields describe; false with the reason when they do not.
bool Describe(HWND dlg, const CHOOSEFONTA& cf, LOGFONTA* lf, int* points, COLORREF* colour, std::string* why) {
  std::string face = Field(dlg, cmb1);
  bool known = false;
  for (const char* f : kFaces) known = known || _stricmp(f, face.c_str()) == 0;
  if (face.empty() || face.size() >= LF_FACESIZE || ((cf.Flags & CF_FORCEFONTEXIST) && !known)) {
    *why = "There is no font with that name.\nChoose a font from the list of fonts.";
    return false;
  }
  std::string size = Field(dlg, cmb3);
  char* end = nullptr;
  long p = std::strtol(size.c_str(), &end, 10);
  if (size.empty() || *end || p <= 0 || p > 1638) {
    *why = "Size must be a number.";
    return false;
  }
  if ((cf.Flags & CF_LIMITSIZE) && (p < cf.nSizeMin || p > cf.nSizeMax)) {
    *why = "Size must be between " + std::to_string(cf.nSizeMin) + " and " + std::to_string(cf.nSizeMax) + " points.";
    return false;
  }
  int style = static_cast<int>(SendDlgItemMessageA(dlg, cmb2, CB_GETCURSEL, 0, 0));
  *lf = LOGFONTA{};
  if (cf.lpLogFont) *lf = *cf.lpLogFont;
  lf->lfHeight = -MulDivRound(static_cast<int>(p), LogPixelsY(cf), 72);
  lf->lfWidth = 0;
  lf->lfWeight = (style == 2 || style == 3) ? FW_BOLD : FW_NORMAL;
  lf->lfItalic = (style == 1 || style == 3) ? 1 : 0;
  lf->lfUnderline = IsDlgButtonChecked(dlg, chx2) == BST_CHECKED ? 1 : 0;
  lf->lfStrikeOut = IsDlgButtonChecked(dlg, chx1) == BST_CHECKED ? 1 : 0;
  std::memset(lf->lfFaceName, 0, LF_FACESIZE);
  std::memcpy(lf->lfFaceName, face.c_str(), face.size());
  *points = static_cast<int>(p);
  int c = static_cast<int>(SendDlgItemMessageA(dlg, cmb4, CB_GETCURSEL, 0, 0));
  *colour = c >= 0 && c < 16 ? kColours[c].second : cf.rgbColors;
  return true;
}

void UpdateSample(HWND dlg, Chooser& s) {
  LOGFONTA lf;
  int points;
  COLORREF colour;
  std::string why;
  if (!Describe(dlg, *s.cf, &lf, &points, &colour, &why)) return;
  if (s.sample) DeleteObject(s.sample);
  s.sample = CreateFontIndirectA(&lf);
  SendDlgItemMessageA(dlg, kSample, WM_SETFONT, reinterpret_cast<WPARAM>(s.sample), TRUE);
}

void Fill(HWND dlg, Chooser& s) {
  const CHOOSEFONTA& cf = *s.cf;
  HWND faces = GetDlgItem(dlg, cmb1);
  if (cf.Flags & CF_FIXEDPITCHONLY)
    for (const char* f : kFixedFaces) SendMessageA(faces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f));
  else
    for (const char* f : kFaces) SendMessageA(faces, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f));
  for (const char* st : kStyles) SendDlgItemMessageA(dlg, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(st));
  for (int sz : kSizes)
    if (!(cf.Flags & CF_LIMITSIZE) || (sz >= cf.nSizeMin && sz <= cf.nSizeMax))
      SendDlgItemMessageA(dlg, cmb3, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(sz).c_str()));
  for (auto& [name, c] : kColours) SendDlgItemMessageA(dlg, cmb4, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  std::string face = "Arial";
  int style = 0, points = 10;
  if ((cf.Flags & CF_INITTOLOGFONTSTRUCT) && cf.lpLogFont) {
    const LOGFONTA& lf = *cf.lpLogFont;
    char name[LF_FACESIZE + 1] = {};
    std::memcpy(name, lf.lfFaceName, LF_FACESIZE);
    if (name[0]) face = name;
    style = (lf.lfWeight >= FW_SEMIBOLD ? 2 : 0) + (lf.lfItalic ? 1 : 0);
    if (lf.lfHeight) points = std::max(1, MulDivRound(std::abs(static_cast<int>(lf.lfHeight)), 72, LogPixelsY(cf)));
    CheckDlgButton(dlg, chx1, lf.lfStrikeOut ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, chx2, lf.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
  }
  SetDlgItemTextA(dlg, cmb1, face.c_str());
  SendDlgItemMessageA(dlg, cmb1, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(face.c_str()));
  SendDlgItemMessageA(dlg, cmb2, CB_SETCURSEL, static_cast<WPARAM>(style), 0);
  SetDlgItemTextA(dlg, cmb3, std::to_string(points).c_str());
  int colour = 0;
  for (int i = 0; i < 16; ++i)
    if (kColours[i].second == (cf.rgbColors & 0xFFFFFF)) colour = i;
  SendDlgItemMessageA(dlg, cmb4, CB_SETCURSEL, static_cast<WPARAM>(colour), 0);
}

INT_PTR CALLBACK ChooserProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  Chooser* s = msg == WM_INITDIALOG ? reinterpret_cast<Chooser*>(l) : StateOf(dlg);
  if (!s) return FALSE;
  if ((s->cf->Flags & CF_ENABLEHOOK) && s->cf->lpfnHook && msg != WM_INITDIALOG && s->cf->lpfnHook(dlg, msg, w, l))
    return TRUE;
  switch (msg) {
    case WM_INITDIALOG: {
      SetPropA(dlg, kStateProp, s);
      DWORD flags = s->cf->Flags;
      AddDialogControl(dlg, "Static", "&Font:", SS_LEFT | WS_VISIBLE, stc1, 10, 8, 150, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWN | CBS_SORT | WS_TABSTOP | WS_VISIBLE |
                       ((flags & CF_NOFACESEL) ? WS_DISABLED : 0), cmb1, 10, 26, 150, 120);
      AddDialogControl(dlg, "Static", "Font st&yle:", SS_LEFT | WS_VISIBLE, stc2, 170, 8, 100, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, cmb2, 170, 26, 100, 120);
      AddDialogControl(dlg, "Static", "&Size:", SS_LEFT | WS_VISIBLE, stc3, 280, 8, 60, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWN | WS_TABSTOP | WS_VISIBLE, cmb3, 280, 26, 60, 120);
      DWORD effects = (flags & CF_EFFECTS) ? WS_VISIBLE : 0;
      AddDialogControl(dlg, "Button", "Stri&keout", BS_AUTOCHECKBOX | WS_TABSTOP | effects, chx1, 10, 156, 100, 16);
      AddDialogControl(dlg, "Button", "&Underline", BS_AUTOCHECKBOX | WS_TABSTOP | effects, chx2, 10, 176, 100, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | effects, cmb4, 10, 198, 100, 160);
      AddDialogControl(dlg, "Static", "AaBbYyZz", SS_CENTER | SS_SUNKEN | WS_VISIBLE, kSample, 170, 156, 170, 60);
      AddDialogControl(dlg, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDOK, 350, 26, 80, 24);
      AddDialogControl(dlg, "Button", "Cancel", WS_TABSTOP | WS_VISIBLE, IDCANCEL, 350, 56, 80, 24);
      if (flags & CF_SHOWHELP) AddDialogControl(dlg, "Button", "&Help", WS_TABSTOP | WS_VISIBLE, IDHELP, 350, 86, 80, 24);
      SendMessageA(dlg, DM_SETDEFID, IDOK, 0);
      Fill(dlg, *s);
      UpdateSample(dlg, *s);
      if ((flags & CF_ENABLEHOOK) && s->cf->lpfnHook)
        s->cf->lpfnHook(dlg, WM_INITDIALOG, w, reinterpret_cast<LPARAM>(s->cf));
      return TRUE;
    }
    case WM_COMMAND: {
      int id = LOWORD(w);
      if ((id == cmb1 || id == cmb2 || id == cmb3 || id == chx1 || id == chx2) &&
          (HIWORD(w) == CBN_SELCHANGE || HIWORD(w) == CBN_EDITCHANGE || HIWORD(w) == BN_CLICKED)) {
        UpdateSample(dlg, *s);
        return TRUE;
      }
      if (id == IDOK) {
        LOGFONTA lf;
        int points;
        COLORREF colour;
        std::string why;
        if (!Describe(dlg, *s->cf, &lf, &points, &colour, &why)) {
          MessageBoxA(dlg, why.c_str(), "Font", MB_OK | MB_ICONINFORMATION);
          return TRUE;
        }
        CHOOSEFONTA& cf = *s->cf;
        if (cf.lpLogFont) *cf.lpLogFont = lf;
        cf.iPointSize = points * 10;
        if (cf.Flags & CF_EFFECTS) cf.rgbColors = colour;
        cf.nFontType = static_cast<WORD>(SCREEN_FONTTYPE | (lf.lfWeight >= FW_BOLD ? BOLD_FONTTYPE : REGULAR_FONTTYPE) |
                                         (lf.lfItalic ? ITALIC_FONTTYPE : 0));
        if ((cf.Flags & CF_USESTYLE) && cf.lpszStyle) {
          int st = static_cast<int>(SendDlgItemMessageA(dlg, cmb2, CB_GETCURSEL, 0, 0));
          std::strcpy(cf.lpszStyle, kStyles[st >= 0 && st < 4 ? st : 0]);
        }
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    case WM_DESTROY: RemovePropA(dlg, kStateProp); return FALSE;
    default: return FALSE;
  }
}

}  // namespace
}  // namespace win::user

BOOL ChooseFontA(LPCHOOSEFONTA cf) {
  using namespace win::user;
  if (!StartCommonDialog(cf)) return FALSE;
  if (!cf->lpLogFont || ((cf->Flags & CF_ENABLEHOOK) && !cf->lpfnHook) ||
      ((cf->Flags & CF_LIMITSIZE) && cf->nSizeMin > cf->nSizeMax)) {
    SetCommonDialogError(cf->lpLogFont ? CDERR_NOHOOK : CDERR_INITIALIZATION);
    return FALSE;
  }
  Chooser s;
  s.cf = cf;
  return RunPixelDialog("Font", 440, 230, cf->hwndOwner, ChooserProc, &s) == IDOK ? TRUE : FALSE;
}
