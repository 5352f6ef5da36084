// Read-only section handles that read in place; see section_reading.h.
#include "section_reading.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "win/win_child.h"

namespace orvik {
namespace {

class InPlace;

// The live in-place handles of this process and the thread that makes
// them let go when another process wants to write.
class Watch {
 public:
  static Watch& Get() {
    static Watch* w = [] {
      auto* made = new Watch();  // outlives every handle
      win::child::AtFork(BeforeFork, AfterFork, AfterForkInChild);
      return made;
    }();
    return *w;
  }
  void Add(const std::shared_ptr<InPlace>& h);
  std::vector<std::shared_ptr<InPlace>> Live(const std::string* hostPath);
  void Stop();

 private:
  void Loop();
  // The watch thread works inside the gate; a fork waits for it to rest.
  static void BeforeFork() {
    Gate().lock();
    Get().m_.lock();
  }
  static void AfterFork() {
    Get().m_.unlock();
    Gate().unlock();
  }
  // The child has no watch thread, but the condition variable still counts
  // the parent's thread as waiting on it: the first notify would wait for
  // that thread for ever. The child starts with a fresh one (the old one
  // is left as it is; no thread of the child uses it).
  static void AfterForkInChild() {
    new (&Get().wake_) std::condition_variable();
    AfterFork();
  }
  static std::mutex& Gate() {
    static auto* gate = new std::mutex();
    return *gate;
  }
  std::mutex m_;
  std::condition_variable wake_;
  std::vector<std::weak_ptr<InPlace>> handles_;
  std::thread* thread_ = nullptr;
  int threadPid_ = 0;
  bool stop_ = false;
  // The thread waits with nothing to watch: only then does a new handle
  // wake it. While it watches it looks again every interval anyway, and a
  // wake per open would cost a thread switch and a lock check per handle.
  bool resting_ = false;
};

// Joins the watch thread before the process's statics go away.
struct WatchStopper {
  ~WatchStopper() { Watch::Get().Stop(); }
} g_stopper;

constexpr auto kWatchInterval = std::chrono::milliseconds(4);

class InPlace : public SectionBase {
 public:
  // blob is open on the section (unless it is empty), in a read
  // transaction of conn.
  InPlace(ConnPtr conn, std::unique_ptr<SectionBlob> blob, uint32_t size)
      : conn_(std::move(conn)), host_(conn_->hostPath()), size_(size), blob_(std::move(blob)),
        chunks_((size + kChunk - 1) / kChunk), seen_(chunks_.size(), false) {
    // Taken in the read transaction the open blob holds: the version of
    // the bytes this handle reads. SQLite's pager counts every commit to
    // the file, by this connection or any other, in any process.
    unsigned version = 0;
    stateKnown_ = blob_->open() && sqlite3_file_control(conn_->db(), "main", SQLITE_FCNTL_DATA_VERSION, &version) ==
                                       SQLITE_OK;
    version_ = version;
  }
  ~InPlace() override { Release(); }

  const std::string& host() const { return host_; }

  bool Close() override {
    Release();
    return true;
  }

  uint32_t Size() override { return size_; }

  uint32_t Seek(int32_t offset, int32_t origin) override {
    std::lock_guard<std::mutex> lock(m_);
    int64_t base;
    switch (origin) {
      case 0: base = 0; break;
      case 1: base = pos_; break;
      case 2: base = size_; break;
      default: return 0xFFFFFFFFu;
    }
    const int64_t target = base + offset;
    if (target < 0 || target > MaxSectionSize()) return 0xFFFFFFFFu;
    pos_ = static_cast<uint32_t>(target);
    return pos_;
  }

