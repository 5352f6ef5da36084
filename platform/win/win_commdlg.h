#pragma once
// Common dialogs: open and save (explorer style, with hooks and child
// templates), the colour chooser and the font chooser. They run headless as
// modal dialogs a script fills (win_script.h OnNextDialog); the file dialog
// lists the real folders and files of the workstation root.
#include "win_export.h"
#include "win_gdi.h"
#include "win_types.h"
#include "win_user.h"

typedef UINT_PTR (CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR (CALLBACK* LPCCHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR (CALLBACK* LPCFHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

// In memory only: the pointers make it larger than the 88 bytes of the
// 32-bit layout; the size up to pvReserved is accepted too.
struct OPENFILENAMEA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  void* pvReserved;
  DWORD dwReserved;
  DWORD FlagsEx;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;
typedef OPENFILENAMEA OPENFILENAME;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_EX_NOPLACESBAR 0x00000001

// Controls of the file dialog (and of the font dialog's lists).
#define chx1 0x0410
#define chx2 0x0411
#define psh15 0x040E
#define stc1 0x0440
#define stc2 0x0441
#define stc3 0x0442
#define stc4 0x0443
#define stc32 0x045F
#define lst1 0x0460
#define lst2 0x0461
#define cmb1 0x0470
#define cmb2 0x0471
#define cmb3 0x0472
#define cmb4 0x0473
#define edt1 0x0480
#define ID_FILEDLG_UPFOLDER 0xA001

#define CDN_FIRST (0u - 601)
#define CDN_INITDONE (CDN_FIRST - 0)
#define CDN_SELCHANGE (CDN_FIRST - 1)
#define CDN_FOLDERCHANGE (CDN_FIRST - 2)
#define CDN_SHAREVIOLATION (CDN_FIRST - 3)
#define CDN_HELP (CDN_FIRST - 4)
#define CDN_FILEOK (CDN_FIRST - 5)
#define CDN_TYPECHANGE (CDN_FIRST - 6)
#define CDM_FIRST (WM_USER + 100)
#define CDM_GETSPEC (CDM_FIRST + 0)
#define CDM_GETFILEPATH (CDM_FIRST + 1)
#define CDM_GETFOLDERPATH (CDM_FIRST + 2)
#define CDM_SETCONTROLTEXT (CDM_FIRST + 4)
#define CDM_HIDECONTROL (CDM_FIRST + 5)
#define CDM_SETDEFEXT (CDM_FIRST + 6)

struct OFNOTIFYA {
  NMHDR hdr;
  OPENFILENAMEA* lpOFN;
  LPSTR pszFile;
};
typedef OFNOTIFYA* LPOFNOTIFYA;
typedef OFNOTIFYA OFNOTIFY;

// Extended errors (CommDlgExtendedError)
#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_NOHOOK 0x000B
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

// TRUE when a file was chosen (lpstrFile, nFileOffset, nFileExtension,
// lpstrFileTitle and nFilterIndex filled); FALSE on Cancel or failure (then
// CommDlgExtendedError says which, 0 for Cancel).
WINAPI_EXPORT BOOL GetOpenFileNameA(LPOPENFILENAMEA ofn);
WINAPI_EXPORT BOOL GetSaveFileNameA(LPOPENFILENAMEA ofn);
WINAPI_EXPORT DWORD CommDlgExtendedError();

// ---------------------------------------------------------------------------
// Colour chooser
struct CHOOSECOLORA {
  DWORD lStructSize;
  HWND hwndOwner;
  HWND hInstance;
  COLORREF rgbResult;
  COLORREF* lpCustColors;
  DWORD Flags;
  LPARAM lCustData;
  LPCCHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
};
typedef CHOOSECOLORA* LPCHOOSECOLORA;
#define CC_RGBINIT 0x00000001
#define CC_FULLOPEN 0x00000002
#define CC_PREVENTFULLOPEN 0x00000004
#define CC_SHOWHELP 0x00000008
#define CC_ENABLEHOOK 0x00000010
#define CC_SOLIDCOLOR 0x00000080
#define CC_ANYCOLOR 0x00000100
// Controls of the colour chooser: the red, green and blue fields and the
// 48 basic colour boxes (COLOR_BOX1 + index, clickable).
#define COLOR_RED 706
#define COLOR_GREEN 707
#define COLOR_BLUE 708
#define COLOR_BOX1 720
WINAPI_EXPORT BOOL ChooseColorA(LPCHOOSECOLORA cc);
// The 48 basic colours the chooser offers.
WINAPI_EXPORT COLORREF GetBasicChooserColor(int index);

// ---------------------------------------------------------------------------
// Font chooser
struct CHOOSEFONTA {
  DWORD lStructSize;
  HWND hwndOwner;
  HDC hDC;
  LOGFONTA* lpLogFont;
  INT iPointSize;  // tenths of a point
  DWORD Flags;
  COLORREF rgbColors;
  LPARAM lCustData;
  LPCFHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
  HINSTANCE hInstance;
  LPSTR lpszStyle;
  WORD nFontType;
  WORD alignment;
  INT nSizeMin;
  INT nSizeMax;
};
typedef CHOOSEFONTA* LPCHOOSEFONTA;
#define CF_SCREENFONTS 0x00000001
#define CF_PRINTERFONTS 0x00000002
#define CF_BOTH (CF_SCREENFONTS | CF_PRINTERFONTS)
#define CF_SHOWHELP 0x00000004
#define CF_ENABLEHOOK 0x00000008
#define CF_INITTOLOGFONTSTRUCT 0x00000040
#define CF_USESTYLE 0x00000080
#define CF_EFFECTS 0x00000100
#define CF_APPLY 0x00000200
#define CF_LIMITSIZE 0x00002000
#define CF_FIXEDPITCHONLY 0x00004000
#define CF_FORCEFONTEXIST 0x00010000
#define CF_SCALABLEONLY 0x00020000
#define CF_TTONLY 0x00040000
#define CF_NOFACESEL 0x00080000
#define CF_NOSTYLESEL 0x00100000
#define CF_NOSIZESEL 0x00200000
#define SCREEN_FONTTYPE 0x2000
#define BOLD_FONTTYPE 0x0100
#define ITALIC_FONTTYPE 0x0200
#define REGULAR_FONTTYPE 0x0400
// Face (cmb1), style (cmb2: "Regular", "Italic", "Bold", "Bold Italic"),
// size in points (cmb3), strikeout (chx1), underline (chx2), colour (cmb4).
WINAPI_EXPORT BOOL ChooseFontA(LPCHOOSEFONTA cf);

inline BOOL GetOpenFileName(LPOPENFILENAMEA o) { return GetOpenFileNameA(o); }
inline BOOL GetSaveFileName(LPOPENFILENAMEA o) { return GetSaveFileNameA(o); }
inline BOOL ChooseColor(LPCHOOSECOLORA c) { return ChooseColorA(c); }
inline BOOL ChooseFont(LPCHOOSEFONTA c) { return ChooseFontA(c); }

// ---------------------------------------------------------------------------
// Printer set-up and print. Every printer is the PDF printer of the device
// context calls; the names come from the [devices] section of WIN.INI, else
// one printer "Kelt PDF Printer". hDevMode and hDevNames are global blocks
// (win_stdio.h) the caller frees.
typedef UINT_PTR (CALLBACK* LPPRINTHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR (CALLBACK* LPSETUPHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
struct PRINTDLGA {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;
  HGLOBAL hDevNames;
  HDC hDC;
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;
  HINSTANCE hInstance;
  LPARAM lCustData;
  LPPRINTHOOKPROC lpfnPrintHook;
  LPSETUPHOOKPROC lpfnSetupHook;
  LPCSTR lpPrintTemplateName;
  LPCSTR lpSetupTemplateName;
  HGLOBAL hPrintTemplate;
  HGLOBAL hSetupTemplate;
};
typedef PRINTDLGA* LPPRINTDLGA;
#pragma pack(push, 1)
struct DEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;
};
#pragma pack(pop)
static_assert(sizeof(DEVNAMES) == 8);
#define DN_DEFAULTPRN 0x0001
#define PD_ALLPAGES 0x00000000
#define PD_SELECTION 0x00000001
#define PD_PAGENUMS 0x00000002
#define PD_NOSELECTION 0x00000004
#define PD_NOPAGENUMS 0x00000008
#define PD_COLLATE 0x00000010
#define PD_PRINTTOFILE 0x00000020
#define PD_PRINTSETUP 0x00000040
#define PD_NOWARNING 0x00000080
#define PD_RETURNDC 0x00000100
#define PD_RETURNIC 0x00000200
#define PD_RETURNDEFAULT 0x00000400
#define PD_SHOWHELP 0x00000800
#define PD_USEDEVMODECOPIES 0x00040000
#define PD_DISABLEPRINTTOFILE 0x00080000
#define PD_HIDEPRINTTOFILE 0x00100000
#define PDERR_NODEFAULTPRN 0x1008
#ifndef DM_COPIES
#define DM_COPIES 0x00000100
#endif
// Controls: printer (cmb4), paper (cmb2), portrait (rad1), landscape (rad2), copies (edt3).
#define rad1 0x0420
#define rad2 0x0421
#define edt3 0x0482
WINAPI_EXPORT BOOL PrintDlgA(LPPRINTDLGA pd);
inline BOOL PrintDlg(LPPRINTDLGA p) { return PrintDlgA(p); }
