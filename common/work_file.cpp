// The work-file record: deciding what kind of data file a path names and
// filling the record from its MS information, raw header or detector
// sections; copies and frees.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <vector>

#include "common/data_file_reading.h"
#include "common/data_points.h"
#include "common/ms_data_handles.h"
#include "common/library_state.h"
#include "common/work_file.h"

#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "ulbrec32/ulbrec32.h"
#include "win/win_crt.h"
#include "win/win_profile.h"

namespace {

using kelt::datafile::TextToField;
using kelt::datafile::WideToField;

// Serial numbers tell two openings of one file apart; taken at every make
// and copy, wrapping at 65,536.
std::atomic<uint16_t> gWorkFileSerial{1};

uint16_t TakeSerial() { return gWorkFileSerial.fetch_add(1); }

// The load-time setting ForXMSFiles, read once at start-up.
bool AmdisForXmsFiles() { return kelt::lib::Settings().amdisForXmsFiles == 1; }

void SetDate(STRUCT_WORK_FILE* wf, uint32_t seconds) {
  std::tm tm{};
  if (seconds == 0 || seconds > 0x7FFFFFFFu || !win::crt::LocalTime32(static_cast<time32_t>(seconds), &tm)) return;
  wf->month = static_cast<uint16_t>(tm.tm_mon + 1);
  wf->day = static_cast<uint16_t>(tm.tm_mday);
  wf->year = static_cast<uint16_t>(tm.tm_year);
  wf->hour = static_cast<uint16_t>(tm.tm_hour);
  wf->minute = static_cast<uint16_t>(tm.tm_min);
  wf->second = static_cast<uint16_t>(tm.tm_sec);
}

// Holds an open MS data handle for the length of a scope.
class MsDataHandle {
 public:
  MsDataHandle() = default;
  MsDataHandle(const void* path, const char* section) : h_(OpenMSData(path, section, 0)) {}
  ~MsDataHandle() { Close(); }
  MsDataHandle(const MsDataHandle&) = delete;
  MsDataHandle& operator=(const MsDataHandle&) = delete;
  void Close() {
    if (h_) CloseMSData(h_);
    h_ = nullptr;
  }
  HMSDATA get() const { return h_; }
  HMSDATA Release() {
    HMSDATA h = h_;
    h_ = nullptr;
    return h;
  }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HMSDATA h_ = nullptr;
};

// Owns a record under construction; frees it unless released.
struct RecordGuard {
  STRUCT_WORK_FILE* wf;
  ~RecordGuard() { FreeWorkFileStruct(wf); }
  STRUCT_WORK_FILE* Release() {
    STRUCT_WORK_FILE* r = wf;
    wf = nullptr;
    return r;
  }
};

// Reads the segment blocks into room for `room` blocks (at least the
// segment count); false on any failure.
bool ReadSegmentBlocks(STRUCT_WORK_FILE* wf, HMSDATA h, uint32_t room) {
  const uint32_t count = wf->msInfo.segmentCount;
  room = std::max(room, count);
  if (room == 0) return true;
  const uint64_t bytes = uint64_t{room} * MS_SEGMENT_BLOCK_SIZE;
  if (bytes > 0xFFFFFFF0u) return false;
  wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (!wf->segmentBlocks) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (ReadMSSegmentBlock(h, static_cast<int32_t>(i + 1), &wf->segmentBlocks[i], 1) != 0) return false;
  }
  return true;
}

// Most scan functions, the largest first-function word and the kind-13
// flags, from the segment blocks.
void SegmentFacts(STRUCT_WORK_FILE* wf) {
  const int count = wf->msInfo.segmentCount;
  if (!wf->segmentBlocks || count == 0) return;
  int most = 1;
  int largest = 0;
  bool any13 = false, all13 = true;
  for (int i = 0; i < count; ++i) {
    const MS_SEGMENT_BLOCK& s = wf->segmentBlocks[i];
    most = std::max<int>(most, s.functionCount);
    largest = std::max<int>(largest, static_cast<int16_t>(s.functions[0].massDecimals));
    const bool k13 = s.functions[0].kind == MS_SCAN_KIND_PARENT;
    any13 = any13 || k13;
    all13 = all13 && k13;
  }
  wf->mostScanFunctions = static_cast<int16_t>(most);
  wf->largestFirstFunctionWord = static_cast<int16_t>(largest);
  wf->kind13 = any13 ? 1 : 0;
  wf->allKind13 = all13 ? 1 : 0;
}