  uint32_t Read(void* buffer, uint32_t count) override {
    std::lock_guard<std::mutex> lock(m_);
    if (!buffer || pos_ >= size_) return 0;
    const uint32_t n = std::min(count, size_ - pos_);
    auto* out = static_cast<uint8_t*>(buffer);
    // Once the kept chunks fill their budget, chunks are read again for
    // each use: a handle on a large section must not come to hold it.
    const bool keptFull = keptBytes_ >= kKeptBytes;
    for (uint32_t done = 0; done < n;) {
      const uint32_t at = pos_ + done;
      const uint32_t i = at / kChunk;
      const uint32_t within = at % kChunk;
      uint32_t take = std::min(n - done, kChunk - within);
      if (i >= chunks_.size()) return 0;  // let go without a whole copy
      const uint8_t* chunk = nullptr;
      if (chunks_[i]) {
        chunk = chunks_[i].get() + within;
      } else if (windowLen_ > 0 && at >= windowAt_ && at < windowAt_ + windowLen_) {
        take = std::min(take, windowAt_ + windowLen_ - at);
        chunk = window_.get() + (at - windowAt_);
      } else if ((!seen_[i] || keptFull) && within == 0 && take == std::min(kChunk, size_ - at)) {
        // A whole chunk asked for the first time goes straight to the
        // caller; only a chunk asked for again is kept, while the kept
        // chunks fit in kKeptBytes.
        if (!blob_->Read(out + done, take, at)) return 0;
        seen_[i] = true;
      } else if (take >= kDirectBytes) {
        // A large part of a chunk goes straight to the caller too: the
        // caller asked for these bytes and no more, and reading the whole
        // chunk around them would cost more than they do.
        if (!blob_->Read(out + done, take, at)) return 0;
        seen_[i] = true;
      } else if (!seen_[i] || keptFull || (windowLen_ > 0 && at == windowAt_ + windowLen_)) {
        // Part of a chunk met for the first time (or again, once no more
        // are kept), or read on from the window's end: the bytes from here
        // on go into the one small read-ahead window, which serves the
        // small reads that follow without a call into SQLite each. Never
        // the whole chunk: a few hundred bytes asked for must not cost a
        // copy of a quarter megabyte.
        if (!WindowLocked(at, kChunk - within)) return 0;
        seen_[i] = true;
        take = std::min(take, windowLen_);
        chunk = window_.get();
      } else {
        chunk = ChunkLocked(i);
        if (!chunk) return 0;
        chunk += within;
      }
      if (chunk) std::memcpy(out + done, chunk, take);
      done += take;
    }
    pos_ += n;
    return n;
  }

  bool Head(FileHead* head) override {
    std::lock_guard<std::mutex> lock(m_);
    return conn_ && HeadOf(conn_.get(), head);
  }

  // While the blob is open, in the read transaction it keeps: the same
  // state of the file as the section read.
  int HasSection(const char* name) override {
    std::lock_guard<std::mutex> lock(m_);
    if (!conn_ || !blob_->open()) return -1;
    Query q(conn_.get(), kFindSectionSql);
    if (!q.ok() || sqlite3_bind_text(q.get(), 1, name, -1, SQLITE_STATIC) != SQLITE_OK) return -1;
    const int rc = sqlite3_step(q.get());
    return rc == SQLITE_ROW ? 1 : rc == SQLITE_DONE ? 0 : -1;
  }

  bool ReadState(uint64_t* reader, uint32_t* version) override {
    if (!stateKnown_) return false;
    *reader = connSerial_;
    *version = version_;
    return true;
  }

