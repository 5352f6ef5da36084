#pragma once
// Method and data files under version control: the writer that stores
// versions in a file's archive, reads its history and extracts versions,
// and the user-rights checks that guard archiving, saving and printing.
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "vennick/vennick.h"

// Rights bits of GetCurrentUserRights.
#define KELT_RIGHT_VIEW_DATA 2
#define KELT_RIGHT_SAVE_RESULTS 4
#define KELT_RIGHT_SAVE_METHOD 12

#define KELT_METHOD_FILE_TYPE 666

class KELT_CLASS CAuditTrailWriter {
 public:
  CAuditTrailWriter(const char* file, const char* archive, int16_t type);
  virtual ~CAuditTrailWriter();

  // Stores the versioned sections of source as the file's new tip,
  // described by reason; the archive is made when the file has none.
  bool ArchiveVersion(const char* source, const char* reason);
  bool CreateTrail(const char* text);
  bool WriteReason(const char* reason);
  // Copies the versioned sections of source into the file and commits
  // them as the tip; a copy that fails leaves file and archive as they were.
  bool WriteTip(const char* source);
  bool AddComment(const char* text);
  bool GetArchiveInfo(VERSION_ARCHIVE_INFO* info);
  // The tip's facts and its description lines, each preceded by "\r\n".
  bool ReadTipInfo(VERSION_INFO_RECORD* info, std::string* text);
  // The archived version after previous (0: the first), 0 when none is left.
  int32_t NextVersion(int32_t previous, VERSION_INFO_RECORD* info, std::string* text);
  bool ExtractVersion(int32_t version, const char* target);
  // The file's versioned sections into target (a sectioned file).
  bool CopyTipToFile(const char* target);

  std::string m_file;
  std::string m_archive;
  int16_t m_type;

 private:
  std::string VersionText(int32_t version);
};

namespace kelt::arch {
// Nonzero when the logged-in user holds the right.
KELT_CLASS bool HasRight(int bit);
// HasRight, or a beep and an exclamation box with message.
KELT_CLASS bool CheckRight(int bit, const char* message);
// The section file type of a data file (0 when it cannot be opened).
KELT_CLASS int16_t FileTypeCode(const char* path);
}  // namespace kelt::arch

#define KELT_RIGHT_MSG_SAVE_METHOD \
  "Saving the Method requires that you have the right to save Method files. Please contact your system administrator."
#define KELT_RIGHT_MSG_SAVE_DATA                                                                              \
  "Saving the data file requires that you have the right to Recalc Data and Save Results in data files. " \
  "Please contact your system administrator."
#define KELT_RIGHT_MSG_SAVE_NEW_DATA                                                                          \
  "Saving a new data file requires that you  have the right to Recalc Data and Save Results in data files. " \
  "Please contact your system administrator."
#define KELT_RIGHT_MSG_EXTRACT_NEW                                                                                  \
  "Extracting to a new data file requires that you  have the right to Recalc Data and Save Results in data files. " \
  "Please contact your system administrator."
#define KELT_RIGHT_MSG_EXTRACT_TIP                                                              \
  "Extracting to the tip of the data file requires that you  have the right to Recalc Data and " \
  "Save Results in data files. Please contact your system administrator."
#define KELT_RIGHT_MSG_PRINT_HISTORY                                                                         \
  "Printing the Version History requires that you have the right to View Data and Results. Please contact " \
  "your system administrator."
