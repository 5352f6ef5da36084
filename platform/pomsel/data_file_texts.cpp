// Human-readable texts of the acquisition records, written into a stream.
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "pomsel.h"

namespace pomsel {
bool ReadSegments(const char* path, uint16_t id, uint16_t address, std::vector<DF_METHOD_SEGMENT>& out);
bool ReadAttributes(const char* path, uint16_t id, uint16_t address, std::vector<DF_MODULE_ATTRIBUTE>& out);
bool ReadEvents(const char* path, uint16_t id, uint16_t address, std::vector<DF_EVENT_LOG_ENTRY>& out);
}  // namespace pomsel

namespace {

// A fixed text field as a string, never reading past its end.
template <size_t N>
std::string Field(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

bool Put(FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// Text of a plain section, 0-terminated; empty when it is missing.
bool ReadText(const char* path, const char* name, std::string& text) {
  text.clear();
  if (!path || !name) return false;
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return false;
  uint32_t size = GetSectionSize(s);
  bool ok = size != 0xFFFFFFFFu && size <= 16u * 1024u * 1024u;
  if (ok && size) {
    text.resize(size);
    ok = SeekSection(s, 0, 0) == 0 && ReadSection(s, text.data(), size) == size;
  }
  CloseSection(s);
  if (!ok) text.clear();
  return ok;
}

bool WriteText(const char* path, const std::string& name, const char* text) {
  if (!path || name.empty() || !text) return false;
  HSECTION s = CreateSection(path, name.c_str(), nullptr);
  if (!s) return false;
  uint32_t n = uint32_t(std::strlen(text));
  bool ok = n == 0 || WriteSection(s, text, n) == n;
  ok = CloseSection(s) && ok;  // committed whole at close
  return ok;
}

// Lines of stored text with CR LF ends whatever the stored ends were.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\0') break;
    if (c == '\r' || c == '\n') {
      if (i + 1 < text.size() && (text[i + 1] == '\r' || text[i + 1] == '\n') && text[i + 1] != c) ++i;
      out += "\r\n";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0)) out += "\r\n";
  return out;
}

std::string SegmentText(const DF_METHOD_SEGMENT& s, const std::vector<DF_SCAN_FUNCTION>& functions,
                        bool detail) {
  std::string ion = Field(s.ionisation);
  std::string text = Format("Segment %u: %.3f to %.3f min, %s, %u scan function%s, %s data\r\n",
                            unsigned(s.number), s.startTime, s.endTime, ion.empty() ? "EI+" : ion.c_str(),
                            unsigned(s.scanFunctionCount), s.scanFunctionCount == 1 ? "" : "s",
                            s.dataKind ? "centroid" : "profile");
  if (!detail) return text;
  text += Format("  Scan time: %.3f s, inter-scan delay: %.3f s\r\n", s.scanTime, s.interScanDelay);
  text += Format("  Mass range: %.1f to %.1f\r\n", s.lowMass, s.highMass);
  std::string description = Field(s.description);
  if (!description.empty()) text += "  Description: " + description + "\r\n";
  for (const DF_SCAN_FUNCTION& f : functions) {
    if (f.segment != s.number) continue;
    text += Format("  Function %u: %s", unsigned(f.channel), Field(f.shortName).c_str());
    std::string longName = Field(f.longName);
    if (!longName.empty()) text += " (" + longName + ")";
    text += "\r\n";
  }
  return text;
}

std::vector<DF_SCAN_FUNCTION> Functions(const char* path, uint16_t id, uint16_t address) {
  std::vector<DF_SCAN_FUNCTION> out;
  if (DF_SCAN_FUNCTION_LIST* list = GetScanFunctionList(path, id, address)) {
    out.assign(list->items, list->items + list->count);
    FreeScanFunctionList(list);
  }
  return out;
}

BOOL SegmentLog(FILE* stream, const char* path, uint16_t address, uint16_t id, int16_t segment,
                bool detail) {
  std::vector<DF_METHOD_SEGMENT> segments;
  if (!stream || !pomsel::ReadSegments(path, id, address, segments)) return FALSE;
  for (const DF_METHOD_SEGMENT& s : segments)
    if (segment > 0 && s.number == uint16_t(segment))
      return Put(stream, SegmentText(s, Functions(path, id, address), detail));
  return FALSE;
}

BOOL Attributes(FILE* stream, const char* path, uint16_t address, uint16_t id, bool grouped) {
  std::vector<DF_MODULE_ATTRIBUTE> items;
  if (!stream || !pomsel::ReadAttributes(path, id, address, items) || items.empty()) return FALSE;
  std::string text, group;
  bool first = true;
  for (const DF_MODULE_ATTRIBUTE& a : items) {
    std::string g = Field(a.group);
    if (grouped && (first || g != group)) text += (first ? "" : "\r\n") + std::string("[") + g + "]\r\n";
    first = false;
    group = g;
    text += Format("%-32s%s\r\n", Field(a.name).c_str(), Field(a.value).c_str());
  }
  return Put(stream, text);
}

}  // namespace

