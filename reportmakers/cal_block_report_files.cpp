// The calibration-block report as a separated text file.
#include "reportmakers/cal_block_report_files.h"

#include <cstring>
#include <vector>

#include "common/data_file_utils.h"
#include "holbrin/holbrin.h"
#include "reportpages/export_file_choice.h"

int32_t RPTS_Ex_MakeCalBlockReportsASCIIFile(const char* formatFile, const char* formatSection,
                                             const char* sourceFile, char* outputPath, const char* displayName) {
  try {
    if (!sourceFile || !outputPath || !formatSection) return 0;
    char extension[16] = {};
    bool chosen = false;
    if (!outputPath[0]) {
      // The file kind follows the format's output format when it can be read.
      int16_t kind = EXPORT_KIND_TEXT;
      std::vector<uint8_t> format(sizeof(STRUCT_REPORT_FORMAT), 0);
      if (formatFile && ReadReportFormat(formatFile, formatSection, format.data())) {
        int16_t output = 0;
        std::memcpy(&output, format.data() + 24, sizeof output);
        if (output == 0) kind = EXPORT_KIND_COMMA;
        if (output == 2) kind = EXPORT_KIND_BLANK;
      }
      const char* proposed = displayName && displayName[0] ? displayName : sourceFile;
      if (!kelt::pages::SelectExportFile(nullptr, kind, outputPath, proposed, "-MS-CBK", extension)) return 0;
      chosen = true;
    }
    uint16_t id = 0, address = 0;
    if (!KELT_FromSectionGetModuleIDAndAddress(formatSection, &id, &address)) return 0;
    return WriteCalibrationBlockText(sourceFile, "1", id, address, formatFile, formatSection, outputPath, 1, 0, 1,
                                     chosen && extension[0] ? extension : nullptr, displayName);
  } catch (...) {
    return 0;
  }
}

int32_t RPTS_MakeCalBlockReportsASCIIFile(const char* formatFile, const char* formatSection, const char* sourceFile,
                                          char* outputPath) {
  return RPTS_Ex_MakeCalBlockReportsASCIIFile(formatFile, formatSection, sourceFile, outputPath, nullptr);
}
