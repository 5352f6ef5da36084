// Laying out and checking stored MS data sets.
#include "quorna/ms_image.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <numeric>

namespace quorna {

namespace {

bool Fits(uint64_t offset, uint64_t length, uint64_t size) { return offset <= size && length <= size - offset; }

}  // namespace

void WideFromAscii(void* dst, size_t dstChars, const std::string& text) {
  auto* d = static_cast<uint8_t*>(dst);
  for (size_t i = 0; i < dstChars; ++i) {
    char16_t c = i + 1 < dstChars && i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    std::memcpy(d + 2 * i, &c, 2);
  }
}

std::string AsciiFromWide(const void* src, size_t srcChars) {
  std::string s;
  const auto* p = static_cast<const uint8_t*>(src);
  for (size_t i = 0; i < srcChars; ++i) {
    char16_t c;
    std::memcpy(&c, p + 2 * i, 2);
    if (!c) break;
    s += c < 0x100 ? static_cast<char>(c) : '?';
  }
  return s;
}

// ---- Reading ---------------------------------------------------------------

namespace {

class InMemory : public ByteSource {
 public:
  InMemory(Bytes bytes, size_t base) : bytes_(std::move(bytes)), base_(std::min(base, bytes_.size())) {}
  uint64_t Size() const override { return bytes_.size() - base_; }
  bool Read(uint64_t offset, void* out, size_t length) override {
    const uint8_t* p = InPlace(offset, length);
    if (!p) return false;
    if (length) std::memcpy(out, p, length);
    return true;
  }
  const uint8_t* InPlace(uint64_t offset, size_t length) const override {
    return Fits(offset, length, Size()) ? bytes_.data() + base_ + offset : nullptr;
  }

