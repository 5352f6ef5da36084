#pragma once
// Inside the sectioned-file store. A sectioned file is a 4096-byte prefix
// followed by an SQLite database image:
//
//   prefix  bytes 0-1   type code, low 16 bits
//           bytes 2-3   format word (readers take it straight from disk)
//           bytes 4-11  "ORVKSECT"
//           bytes 12-15 type code, 32-bit
//           bytes 16-19 creation time, seconds since 1970
//           bytes 20-23 layout version (1)
//           bytes 24-27 FNV-1a checksum of bytes 0-23
//   database tables sections(id, name UNIQUE NOCASE, data BLOB) and
//           file_info(field, value); once a section larger than one part
//           was written, also section_parts(section, part, data): such a
//           section's row holds no bytes and its parts, numbered from 0,
//           hold them in order
//
// A private SQLite VFS shifts the database behind the prefix, so SQLite's
// journal keeps every commit whole. Connections are pooled per file.
// Reports files outside the temporary folder commit through a write-ahead
// log ("-wal", its index in "-shm") beside them: one sync a commit. The
// log is folded into the file and removed when the last connection of a
// process closes, before the file is copied, moved or deleted.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

constexpr uint32_t kPrefixSize = 4096;
constexpr char kMagic[8] = {'O', 'R', 'V', 'K', 'S', 'E', 'C', 'T'};
constexpr size_t kMaxSectionName = 259;

#pragma pack(push, 1)
struct FileHead {
  uint16_t type16;
  uint16_t formatWord;
  char magic[8];
  int32_t typeCode;
  uint32_t created;
  uint32_t layoutVersion;
};
struct FilePrefix {
  FileHead head;
  uint32_t checksum;
};
// The caller's 292-byte file record: the file head, then what opening tells.
struct FileRecord {
  FileHead head;
  uint32_t sectionCount;
  char path[260];
  uint32_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(FileHead) == 24);
static_assert(sizeof(FilePrefix) == 28);
static_assert(sizeof(FileRecord) == 292);

FileHead MakeHead(int32_t typeCode, uint16_t formatWord);
uint32_t HeadChecksum(const FileHead& head);

// The facts in a file's prefix; false when the file is no sectioned file.
bool ReadFileHead(const std::string& winPath, FileHead* head);

// The first count bytes of any file (at most its size); -1 when it cannot
// be read. Never disturbs the locks this process holds on the file.
int64_t ReadFileStart(const std::string& winPath, void* buffer, uint32_t count, uint64_t* fileSize);

class ConnPtr;

// Finds a section's row by name (one text, so that connections cache one
// statement for it).
inline constexpr char kFindSectionSql[] = "SELECT id, length(data) FROM sections WHERE name = ?1";

// One pooled connection to one sectioned file.
class Conn {
 public:
  ~Conn();
  sqlite3* db() const { return db_; }
  // Cached statement for a constant text. Null on error.
  sqlite3_stmt* Stmt(const char* sql);
  bool Exec(const char* sql);
  // Runs a one-step statement kept like Stmt's (a constant text).
  bool Run(const char* sql);
  const std::string& hostPath() const { return hostPath_; }
  // The image size at which the file was last found whole (-1: never).
  int64_t wholeAtSize = -1;
  // The file's identity when it was opened (0: not known).
  uint64_t volume = 0, id = 0;
  // Its commits go through a write-ahead log.
  bool wal = false;
  // Its rollback journal stays beside the file until it closes.
  bool keptJournal = false;
  // Tells this connection from every other one this process opened.
  const uint64_t serial = NextSerial();

 private:
  friend class ConnPtr;
  friend ConnPtr Connect(std::string_view winPath, bool* writeProtected);
  friend bool CreateSectionedFile(std::string_view winPath, int32_t typeCode, uint16_t formatWord);
  Conn() = default;
  static uint64_t NextSerial();
  sqlite3* db_ = nullptr;
  std::string hostPath_;
  std::vector<std::pair<const char*, sqlite3_stmt*>> stmts_;
};

// Hands the connection back to the pool when dropped.
class ConnPtr {
 public:
  ConnPtr() = default;
  explicit ConnPtr(Conn* c) : c_(c) {}
  ConnPtr(ConnPtr&& o) noexcept : c_(o.c_) { o.c_ = nullptr; }
  ConnPtr& operator=(ConnPtr&& o) noexcept;
  ConnPtr(const ConnPtr&) = delete;
  ConnPtr& operator=(const ConnPtr&) = delete;
  ~ConnPtr();
  Conn* operator->() const { return c_; }
  Conn* get() const { return c_; }
  explicit operator bool() const { return c_ != nullptr; }
  // Drops the connection instead of pooling it (after errors).
  void Discard();

 private:
  Conn* c_ = nullptr;
};

