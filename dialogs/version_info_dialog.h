#pragma once
// "Version Info": a data or method file, its archive and the history of its
// versions. Our data files keep no version history, so the dialog shows the
// file, its archive and that there is no history; extracting and printing
// stay off.
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
#define VER_HELP_ID 1207
#define VER_NO_HISTORY_TEXT "No version history is kept for this file."

struct SVW_OVERLAY;

class KELT_CLASS CVersionInfoDlg {
 public:
  explicit CVersionInfoDlg(CWnd* parent = nullptr);
  void SetFileInfo(const char* filePath, const char* archivePath, int16_t version, int16_t writeProtected);
  // The plot the dialog was opened for (slot 0..19 of the control's overlay).
  void SetVersionNumbers(CWnd* control, SVW_OVERLAY* overlay, int16_t slot);
  // IDCANCEL when closed.
  int DoModal();

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
