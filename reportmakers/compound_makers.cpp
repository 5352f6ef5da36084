// The frame of the compound report makers: the format, the results and
// the kind tests, the walk over the steps of the groups asked for, and
// clean-up on every path.
#include "reportmakers/compound_makers.h"
#include "reportmakers/compound_pages.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "common/scan_fun_info.h"
#include "common/work_file.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "reportmakers/report_format.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "reportmakers/results_header.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"

namespace kelt::reports {

namespace {
std::mutex g_makersMutex;
// The report pages of this library unless a caller sets others.
CompoundPageMakers g_makers = DefaultCompoundPageMakers();
}  // namespace

void SetCompoundPageMakers(const CompoundPageMakers& makers) {
  std::lock_guard<std::mutex> lock(g_makersMutex);
  g_makers = makers;
}

CompoundPageMakers GetCompoundPageMakers() {
  std::lock_guard<std::mutex> lock(g_makersMutex);
  return g_makers;
}

}  // namespace kelt::reports

namespace {

using namespace kelt::reports;

enum class Which { All, Targets, Unknowns, Standards };

// The internal-standard bit of the step's flag word; the engine marks a
// standard's own step also by naming its compound as the standard used.
bool IsInternalStandard(const uint8_t* step) {
  if (FieldAt<uint16_t>(step, step::kPeakType) & 0x100) return true;
  const int16_t standard = FieldAt<int16_t>(step, step::kStandardNumber);
  return standard > 0 && standard == FieldAt<int32_t>(step, step::kCompoundNumber);
}

struct Arguments {
  const char* formatFile;
  const char* formatSection;
  const char* dataFile;
  char* reportsFile;
  STRUCT_REPORT_PREFS* prefs;
  const char* displayName;
  int16_t versionNumber, versionCount;
};

// What the frame holds, freed on every path.
struct Frame {
  STRUCT_WORK_FILE* workFile = nullptr;
  STRUCT_SCAN_FUN_INFO* scanFunInfo = nullptr;
  uint16_t* standardFlags = nullptr;
  const char* madeReportsFile = nullptr;
  bool stored = false;
  ~Frame() {
    if (madeReportsFile && !stored && FileExists(madeReportsFile)) DeleteFileA(madeReportsFile);
    if (scanFunInfo) FreeBlock(scanFunInfo);
    if (standardFlags) FreeBlock(standardFlags);
    if (workFile) FreeWorkFileStruct(workFile);
  }
};

int32_t MakeCompoundReports(const Arguments& a, Which which) {
  if (!a.dataFile || !a.reportsFile) return 0;
  std::vector<uint8_t> format(kReportFormatSize, 0);
  if (!ReadReportFormat(a.formatFile, a.formatSection, format.data()) && !ResetReportFormat(format.data())) return 0;
  const RPT_COMPOUND_DEFINITION definition = CompoundDefinition(format.data());
  const uint16_t mask = definition.kindMask;
  uint8_t header[kResultsHeaderSize] = {};
  if (!RPTS_ReadResults(a.dataFile, header)) return 0;
  const bool compounds = which != Which::Unknowns, unknowns = which == Which::All || which == Which::Unknowns;
  if (which != Which::Standards &&
      !RPTS_HasRequestedResults(header, mask, which == Which::All, which == Which::Targets, which == Which::Unknowns))
    return 0;
  const int32_t compoundSteps = CompoundStepCount(header), unknownSteps = UnidentifiedStepCount(header);
  if ((which == Which::All && !compoundSteps && !unknownSteps) ||
      ((which == Which::Targets || which == Which::Standards) && !compoundSteps) ||
      (which == Which::Unknowns && !unknownSteps))
    return 0;

  Frame f;
  f.workFile = MakeWorkFileStruct(a.dataFile, 0);
  if (!f.workFile) return 0;
  if (which == Which::Standards) {
    f.standardFlags = static_cast<uint16_t*>(AllocBlock(uint32_t(2 * compoundSteps + 20)));
    if (!f.standardFlags) return 0;
    uint8_t step[kResultStepSize];
    for (int32_t i = 0; i < compoundSteps; ++i) {
      if (!RPTS_ReadResultStep(a.dataFile, uint16_t(i), step)) break;
      f.standardFlags[i] = IsInternalStandard(step) ? 1 : 0;
    }
  }
  // A named reports file that does not exist yet is made here, and
  // removed again when no page goes into it.
  if (a.reportsFile[0] && !FileExists(a.reportsFile)) {
    CRptsFileHandler maker(nullptr);
    if (!maker.MakeThisNewFile(a.reportsFile)) return 0;
    f.madeReportsFile = a.reportsFile;
  }
  CRptsFileHandler reports(a.reportsFile[0] ? a.reportsFile : nullptr, nullptr);
  if (a.reportsFile[0] && !reports.IsOpen()) return 0;
  int16_t scanFunCount = 0;
  f.scanFunInfo = PD_GetScanFunInfoForDataFile(f.workFile, &scanFunCount, 0);
  const CompoundPageMakers makers = GetCompoundPageMakers();
  CompoundPageRequest r{};
  r.definition = format.data() + kCompoundOffset;
  r.general = format.data() + kGeneralOffset;
  r.workFile = f.workFile;
  r.scanFunInfo = f.scanFunInfo;
  r.scanFunCount = scanFunCount;
  r.reportsFile = a.reportsFile;
  r.prefs = a.prefs;
  r.dateTime = uint32_t(GetCurrentDateTime());
  r.displayName = a.displayName;
  r.versionNumber = a.versionNumber;
  r.versionCount = a.versionCount;
  uint32_t page = 1;

  auto walk = [&](int32_t first, int32_t count, bool compoundGroup) {
    uint8_t step[kResultStepSize];
    for (int32_t i = first; i < first + count && i <= 65535; ++i) {
      if (which == Which::Standards && !f.standardFlags[i]) continue;
      if (!RPTS_ReadResultStep(a.dataFile, uint16_t(i), step)) return;
      if (which != Which::Standards && !(mask & MaskOfKind(FieldAt<int32_t>(step, step::kStatus)))) continue;
      // The makers' pages go in by name: the file is read afresh for its room.
      if (a.reportsFile[0]) {
        if (!reports.UseThisExistingFile(a.reportsFile) || reports.GetFreeSlotCount() <= 1) return;
      }
      r.step = step;
      r.stepIndex = uint16_t(i);
      r.firstPage = uint16_t(page);
      uint16_t made = 0;
      if (compoundGroup && definition.pageStyle == 2) {
        if (makers.ionRatio && makers.ionRatio(r, &made)) page += 1;
      } else {
        const CompoundPageMaker maker = compoundGroup ? makers.target : makers.unidentified;
        if (maker && maker(r, &made)) page += made;
      }
    }
  };
  if (compounds) walk(0, compoundSteps, true);
  if (unknowns) walk(compoundSteps, unknownSteps, false);
  reports.Close();
  f.stored = page > 1;
  return f.stored ? 1 : 0;
}

}  // namespace

#define COMPOUND_MAKER(name, which)                                                                                \
  int32_t name(const char* formatFile, const char* formatSection, const char* dataFile, char* reportsFile,       \
               STRUCT_REPORT_PREFS* prefs, int32_t, int32_t, const char* displayName, int16_t versionNumber,     \
               int16_t versionCount) {                                                                           \
    try {                                                                                                        \
      return MakeCompoundReports(                                                                                \
          {formatFile, formatSection, dataFile, reportsFile, prefs, displayName, versionNumber, versionCount},   \
          which);                                                                                                \
    } catch (...) {                                                                                              \
      return 0;                                                                                                  \
    }                                                                                                            \
  }

COMPOUND_MAKER(RPTS_MakeCompoundReports, Which::All)
COMPOUND_MAKER(RPTS_MakeTargetCompoundReports, Which::Targets)
COMPOUND_MAKER(RPTS_MakeUnknownCompoundReports, Which::Unknowns)
COMPOUND_MAKER(RPTS_MakeISCompoundReports, Which::Standards)
