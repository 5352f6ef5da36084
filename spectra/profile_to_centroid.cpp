// Profile-to-centroid conversion of an MS data file: every scan streamed
// through the centroid engine into a new file, every other section copied.
#include "spectra/profile_to_centroid.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "pomsel/pomsel.h"
#include "quorna/quorna.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_threads.h"

namespace kelt::spectra {

namespace {

constexpr size_t kSmoothIn = 50, kSmoothOut = 54, kSearchIn = 58, kCentroidIn = 60, kSearchOut = 62,
                 kCentroidOut = 64, kScanKind = 66;

uint16_t Field(const uint8_t* p, size_t at) {
  uint16_t v;
  std::memcpy(&v, p + at, 2);
  return v;
}
void SetField(uint8_t* p, size_t at, uint16_t v) { std::memcpy(p + at, &v, 2); }

uint16_t Scaled(uint16_t field, double ratio, long lowest, long highest) {
  // The upper bound first: a channel narrower than one point still keeps 1.
  long v = static_cast<long>(field * ratio + 0.5);
  v = std::min(v, highest);
  v = std::max(v, lowest);
  return static_cast<uint16_t>(std::clamp<long>(v, 0, 0xFFFF));
}

long MakeOdd(long v) { return v % 2 == 0 ? v + 1 : v; }

// Two spellings of one file: compared by full path, ignoring case as the
// file system does.
bool SameFile(const char* a, const char* b) {
  char fa[MAX_PATH] = {}, fb[MAX_PATH] = {};
  if (!GetFullPathNameA(a, MAX_PATH, fa, nullptr)) std::snprintf(fa, sizeof fa, "%s", a);
  if (!GetFullPathNameA(b, MAX_PATH, fb, nullptr)) std::snprintf(fb, sizeof fb, "%s", b);
  return _stricmp(fa, fb) == 0;
}

bool Above(uint64_t value, uint64_t max) { return int64_t(value) > int64_t(max); }

}  // namespace

void AdaptCentroidWidths(uint8_t* params, double w, double resolution) {
  while (w > 50) w /= 2;
  if (resolution == 0) return;
  const double ratio = w / resolution;
  if (ratio == 1 || ratio == 0) return;
  const long top = static_cast<long>(w);
  SetField(params, kSearchOut, Scaled(Field(params, kSearchIn), ratio, 1, top));
  SetField(params, kCentroidOut, Scaled(Field(params, kCentroidIn), ratio, 1, top));
  long smooth = MakeOdd(static_cast<long>(Field(params, kSmoothIn) * ratio + 0.5));
  smooth = std::min(smooth, MakeOdd(static_cast<long>(w + 1.0)));
  smooth = std::max(smooth, 1L);
  SetField(params, kSmoothOut, static_cast<uint16_t>(std::clamp<long>(smooth, 0, 0xFFFF)));
}

CProfileToCentroid::CProfileToCentroid(const char* source, const char* target, const void* params, uint16_t mode,
                                       double resolution, uint16_t optionWord, uint32_t optionValue)
    : mode_(mode), resolution_(resolution), optionWord_(optionWord), optionValue_(optionValue) {
  if (source) std::snprintf(source_, sizeof source_, "%s", source);
  if (target) std::snprintf(target_, sizeof target_, "%s", target);
  if (params) std::memcpy(params_, params, sizeof params_);
}

CProfileToCentroid::~CProfileToCentroid() { FreeWorkFileStruct(workFile_); }

int32_t CProfileToCentroid::Convert() {
  if (!source_[0] || !target_[0]) return 0;
  if (SameFile(source_, target_)) return 0;  // deleting the target would destroy the source
  workFile_ = MakeWorkFileStruct(source_, 0);
  if (!workFile_ || !workFile_->profile || !workFile_->segmentBlocks) return 0;
  uint16_t format = 0;
  const int32_t type = GetSectionFileType(source_, &format);
  if (type < 0) return 0;

  if (FileExists(target_)) DeleteFileA(target_);
  bool ok = CreateSectionFileAtPath(target_, type, 0, format) != 0;
  if (ok) {
    const HSECTFILE h = OpenSectionFile(target_, nullptr, SECTION_FILE_READ_WRITE, 2);
    ok = h != -1;
    if (ok) CloseSectionFile(h);
  }
  // Every section of the new file in one commit: one durable write, and
  // a file that holds all of them or none.
  const bool batched = ok && BeginSectionBatch(target_) != 0;
  ok = ok && ConvertScans() && CopyOtherSections() && SetSegmentKinds();
  if (batched) {
    if (ok) {
      ok = CommitSectionBatch(target_) != 0;
    } else {
      AbortSectionBatch(target_);
    }
  }
  if (!ok) {
    if (FileExists(target_)) DeleteFileA(target_);
    return 0;
  }
  return 1;
}

namespace {

// Scans are centroided side by side on a few workers, a batch at a time;
// they are read and written in order on the calling thread. Each scan is
// centroided by the same code whatever thread runs it.
constexpr int kWorkers = 4;
constexpr uint32_t kBatch = 8 * kWorkers;

struct ScanSlot {
  MS_SCAN_RECORD record{};
  void* peaks = nullptr;
  MS_CENTROID_ENGINE_PARAMS params{};
  uint16_t kind = 0;  // the centroided scan's kind
  MSRetCode rc = MS_OK;
};

class CentroidWorkers {
 public:
  CentroidWorkers(const MS_INFO_BLOCK* header, const MS_SEGMENT_BLOCK* segments)
      : header_(header), segments_(segments) {
    for (int w = 0; w < kWorkers; ++w) {
      start_[w] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
      done_[w] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
      if (!start_[w] || !done_[w]) return;
    }
    for (int w = 0; w < kWorkers; ++w) {
      threads_[w] = CreateThread(nullptr, 0, &CentroidWorkers::Loop, this, 0, nullptr);
      if (!threads_[w]) return;
      started_ = w + 1;
    }
  }
  ~CentroidWorkers() {
    quit_ = true;
    for (int w = 0; w < started_; ++w) SetEvent(start_[w]);
    for (int w = 0; w < started_; ++w) {
      WaitForSingleObject(threads_[w], INFINITE);
      CloseHandle(threads_[w]);
    }
    for (int w = 0; w < kWorkers; ++w) {
      if (start_[w]) CloseHandle(start_[w]);
      if (done_[w]) CloseHandle(done_[w]);
    }
  }
  bool ok() const { return started_ == kWorkers; }

