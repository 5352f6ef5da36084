// The instrument-line title of a trace.
#include "common/plot_title_text.h"

#include <cctype>

#include "common/list_text_helpers.h"
#include "common/work_file_facts.h"
#include "quorna/quorna.h"

namespace kelt::titles {

namespace {

const char* const kDataTypeNames[] = {"RIC", "Ion(s)", "Intensity of Base Peak", "Base Peak Ion", "Ion Time"};

bool DigitsOnly(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string TolmarPlotTitle(int dataType, const STRUCT_MASS_LIST* massList, const STRUCT_CHAN_LIST* chanList,
                            const STRUCT_WORK_FILE* workFile) {
  if (dataType == 100 || !workFile) return {};
  std::string t;
  if (dataType == 1 && massList) {
    char buf[512];
    if (FormatMassListText(buf, massList, kelt::wff::MassDecimals(workFile))) {
      std::string ions = buf;
      if (text::EqualsNoCase(buf, "RIC")) t = ions;
      else t = (DigitsOnly(ions) ? "Ion: " : "Ions: ") + ions;
    }
  } else if (dataType == 2 || dataType == 3) {
    t = kDataTypeNames[dataType];
  } else if (dataType >= 4 && dataType <= 99) {
    const MS_INFO_BLOCK* info = kelt::wff::Info(workFile);
    const int k = dataType - 4;
    if (info && k < info->extraColumnCount && k < MS_MAX_EXTRA_COLUMNS)
      t = text::WideToAnsi(info->extraColumnNames[k], 14);
  }
  if (!t.empty()) t += ' ';
  char chans[256];
  if (chanList && FormatChanList(chans, chanList)) t += chans;
  return t;
}

}  // namespace kelt::titles