bool HasDescription(const STRUCT_WORK_FILE* wf) {
  for (int i = 0; i < wf->msInfo.segmentCount; ++i) {
    const MS_SEGMENT_BLOCK& s = wf->segmentBlocks[i];
    for (int f = 0; f < s.functionCount && f < MS_MAX_FUNCTIONS; ++f) {
      if (s.functions[f].description[0]) return true;
    }
  }
  return false;
}

// The information block followed by the start and end time of the data,
// as ReadMSFileInfo gives them, read through an open handle so that the
// section is loaded once.
bool ReadInfoThroughHandle(HMSDATA h, const char* path, uint8_t* out, uint32_t* acquisitionTime) {
  MS_INFO_BLOCK info;
  if (ReadMSInfoFromHandle(h, &info) != 0) return false;
  double times[2];
  if (info.lastScan >= info.firstScan) {
    MS_SCAN_REQUEST request{};
    request.kind = MS_SCAN_BY_NUMBER;
    request.mode = MS_PICK_NEAREST;
    STRUCT_CHAN_LIST ignored{};
    ignored.kind = CHAN_LIST_IGNORED;
    // Times only: they come from the scan index, and no scan is read.
    request.scan = info.firstScan;
    times[0] = ReadMSScanHeader(h, &request, &ignored, nullptr, nullptr);
    request.scan = info.lastScan;
    times[1] = ReadMSScanHeader(h, &request, &ignored, nullptr, nullptr);
    if (times[0] != MS_SCAN_TIME_FAILED && times[1] != MS_SCAN_TIME_FAILED) {
      std::memcpy(out, &info, MS_INFO_BLOCK_SIZE);
      std::memcpy(out + MS_INFO_BLOCK_SIZE, times, sizeof times);
      *acquisitionTime = info.acquisitionTime;
      return true;
    }
  }
  return ReadMSFileInfo(path, acquisitionTime, out) != 0;
}

bool FillMsDataFile(STRUCT_WORK_FILE* wf, const uint8_t* infoOut, uint32_t acquisitionTime, HMSDATA h,
                    bool headerOnly) {
  std::memcpy(&wf->msInfo, infoOut, MS_INFO_BLOCK_SIZE);
  double times[2];
  std::memcpy(times, infoOut + MS_INFO_BLOCK_SIZE, sizeof times);
  const MS_INFO_BLOCK& info = wf->msInfo;
  wf->centroid = info.centroid != 0 ? 1 : 0;
  wf->profile = info.centroid == 0 ? 1 : 0;
  wf->hasLog = (h ? MSDataSectionExists(h, "LogFile") : SectionExists(wf->filePath, "LogFile")) ? 1 : 0;
  wf->type61 = info.fileType == 61 ? 1 : 0;
  wf->xms = IsXMSFileKind(info.fileKind) ? 1 : 0;
  wf->amdis = wf->centroid && (!wf->xms || AmdisForXmsFiles()) ? 1 : 0;
  wf->fileType = info.fileType;
  wf->module = info.module;
  if (info.lastScan < info.firstScan) return false;
  wf->scanCount = info.lastScan - info.firstScan + 1;
  wf->startTime = times[0];
  wf->endTime = times[1] + 0.00001;
  if (static_cast<int32_t>(acquisitionTime) > 0) {
    SetDate(wf, acquisitionTime);
    wf->acquisitionTime = acquisitionTime;
  }
  DH_FILE_TYPE_DESCRIPTOR descriptor{};
  GetFileTypeDescriptor(info.fileType, &descriptor);
  std::memcpy(wf->typeDescriptor, &descriptor, sizeof descriptor);
  wf->scanBufferSize = GetMSScanBufferSize(h);
  // Each wide text is bounded by the room it has in the block.
  WideToField(info.description, 64, wf->description, WORK_FILE_DESCRIPTION_SIZE);
  WideToField(info.sampleName, std::min<int>(60, sizeof info.sampleName / 2), wf->sampleName,
              WORK_FILE_SAMPLE_NAME_SIZE);
  WideToField(info.operatorName, 20, wf->operatorName, WORK_FILE_OPERATOR_SIZE);
  if (headerOnly) return true;
  const uint32_t room = wf->live ? WORK_FILE_LIVE_SEGMENTS : info.segmentCount;
  if (!ReadSegmentBlocks(wf, h, room)) return false;
  SegmentFacts(wf);
  if (wf->segmentBlocks) wf->hasDescriptions = HasDescription(wf) ? 1 : 0;
  return true;
}