// A connection to an existing, well-formed sectioned file, or empty.
ConnPtr Connect(std::string_view winPath);
// The same, telling whether the file is write-protected (from the same
// look at it).
ConnPtr Connect(std::string_view winPath, bool* writeProtected);
// The head of the file a connection reads, from the prefix read when it
// opened; false when there is none.
bool HeadOf(Conn* c, FileHead* head);
// Closes pooled connections to a file that is being replaced or removed.
void ForgetConnections(const std::string& hostPath);

// Creates (replacing) a sectioned file; written beside it, then renamed.
// A scratch file that is still empty is made where it lies.
bool CreateSectionedFile(std::string_view winPath, int32_t typeCode, uint16_t formatWord);

// Scratch files: made under a name this process made up and deleted by it,
// so that no one else opens them. Their commits stay whole while the
// process lives, through a journal kept in memory, and never wait for the
// disk; a process that dies leaves such a file as the rubbish it then is.
// A file is scratch while it is the very file that was marked (the same
// inode): one put in its place under the same name is not.
bool MarkScratch(const std::string& hostPath);
bool IsScratch(const std::string& hostPath);

// A cached statement, reset and unbound again when the query ends, so no
// statement keeps a read transaction open.
class Query {
 public:
  Query(Conn* c, const char* sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  bool ok() const { return s_ != nullptr; }
  sqlite3_stmt* get() const { return s_; }
  Query& Text(int index, const char* text);
  Query& Int(int index, int64_t value);
  Query& Blob(int index, const void* data, uint64_t size);
  bool Row();   // true when a row came
  bool Done();  // true when the statement ran to its end

 private:
  sqlite3_stmt* s_ = nullptr;
  bool bound_ = true;
};

// True when the file holds every page its database header counts.
bool ImageWhole(Conn* c);

// Largest section the store can hold: what the 32-bit positions reach.
uint32_t MaxSectionSize();

// Sections larger than this are stored in parts of this size: SQLite holds
// a row of at most about 10^9 bytes and builds each row it writes whole in
// memory.
uint32_t SectionPartSize();
void SetSectionPartSizeForTests(uint32_t bytes);  // 0: the usual size
void LimitFileSpaceForTests(int64_t bytes);        // -1: no limit

// Where a section's bytes lie: in its own row (no parts) or in its parts.
struct SectionPlace {
  struct Part {
    int64_t rowid;
    uint32_t length;
    uint64_t start;  // offset of its first byte in the section
  };
  int64_t id = 0;
  uint64_t size = 0;
  std::vector<Part> parts;
};

// Reads a section's bytes where they lie through SQLite's blob I/O. Its open
// blobs keep the read transaction they were opened in. Each part read keeps
// a blob of its own: a blob remembers where its row's overflow pages lie,
// and moving one blob from row to row would walk them again each time.
class SectionBlob {
 public:
  SectionBlob() = default;
  SectionBlob(const SectionBlob&) = delete;
  SectionBlob& operator=(const SectionBlob&) = delete;
  ~SectionBlob() { Close(); }
  bool Read(void* out, uint32_t count, uint64_t at);
  bool open() const { return !blobs_.empty() && blobs_[0] != nullptr; }
  void Close();

 private:
  friend bool LocateSection(Conn*, const char*, SectionPlace*, SectionBlob*);
  bool Open(Conn* c, const SectionPlace& place);
  bool OpenPart(size_t i);
  sqlite3* db_ = nullptr;
  int64_t row_ = 0;
  std::vector<SectionPlace::Part> parts_;  // empty: the section's own row
  std::vector<sqlite3_blob*> blobs_;       // by part, opened when first read
  size_t current_ = 0;
};

// Finds a section and where its bytes lie, and opens blob on them (when
// given and the section is not empty) in the same read transaction. False
// when it is missing or its parts are damaged.
bool LocateSection(Conn* c, const char* name, SectionPlace* place, SectionBlob* blob);

// Inside a write transaction: stores (replacing) a section, in parts when it
// is larger than one; removes one (1 removed, 0 none there, -1 error).
bool PutSection(Conn* c, const char* name, const void* data, uint64_t size);
int RemoveSection(Conn* c, const char* name);

bool ValidSectionName(const char* name);
int32_t CurrentTime();
// False once an injected write failure is due (orvik32_faults.h).
bool WriteAllowed();
// True when an injected data-write failure is due (orvik32_faults.h).
bool DataWriteFails();

// RAII transaction on a connection; rolls back unless committed.
class Transaction {
 public:
  Transaction(Conn* c, bool write);
  ~Transaction();
  bool ok() const { return ok_; }
  bool Commit();

 private:
  Conn* c_;
  bool ok_ = false;
  bool done_ = false;
};

}  // namespace orvik
