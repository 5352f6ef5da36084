#pragma once
// The "Import Method Section" dialog: one line per module section of a
// section array, the chosen line's index returned.
#include <cstdint>

#include "common/kelt_export.h"
#include "common/section_stems.h"
#include "dialogs/dialog_frame.h"

#define SELECT_SECTION_DIALOG 288
#define IDC_SS_LIST 6190
#define IDC_SS_GROUP 6191

class KELT_CLASS CSelectSectionDlg : public CDialog {
 public:
  CSelectSectionDlg() = default;
  STRUCT_SECTION_ARRAY* m_pArray = nullptr;
  int16_t m_Chosen = 0;

  bool Prepare(CWnd* parent);
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  kelt::dlg::DialogHelp m_help{0};
};

// The line shown for one entry: "<module name> <title or description> at
// Address <address>".
KELT_CLASS void FormatSectionLine(const STRUCT_SECTION_ARRAY* array, int index, char* line, size_t size);

// TRUE when the user pressed "Select" on an array with entries; *chosen
// then holds the entry's index. Otherwise FALSE and *chosen 0 (also for a
// null or empty array: there is nothing to choose).
KELT_API BOOL Dlg_SelectSection(STRUCT_SECTION_ARRAY* array, int16_t* chosen);
