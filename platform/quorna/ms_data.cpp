// MS data handles: opening, file facts, traces, scans and writing.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "orvik32/orvik32.h"
#include "quorna/host_files.h"
#include "quorna/ms_image.h"
#include "quorna/ms_keep.h"
#include "quorna/ms_reading.h"
#include "quorna/quorna.h"

namespace quorna {
namespace {

constexpr uint32_t kHandleMagic = 0x514D5344;  // "QMSD"

struct MsData {
  uint32_t magic = kHandleMagic;
  std::shared_ptr<const Image> image;   // reading handles
  std::unique_ptr<ImageBuilder> builder;  // writing handles
  bool raw = false;
  bool failed = false;  // a write was refused; nothing will be stored
  std::string path;
  std::string section;
};

std::mutex gMutex;
std::unordered_set<MsData*>& Live() {
  static std::unordered_set<MsData*> live;
  return live;
}

MsData* Lookup(HMSDATA h) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto* d = static_cast<MsData*>(h);
  return h && Live().count(d) ? d : nullptr;
}

const Image* Reading(HMSDATA h) {
  MsData* d = Lookup(h);
  return d && d->image ? d->image.get() : nullptr;
}

void CloseFromStore(void* h) { CloseMSData(h); }

HMSDATA Register(std::unique_ptr<MsData> d) {
  MsData* raw = d.release();
  {
    std::lock_guard<std::mutex> lock(gMutex);
    Live().insert(raw);
  }
  RegisterForeignHandle(raw, &CloseFromStore);
  return raw;
}

// The path at the start of a path or of a record that begins with one.
bool PathFrom(const void* pathOrRecord, std::string& path) {
  if (!pathOrRecord) return false;
  const char* p = static_cast<const char*>(pathOrRecord);
  size_t n = strnlen(p, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return false;
  path.assign(p, n);
  return true;
}

// The store's word for the state of the file a section was read in: two
// reads in the same state read the same bytes.
struct ReadState {
  bool known = false;
  uint64_t reader = 0;
  uint32_t version = 0;
  uint32_t size = 0;
  bool Same(const ReadState& o) const {
    return known && o.known && reader == o.reader && version == o.version && size == o.size;
  }
};

// A section read in place through the section store's handle.
class SectionSource : public ByteSource {
 public:
  explicit SectionSource(HSECTION s) : s_(s), size_(GetSectionSize(s)) {
    state_.known = GetSectionReadState(s, &state_.reader, &state_.version) != FALSE;
    state_.size = size_;
  }
  const ReadState& State() const { return state_; }
  ~SectionSource() override { CloseSection(s_); }
  uint64_t Size() const override { return size_ == 0xFFFFFFFFu ? 0 : size_; }
  void* StoreHandle() const override { return s_; }
  bool Read(uint64_t offset, void* out, size_t length) override {
    if (offset > Size() || length > Size() - offset) return false;
    // Positions are 32-bit; seeks take a signed distance.
    if (offset > uint64_t{INT32_MAX}) {
      if (SeekSection(s_, INT32_MAX, 0) != uint32_t{INT32_MAX} ||
          SeekSection(s_, static_cast<int32_t>(offset - INT32_MAX), 1) != offset)
        return false;
    } else if (SeekSection(s_, static_cast<int32_t>(offset), 0) != offset) {
      return false;
    }
    auto* p = static_cast<uint8_t*>(out);
    for (size_t done = 0; done < length;) {
      const uint32_t want = static_cast<uint32_t>(std::min<size_t>(length - done, 1u << 30));
      const uint32_t got = ReadSection(s_, p + done, want);
      if (got == 0 || got > want) return false;
      done += got;
    }
    return true;
  }

 private:
  HSECTION s_;
  uint32_t size_;
  ReadState state_;
};

// Data sets closed lately, kept without their sources (so they hold no
// file), with the state of the file they were read in. The next open of
// one that finds the file in that state reads on from what was read then,
// instead of reading and checking it all anew.
struct Closed {
  std::string path, section;
  ReadState state;
  std::shared_ptr<Image> image;
};
constexpr size_t kClosedImages = 2;
// Closed runs are kept only while they are small: the bytes they hold
// stay idle, and a large run's reader must stay within its own budget.
constexpr uint64_t kClosedBytes = 32ull << 20;

std::vector<Closed>& ClosedList() {
  static auto* closed = new std::vector<Closed>();  // outlives every handle
  return *closed;
}

// Data sets kept open (KeepMSDataOpen): their images, by path (any case,
// as the workstation's file system) and section.
struct Kept {
  std::string path, section;
  int holds = 0;
  std::shared_ptr<const Image> image;  // null until first opened, or after a write
  bool raw = false;
  bool memoryOnly = false;  // writes go to the image alone (KeepMSDataInMemory)
};

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y))) return false;
  }
  return true;
}