 private:
  Bytes bytes_;
  size_t base_;
};

// A run kept whole needs a buffer of its size at every open. Freed at close,
// that buffer may go back to the system and be faulted in again at the next
// open, or stay in the heap, depending on where the heap's top happens to
// lie, so that reopening one run cost twice as much in some processes as in
// others. The last one closed (if not large) is kept for the next open of
// a run of about its size instead.
constexpr size_t kSpareWholeBytes = 8u << 20;
std::mutex g_spareLock;
uint8_t* g_spare = nullptr;
size_t g_spareSize = 0;

void ReturnWhole(uint8_t* p, size_t size) {
  if (size > kSpareWholeBytes) {
    delete[] p;
    return;
  }
  std::lock_guard<std::mutex> lock(g_spareLock);
  std::swap(p, g_spare);
  g_spareSize = size;
  delete[] p;
}

std::shared_ptr<uint8_t[]> TakeWhole(size_t size) {
  uint8_t* p = nullptr;
  size_t have = size;
  {
    std::lock_guard<std::mutex> lock(g_spareLock);
    if (g_spare && g_spareSize >= size && g_spareSize - size <= g_spareSize / 4) {
      std::swap(p, g_spare);
      have = g_spareSize;
    }
  }
  // Not cleared: pages of blocks never read are never touched.
  if (!p) p = new (std::nothrow) uint8_t[size];
  if (!p) return nullptr;
  return std::shared_ptr<uint8_t[]>(p, [have](uint8_t* q) { ReturnWhole(q, have); });
}

}  // namespace

std::unique_ptr<ByteSource> MemorySource(Bytes bytes, size_t base) {
  return std::make_unique<InMemory>(std::move(bytes), base);
}

std::shared_ptr<const Image> Image::Open(Bytes bytes, size_t base) {
  if (base > bytes.size()) return nullptr;
  return Open(MemorySource(std::move(bytes), base));
}

std::shared_ptr<const Image> Image::Open(std::unique_ptr<ByteSource> source) {
  if (!source) return nullptr;
  const uint64_t size = source->Size();
  if (size < kImageHeaderSize) return nullptr;
  // The first block is read whole, once: it holds the header, information,
  // segments and (but for long runs) the index, and the first scan headers
  // a trace reads next, so it goes on into the cache.
  // A run kept whole reads it straight into its place in the whole buffer.
  std::shared_ptr<Bytes> first;
  std::shared_ptr<uint8_t[]> whole;
  const uint8_t* firstData = nullptr;
  size_t firstSize = 0;
  if (!source->InPlace(0, kImageHeaderSize)) {
    firstSize = static_cast<size_t>(std::min<uint64_t>(size, kBlockSize));
    if (size <= kKeptWholeBytes) {
      whole = TakeWhole(static_cast<size_t>(size));
      if (!whole) return nullptr;
      firstData = whole.get();
      if (!source->Read(0, whole.get(), firstSize)) return nullptr;
    } else {
      first = std::make_shared<Bytes>();
      first->resize(firstSize);
      if (!source->Read(0, first->data(), first->size())) return nullptr;
      firstData = first->data();
    }
  }
  auto read = [&](uint64_t offset, void* out, uint64_t length) {
    if (firstData && offset <= firstSize && length <= firstSize - offset) {
      if (length) std::memcpy(out, firstData + offset, static_cast<size_t>(length));
      return true;
    }
    return source->Read(offset, out, static_cast<size_t>(length));
  };
  ImageHeader h;
  if (!read(0, &h, sizeof h)) return nullptr;
  if (std::memcmp(h.magic, kImageMagic, 8) != 0 || h.version < 1 || h.version > kImageVersion) return nullptr;
  if (h.segmentCount < 1 || h.segmentCount > kMaxSegments) return nullptr;
  if (h.scanCount > 0 && (h.firstScan > UINT32_MAX - (h.scanCount - 1))) return nullptr;
  if (h.maxPoints > MS_MAX_SCAN_POINTS) return nullptr;
  if (!Fits(h.infoOffset, MS_INFO_BLOCK_SIZE, size)) return nullptr;
  if (!Fits(h.segmentsOffset, uint64_t{h.segmentCount} * MS_SEGMENT_BLOCK_SIZE, size)) return nullptr;
  if (!Fits(h.indexOffset, uint64_t{h.scanCount} * kIndexEntrySize, size)) return nullptr;

  auto img = std::shared_ptr<Image>(new Image());
  if (!read(h.infoOffset, &img->info_, MS_INFO_BLOCK_SIZE)) return nullptr;
  // Readers size their buffers and walk scans and segments by the
  // information block: it must tell what the header does.
  const MS_INFO_BLOCK& info = img->info_;
  const uint32_t lastScan = h.scanCount ? h.firstScan + (h.scanCount - 1) : h.firstScan;
  if (info.segmentCount != h.segmentCount || info.firstScan != h.firstScan || info.lastScan != lastScan ||
      info.maxScanPoints != h.maxPoints || info.extraColumnCount > MS_MAX_EXTRA_COLUMNS)
    return nullptr;
  if (info.maxTicScan != 0 && (info.maxTicScan < h.firstScan || info.maxTicScan > lastScan)) return nullptr;
  img->live_ = (h.flags & kImageLive) != 0;
  img->firstScan_ = h.firstScan;
  img->maxPoints_ = h.maxPoints;

  // Segments: increasing, non-overlapping scan ranges inside the file's.
  img->segments_.resize(h.segmentCount);
  if (!read(h.segmentsOffset, img->segments_.data(), uint64_t{h.segmentCount} * MS_SEGMENT_BLOCK_SIZE))
    return nullptr;
  const uint64_t last = uint64_t{h.firstScan} + h.scanCount;  // exclusive
  uint64_t nextFirst = h.firstScan;
  for (const MS_SEGMENT_BLOCK& seg : img->segments_) {
    if (seg.functionCount < 1) return nullptr;
    if (!std::isfinite(seg.startTime) || !std::isfinite(seg.endTime)) return nullptr;
    if (h.scanCount > 0) {
      if (seg.firstScan < nextFirst || seg.firstScan > seg.lastScan || seg.lastScan >= last) return nullptr;
      nextFirst = uint64_t{seg.lastScan} + 1;
    }
  }

  img->index_.resize(h.scanCount);
  img->segmentOfScan_.assign(h.scanCount, -1);
  if (h.scanCount && !read(h.indexOffset, img->index_.data(), uint64_t{h.scanCount} * kIndexEntrySize))
    return nullptr;
  img->pointsAt_.resize(h.scanCount);
  img->scanState_.reset(new std::atomic<uint8_t>[h.scanCount ? h.scanCount : 1]);
  for (uint32_t i = 0; i < h.scanCount; ++i) img->scanState_[i].store(kStateUnknown, std::memory_order_relaxed);
  const bool apart = h.version >= 2;  // headers side by side, points behind them
  uint64_t nextPoints = h.dataOffset;
  for (uint32_t i = 0; i < h.scanCount; ++i) {
    const IndexEntry& e = img->index_[i];
    if (e.pointCount > h.maxPoints || !std::isfinite(e.time)) return nullptr;
    if (i > 0 && e.time < img->index_[i - 1].time) img->timesAscend_ = false;
    const uint64_t pointBytes = uint64_t{e.pointCount} * MS_EXCHANGE_ENTRY_SIZE;
    if (apart) {
      if (!Fits(e.offset, MS_SCAN_HEADER_SIZE, size) || !Fits(nextPoints, pointBytes, size)) return nullptr;
      img->pointsAt_[i] = nextPoints;
      nextPoints += pointBytes;
    } else {
      if (!Fits(e.offset, MS_SCAN_HEADER_SIZE + pointBytes, size)) return nullptr;
      img->pointsAt_[i] = e.offset + MS_SCAN_HEADER_SIZE;
    }
  }
  img->headersSideBySide_ = apart && h.scanCount > 0;
  img->headersAt_ = h.scanCount ? img->index_[0].offset : 0;
  for (uint32_t i = 0; i < h.scanCount && img->headersSideBySide_; ++i)
    img->headersSideBySide_ = img->index_[i].offset == img->headersAt_ + uint64_t{i} * MS_SCAN_HEADER_SIZE;
  for (uint32_t s = 0; s < h.segmentCount && h.scanCount > 0; ++s) {
    const MS_SEGMENT_BLOCK& seg = img->segments_[s];
    for (uint64_t scan = seg.firstScan; scan <= seg.lastScan; ++scan)
      img->segmentOfScan_[scan - h.firstScan] = static_cast<int16_t>(s);
    // Largest cycle: the most points a cycle's scans add up to.
    for (uint64_t c = seg.firstScan; c <= seg.lastScan; c += seg.functionCount) {
      uint64_t sum = 0;
      for (uint64_t scan = c; scan <= seg.lastScan && scan < c + seg.functionCount; ++scan)
        sum += img->index_[scan - h.firstScan].pointCount;
      img->maxCyclePoints_ = static_cast<uint32_t>(std::max<uint64_t>(img->maxCyclePoints_, std::min<uint64_t>(sum, UINT32_MAX)));
    }
  }
  if (size <= kKeptWholeBytes) img->keptLimit_ = std::max(kKeptBytes, size);
  img->inPlace_ = source->InPlace(0, static_cast<size_t>(size));
  img->pointsAscend_ = apart;
  img->source_ = std::move(source);
  if (whole) {
    img->wholeBlocks_ = (size + kBlockSize - 1) / kBlockSize;
    img->present_.reset(new std::atomic<bool>[img->wholeBlocks_]);
    for (uint64_t n = 0; n < img->wholeBlocks_; ++n) img->present_[n].store(n == 0, std::memory_order_relaxed);
    img->whole_ = std::move(whole);
    img->wholeData_ = img->whole_.get();
    img->cachedBytes_ = firstSize;
  }
  if (first) {
    Block& b = img->cache_[0];
    b.number = 0;
    img->cachedBytes_ = first->size();
    b.bytes = std::move(first);
  }
  return img;
}

std::shared_ptr<Bytes> Image::BlockLocked(uint64_t number) const {
  auto found = cache_.find(number);
  if (found != cache_.end()) return found->second.bytes;
  // An unkept block read lately serves again: a scan's header and points
  // come from two blocks, and the scans after it from the same two.
  for (Spare& s : spare_) {
    if (s.bytes && s.number == number) {
      s.used = ++spareClock_;
      return s.bytes;
    }
  }
  const uint64_t start = number * kBlockSize;
  if (start >= source_->Size()) return nullptr;
  const size_t bytes = static_cast<size_t>(std::min<uint64_t>(kBlockSize, source_->Size() - start));
  // Once the cache is full, blocks pass through it unkept: traces walk the
  // data in order, and putting out the blocks read first would only make
  // every later walk miss all of them. Such blocks are read into buffers
  // no one holds any more: fresh memory for each costs more (the system
  // clears every page) than reading the bytes.
  const bool keep = cachedBytes_ + bytes <= keptLimit_;
  std::shared_ptr<Bytes> b;
  Spare* into = nullptr;
  if (!keep) {
    for (Spare& s : spare_) {
      // Only here, under the mutex, can a buffer no one else holds be
      // taken; the one used longest ago goes first.
      if (!s.bytes || s.bytes.use_count() == 1) {
        if (!into || !s.bytes || (into->bytes && s.used < into->used)) into = &s;
        if (!s.bytes) break;
      }
    }
    if (into) {
      if (!into->bytes) into->bytes = std::make_shared<Bytes>();
      into->number = UINT64_MAX;  // until the read succeeds
      b = into->bytes;
    }
  }
  if (!b) b = std::make_shared<Bytes>();
  b->resize(bytes);
  if (!source_->Read(start, b->data(), bytes)) return nullptr;
  if (!keep) {
    if (into) into->number = number, into->used = ++spareClock_;
    return b;
  }
  Block& slot = cache_[number];
  slot.number = number;
  slot.bytes = b;
  cachedBytes_ += bytes;
  return b;
}

const uint8_t* Image::PointsInMemory(uint32_t first, uint32_t last) const {
  if (first > last || last >= ScanCount()) return nullptr;
  if (inPlace_) return inPlace_;
  if (!wholeData_ || !pointsAscend_) return nullptr;
  const uint64_t begin = pointsAt_[first];
  const uint64_t end = pointsAt_[last] + uint64_t{index_[last].pointCount} * MS_EXCHANGE_ENTRY_SIZE;
  if (end <= begin) return wholeData_;  // no points at all
  for (uint64_t n = begin / kBlockSize; n <= (end - 1) / kBlockSize; ++n)
    if (n >= wholeBlocks_ || !present_[n].load(std::memory_order_acquire)) return nullptr;
  return wholeData_;
}

Image::MassRow Image::MassStartRow(double wholeMass) const {
  static_assert(MS_MAX_SCAN_POINTS < kRowUnknown, "a position must not read as unknown");
  if (!(wholeMass >= 0 && wholeMass < kRowMasses) || ScanCount() == 0) return nullptr;
  const auto key = static_cast<int32_t>(wholeMass);
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = massRows_.find(key);
    if (found != massRows_.end()) return found->second;
    const uint64_t bytes = uint64_t{ScanCount()} * sizeof(std::atomic<uint16_t>);
    if (massRowBytes_ + bytes > kMassRowBytes) return nullptr;
    MassRow row(new std::atomic<uint16_t>[ScanCount()]);
    for (uint32_t i = 0; i < ScanCount(); ++i) row[i].store(kRowUnknown, std::memory_order_relaxed);
    massRows_.emplace(key, row);
    massRowBytes_ += bytes;
    return row;
  } catch (...) {
    return nullptr;
  }
}