  // True when some connection (here or elsewhere) is about to write.
  bool WriterWaiting() {
    std::lock_guard<std::mutex> lock(m_);
    if (!blob_->open()) return false;
    sqlite3_file* f = nullptr;
    if (sqlite3_file_control(conn_->db(), "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
        !f->pMethods) {
      return true;
    }
    int reserved = 0;
    return f->pMethods->xCheckReservedLock(f, &reserved) != SQLITE_OK || reserved != 0;
  }

  // Copies what it has not read yet of the section as held, then lets
  // the file go.
  void Yield() {
    std::lock_guard<std::mutex> lock(m_);
    if (!blob_->open()) return;
    bool whole = true;
    windowLen_ = 0;
    for (uint32_t i = 0; whole && i < chunks_.size(); ++i) whole = ChunkLocked(i) != nullptr;
    if (!whole) chunks_.clear();  // reads fail from now on, never show another version
    CloseBlobLocked();
  }

 private:
  void Release() {
    std::lock_guard<std::mutex> lock(m_);
    CloseBlobLocked();
    conn_ = ConnPtr();
  }
  void CloseBlobLocked() {
    blob_->Close();
  }
  // The bytes of chunk i, read from the blob the first time; null when
  // they cannot be had.
  const uint8_t* ChunkLocked(uint32_t i) {
    if (i >= chunks_.size()) return nullptr;
    if (chunks_[i]) return chunks_[i].get();
    if (!blob_->open()) return nullptr;
    const uint32_t start = i * kChunk;
    const uint32_t n = std::min(kChunk, size_ - start);
    std::unique_ptr<uint8_t[]> c(new (std::nothrow) uint8_t[n]);
    if (!c || !blob_->Read(c.get(), n, start)) {
      return nullptr;
    }
    chunks_[i] = std::move(c);
    keptBytes_ += n;
    return chunks_[i].get();
  }

  // The read-ahead window filled with the bytes from `at` on, at most
  // `room` of them (to its chunk's end); false when they cannot be had.
  bool WindowLocked(uint32_t at, uint32_t room) {
    windowLen_ = 0;
    if (!blob_->open() || at >= size_) return false;
    if (!window_) {
      window_.reset(new (std::nothrow) uint8_t[kWindowBytes]);
      if (!window_) return false;
    }
    const uint32_t n = std::min({kWindowBytes, room, size_ - at});
    if (!blob_->Read(window_.get(), n, at)) return false;
    windowAt_ = at;
    windowLen_ = n;
    return true;
  }

  // Bytes read more than once are kept by chunk: only the parts asked for
  // are ever read.
  static constexpr uint32_t kChunk = 256 * 1024;
  static constexpr uint32_t kWindowBytes = 16 * 1024;
  static constexpr uint32_t kDirectBytes = 4 * 1024;
  static constexpr uint64_t kKeptBytes = 8ull << 20;

  std::mutex m_;
  ConnPtr conn_;
  const uint64_t connSerial_ = conn_->serial;
  const std::string host_;
  const uint32_t size_;
  uint32_t pos_ = 0;
  std::unique_ptr<SectionBlob> blob_;
  std::vector<std::unique_ptr<uint8_t[]>> chunks_;
  std::vector<bool> seen_;
  std::unique_ptr<uint8_t[]> window_;  // kWindowBytes, made when first used
  uint32_t windowAt_ = 0;
  uint32_t windowLen_ = 0;  // 0: holds nothing
  uint64_t keptBytes_ = 0;  // in chunks_
  bool stateKnown_ = false;
  uint32_t version_ = 0;
};

void Watch::Add(const std::shared_ptr<InPlace>& h) {
  std::lock_guard<std::mutex> lock(m_);
  handles_.erase(std::remove_if(handles_.begin(), handles_.end(), [](auto& w) { return w.expired(); }),
                 handles_.end());
  handles_.push_back(h);
  // A forked child has no watch thread of its own yet.
  const int pid = win::child::CurrentProcessId();
  if (!thread_ || threadPid_ != pid) {
    stop_ = false;
    threadPid_ = pid;
    resting_ = false;
    thread_ = new std::thread([this] { Loop(); });  // the parent's, in a child, is left alone
  }
  if (resting_) wake_.notify_all();
}

std::vector<std::shared_ptr<InPlace>> Watch::Live(const std::string* hostPath) {
  std::lock_guard<std::mutex> lock(m_);
  std::vector<std::shared_ptr<InPlace>> out;
  for (auto& w : handles_) {
    if (auto h = w.lock()) {
      if (!hostPath || h->host() == *hostPath) out.push_back(std::move(h));
    }
  }
  return out;
}

void Watch::Loop() {
  std::unique_lock<std::mutex> lock(m_);
  while (!stop_) {
    const bool idle = std::all_of(handles_.begin(), handles_.end(), [](auto& w) { return w.expired(); });
    if (idle) {
      handles_.clear();
      resting_ = true;
      wake_.wait(lock);
      resting_ = false;
      continue;
    }
    wake_.wait_for(lock, kWatchInterval);
    lock.unlock();
    {
      std::lock_guard<std::mutex> gate(Gate());
      // Handles are looked at without the list's lock: they take their own.
      for (auto& h : Live(nullptr)) {
        if (h->WriterWaiting()) h->Yield();
      }
    }
    lock.lock();
  }
}

void Watch::Stop() {
  std::thread* t = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_);
    if (!thread_ || threadPid_ != win::child::CurrentProcessId()) return;
    stop_ = true;
    t = thread_;
    thread_ = nullptr;
    wake_.notify_all();
  }
  t->join();
  delete t;
}

}  // namespace

std::shared_ptr<SectionBase> OpenSectionInPlace(const char* path, const char* name) {
  ConnPtr c = Connect(path);
  if (!c) return nullptr;
  // Closed before the connection goes back to the pool.
  auto blob = std::make_unique<SectionBlob>();
  SectionPlace place;
  // The blob opens in the read transaction that found the section, so the
  // bytes found are the bytes held.
  if (!LocateSection(c.get(), name, &place, blob.get()) || place.size > MaxSectionSize()) return nullptr;
  auto h = std::make_shared<InPlace>(std::move(c), std::move(blob), static_cast<uint32_t>(place.size));
  if (h->Size() > 0) Watch::Get().Add(h);
  return h;
}

void YieldReaders(const std::string& hostPath) {
  for (auto& h : Watch::Get().Live(&hostPath)) h->Yield();
}

}  // namespace orvik
