// Mini run files and whole files stored as sections.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "nabrit/nabrit.h"
#include "orvik32/orvik32.h"
#include "quorna/ms_keep.h"
#include "quorna/quorna.h"
#include "win/win_kernel.h"

namespace {

const char* const kTexts[] = {
    "",
    "Extraction: a file name or time range is missing or reversed.",
    "Extraction: the data file holds no readable MS data.",
    "Extraction: the extract file could not be written.",
    "Extraction: no scans lie in the time range.",
    "Extraction: none of the scan function channels exist in the time range.",
};

int32_t Fail(int32_t code, char* text) {
  if (text) GetExtractionErrorText(code, text);
  return code;
}

struct Extract {
  double from, to;
  int16_t segment = -1;          // 0-based; -1 the range
  const DH_CHAN_LIST* channels = nullptr;
};

// True when an extract of x would hold every scan of the run, each segment
// unclipped and numbered as it is: all scans read whole, their times lie
// within the range, and every segment lies within the first and last
// scan's times and numbers.
bool CoversWholeRun(HMSDATA in, const MS_INFO_BLOCK& info, const std::vector<MS_SEGMENT_BLOCK*>& segments,
                    const Extract& x, std::vector<uint8_t>& buffer) {
  if (segments.empty() || segments.size() != size_t(info.segmentCount) || info.firstScan > info.lastScan ||
      buffer.size() < 4)
    return false;
  double firstTime = 0, lastTime = 0;
  for (uint32_t s = info.firstScan;; ++s) {
    MS_SCAN_RECORD record{};
    if (ReadMSScan(in, s, &record, buffer.data()) != 0 || record.header.scanNumber != s) return false;
    const double t = record.header.time;
    if (!(t >= x.from && t <= x.to)) return false;
    if (s == info.firstScan) firstTime = t;
    lastTime = t;
    if (s == info.lastScan) break;
  }
  for (size_t i = 0; i < segments.size(); ++i) {
    const MS_SEGMENT_BLOCK& seg = *segments[i];
    if (seg.number != i + 1 || seg.firstScan < info.firstScan || seg.lastScan > info.lastScan ||
        seg.firstScan > seg.lastScan || !(seg.startTime >= firstTime) || !(seg.endTime <= lastTime))
      return false;
  }
  return true;
}

// The source's MS data opened for an extract: its information block, its
// segments and those the extract keeps.
struct Source {
  HMSDATA in = nullptr;
  std::unique_ptr<MS_INFO_BLOCK> info = std::make_unique<MS_INFO_BLOCK>();
  std::vector<std::unique_ptr<MS_SEGMENT_BLOCK>> segments;
  std::vector<MS_SEGMENT_BLOCK*> kept;
  Source() = default;
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;
  ~Source() { Close(); }
  void Close() {
    if (in) CloseMSData(in);
    in = nullptr;
  }
};

// Opens the source and settles the extract's range and segments; NABRIT_OK
// or the error code.
int32_t OpenSource(const char* source, Extract* x, Source* src) {
  src->in = OpenMSData(source, "MSData", 0);
  if (!src->in || ReadMSInfoFromHandle(src->in, src->info.get()) != 0) return NABRIT_ERROR_SOURCE;
  for (int s = 1; s <= src->info->segmentCount; ++s) {
    // Not zeroed first: a read fills all 61,909 bytes, and a failed one
    // is dropped. Every compound's check opens the run again.
    std::unique_ptr<MS_SEGMENT_BLOCK> seg(new MS_SEGMENT_BLOCK);
    if (ReadMSSegmentBlock(src->in, s, seg.get(), 0) != 0) break;
    src->segments.push_back(std::move(seg));
  }
  if (x->segment >= 0) {
    if (size_t(x->segment) >= src->segments.size()) return NABRIT_ERROR_ARGUMENT;
    x->from = src->segments[size_t(x->segment)]->startTime;
    x->to = src->segments[size_t(x->segment)]->endTime;
  }
  if (!(x->to >= x->from)) return NABRIT_ERROR_ARGUMENT;
  // Segments in range, and whether a listed channel exists in one of them.
  bool channelFound = !x->channels || x->channels->kind != 1;
  for (auto& seg : src->segments) {
    if (seg->endTime < x->from || seg->startTime > x->to) continue;
    src->kept.push_back(seg.get());
    for (int e = 0; !channelFound && e < std::min<int>(x->channels->count, 10); ++e)
      if (x->channels->entries[e].lowChannel < seg->functionCount) channelFound = true;
  }
  return channelFound ? NABRIT_OK : NABRIT_ERROR_CHANNELS;
}

// True when the extract would be the source's stored MS data unchanged.
bool WholeCopy(Source& src, const Extract& x, std::vector<uint8_t>& buffer) {
  return x.segment < 0 && src.kept.size() == src.segments.size() &&
         CoversWholeRun(src.in, *src.info, src.kept, x, buffer);
}

int32_t Copy(const char* source, const char* target, Extract x, char* text) {
  if (text) text[0] = 0;
  if (!source || !*source || !target || !*target) return Fail(NABRIT_ERROR_ARGUMENT, text);
  Source src;
  if (const int32_t code = OpenSource(source, &x, &src); code != NABRIT_OK) return Fail(code, text);
  HMSDATA in = src.in;
  const std::unique_ptr<MS_INFO_BLOCK>& info = src.info;
  const std::vector<MS_SEGMENT_BLOCK*>& kept = src.kept;
  std::vector<uint8_t> buffer(GetMSScanBufferSize(in));
  if (WholeCopy(src, x, buffer)) {
    // Every scan, segment and the header would be copied unchanged: the
    // stored MS data goes across as it is, without being rebuilt.
    const bool copied = PrepareDHFile(target) && CopyMSDataSection(in, target, "MSData") == 0;
    src.Close();
    return copied ? NABRIT_OK : Fail(NABRIT_ERROR_TARGET, text);
  }
  // The scans of the range, whole.
  struct Scan {
    MS_SCAN_RECORD record;
    std::vector<uint8_t> peaks;
  };
  std::vector<Scan> scans;
  // The scans ahead of the range are passed over by the times the scan
  // index holds, without reading them: a long run holds many.
  uint32_t start = info->firstScan;
  while (start <= info->lastScan && start >= info->firstScan && GetMSScanIndexTime(in, start) < x.from) ++start;
  for (uint32_t s = start; s <= info->lastScan && s >= info->firstScan; ++s) {
    Scan scan{};
    if (ReadMSScan(in, s, &scan.record, buffer.data()) != 0) continue;
    const double t = scan.record.header.time;
    if (t < x.from) continue;
    if (t > x.to) break;
    uint32_t count;
    std::memcpy(&count, buffer.data(), 4);
    scan.peaks.assign(buffer.begin(), buffer.begin() + 4 + 13 * long(count));
    scans.push_back(std::move(scan));
  }
  src.Close();
  if (scans.empty()) return Fail(NABRIT_ERROR_NO_SCANS, text);

  if (!PrepareDHFile(target)) return Fail(NABRIT_ERROR_TARGET, text);
  HMSDATA out = OpenMSDataSection(target, "MSData", 1, uint32_t(scans.size()), info->formatWord, nullptr);
  if (!out) return Fail(NABRIT_ERROR_TARGET, text);
  bool ok = true;
  for (const Scan& s : scans) ok = ok && WriteMSScan(out, &s.record, s.peaks.data()) == 0;
  const uint32_t first = scans.front().record.header.scanNumber, last = scans.back().record.header.scanNumber;
  uint16_t number = 0;
  for (MS_SEGMENT_BLOCK* seg : kept) {
    auto clipped = std::make_unique<MS_SEGMENT_BLOCK>(*seg);
    const uint32_t segFirst = seg->firstScan, segLast = seg->lastScan;
    const double segStart = seg->startTime, segEnd = seg->endTime;
    const double firstTime = scans.front().record.header.time, lastTime = scans.back().record.header.time;
    clipped->firstScan = std::max(segFirst, first);
    clipped->lastScan = std::min(segLast, last);
    if (clipped->firstScan > clipped->lastScan) continue;
    clipped->number = ++number;
    clipped->startTime = std::max(segStart, firstTime);
    clipped->endTime = std::min(segEnd, lastTime);
    ok = ok && WriteMSSegment(out, clipped.get()) == 0;
  }
  ok = ok && WriteMSHeader(out, info.get()) == 0;
  if (!ok) {
    // A refused scan makes the close store nothing.
    MS_SCAN_RECORD bad{};
    bad.header.time = NAN;
    uint32_t zero = 0;
    WriteMSScan(out, &bad, &zero);
  }
  ok = CloseMSData(out) == 0 && ok;
  return ok ? NABRIT_OK : Fail(NABRIT_ERROR_TARGET, text);
}

}  // namespace