const uint8_t* Image::WholeRead(uint64_t offset, size_t length) const {
  if (!Fits(offset, length, source_->Size())) return nullptr;
  const uint64_t first = offset / kBlockSize, last = (offset + (length ? length - 1 : 0)) / kBlockSize;
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    for (uint64_t n = first; n <= last; ++n)
      if (!WholeBlockLocked(n)) return nullptr;
  } catch (...) {
    return nullptr;
  }
  return wholeData_ + offset;
}

const uint8_t* Image::KeptBlockLocked(uint64_t n) const {
  if (!wholeData_) {
    auto kept = cache_.find(n);
    return kept != cache_.end() ? kept->second.bytes->data() : nullptr;
  }
  return n < wholeBlocks_ && present_[n].load(std::memory_order_relaxed) ? wholeData_ + n * kBlockSize : nullptr;
}

const uint8_t* Image::WholeBlockLocked(uint64_t n) const {
  if (n >= wholeBlocks_) return nullptr;
  uint8_t* at = wholeData_ + n * kBlockSize;
  if (present_[n].load(std::memory_order_relaxed)) return at;
  const size_t bytes = static_cast<size_t>(std::min<uint64_t>(kBlockSize, source_->Size() - n * kBlockSize));
  if (!source_->Read(n * kBlockSize, at, bytes)) return nullptr;
  cachedBytes_ += bytes;
  present_[n].store(true, std::memory_order_release);
  return at;
}