std::vector<Kept>& KeptList() {
  static auto* kept = new std::vector<Kept>();  // outlives every handle
  return *kept;
}

// Called with gMutex held.
Kept* FindKept(const std::string& path, const std::string& section) {
  for (Kept& k : KeptList())
    if (SameName(k.path, path) && SameName(k.section, section)) return &k;
  return nullptr;
}

// The image closed last under this path and section, when its file is in
// the state it was read in (it leaves the list either way).
std::shared_ptr<Image> TakeClosed(const std::string& path, const std::string& section, const ReadState& now) {
  Closed found;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto& list = ClosedList();
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (SameName(it->path, path) && SameName(it->section, section)) {
        found = std::move(*it);
        list.erase(it);
        break;
      }
    }
  }
  if (!found.image || !found.state.Same(now)) return nullptr;
  return std::move(found.image);
}

// Keeps a closed data set's image for the next open, when nothing else
// holds it and the store told the state it was read in. Its source (the
// store's handle) closes either way.
void KeepClosed(MsData& d) {
  if (d.raw || d.builder || !d.image) return;
  std::unique_ptr<ByteSource> source;
  std::vector<Closed> gone;  // let go outside the lock
  std::lock_guard<std::mutex> lock(gMutex);
  // Held elsewhere (another handle, a kept data set): not ours to change.
  // No one can take a new hold on it but through d.
  if (d.image.use_count() != 1) return;
  auto* was = dynamic_cast<const SectionSource*>(d.image->Source());
  if (!was || !was->State().known) return;
  if (!d.image->HeldWhole() || was->State().size > kClosedBytes) return;
  Closed closed{d.path, d.section, was->State(), std::const_pointer_cast<Image>(std::move(d.image))};
  source = closed.image->TakeSource();
  auto& list = ClosedList();
  for (auto it = list.begin(); it != list.end();) {
    if (SameName(it->path, d.path) && SameName(it->section, d.section)) {
      gone.push_back(std::move(*it));
      it = list.erase(it);
    } else {
      ++it;
    }
  }
  uint64_t held = was->State().size;
  for (const Closed& c : list) held += c.state.size;
  while (!list.empty() && (list.size() >= kClosedImages || held > kClosedBytes)) {
    held -= list.back().state.size;
    gone.push_back(std::move(list.back()));
    list.pop_back();
  }
  list.insert(list.begin(), std::move(closed));
}

std::shared_ptr<const Image> OpenImage(const std::string& path, const char* section, bool* raw) {
  *raw = false;
  try {
    if (section && *section) {
      uint8_t status[272];
      HSECTION s = OpenSectionReadOnlyShared(path.c_str(), section, status);
      if (!s) return nullptr;
      auto source = std::make_unique<SectionSource>(s);
      if (std::shared_ptr<Image> kept = TakeClosed(path, section, source->State())) {
        kept->GiveSource(std::move(source));
        return kept;
      }
      return Image::Open(std::move(source));
    }
    *raw = true;
    return OpenRawImage(OpenHostFile(path));
  } catch (...) {
    return nullptr;
  }
}

HMSDATA OpenForReading(const std::string& path, const char* section) {
  std::shared_ptr<const Image> img;
  bool raw = false;
  const std::string sectionName = section ? section : "";
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (Kept* k = FindKept(path, sectionName)) img = k->image, raw = k->raw;
  }
  if (!img) {
    img = OpenImage(path, section, &raw);
    if (img) {
      std::lock_guard<std::mutex> lock(gMutex);
      Kept* k = FindKept(path, sectionName);
      if (k && !k->image) k->image = img, k->raw = raw;
    }
  }
  if (!img) return nullptr;
  auto d = std::make_unique<MsData>();
  d->image = std::move(img);
  d->raw = raw;
  d->path = path;
  d->section = sectionName;
  return Register(std::move(d));
}