  // Starts centroiding slots [0, count); Wait returns when all are done.
  // The caller leaves the slots alone in between.
  void Start(ScanSlot* slots, uint32_t count) {
    slots_ = slots;
    count_ = static_cast<LONG>(count);
    next_ = 0;
    for (int w = 0; w < kWorkers; ++w) SetEvent(start_[w]);
  }
  bool Wait() { return WaitForMultipleObjects(kWorkers, done_, TRUE, INFINITE) != WAIT_FAILED; }

 private:
  static DWORD Loop(LPVOID self) {
    auto* me = static_cast<CentroidWorkers*>(self);
    const LONG w = InterlockedIncrement(&me->joined_) - 1;
    CMS_CentroidEngine engine;
    engine.Init();
    for (;;) {
      WaitForSingleObject(me->start_[w], INFINITE);
      if (me->quit_) return 0;
      for (LONG i; (i = InterlockedIncrement(&me->next_) - 1) < me->count_;) {
        ScanSlot& slot = me->slots_[i];
        slot.rc = engine.CentroidSpec(me->header_, me->segments_, &slot.record, slot.peaks, &slot.params);
      }
      SetEvent(me->done_[w]);
    }
  }

  const MS_INFO_BLOCK* header_;
  const MS_SEGMENT_BLOCK* segments_;
  HANDLE start_[kWorkers] = {}, done_[kWorkers] = {}, threads_[kWorkers] = {};
  int started_ = 0;
  volatile LONG joined_ = 0, next_ = 0, count_ = 0;
  ScanSlot* slots_ = nullptr;
  volatile bool quit_ = false;
};

}  // namespace

bool CProfileToCentroid::ConvertScans() {
  const STRUCT_WORK_FILE& wf = *workFile_;
  MS_INFO_BLOCK header = wf.msInfo;
  header.maxTicScan = 0;
  header.maxTic = 0;

  uint16_t scratch = 0;
  HMSDATA in = OpenMSDataSection(source_, "MSData", 0, wf.scanCount, header.formatWord, &scratch);
  if (!in) return false;
  HMSDATA out = OpenMSDataSection(target_, "MSData", 1, wf.scanCount, header.formatWord, &scratch);
  if (!out) {
    CloseMSData(in);
    return false;
  }
  // The engine may hand back more peaks than came in only for a profile it
  // cannot hold; a buffer for any scan of any file covers both.
  const uint32_t bufferBytes = std::max({GetMSScanBufferSize(in), GetMSScanBufferSize(nullptr), wf.scanBufferSize});
  // Two sets of slots: the workers centroid one batch while this thread
  // writes the batch before it and reads the batch after it.
  std::vector<ScanSlot> slots(2 * kBatch);
  bool ok = true;
  for (ScanSlot& slot : slots) ok = ok && (slot.peaks = AllocBlock(bufferBytes)) != nullptr;
  const MS_INFO_BLOCK fileHeader = header;  // what the engine is shown, fixed for the run
  CentroidWorkers workers(&fileHeader, wf.segmentBlocks);
  ok = ok && workers.ok();

  // The batches in order: never across a segment's end.
  struct Batch {
    uint16_t segment;
    uint32_t first, count;
  };
  std::vector<Batch> batches;
  for (uint16_t s = 0; s < header.segmentCount; ++s) {
    const MS_SEGMENT_BLOCK& segment = wf.segmentBlocks[s];
    for (uint32_t first = segment.firstScan; first <= segment.lastScan;) {
      const uint32_t count = std::min<uint64_t>(kBatch, uint64_t{segment.lastScan} - first + 1);
      batches.push_back({s, first, count});
      first += count;
      if (first == 0) break;  // the last scan number of all
    }
  }

  // Reads a batch's scans into its slots with the parameters for each.
  auto readBatch = [&](const Batch& b, ScanSlot* into) {
    const MS_SEGMENT_BLOCK& segment = wf.segmentBlocks[b.segment];
    uint8_t params[CENTROID_PARAMS_SIZE];
    for (uint32_t i = 0; i < b.count; ++i) {
      ScanSlot& slot = into[i];
      slot.record = MS_SCAN_RECORD{};
      slot.record.recordSize = sizeof slot.record;
      if (ReadMSScan(in, b.first + i, &slot.record, slot.peaks) != 0) return false;
      std::memcpy(params, params_, sizeof params);
      const unsigned channel = slot.record.header.function == 255 ? 0 : slot.record.header.function;
      if (wf.type61 && channel < segment.functionCount)
        AdaptCentroidWidths(params, segment.functions[channel].massWidth, resolution_);
      SetField(params, kScanKind, uint16_t(slot.record.header.scanKind));
      const uint16_t kind = MakeCentroidScanKind(wf.fileType, uint16_t(slot.record.header.scanKind), optionWord_,
                                                 optionValue_, static_cast<int32_t>(slot.record.header.ionMass));
      SetField(params, kScanKind, kind);
      std::memcpy(&slot.params, params + 4, sizeof slot.params);
      slot.kind = kind;
    }
    return true;
  };

  MS_SEGMENT_BLOCK segment{};
  ok = ok && (batches.empty() || readBatch(batches[0], slots.data()));
  bool running = false;
  if (ok && !batches.empty()) {
    workers.Start(slots.data(), batches[0].count);
    running = true;
  }
  for (size_t k = 0; ok && k < batches.size(); ++k) {
    ScanSlot* current = slots.data() + (k % 2) * kBatch;
    ScanSlot* following = slots.data() + ((k + 1) % 2) * kBatch;
    // The next batch is read while this one is centroided.
    const bool readNext = k + 1 < batches.size() && readBatch(batches[k + 1], following);
    running = false;
    ok = workers.Wait() && (k + 1 == batches.size() || readNext);
    if (!ok) break;
    if (k + 1 < batches.size()) {
      workers.Start(following, batches[k + 1].count);
      running = true;
    }
    const Batch& b = batches[k];
    if (k == 0 || batches[k - 1].segment != b.segment) {
      segment = wf.segmentBlocks[b.segment];
      segment.maxTicScan = 0;
      segment.maxTic = 0;
    }
    for (uint32_t i = 0; ok && i < b.count; ++i) {
      ScanSlot& slot = current[i];
      const uint32_t scan = b.first + i;
      if (slot.rc != MS_OK) {
        ok = false;
        break;
      }
      slot.record.header.scanKind = int16_t(slot.kind);
      if (WriteMSScan(out, &slot.record, slot.peaks) != 0) {
        ok = false;
        break;
      }
      if (Above(slot.record.header.totalIon, segment.maxTic)) {
        segment.maxTic = slot.record.header.totalIon;
        segment.maxTicScan = scan;
      }
      if (Above(slot.record.header.totalIon, header.maxTic)) {
        header.maxTic = slot.record.header.totalIon;
        header.maxTicScan = scan;
      }
    }
    const bool segmentEnds = k + 1 == batches.size() || batches[k + 1].segment != b.segment;
    if (ok && segmentEnds && WriteMSSegment(out, &segment) != 0) ok = false;
  }
  // The workers let go of the slots before they are freed.
  if (running) workers.Wait();
  // Segments without scans still get their block.
  for (uint16_t s = 0; ok && s < header.segmentCount; ++s) {
    const MS_SEGMENT_BLOCK& seg = wf.segmentBlocks[s];
    if (seg.firstScan <= seg.lastScan) continue;
    MS_SEGMENT_BLOCK empty = seg;
    empty.maxTicScan = 0;
    empty.maxTic = 0;
    if (WriteMSSegment(out, &empty) != 0) ok = false;
  }
  for (ScanSlot& slot : slots) FreeBlock(slot.peaks);
  if (ok) {
    header.centroid = 1;
    ok = WriteMSHeader(out, &header) == 0;
  }
  CloseMSData(in);
  // A writing handle stores its data set when closed.
  if (CloseMSData(out) != 0) ok = false;
  return ok;
}

bool CProfileToCentroid::CopyOtherSections() {
  HSECTION listing = FindSectionsByStem(source_, "");
  if (!listing) return false;
  bool ok = true;
  const int32_t n = CountSectionMatches(listing);
  for (int32_t i = 0; ok && i < n; ++i) {
    char name[260] = {};
    if (!GetSectionMatchName(listing, i, name, sizeof name)) {
      ok = false;
      break;
    }
    if (_stricmp(name, "MSData") == 0) continue;
    ok = CopySection(source_, name, target_, name) != 0;
  }
  CloseSection(listing);
  return ok;
}

bool CProfileToCentroid::SetSegmentKinds() {
  for (uint16_t s = 1; s <= workFile_->msInfo.segmentCount; ++s)
    if (!SetSegmentDataKind(target_, workFile_->fileType, workFile_->fileFormatWord, s, mode_)) return false;
  return true;
}

}  // namespace kelt::spectra

KELT_API int32_t KELT_ConvertProfileToCentroidDataFile(const char* source, const char* target, const void* params,
                                                       uint16_t mode, double resolution, uint16_t optionWord,
                                                       uint32_t optionValue) {
  try {
    kelt::spectra::CProfileToCentroid converter(source, target, params, mode, resolution, optionWord, optionValue);
    return converter.Convert();
  } catch (...) {
    return 0;
  }
}
