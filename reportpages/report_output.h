#pragma once
// One report carried over its output: the text-file kind writes the
// report as a text file of columns through CAFile. The paged kind (0)
// is not available in this build: such an object fails at construction.
#include <cstdint>

#include "common/kelt_export.h"
#include "reportpages/text_report_file.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;
struct STRUCT_SCAN_FUN_INFO;

// Set by the Report Status dialog's Cancel; cleared by every new report.
extern "C" KELT_CLASS int16_t g_bCancelReport;

#define REPORT_OUTPUT_PAGES 0
#define REPORT_OUTPUT_TEXT 2
#define REPORT_HEADER_LINES 6

class KELT_CLASS CReportOutput {
 public:
  CReportOutput(char* reportsFileName, STRUCT_REPORT_PREFS* prefs, int16_t columns, uint16_t lines,
                uint16_t orientation, int16_t kind);
  ~CReportOutput();
  CReportOutput(const CReportOutput&) = delete;
  CReportOutput& operator=(const CReportOutput&) = delete;

  virtual void WriteHeaderLines();
  virtual int EndPage();
  virtual int NewPage();

  bool HasPages() const { return PagesStored > 0; }
  void WriteLine();
  void WriteValueLine();
  void TextAtColumn(int16_t column, const char* text);
  void QuotedTextAtColumn(int16_t column, const char* text);
  void SepTextAtColumn(int16_t column, const char* text);
  void TextAtLabelColumn(const char* text);
  void NextLine();

  int16_t Kind;
  uint16_t Orientation;
  int16_t Columns;
  uint16_t Lines;
  int16_t LastLine;
  int16_t Ok;
  uint16_t PagesStored;
  uint16_t KeepPage;
  int16_t PageOverflowed;
  uint32_t CreatedAt;
  uint16_t TempFileMade;
  STRUCT_SCAN_FUN_INFO* ScanFunInfo;
  uint16_t ScanFunCount;
  uint16_t PageNumber;
  int16_t Line;
  STRUCT_REPORT_PREFS* Prefs;
  int16_t FontIndex;
  int16_t CharWidth, CharHeight;
  CAFile* TextFile;
  char Separator[10];
  uint16_t HeaderUsed[REPORT_HEADER_LINES];
  char HeaderText[REPORT_HEADER_LINES][81];
  uint16_t HeaderLine[REPORT_HEADER_LINES];
  uint16_t HeaderColumn[REPORT_HEADER_LINES];
  uint16_t HeaderFont[REPORT_HEADER_LINES];
  uint16_t PageNumberOn;
  char PageNumberFormat[82];
  uint16_t FirstBodyLine;
  uint16_t PageNumberHeader;
  uint16_t PageNumberRight;
  char PageTitle[81];
  char LineBuffer[621];
  uint16_t LabelColumn;
  uint16_t ValueColumn;
  char DisplayFileName[260];
  uint16_t VersionNumber, VersionCount;

 private:
  bool Writable();
  void HeaderText_(int i, char* out, size_t size, bool* ends) const;
  void SeparatedColumn(int16_t column, const char* text, bool quoted);
  void EndTextLine();
};
