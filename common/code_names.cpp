// Report texts of result and method codes.
#include "common/code_names.h"

#include <string>

#include "common/report_fields.h"

using kelt::reports::PutCell;

BOOL KELT_GetCalibEquation(const void* compound, int16_t, char* constant, char* x, char* x2, char* x3) {
  try {
    std::string c, t1, t2, t3;
    if (!kelt::reports::CalibEquation(compound, c, t1, t2, t3)) return FALSE;
    PutCell(constant, c);
    PutCell(x, t1);
    PutCell(x2, t2);
    PutCell(x3, t3);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

char* KELT_GetPeakTypeString(int16_t flags, int16_t style, char* buffer) {
  try {
    return PutCell(buffer, kelt::reports::PeakType(flags, style));
  } catch (...) {
    return PutCell(buffer, "");
  }
}

const char* KELT_GetSearchTypeString(const void* step, const void* table, int16_t longText) {
  thread_local char text[kelt::reports::kCellTextSize];
  text[0] = 0;
  try {
    PutCell(text, kelt::reports::SearchType(step, table, longText != 0));
  } catch (...) {
    text[0] = 0;
  }
  return text;
}

char* KELT_GetLibraryNameString(const void* table, int16_t library, char* buffer, int16_t maxWidth) {
  try {
    return PutCell(buffer, kelt::reports::LibraryName(table, library, static_cast<uint16_t>(maxWidth < 0 ? 0 : maxWidth)));
  } catch (...) {
    return PutCell(buffer, "");
  }
}

char* KELT_GetMatchTypeString(const void* step, const void* table, char* buffer, int16_t longText) {
  try {
    return PutCell(buffer, kelt::reports::MatchType(step, table, longText != 0));
  } catch (...) {
    return PutCell(buffer, "");
  }
}

char* KELT_GetErrorStringFromRecord(const void* step, char* buffer) {
  try {
    return PutCell(buffer, kelt::reports::ErrorFlags(step));
  } catch (...) {
    return PutCell(buffer, "");
  }
}

char* KELT_GetRFUsedString(const void* table, const void* step, int16_t shortText, char* buffer) {
  try {
    return PutCell(buffer, kelt::reports::RfUsed(table, step, shortText != 0));
  } catch (...) {
    return PutCell(buffer, "");
  }
}

char* KELT_GetCalculationTypeString(const void* compound, char* buffer) {
  try {
    return PutCell(buffer, kelt::reports::CalibFitType(compound));
  } catch (...) {
    return PutCell(buffer, "");
  }
}
