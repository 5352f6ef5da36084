// Status of a typed ion formula.
#include "common/ion_formula_status.h"

#include <cctype>
#include <cstring>

#include "quorna/quorna.h"

namespace {

const char* const kStatus[] = {"Invalid Ion Formula", "No Characters", "Invalid Character(s)", "Invalid Ion(s)",
                               "Valid Ion Formula"};

// The formula characters; '-' and '/' belong to the range and window forms
// of the mass-list text and are accepted with them.
constexpr const char* kFormulaChars = " +:.0123456789,-/";

bool IsRic(const char* p) {
  return std::toupper(static_cast<unsigned char>(p[0])) == 'R' && std::toupper(static_cast<unsigned char>(p[1])) == 'I' &&
         std::toupper(static_cast<unsigned char>(p[2])) == 'C';
}

}  // namespace

KELT_API BOOL KELT_GetStatusStringForIonFormula(const char* text, double lowestIon, double highestIon, char* status) {
  if (highestIon == 3500.0) highestIon = 3499.99999;
  int index = 0;
  const size_t length = text ? strnlen(text, 4096) : 0;
  if (length == 0) {
    index = 1;
  } else {
    for (size_t i = 0; i < length;) {
      if (length - i >= 3 && IsRic(text + i)) {
        i += 3;
        continue;
      }
      if (!std::strchr(kFormulaChars, text[i])) {
        index = 2;
        break;
      }
      ++i;
    }
  }
  BOOL usable = 0;
  STRUCT_MASS_LIST list;
  std::memset(&list, 0, sizeof list);
  list.window = 0.5;
  if (text && length < 4096) ParseMassList(text, &list);
  if (list.count > 0 && list.count <= MASS_LIST_MAX_RANGES &&
      (list.kind == MASS_LIST_TOTAL_ION || list.kind == MASS_LIST_RANGES)) {
    bool inRange = true;
    for (uint16_t i = 0; i < list.count && inRange; ++i) {
      const MASS_RANGE& r = list.ranges[i];
      if (r.low == 0.0 && r.high == 0.0) continue;
      if (r.low < lowestIon || r.high > highestIon) {
        index = 3;
        inRange = false;
      }
    }
    if (inRange) {
      if (index == 0) index = 4;
      usable = 1;
    }
  }
  if (status) std::strcpy(status, kStatus[index]);
  return usable;
}