// A data set written anew is read anew by later opens.
void ForgetKept(const std::string& path, const std::string& section) {
  std::shared_ptr<const Image> old;  // let go outside the lock
  std::lock_guard<std::mutex> lock(gMutex);
  if (Kept* k = FindKept(path, section)) old = std::move(k->image);
}

// An image already built whole (one that is also kept for reading) goes
// into its section as it is.
bool WriteSectionBytes(const std::string& path, const std::string& section, std::vector<uint8_t>& bytes) {
  uint8_t status[272];
  HSECTION s = CreateSection(path.c_str(), section.c_str(), status);
  if (!s) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(bytes.size() - at, 1u << 24));
    ok = WriteSection(s, bytes.data() + at, chunk) == chunk;
    at += chunk;
  }
  std::vector<uint8_t>().swap(bytes);
  return CloseSection(s) && ok;
}

// Lays the builder's image straight into the section a piece at a time:
// the image is never held whole beside the section's own bytes. No section
// is made when the parts do not fit together.
bool WriteSectionImage(const std::string& path, const std::string& section, ImageBuilder& builder) {
  HSECTION s = nullptr;
  std::vector<uint8_t> piece;
  constexpr size_t kPiece = 1u << 20;
  bool written = true;
  auto flush = [&] {
    written = written && (piece.empty() || WriteSection(s, piece.data(), static_cast<uint32_t>(piece.size())) ==
                                               piece.size());
    piece.clear();
    return written;
  };
  const bool laid = builder.Lay(
      [&](uint64_t) {
        uint8_t status[272];
        s = CreateSection(path.c_str(), section.c_str(), status);
        piece.reserve(kPiece);
        return s != nullptr;
      },
      [&](const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        while (n > 0) {
          const size_t take = std::min(n, kPiece - piece.size());
          piece.insert(piece.end(), b, b + take);
          b += take, n -= take;
          if (piece.size() == kPiece && !flush()) return false;
        }
        return true;
      });
  if (!s) return false;
  const bool ok = laid && flush();
  return CloseSection(s) && ok;
}

// 0: not kept; 1: kept; 2: kept in memory only.
int KeptAs(const std::string& path, const std::string& section) {
  std::lock_guard<std::mutex> lock(gMutex);
  const Kept* k = FindKept(path, section);
  return !k ? 0 : k->memoryOnly ? 2 : 1;
}

// The image a kept data set is read from next (nothing when it is no
// longer kept).
void KeepImage(const std::string& path, const std::string& section, std::shared_ptr<const Image> image) {
  std::shared_ptr<const Image> old;  // let go outside the lock
  std::lock_guard<std::mutex> lock(gMutex);
  if (Kept* k = FindKept(path, section)) old = std::move(k->image), k->image = std::move(image), k->raw = false;
}

int32_t WriteOut(MsData& d) {
  if (d.failed) return -1;
  bool ok;
  const int kept = d.raw ? 0 : KeptAs(d.path, d.section);
  if (!d.raw && !kept) {
    // Forgotten after the write too: an open between the two keeps nothing old.
    ForgetKept(d.path, d.section);
    ok = WriteSectionImage(d.path, d.section, *d.builder);
    ForgetKept(d.path, d.section);
    return ok ? 0 : -1;
  }
  std::vector<uint8_t> image;
  if (!d.builder->Build(image)) return -1;
  ForgetKept(d.path, d.section);
  if (!d.raw) {
    // A data set kept open (a mini run file the engine reads next) is read
    // by later opens from the bytes just written instead of from the file.
    Bytes copy;
    copy.resize(image.size());  // left uninitialised, then copied whole
    if (!image.empty()) std::memcpy(copy.data(), image.data(), image.size());
    std::shared_ptr<const Image> written = Image::Open(std::move(copy));
    if (kept == 2) {
      // Held in memory alone: the file keeps no older data set either.
      if (!written ||
          (SectionExists(d.path.c_str(), d.section.c_str()) && !DeleteSection(d.path.c_str(), d.section.c_str())))
        return -1;
      KeepImage(d.path, d.section, std::move(written));
      return 0;
    }
    ok = WriteSectionBytes(d.path, d.section, image);
    ForgetKept(d.path, d.section);
    if (ok && written) KeepImage(d.path, d.section, std::move(written));
    return ok ? 0 : -1;
  }
  std::vector<uint8_t> file;
  ok = MakeRawFile(image, file) && WriteHostFile(d.path, file);
  ForgetKept(d.path, d.section);
  return ok ? 0 : -1;
}

}  // namespace
}  // namespace quorna