const uint8_t* Image::Fetch(uint64_t offset, size_t length, std::shared_ptr<const Bytes>& hold) const {
  if (const uint8_t* p = source_->InPlace(offset, length)) return p;
  if (wholeData_) {
    // Holds the whole buffer (no bytes object of its own).
    hold = std::shared_ptr<const Bytes>(whole_, static_cast<const Bytes*>(nullptr));
    return WholeAt(offset, length);
  }
  if (!Fits(offset, length, source_->Size())) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  const uint64_t first = offset / kBlockSize, last = (offset + (length ? length - 1 : 0)) / kBlockSize;
  if (first == last) {
    std::shared_ptr<Bytes> b = BlockLocked(first);
    if (!b) return nullptr;
    hold = b;
    return b->data() + (offset - first * kBlockSize);
  }
  // Spans blocks: put together from them, so that every block of the
  // source is read once however the ranges fall.
  auto own = std::make_shared<Bytes>();
  own->resize(length);
  for (uint64_t n = first, done = 0; n <= last; ++n) {
    std::shared_ptr<Bytes> b = BlockLocked(n);
    if (!b) return nullptr;
    const uint64_t from = n == first ? offset - first * kBlockSize : 0;
    const uint64_t take = std::min<uint64_t>(b->size() - from, length - done);
    std::memcpy(own->data() + done, b->data() + from, static_cast<size_t>(take));
    done += take;
  }
  hold = own;
  return own->data();
}

