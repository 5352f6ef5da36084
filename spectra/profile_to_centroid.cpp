// Profile-to-centroid conversion of an MS data file: every scan streamed
// through the centroid engine into a new file, every other section copied.
#include "spectra/profile_to_centroid.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_batches.h"
#include "pomsel/pomsel.h"
#include "quorna/quorna.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

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

// The calling thread reads the scans into a ring of slots and writes them
// out in order; workers centroid each scan read, taking the next one not
// yet taken. A scan is centroided by the same code whatever thread runs it,
// so the file written is the same whatever the number of workers.
struct ScanSlot {
  MS_SCAN_RECORD record{};
  // Left uncleared: a slot's memory is taken up only as far as its scans
  // reach, not to the size of the largest scan any file may hold.
  std::unique_ptr<uint8_t[]> buffer;
  void* peaks = nullptr;
  uint16_t segment = 0;
  uint16_t kind = 0;  // the centroided scan's kind
  bool ok = false;
  bool done = false;  // under the ring's lock
};

class CentroidRing {
 public:
  // work(slot) centroids the scan read into the slot.
  using Work = std::function<void(ScanSlot&)>;

  CentroidRing(std::vector<ScanSlot>& slots, unsigned workers, Work work) : slots_(slots), work_(std::move(work)) {
    try {
      for (unsigned w = 0; w < workers; ++w) threads_.emplace_back([this] { Loop(); });
    } catch (...) {
      Stop();
    }
  }
  ~CentroidRing() { Stop(); }
  bool ok() const { return !threads_.empty(); }
  size_t size() const { return slots_.size(); }

  // The slot for item i, free once item i - size() is released.
  ScanSlot& Slot(size_t i) { return slots_[i % slots_.size()]; }
  // Item i is read into its slot: a worker may take it.
  // Wakes are system calls: only a thread that waits is woken.
  void Read(size_t i) {
    bool wake;
    {
      std::lock_guard<std::mutex> lock(m_);
      Slot(i).done = false;
      read_ = i + 1;
      wake = idle_ > 0;
    }
    if (wake) ready_.notify_one();
  }
  bool Done(size_t i) {
    std::lock_guard<std::mutex> lock(m_);
    return Slot(i).done;
  }
  // Waits until items first and last are both done; done items between
  // them are written in one go after.
  void WaitDone(size_t first, size_t last) {
    std::unique_lock<std::mutex> lock(m_);
    waitFirst_ = first, waitLast_ = last;
    waiting_ = true;
    done_.wait(lock, [&] { return Slot(first).done && Slot(last).done; });
    waiting_ = false;
  }
  // The workers let go of the slots before they are freed.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  void Loop() {
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(m_);
        ++idle_;
        ready_.wait(lock, [&] { return quit_ || next_ < read_; });
        --idle_;
        if (quit_) return;
        i = next_++;
      }
      work_(Slot(i));
      bool wake;
      {
        std::lock_guard<std::mutex> lock(m_);
        Slot(i).done = true;
        wake = waiting_ && Slot(waitFirst_).done && Slot(waitLast_).done;
      }
      if (wake) done_.notify_one();
    }
  }

  std::vector<ScanSlot>& slots_;
  Work work_;
  std::vector<std::thread> threads_;
  std::mutex m_;
  std::condition_variable ready_, done_;
  size_t read_ = 0, next_ = 0;
  unsigned idle_ = 0;     // workers waiting for a scan
  bool waiting_ = false;  // the calling thread waits for scans done
  size_t waitFirst_ = 0, waitLast_ = 0;
  bool quit_ = false;
};