NABRIT_API int32_t ExtractCompoundData(const char* dataFile, const char* sourceFile, const char* targetFile,
                                       double windowStart, double windowEnd, const DH_MASS_LIST*,
                                       const DH_CHAN_LIST* channels, const double* noiseWindow, int32_t,
                                       uint16_t, uint16_t, const char*, char* errorText) {
  Extract x{windowStart, windowEnd};
  if (noiseWindow && noiseWindow[1] > noiseWindow[0]) {
    x.from = std::min(x.from, noiseWindow[0]);
    x.to = std::max(x.to, noiseWindow[1]);
  }
  x.channels = channels;
  return Copy(sourceFile && *sourceFile ? sourceFile : dataFile, targetFile, x, errorText);
}

NABRIT_API BOOL CompoundDataReadsInPlace(const char* dataFile, const char* sourceFile, double windowStart,
                                         double windowEnd, const DH_CHAN_LIST* channels, const double* noiseWindow,
                                         double* from, double* to) {
  const char* source = sourceFile && *sourceFile ? sourceFile : dataFile;
  if (!source || !*source || !from || !to) return FALSE;
  Extract x{windowStart, windowEnd};
  if (noiseWindow && noiseWindow[1] > noiseWindow[0]) {
    x.from = std::min(x.from, noiseWindow[0]);
    x.to = std::max(x.to, noiseWindow[1]);
  }
  x.channels = channels;
  Source src;
  if (OpenSource(source, &x, &src) != NABRIT_OK) return FALSE;
  // Merged and listed channels read by the segments' cycles.
  const bool cycles = channels && channels->kind != 2;
  if (MSRangeReadsAsExtract(src.in, x.from, x.to, cycles ? 1 : 0) != 1) return FALSE;
  *from = x.from;
  *to = x.to;
  return TRUE;
}