const uint8_t* Image::HeaderRun(uint32_t first, uint32_t last, std::shared_ptr<const Bytes>& hold) const {
  if (!headersSideBySide_ || first > last || last >= ScanCount()) return nullptr;
  const uint64_t begin = headersAt_ + uint64_t{first} * MS_SCAN_HEADER_SIZE;
  const uint64_t length = uint64_t{last - first + 1} * MS_SCAN_HEADER_SIZE;
  if (!Fits(begin, length, source_->Size())) return nullptr;
  if (const uint8_t* p = source_->InPlace(begin, static_cast<size_t>(length))) return p;
  // The copy holds all headers: only for runs whose headers are a small
  // part of what a handle keeps.
  const uint64_t all = uint64_t{ScanCount()} * MS_SCAN_HEADER_SIZE;
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t firstBlock = begin / kBlockSize, lastBlock = (begin + length - 1) / kBlockSize;
    if (wholeData_) {
      // A run kept whole: in place where all its blocks are in.
      bool in = true;
      for (uint64_t n = firstBlock; n <= lastBlock && in; ++n) in = KeptBlockLocked(n) != nullptr;
      if (in) {
        hold = std::shared_ptr<const Bytes>(whole_, static_cast<const Bytes*>(nullptr));
        return wholeData_ + begin;
      }
    } else if (firstBlock == lastBlock) {
      // Within one block: from it where it is kept (no copy).
      auto kept = cache_.find(firstBlock);
      if (kept != cache_.end()) {
        hold = kept->second.bytes;
        return kept->second.bytes->data() + (begin - firstBlock * kBlockSize);
      }
    }
    if (all > kKeptBytes / 4) return nullptr;
    if (!headerCopy_) {
      headerCopy_.reset(new uint8_t[static_cast<size_t>(all)]);
      headerRead_.assign(ScanCount(), false);
      cachedBytes_ += all;
    }
    // Each run of headers not read yet: from kept blocks where they hold
    // it, else from the source, in one read per stretch.
    for (uint32_t i = first; i <= last;) {
      if (headerRead_[i]) {
        ++i;
        continue;
      }
      uint32_t end = i;
      while (end < last && !headerRead_[end + 1]) ++end;
      uint64_t at = headersAt_ + uint64_t{i} * MS_SCAN_HEADER_SIZE;
      const uint64_t stop = headersAt_ + uint64_t{end + 1} * MS_SCAN_HEADER_SIZE;
      uint8_t* out = headerCopy_.get() + (at - headersAt_);
      while (at < stop) {
        const uint64_t n = at / kBlockSize;
        const uint64_t blockEnd = std::min(stop, (n + 1) * kBlockSize);
        if (const uint8_t* kept = KeptBlockLocked(n)) {
          std::memcpy(out, kept + (at - n * kBlockSize), static_cast<size_t>(blockEnd - at));
          out += blockEnd - at;
          at = blockEnd;
          continue;
        }
        // Up to the next kept block (or the stretch's end) in one read.
        uint64_t readEnd = blockEnd;
        while (readEnd < stop && !KeptBlockLocked(readEnd / kBlockSize))
          readEnd = std::min(stop, (readEnd / kBlockSize + 1) * kBlockSize);
        if (!source_->Read(at, out, static_cast<size_t>(readEnd - at))) return nullptr;
        out += readEnd - at;
        at = readEnd;
      }
      for (uint32_t k = i; k <= end; ++k) headerRead_[k] = true;
      i = end + 1;
    }
  } catch (...) {
    return nullptr;
  }
  hold.reset();
  return headerCopy_.get() + uint64_t{first} * MS_SCAN_HEADER_SIZE;
}

bool Image::Scan(uint32_t i, ScanView& out) const {
  if (i >= ScanCount()) return false;
  const IndexEntry& e = index_[i];
  const uint64_t pointBytes = uint64_t{e.pointCount} * MS_EXCHANGE_ENTRY_SIZE;
  try {
    std::shared_ptr<const Bytes> hold;
    const uint8_t* points;
    if (pointsAt_[i] == e.offset + MS_SCAN_HEADER_SIZE) {
      // Header and points together: one read.
      const uint8_t* p = Fetch(e.offset, static_cast<size_t>(MS_SCAN_HEADER_SIZE + pointBytes), hold);
      if (!p) return false;
      std::memcpy(&out.header_, p, MS_SCAN_HEADER_SIZE);
      points = p + MS_SCAN_HEADER_SIZE;
    } else {
      if (!ScanHeader(i, out.header_)) return false;
      points = Fetch(pointsAt_[i], static_cast<size_t>(pointBytes), hold);
      if (!points) return false;
    }
    if (out.header_.extraCount > MS_MAX_EXTRA_COLUMNS) return false;
    out.count_ = e.pointCount;
    out.points_ = points;
    out.hold_ = std::move(hold);
  } catch (...) {
    return false;
  }
  return true;
}

