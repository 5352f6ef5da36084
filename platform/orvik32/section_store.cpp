// The sectioned-file store underneath: the prefix, the VFS that keeps the
// SQLite image behind it, pooled connections, and file creation.
#include "section_store.h"

#include "section_reading.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <iterator>
#include <cerrno>
#include <cstring>
#include <list>
#include <mutex>
#include <unordered_map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "orvik32/orvik32.h"
#include "win/win_faults.h"
#include "win/win_file_facts.h"
#include "win/win_lock_holds.h"
#include "win/win_paths.h"

namespace orvik {
namespace {

constexpr char kVfsName[] = "orvik-sections";
constexpr int kBusyTimeoutMs = 10000;
constexpr size_t kMaxIdleConnections = 8;

// ---- The prefix-shifting VFS ----------------------------------------------

struct ShimFile {
  sqlite3_file base;
  sqlite3_int64 offset;  // kPrefixSize for database files, 0 for journals
  sqlite3_file* real;    // the real VFS's file, placed right behind us
  // While this file holds a lock, the kernel calls keep their descriptors
  // of it open: closing one would drop our locks.
  bool keyed;
  bool held;
  win::holds::FileKey key;
  bool journal;       // a rollback journal
  bool headZeroed;    // its last write emptied its header
  bool wal;           // a write-ahead log
  int32_t typeCode;   // a database file's, from its prefix
  std::string* name;  // a write-ahead log's path (owned)
  dev_t walDev;       // and the file it was when opened
  ino_t walIno;
  FileHead head;      // the same prefix's head (type code 0: none read)
  bool gathers;                  // a log whose commits sync it: it gathers its frames
  std::string* gathered;         // a log's frames not yet handed to the real file (owned)
  sqlite3_int64 gatheredAt;      // where they go
  int probeFd;        // a journal opened only to look at its first byte
};

sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
// Set while a new file is being made: xOpen writes this prefix into it.
thread_local const FilePrefix* g_pendingPrefix = nullptr;

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }
sqlite3_int64 Offset(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->offset; }

void EndHold(ShimFile* s) {
  if (!s->held) return;
  s->held = false;
  win::holds::EndLockHold(s->key);
}

// A commit appends its frames to the log one page at a time, two calls a
// frame: a log whose every commit is synced gathers them and hands them to
// the real file in one call at that sync, where a failure fails the commit,
// and before anything else could read them (its own reads, size, truncation
// or close). The index's barrier, which publishes a commit to every reader,
// flushes too; it cannot fail a commit, hence synced logs only.
thread_local ShimFile* t_gatheringWal = nullptr;
// The real file layer writes at most 128 KB - 1 bytes a call (it cuts
// longer writes to that many bits and takes a short one as a full disk).
constexpr size_t kGatherLimit = 120 * 1024;

int FlushGathered(ShimFile* s) {
  if (t_gatheringWal == s) t_gatheringWal = nullptr;
  if (!s->gathered || s->gathered->empty()) return SQLITE_OK;
  const int rc = s->real->pMethods->xWrite(s->real, s->gathered->data(), static_cast<int>(s->gathered->size()),
                                           s->gatheredAt);
  s->gathered->clear();
  return rc;
}
int FlushThreadsGathered() {
  ShimFile* s = t_gatheringWal;
  return s ? FlushGathered(s) : SQLITE_OK;
}

// The write-ahead log this thread closed last, and which file it was.
// SQLite closes a log and then deletes it by name; a file made anew under
// the same name meanwhile may have a log of its own there, which must stay.
// Plain data: connections still close at exit, after this thread's
// objects are gone.
struct ClosedWal {
  char name[4096];  // empty: none
  dev_t dev;
  ino_t ino;
};
thread_local ClosedWal t_closedWal{};

int ShimClose(sqlite3_file* f) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  const int flushed = FlushGathered(s);
  delete s->gathered;
  s->gathered = nullptr;
  if (s->wal && s->name) {
    t_closedWal.name[0] = 0;
    if (s->name->size() < sizeof t_closedWal.name) {
      std::memcpy(t_closedWal.name, s->name->c_str(), s->name->size() + 1);
      t_closedWal.dev = s->walDev;
      t_closedWal.ino = s->walIno;
    }
    delete s->name;
    s->name = nullptr;
  }
  int rc = Real(f)->pMethods->xClose(Real(f));
  EndHold(s);
  return rc != SQLITE_OK ? rc : flushed;
}
int ShimRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  if (const int rc = FlushGathered(reinterpret_cast<ShimFile*>(f)); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xRead(Real(f), buf, amount, offset + Offset(f));
}
// Room left on the injected full disk, in bytes (-1: none injected).
std::atomic<int64_t> g_space{-1};

bool TakeSpace(int amount) {
  int64_t left = g_space.load(std::memory_order_relaxed);
  while (left >= 0) {
    if (left < amount) {
      g_space = 0;
      return false;
    }
    if (g_space.compare_exchange_weak(left, left - amount)) return true;
  }
  return true;
}

// A kept journal is emptied after its commit by zeroing its header.
constexpr int kJournalHeadSize = 28;
bool IsZero(const void* buf, int amount) {
  const auto* p = static_cast<const unsigned char*>(buf);
  for (int i = 0; i < amount; ++i)
    if (p[i]) return false;
  return true;
}

int ShimWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset) {
  win::faults::FileCall();
  if (!win::faults::WriteAllowed()) return SQLITE_FULL;
  if (g_space.load(std::memory_order_relaxed) >= 0) {
    // Only what grows a file takes room on the disk.
    sqlite3_int64 size = 0;
    if (Real(f)->pMethods->xFileSize(Real(f), &size) != SQLITE_OK) return SQLITE_IOERR_WRITE;
    const sqlite3_int64 end = offset + Offset(f) + amount;
    if (end > size && !TakeSpace(static_cast<int>(end - size))) return SQLITE_FULL;
  }
  auto* s = reinterpret_cast<ShimFile*>(f);
  if (s->journal) s->headZeroed = offset == 0 && amount == kJournalHeadSize && IsZero(buf, amount);
  if (s->gathers && g_space.load(std::memory_order_relaxed) < 0 && amount > 0) {
    if (!s->gathered) s->gathered = new (std::nothrow) std::string();
    if (s->gathered) {
      const bool follows = !s->gathered->empty() && s->gatheredAt + sqlite3_int64(s->gathered->size()) == offset;
      if (!follows || s->gathered->size() + size_t(amount) > kGatherLimit) {
        if (const int rc = FlushGathered(s); rc != SQLITE_OK) return rc;
        s->gatheredAt = offset;
      }
      // Another log of this thread's gathers no longer.
      if (t_gatheringWal && t_gatheringWal != s)
        if (const int rc = FlushGathered(t_gatheringWal); rc != SQLITE_OK) return rc;
      s->gathered->append(static_cast<const char*>(buf), size_t(amount));
      t_gatheringWal = s;
      return SQLITE_OK;
    }
  }
  if (const int rc = FlushGathered(s); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xWrite(Real(f), buf, amount, offset + Offset(f));
}
int ShimTruncate(sqlite3_file* f, sqlite3_int64 size) {
  if (const int rc = FlushGathered(reinterpret_cast<ShimFile*>(f)); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xTruncate(Real(f), size + Offset(f));
}
// The header a commit's end zeroed need not wait for the disk: until it
// gets there, a crash plays the journal back, which leaves the file as it
// was before that commit - whole, as a journal removed or cut short without
// a sync does.
int ShimSync(sqlite3_file* f, int flags) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  if (s->journal && s->headZeroed) return SQLITE_OK;
  if (const int rc = FlushGathered(s); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int ShimFileSize(sqlite3_file* f, sqlite3_int64* size) {
  if (const int rc = FlushGathered(reinterpret_cast<ShimFile*>(f)); rc != SQLITE_OK) return rc;
  int rc = Real(f)->pMethods->xFileSize(Real(f), size);
  if (rc == SQLITE_OK) *size = *size > Offset(f) ? *size - Offset(f) : 0;
  return rc;
}
int ShimLock(sqlite3_file* f, int level) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  const bool began = s->keyed && !s->held && level > SQLITE_LOCK_NONE;
  if (began) {
    win::holds::BeginLockHold(s->key);  // before the lock exists
    s->held = true;
  }
  int rc = Real(f)->pMethods->xLock(Real(f), level);
  if (rc != SQLITE_OK && began) EndHold(s);
  return rc;
}
int ShimUnlock(sqlite3_file* f, int level) {
  int rc = Real(f)->pMethods->xUnlock(Real(f), level);
  if (level == SQLITE_LOCK_NONE) EndHold(reinterpret_cast<ShimFile*>(f));  // after it is gone
  return rc;
}
int ShimCheckReserved(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int ShimFileControl(sqlite3_file* f, int op, void* arg) {
  if (const int rc = FlushGathered(reinterpret_cast<ShimFile*>(f)); rc != SQLITE_OK) return rc;
  if (op == SQLITE_FCNTL_MMAP_SIZE) return SQLITE_NOTFOUND;  // no memory mapping
  if (op == SQLITE_FCNTL_SIZE_HINT) {
    sqlite3_int64 hint = *static_cast<sqlite3_int64*>(arg) + Offset(f);
    // A database file grows to its new size before any page is written
    // into it, so a header that counts more pages never lies in a shorter
    // file (a checkpoint writes its first page first).
    sqlite3_int64 size = 0;
    if (Offset(f) > 0 && Real(f)->pMethods->xFileSize(Real(f), &size) == SQLITE_OK && size < hint) {
      if (g_space.load(std::memory_order_relaxed) >= 0 && !TakeSpace(static_cast<int>(hint - size))) return SQLITE_FULL;
      const int rc = Real(f)->pMethods->xTruncate(Real(f), hint);
      if (rc != SQLITE_OK) return rc;
    }
    return Real(f)->pMethods->xFileControl(Real(f), op, &hint);
  }
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int ShimSectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int ShimDeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
// The write-ahead log's index lives in shared memory beside the file, as
// the real file layer keeps it, so other processes share it.
int ShimShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  if (const int rc = FlushThreadsGathered(); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShimShmLock(sqlite3_file* f, int offset, int n, int flags) {
  if (const int rc = FlushThreadsGathered(); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
// A commit's frames are in the log before its index header is whole.
void ShimShmBarrier(sqlite3_file* f) {
  FlushThreadsGathered();
  Real(f)->pMethods->xShmBarrier(Real(f));
}
int ShimShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }

sqlite3_io_methods MakeMethods() {
  sqlite3_io_methods m{};
  m.iVersion = 2;
  m.xClose = ShimClose;
  m.xRead = ShimRead;
  m.xWrite = ShimWrite;
  m.xTruncate = ShimTruncate;
  m.xSync = ShimSync;
  m.xFileSize = ShimFileSize;
  m.xLock = ShimLock;
  m.xUnlock = ShimUnlock;
  m.xCheckReservedLock = ShimCheckReserved;
  m.xFileControl = ShimFileControl;
  m.xSectorSize = ShimSectorSize;
  m.xDeviceCharacteristics = ShimDeviceCharacteristics;
  m.xShmMap = ShimShmMap;
  m.xShmLock = ShimShmLock;
  m.xShmBarrier = ShimShmBarrier;
  m.xShmUnmap = ShimShmUnmap;
  return m;
}
const sqlite3_io_methods g_methods = MakeMethods();

bool HeadValid(const FilePrefix& p) {
  return std::memcmp(p.head.magic, kMagic, sizeof kMagic) == 0 && p.head.layoutVersion == 1 &&
         p.checksum == HeadChecksum(p.head) &&
         p.head.type16 == static_cast<uint16_t>(p.head.typeCode);
}

// A database file either gets the pending prefix (new, empty file) or
// must already carry a valid one.
int CheckPrefix(sqlite3_file* real, int32_t* typeCode, FileHead* head) {
  sqlite3_int64 size = 0;
  if (real->pMethods->xFileSize(real, &size) != SQLITE_OK) return SQLITE_IOERR;
  if (size == 0 && g_pendingPrefix) {
    char block[kPrefixSize] = {};
    std::memcpy(block, g_pendingPrefix, sizeof(FilePrefix));
    *typeCode = g_pendingPrefix->head.typeCode;
    *head = g_pendingPrefix->head;
    return real->pMethods->xWrite(real, block, kPrefixSize, 0);
  }
  if (size < kPrefixSize) return SQLITE_NOTADB;
  FilePrefix p;
  if (real->pMethods->xRead(real, &p, sizeof p, 0) != SQLITE_OK) return SQLITE_NOTADB;
  *typeCode = p.head.typeCode;
  if (!HeadValid(p)) return SQLITE_NOTADB;
  *head = p.head;
  return SQLITE_OK;
}

// Before each read transaction SQLite looks whether the journal beside the
// file is hot: it opens it read-only, reads its first byte and closes it.
// A journal kept between commits is always there, so that look came with
// every read; through the real file layer it costs a stat of the file, a
// change of owner and more. A plain descriptor serves it: opened read-only
// and without the create flag, a main journal is only ever read so (a hot
// one is played back through a read-write open of its own).
bool IsJournalProbe(const char* name, int flags) {
  return name && flags == (SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_JOURNAL);
}

int ProbeClose(sqlite3_file* f) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  const int fd = s->probeFd;
  s->probeFd = -1;
  return fd >= 0 && close(fd) != 0 ? SQLITE_IOERR_CLOSE : SQLITE_OK;
}
int ProbeRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  auto* p = static_cast<char*>(buf);
  int got = 0;
  while (got < amount) {
    const ssize_t n = pread(s->probeFd, p + got, size_t(amount - got), off_t(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SQLITE_IOERR_READ;
    if (n == 0) break;
    got += int(n);
  }
  if (got == amount) return SQLITE_OK;
  std::memset(p + got, 0, size_t(amount - got));  // as the file layer leaves a short read
  return SQLITE_IOERR_SHORT_READ;
}
int ProbeWrite(sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_READONLY; }
int ProbeTruncate(sqlite3_file*, sqlite3_int64) { return SQLITE_READONLY; }
int ProbeSync(sqlite3_file*, int) { return SQLITE_OK; }
int ProbeFileSize(sqlite3_file* f, sqlite3_int64* size) {
  struct stat st;
  if (fstat(reinterpret_cast<ShimFile*>(f)->probeFd, &st) != 0) return SQLITE_IOERR_FSTAT;
  *size = st.st_size;
  return SQLITE_OK;
}
int ProbeLock(sqlite3_file*, int) { return SQLITE_OK; }
int ProbeCheckReserved(sqlite3_file*, int* out) {
  *out = 0;
  return SQLITE_OK;
}
int ProbeFileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int ProbeSectorSize(sqlite3_file*) { return 4096; }
int ProbeDeviceCharacteristics(sqlite3_file*) { return 0; }

sqlite3_io_methods MakeProbeMethods() {
  sqlite3_io_methods m{};
  m.iVersion = 1;
  m.xClose = ProbeClose;
  m.xRead = ProbeRead;
  m.xWrite = ProbeWrite;
  m.xTruncate = ProbeTruncate;
  m.xSync = ProbeSync;
  m.xFileSize = ProbeFileSize;
  m.xLock = ProbeLock;
  m.xUnlock = ProbeLock;
  m.xCheckReservedLock = ProbeCheckReserved;
  m.xFileControl = ProbeFileControl;
  m.xSectorSize = ProbeSectorSize;
  m.xDeviceCharacteristics = ProbeDeviceCharacteristics;
  return m;
}
const sqlite3_io_methods g_probeMethods = MakeProbeMethods();

// A journal that is already there (kept between commits, emptied) is
// opened without the create flag: its folder entry reached the disk when
// it was made, and the real VFS syncs the folder after every journal it
// may have created.
bool JournalThere(const char* name, int flags) {
  if (!name || !(flags & SQLITE_OPEN_MAIN_JOURNAL) || !(flags & SQLITE_OPEN_CREATE) ||
      (flags & (SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_DELETEONCLOSE)))
    return false;
  struct stat st;
  return stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

int ShimOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  auto* s = reinterpret_cast<ShimFile*>(f);
  s->base.pMethods = nullptr;
  s->real = reinterpret_cast<sqlite3_file*>(s + 1);
  s->offset = 0;
  s->keyed = false;
  s->held = false;
  s->key = {};
  s->journal = (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0;
  s->headZeroed = false;
  s->wal = (flags & SQLITE_OPEN_WAL) != 0;
  s->typeCode = 0;
  s->name = nullptr;
  s->walDev = 0;
  s->walIno = 0;
  s->head = FileHead{};
  s->gathers = false;
  s->gathered = nullptr;
  s->gatheredAt = 0;
  s->probeFd = -1;
  if (IsJournalProbe(name, flags)) {
    int fd;
    do fd = open(name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return SQLITE_CANTOPEN;
    s->probeFd = fd;
    if (outFlags) *outFlags = SQLITE_OPEN_READONLY;
    s->base.pMethods = &g_probeMethods;
    return SQLITE_OK;
  }
  int rc = SQLITE_CANTOPEN;
  if (JournalThere(name, flags)) rc = g_real->xOpen(g_real, name, s->real, flags & ~SQLITE_OPEN_CREATE, outFlags);
  // Gone meanwhile (or never there): made anew, with its folder synced.
  if (rc != SQLITE_OK) rc = g_real->xOpen(g_real, name, s->real, flags, outFlags);
  if (rc != SQLITE_OK) return rc;
  if (flags & SQLITE_OPEN_MAIN_DB) {
    s->offset = kPrefixSize;
    rc = CheckPrefix(s->real, &s->typeCode, &s->head);
    if (rc != SQLITE_OK) {
      s->real->pMethods->xClose(s->real);
      return rc;
    }
    s->keyed = name && win::holds::KeyOf(name, &s->key);
  }
  struct stat st;
  if (s->wal && name && stat(name, &st) == 0) {
    s->name = new (std::nothrow) std::string(name);
    s->walDev = st.st_dev;
    s->walIno = st.st_ino;
  }
  s->base.pMethods = &g_methods;
  return SQLITE_OK;
}

int ShimDelete(sqlite3_vfs*, const char* name, int syncDir) {
  if (name && t_closedWal.name[0] && std::strcmp(t_closedWal.name, name) == 0) {
    const ClosedWal was = t_closedWal;
    t_closedWal.name[0] = 0;
    // Another file's log under the same name now: not ours to delete.
    struct stat st;
    if (stat(name, &st) != 0 || st.st_dev != was.dev || st.st_ino != was.ino) return SQLITE_OK;
  }
  return g_real->xDelete(g_real, name, syncDir);
}
int ShimAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_real->xAccess(g_real, name, flags, out);
}
int ShimFullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_real->xFullPathname(g_real, name, n, out);
}
void* ShimDlOpen(sqlite3_vfs*, const char*) { return nullptr; }
void ShimDlError(sqlite3_vfs*, int n, char* out) {
  if (n > 0) out[0] = 0;
}
void (*ShimDlSym(sqlite3_vfs*, void*, const char*))(void) { return nullptr; }
void ShimDlClose(sqlite3_vfs*, void*) {}
int ShimRandomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int ShimSleep(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int ShimCurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int ShimGetLastError(sqlite3_vfs*, int n, char* out) {
  return g_real->xGetLastError ? g_real->xGetLastError(g_real, n, out) : 0;
}
int ShimCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return g_real->xCurrentTimeInt64(g_real, out);
}

bool RegisterVfs() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    if (sqlite3_initialize() != SQLITE_OK) return;
    g_real = sqlite3_vfs_find(nullptr);
    if (!g_real || g_real->iVersion < 2 || !g_real->xCurrentTimeInt64) return;
    std::memset(&g_vfs, 0, sizeof g_vfs);
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_real->szOsFile;
    g_vfs.mxPathname = g_real->mxPathname;
    g_vfs.zName = kVfsName;
    g_vfs.xOpen = ShimOpen;
    g_vfs.xDelete = ShimDelete;
    g_vfs.xAccess = ShimAccess;
    g_vfs.xFullPathname = ShimFullPathname;
    g_vfs.xDlOpen = ShimDlOpen;
    g_vfs.xDlError = ShimDlError;
    g_vfs.xDlSym = ShimDlSym;
    g_vfs.xDlClose = ShimDlClose;
    g_vfs.xRandomness = ShimRandomness;
    g_vfs.xSleep = ShimSleep;
    g_vfs.xCurrentTime = ShimCurrentTime;
    g_vfs.xGetLastError = ShimGetLastError;
    g_vfs.xCurrentTimeInt64 = ShimCurrentTimeInt64;
    ok = sqlite3_vfs_register(&g_vfs, 0) == SQLITE_OK;
    // Before a whole file is copied, moved or deleted, this process's idle
    // connections fold its log into it and close.
    // The call goes when this library is unloaded.
    if (ok) {
      win::facts::SetBeforeWholeFileCall(&ForgetConnections);
      static struct HookRelease {
        ~HookRelease() { win::facts::SetBeforeWholeFileCall(nullptr); }
      } release;
    }
  });
  return ok;
}

// ---- Connection pool ------------------------------------------------------

// Idle connections, most recently returned first; closed at exit. A
// connection with a write-ahead log keeps its lock on the file while idle
// and ends its hold only when it closes: the list is made after the holds'
// own table, so that it goes before it at exit.
struct IdleList : std::list<Conn*> {
  IdleList() { win::holds::ParkedDescriptors(); }
  ~IdleList();
};
std::mutex g_poolMutex;
IdleList& Idle() {
  static IdleList list;
  return list;
}

ConnPtr Checkout(const std::string& host, const win::paths::HostEntry& entry) {
  for (;;) {
    Conn* c = nullptr;
    {
      std::lock_guard<std::mutex> lock(g_poolMutex);
      for (auto it = Idle().begin(); it != Idle().end(); ++it) {
        if ((*it)->hostPath() == host) {
          c = *it;
          Idle().erase(it);
          break;
        }
      }
    }
    if (!c) return ConnPtr();
    // The file may have been replaced or removed since it was pooled: the
    // path's look-up tells, when the file's identity is known.
    if (c->id != 0) {
      if (entry.found && entry.id == c->id && entry.volume == c->volume) return ConnPtr(c);
    } else {
      int moved = 1;
      if (sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && !moved)
        return ConnPtr(c);
    }
    delete c;
  }
}

#define ORVIK_SECTIONS_TABLE                                                                  \
  "CREATE TABLE sections(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE," \
  " data BLOB NOT NULL)"
#define ORVIK_FILE_INFO_TABLE "CREATE TABLE file_info(field INTEGER PRIMARY KEY, value INTEGER NOT NULL)"
#define ORVIK_PARTS_TABLE                                                              \
  "CREATE TABLE section_parts(section INTEGER NOT NULL, part INTEGER NOT NULL," \
  " data BLOB NOT NULL, PRIMARY KEY(section, part))"

// The new file is written beside its place and renamed there only once
// whole, so its first commit needs no journal on disk (nor its syncs).
#define ORVIK_CREATE_PAGE_SIZE "PRAGMA page_size = 65536;"
const char kCreatePageSize[] = ORVIK_CREATE_PAGE_SIZE;
const char kCreateSchema[] =
    ORVIK_CREATE_PAGE_SIZE
    "PRAGMA journal_mode = MEMORY;"
    "BEGIN;" ORVIK_SECTIONS_TABLE ";" ORVIK_FILE_INFO_TABLE ";"
    "PRAGMA application_id = 1330795083;"  // "ORVK"
    "PRAGMA user_version = 1;"
    "COMMIT;";

// The schema a store file holds, and nothing else: a foreign view or
// trigger under our names could hang a query or swallow writes. The parts
// table comes with the first section written in parts.
struct SchemaEntry {
  const char* type;
  const char* name;
  const char* table;
  const char* sql;  // null for the index SQLite makes for UNIQUE
};
constexpr SchemaEntry kSchema[] = {
    {"table", "file_info", "file_info", ORVIK_FILE_INFO_TABLE},
    {"table", "sections", "sections", ORVIK_SECTIONS_TABLE},
    {"index", "sqlite_autoindex_sections_1", "sections", nullptr},
};
constexpr SchemaEntry kSchemaWithParts[] = {
    {"table", "file_info", "file_info", ORVIK_FILE_INFO_TABLE},
    {"table", "section_parts", "section_parts", ORVIK_PARTS_TABLE},
    {"table", "sections", "sections", ORVIK_SECTIONS_TABLE},
    {"index", "sqlite_autoindex_section_parts_1", "section_parts", nullptr},
    {"index", "sqlite_autoindex_sections_1", "sections", nullptr},
};

bool SameText(const unsigned char* a, const char* b) {
  if (!a || !b) return !a && !b;
  return std::strcmp(reinterpret_cast<const char*>(a), b) == 0;
}

bool SameEntry(sqlite3_stmt* s, const SchemaEntry& e) {
  return SameText(sqlite3_column_text(s, 0), e.type) && SameText(sqlite3_column_text(s, 1), e.name) &&
         SameText(sqlite3_column_text(s, 2), e.table) && SameText(sqlite3_column_text(s, 3), e.sql);
}

bool SchemaIsOurs(Conn* c) {
  Query q(c, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
  size_t n = 0;
  bool plain = true, withParts = true;
  while (q.Row()) {
    plain = plain && n < std::size(kSchema) && SameEntry(q.get(), kSchema[n]);
    withParts = withParts && n < std::size(kSchemaWithParts) && SameEntry(q.get(), kSchemaWithParts[n]);
    if (!plain && !withParts) return false;
    ++n;
  }
  return q.ok() && ((plain && n == std::size(kSchema)) || (withParts && n == std::size(kSchemaWithParts)));
}

// Locks the connection down before it reads anything of the file.
void MakeDefensive(sqlite3* db) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
}

}  // namespace

// The image behind the prefix holds every page its header counts, in
// whole pages. A file cut short would otherwise open, list sections it
// cannot read and take writes into pages that are not there.
namespace {
// The image's size as the file layer sees it (behind the prefix); -1 on error.
int64_t ImageSize(Conn* c) {
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
      !f->pMethods) {
    return -1;
  }
  sqlite3_int64 size = 0;
  return f->pMethods->xFileSize(f, &size) == SQLITE_OK ? size : -1;
}
}  // namespace

namespace {
uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// With a write-ahead log the newest pages may lie in the log: the file
// itself must hold the pages its own header counts. The header is read
// before the size, and the file grows before a checkpoint writes into it,
// so a checkpoint under way never makes a whole file look short.
bool WalImageWhole(Conn* c, int64_t pageSize) {
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
    return false;
  unsigned char head[100];
  sqlite3_int64 size = 0;
  const int rc = f->pMethods->xRead(f, head, sizeof head, 0);
  if (rc == SQLITE_IOERR_SHORT_READ) return false;
  if (rc != SQLITE_OK || f->pMethods->xFileSize(f, &size) != SQLITE_OK) return false;
  if (size % pageSize != 0) return false;
  // The count is kept only by writers that also keep the change counter
  // beside it; a header torn by a checkpoint writing it shows the two apart.
  const uint32_t pages = BigEndian32(head + 28);
  if (BigEndian32(head + 24) != BigEndian32(head + 92) || pages == 0) return size > 0;
  return size / pageSize >= int64_t(pages);
}
}  // namespace

bool ImageWhole(Conn* c) {
  int64_t pages = -1, pageSize = 0;
  {
    Query q(c, "PRAGMA page_count");
    if (!q.Row()) return false;
    pages = sqlite3_column_int64(q.get(), 0);
  }
  {
    Query q(c, "PRAGMA page_size");
    if (!q.Row()) return false;
    pageSize = sqlite3_column_int64(q.get(), 0);
  }
  const int64_t size = ImageSize(c);
  bool whole;
  if (c->wal) {
    whole = size >= 0 && pages > 0 && pageSize > 0 && WalImageWhole(c, pageSize);
  } else {
    whole = size >= 0 && pages > 0 && pageSize > 0 && size % pageSize == 0 && size / pageSize >= pages;
  }
  c->wholeAtSize = whole ? size : -1;
  return whole;
}

// ---- Heads -------------------------------------------------------------------

uint32_t HeadChecksum(const FileHead& head) {
  uint32_t h = 2166136261u;
  const auto* p = reinterpret_cast<const unsigned char*>(&head);
  for (size_t i = 0; i < sizeof head; ++i) {
    h ^= p[i];
    h *= 16777619u;
  }
  return h;
}

FileHead MakeHead(int32_t typeCode, uint16_t formatWord) {
  FileHead h{};
  h.type16 = static_cast<uint16_t>(typeCode);
  h.formatWord = formatWord;
  std::memcpy(h.magic, kMagic, sizeof kMagic);
  h.typeCode = typeCode;
  h.created = static_cast<uint32_t>(CurrentTime());
  h.layoutVersion = 1;
  return h;
}

bool ReadFileHead(const std::string& winPath, FileHead* head) {
  if (winPath.empty() || !RegisterVfs() || !win::facts::IsRegularFile(winPath)) return false;
  std::string host = win::paths::ToHost(winPath);
  // Through the real VFS as a database file, so that closing it never
  // drops locks that this process's connections hold on the same file.
  std::unique_ptr<char[]> mem(new char[g_real->szOsFile]());
  auto* f = reinterpret_cast<sqlite3_file*>(mem.get());
  int outFlags = 0;
  if (g_real->xOpen(g_real, host.c_str(), f, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB,
                    &outFlags) != SQLITE_OK) {
    return false;
  }
  sqlite3_int64 size = 0;
  FilePrefix p{};
  bool ok = f->pMethods->xFileSize(f, &size) == SQLITE_OK && size >= kPrefixSize &&
            f->pMethods->xRead(f, &p, sizeof p, 0) == SQLITE_OK && HeadValid(p);
  f->pMethods->xClose(f);
  if (ok && head) *head = p.head;
  return ok;
}

int64_t ReadFileStart(const std::string& winPath, void* buffer, uint32_t count, uint64_t* fileSize) {
  if (winPath.empty() || !buffer || !RegisterVfs() || !win::facts::IsRegularFile(winPath)) return -1;
  std::string host = win::paths::ToHost(winPath);
  // As in ReadFileHead: SQLite's own file layer keeps the descriptor while
  // any connection of this process holds a lock on the file.
  std::unique_ptr<char[]> mem(new char[g_real->szOsFile]());
  auto* f = reinterpret_cast<sqlite3_file*>(mem.get());
  int outFlags = 0;
  if (g_real->xOpen(g_real, host.c_str(), f, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB, &outFlags) !=
      SQLITE_OK) {
    return -1;
  }
  sqlite3_int64 size = 0;
  int64_t got = -1;
  if (f->pMethods->xFileSize(f, &size) == SQLITE_OK && size >= 0) {
    const int64_t n = size < static_cast<sqlite3_int64>(count) ? size : static_cast<int64_t>(count);
    if (n == 0 || f->pMethods->xRead(f, buffer, static_cast<int>(n), 0) == SQLITE_OK) got = n;
    if (fileSize) *fileSize = static_cast<uint64_t>(size);
  }
  f->pMethods->xClose(f);
  return got;
}

// ---- Connections ---------------------------------------------------------

IdleList::~IdleList() {
  for (Conn* c : *this) delete c;
  clear();
}

Conn::~Conn() {
  for (auto& s : stmts_) sqlite3_finalize(s.second);
  // Back to journals that come and go: SQLite deletes the kept one now,
  // under the lock a writer needs (a writer busy with it keeps it). Only
  // while the file is still the one at its path: the journal there
  // otherwise is another file's.
  struct stat st;
  if (db_ && keptJournal && id != 0 && stat(hostPath_.c_str(), &st) == 0 && uint64_t(st.st_ino) == id &&
      uint64_t(st.st_dev) == volume)
    sqlite3_exec(db_, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
  if (db_) sqlite3_close_v2(db_);
}

uint64_t Conn::NextSerial() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

sqlite3_stmt* Conn::Stmt(const char* sql) {
  for (auto& s : stmts_) {
    if (s.first == sql) return s.second;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
    sqlite3_finalize(st);
    return nullptr;
  }
  stmts_.emplace_back(sql, st);
  return st;
}

bool Conn::Exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

ConnPtr& ConnPtr::operator=(ConnPtr&& o) noexcept {
  if (this != &o) {
    this->~ConnPtr();
    c_ = o.c_;
    o.c_ = nullptr;
  }
  return *this;
}

void ConnPtr::Discard() {
  delete c_;
  c_ = nullptr;
}

ConnPtr::~ConnPtr() {
  if (!c_) return;
  if (!sqlite3_get_autocommit(c_->db())) {
    Discard();  // a transaction left open: never pool it
    return;
  }
  Conn* evicted = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_poolMutex);
    Idle().push_front(c_);
    if (Idle().size() > kMaxIdleConnections) {
      evicted = Idle().back();
      Idle().pop_back();
    }
  }
  delete evicted;
  c_ = nullptr;
}

