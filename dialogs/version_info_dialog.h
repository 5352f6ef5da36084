#pragma once
// "Version Info": a method or data file under version control, its archive
// and the history of its versions with dates, users and reasons; the
// history printed, and a chosen version extracted to a temporary data
// file, a new data file or back into the current one ("Extract Version").
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

#define VERSION_INFO_DIALOG_ID 361
#define VERSION_INFO_HELP_CONTEXT 178
#define VER_DATA_FILE_ID 1201
#define VER_ARCHIVE_FILE_ID 1202
#define VER_HISTORY_ID 1203
#define VER_VERSIONS_ID 1204
#define VER_EXTRACT_ID 1205
#define VER_PRINT_ID 1206
#define VER_HELP_ID 3000
#define VER_NO_ARCHIVE_TEXT "(No Archive Exists)"
#define VER_NO_HISTORY_TEXT "(No Version History)"

#define EXTRACT_VERSION_DIALOG_ID 362
#define EXTRACT_VERSION_HELP_CONTEXT 180
#define IDC_EXV_TEMPORARY 3621
#define IDC_EXV_NEW 3622
#define IDC_EXV_CURRENT 3623
#define IDC_EXV_DESCRIPTION 3624
#define EXTRACT_TO_TEMPORARY 0
#define EXTRACT_TO_NEW 1
#define EXTRACT_TO_CURRENT 2

struct SVW_OVERLAY;

class KELT_CLASS CVersionInfoDlg {
 public:
  explicit CVersionInfoDlg(CWnd* parent = nullptr);
  // The file, its archive (empty: none, as for an extracted copy), the
  // version a plot shows (-1: none) and whether the file is write-protected.
  void SetFileInfo(const char* filePath, const char* archivePath, int16_t version, int16_t writeProtected);
  // The plot the dialog was opened for (slot 0..19 of the control's overlay).
  void SetVersionNumbers(CWnd* control, SVW_OVERLAY* overlay, int16_t slot);
  // IDOK after a version was extracted, IDCANCEL when closed, -1 for no file.
  int DoModal();

  // Fills the archive text, the history and the version range.
  void BuildHistory();
  // Extracts version (first..last) as choice says; true when it was done.
  bool Extract(HWND owner, int version, int choice);
  // The name offered for an extracted version: "<name> Version <n>" beside
  // the file, or "copy <k> of <name> Version <n>" when a plot of the owner
  // shows that name already; empty when twenty names are all taken.
  std::string SuggestedName(int version) const;

  std::string m_filePath, m_archivePath;
  int16_t m_fileType = 0;
  int16_t m_writeProtected = 0;
  CWnd* m_pControl = nullptr;
  SVW_OVERLAY* m_pOverlay = nullptr;
  int16_t m_slot = -1;
  int16_t m_version = -1;
  // Both -1: no history.
  int16_t m_firstVersion = -1, m_lastVersion = -1;
  int16_t m_chosenVersion = -1;
  std::string m_archiveText, m_historyText;

 private:
  CWnd* m_parent;
};

class KELT_CLASS CExtractVersionDlg {
 public:
  CExtractVersionDlg(const std::string& file, int16_t writeProtected, int tip, int chosen);
  // IDOK with m_choice set.
  int DoModal(HWND owner);
  // The description shown for a choice.
  std::string Description(int choice) const;

  std::string m_filePath;
  int16_t m_writeProtected;
  int m_tip, m_chosen;
  int m_choice = EXTRACT_TO_TEMPORARY;
  std::string m_description;
};

// Shows the version information of a file; the extracted versions go to
// the owner overlay control's plots when one is given.
KELT_API void Dlg_VersionInfo(const char* filePath, int16_t fileType, CWnd* ownerControl, SVW_OVERLAY* overlay,
                              int16_t slot);
