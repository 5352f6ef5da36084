// Printer set-up and print: a choice among the configured printers (all of
// them the PDF printer), paper and orientation, and copies for printing.
#include <cstring>
#include <string>
#include <vector>

#include "common_dialog_kit.h"
#include "win_profile.h"
#include "win_stdio.h"

namespace win::user {
namespace {

constexpr const char* kDefaultPrinter = "Kelt PDF Printer";
constexpr const char* kStateProp = "PrintDialogState";

struct Printer {
  std::string name, driver, port;
};

std::vector<Printer> Printers() {
  std::vector<Printer> out;
  std::vector<char> buf(8192);
  DWORD n = GetProfileSectionA("devices", buf.data(), static_cast<DWORD>(buf.size()));
  for (const char* p = buf.data(); n && *p; p += std::strlen(p) + 1) {
    std::string line = p;
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    Printer pr;
    pr.name = line.substr(0, eq);
    std::string rest = line.substr(eq + 1);
    size_t comma = rest.find(',');
    pr.driver = rest.substr(0, comma);
    pr.port = comma == std::string::npos ? "" : rest.substr(comma + 1);
    out.push_back(pr);
  }
  if (out.empty()) out.push_back(Printer{kDefaultPrinter, "winspool", "PDF:"});
  return out;
}

int DefaultIndex(const std::vector<Printer>& printers) {
  char dev[256] = {};
  GetProfileStringA("windows", "device", "", dev, sizeof dev);
  std::string name = dev;
  name = name.substr(0, name.find(','));
  for (size_t i = 0; i < printers.size(); ++i)
    if (EqualNoCase(printers[i].name, name)) return static_cast<int>(i);
  return 0;
}

struct PrintDialog {
  PRINTDLGA* pd = nullptr;
  std::vector<Printer> printers;
  int chosen = 0;
  DEVMODEA mode{};
};

PrintDialog* StateOf(HWND h) { return static_cast<PrintDialog*>(GetPropA(h, kStateProp)); }

HGLOBAL MakeDevNames(const Printer& p, bool isDefault) {
  size_t size = sizeof(DEVNAMES) + p.driver.size() + p.name.size() + p.port.size() + 3;
  HGLOBAL h = GlobalAlloc(GHND, size);
  if (!h) return nullptr;
  auto* bytes = static_cast<char*>(GlobalLock(h));
  DEVNAMES dn{};
  dn.wDriverOffset = sizeof(DEVNAMES);
  dn.wDeviceOffset = static_cast<WORD>(dn.wDriverOffset + p.driver.size() + 1);
  dn.wOutputOffset = static_cast<WORD>(dn.wDeviceOffset + p.name.size() + 1);
  dn.wDefault = isDefault ? DN_DEFAULTPRN : 0;
  std::memcpy(bytes, &dn, sizeof dn);
  std::memcpy(bytes + dn.wDriverOffset, p.driver.c_str(), p.driver.size() + 1);
  std::memcpy(bytes + dn.wDeviceOffset, p.name.c_str(), p.name.size() + 1);
  std::memcpy(bytes + dn.wOutputOffset, p.port.c_str(), p.port.size() + 1);
  GlobalUnlock(h);
  return h;
}

HGLOBAL MakeDevMode(const DEVMODEA& mode) {
  HGLOBAL h = GlobalAlloc(GHND, sizeof(DEVMODEA));
  if (!h) return nullptr;
  std::memcpy(GlobalLock(h), &mode, sizeof mode);
  GlobalUnlock(h);
  return h;
}

DEVMODEA DefaultMode(const std::string& name) {
  DEVMODEA m{};
  std::strncpy(reinterpret_cast<char*>(m.dmDeviceName), name.c_str(), CCHDEVICENAME - 1);
  m.dmSize = sizeof(DEVMODEA);
  m.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
  m.dmOrientation = DMORIENT_PORTRAIT;
  m.dmPaperSize = DMPAPER_LETTER;
  m.dmCopies = 1;
  return m;
}

// Hands the choice back: fresh blocks (the old ones freed) and a DC when asked.
BOOL Finish(PrintDialog& s) {
  PRINTDLGA& pd = *s.pd;
  const Printer& p = s.printers[static_cast<size_t>(s.chosen)];
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  pd.hDevNames = MakeDevNames(p, s.chosen == DefaultIndex(s.printers));
  pd.hDevMode = MakeDevMode(s.mode);
  if (pd.Flags & (PD_RETURNDC | PD_RETURNIC)) pd.hDC = CreateDCA(p.driver.c_str(), p.name.c_str(), nullptr, &s.mode);
  return pd.hDevNames && pd.hDevMode ? TRUE : FALSE;
}

INT_PTR CALLBACK PrintProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  PrintDialog* s = msg == WM_INITDIALOG ? reinterpret_cast<PrintDialog*>(l) : StateOf(dlg);
  if (!s) return FALSE;
  switch (msg) {
    case WM_INITDIALOG: {
      SetPropA(dlg, kStateProp, s);
      bool setup = (s->pd->Flags & PD_PRINTSETUP) != 0;
      AddDialogControl(dlg, "Static", "&Name:", SS_LEFT | WS_VISIBLE, stc1, 10, 12, 60, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, cmb4, 74, 10, 240, 120);
      AddDialogControl(dlg, "Static", "Si&ze:", SS_LEFT | WS_VISIBLE, stc2, 10, 44, 60, 16);
      AddDialogControl(dlg, "ComboBox", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VISIBLE, cmb2, 74, 42, 140, 80);
      AddDialogControl(dlg, "Button", "P&ortrait", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP | WS_VISIBLE, rad1, 230,
                       40, 90, 16);
      AddDialogControl(dlg, "Button", "L&andscape", BS_AUTORADIOBUTTON | WS_VISIBLE, rad2, 230, 60, 90, 16);
      if (!setup) {
        AddDialogControl(dlg, "Static", "Number of &copies:", SS_LEFT | WS_VISIBLE, stc3, 10, 86, 110, 16);
        AddDialogControl(dlg, "Edit", "", ES_NUMBER | WS_BORDER | WS_TABSTOP | WS_VISIBLE, edt3, 124, 84, 40, 20);
      }
      AddDialogControl(dlg, "Button", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE, IDOK, 150, 118, 80, 24);
      AddDialogControl(dlg, "Button", "Cancel", WS_TABSTOP | WS_VISIBLE, IDCANCEL, 240, 118, 80, 24);
      SendMessageA(dlg, DM_SETDEFID, IDOK, 0);
      for (auto& p : s->printers) SendDlgItemMessageA(dlg, cmb4, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.name.c_str()));
      SendDlgItemMessageA(dlg, cmb4, CB_SETCURSEL, static_cast<WPARAM>(s->chosen), 0);
      SendDlgItemMessageA(dlg, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Letter"));
      SendDlgItemMessageA(dlg, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("A4"));
      SendDlgItemMessageA(dlg, cmb2, CB_SETCURSEL, s->mode.dmPaperSize == DMPAPER_A4 ? 1 : 0, 0);
      CheckRadioButton(dlg, rad1, rad2, s->mode.dmOrientation == DMORIENT_LANDSCAPE ? rad2 : rad1);
      if (!setup) SetDlgItemInt(dlg, edt3, s->pd->nCopies ? s->pd->nCopies : 1, FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        int sel = static_cast<int>(SendDlgItemMessageA(dlg, cmb4, CB_GETCURSEL, 0, 0));
        if (sel < 0 || static_cast<size_t>(sel) >= s->printers.size()) return TRUE;
        if (sel != s->chosen) s->mode = DefaultMode(s->printers[static_cast<size_t>(sel)].name);
        s->chosen = sel;
        s->mode.dmPaperSize = SendDlgItemMessageA(dlg, cmb2, CB_GETCURSEL, 0, 0) == 1 ? DMPAPER_A4 : DMPAPER_LETTER;
        s->mode.dmOrientation = IsDlgButtonChecked(dlg, rad2) == BST_CHECKED ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        if (!(s->pd->Flags & PD_PRINTSETUP)) {
          BOOL ok = FALSE;
          UINT copies = GetDlgItemInt(dlg, edt3, &ok, FALSE);
          if (!ok || copies < 1 || copies > 999) {
            MessageBoxA(dlg, "The number of copies must be from 1 to 999.", "Print", MB_OK | MB_ICONWARNING);
            return TRUE;
          }
          s->pd->nCopies = static_cast<WORD>(copies);
          s->mode.dmCopies = static_cast<SHORT>(copies);
        }
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY: RemovePropA(dlg, kStateProp); return FALSE;
    default: return FALSE;
  }
}

}  // namespace
}  // namespace win::user

BOOL PrintDlgA(LPPRINTDLGA pd) {
  using namespace win::user;
  if (!StartCommonDialog(pd)) return FALSE;
  PrintDialog s;
  s.pd = pd;
  s.printers = Printers();
  s.chosen = DefaultIndex(s.printers);
  // A device mode handed in names the printer to start with.
  if (pd->hDevMode) {
    if (auto* m = static_cast<const DEVMODEA*>(GlobalLock(pd->hDevMode))) {
      if (GlobalSize(pd->hDevMode) >= sizeof(DEVMODEA)) {
        s.mode = *m;
        char name[CCHDEVICENAME + 1] = {};
        std::memcpy(name, m->dmDeviceName, CCHDEVICENAME);
        for (size_t i = 0; i < s.printers.size(); ++i)
          if (EqualNoCase(s.printers[i].name, name)) s.chosen = static_cast<int>(i);
      }
      GlobalUnlock(pd->hDevMode);
    }
  }
  if (!s.mode.dmSize) s.mode = DefaultMode(s.printers[static_cast<size_t>(s.chosen)].name);
  if (pd->Flags & PD_RETURNDEFAULT) {
    if (pd->hDevMode || pd->hDevNames) {  // the caller's blocks would be lost
      SetCommonDialogError(CDERR_INITIALIZATION);
      return FALSE;
    }
    return Finish(s);
  }
  if (RunPixelDialog((pd->Flags & PD_PRINTSETUP) ? "Print Setup" : "Print", 330, 152, pd->hwndOwner, PrintProc, &s) !=
      IDOK) return FALSE;
  return Finish(s);
}