namespace {
// ImageWhole inside one read transaction, so a writer cannot move the
// file between the page count and the size. A file still of the size at
// which it was last found whole needs no second look: cutting it short or
// writing to it changes the size.
// known: the image's size as just seen through its path (same file), or
// -1 to ask the open file.
bool CheckedWhole(Conn* c, int64_t known = -1) {
  const int64_t size = known >= 0 ? known : ImageSize(c);
  if (size >= 0 && size == c->wholeAtSize) return true;
  Transaction t(c, false);
  return t.ok() && ImageWhole(c);
}
}  // namespace

// A path in the workstation's temporary folder (names compared without
// regard to case, as the file system does).
bool InTempFolder(std::string_view winPath) {
  const std::string temp = win::paths::TempFolder();
  if (winPath.size() <= temp.size()) return false;
  for (size_t i = 0; i < temp.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(winPath[i])) != std::tolower(static_cast<unsigned char>(temp[i])))
      return false;
  return true;
}

namespace {
struct FileId {
  dev_t dev;
  ino_t ino;
};
std::mutex g_scratchMutex;
std::unordered_map<std::string, FileId> g_scratch;  // by host path

bool IdOf(const std::string& hostPath, FileId* id) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *id = {st.st_dev, st.st_ino};
  return true;
}
}  // namespace

