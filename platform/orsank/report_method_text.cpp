// The text of a method's report format.
#include <cstdarg>
#include <cstring>

#include "holbrin/holbrin.h"
#include "orsank.h"

namespace {

void Line(FILE* f, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fputs(text, f);
  std::fputs("\r\n", f);
}

const char* YesNo(int v) { return v ? "Yes" : "No"; }

const char* ExportKind(int kind) {
  switch (kind) {
    case 0: return "Comma separated";
    case 2: return "Blank separated";
    default: return "Tab separated";
  }
}

int Columns(const DH_REPORT_COLUMN_SET& set) { return set.count > 61 ? 61 : set.count; }

}  // namespace

ORSANK_API int32_t FormatMethodSection(FILE* stream, const char* path, const char* sectionName) {
  if (!stream || !path || !sectionName) return 0;
  char base[64] = {}, tag[64] = {};
  uint16_t id = 0, address = 0;
  if (!ParseDHSectionName(sectionName, base, sizeof base, &id, &address, tag, sizeof tag) ||
      std::strcmp(base, "MSReportFormat2") != 0)
    return 0;
  STRUCT_REPORT_FORMAT r;
  if (!ReadReportFormat(path, sectionName, &r)) return 0;
  Line(stream, "Report Method");
  Line(stream, "  Summary report:        %s", YesNo(r.summaryReport));
  Line(stream, "  Summary export:        %s", YesNo(r.summaryExport));
  Line(stream, "  Chart report:          %s", YesNo(r.chartReport));
  Line(stream, "  Chart export:          %s", YesNo(r.chartExport));
  Line(stream, "  Export format:         %s", ExportKind(r.exportKind));
  Line(stream, "  Sample report columns: %d", Columns(r.sampleColumns));
  return 1;
}
