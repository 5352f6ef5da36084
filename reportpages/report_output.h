#pragma once
// One report carried over its output. Kind 0 draws each page into a
// metafile page on a character grid and stores it, when it ends, in a
// reports file (a named one or a new temporary one); kind 2 writes the
// report as a text file of columns through CAFile.
//
// A report stops cleanly: after a failure or a cancel, the page in
// progress is stored with its closing message and nothing more is drawn
// or stored by that report.
#include <cstdint>

#include "common/kelt_export.h"
#include "plotengine/plot_layout.h"
#include "reportpages/metafile_page.h"
#include "reportpages/report_status_dialog.h"
#include "reportpages/reports_file.h"
#include "reportpages/text_report_file.h"
#include "win/win_types.h"

struct STRUCT_REPORT_PREFS;
struct STRUCT_SCAN_FUN_INFO;
struct STRUCT_WORK_FILE;

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
  void OpenStatusDialog(int32_t count);
  void StepStatusDialog();
  void CloseStatusDialog();

  void WriteLine();
  void WriteValueLine();
  void TextAtColumn(int16_t column, const char* text);
  void QuotedTextAtColumn(int16_t column, const char* text);
  void SepTextAtColumn(int16_t column, const char* text);
  void TextAtLabelColumn(const char* text);
  void NextLine();

  void SelectFontByIndex(int16_t index);
  void SelectLargeFont() { SelectFont(kFontLarge); }
  void SelectULargeFont() { SelectFont(kFontULarge); }
  void SelectNormalFont() { SelectFont(kFontNormal); }
  void SelectBoldFont() { SelectFont(kFontBold); }
  void SelectUNormalFont() { SelectFont(kFontUNormal); }
  void SelectFixedFont() { SelectFont(kFontFixed); }
  void SelectUFixedFont() { SelectFont(kFontUFixed); }
  void SelectSmallFont() { SelectFont(kFontSmall); }
  void SelectSmallFixedFont() { SelectFont(kFontSmallFixed); }
  bool GetCurrentLogFont(LOGFONTA* font);
  void SetTextColor(COLORREF color);
  void ResetTextColor() { SetTextColor(RGB(0, 0, 0)); }

  // Bounded helpers for callers: the line buffer from a format, and the
  // page-number format "<title> - Page %d" with the title taken as text.
  void SetLine(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void SetPageNumberTitle(const char* title);

  // Compound-report graphics, drawn into the current page (the report
  // makers hold them). Steps, qualifier records, peak-table records and the
  // global table are the data-handling records as read; rectangles are
  // left, bottom, right, top in page units.
  int DrawCompoundGraphics(STRUCT_WORK_FILE* workFile, int16_t peakNumber, const void* step, const void* isStep,
                           const void* compound, const void* globalTable, const int16_t codes[6],
                           int16_t firstColumn, int16_t lastColumn, int16_t lastLine);
  int DrawIonRatioChromatograms(STRUCT_WORK_FILE* workFile, const void* step, const void* qualifier,
                                const void* isStep, const void* isQualifier, const void* compound,
                                const void* isCompound, int16_t firstColumn, int16_t lastColumn, int16_t lastLine);
  int DrawQuanIonChromatogram(STRUCT_WORK_FILE* workFile, const void* step, int16_t internalStandard,
                              const void* compound, const void* globalTable, int16_t left, int16_t bottom,
                              int16_t right, int16_t top);
  int DrawCompoundRIC(STRUCT_WORK_FILE* workFile, const void* step, const void* compound, const void* globalTable,
                      int16_t left, int16_t bottom, int16_t right, int16_t top);
  int DrawQualifierIonChromatograms(STRUCT_WORK_FILE* workFile, const void* step, const void* compound,
                                    int16_t left, int16_t bottom, int16_t right, int16_t top);
  void WriteSegmentLine(STRUCT_WORK_FILE* workFile, double retentionTime, int16_t column);

  int16_t Kind;
  uint16_t Orientation;
  int16_t Columns;
  uint16_t Lines;
  int16_t LastLine;
  int16_t Ok;
  uint16_t PagesStored;
  uint16_t KeepPage;
  int16_t PageOverflowed;
  CRptsFileHandler* ReportsFile;
  uint32_t CreatedAt;
  uint16_t TempFileMade;
  CReportStatusDlg* StatusDialog;
  STRUCT_SCAN_FUN_INFO* ScanFunInfo;
  uint16_t ScanFunCount;
  CMPage* Page;
  CDC* PageDC;
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
  STRUCT_OVER_SIZES Sizes;
  char DisplayFileName[260];
  uint16_t VersionNumber, VersionCount;

 private:
  bool Writable();
  bool PageWritable();
  void HeaderText_(int i, char* out, size_t size, bool* ends) const;
  void SeparatedColumn(int16_t column, const char* text, bool quoted);
  void EndTextLine();
  void DrawAt(int16_t column, const char* text);
  void SelectFont(int16_t index);
  void DropTempFile();
  bool stopped_ = false;  // the closing page is stored: nothing more is drawn or stored
  char tempPath_[MAX_PATH] = {};
};

// The page number put into a page-number format: one "%d" (or "%i", "%u",
// "%ld") takes the number, "%%" is a percent sign, and any other "%" is
// kept as text, so a title holding "%" cannot reach the runtime's formatter.
KELT_CLASS void FormatPageNumber(const char* format, int number, char* out, size_t size);