bool MarkScratch(const std::string& hostPath) {
  FileId id;
  if (!IdOf(hostPath, &id)) return false;
  std::lock_guard<std::mutex> lock(g_scratchMutex);
  // Files deleted since they were marked are forgotten now and then.
  if (g_scratch.size() >= 64) {
    for (auto it = g_scratch.begin(); it != g_scratch.end();) {
      FileId now;
      if (!IdOf(it->first, &now) || now.dev != it->second.dev || now.ino != it->second.ino) it = g_scratch.erase(it);
      else ++it;
    }
  }
  g_scratch[hostPath] = id;
  return true;
}

bool IsScratch(const std::string& hostPath) {
  FileId marked;
  {
    std::lock_guard<std::mutex> lock(g_scratchMutex);
    auto it = g_scratch.find(hostPath);
    if (it == g_scratch.end()) return false;
    marked = it->second;
  }
  FileId now;
  return IdOf(hostPath, &now) && now.dev == marked.dev && now.ino == marked.ino;
}

namespace {
// The file's type code, from the prefix its open file read (0: unknown).
int32_t TypeOf(Conn* c) {
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
    return 0;
  return reinterpret_cast<ShimFile*>(f)->typeCode;
}

std::string JournalMode(Conn* c) {
  Query q(c, "PRAGMA journal_mode");
  if (!q.Row()) return std::string();
  const unsigned char* t = sqlite3_column_text(q.get(), 0);
  return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

// The connection's log syncs at every commit: it may gather its frames.
void GatherLogWrites(Conn* c) {
  sqlite3_file* f = nullptr;
  if (sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_JOURNAL_POINTER, &f) != SQLITE_OK || !f ||
      f->pMethods != &g_methods)
    return;
  auto* s = reinterpret_cast<ShimFile*>(f);
  if (s->wal) s->gathers = true;
}

// Switches a file to its write-ahead log, once; it stays in the file's
// header. Commits then sync the log in full mode only.
bool UseWal(Conn* c) {
  if (JournalMode(c) != "wal") {
    // A journal kept beside the file from before goes once it is empty.
    Query q(c, "PRAGMA journal_mode = WAL");
    if (!q.Row()) return false;
    const unsigned char* t = sqlite3_column_text(q.get(), 0);
    if (!t || std::strcmp(reinterpret_cast<const char*>(t), "wal") != 0) return false;
  }
  return c->Exec("PRAGMA synchronous = FULL");
}
}  // namespace