bool Image::ScanHeader(uint32_t i, MS_SCAN_HEADER& out) const {
  if (i >= ScanCount()) return false;
  try {
    std::shared_ptr<const Bytes> hold;
    const uint8_t* p = Fetch(index_[i].offset, MS_SCAN_HEADER_SIZE, hold);
    if (!p) return false;
    std::memcpy(&out, p, MS_SCAN_HEADER_SIZE);
  } catch (...) {
    return false;
  }
  return out.extraCount <= MS_MAX_EXTRA_COLUMNS;
}

const uint8_t* Image::FetchBlock(uint64_t at, size_t length, BlockCursor& cursor) const {
  if (const uint8_t* p = source_->InPlace(at, length)) return p;
  if (!Fits(at, length, source_->Size())) return nullptr;
  const uint64_t first = at / kBlockSize, last = (at + (length ? length - 1 : 0)) / kBlockSize;
  try {
    if (first != last) {
      std::shared_ptr<const Bytes> hold;
      const uint8_t* p = Fetch(at, length, hold);
      cursor.own = std::move(hold);
      return p;
    }
    if (cursor.number != first || !cursor.block) {
      std::shared_ptr<Bytes> b;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        b = BlockLocked(first);
      }
      if (!b) return nullptr;
      cursor.block = std::move(b);
      cursor.number = first;
    }
    if (at - first * kBlockSize + length > cursor.block->size()) return nullptr;
    return cursor.block->data() + (at - first * kBlockSize);
  } catch (...) {
    return nullptr;
  }
}

void ScanView::Peaks(std::vector<Peak>& out) const {
  const uint32_t n = count_;
  out.resize(n);
  const uint8_t* m = Masses();
  const uint8_t* v = Intensities();
  const uint8_t* f = Flags();
  for (uint32_t k = 0; k < n; ++k) {
    std::memcpy(&out[k].mass, m + 8ull * k, 8);
    std::memcpy(&out[k].intensity, v + 4ull * k, 4);
    out[k].flag = f[k];
  }
}

uint32_t Image::FunctionOf(uint32_t i) const {
  int s = segmentOfScan_[i];
  if (s < 0) return 0;
  const MS_SEGMENT_BLOCK& seg = segments_[s];
  return (firstScan_ + i - seg.firstScan) % seg.functionCount;
}

void Image::CycleOfSeveral(uint32_t i, uint32_t& first, uint32_t& last) const {
  const MS_SEGMENT_BLOCK& seg = segments_[segmentOfScan_[i]];
  uint32_t scan = firstScan_ + i;
  uint32_t start = scan - (scan - seg.firstScan) % seg.functionCount;
  uint64_t end = std::min<uint64_t>(uint64_t{start} + seg.functionCount - 1, seg.lastScan);
  first = start - firstScan_;
  last = static_cast<uint32_t>(end - firstScan_);
}

// ---- Writing ---------------------------------------------------------------

bool ImageBuilder::AddSegment(const MS_SEGMENT_BLOCK& block) {
  if (block.number < 1 || block.number > kMaxSegments || block.functionCount < 1) return false;
  for (auto& s : segments_)
    if (s.number == block.number) return s = block, true;
  segments_.push_back(block);
  return true;
}

bool ImageBuilder::AddScan(const MS_SCAN_HEADER& header, const std::vector<Peak>& peaks) {
  if (peaks.size() > MS_MAX_SCAN_POINTS || !std::isfinite(header.time)) return false;
  Scan s;
  s.header = header;
  auto byMass = [](const Peak& a, const Peak& b) { return a.mass < b.mass; };
  // Scans come in mass order nearly always: they are taken as they are.
  std::vector<Peak> sortedCopy;
  const std::vector<Peak>* sorted = &peaks;
  if (!std::is_sorted(peaks.begin(), peaks.end(), byMass)) {
    sortedCopy = peaks;
    std::stable_sort(sortedCopy.begin(), sortedCopy.end(), byMass);
    sorted = &sortedCopy;
  }
  s.masses.reserve(sorted->size());
  s.intensities.reserve(sorted->size());
  s.flags.reserve(sorted->size());
  for (const Peak& p : *sorted) {
    if (!std::isfinite(p.mass)) return false;
    s.masses.push_back(p.mass);
    s.intensities.push_back(p.intensity);
    s.flags.push_back(p.flag);
  }
  SummariseInto(*sorted, s.header);
  scans_.push_back(std::move(s));
  return true;
}

