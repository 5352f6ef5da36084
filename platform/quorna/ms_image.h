#pragma once
// The stored form of one MS data set, as the "MSData" section holds it and
// as a raw MS file holds it after its 256-byte header:
//
//   image header (80 bytes)      magic "QMSDAT01", version 2, counts,
//                                offsets below
//   information block            2,570 bytes
//   segment blocks               segment count x 61,909 bytes
//   scan index                   scan count x 24 bytes: u64 offset of the
//                                scan's header, u32 point count, u32 0,
//                                f64 time
//   scan headers                 scan count x 430 bytes, side by side, so
//                                that traces made from headers alone read
//                                one short range
//   points (from dataOffset)     each scan's f64 masses[n], u32
//                                intensities[n], u8 flags[n], in scan
//                                order without gaps
//
// Version 1 images, still read, keep each scan's points right behind its
// header instead: the index points at header and points together.
//
// Offsets count from the start of the image. The index is checked against
// the image's size when it opens, so no scan read leaves its bytes.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "quorna/peaks.h"
#include "quorna/quorna.h"

namespace quorna {

// Bytes left uninitialised on resize: images are read straight over them.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = DefaultInitAllocator<U>;
  };
  using std::allocator<T>::allocator;
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
};
using Bytes = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

constexpr char kImageMagic[8] = {'Q', 'M', 'S', 'D', 'A', 'T', '0', '1'};
constexpr uint32_t kImageHeaderSize = 80;
constexpr uint32_t kIndexEntrySize = 24;
constexpr uint32_t kMaxSegments = 250;
constexpr uint32_t kImageLive = 1;
constexpr uint32_t kImageVersion = 2;

#pragma pack(push, 1)
struct ImageHeader {
  char magic[8];
  uint32_t version;
  uint32_t flags;
  uint32_t segmentCount;
  uint32_t scanCount;
  uint32_t firstScan;
  uint32_t maxPoints;
  uint64_t infoOffset;
  uint64_t segmentsOffset;
  uint64_t indexOffset;
  uint64_t dataOffset;
  uint64_t dataEnd;
  uint8_t reserved[8];
};
struct IndexEntry {
  uint64_t offset;
  uint32_t pointCount;
  uint32_t reserved;
  double time;
};
#pragma pack(pop)
static_assert(sizeof(ImageHeader) == kImageHeaderSize);
static_assert(sizeof(IndexEntry) == kIndexEntrySize);

// Where the bytes of a stored image come from; offsets count from the
// image's start. Reads are whole or fail.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  virtual bool Read(uint64_t offset, void* out, size_t length) = 0;
  // The bytes themselves when the source keeps them in memory, else null.
  virtual const uint8_t* InPlace(uint64_t, size_t) const { return nullptr; }
  // The section store's handle the bytes are read through, if any.
  virtual void* StoreHandle() const { return nullptr; }
};

// An image already in memory, starting at byte base of bytes.
std::unique_ptr<ByteSource> MemorySource(Bytes bytes, size_t base = 0);

// One stored scan: its header and its points, kept alive by the view.
class ScanView {
 public:
  const MS_SCAN_HEADER& Header() const { return header_; }
  uint32_t PointCount() const { return count_; }
  const uint8_t* Masses() const { return points_; }
  const uint8_t* Intensities() const { return points_ + 8ull * count_; }
  const uint8_t* Flags() const { return points_ + 12ull * count_; }
  double MassAt(uint32_t k) const {
    double m;
    std::memcpy(&m, Masses() + 8ull * k, 8);
    return m;
  }
  void Peaks(std::vector<Peak>& out) const;

 private:
  friend class Image;
  MS_SCAN_HEADER header_{};
  uint32_t count_ = 0;
  const uint8_t* points_ = nullptr;
  std::shared_ptr<const Bytes> hold_;
};

// A checked, read-only image. The header, information block, segment
// blocks and scan index are read and checked when it opens; scans are read
// when asked for, through a small cache of blocks, and checked then.
class Image {
 public:
  // Null when the bytes there are not a whole, consistent image.
  static std::shared_ptr<const Image> Open(Bytes bytes, size_t base = 0);
  static std::shared_ptr<const Image> Open(std::unique_ptr<ByteSource> source);

  // An image no one else holds may let go of its source (closing the file)
  // and be kept; it is read again only once given a source of the very
  // same bytes. Between the two, nothing may read it.
  std::unique_ptr<ByteSource> TakeSource() { return std::move(source_); }
  void GiveSource(std::unique_ptr<ByteSource> source) { source_ = std::move(source); }
  const ByteSource* Source() const { return source_.get(); }
  // Whether the run lies in one buffer of its own (small runs) rather than
  // in a bounded cache of blocks.
  bool HeldWhole() const { return wholeData_ != nullptr; }

