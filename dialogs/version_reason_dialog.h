#pragma once
// Archiving a method or data file as a new version: the reason dialog shown
// before the save, and the two exported entry points.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "framework/framework_dialog.h"
#include "dialogs/dialog_frame.h"

#define VERSION_REASON_DIALOG_ID 360
#define VERSION_REASON_HELP_CONTEXT 179
#define IDC_VR_SOURCE_LABEL 3601
#define IDC_VR_SOURCE 3602
#define IDC_VR_ARCHIVE 3603
#define IDC_VR_REASONS 3604
#define IDC_VR_INSTRUCTION 3605
#define IDC_VR_DESCRIPTION 3606

#define VR_TEXT_OPTIONAL "You may enter additional free-form text describing the version change in the edit box below."
#define VR_PLACEHOLDER_OPTIONAL "--Enter an extended description of the version change here.--"
#define VR_TEXT_REQUIRED "Please enter free-form text describing the version change in the edit box below."
#define VR_PLACEHOLDER_REQUIRED "--You must enter a description of the version change here.--"
#define VR_ONLY_ENTRY "You must enter a reason for this version change in the edit box below."

class KELT_CLASS CVersionReasonDlg : public CDialog {
 public:
  CVersionReasonDlg();
  // Runs the dialog from the library's template; IDOK with m_reason set.
  INT_PTR Run();

  std::string m_reason;
  std::string m_sourceFile;
  std::string m_archiveFile;
  std::string m_label;  // "Method File:" or "Data File:"
  std::string m_description;
  int m_reasonIndex = -1;

  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void ShowInstruction();
  void SetDescription(const char* text);
  int EntryCount() const;
  bool m_touched = false;   // the user typed into the description
  bool m_writing = false;   // the dialog itself is writing it
  kelt::dlg::DialogHelp m_help{VERSION_REASON_HELP_CONTEXT};
};

// 1 when the method's new version was stored (and the comment added), else 0.
KELT_API int32_t WSA_ArchiveMethodFile(const char* methodFile, const char* sourceFile, const char* comment);
// 1 when source was saved as the data file (or as a new file the user
// names; savedPath, MAX_PATH bytes or null, then holds where), else 0.
KELT_API int32_t WSA_SaveDataFile(const char* dataFile, const char* sourceFile, char* savedPath, const char* comment,
                                  int32_t saveAs);