bool ImageBuilder::Lay(const std::function<bool(uint64_t)>& begin,
                       const std::function<bool(const void*, size_t)>& put) {
  if (!haveInfo_ || segments_.empty()) return false;
  std::sort(segments_.begin(), segments_.end(), [](auto& a, auto& b) { return a.number < b.number; });
  // Scans come in order nearly always: a sort would still move every one
  // through a buffer of them all.
  auto byNumber = [](const Scan& a, const Scan& b) { return a.header.scanNumber < b.header.scanNumber; };
  if (!std::is_sorted(scans_.begin(), scans_.end(), byNumber)) std::stable_sort(scans_.begin(), scans_.end(), byNumber);
  for (size_t i = 0; i < segments_.size(); ++i)
    if (segments_[i].number != i + 1) return false;
  const uint32_t first = scans_.empty() ? segments_.front().firstScan : scans_.front().header.scanNumber;
  for (size_t i = 0; i < scans_.size(); ++i)
    if (scans_[i].header.scanNumber != first + i) return false;
  const uint32_t count = static_cast<uint32_t>(scans_.size());

  // Each scan learns its segment and function; segments their maxima.
  uint32_t maxPoints = 0;
  MS_INFO_BLOCK info = info_;
  info.maxTic = 0;
  info.maxTicScan = 0;
  for (auto& seg : segments_) {
    if (count == 0) break;
    if (seg.firstScan < first || seg.lastScan < seg.firstScan || seg.lastScan - first >= count) return false;
    seg.maxTic = 0;
    seg.maxTicScan = 0;
    for (uint32_t scan = seg.firstScan; scan <= seg.lastScan; ++scan) {
      MS_SCAN_HEADER& h = scans_[scan - first].header;
      h.segment = seg.number;
      h.function = static_cast<uint8_t>((scan - seg.firstScan) % seg.functionCount);
      if (h.totalIon > seg.maxTic || seg.maxTicScan == 0) seg.maxTic = h.totalIon, seg.maxTicScan = scan;
      if (scan == seg.lastScan) break;
    }
    if (seg.maxTic > info.maxTic || info.maxTicScan == 0) info.maxTic = seg.maxTic, info.maxTicScan = seg.maxTicScan;
  }
  for (size_t s = 1; s < segments_.size(); ++s)
    if (count > 0 && segments_[s].firstScan <= segments_[s - 1].lastScan) return false;
  for (auto& sc : scans_) maxPoints = std::max<uint32_t>(maxPoints, static_cast<uint32_t>(sc.masses.size()));

  info.segmentCount = static_cast<uint16_t>(segments_.size());
  info.firstScan = first;
  info.lastScan = count ? first + count - 1 : first;
  info.maxScanPoints = maxPoints;
  if (formatWord_) info.formatWord = formatWord_;
  if (info.extraColumnCount > MS_MAX_EXTRA_COLUMNS) return false;

  ImageHeader h{};
  std::memcpy(h.magic, kImageMagic, 8);
  h.version = kImageVersion;
  h.flags = live_ ? kImageLive : 0;
  h.segmentCount = static_cast<uint32_t>(segments_.size());
  h.scanCount = count;
  h.firstScan = first;
  h.maxPoints = maxPoints;
  h.infoOffset = kImageHeaderSize;
  h.segmentsOffset = h.infoOffset + MS_INFO_BLOCK_SIZE;
  h.indexOffset = h.segmentsOffset + uint64_t{h.segmentCount} * MS_SEGMENT_BLOCK_SIZE;
  const uint64_t headersOffset = h.indexOffset + uint64_t{count} * kIndexEntrySize;
  h.dataOffset = headersOffset + uint64_t{count} * MS_SCAN_HEADER_SIZE;
  uint64_t total = h.dataOffset;
  for (auto& sc : scans_) total += sc.masses.size() * uint64_t{MS_EXCHANGE_ENTRY_SIZE};
  if (total > 0xFFFFFFF0u) return false;  // sections and raw files stay below 4 GB
  h.dataEnd = total;

  if (!begin(total)) return false;
  // In the order the bytes lie: nothing of the image is held whole here.
  if (!put(&h, sizeof h) || !put(&info, MS_INFO_BLOCK_SIZE)) return false;
  for (size_t s = 0; s < segments_.size(); ++s)
    if (!put(&segments_[s], MS_SEGMENT_BLOCK_SIZE)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const Scan& sc = scans_[i];
    const uint64_t headerAt = headersOffset + uint64_t{i} * MS_SCAN_HEADER_SIZE;
    IndexEntry e{headerAt, static_cast<uint32_t>(sc.masses.size()), 0, sc.header.time};
    if (!put(&e, sizeof e)) return false;
  }
  for (uint32_t i = 0; i < count; ++i)
    if (!put(&scans_[i].header, MS_SCAN_HEADER_SIZE)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    Scan& sc = scans_[i];
    const size_t n = sc.masses.size();
    if (n && (!put(sc.masses.data(), 8 * n) || !put(sc.intensities.data(), 4 * n) || !put(sc.flags.data(), n)))
      return false;
    // Each scan's points go as soon as they are laid out, so that the
    // scans and the image are not both held whole.
    sc.masses = {};
    sc.intensities = {};
    sc.flags = {};
  }
  scans_.clear();
  return true;
}