  const MS_INFO_BLOCK& Info() const { return info_; }
  bool Live() const { return live_; }
  uint32_t SegmentCount() const { return static_cast<uint32_t>(segments_.size()); }
  const MS_SEGMENT_BLOCK& Segment(uint32_t i) const { return segments_[i]; }
  uint32_t ScanCount() const { return static_cast<uint32_t>(index_.size()); }
  uint32_t FirstScan() const { return firstScan_; }
  uint32_t LastScan() const { return firstScan_ + ScanCount() - 1; }
  uint32_t MaxPoints() const { return maxPoints_; }
  uint32_t MaxCyclePoints() const { return maxCyclePoints_; }
  void* StoreHandle() const { return source_->StoreHandle(); }
  bool HasScan(uint32_t scan) const { return scan >= firstScan_ && scan - firstScan_ < ScanCount(); }

  // The image's stored bytes in order, a block at a time (from the cache
  // where it holds them); false when a part cannot be read or `take`
  // refuses one.
  template <class Take>
  bool EachStoredPart(Take take) const {
    const uint64_t size = source_->Size();
    for (uint64_t at = 0; at < size;) {
      const size_t length = static_cast<size_t>(std::min<uint64_t>(kBlockSize - at % kBlockSize, size - at));
      std::shared_ptr<const Bytes> hold;
      const uint8_t* p = Fetch(at, length, hold);
      if (!p || !take(p, length)) return false;
      at += length;
    }
    return true;
  }

  // i: 0-based position of the scan.
  double Time(uint32_t i) const { return index_[i].time; }
  // Whether no scan's time lies before the one ahead of it: a scan at a
  // time can then be found by halving.
  bool TimesAscend() const { return timesAscend_; }
  uint32_t PointCount(uint32_t i) const { return index_[i].pointCount; }
  // The stored scan at position i; false when it cannot be read or its
  // header is damaged.
  bool Scan(uint32_t i, ScanView& out) const;
  // Only the header of the scan at position i, on the same terms.
  bool ScanHeader(uint32_t i, MS_SCAN_HEADER& out) const;
  // Whether a stored header is whole enough to use.
  static bool HeaderSound(const MS_SCAN_HEADER& h) { return h.extraCount <= MS_MAX_EXTRA_COLUMNS; }

  // What a trace over the points needs of a scan's header, kept once read:
  // the headers lie far from the points and are many times their share of
  // a trace's bytes, so that later traces walk the points alone.
  enum ScanState : uint8_t { kStateUnknown = 0, kStateSound = 1, kStateSaturated = 2, kStateDamaged = 4 };
  uint8_t StateOf(uint32_t i) const { return scanState_[i].load(std::memory_order_relaxed); }
  // The state of a header read (null: it could not be read), kept.
  uint8_t NoteHeader(uint32_t i, const MS_SCAN_HEADER* h) const {
    if (!h) return kStateDamaged;  // reading may succeed later: not kept
    const uint8_t s = !HeaderSound(*h)                       ? uint8_t(kStateDamaged)
                      : (h->flags & MS_SCAN_FLAG_SATURATED) ? uint8_t(kStateSound | kStateSaturated)
                                                            : uint8_t(kStateSound);
    scanState_[i].store(s, std::memory_order_relaxed);
    return s;
  }

  // Where each whole mass begins in each scan, as traces find it: row m
  // holds, by scan position, the first point whose mass is not below m
  // (kRowUnknown until a trace has looked). A mass range that starts
  // between m and m + 1 then starts between those rows' points, found
  // without halving the scan's masses and known scans ahead, so that a
  // trace reads a line or two of each scan instead of one per probe.
  // Null for masses outside 0..kRowMasses - 1 or once the rows kept would
  // pass their budget.
  static constexpr uint16_t kRowUnknown = 0xFFFF;
  static constexpr int32_t kRowMasses = 1 << 16;
  using MassRow = std::shared_ptr<std::atomic<uint16_t>[]>;
  MassRow MassStartRow(double wholeMass) const;
  // Where the image's bytes start when the points of scan positions
  // first..last are all in memory already, else null: each scan's points
  // then lie at PointsOffset past it, and a walk over the scans reads no
  // block.
  const uint8_t* PointsInMemory(uint32_t first, uint32_t last) const;
  uint64_t PointsOffset(uint32_t i) const { return pointsAt_[i]; }

