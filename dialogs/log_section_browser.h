#pragma once
// The log sections of one data file: which exist, the tree of them with
// fixed labels and item codes, and the text of the selected one as list
// lines. Used by the data-file information dialog, which keeps one browser
// per file shown.
#include <cstdint>
#include <string>
#include <vector>

#include "common/kelt_export.h"
#include "common/log_sections.h"
#include "common/log_text_files.h"
#include "holbrin/dh_records.h"
#include "win/win_commctrl.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#define LOG_MODULE_MOST 20
#define LOG_ERROR_GROUP_IDS 50

// Tree item codes.
#define LOGCODE_NOTES 1
#define LOGCODE_FILE_NAMES 3
#define LOGCODE_SET_POINTS 4
#define LOGCODE_GC 5
#define LOGCODE_SEGMENTS 6
#define LOGCODE_SEGMENT(i) (7 + 4 * (i))
#define LOGCODE_MODULE(m) (1307 + (m))
#define LOGCODE_METHOD_SEGMENT(i) (1327 + (i))
#define LOGCODE_REVISION_LOG 2000
#define LOGCODE_ERROR_LOG 2001
#define LOGCODE_MASS_SPEC 2002
#define LOGCODE_MODULE_ATTRIBUTES 2003
#define LOGCODE_EVENT_LOG 2004
#define LOGCODE_SAMPLE_PREP 2005
#define LOGCODE_ACQ_METHOD 2006
#define LOGCODE_INJECTION_NOTES 2007
#define LOGCODE_RECALC_NOTES 2008
#define LOGCODE_DRIVER_METHOD 4000
#define LOGCODE_RUN_LOG 4001
#define LOGCODE_RUN_LOG_SECTION(s) (4002 + (s))

#pragma pack(push, 1)
struct STRUCT_LOG_MODULE {
  char name[32];
  uint16_t moduleType;
  uint16_t moduleAddress;
  uint16_t configFlags;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_LOG_MODULE) == 38);

// The data file's log as one text block (AllocBlock; the caller frees it
// with FreeBlock), not zero-terminated; null on every failure. The four
// outputs are 0 unless a block is returned. With options->headings the
// body starts after the second banner line (twenty asterisks).
KELT_API char* KELT_GetDataFileLogInMemory(STRUCT_WORK_FILE* workFile, const KELT_DataFileLogOptions* options,
                                           uint16_t* headingLines, uint16_t* bodyLines, uint32_t* bodyOffset,
                                           uint32_t* size);

namespace kelt::dlg {

// Heading lines, body lines and the body offset of a log text (see
// KELT_GetDataFileLogInMemory).
KELT_CLASS void CountLogLines(const char* text, uint32_t size, bool banners, uint16_t* headingLines,
                              uint16_t* bodyLines, uint32_t* bodyOffset);

// The error record's ids as shown: every group's count kept within
// 0..LOG_ERROR_GROUP_IDS (a damaged record names no ids beyond its room).
KELT_CLASS std::vector<uint16_t> ErrorLogIds(const STRUCT_DH_ERROR_LOG& record);

class KELT_CLASS CLogSectionBrowser {
 public:
  CLogSectionBrowser() = default;
  ~CLogSectionBrowser() { Release(); }
  CLogSectionBrowser(const CLogSectionBrowser&) = delete;
  CLogSectionBrowser& operator=(const CLogSectionBrowser&) = delete;

  // Presence tests, module list and tree for a file (the tree's items are
  // replaced); the selected code is kept across files. Selecting an item
  // fills the text list.
  void Build(STRUCT_WORK_FILE* workFile, int16_t firstSegment, HWND tree, HWND textList);
  // The text of the item with this code into the text list.
  void ShowSection(int16_t code);
  // TVN_SELCHANGED: the newly selected item's code shown.
  void SelectionChanged(LPARAM itemData) { ShowSection(static_cast<int16_t>(itemData)); }
  void Release();

  bool TextIsReal() const { return m_textIsReal; }
  int16_t SelectedCode() const { return m_selectedCode; }
  void SetSelectedCode(int16_t code) { m_selectedCode = code; }
  const std::vector<std::string>& Lines() const { return m_lines; }
  const std::vector<STRUCT_LOG_MODULE>& Modules() const { return m_modules; }

 private:
  void TestPresence();
  void ReadModuleList();
  HTREEITEM Add(HTREEITEM parent, const char* label, int16_t code, bool candidate);
  void Show(const std::vector<std::string>& lines, bool fromLog);
  bool AcquisitionLines(int16_t code, std::vector<std::string>& lines);
  bool RunLogLines(int16_t section, std::vector<std::string>& lines);
  bool ProducedLines(int16_t code, std::vector<std::string>& lines);
  std::string ModuleLabel(uint16_t type, uint16_t address) const;

  STRUCT_WORK_FILE* m_workFile = nullptr;
  int16_t m_firstSegment = 0;
  HWND m_tree = nullptr, m_list = nullptr;
  int16_t m_selectedCode = 0;
  bool m_textIsReal = false;
  std::vector<std::string> m_lines;
  // Per file.
  bool m_errorRecord = false, m_revisionLog = false, m_samplePrep = false, m_moduleAttributes = false,
       m_eventLog = false, m_methodSegments = false, m_injectionNotes = false, m_recalcNotes = false;
  STRUCT_DH_ERROR_LOG m_errors{};
  std::vector<STRUCT_LOG_MODULE> m_modules;
  int m_msModule = -1;
  std::vector<std::string> m_injectionLines, m_recalcLines;
  CReadTrelLogSection* m_runLog = nullptr;
  STRUCT_TREL_LOG_NAMES* m_runLogList = nullptr;
  HTREEITEM m_default = nullptr;
  bool m_building = false;
};

}  // namespace kelt::dlg