// The type code of the workstation's configuration store.
constexpr int32_t kConfigStoreType = 0;
// A file's prefix is written once, when it is made (files are replaced by
// renaming a new one into place), so the head read when the connection
// opened is the head of the file the connection reads.
bool HeadOf(Conn* c, FileHead* head) {
  sqlite3_file* f = nullptr;
  if (!c || sqlite3_file_control(c->db(), "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
    return false;
  const FileHead& h = reinterpret_cast<ShimFile*>(f)->head;
  if (std::memcmp(h.magic, kMagic, sizeof kMagic) != 0) return false;
  *head = h;
  return true;
}

ConnPtr Connect(std::string_view winPath) { return Connect(winPath, nullptr); }

ConnPtr Connect(std::string_view winPath, bool* writeProtected) {
  if (writeProtected) *writeProtected = false;
  if (winPath.empty() || !RegisterVfs()) return ConnPtr();
  win::paths::HostEntry entry;
  std::string host = win::paths::ToHost(winPath, &entry);
  if (writeProtected) *writeProtected = entry.found && !entry.writable;
  if (ConnPtr pooled = Checkout(host, entry)) {
    const int64_t known = pooled->id != 0 && entry.regular ? std::max<int64_t>(0, entry.size - kPrefixSize) : -1;
    if (CheckedWhole(pooled.get(), known)) return pooled;
    pooled.Discard();
    return ConnPtr();
  }
  if (!entry.found || !entry.regular) return ConnPtr();
  std::unique_ptr<Conn> c(new Conn());
  c->hostPath_ = host;
  // Taken before the open: a file put in its place meanwhile only makes
  // the next checkout open it anew.
  c->volume = entry.volume;
  c->id = entry.id;
  int rc = sqlite3_open_v2(host.c_str(), &c->db_, SQLITE_OPEN_READWRITE, kVfsName);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(c->db_);
    c->db_ = nullptr;
    rc = sqlite3_open_v2(host.c_str(), &c->db_, SQLITE_OPEN_READONLY, kVfsName);
    if (rc != SQLITE_OK) return ConnPtr();
  }
  MakeDefensive(c->db_);
  sqlite3_busy_timeout(c->db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(c->db_, 1);
  // Reading the schema proves the database behind the prefix is ours.
  {
    Query q(c.get(), "PRAGMA application_id");
    if (!q.ok() || !q.Row() || sqlite3_column_int64(q.get(), 0) != 1330795083) return ConnPtr();
  }
  if (!SchemaIsOurs(c.get())) return ConnPtr();
  // A file whose header names a write-ahead log opened it just now.
  c->wal = JournalMode(c.get()) == "wal";
  if (!CheckedWhole(c.get())) return ConnPtr();
  // Files in the temporary folder live only as long as the operation that
  // made them: their commits stay whole through the journal or log when a
  // process dies, and need not wait for the disk.
  // Elsewhere a commit is durable once it returns: the rollback journal
  // reaches the disk before any page of the file is overwritten, and the
  // file before the journal is emptied. The journal's header is not synced
  // apart from its pages: every record carries a checksum and a replay
  // stops at the first bad one, and no page of the file is written before
  // that one sync is done, so a header that got there without all its
  // pages only puts back pages the file still holds.
  // A reports file takes a commit for every page: it commits through a
  // write-ahead log, whose commit appends the pages and syncs the log once.
  // The log is folded into the file and removed when its last connection
  // closes (pooled connections close at exit).
  const bool inTemp = InTempFolder(winPath);
  if (inTemp) c->Exec("PRAGMA synchronous = OFF");
  else c->Exec("PRAGMA synchronous = NORMAL");
  const bool scratch = IsScratch(host);
  if (scratch) {
    if (!c->Exec("PRAGMA journal_mode = MEMORY")) return ConnPtr();
  } else if (!inTemp && (c->wal || TypeOf(c.get()) == SECTION_FILE_TYPE_REPORTS)) {
    // Should the switch fail, journals come and go, as safely.
    c->wal = UseWal(c.get());
  }
  if (!inTemp && !c->wal && !scratch && TypeOf(c.get()) != kConfigStoreType) {
    // While the connection lives its journal stays beside the file, its
    // header zeroed after each commit (no hot journal), so that a commit
    // neither makes it anew nor syncs the folder: two syncs a commit. Every
    // read then looks into it. The journal goes when the connection closes
    // (folders are compared and cleaned as the user left them). The
    // workstation's configuration store takes few commits and lies where
    // installers compare the folder while they run: it keeps none.
    c->keptJournal = c->Exec("PRAGMA journal_mode = PERSIST; PRAGMA journal_size_limit = 1048576") &&
                     JournalMode(c.get()) == "persist";
  }
  // A log folded into the file keeps the room of a full one (about 4 MB
  // at a thousand 4 KB pages between checkpoints): the commits after a
  // checkpoint overwrite it instead of growing it, so their syncs need not
  // write the log's size too. It goes when the last connection closes.
  if (c->wal) c->Exec("PRAGMA journal_size_limit = 8388608");
  if (c->wal && !inTemp) GatherLogWrites(c.get());
  if (!c->Stmt(kFindSectionSql)) return ConnPtr();
  return ConnPtr(c.release());
}

void ForgetConnections(const std::string& hostPath) {
  std::list<Conn*> gone;
  {
    std::lock_guard<std::mutex> lock(g_poolMutex);
    for (auto it = Idle().begin(); it != Idle().end();) {
      if ((*it)->hostPath() == hostPath) {
        gone.push_back(*it);
        it = Idle().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Conn* c : gone) delete c;
}

// ---- Queries ---------------------------------------------------------------

Query::Query(Conn* c, const char* sql) : s_(c ? c->Stmt(sql) : nullptr) {}

Query::~Query() {
  if (s_) {
    sqlite3_reset(s_);
    sqlite3_clear_bindings(s_);
  }
}

Query& Query::Text(int index, const char* text) {
  if (s_ && sqlite3_bind_text(s_, index, text, -1, SQLITE_STATIC) != SQLITE_OK) bound_ = false;
  return *this;
}

Query& Query::Int(int index, int64_t value) {
  if (s_ && sqlite3_bind_int64(s_, index, value) != SQLITE_OK) bound_ = false;
  return *this;
}

Query& Query::Blob(int index, const void* data, uint64_t size) {
  // An empty section is a zero-length blob, never NULL.
  static const char kEmpty = 0;
  if (s_ && sqlite3_bind_blob64(s_, index, size ? data : &kEmpty, size, SQLITE_STATIC) != SQLITE_OK) {
    bound_ = false;
  }
  return *this;
}

bool Query::Row() { return s_ && bound_ && sqlite3_step(s_) == SQLITE_ROW; }

bool Query::Done() { return s_ && bound_ && sqlite3_step(s_) == SQLITE_DONE; }

namespace {
// Kept statements: a commit a page should not parse its own SQL each time.
const char kBegin[] = "BEGIN";
const char kBeginWrite[] = "BEGIN IMMEDIATE";
const char kCommit[] = "COMMIT";
const char kRollback[] = "ROLLBACK";
}  // namespace

bool Conn::Run(const char* sql) {
  sqlite3_stmt* st = Stmt(sql);
  if (!st) return Exec(sql);
  const int rc = sqlite3_step(st);
  sqlite3_reset(st);
  return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

Transaction::Transaction(Conn* c, bool write) : c_(c) {
  // This process's in-place readers would hold the commit off.
  if (c_ && write) YieldReaders(c_->hostPath());
  ok_ = c_ && c_->Run(write ? kBeginWrite : kBegin);
  // Nothing is written into an image that lost pages behind our back.
  if (ok_ && write && !ImageWhole(c_)) {
    c_->Run(kRollback);
    ok_ = false;
  }
}

Transaction::~Transaction() {
  if (ok_ && !done_) c_->Run(kRollback);
}

bool Transaction::Commit() {
  if (!ok_ || done_) return false;
  done_ = true;
  if (c_->Run(kCommit)) return true;
  c_->Run(kRollback);
  return false;
}

// ---- Files -------------------------------------------------------------------


bool CreateSectionedFile(std::string_view winPath, int32_t typeCode, uint16_t formatWord) {
  // -1 is what the type query answers for "no sectioned file".
  if (winPath.empty() || typeCode == -1 || !RegisterVfs()) return false;
  if (win::facts::IsWriteProtected(winPath)) return false;
  const std::string host = win::paths::ToHost(winPath);
  FilePrefix prefix{MakeHead(typeCode, formatWord), 0};
  prefix.checksum = HeadChecksum(prefix.head);
  sqlite3* db = nullptr;
  struct stat st;
  if (IsScratch(host) && stat(host.c_str(), &st) == 0 && st.st_size == 0) {
    // No one else knows the file: it is made in place, in small pages, and
    // the connection that made it is the first one pooled for it.
    ForgetConnections(host);
    std::unique_ptr<Conn> c(new Conn());
    c->hostPath_ = host;
    c->volume = uint64_t(st.st_dev);
    c->id = uint64_t(st.st_ino);
    g_pendingPrefix = &prefix;
    int rc = sqlite3_open_v2(host.c_str(), &c->db_, SQLITE_OPEN_READWRITE, kVfsName);
    g_pendingPrefix = nullptr;
    bool ok = rc == SQLITE_OK;
    if (ok) {
      MakeDefensive(c->db_);
      sqlite3_busy_timeout(c->db_, kBusyTimeoutMs);
      sqlite3_extended_result_codes(c->db_, 1);
      ok = c->Exec("PRAGMA synchronous = OFF") && c->Exec("PRAGMA page_size = 4096") &&
           c->Exec(kCreateSchema + std::strlen(kCreatePageSize)) && CheckedWhole(c.get()) &&
           c->Stmt(kFindSectionSql);
    }
    if (ok) {
      ConnPtr pooled(c.release());
      return true;
    }
    c.reset();
    // Empty again, so that it may be made anew.
    [[maybe_unused]] const int emptied = truncate(host.c_str(), 0);
    return false;
  }
  const std::string tempWin = win::facts::SiblingTempName(host);
  const std::string tempHost = win::paths::ToHost(tempWin);

  g_pendingPrefix = &prefix;
  int rc = sqlite3_open_v2(tempHost.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           kVfsName);
  g_pendingPrefix = nullptr;
  // No one knows the new file before it is renamed into place: its commits
  // need not wait for the disk, only the whole file once, before the rename.
  if (rc == SQLITE_OK) sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
  // Methods and reports files hold small records and take many small
  // commits, each of which journals and writes whole pages: they keep
  // small pages. Large pages suit the large sections of MS data.
  const bool smallPages = typeCode == SECTION_FILE_TYPE_METHOD || typeCode == SECTION_FILE_TYPE_REPORTS;
  bool ok = rc == SQLITE_OK &&
            (!smallPages || sqlite3_exec(db, "PRAGMA page_size = 4096", nullptr, nullptr, nullptr) == SQLITE_OK) &&
            sqlite3_exec(db, smallPages ? kCreateSchema + std::strlen(kCreatePageSize) : kCreateSchema, nullptr,
                         nullptr, nullptr) == SQLITE_OK;
  // A reports file outside the temporary folder is born with its
  // write-ahead log switched on (the log itself goes when this closes).
  if (ok && typeCode == SECTION_FILE_TYPE_REPORTS && !InTempFolder(winPath))
    ok = sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
  if (sqlite3_close_v2(db) != SQLITE_OK) ok = false;
  if (ok && !InTempFolder(winPath)) {
    const int fd = open(tempHost.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    ok = fd >= 0 && fdatasync(fd) == 0;
    if (fd >= 0) close(fd);
  }
  if (ok) {
    // This process's connections to the old file fold its log into it and
    // close first. A journal or log left by a writer of the old file would
    // be played into the new one: they go with the old file.
    ForgetConnections(host);
    for (const char* tail : {"-journal", "-wal", "-shm"}) win::facts::RemoveFile(host + tail);
    ok = win::facts::ReplaceWith(tempHost, host);
  }
  if (!ok) {
    win::facts::RemoveFile(tempHost);
    for (const char* tail : {"-journal", "-wal", "-shm"}) win::facts::RemoveFile(tempHost + tail);
  }
  return ok;
}

// ---- Small helpers -----------------------------------------------------------

uint32_t MaxSectionSize() { return 0xFFFFFFFEu; }  // 0xFFFFFFFF is the failed seek

namespace {
constexpr uint32_t kPartSize = 256u << 20;
std::atomic<uint32_t> g_partSize{kPartSize};

// Room below SQLite's compiled-in row limit for the row's other fields.
uint32_t RowLimit() {
  static const uint32_t limit = [] {
    sqlite3* db = nullptr;
    int64_t n = 1000000000;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      n = sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1);
    }
    sqlite3_close_v2(db);
    n -= 1024;
    if (n > 0x7FFFFFFF) n = 0x7FFFFFFF;
    return static_cast<uint32_t>(n > 1 ? n : 1);
  }();
  return limit;
}
}  // namespace

uint32_t SectionPartSize() { return std::min(g_partSize.load(), RowLimit()); }

void LimitFileSpaceForTests(int64_t bytes) { g_space = bytes < 0 ? -1 : bytes; }

void SetSectionPartSizeForTests(uint32_t bytes) { g_partSize = bytes ? bytes : kPartSize; }

// ---- Sections in parts ---------------------------------------------------------

namespace {
const char kPartsTableExists[] = "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'section_parts'";
const char kListParts[] = "SELECT rowid, part, length(data) FROM section_parts WHERE section = ?1 ORDER BY part";
const char kDeleteParts[] = "DELETE FROM section_parts WHERE section = ?1";
const char kInsertPart[] = "INSERT INTO section_parts(section, part, data) VALUES(?1, ?2, ?3)";
const char kStoreRow[] =
    "INSERT INTO sections(name, data) VALUES(?1, ?2)"
    " ON CONFLICT(name) DO UPDATE SET data = excluded.data";

bool HasPartsTable(Conn* c) {
  Query q(c, kPartsTableExists);
  return q.Row();
}
}  // namespace

bool SectionBlob::Open(Conn* c, const SectionPlace& place) {
  Close();
  db_ = c->db();
  row_ = place.id;
  parts_ = place.parts;
  current_ = 0;
  blobs_.assign(parts_.empty() ? 1 : parts_.size(), nullptr);
  // The first blob opens now: it holds the read transaction from here on.
  if (!OpenPart(0)) {
    Close();
    return false;
  }
  if (parts_.empty() && sqlite3_blob_bytes(blobs_[0]) != static_cast<int64_t>(place.size)) {
    Close();
    return false;
  }
  return true;
}

bool SectionBlob::OpenPart(size_t i) {
  if (blobs_[i]) return true;
  const bool inParts = !parts_.empty();
  if (sqlite3_blob_open(db_, "main", inParts ? "section_parts" : "sections", "data", inParts ? parts_[i].rowid : row_,
                        0, &blobs_[i]) != SQLITE_OK ||
      (inParts && sqlite3_blob_bytes(blobs_[i]) != static_cast<int64_t>(parts_[i].length))) {
    if (blobs_[i]) sqlite3_blob_close(blobs_[i]);
    blobs_[i] = nullptr;
    return false;
  }
  return true;
}

void SectionBlob::Close() {
  // The first blob last: it holds the read transaction the others read in.
  for (size_t i = blobs_.size(); i-- > 0;)
    if (blobs_[i]) sqlite3_blob_close(blobs_[i]);
  blobs_.clear();
}

bool SectionBlob::Read(void* out, uint32_t count, uint64_t at) {
  if (!open()) return false;
  auto* p = static_cast<uint8_t*>(out);
  if (parts_.empty()) {
    return sqlite3_blob_read(blobs_[0], p, static_cast<int>(count), static_cast<int>(at)) == SQLITE_OK;
  }
  while (count > 0) {
    // The part holding `at`: mostly the last one read or the next.
    size_t i = current_;
    if (at < parts_[i].start || at >= parts_[i].start + parts_[i].length) {
      auto it = std::upper_bound(parts_.begin(), parts_.end(), at,
                                 [](uint64_t v, const SectionPlace::Part& part) { return v < part.start; });
      if (it == parts_.begin()) return false;
      i = static_cast<size_t>(it - parts_.begin()) - 1;
      if (at >= parts_[i].start + parts_[i].length) return false;
    }
    if (!OpenPart(i)) {
      Close();  // reads nothing more
      return false;
    }
    current_ = i;
    const uint64_t within = at - parts_[i].start;
    const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(count, parts_[i].length - within));
    if (sqlite3_blob_read(blobs_[i], p, static_cast<int>(take), static_cast<int>(within)) != SQLITE_OK) return false;
    p += take;
    at += take;
    count -= take;
  }
  return true;
}

bool LocateSection(Conn* c, const char* name, SectionPlace* place, SectionBlob* blob) {
  // The row's query stays stepped while the parts are listed and the blob
  // opens, so all of it is read in one read transaction.
  Query row(c, kFindSectionSql);
  row.Text(1, name);
  if (!row.Row()) return false;
  SectionPlace p;
  p.id = sqlite3_column_int64(row.get(), 0);
  const int64_t length = sqlite3_column_int64(row.get(), 1);
  if (length < 0 || length > RowLimit()) return false;
  p.size = static_cast<uint64_t>(length);
  if (HasPartsTable(c)) {
    Query q(c, kListParts);
    q.Int(1, p.id);
    while (q.Row()) {
      const int64_t rowid = sqlite3_column_int64(q.get(), 0);
      const int64_t number = sqlite3_column_int64(q.get(), 1);
      const int64_t bytes = sqlite3_column_int64(q.get(), 2);
      // Parts numbered from 0 without a gap, none empty, behind an empty row.
      if (length != 0 || number != static_cast<int64_t>(p.parts.size()) || bytes <= 0 || bytes > RowLimit())
        return false;
      const uint64_t start = p.parts.empty() ? 0 : p.parts.back().start + p.parts.back().length;
      if (start + static_cast<uint64_t>(bytes) > MaxSectionSize()) return false;
      p.parts.push_back({rowid, static_cast<uint32_t>(bytes), start});
    }
    if (!q.ok()) return false;
    if (!p.parts.empty()) p.size = p.parts.back().start + p.parts.back().length;
  }
  if (blob && p.size > 0 && !blob->Open(c, p)) return false;
  *place = std::move(p);
  return true;
}

bool PutSection(Conn* c, const char* name, const void* data, uint64_t size) {
  if (size > MaxSectionSize()) return false;
  const uint32_t partSize = SectionPartSize();
  const bool inParts = size > partSize;
  bool partsTable = HasPartsTable(c);
  if (inParts && !partsTable) {
    if (!c->Exec(ORVIK_PARTS_TABLE)) return false;
    partsTable = true;
  }
  {
    Query q(c, kStoreRow);
    q.Text(1, name).Blob(2, data, inParts ? 0 : size);
    if (!q.Done()) return false;
  }
  if (!partsTable) return true;
  int64_t id = 0;
  {
    Query q(c, kFindSectionSql);
    q.Text(1, name);
    if (!q.Row()) return false;
    id = sqlite3_column_int64(q.get(), 0);
  }
  {
    Query q(c, kDeleteParts);
    q.Int(1, id);
    if (!q.Done()) return false;
  }
  if (!inParts) return true;
  const auto* bytes = static_cast<const uint8_t*>(data);
  int64_t number = 0;
  for (uint64_t at = 0; at < size; at += partSize, ++number) {
    Query q(c, kInsertPart);
    q.Int(1, id).Int(2, number).Blob(3, bytes + at, std::min<uint64_t>(partSize, size - at));
    if (!q.Done()) return false;
  }
  return true;
}

int RemoveSection(Conn* c, const char* name) {
  int64_t id = 0;
  {
    Query q(c, kFindSectionSql);
    q.Text(1, name);
    if (!q.Row()) return q.ok() ? 0 : -1;
    id = sqlite3_column_int64(q.get(), 0);
  }
  if (HasPartsTable(c)) {
    Query q(c, kDeleteParts);
    q.Int(1, id);
    if (!q.Done()) return -1;
  }
  Query q(c, "DELETE FROM sections WHERE id = ?1");
  q.Int(1, id);
  return q.Done() && sqlite3_changes(c->db()) > 0 ? 1 : -1;
}

bool ValidSectionName(const char* name) {
  if (!name || !*name) return false;
  return std::strlen(name) <= kMaxSectionName;
}

int32_t CurrentTime() {
  using namespace std::chrono;
  return static_cast<int32_t>(duration_cast<seconds>(system_clock::now().time_since_epoch()).count());
}

}  // namespace orvik