POMSEL_API BOOL WriteMethodSegmentText(FILE* stream, const char* path, uint16_t address, uint16_t id,
                                       int16_t detail, int16_t headings) {
  std::vector<DF_METHOD_SEGMENT> segments;
  if (!stream || !pomsel::ReadSegments(path, id, address, segments) || segments.empty()) return FALSE;
  std::vector<DF_SCAN_FUNCTION> functions = Functions(path, id, address);
  std::string text;
  if (headings) text += Format("MS Method: %zu segment%s\r\n", segments.size(), segments.size() == 1 ? "" : "s");
  for (const DF_METHOD_SEGMENT& s : segments) text += SegmentText(s, functions, detail >= 2);
  return Put(stream, text);
}

POMSEL_API BOOL WriteMethodSegmentLogText(FILE* stream, const char* path, uint16_t address, uint16_t id,
                                          int16_t segment, int16_t detail, int16_t) {
  return SegmentLog(stream, path, address, id, segment, detail != 0);
}

POMSEL_API BOOL Pomsel_WriteSegmentText(FILE* stream, const char* path, uint16_t address, uint16_t id,
                                        int16_t segment) {
  return SegmentLog(stream, path, address, id, segment, true);
}

POMSEL_API BOOL DF_WriteSegmentMethodText(FILE* stream, const char* path, uint16_t address, uint16_t id,
                                          int16_t segment) {
  return SegmentLog(stream, path, address, id, segment, true);
}

POMSEL_API BOOL WriteModuleAttributesText(FILE* stream, const char* path, uint16_t address, uint16_t id) {
  return Attributes(stream, path, address, id, false);
}

POMSEL_API BOOL WriteModuleAttributesTextEx(FILE* stream, const char* path, uint16_t address, uint16_t id) {
  return Attributes(stream, path, address, id, true);
}

POMSEL_API BOOL DF_WriteModuleAttributesText(FILE* stream, const char* path, uint16_t address, uint16_t id) {
  return Attributes(stream, path, address, id, false);
}

POMSEL_API BOOL WriteEventLogText(FILE* stream, const char* path, uint16_t address, uint16_t id) {
  std::vector<DF_EVENT_LOG_ENTRY> items;
  if (!stream || !pomsel::ReadEvents(path, id, address, items) || items.empty()) return FALSE;
  static const char* const kinds[] = {"Info", "Warning", "Error"};
  std::string text;
  for (const DF_EVENT_LOG_ENTRY& e : items)
    text += Format("%9.4f min  %-7s  %s\r\n", e.time / 10000.0, e.kind < 3 ? kinds[e.kind] : "Event",
                   Field(e.text).c_str());
  return Put(stream, text);
}

POMSEL_API BOOL DF_WriteEventLogText(FILE* stream, const char* path, uint16_t address, uint16_t id) {
  return WriteEventLogText(stream, path, address, id);
}

POMSEL_API BOOL WriteSamplePrepText(FILE* stream, const char* path) {
  if (!stream || !path) return FALSE;
  HSECTION listing = FindSectionsByStem(path, "SamplePrep");
  if (!listing) return FALSE;
  char name[256] = {};
  bool found = CountSectionMatches(listing) > 0 && GetSectionMatchName(listing, 0, name, sizeof name);
  CloseSection(listing);
  std::string text;
  if (!found || !ReadText(path, name, text)) return FALSE;
  text = WithCrLf(text);
  return !text.empty() && Put(stream, text);
}

POMSEL_API BOOL DF_WriteSamplePrepText(FILE* stream, const char* path) {
  return WriteSamplePrepText(stream, path);
}

POMSEL_API BOOL WriteSamplePrep(const char* path, uint16_t id, uint16_t address, const char* text) {
  char name[80];
  return BuildDHSectionName(name, "SamplePrep", id, address, "1") && WriteText(path, name, text);
}

POMSEL_API int32_t GetNotesLength(const char* methodPath) {
  std::string text;
  if (!ReadText(methodPath, "Notes", text)) return 0;
  return int32_t(strnlen(text.c_str(), text.size()));
}

POMSEL_API BOOL ReadNotes(const char* methodPath, char* buffer, int32_t length) {
  std::string text;
  if (!buffer || length <= 0 || !ReadText(methodPath, "Notes", text)) return FALSE;
  size_t n = strnlen(text.c_str(), text.size());
  size_t copy = std::min(n, size_t(length));
  std::memcpy(buffer, text.data(), copy);
  if (copy < size_t(length)) buffer[copy] = '\0';
  return TRUE;
}

POMSEL_API BOOL WriteNotes(const char* methodPath, const char* text) {
  return WriteText(methodPath, "Notes", text);
}
