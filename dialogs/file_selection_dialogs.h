#pragma once
// The general open and save-as dialogs for the workstation's file kinds:
// the kind gives the type filter, title, default extension, the check of
// the chosen file and the last-used entry that starts and keeps the name.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_common_dialogs.h"
#include "win/win_types.h"

// File kinds.
#define SELFILE_MS 1
#define SELFILE_WORKSTATION 3
#define SELFILE_MSP 5
#define SELFILE_NIST_LIBRARY 7
#define SELFILE_TEXT 8
#define SELFILE_NIST_TOP 9
#define SELFILE_NIST_SUB 10
#define SELFILE_REPORTS 11
#define SELFILE_METHOD 12
#define SELFILE_DATA 13
#define SELFILE_KMS 14
#define SELFILE_CSV 15
#define SELFILE_PRN 16
#define SELFILE_TXT 17
#define SELFILE_MSL 18
#define SELFILE_CENTROID 19
#define SELFILE_SPECTRUM_LIST 20
#define SELFILE_RECALC 21
#define SELFILE_BITMAP 22
#define SELFILE_PICTURE 23
#define SELFILE_BIN 24

// The save-as dialog: a new type picked in the list becomes the default
// extension, and a typed name follows it.
class KELT_CLASS CKEFileDialog : public CFileDialog {
  DECLARE_DYNAMIC(CKEFileDialog)
 public:
  CKEFileDialog(LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent);
  ~CKEFileDialog() override;
  char m_Extension[4] = {};

 protected:
  void OnTypeChange() override;
};

// 1 when an existing file of the kind was chosen and accepted (path, 260
// bytes, holds it in lower case), 0 when cancelled or declined.
KELT_API int16_t Dlg_SelectFile(HWND parent, int16_t kind, char* path, const char* initialFolder);
// A name for a new file of the kind (path, 260 bytes, in and out); 0 when
// cancelled, for a kind that cannot be saved, or when the name would not
// fit 259 characters. suffix follows the suggested name; extension, when
// given (4 bytes), receives the default extension in force at the end.
KELT_API int16_t Dlg_SelectSaveAsFileExEx(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                                          const char* initialFolder, const char* suffix, char* extension);
KELT_API int16_t Dlg_SelectSaveAsFileEx(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                                        const char* initialFolder, const char* suffix);
KELT_API int16_t Dlg_SelectSaveAsFile(HWND parent, int16_t kind, char* path, int16_t overwritePrompt,
                                      const char* initialFolder);

namespace kelt::dlg {
// The filter text of a kind (open or save-as form), empty for none.
KELT_CLASS const char* FileKindFilter(int16_t kind, bool saveAs, const char* givenPath);
KELT_CLASS const char* FileKindTitle(int16_t kind, bool saveAs);
}  // namespace kelt::dlg