  // Keeps the block the last bytes came from, so that the next scan's
  // bytes in the same block are had without the cache's lock.
  struct BlockCursor {
    uint64_t number = UINT64_MAX;
    std::shared_ptr<const Bytes> block;
    std::shared_ptr<const Bytes> own;  // bytes spanning blocks, put together
  };
  // The points of the scan at position i (PointCount(i) masses, then
  // counts, then flags), valid while the cursor holds them; null when they
  // cannot be read.
  const uint8_t* Points(uint32_t i, BlockCursor& cursor) const {
    if (i >= index_.size()) return nullptr;
    return Fetch(pointsAt_[i], static_cast<size_t>(uint64_t{index_[i].pointCount} * MS_EXCHANGE_ENTRY_SIZE), cursor);
  }
  // The stored header of the scan at position i on the same terms,
  // unchecked (see HeaderSound).
  const MS_SCAN_HEADER* HeaderAt(uint32_t i, BlockCursor& cursor) const {
    if (i >= index_.size()) return nullptr;
    return reinterpret_cast<const MS_SCAN_HEADER*>(Fetch(index_[i].offset, MS_SCAN_HEADER_SIZE, cursor));
  }

  // The stored headers of scan positions first..last side by side (as
  // version 2 images keep them), valid while the image or hold lives; null
  // when the image does not keep them so (read them one by one then) or
  // they cannot be read. Only the headers not read before are read, not the
  // blocks around them: a trace made from headers alone that extends an
  // earlier one reads the new scans' headers, not a block.
  const uint8_t* HeaderRun(uint32_t first, uint32_t last, std::shared_ptr<const Bytes>& hold) const;

  // Segment position holding a scan position, or -1. Function index and
  // cycle of a scan position.
  int SegmentOf(uint32_t i) const { return segmentOfScan_[i]; }
  uint32_t FunctionOf(uint32_t i) const;
  // First and last scan positions of the cycle holding scan position i.
  // Every scan its own cycle in segments of one function: asked per scan.
  void CycleOf(uint32_t i, uint32_t& first, uint32_t& last) const {
    const int s = segmentOfScan_[i];
    if (s < 0 || segments_[s].functionCount == 1) {
      first = last = i;
      return;
    }
    CycleOfSeveral(i, first, last);
  }

 private:
  struct Block {
    uint64_t number = UINT64_MAX;
    std::shared_ptr<Bytes> bytes;
  };
  static constexpr uint64_t kBlockSize = 256 * 1024;
  // Blocks read stay while they fit in this much, so that traces after the
  // first on an open handle of a run of moderate size read memory, not the
  // source; past it further blocks are read for each use. A handle's memory
  // stays within it whatever the size of the run (a trace of a run of some
  // hundred MB must not hold the run).
  static constexpr uint64_t kKeptBytes = 16ull << 20;
  // A run whose image fits in this much is kept whole instead: a budget a
  // little short of the run would make every trace read the blocks past it
  // again, so that traces of such a run cost far more than their share.
  static constexpr uint64_t kKeptWholeBytes = 32ull << 20;
  uint64_t keptLimit_ = kKeptBytes;
  // Bytes [offset, offset + length) of the image, from the cache or read.
  const uint8_t* Fetch(uint64_t offset, size_t length, std::shared_ptr<const Bytes>& hold) const;
  const uint8_t* Fetch(uint64_t offset, size_t length, BlockCursor& cursor) const {
    if (wholeData_) return WholeAt(offset, length);
    // Most reads fall in the block the last one came from.
    if (cursor.block && offset / kBlockSize == cursor.number && offset % kBlockSize + length <= cursor.block->size())
      return cursor.block->data() + offset % kBlockSize;
    return FetchBlock(offset, length, cursor);
  }
  // A run kept whole lies in one buffer at its own offsets, its blocks read
  // into place as first needed: a scan is had by its offset alone, with no
  // lock, no block looked up and no copy where it spans two blocks.
  const uint8_t* WholeAt(uint64_t offset, size_t length) const {
    const uint64_t first = offset / kBlockSize, last = (offset + (length ? length - 1 : 0)) / kBlockSize;
    if (last < wholeBlocks_ && last - first <= 1 && present_[first].load(std::memory_order_acquire) &&
        present_[last].load(std::memory_order_acquire))
      return wholeData_ + offset;
    return WholeRead(offset, length);
  }
  // WholeAt when a block is missing: reads it (them) into place.
  const uint8_t* WholeRead(uint64_t offset, size_t length) const;
  // Kept bytes of block number n, or null. Called with the mutex held.
  const uint8_t* KeptBlockLocked(uint64_t n) const;
  // Block n of a run kept whole, read into place when missing; null when it
  // cannot be read. Called with the mutex held.
  const uint8_t* WholeBlockLocked(uint64_t n) const;
  // Fetch when the cursor's block does not hold the bytes.
  const uint8_t* FetchBlock(uint64_t offset, size_t length, BlockCursor& cursor) const;
  // Cached block number of the source, read when missing; null when it
  // cannot be read. Called with the mutex held.
  std::shared_ptr<Bytes> BlockLocked(uint64_t number) const;

  void CycleOfSeveral(uint32_t i, uint32_t& first, uint32_t& last) const;

