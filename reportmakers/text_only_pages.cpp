// One compound of a quantitated data file as a single text page handed to
// the host, or as a page of a reports file under which the host's own
// spectrum and integration-event controls draw themselves.
#include "reportmakers/text_only_pages.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/data_file_utils.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "reportmakers/criteria_tables.h"
#include "reportmakers/data_file_info.h"
#include "reportmakers/report_format.h"
#include "reportmakers/report_format_section.h"
#include "reportpages/report_output.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_kernel.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

namespace r = kelt::reports;

constexpr int16_t kColumns = 80, kLines = 72, kLeft = 2, kRight = 78;
constexpr uint32_t kLayoutOption = 30, kTargetSelector = 1780, kUnknownSelector = 2182;

enum class Kind { Target, Unidentified };

// A page that cannot grow: a page break ends the report and is recorded.
class CSinglePageOutput : public CReportOutput {
 public:
  using CReportOutput::CReportOutput;
  int NewPage() override {
    if (Kind != REPORT_OUTPUT_PAGES) return 1;
    PageOverflowed = 1;
    Ok = 0;
    return 0;
  }
};

struct WorkFileFree {
  void operator()(STRUCT_WORK_FILE* wf) const { FreeWorkFileStruct(wf); }
};

bool ReadFormat(const char* dataFile, std::vector<uint8_t>* format) {
  char section[64] = {};
  if (!KELT_GetMSReportsMethodSectionFromKMSFile(dataFile, section) || !section[0]) return false;
  format->assign(r::kReportFormatSize, 0);
  return ReadReportFormat(dataFile, section, format->data()) || ResetReportFormat(format->data());
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The compound content: step, header, table (and for targets the method
// record), then the table the format's selector picks. False when a read
// failed.
bool WriteCompound(CReportOutput& out, Kind kind, STRUCT_WORK_FILE* wf, const std::vector<uint8_t>& format,
                   int16_t index, bool textOnly) {
  std::vector<uint8_t> step(r::kResultStepSize), header(r::kResultsHeaderSize), table(r::kGlobalTableSize),
      compound(r::kCompoundRecordSize), standard(r::kResultStepSize);
  if (index < 0 || !RPTS_ReadResultStep(wf->filePath, uint16_t(index), step.data()) ||
      !RPTS_ReadResults(wf->filePath, header.data()) || !KELT_ReadGlobalTable(wf, table.data()))
    return false;
  if (kind == Kind::Target && !RPTS_ReadCompoundRecord(wf, step.data(), compound.data())) return false;
  const bool isStandard = r::FieldAt<uint16_t>(step.data(), r::step::kPeakType) & 0x100;
  const bool haveStandard = !isStandard && RPTS_ReadISResultStep(wf->filePath, step.data(), standard.data());
  const uint16_t decimals = uint16_t(std::clamp<int16_t>(r::FieldAt<int16_t>(format.data(), kLayoutOption), 0, 6));
  const void* s = haveStandard ? standard.data() : nullptr;
  if (kind == Kind::Unidentified) {
    if (r::FieldAt<int16_t>(format.data(), kUnknownSelector) == 0)
      RPTS_WriteUnknownCriteria(&out, wf, header.data(), uint16_t(index), step.data(), table.data(), decimals,
                                uint16_t(kLeft));
    return true;
  }
  switch (r::FieldAt<int16_t>(format.data(), kTargetSelector)) {
    case 0:
      RPTS_WriteTargetCriteria(&out, header.data(), index, step.data(), s, compound.data(), table.data(), wf,
                               decimals, uint16_t(kLeft));
      break;
    case 1:
      RPTS_WriteTargetCriteriaFull(&out, header.data(), index, step.data(), s, compound.data(), table.data(), wf,
                                   decimals, uint16_t(kLeft));
      break;
    case 2: {
      if (!textOnly) break;
      std::vector<uint8_t> qualifier(1302);
      const int32_t number = r::FieldAt<int32_t>(step.data(), r::step::kCompoundNumber);
      if (!KELT_ReadMatchingQualifier(wf, number, qualifier.data()) ||
          r::FieldAt<int16_t>(qualifier.data(), 12) <= 0)
        break;
      auto block = [&](const std::vector<uint8_t>& st, const void* c, const char* label) {
        std::string title = std::string(label) + r::TextAt(st.data(), r::step::kName);
        RPTS_WriteSectionTitle(&out, uint16_t(kLeft), 1, title.substr(0, 60).c_str());
        out.SelectNormalFont();
        RPTS_RowQualIonRatios(&out, wf, st.data(), c, uint16_t(kLeft));
        out.NextLine();
      };
      if (haveStandard) {
        std::vector<uint8_t> standardCompound(r::kCompoundRecordSize);
        const bool c = RPTS_ReadCompoundRecord(wf, standard.data(), standardCompound.data());
        block(standard, c ? standardCompound.data() : nullptr, "Internal Standard:  ");
      }
      block(step, compound.data(), "Analyte:  ");
      break;
    }
    default:
      break;
  }
  return true;
}

HGLOBAL TextOnlyPage(Kind kind, const char* dataFile, STRUCT_REPORT_PREFS* prefs, int16_t index, int16_t* linesUsed,
                     int16_t* linesPerPage, int16_t* columns, const char* displayName, int16_t versionNumber,
                     int16_t versionCount) {
  try {
    if (!dataFile) return nullptr;
    std::vector<uint8_t> format;
    if (!ReadFormat(dataFile, &format)) return nullptr;
    std::unique_ptr<STRUCT_WORK_FILE, WorkFileFree> wf(MakeWorkFileStruct(dataFile, 0));
    if (!wf) return nullptr;
    CSinglePageOutput out(nullptr, prefs, kColumns, kLines, 2, REPORT_OUTPUT_PAGES);
    if (!out.Ok || !out.Page) return nullptr;
    if (displayName && displayName[0])
      std::snprintf(out.DisplayFileName, sizeof out.DisplayFileName, "%s", displayName);
    out.LabelColumn = kLeft;
    out.VersionNumber = uint16_t(versionNumber);
    out.VersionCount = uint16_t(versionCount);
    out.Line = 0;
    RPTS_WriteDataFileInfo(&out, wf.get(), format.data() + r::kCompoundOffset, format.data() + r::kGeneralOffset,
                           kLeft, kRight, 0);
    if (out.Ok) WriteCompound(out, kind, wf.get(), format, index, true);
    wf.reset();
    HGLOBAL bits = out.Page->m_pMetaDC ? out.Page->EndPage() : nullptr;
    out.PageDC = nullptr;
    if (!out.Ok && !out.PageOverflowed) {
      if (bits) GlobalFree(bits);
      return nullptr;
    }
    if (!bits) return nullptr;
    if (linesPerPage) *linesPerPage = kLines;
    if (columns) *columns = kColumns;
    if (linesUsed) *linesUsed = int16_t(std::min<int>(out.Line + 2, kLines));
    return bits;
  } catch (...) {
    return nullptr;
  }
}

constexpr UINT kOp2Print = WM_USER + 203;
constexpr UINT kSptPrint = WM_USER + 22;

int32_t ReportFromControls(Kind kind, char* reportsFile, STRUCT_REPORT_PREFS* prefs, const char* dataFile,
                           int16_t index, HWND events, HWND spectrum, const char* displayName, int16_t versionNumber,
                           int16_t versionCount) {
  try {
    if (!dataFile || !reportsFile) return 0;
    std::vector<uint8_t> format;
    if (!ReadFormat(dataFile, &format)) return 0;
    std::unique_ptr<STRUCT_WORK_FILE, WorkFileFree> wf(MakeWorkFileStruct(dataFile, 0));
    if (!wf) return 0;
    bool made = false;
    if (reportsFile[0] && !FileExists(reportsFile)) {
      CRptsFileHandler maker(nullptr);
      if (!maker.MakeThisNewFile(reportsFile)) return 0;
      made = true;
    }
    CReportOutput out(reportsFile, prefs, kColumns, kLines, 2, REPORT_OUTPUT_PAGES);
    if (!out.Ok || !out.Page) {
      if (made) DeleteFileA(reportsFile);
      return 0;
    }
    if (displayName && displayName[0])
      std::snprintf(out.DisplayFileName, sizeof out.DisplayFileName, "%s", displayName);
    out.LabelColumn = kLeft;
    out.VersionNumber = uint16_t(versionNumber);
    out.VersionCount = uint16_t(versionCount);
    const char* shown = out.DisplayFileName[0] ? out.DisplayFileName : dataFile;
    char cut[300] = {};
    if (index == -1) {
      KELT_TruncateFileString(shown, 60, cut);
      std::snprintf(out.HeaderText[0], sizeof out.HeaderText[0], "%s", Lower(cut).c_str());
    } else {
      KELT_TruncateFilenameString(shown, 30, cut);
      std::snprintf(out.HeaderText[0], sizeof out.HeaderText[0], "%s #%d from %s",
                    kind == Kind::Target ? "Target Compound" : "Unidentified Compound", index + 1,
                    Lower(cut).c_str());
    }
    out.HeaderUsed[0] = 1;
    out.HeaderLine[0] = 1;
    out.HeaderColumn[0] = kLeft;
    out.HeaderFont[0] = kFontBold;
    out.FirstBodyLine = 3;
    out.WriteHeaderLines();
    if (index != -1) {
      RPTS_WriteDataFileInfo(&out, wf.get(), format.data() + r::kCompoundOffset, format.data() + r::kGeneralOffset,
                             kLeft, kRight, 0);
      if (out.Ok && !WriteCompound(out, kind, wf.get(), format, index, false)) out.Ok = 0;
    }
    wf.reset();
    if (out.Ok && out.PageDC) {
      out.SelectSmallFont();
      const int16_t top = out.Page->LineToY(out.Line), bottom = 32267;
      const int16_t left = out.Page->ColumnToX(kLeft), right = out.Page->ColumnToX(kRight);
      int16_t chroTop = top;
      if (spectrum && IsWindow(spectrum)) {
        const int16_t middle = int16_t(top + (bottom - top) / 2);
        STRUCT_CCSPT_PRINT p{};
        p.dc = out.PageDC;
        p.left = left;
        p.top = top;
        p.right = right;
        p.bottom = events ? middle : bottom;
        p.charWidth = out.CharWidth;
        p.charHeight = out.CharHeight;
        SendMessageA(spectrum, kSptPrint, 0, reinterpret_cast<LPARAM>(&p));
        if (events) chroTop = middle;
      }
      if (events && IsWindow(events)) {
        // The control's own print record: it answers in the sizes and scales at its end.
        auto p = std::make_unique<STRUCT_OPLOT_PRINT_PLOT>();
        std::memset(static_cast<void*>(p.get()), 0, sizeof *p);
        p->dc = out.PageDC;
        p->left = left;
        p->bottom = bottom;
        p->right = right;
        p->top = chroTop;
        p->charWidth = out.CharWidth;
        p->charHeight = out.CharHeight;
        p->markers = spectrum ? 1 : 0;  // a spectrum stands above: its markers are drawn
        SendMessageA(events, kOp2Print, 0, reinterpret_cast<LPARAM>(p.get()));
      }
    }
    out.EndPage();
    const int32_t stored = out.HasPages() ? 1 : 0;
    if (made && !stored) DeleteFileA(reportsFile);
    return stored;
  } catch (...) {
    return 0;
  }
}

}  // namespace

HGLOBAL RPTS_MakeUNIDTextOnlyPage(const char* dataFile, STRUCT_REPORT_PREFS* prefs, int16_t index, int16_t* linesUsed,
                                  int16_t* linesPerPage, int16_t* columns, const char* displayName,
                                  int16_t versionNumber, int16_t versionCount) {
  return TextOnlyPage(Kind::Unidentified, dataFile, prefs, index, linesUsed, linesPerPage, columns, displayName,
                      versionNumber, versionCount);
}

HGLOBAL RPTS_MakeTargetTextOnlyPage(const char* dataFile, STRUCT_REPORT_PREFS* prefs, int16_t index,
                                    int16_t* linesUsed, int16_t* linesPerPage, int16_t* columns,
                                    const char* displayName, int16_t versionNumber, int16_t versionCount) {
  return TextOnlyPage(Kind::Target, dataFile, prefs, index, linesUsed, linesPerPage, columns, displayName,
                      versionNumber, versionCount);
}

int32_t RPTS_MakeUNIDReportFromControls(char* reportsFile, STRUCT_REPORT_PREFS* prefs, const char* dataFile,
                                        int16_t index, HWND events, HWND spectrum, const char* displayName,
                                        int16_t versionNumber, int16_t versionCount) {
  return ReportFromControls(Kind::Unidentified, reportsFile, prefs, dataFile, index, events, spectrum, displayName,
                            versionNumber, versionCount);
}

int32_t RPTS_MakeTargetReportFromControls(char* reportsFile, STRUCT_REPORT_PREFS* prefs, const char* dataFile,
                                          int16_t index, HWND events, HWND spectrum, const char* displayName,
                                          int16_t versionNumber, int16_t versionCount) {
  return ReportFromControls(Kind::Target, reportsFile, prefs, dataFile, index, events, spectrum, displayName,
                            versionNumber, versionCount);
}