bool FillRawMsFile(STRUCT_WORK_FILE* wf, const uint8_t* rawHeader, bool headerOnly) {
  MsDataHandle h(wf, nullptr);
  if (!h || ReadMSInfoFromHandle(h.get(), &wf->msInfo) != 0) return false;
  const MS_INFO_BLOCK& info = wf->msInfo;
  if (info.lastScan < info.firstScan) return false;
  wf->scanCount = info.lastScan - info.firstScan + 1;
  wf->fileType = info.fileType;
  wf->module = info.module;
  SetDate(wf, info.acquisitionTime);
  std::memcpy(wf->rawHeader, rawHeader, MS_RAW_HEADER_SIZE);
  std::memcpy(&wf->rawHeaderLongs[0], rawHeader + 200, 4);
  std::memcpy(&wf->rawHeaderLongs[1], rawHeader + 204, 4);
  std::memcpy(&wf->rawHeaderLongs[2], rawHeader + 246, 4);
  wf->amdis = 1;
  const char* text = reinterpret_cast<const char*>(rawHeader);
  TextToField(text + 46, 64, wf->description, WORK_FILE_DESCRIPTION_SIZE);
  TextToField(text + 110, 20, wf->operatorName, WORK_FILE_OPERATOR_SIZE);
  TextToField(text + 130, 60, wf->sampleName, WORK_FILE_SAMPLE_NAME_SIZE);
  if (!headerOnly) {
    if (!ReadSegmentBlocks(wf, h.get(), info.segmentCount) || !wf->segmentBlocks) return false;
    wf->startTime = wf->segmentBlocks[0].startTime;
    wf->endTime = wf->segmentBlocks[info.segmentCount - 1].endTime;
    SegmentFacts(wf);
    kelt::msdata::Keep(wf, h.Release());
    return true;
  }
  h.Close();
  double start, end;
  if (!GetTimeOfPoint(wf, 0, &start) || !GetTimeOfPoint(wf, wf->scanCount - 1, &end)) return false;
  wf->startTime = start;
  wf->endTime = end;
  return true;
}