bool ImageBuilder::Build(std::vector<uint8_t>& out) {
  out.clear();
  return Lay(
      [&](uint64_t total) {
        out.reserve(total);
        return true;
      },
      [&](const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
        return true;
      });
}

// ---- Raw MS files ------------------------------------------------------------

bool RawHeaderPasses(const uint8_t* bytes, size_t available, uint64_t fileLength) {
  if (available < MS_RAW_HEADER_SIZE) return false;
  MS_RAW_HEADER h;
  std::memcpy(&h, bytes, sizeof h);
  return h.zero0 == 0 && h.zero2 == 0 && h.one38 == 1 && h.headerWord == 16 && h.revision <= 4 &&
         h.infoOffset <= fileLength && h.segmentOffset <= fileLength && h.dataEnd <= fileLength;
}

std::shared_ptr<const Image> OpenRawImage(Bytes fileBytes) {
  if (!RawHeaderPasses(fileBytes.data(), fileBytes.size(), fileBytes.size())) return nullptr;
  return Image::Open(std::move(fileBytes), MS_RAW_HEADER_SIZE);
}

namespace {

// The image behind a raw file's header: offsets shifted past it.
class BehindHeader : public ByteSource {
 public:
  explicit BehindHeader(std::unique_ptr<ByteSource> file) : file_(std::move(file)) {}
  uint64_t Size() const override { return file_->Size() - MS_RAW_HEADER_SIZE; }
  bool Read(uint64_t offset, void* out, size_t length) override {
    return offset <= UINT64_MAX - MS_RAW_HEADER_SIZE && file_->Read(offset + MS_RAW_HEADER_SIZE, out, length);
  }
  const uint8_t* InPlace(uint64_t offset, size_t length) const override {
    return offset <= UINT64_MAX - MS_RAW_HEADER_SIZE ? file_->InPlace(offset + MS_RAW_HEADER_SIZE, length) : nullptr;
  }

 private:
  std::unique_ptr<ByteSource> file_;
};

}  // namespace

std::shared_ptr<const Image> OpenRawImage(std::unique_ptr<ByteSource> source) {
  if (!source || source->Size() < MS_RAW_HEADER_SIZE) return nullptr;
  uint8_t head[MS_RAW_HEADER_SIZE];
  if (!source->Read(0, head, sizeof head) || !RawHeaderPasses(head, sizeof head, source->Size())) return nullptr;
  return Image::Open(std::make_unique<BehindHeader>(std::move(source)));
}

bool MakeRawFile(const std::vector<uint8_t>& image, std::vector<uint8_t>& file) {
  if (image.size() < kImageHeaderSize) return false;
  ImageHeader ih;
  std::memcpy(&ih, image.data(), sizeof ih);
  MS_INFO_BLOCK info;
  std::memcpy(&info, image.data() + ih.infoOffset, sizeof info);
  MS_RAW_HEADER h{};
  h.fileType = info.fileType;
  h.module = info.module;
  h.one38 = 1;
  h.acquisitionTime = info.acquisitionTime;
  std::string desc = AsciiFromWide(info.description, 256);
  std::string op = AsciiFromWide(info.operatorName, 32);
  std::string sample = AsciiFromWide(info.sampleName, 22);
  std::strncpy(h.description, desc.c_str(), sizeof h.description - 1);
  std::strncpy(h.operatorName, op.c_str(), sizeof h.operatorName - 1);
  std::strncpy(h.sampleName, sample.c_str(), sizeof h.sampleName - 1);
  h.headerWord = 16;
  h.revision = 1;
  h.infoOffset = static_cast<uint32_t>(MS_RAW_HEADER_SIZE + ih.infoOffset);
  h.segmentOffset = static_cast<uint32_t>(MS_RAW_HEADER_SIZE + ih.segmentsOffset);
  h.indexOffset = static_cast<uint32_t>(MS_RAW_HEADER_SIZE + ih.indexOffset);
  h.dataEnd = static_cast<uint32_t>(MS_RAW_HEADER_SIZE + ih.dataEnd);
  file.resize(MS_RAW_HEADER_SIZE + image.size());
  std::memcpy(file.data(), &h, sizeof h);
  std::memcpy(file.data() + MS_RAW_HEADER_SIZE, image.data(), image.size());
  return true;
}

}  // namespace quorna