using namespace quorna;

// ---- Opening -----------------------------------------------------------------

QUORNA_API HMSDATA OpenMSData(const void* pathOrWorkFile, const char* section, int32_t mode) {
  std::string path;
  if (mode != 0 || !PathFrom(pathOrWorkFile, path)) return nullptr;
  return OpenForReading(path, section);
}

QUORNA_API HMSDATA OpenMSDataSection(const char* path, const char* section, int32_t mode, uint32_t scanCount,
                                     uint16_t headerWord, uint16_t* scratch) {
  if (scratch) *scratch = 0;
  std::string p;
  if (!PathFrom(path, p)) return nullptr;
  if (mode == 0) return OpenForReading(p, section);
  if (mode != 1) return nullptr;
  try {
    auto d = std::make_unique<MsData>();
    d->builder = std::make_unique<ImageBuilder>();
    d->builder->Reserve(std::min<uint32_t>(scanCount, 1u << 20));
    d->builder->SetFormatWord(headerWord);
    d->raw = !(section && *section);
    d->path = p;
    d->section = section ? section : "";
    return Register(std::move(d));
  } catch (...) {
    return nullptr;
  }
}

QUORNA_API int32_t CopyMSDataSection(HMSDATA handle, const char* path, const char* section) {
  MsData* d = Lookup(handle);
  std::string p;
  if (!d || !d->image || d->raw || !PathFrom(path, p) || !section || !*section) return -1;
  // Into the data set it reads from, the copy would write under itself.
  if (SameName(p, d->path) && SameName(section, d->section)) return -1;
  try {
    ForgetKept(p, section);
    uint8_t status[272];
    HSECTION s = CreateSection(p.c_str(), section, status);
    if (!s) return -1;
    const bool ok = d->image->EachStoredPart([&](const uint8_t* bytes, size_t length) {
      return WriteSection(s, bytes, static_cast<uint32_t>(length)) == length;
    });
    const bool closed = CloseSection(s) != FALSE;
    // Part of an image is no image: what a failed copy stored goes again.
    if (closed && !ok) DeleteSection(p.c_str(), section);
    const bool stored = closed && ok;
    ForgetKept(p, section);
    return stored ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

namespace quorna {
namespace {
// One more hold on a kept data set; memory-only stays once asked for.
BOOL Keep(const char* path, const char* section, bool memoryOnly) {
  std::string p;
  if (!PathFrom(path, p)) return FALSE;
  const std::string name = section ? section : "";
  std::lock_guard<std::mutex> lock(gMutex);
  if (Kept* k = FindKept(p, name)) {
    ++k->holds;
    k->memoryOnly = k->memoryOnly || memoryOnly;
    return TRUE;
  }
  KeptList().push_back(Kept{p, name, 1, nullptr, false, memoryOnly});
  return TRUE;
}
}  // namespace
}  // namespace quorna

QUORNA_API BOOL KeepMSDataOpen(const char* path, const char* section) { return Keep(path, section, false); }

QUORNA_API BOOL KeepMSDataInMemory(const char* path, const char* section) { return Keep(path, section, true); }

QUORNA_API void ReleaseMSDataOpen(const char* path, const char* section) {
  std::string p;
  if (!PathFrom(path, p)) return;
  const std::string name = section ? section : "";
  std::shared_ptr<const Image> last;  // let go outside the lock
  std::lock_guard<std::mutex> lock(gMutex);
  auto& list = KeptList();
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (!SameName(it->path, p) || !SameName(it->section, name)) continue;
    if (--it->holds <= 0) {
      last = std::move(it->image);
      list.erase(it);
    }
    return;
  }
}

QUORNA_API int32_t CloseMSData(HMSDATA handle) {
  MsData* d;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    d = static_cast<MsData*>(handle);
    if (!handle || !Live().erase(d)) return -1;
  }
  UnregisterForeignHandle(d);
  int32_t rc = 0;
  if (d->builder) {
    try {
      rc = WriteOut(*d);
    } catch (...) {
      rc = -1;
    }
  } else {
    try {
      KeepClosed(*d);
    } catch (...) {
    }
  }
  delete d;
  return rc;
}