  std::unique_ptr<ByteSource> source_;
  // Headers side by side: where they start, and (once HeaderRun needs them
  // across blocks) a copy of the headers read so far, by scan position.
  bool headersSideBySide_ = false;
  uint64_t headersAt_ = 0;
  mutable std::unique_ptr<uint8_t[]> headerCopy_;
  mutable std::vector<bool> headerRead_;
  mutable std::mutex mutex_;  // the source's position and the cache
  mutable std::unordered_map<uint64_t, Block> cache_;  // by block number
  mutable uint64_t cachedBytes_ = 0;
  // Buffers of unkept blocks, for reuse, with the block each holds.
  struct Spare {
    uint64_t number = UINT64_MAX;
    uint64_t used = 0;  // when last handed out
    std::shared_ptr<Bytes> bytes;
  };
  mutable Spare spare_[4];
  mutable uint64_t spareClock_ = 0;
  MS_INFO_BLOCK info_{};
  bool live_ = false;
  uint32_t firstScan_ = 0;
  uint32_t maxPoints_ = 0;
  uint32_t maxCyclePoints_ = 0;
  bool timesAscend_ = true;
  // Read straight over: left uninitialised when sized.
  std::vector<MS_SEGMENT_BLOCK, DefaultInitAllocator<MS_SEGMENT_BLOCK>> segments_;
  std::vector<IndexEntry, DefaultInitAllocator<IndexEntry>> index_;
  std::vector<uint64_t, DefaultInitAllocator<uint64_t>> pointsAt_;  // where each scan's points start
  std::vector<int16_t> segmentOfScan_;
  // A run kept whole (see WholeAt): its buffer, and whether each block is in.
  std::shared_ptr<uint8_t[]> whole_;
  uint8_t* wholeData_ = nullptr;
  uint64_t wholeBlocks_ = 0;
  std::unique_ptr<std::atomic<bool>[]> present_;
  // By scan position; filled as traces read the headers (any thread).
  std::unique_ptr<std::atomic<uint8_t>[]> scanState_;
  // The source's bytes when it holds them in memory, else null.
  const uint8_t* inPlace_ = nullptr;
  bool pointsAscend_ = false;  // each scan's points after the last one's
  // Whole-mass rows by mass (see MassStartRow), under the mutex.
  static constexpr uint64_t kMassRowBytes = 4ull << 20;
  mutable std::unordered_map<int32_t, MassRow> massRows_;
  mutable uint64_t massRowBytes_ = 0;
};

// Collects a data set and lays it out as an image.
class ImageBuilder {
 public:
  void SetInfo(const MS_INFO_BLOCK& info) { info_ = info, haveInfo_ = true; }
  void SetFormatWord(uint16_t word) { formatWord_ = word; }
  void SetLive(bool live) { live_ = live; }
  // A segment block replaces an earlier one with the same number.
  bool AddSegment(const MS_SEGMENT_BLOCK& block);
  bool AddScan(const MS_SCAN_HEADER& header, const std::vector<Peak>& peaks);
  void Reserve(uint32_t scans) { scans_.reserve(scans); }
  // Fills the derived facts (scan range, segment count, maxima, times) and
  // lays out the image; false when the parts do not fit together. The
  // scans are let go as they are laid out: a builder builds once.
  bool Build(std::vector<uint8_t>& out);
  // The same image handed out in order: begin(size) once the parts are
  // found to fit, then put(bytes, length) piece by piece; false when the
  // parts do not fit or either refuses.
  bool Lay(const std::function<bool(uint64_t)>& begin, const std::function<bool(const void*, size_t)>& put);

 private:
  struct Scan {
    MS_SCAN_HEADER header;
    std::vector<double> masses;
    std::vector<uint32_t> intensities;
    std::vector<uint8_t> flags;
  };
  MS_INFO_BLOCK info_{};
  bool haveInfo_ = false;
  uint16_t formatWord_ = 0;
  bool live_ = false;
  std::vector<MS_SEGMENT_BLOCK> segments_;
  std::vector<Scan> scans_;
};

// Raw MS files: the 256-byte header test and the image behind the header.
bool RawHeaderPasses(const uint8_t* bytes, size_t available, uint64_t fileLength);
std::shared_ptr<const Image> OpenRawImage(Bytes fileBytes);
// source: the whole raw file; its image is read behind the header.
std::shared_ptr<const Image> OpenRawImage(std::unique_ptr<ByteSource> source);
bool MakeRawFile(const std::vector<uint8_t>& image, std::vector<uint8_t>& file);

// Wide texts of packed records may sit at odd addresses: these go byte-wise.
// Writes text into dstChars wide characters, NUL-filled, always terminated.
void WideFromAscii(void* dst, size_t dstChars, const std::string& text);
std::string AsciiFromWide(const void* src, size_t srcChars);

}  // namespace quorna