bool FillDetectorFile(STRUCT_WORK_FILE* wf, bool headerOnly) {
  std::vector<uint8_t> section;
  if (!kelt::datafile::ReadWholeSection(wf->filePath, "Detector", section)) return false;
  if (section.size() < DETECTOR_SECTION_HEAD_SIZE) return false;
  HSECTION info = OpenFileInfo(wf->filePath, 1);
  if (!info) return false;
  const int32_t points = GetFileInfoLong(info, 0, FILE_INFO_POINT_COUNT);
  wf->fileType = static_cast<uint16_t>(GetFileInfoShort(info, 0, FILE_INFO_FILE_TYPE));
  wf->module = static_cast<uint16_t>(GetFileInfoShort(info, 0, FILE_INFO_MODULE));
  CloseFileInfo(info);
  std::memcpy(&wf->detectorHeader, section.data(), sizeof wf->detectorHeader);
  const STRUCT_DETECTOR_HEADER& head = wf->detectorHeader;
  const uint32_t channels = head.channelCount;
  // Every channel's record must lie in the section; an interval needs two
  // points and a forward time range.
  if (channels == 0 || section.size() < DETECTOR_SECTION_HEAD_SIZE + size_t{DETECTOR_CHANNEL_RECORD_SIZE} * channels)
    return false;
  if (points < 2 || !std::isfinite(head.startTime) || !std::isfinite(head.endTime) || !(head.endTime > head.startTime))
    return false;
  wf->pointCount = static_cast<uint32_t>(points);
  wf->startTime = head.startTime;
  wf->endTime = head.endTime;
  wf->recordSize = static_cast<uint16_t>(4 * channels + 4);
  wf->samplingInterval = (wf->endTime - wf->startTime) / (wf->pointCount - 1);
  SetDate(wf, head.acquisitionTime);
  if (headerOnly) return true;

  auto* divisors = static_cast<float*>(AllocBlock(4 * channels));
  if (!divisors) return false;
  auto* table = static_cast<STRUCT_CHANNEL_TABLE*>(AllocBlock(static_cast<uint32_t>(ChannelTableBytes(channels))));
  if (!table) {
    FreeBlock(divisors);
    return false;
  }
  wf->channelTable = table;
  table->divisors = divisors;
  table->channelCount = static_cast<uint16_t>(channels);
  table->sameXUnit = 1;
  table->sameYUnit = 1;
  for (uint32_t c = 0; c < channels; ++c) {
    STRUCT_DETECTOR_CHANNEL_RECORD rec;
    std::memcpy(&rec, &section[DETECTOR_SECTION_HEAD_SIZE + size_t{DETECTOR_CHANNEL_RECORD_SIZE} * c], sizeof rec);
    divisors[c] = rec.divisor;
    STRUCT_DETECTOR_CHANNEL* ch = DetectorChannelAt(table, static_cast<int>(c));
    TextToField(rec.name, DETECTOR_TEXT_SIZE, ch->name, DETECTOR_TEXT_SIZE);
    TextToField(rec.label[0] ? rec.label : rec.name, DETECTOR_TEXT_SIZE, ch->label, DETECTOR_TEXT_SIZE);
    if (!wf->timeTagged) TextToField(rec.xUnit, DETECTOR_TEXT_SIZE, ch->xUnit, DETECTOR_TEXT_SIZE);
    TextToField(rec.yUnit, DETECTOR_TEXT_SIZE, ch->yUnit, DETECTOR_TEXT_SIZE);
    if (std::strcmp(ch->yUnit, "Abundance") == 0) TextToField("Counts", 6, ch->yUnit, DETECTOR_TEXT_SIZE);
    const STRUCT_DETECTOR_CHANNEL* first = DetectorChannelAt(table, 0);
    if (std::strcmp(ch->yUnit, first->yUnit) != 0) table->sameYUnit = 0;
    if (std::strcmp(ch->xUnit, first->xUnit) != 0) table->sameXUnit = 0;
  }
  return true;
}

STRUCT_WORK_FILE* Make(const char* path, int16_t headerOnlyFlag) {
  if (!path) return nullptr;
  const size_t pathLength = strnlen(path, WORK_FILE_PATH_SIZE);
  if (pathLength == 0 || pathLength >= WORK_FILE_PATH_SIZE) return nullptr;
  bool headerOnly = headerOnlyFlag != 0;

  // MS information read here is kept for the MS data file's record.
  std::vector<uint8_t> infoOut(MS_INFO_BLOCK_SIZE + 2 * sizeof(double));
  uint32_t acquisitionTime = 0;
  bool msInfo = false, sectioned = false, raw = false, timeTagged = false;
  int16_t live = 0;
  uint16_t formatWord = 0;
  uint8_t rawHeader[MS_RAW_HEADER_SIZE] = {};

  MsDataHandle ms(path, "MSData");
  if (ms) {
    live = GetMSDataLiveFlag(ms.get()) ? 1 : 0;
    if (live) {
      if (!ReadInfoThroughHandle(ms.get(), path, infoOut.data(), &acquisitionTime)) return nullptr;
      msInfo = sectioned = true;
      headerOnly = false;
    }
  }
  bool formatKnown = false;
  if (!live) {
    // MS data opened through the store has proved the store whole: of what
    // opening the file as a section file checks, only its head remains, and
    // the head holds the format word. The store read the head when it
    // opened the file; the open handle tells it without reading it again.
    if (ms && (GetMSDataFileType(ms.get(), &formatWord) != -1 || GetSectionFileType(path, &formatWord) != -1)) {
      sectioned = formatKnown = true;
    } else {
      const HSECTFILE file = OpenSectionFile(path, nullptr, SECTION_FILE_READ, 3);
      if (file != -1) {
        sectioned = true;
        CloseSectionFile(file);
      }
    }
    if (sectioned) {
      timeTagged = (ms ? MSDataSectionExists(ms.get(), "TimeTagged") : SectionExists(path, "TimeTagged")) != 0;
      if (!timeTagged && ms) msInfo = ReadInfoThroughHandle(ms.get(), path, infoOut.data(), &acquisitionTime);
    }
  }
  if (sectioned) {
    if (!formatKnown) {
      uint8_t prefix[28];
      if (kelt::datafile::ReadFilePrefix(path, prefix, sizeof prefix, nullptr) != sizeof prefix) return nullptr;
      std::memcpy(&formatWord, prefix + 2, 2);
    }
  } else {
    raw = ReadRawMSFileHeader(path, rawHeader) != 0;
    if (!raw) return nullptr;
  }
  if (!msInfo) ms.Close();

  RecordGuard guard{static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)))};
  STRUCT_WORK_FILE* wf = guard.wf;
  if (!wf) return nullptr;
  std::memcpy(wf->filePath, path, pathLength);
  MakeDisplayFileName(path, wf->displayName);
  wf->directHeader = !msInfo && raw ? 1 : 0;
  wf->sectioned = sectioned ? 1 : 0;
  wf->timeTagged = timeTagged ? 1 : 0;
  wf->live = live;
  wf->scanBufferSize = GetMSScanBufferSize(nullptr);
  wf->serialNumber = TakeSerial();
  wf->fileFormatWord = formatWord;

  bool ok;
  if (msInfo) {
    ok = FillMsDataFile(wf, infoOut.data(), acquisitionTime, ms.get(), headerOnly);
    // The traces of this opening read the data this opening read.
    if (ok) kelt::msdata::Keep(wf, ms.Release());
  } else if (raw) {
    ok = FillRawMsFile(wf, rawHeader, headerOnly);
  } else {
    ok = FillDetectorFile(wf, headerOnly);
  }
  return ok ? guard.Release() : nullptr;
}

}  // namespace

