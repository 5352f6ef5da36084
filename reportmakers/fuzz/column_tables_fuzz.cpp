// libFuzzer target over the column sets of the report format that the
// configurable results table reads (the wide flag, 61 identifiers and
// their count) with the kind mask and switches taken from the input's
// tail: the layout keeps its blocks on the line, and the compound and peak
// tables of a processed run are written on 80- and 140-column pages and
// into a text file without a fault, every page text ending on its line.
// The same set is the row list of the compound detail table of a target
// step and of an unidentified step, whose bytes the input's rest
// overwrites from its beginning.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/preference_records.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "common/report_records.h"
#include "common/results_access.h"
#include "reportmakers/compound_pages.h"
#include "reportmakers/result_tables.h"
#include "reportpages/report_output.h"
#include "reportpages/reports_file.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_metafile.h"
#include "win/win_profile.h"

namespace {

const char kData[] = "C:\\FUZZ\\run.kms";
const char kMethod[] = "C:\\FUZZ\\run.mth";
const char kReports[] = "C:\\FUZZ\\tables.msr";
const char kText[] = "C:\\FUZZ\\tables.txt";

void Setup() {
  static const bool ready = [] {
    fuzz::UseOwnRoot();
    CreateDirectoryA("C:\\TEMP", nullptr);
    WritePrivateProfileStringA("Corvane Zeph Workstation", "device", "Kelt PDF,WINSPOOL,FILE:",
                               GetWorkstationIniPath());
    msfix::DHPlan plan;
    plan.run.scans = 400;
    plan.run.compounds = 6;
    plan.unknowns = 2;
    msfix::DHTruth truth;
    return msfix::WriteProcessedDataFile(kData, kMethod, plan, &truth);
  }();
  fuzz::Check(ready, "the processed run is written");
}

struct Bounds {
  int columns;
  bool ok = true;
};

int CALLBACK Texts(HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM data) {
  auto* b = reinterpret_cast<Bounds*>(data);
  if (r->iType != EMR_EXTTEXTOUTW) return 1;
  const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
  const int x = int(t->emrtext.ptlReference.x);
  const int column = int((int64_t(x) * b->columns + 16383) / 32767);
  // Texts placed on a grid column end by the line's last column.
  if (int64_t(column) * 32767 / b->columns == x && column + int(t->emrtext.nChars) > b->columns) b->ok = false;
  return 1;
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  std::vector<uint8_t> in(386 + 4, 0);
  const uint16_t ids[] = {1, 2, 3, 4, 5, 6, 7, 8, 12, 18, 82, 83, 46, 34, 63};
  for (size_t i = 0; i < sizeof ids / 2; ++i) std::memcpy(in.data() + 2 + 2 * i, &ids[i], 2);
  const uint16_t n = uint16_t(sizeof ids / 2), mask = 0x3F;
  std::memcpy(in.data() + 124, &n, 2);
  std::memcpy(in.data() + 386, &mask, 2);
  in[388] = 1;
  std::ofstream(std::string(folder) + "/targets.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(in.data()), std::streamsize(in.size()));
  const uint16_t peaks[] = {57, 3, 22, 43, 6, 7, 8, 9, 10, 11, 61, 39, 40, 55};
  std::memset(in.data(), 0, 386);
  const uint16_t wide = 1;
  std::memcpy(in.data(), &wide, 2);
  for (size_t i = 0; i < sizeof peaks / 2; ++i) std::memcpy(in.data() + 2 + 2 * i, &peaks[i], 2);
  const uint16_t m = uint16_t(sizeof peaks / 2);
  std::memcpy(in.data() + 124, &m, 2);
  in[388] = 0;
  std::ofstream(std::string(folder) + "/peaks.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(in.data()), std::streamsize(in.size()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Setup();
  std::vector<uint8_t> set(386, 0);
  std::memcpy(set.data(), data, std::min<size_t>(size, set.size()));
  uint16_t mask = 0x3F;
  if (size >= 388) std::memcpy(&mask, data + 386, 2);
  const uint8_t flags = size > 388 ? data[388] : 1;
  const bool targets = flags & 1;

  for (int limit : {80, 140}) {
    const kelt::reports::ColumnLayout l =
        kelt::reports::MakeColumnLayout(set.data(), targets, flags & 2, flags & 4, flags & 8, 2, limit);
    fuzz::Check(l.count >= 0 && l.count <= kelt::reports::ColumnLayout::kMaxColumns, "the columns are bounded");
    fuzz::Check(l.blocks <= kelt::reports::ColumnLayout::kMaxBlocks, "the blocks are bounded");
    for (int b = 0; b < l.blocks; ++b) {
      int end = b == 0 ? 2 : 7;
      for (int k = 0; k < l.blockCount[b]; ++k) {
        const int i = l.blockFirst[b] + k;
        fuzz::Check(i >= 0 && i < l.count, "a block names its own columns");
        end += l.ids[i] == 46 ? 0 : l.widths[i];
      }
      fuzz::Check(l.blockCount[b] == 1 || end <= limit, "a block of several columns fits its line");
    }
  }

  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kData, 0);
  fuzz::Check(wf != nullptr, "the run opens");
  STRUCT_REPORT_PREFS prefs{};
  KELT_ResetDefReportPrefs(&prefs);
  for (int16_t columns : {int16_t(80), int16_t(140)}) {
    DeleteFileA(kReports);
    {
      CRptsFileHandler maker(nullptr);
      fuzz::Check(maker.MakeThisNewFile(kReports) != 0, "the reports file is made");
    }
    char reports[MAX_PATH];
    std::strcpy(reports, kReports);
    {
      CReportOutput out(reports, &prefs, columns, columns == 80 ? 72 : 60, columns == 80 ? 2 : 1,
                        REPORT_OUTPUT_PAGES);
      RPTS_WriteColumnResultsTable(&out, wf, mask, set.data(), targets ? 1 : 0, int16_t(flags & 16), 2,
                                   int16_t(flags & 32), 2, int16_t(columns - 2));
      fuzz::Check(out.Line <= out.LastLine + 1 || !out.Ok, "the rows stay on their pages");
      out.EndPage();
    }
    CRptsFileHandler file(kReports, nullptr);
    for (int32_t p = 0; p < file.GetCountOfPages(); ++p) {
      RptsPageRecord r{};
      uint32_t bytes = 0;
      void* bits = file.GetPage(p, &r, &bytes);
      fuzz::Check(bits != nullptr, "a stored page reads back");
      HENHMETAFILE emf = SetEnhMetaFileBits(bytes, static_cast<const BYTE*>(bits));
      FreeBlock(bits);
      Bounds b{columns};
      EnumEnhMetaFile(nullptr, emf, Texts, &b, nullptr);
      DeleteEnhMetaFile(emf);
      fuzz::Check(b.ok, "every cell ends on its line");
    }
  }
  {
    CReportOutput out(nullptr, nullptr, 220, 0, 0, REPORT_OUTPUT_TEXT);
    fuzz::Check(out.TextFile && out.TextFile->OpenAFile(kText, "\r\n", 1), "the text file opens");
    RPTS_WriteColumnResultsTable(&out, wf, mask, set.data(), targets ? 1 : 0, int16_t(flags & 16), 2,
                                 int16_t(flags & 32), 0, 400);
    out.TextFile->CloseAFile();
  }

  namespace r = kelt::reports;
  std::vector<uint8_t> header(r::kResultsHeaderSize), table(r::kGlobalTableSize), compound(r::kCompoundRecordSize);
  const bool haveHeader = RPTS_ReadResults(kData, header.data()) != 0;
  KELT_ReadGlobalTable(wf, table.data());
  for (uint16_t index : {uint16_t(1), uint16_t(7)}) {
    std::vector<uint8_t> step(r::kResultStepSize);
    if (!RPTS_ReadResultStep(kData, index, step.data())) continue;
    const bool haveCompound = RPTS_ReadCompoundRecord(wf, step.data(), compound.data()) != 0;
    if (size > 389) std::memcpy(step.data(), data + 389, std::min(size - 389, step.size()));
    for (int16_t kind : {int16_t(REPORT_OUTPUT_PAGES), int16_t(REPORT_OUTPUT_TEXT)}) {
      DeleteFileA(kReports);
      {
        CRptsFileHandler maker(nullptr);
        maker.MakeThisNewFile(kReports);
      }
      char reports[MAX_PATH];
      std::strcpy(reports, kReports);
      CReportOutput out(kind == REPORT_OUTPUT_PAGES ? reports : nullptr, &prefs, kind == REPORT_OUTPUT_PAGES ? 80 : 220,
                        kind == REPORT_OUTPUT_PAGES ? 72 : 0, 2, kind);
      if (kind == REPORT_OUTPUT_TEXT)
        fuzz::Check(out.TextFile && out.TextFile->OpenAFile(kText, "\r\n", 1), "the text file opens");
      RPTS_WriteCompoundDetailTable(&out, wf, set.data(), step.data(), nullptr, haveHeader ? header.data() : nullptr,
                                    haveCompound ? compound.data() : nullptr, table.data(), index, 3, 2);
      fuzz::Check(kind != REPORT_OUTPUT_PAGES || out.Line <= out.LastLine + 1 || !out.Ok,
                  "the detail rows stay on their pages");
      out.EndPage();
      if (out.TextFile) out.TextFile->CloseAFile();
    }
  }
  FreeWorkFileStruct(wf);
  return 0;
}
