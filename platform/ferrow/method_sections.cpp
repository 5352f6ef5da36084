// Texts of the data-handling sections of a method or data file.
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "ferrow.h"
#include "holbrin/holbrin.h"

namespace {

void Line(FILE* f, const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::fputs(text, f);
  std::fputs("\r\n", f);
}

std::string Bounded(const char* s, size_t n) { return std::string(s, strnlen(s, n)); }

const char* Smoothing(int kind) {
  switch (kind) {
    case 0: return "None";
    case 1: return "Moving mean";
    case 2: return "Savitzky-Golay";
    default: return "Unknown";
  }
}

const char* Calculation(int kind) {
  switch (kind) {
    case 1: return "Percent";
    case 3: return "Internal standard";
    default: return "External standard";
  }
}

std::string MassList(const DH_MASS_LIST& list) {
  std::string s;
  const int n = list.count > 10 ? 10 : list.count;
  for (int i = 0; i < n; ++i) {
    char r[64];
    if (list.ranges[i].lowMass == list.ranges[i].highMass) std::snprintf(r, sizeof r, "%.1f", list.ranges[i].lowMass);
    else std::snprintf(r, sizeof r, "%.1f-%.1f", list.ranges[i].lowMass, list.ranges[i].highMass);
    if (!s.empty()) s += '+';
    s += r;
  }
  return s.empty() ? std::string("RIC") : s;
}

bool WriteGlobalParams(FILE* f, const char* path, const char* section) {
  HDHTABLE t = OpenDHTableSection(path, section, sizeof(STRUCT_DH_GLOBAL_PARAMS), FALSE);
  if (!t) return false;
  STRUCT_DH_GLOBAL_PARAMS g;
  const bool ok = CountDHRecords(t) > 0 && GetDHRecord(t, 0, &g);
  FreeDHRecordSet(t);
  if (!ok) return false;
  Line(f, "Global Parameters");
  Line(f, "  Peak width:            %.1f s", g.peakWidthTenths / 10.0);
  Line(f, "  Slope sensitivity:     %u", unsigned(g.slopeSensitivity));
  Line(f, "  Tangent percent:       %u %%", unsigned(g.tangentPercent));
  Line(f, "  Peak size reject:      %.0f counts", double(g.peakSizeReject));
  Line(f, "  Smoothing:             %s, half width %d", Smoothing(g.smoothingKind), int(g.smoothingHalfWidth));
  Line(f, "  Dead time:             %.3f min", double(g.deadTime));
  Line(f, "  Noise:                 %s", g.noiseKind ? "Peak to peak" : "RMS");
  Line(f, "  Response basis:        %s", g.quant.responseBasis == 1 ? "Area" : "Height");
  Line(f, "  Calculation:           %s", Calculation(g.quant.calculationType));
  Line(f, "  Unknowns mass list:    %s", MassList(g.massList).c_str());
  return true;
}

bool WritePeakTable(FILE* f, const char* path, const char* section) {
  HDHTABLE t = OpenDHTableSection(path, section, sizeof(STRUCT_DH_COMPOUND), FALSE);
  if (!t) return false;
  const int32_t n = CountDHRecords(t);
  std::vector<STRUCT_DH_COMPOUND> compounds(n > 0 ? size_t(n) : 0);
  bool ok = n >= 0;
  for (int32_t i = 0; ok && i < n; ++i) ok = GetDHRecord(t, i, &compounds[size_t(i)]);
  FreeDHRecordSet(t);
  if (!ok) return false;
  Line(f, "Peak Table: %d compound%s", int(n), n == 1 ? "" : "s");
  Line(f, "  %-4s %-30s %9s  %-4s %s", "No.", "Name", "RT (min)", "ISTD", "Quant ion");
  for (const STRUCT_DH_COMPOUND& c : compounds) {
    Line(f, "  %-4u %-30.30s %9.3f  %-4s %s", unsigned(c.compoundNumber), Bounded(c.name, sizeof c.name).c_str(),
         c.retentionTime / 1000.0, (c.flags & DH_COMPOUND_INTERNAL_STANDARD) ? "Yes" : "No",
         MassList(c.massList).c_str());
  }
  return true;
}

}  // namespace

FERROW_API int32_t FormatMethodSection(FILE* stream, const char* path, const char* sectionName) {
  if (!stream || !path || !sectionName) return 0;
  char base[64] = {}, tag[64] = {};
  uint16_t id = 0, address = 0;
  if (!ParseDHSectionName(sectionName, base, sizeof base, &id, &address, tag, sizeof tag)) return 0;
  if (std::strcmp(base, "GlobalParams") == 0) return WriteGlobalParams(stream, path, sectionName);
  if (std::strcmp(base, "PeakTable") == 0) return WritePeakTable(stream, path, sectionName);
  return 0;
}
