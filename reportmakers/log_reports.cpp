// The log report makers: the file header, then the log blocks of the data
// file, through one CReportOutput.
#include "reportmakers/log_reports.h"

#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>

#include "common/log_text_files.h"
#include "common/work_file.h"
#include "plotengine/overlay.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "reportpages/data_file_blocks.h"

using namespace kelt::reports;

namespace {

constexpr int16_t kColumn = 4;

enum class Font { Kept, Normal, Fixed };

struct Part {
  size_t flag;  // offset of the part's flag in the selection record
  Font font;
};

// The report frame and the file header; null when the output cannot start.
std::unique_ptr<CReportOutput> Start(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* wf) {
  if (!wf) return nullptr;
  auto out = StartSpectrumOutput(file, prefs);
  if (!out) return out;
  // The path shown to the user, in capitals.
  std::string shown(wf->displayName, strnlen(wf->displayName, sizeof wf->displayName));
  if (shown.empty()) shown.assign(wf->filePath, strnlen(wf->filePath, sizeof wf->filePath));
  for (char& c : shown) c = char(std::toupper(static_cast<unsigned char>(c)));
  SetReportTitle(*out, "Log of File:  " + shown, kColumn);
  out->WriteHeaderLines();
  RPTS_WriteFileHeader(out.get(), wf, kColumn);
  return out;
}

// Each part with a selection record of its own.
void WriteParts(CReportOutput& out, STRUCT_WORK_FILE* wf, int16_t width, const Part* parts, size_t count) {
  for (size_t i = 0; i < count && out.Ok; ++i) {
    KELT_DataFileLogOptions options{};
    options.headings = 1;
    options.notesWidth = width;
    const int16_t on = 1;
    std::memcpy(reinterpret_cast<uint8_t*>(&options) + parts[i].flag, &on, sizeof on);
    if (parts[i].font == Font::Normal) out.SelectNormalFont();
    else if (parts[i].font == Font::Fixed) out.SelectFixedFont();
    RPTS_WriteDataFileLog(&out, wf, &options);
  }
}

}  // namespace

int32_t RPTS_MakeMSLogReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* wf, SVW_OVERLAY* overlay,
                             int16_t chromatogramValue, int16_t userLog, int16_t fileNames, int16_t setPoints,
                             int16_t gc, int16_t segmentMode, int16_t segmentIndex, int16_t tune, int16_t ipm,
                             int16_t revisionLog) {
  auto out = Start(file, prefs, wf);
  if (!out) return 0;
  if (overlay) {
    out->SelectSmallFont();
    const int16_t right = int16_t(out->Columns - 4);
    RPTS_DrawChromatogramBlock(out.get(), overlay, chromatogramValue, kColumn, right, 40);
    RPTS_DrawSegmentInfoBlock(out.get(), wf, overlay->tail.viewStart, overlay->tail.viewEnd, kColumn, right,
                              int16_t(out->Line - 1), 0, 3);
  }
  RPTS_WriteAcqSegmentInfo(out.get(), wf, kColumn);
  RPTS_WriteMSLog(out.get(), wf, userLog, fileNames, setPoints, gc, segmentMode, segmentIndex, tune, ipm, revisionLog,
                  kColumn);
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeLogReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* wf) {
  auto out = Start(file, prefs, wf);
  if (!out) return 0;
  static const Part parts[] = {
      {offsetof(KELT_DataFileLogOptions, segments), Font::Kept},
      {offsetof(KELT_DataFileLogOptions, samplePrep), Font::Normal},
      {offsetof(KELT_DataFileLogOptions, runLog), Font::Fixed},
      {offsetof(KELT_DataFileLogOptions, otherLogs), Font::Fixed},
      {offsetof(KELT_DataFileLogOptions, errorLog), Font::Normal},
      {offsetof(KELT_DataFileLogOptions, revisionLog), Font::Fixed},
  };
  WriteParts(*out, wf, int16_t(out->Columns - 3), parts, sizeof parts / sizeof parts[0]);
  return FinishSpectrumOutput(*out);
}

int32_t RPTS_MakeDorlLogReport(char* file, STRUCT_REPORT_PREFS* prefs, STRUCT_WORK_FILE* wf) {
  auto out = Start(file, prefs, wf);
  if (!out) return 0;
  static const Part parts[] = {
      {offsetof(KELT_DataFileLogOptions, segments), Font::Kept},
      {offsetof(KELT_DataFileLogOptions, samplePrep), Font::Normal},
      {offsetof(KELT_DataFileLogOptions, runLog), Font::Fixed},
      {offsetof(KELT_DataFileLogOptions, otherLogs), Font::Fixed},
      {offsetof(KELT_DataFileLogOptions, revisionLog), Font::Fixed},
  };
  WriteParts(*out, wf, int16_t(out->Columns - 7), parts, sizeof parts / sizeof parts[0]);
  return FinishSpectrumOutput(*out);
}