KELT_API STRUCT_WORK_FILE* MakeWorkFileStruct(const char* path, int16_t headerOnly) {
  try {
    return Make(path, headerOnly);
  } catch (...) {
    return nullptr;
  }
}

KELT_API STRUCT_WORK_FILE* MakeWorkFileStructEx(const char* path, const char* displaySource, int16_t headerOnly) {
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(path, headerOnly);
  if (!wf) return nullptr;
  std::memset(wf->displayName, 0, sizeof wf->displayName);
  MakeDisplayFileName(displaySource, wf->displayName);
  return wf;
}

KELT_API STRUCT_WORK_FILE* CopyWorkFileStruct(const STRUCT_WORK_FILE* source) {
  if (!source) return nullptr;
  RecordGuard guard{static_cast<STRUCT_WORK_FILE*>(AllocBlock(sizeof(STRUCT_WORK_FILE)))};
  STRUCT_WORK_FILE* wf = guard.wf;
  if (!wf) return nullptr;
  std::memcpy(wf, source, sizeof *wf);
  wf->channelTable = nullptr;
  wf->segmentBlocks = nullptr;
  wf->serialNumber = TakeSerial();
  // Blocks are copied whole, so a live file keeps its spare room.
  if (source->segmentBlocks) {
    const uint32_t bytes = GetBlockSize(source->segmentBlocks);
    wf->segmentBlocks = static_cast<MS_SEGMENT_BLOCK*>(AllocBlock(bytes));
    if (!wf->segmentBlocks) return nullptr;
    std::memcpy(wf->segmentBlocks, source->segmentBlocks, bytes);
  }
  if (source->channelTable) {
    const uint32_t bytes = GetBlockSize(source->channelTable);
    wf->channelTable = static_cast<STRUCT_CHANNEL_TABLE*>(AllocBlock(bytes));
    if (!wf->channelTable) return nullptr;
    std::memcpy(wf->channelTable, source->channelTable, bytes);
    wf->channelTable->divisors = nullptr;
    if (source->channelTable->divisors) {
      const uint32_t divisorBytes = GetBlockSize(source->channelTable->divisors);
      auto* divisors = static_cast<float*>(AllocBlock(divisorBytes));
      if (!divisors) return nullptr;
      std::memcpy(divisors, source->channelTable->divisors, divisorBytes);
      wf->channelTable->divisors = divisors;
    }
  }
  return guard.Release();
}

KELT_API void FreeWorkFileStruct(STRUCT_WORK_FILE* wf) {
  if (!wf) return;
  kelt::msdata::Forget(wf);
  if (wf->channelTable) {
    if (wf->channelTable->divisors) FreeBlock(wf->channelTable->divisors);
    FreeBlock(wf->channelTable);
  }
  if (wf->segmentBlocks) FreeBlock(wf->segmentBlocks);
  FreeBlock(wf);
}