// ---- File facts ----------------------------------------------------------------

QUORNA_API int32_t ReadMSFileInfo(const void* pathOrWorkFile, uint32_t* acquisitionTime, void* out) {
  HMSDATA h = OpenMSData(pathOrWorkFile, "MSData", 0);
  if (!h) return 0;
  const Image* img = Reading(h);
  int32_t ok = 0;
  if (img && out) {
    MS_INFO_BLOCK info = img->Info();
    // Without scans the data starts and ends where its first segment starts.
    double times[2] = {0.0, 0.0};
    if (img->SegmentCount()) times[0] = times[1] = img->Segment(0).startTime;
    if (img->ScanCount()) times[0] = img->Time(0), times[1] = img->Time(img->ScanCount() - 1);
    std::memcpy(out, &info, MS_INFO_BLOCK_SIZE);
    std::memcpy(static_cast<uint8_t*>(out) + MS_INFO_BLOCK_SIZE, times, sizeof times);
    if (acquisitionTime) *acquisitionTime = info.acquisitionTime;
    ok = 1;
  }
  CloseMSData(h);
  return ok;
}

QUORNA_API int32_t ReadMSInfoFromHandle(HMSDATA handle, void* infoBlock) {
  const Image* img = Reading(handle);
  if (!img || !infoBlock) return -1;
  std::memcpy(infoBlock, &img->Info(), MS_INFO_BLOCK_SIZE);
  return 0;
}

QUORNA_API int32_t ReadMSSegmentBlock(HMSDATA handle, int32_t segment, void* block, int32_t) {
  const Image* img = Reading(handle);
  if (!img || !block || segment < 1 || static_cast<uint32_t>(segment) > img->SegmentCount()) return -1;
  std::memcpy(block, &img->Segment(static_cast<uint32_t>(segment - 1)), MS_SEGMENT_BLOCK_SIZE);
  return 0;
}

QUORNA_API int16_t GetMSDataLiveFlag(HMSDATA handle) {
  const Image* img = Reading(handle);
  return img && img->Live() ? 1 : 0;
}

QUORNA_API int32_t GetMSDataFileType(HMSDATA handle, uint16_t* formatWord) {
  MsData* d = Lookup(handle);
  if (!d || !d->image || d->raw) return -1;
  return GetSectionFileTypeOfSection(d->image->StoreHandle(), formatWord);
}

QUORNA_API BOOL MSDataSectionExists(HMSDATA handle, const char* name) {
  MsData* d = Lookup(handle);
  if (!d || !d->image || d->raw) return FALSE;
  return SectionExistsBeside(d->image->StoreHandle(), d->path.c_str(), name);
}

QUORNA_API int32_t SetMSDataLiveFlag(HMSDATA handle, int16_t live) {
  MsData* d = Lookup(handle);
  if (!d || !d->builder) return -1;
  d->builder->SetLive(live != 0);
  return 0;
}

QUORNA_API uint32_t GetMSScanBufferSize(HMSDATA handle) {
  return static_cast<uint32_t>(ExchangeBytes(ScanBufferPeaks(Reading(handle))));
}

QUORNA_API BOOL IsXMSFileKind(uint16_t fileKind) {
  return fileKind == MS_FILE_KIND_TANDEM || fileKind == MS_FILE_KIND_MSN;
}

// ---- Traces ------------------------------------------------------------------------