// One worker per processor: the calling thread's reading and writing are
// a small part of the work, and it waits for the workers in between.
unsigned WorkerCount() { return std::clamp(std::thread::hardware_concurrency(), 1u, 16u); }

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
  const unsigned workers = WorkerCount();
  // A few scans ahead per worker, so that none waits for the reading.
  std::vector<ScanSlot> slots(4 * workers);
  bool ok = true;
  for (ScanSlot& slot : slots) {
    slot.buffer.reset(new (std::nothrow) uint8_t[bufferBytes]);
    slot.peaks = slot.buffer.get();
    ok = ok && slot.peaks;
  }

  // The segments' scans in order; segments of a sound file claim no more
  // scans than it holds.
  struct ScanItem {
    uint32_t scan;
    uint16_t segment;
  };
  std::vector<ScanItem> items;
  items.reserve(wf.scanCount);
  for (uint16_t s = 0; ok && s < header.segmentCount; ++s) {
    const MS_SEGMENT_BLOCK& segment = wf.segmentBlocks[s];
    for (uint64_t scan = segment.firstScan; ok && scan <= segment.lastScan; ++scan) {
      ok = items.size() < wf.scanCount;
      if (ok) items.push_back({static_cast<uint32_t>(scan), s});
    }
  }

  // Centroids the scan in a slot with the parameters for it.
  auto centroid = [&](ScanSlot& slot) {
    thread_local CMS_CentroidEngine engine;
    engine.Init();
    const MS_SEGMENT_BLOCK& segment = wf.segmentBlocks[slot.segment];
    uint8_t params[CENTROID_PARAMS_SIZE];
    std::memcpy(params, params_, sizeof params);
    const unsigned channel = slot.record.header.function == 255 ? 0 : slot.record.header.function;
    if (wf.type61 && channel < segment.functionCount)
      AdaptCentroidWidths(params, segment.functions[channel].massWidth, resolution_);
    SetField(params, kScanKind, uint16_t(slot.record.header.scanKind));
    const uint16_t kind = MakeCentroidScanKind(wf.fileType, uint16_t(slot.record.header.scanKind), optionWord_,
                                               optionValue_, static_cast<int32_t>(slot.record.header.ionMass));
    SetField(params, kScanKind, kind);
    MS_CENTROID_ENGINE_PARAMS engineParams;
    std::memcpy(&engineParams, params + 4, sizeof engineParams);
    slot.kind = kind;
    slot.ok = engine.CentroidSpec(&header, wf.segmentBlocks, &slot.record, slot.peaks, &engineParams) == MS_OK;
  };
  // What the engine is shown stays fixed for the run; the maxima gathered
  // below go into a copy.
  MS_INFO_BLOCK written = header;
  {
    CentroidRing ring(slots, ok ? workers : 0, centroid);
    ok = ok && ring.ok();
    MS_SEGMENT_BLOCK segment{};
    // Reads run ahead of the writing by the ring's size. The calling thread
    // sleeps until a quarter of the ring is done and then writes what is
    // done and reads as many again, so that it wakes once for several
    // scans while the workers still have the rest of the ring to go on with.
    for (size_t w = 0, r = 0; ok && w < items.size();) {
      for (; ok && r < items.size() && r < w + ring.size(); ++r) {
        ScanSlot& slot = ring.Slot(r);
        slot.record = MS_SCAN_RECORD{};
        slot.record.recordSize = sizeof slot.record;
        slot.segment = items[r].segment;
        ok = ReadMSScan(in, items[r].scan, &slot.record, slot.peaks) == 0;
        if (ok) ring.Read(r);
      }
      if (!ok) break;
      if (!ring.Done(w)) ring.WaitDone(w, std::min(r - 1, w + ring.size() / 4));
      for (; ok && w < r && ring.Done(w); ++w) {
        const ScanItem& item = items[w];
        if (w == 0 || items[w - 1].segment != item.segment) {
          segment = wf.segmentBlocks[item.segment];
          segment.maxTicScan = 0;
          segment.maxTic = 0;
        }
        ScanSlot& slot = ring.Slot(w);
        slot.record.header.scanKind = int16_t(slot.kind);
        ok = slot.ok && WriteMSScan(out, &slot.record, slot.peaks) == 0;
        if (!ok) break;
        if (Above(slot.record.header.totalIon, segment.maxTic)) {
          segment.maxTic = slot.record.header.totalIon;
          segment.maxTicScan = item.scan;
        }
        if (Above(slot.record.header.totalIon, written.maxTic)) {
          written.maxTic = slot.record.header.totalIon;
          written.maxTicScan = item.scan;
        }
        const bool segmentEnds = w + 1 == items.size() || items[w + 1].segment != item.segment;
        if (segmentEnds && WriteMSSegment(out, &segment) != 0) ok = false;
      }
    }
  }
  // Segments without scans still get their block.
  for (uint16_t s = 0; ok && s < header.segmentCount; ++s) {
    const MS_SEGMENT_BLOCK& seg = wf.segmentBlocks[s];
    if (seg.firstScan <= seg.lastScan) continue;
    MS_SEGMENT_BLOCK empty = seg;
    empty.maxTicScan = 0;
    empty.maxTic = 0;
    if (WriteMSSegment(out, &empty) != 0) ok = false;
  }
  if (ok) {
    written.centroid = 1;
    ok = WriteMSHeader(out, &written) == 0;
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