NABRIT_API int32_t ExtractDataRange(const char* dataFile, const char* sourceFile, const char* targetFile,
                                    double from, double to, int16_t segment, char* errorText) {
  Extract x{from, to};
  x.segment = segment < 0 ? int16_t(-1) : segment;
  return Copy(sourceFile && *sourceFile ? sourceFile : dataFile, targetFile, x, errorText);
}

NABRIT_API BOOL ExtractIsWholeCopy(const char* dataFile, const char* sourceFile, double from, double to) {
  const char* source = sourceFile && *sourceFile ? sourceFile : dataFile;
  if (!source || !*source) return FALSE;
  Extract x{from, to};
  Source src;
  if (OpenSource(source, &x, &src) != NABRIT_OK) return FALSE;
  std::vector<uint8_t> buffer(GetMSScanBufferSize(src.in));
  return WholeCopy(src, x, buffer) ? TRUE : FALSE;
}

NABRIT_API BOOL GetExtractionErrorText(int32_t code, char* text) {
  if (!text) return FALSE;
  text[0] = 0;
  if (code == NABRIT_OK) return FALSE;
  if (code > 0 && code < int32_t(sizeof kTexts / sizeof kTexts[0]))
    std::snprintf(text, NABRIT_TEXT_SIZE, "%s", kTexts[code]);
  else
    std::snprintf(text, NABRIT_TEXT_SIZE, "Extraction error %d.", code);
  return TRUE;
}

NABRIT_API BOOL StoreFileAsSection(const char* file, const char* targetFile, const char* sectionName) {
  if (!file || !targetFile || !sectionName || !*sectionName) return FALSE;
  if (GetSectionFileType(targetFile, nullptr) < 0) return FALSE;
  HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  LARGE_INTEGER size{};
  std::vector<uint8_t> bytes;
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart >= 0 && size.QuadPart < (1LL << 31);
  if (ok) {
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    ok = bytes.empty() || (ReadFile(h, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size());
  }
  CloseHandle(h);
  if (!ok) return FALSE;
  HSECTION s = CreateSection(targetFile, sectionName, nullptr);
  if (!s) return FALSE;
  ok = bytes.empty() || WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  // The section is committed only when the handle closes whole.
  return CloseSection(s) && ok;
}

NABRIT_API BOOL ExtractSectionAsFile(const char* sourceFile, const char* outFile, const char* sectionName) {
  if (!sourceFile || !outFile || !*outFile || !sectionName || !*sectionName) return FALSE;
  HSECTION s = OpenSectionReadOnly(sourceFile, sectionName, nullptr);
  if (!s) return FALSE;
  std::vector<uint8_t> bytes(GetSectionSize(s));
  const bool ok = bytes.empty() || ReadSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  CloseSection(s);
  if (!ok) return FALSE;
  // Written beside the target first, then put in its place.
  const std::string temp = std::string(outFile) + ".part";
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  const bool wrote = bytes.empty() || (WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                                       written == bytes.size());
  CloseHandle(h);
  if (!wrote || !MoveFileExA(temp.c_str(), outFile, MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temp.c_str());
    return FALSE;
  }
  return TRUE;
}