QUORNA_API uint32_t ReadMSTrace(HMSDATA handle, const void* request, const STRUCT_CHAN_LIST* channels,
                                const STRUCT_MASS_LIST* masses, void** pointBlock) {
  if (pointBlock) *pointBlock = nullptr;
  const Image* img = Reading(handle);
  if (!img || !request || !pointBlock) return 0;
  MS_TRACE_REQUEST req;
  std::memcpy(&req, request, sizeof req);
  try {
    Trace t;
    if (!MakeTrace(*img, req, channels, masses, t) || t.points.empty()) return 0;
    uint64_t bytes = MS_POINT_BLOCK_HEAD + uint64_t{MS_POINT_SIZE} * (t.points.size() + 1);
    if (bytes > 0xFFFFFFF0u) return 0;
    auto* block = static_cast<uint8_t*>(AllocBlock(static_cast<uint32_t>(bytes)));
    if (!block) return 0;
    uint32_t head[3] = {t.firstScan, t.lastScan, t.isDouble ? 1u : 0u};
    std::memcpy(block, head, sizeof head);
    uint8_t* p = block + MS_POINT_BLOCK_HEAD;
    for (const TracePoint& tp : t.points) {
      std::memcpy(p, &tp.time, 8);
      std::memcpy(p + 8, &tp.flag, 4);
      std::memcpy(p + 12, &tp.value, 8);
      p += MS_POINT_SIZE;
    }
    *pointBlock = block;
    return static_cast<uint32_t>(t.points.size());
  } catch (...) {
    return 0;
  }
}

QUORNA_API void FreeMSTrace(void* pointBlock) {
  if (pointBlock) FreeBlock(pointBlock);
}

// ---- Scans -------------------------------------------------------------------------

