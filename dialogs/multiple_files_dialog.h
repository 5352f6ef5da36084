#pragma once
// The multiple-files dialog: the platform's open dialog with a child
// template holding a grid of up to 20 rows (a data file, its plot type and
// its scans each), a strip of plot numbers and colours, and a preview of
// the file under the cursor (information and a chromatogram). The caller's
// row records are edited in place.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/kelt_export.h"
#include "common/mass_lists.h"
#include "common/segment_plots.h"
#include "common/work_file.h"
#include "win/win_commdlg.h"

#define MULT_FILES_TEMPLATE 287
#define MULT_FILES_FILTER_STRING 502
#define MULT_FILES_MOST_ROWS 20
#define MULT_FILES_MOST_VISIBLE 7
#define MULT_FILES_DATA_TYPE_SCAN_FUNS 301
#define MULT_FILES_DATA_TYPE_CHANNEL 100

// Child template controls. The preview fields are those of the data-file
// open dialog (3501 .. 3521, odd ids, labels on the even ids).
#define IDC_MF_INFO_GROUP 3500
#define IDC_MF_FILE 3501
#define IDC_MF_SAMPLE_LABEL 3504
#define IDC_MF_SAMPLE 3503
#define IDC_MF_INJECT_DATE 3505
#define IDC_MF_RUN_TIME 3507
#define IDC_MF_SCAN_LABEL 3510
#define IDC_MF_SCAN_RANGE 3509
#define IDC_MF_OPERATOR_LABEL 3512
#define IDC_MF_OPERATOR 3511
#define IDC_MF_NOTES_LABEL 3514
#define IDC_MF_NOTES 3513
#define IDC_MF_MAX_RIC_LABEL 3516
#define IDC_MF_MAX_RIC 3515
#define IDC_MF_RESULTS1_LABEL 3518
#define IDC_MF_RESULTS1 3517
#define IDC_MF_RESULTS2_LABEL 3520
#define IDC_MF_RESULTS2 3519
#define IDC_MF_DATA_TYPE 3521
#define IDC_MF_SHOW_PREVIEW 3560
#define IDC_MF_KEEP_RANGE 3561
#define IDC_MF_PLOT_TYPE_TEXT 3562
#define IDC_MF_PLOT_SCANS_TEXT 3563
#define IDC_MF_PLOT_TYPE 3564
#define IDC_MF_PLOT_SCANS 3565
#define IDC_MF_PLOT 3566
#define IDC_MF_RECENT 3567
#define IDC_MF_OPEN 3568
#define IDC_MF_PLOT_GROUP 3569
#define IDC_MF_CLEAR 3570
#define IDC_MF_FILL_DOWN 3571
#define IDC_MF_MOVE_UP 3572
#define IDC_MF_MOVE_DOWN 3573
#define IDC_MF_EDIT_IONS 3574
#define IDC_MF_EDIT_SCANS 3575
#define IDC_MF_STRIP 3576
#define IDC_MF_GRID 3577
#define IDC_MF_ADD 3578
#define IDC_MF_CANCEL_PLACE 3003
#define IDC_MF_RECENT_FIRST 200
#define MF_RECENT_MOST 23  // entries beyond this have no command id and are not offered

#define MF_COL_FILE 101
#define MF_COL_TYPE 102
#define MF_COL_SCANS 103

#define OFDM_MF_LAYOUT (WM_USER + 444)
#define OFDM_MF_REFRESH (WM_USER + 555)
#define OFDM_MF_SELCHANGE (WM_USER + 777)
#define MFM_FILLDOWN 0x446
#define MFM_STRIPPICK 0x1850

// Indexes of the list-cell working fields of a row.
enum MultFilesListIndex {
  MF_TYPE_FIRST_CHANNEL = 0,
  MF_TYPE_LAST_CHANNEL = 1,
  MF_TYPE_ION_FORMULA = 4,
  MF_TYPE_COUNT = 5,
  MF_SCANS_MERGED = 6,
  MF_SCANS_SCAN_FUNS = 7,
  MF_SCANS_FIRST_FUN = 10,
  MF_SCANS_LAST_FUN = 11,
  MF_SCANS_CURRENT = 12,
  MF_SCANS_COUNT = 13,
};

#pragma pack(push, 1)
// One row of the dialog and one plot of the caller. In memory only (it
// holds a pointer); the 32-bit layout put the second text at byte 597.
struct STRUCT_MULT_FILES_ROW {
  int16_t slot;
  uint32_t colour;
  int16_t inUse;
  char path[260];
  int16_t dataType;
  int16_t channel;
  STRUCT_CHAN_LIST chanList;
  STRUCT_SCAN_FUN_ARRAY* scanFuns;  // AllocBlock, owned by the row
  STRUCT_MASS_LIST massList;
  char units[21];
  char secondText[400];
  int16_t listIndexes[14];
};
#pragma pack(pop)

// The stored settings ("tolview3.ini", "ZO_OpenFiles", "Params"): the
// memory image with natural alignment.
struct STRUCT_MULT_FILES_PARAMS {
  int16_t showPreview;
  int16_t keepTimeRange;
  double keptStart;
  double keptEnd;
  char lastDataFile[260];
};
static_assert(sizeof(STRUCT_MULT_FILES_PARAMS) == 288);
static_assert(offsetof(STRUCT_MULT_FILES_PARAMS, keptStart) == 8);
static_assert(offsetof(STRUCT_MULT_FILES_PARAMS, lastDataFile) == 24);

// 1 when closed with "&Open File(s)" or OK, 0 on Cancel or failure; the
// rows are edited in place either way.
KELT_API int16_t KELT_New_SelectMultipleFiles(HWND owner, STRUCT_MULT_FILES_ROW* rows, int16_t count,
                                              const char* title, char* lastFile, const char* startFolder,
                                              int16_t firstRowFixed);
KELT_API void KELT_New_LastDataFileForSelMultFiles(const char* path);
KELT_API UINT_PTR CALLBACK SelectMultipleFilesHookProc(HWND hook, UINT msg, WPARAM wParam, LPARAM lParam);

namespace kelt::dlg {
// A path shortened to fit width pixels by measure (the text's width):
// the extension goes first, then characters after the first backslash
// give way to "...".
template <class Measure>
std::string ShortenPathToWidth(const std::string& path, int width, Measure measure);
KELT_CLASS std::string ShortenPathForDc(const std::string& path, int width, HDC dc);
// The settings as stored, defaults when absent.
KELT_CLASS STRUCT_MULT_FILES_PARAMS ReadMultFilesParams();
}  // namespace kelt::dlg

#include <string>

template <class Measure>
std::string kelt::dlg::ShortenPathToWidth(const std::string& path, int width, Measure measure) {
  if (measure(path) <= width) return path;
  std::string p = path;
  const size_t dot = p.rfind('.');
  const size_t lastSlash = p.rfind('\\');
  if (dot != std::string::npos && (lastSlash == std::string::npos || dot > lastSlash)) p = p.substr(0, dot);
  if (measure(p) <= width) return p;
  const size_t first = p.find('\\');
  if (first == std::string::npos) return p;
  const std::string head = p.substr(0, first + 1);
  std::string rest = p.substr(first + 1);
  const bool severalFolders = rest.find('\\') != std::string::npos;
  if (severalFolders) {
    while (!rest.empty()) {
      rest.erase(0, 1);
      if (measure(head + "..." + rest) <= width) return head + "..." + rest;
    }
  }
  const std::string tail = p.substr(first + 1);
  return measure("..." + tail) <= width ? "..." + tail : tail;
}