namespace {

// The scan a request names; fills the header (and the buffer when given).
bool ReadScanInto(HMSDATA handle, const MS_SCAN_REQUEST* request, const STRUCT_CHAN_LIST* channels,
                  MS_SCAN_HEADER* header, void* buffer, double& time) {
  const Image* img = Reading(handle);
  if (!img || !request) return false;
  try {
    std::vector<uint32_t> members;
    if (!ResolveScan(*img, *request, channels, members)) return false;
    time = img->Time(members.front());
    // The time alone is in the index; one scan's header alone is in the
    // headers region. Neither needs the points, which lie deep in the data.
    if (!buffer && !header) return true;
    MS_SCAN_HEADER h;
    if (!buffer && members.size() == 1) {
      if (!img->ScanHeader(members.front(), h)) return false;
      h.pointCount = img->PointCount(members.front());
      std::memcpy(header, &h, sizeof h);
      return true;
    }
    std::vector<Peak> peaks;
    if (!CombineScans(*img, members, h, peaks)) return false;
    if (buffer) {
      if (peaks.size() > ScanBufferPeaks(img)) return false;
      WriteExchange(buffer, peaks);
    }
    if (header) std::memcpy(header, &h, sizeof h);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

QUORNA_API double FindMSScan(HMSDATA handle, const MS_SCAN_REQUEST* request, const STRUCT_CHAN_LIST* channels,
                             MS_SCAN_HEADER* header) {
  double t = 0;
  return ReadScanInto(handle, request, channels, header, nullptr, t) ? t : 0.0;
}

QUORNA_API double ReadMSScanHeader(HMSDATA handle, const MS_SCAN_REQUEST* request,
                                   const STRUCT_CHAN_LIST* channels, MS_SCAN_HEADER* header, void* scanBuffer) {
  double t = 0;
  return ReadScanInto(handle, request, channels, header, scanBuffer, t) ? t : MS_SCAN_TIME_FAILED;
}

QUORNA_API int32_t ReadMSScan(HMSDATA handle, uint32_t scan, MS_SCAN_RECORD* record, void* peakBuffer) {
  const Image* img = Reading(handle);
  if (!img || !record || !peakBuffer || !img->HasScan(scan)) return -1;
  try {
    ScanView view;
    if (!img->Scan(scan - img->FirstScan(), view)) return -1;
    record->recordSize = sizeof(MS_SCAN_RECORD);
    std::memcpy(&record->header, &view.Header(), MS_SCAN_HEADER_SIZE);
    // Straight from the stored columns into the exchange entries.
    const uint32_t n = view.PointCount();
    auto* out = static_cast<uint8_t*>(peakBuffer);
    std::memcpy(out, &n, 4);
    const uint8_t* masses = view.Masses();
    const uint8_t* counts = view.Intensities();
    const uint8_t* flags = view.Flags();
    uint8_t* p = out + 4;
    for (uint32_t k = 0; k < n; ++k, p += MS_EXCHANGE_ENTRY_SIZE) {
      p[0] = flags[k];
      std::memcpy(p + 1, masses + 8ull * k, 8);
      std::memcpy(p + 9, counts + 4ull * k, 4);
    }
  } catch (...) {
    return -1;
  }
  return 0;
}

QUORNA_API double GetMSScanIndexTime(HMSDATA handle, uint32_t scan) {
  const Image* img = Reading(handle);
  if (!img || !img->HasScan(scan)) return std::numeric_limits<double>::quiet_NaN();
  return img->Time(scan - img->FirstScan());
}

// ---- Writing -----------------------------------------------------------------------

QUORNA_API int32_t WriteMSHeader(HMSDATA handle, const void* infoBlock) {
  MsData* d = Lookup(handle);
  if (!d || !d->builder || !infoBlock) return -1;
  MS_INFO_BLOCK info;
  std::memcpy(&info, infoBlock, sizeof info);
  if (info.extraColumnCount > MS_MAX_EXTRA_COLUMNS) return d->failed = true, -1;
  d->builder->SetInfo(info);
  return 0;
}

QUORNA_API int32_t WriteMSSegment(HMSDATA handle, const void* segmentBlock) {
  MsData* d = Lookup(handle);
  if (!d || !d->builder || !segmentBlock) return -1;
  try {
    auto block = std::make_unique<MS_SEGMENT_BLOCK>();
    std::memcpy(block.get(), segmentBlock, sizeof *block);
    if (!d->builder->AddSegment(*block)) return d->failed = true, -1;
  } catch (...) {
    return d->failed = true, -1;
  }
  return 0;
}

QUORNA_API int32_t WriteMSScan(HMSDATA handle, const MS_SCAN_RECORD* record, const void* peakBuffer) {
  MsData* d = Lookup(handle);
  if (!d || !d->builder || !record || !peakBuffer) return -1;
  try {
    std::vector<Peak> peaks;
    if (!ReadExchange(peakBuffer, MS_MAX_SCAN_POINTS, peaks) || !d->builder->AddScan(record->header, peaks))
      return d->failed = true, -1;
  } catch (...) {
    return d->failed = true, -1;
  }
  return 0;
}

QUORNA_API int32_t MSRangeReadsAsExtract(HMSDATA handle, double from, double to, int32_t listedChannels) {
  const Image* img = Reading(handle);
  if (!img || !(from <= to) || !img->TimesAscend() || img->ScanCount() == 0) return 0;
  uint32_t lo = 0, hi = img->ScanCount();
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (img->Time(mid) < from) lo = mid + 1;
    else hi = mid;
  }
  const uint32_t first = lo;
  uint32_t past = first;
  while (past < img->ScanCount() && img->Time(past) <= to) ++past;
  if (past == first) return 0;
  const uint32_t firstScan = img->FirstScan() + first, lastScan = img->FirstScan() + past - 1;
  ScanView view;
  std::vector<Peak> peaks;
  for (uint32_t i = first; i < past; ++i) {
    if (!img->Scan(i, view)) return 0;
    const MS_SCAN_HEADER& h = view.Header();
    if (h.time != img->Time(i) || h.scanNumber != img->FirstScan() + i || view.PointCount() > MS_MAX_SCAN_POINTS)
      return 0;
    view.Peaks(peaks);
    for (size_t k = 0; k < peaks.size(); ++k)
      if (!std::isfinite(peaks[k].mass) || (k > 0 && peaks[k].mass < peaks[k - 1].mass)) return 0;
    MS_SCAN_HEADER summed = h;
    SummariseInto(peaks, summed);
    if (std::memcmp(&summed, &h, sizeof h) != 0) return 0;
    if (!listedChannels) continue;
    // The extract clips a segment to its first scan in the range and drops
    // segments whose times miss the range: a scan's function and cycle
    // must come out the same.
    const int s = img->SegmentOf(i);
    if (s < 0) return 0;
    const MS_SEGMENT_BLOCK& seg = img->Segment(uint32_t(s));
    // Packed: copied out, not bound.
    const uint32_t segFirst = seg.firstScan, segLast = seg.lastScan, functions = seg.functionCount;
    const double segStart = seg.startTime, segEnd = seg.endTime;
    if (segEnd < from || segStart > to || functions < 1) return 0;
    const uint32_t clippedFirst = segFirst > firstScan ? segFirst : firstScan;
    if ((clippedFirst - segFirst) % functions != 0 || segLast < firstScan || segFirst > lastScan) return 0;
  }
  return 1;
}
