// Readers of the acquisition log of a data file.
#include "common/log_sections.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/data_file_descriptions.h"
#include "common/text_file_out.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace kelt::logs {

namespace {

// The log's header texts and how many characters of each are compared.
struct Header {
  char text[22];
  int16_t length;
};
constexpr Header kHeaders[] = {
    {"Acquire segment #", 17}, {"Acquisition segment", 19}, {"File names", 10},     {"Instrument set points", 21},
    {"IPM file segment", 16},  {"Segment number", 14},      {"Tune parameters", 15}, {"Notes      ", 11},
};
constexpr int kHeaderCount = sizeof kHeaders / sizeof kHeaders[0];
enum HeaderIndex { kAcquireSegment, kAcquisitionSegment, kFileNames, kSetPoints, kIpm, kSegmentNumber, kTune, kNotes };
const char kEnd[] = "End";
const char kEndTolmar[] = "End TOLMAR";

}  // namespace

bool RecordStarts(const char* record, const char* text, int length) {
  return length <= LOG_RECORD_TEXT && std::strncmp(record + 2, text, size_t(length)) == 0;
}

namespace {

bool Starts(const char* record, HeaderIndex h) { return RecordStarts(record, kHeaders[h].text, kHeaders[h].length); }
bool IsEnd(const char* record) { return RecordStarts(record, kEnd, 3); }

// The number that follows position `from` of the record text after blanks;
// -1 when there is none.
long NumberAt(const char* record, int from) {
  char text[LOG_RECORD_TEXT + 1];
  std::memcpy(text, record + 2, LOG_RECORD_TEXT);
  text[LOG_RECORD_TEXT] = 0;
  if (from < 0 || from > LOG_RECORD_TEXT) return -1;
  const char* p = text + from;
  while (*p == ' ' || *p == '\t') ++p;
  if (!std::isdigit(static_cast<unsigned char>(*p))) return -1;
  return std::strtol(p, nullptr, 10);
}

bool IsSegmentHeader(const char* record, int segment) {
  long n = -1;
  if (Starts(record, kAcquireSegment)) n = NumberAt(record, kHeaders[kAcquireSegment].length);
  else if (Starts(record, kAcquisitionSegment)) n = NumberAt(record, kHeaders[kAcquisitionSegment].length);
  else return false;
  return segment < 0 || n == segment + 1;
}
bool IsAnySegmentHeader(const char* record, int) { return IsSegmentHeader(record, -1); }
bool IsFileNames(const char* record, int) { return Starts(record, kFileNames); }
bool IsSetPoints(const char* record, int) { return Starts(record, kSetPoints); }
bool IsTune(const char* record, int segment) {
  if (Starts(record, kTune)) return true;
  if (!Starts(record, kSegmentNumber)) return false;
  const void* bracket = std::memchr(record + 2, ')', LOG_RECORD_TEXT);
  if (!bracket) return false;
  int at = int(static_cast<const char*>(bracket) - (record + 2)) + 1;
  return NumberAt(record, at) == segment + 1;
}
bool IsIpm(const char* record, int segment) {
  return Starts(record, kIpm) && NumberAt(record, kHeaders[kIpm].length) == segment + 1;
}
bool IsAnyHeader(const char* record) {
  for (int h = 0; h < kHeaderCount; ++h)
    if (RecordStarts(record, kHeaders[h].text, kHeaders[h].length)) return true;
  return false;
}
bool TextIsBlank(const char* record) {
  for (int i = 2; i < 62; ++i)
    if (record[i] != ' ') return false;
  return true;
}

DWORD FileSizeOf(HANDLE h) {
  DWORD high = 0;
  DWORD low = GetFileSize(h, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != 0) return 0;
  return high ? 0xFFFFFFFFu : low;
}

}  // namespace

bool LocateLog(const STRUCT_WORK_FILE* wf, bool anyType, char* filePath, uint32_t* start, char* tempPath) {
  filePath[0] = 0;
  tempPath[0] = 0;
  *start = 0;
  if (!wf) return false;
  if (wf->directHeader) {
    const uint32_t offset = wf->rawHeaderLongs[2];
    if (offset < 1) return false;
    HANDLE h = CreateFileA(wf->filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const DWORD size = FileSizeOf(h);
    CloseHandle(h);
    if (size <= offset) return false;  // no log after the scan data
    std::snprintf(filePath, MAX_PATH, "%.*s", int(strnlen(wf->filePath, MAX_PATH - 1)), wf->filePath);
    *start = offset;
    return true;
  }
  if (!wf->hasLog || (!anyType && wf->fileType != 23)) return false;
  std::string temp = kelt::textfile::MakeTempFile("YYY");
  if (temp.empty() || temp.size() >= MAX_PATH) return false;
  if (!KELT_CopySectionToTextFile(temp.c_str(), wf->filePath, "LogFile")) {
    DeleteFileA(temp.c_str());
    return false;
  }
  std::strcpy(tempPath, temp.c_str());
  std::strcpy(filePath, temp.c_str());
  return true;
}

}  // namespace kelt::logs

using namespace kelt::logs;

namespace {
constexpr uint32_t kBufferBytes = LOG_BUFFER_RECORDS * LOG_RECORD_SIZE;
}

// ---- CReadLogSection ----------------------------------------------------------------

// Records gathered by a read, in a block that grows by 100 records up to a limit.
struct CReadLogSection::Gathered {
  uint8_t* data = nullptr;
  int count = 0;
  int capacity = 0;
  int limit = 0;  // 0: no limit
  bool failed = false;
  explicit Gathered(int limitRecords) : limit(limitRecords) {
    capacity = LOG_BUFFER_RECORDS;
    if (limit && limit > capacity) capacity = limit;
    data = static_cast<uint8_t*>(AllocBlock(uint32_t(capacity) * LOG_RECORD_SIZE));
  }
  ~Gathered() {
    if (data) FreeBlock(data);
  }
  bool Full() const { return limit && count >= limit; }
  // False when the record cannot be kept (allocation failure or limit).
  bool Add(const char* record) {
    if (!data) failed = true;
    if (failed || Full()) return false;
    if (count == capacity) {
      void* grown = ReallocBlock(data, uint32_t(capacity + LOG_BUFFER_RECORDS) * LOG_RECORD_SIZE);
      if (!grown) {
        failed = true;
        return false;
      }
      data = static_cast<uint8_t*>(grown);
      capacity += LOG_BUFFER_RECORDS;
    }
    std::memcpy(data + size_t(count) * LOG_RECORD_SIZE, record, LOG_RECORD_SIZE);
    ++count;
    return true;
  }
};

CReadLogSection::CReadLogSection() = default;
CReadLogSection::~CReadLogSection() { Close(); }

BOOL CReadLogSection::Open(STRUCT_WORK_FILE* workFile) {
  Close();
  m_read = 0;
  m_count = 0;
  m_nextSegment = 0;
  char filePath[MAX_PATH] = {};
  if (!LocateLog(workFile, false, filePath, &m_start, m_tempPath)) return FALSE;
  m_workFile = workFile;
  m_buffer = static_cast<uint8_t*>(AllocBlock(kBufferBytes));
  if (m_buffer) {
    m_file = CreateFileA(filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  if (!m_buffer || m_file == INVALID_HANDLE_VALUE) {
    Close();
    return FALSE;
  }
  DWORD size = FileSizeOf(m_file);
  if (size < m_start) {
    Close();
    return FALSE;
  }
  m_length = size - m_start;
  return TRUE;
}

void CReadLogSection::Close() {
  if (m_buffer) FreeBlock(m_buffer);
  m_buffer = nullptr;
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  m_file = INVALID_HANDLE_VALUE;
  if (m_tempPath[0]) DeleteFileA(m_tempPath);
  m_tempPath[0] = 0;
  m_count = 0;
  m_read = m_length = m_start = 0;
  m_nextSegment = 0;
  m_workFile = nullptr;
}

BOOL CReadLogSection::ReadNext() {
  m_count = 0;
  if (!m_buffer || m_file == INVALID_HANDLE_VALUE) return FALSE;
  if (m_read >= m_length) return TRUE;
  const uint32_t want = std::min<uint32_t>(kBufferBytes, m_length - m_read);
  if (SetFilePointer(m_file, LONG(m_start + m_read), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return FALSE;
  DWORD got = 0;
  if (!ReadFile(m_file, m_buffer, want, &got, nullptr) || got != want) return FALSE;
  m_read += want;
  m_count = int16_t(want / LOG_RECORD_SIZE);
  return TRUE;
}

const char* CReadLogSection::GetRecord(int i) const {
  if (!m_buffer || i < 0 || i >= m_count) return nullptr;
  return reinterpret_cast<const char*>(m_buffer) + size_t(i) * LOG_RECORD_SIZE;
}

BOOL CReadLogSection::GetRecordText(int i, char* buffer, int size) const {
  if (!buffer || size < 1) return FALSE;
  buffer[0] = 0;
  const char* r = GetRecord(i);
  if (!r) return FALSE;
  int n = LOG_RECORD_TEXT;
  while (n > 0 && (r[2 + n - 1] == ' ' || r[2 + n - 1] == 0)) --n;
  if (n > size - 1) n = size - 1;
  std::memcpy(buffer, r + 2, size_t(n));
  buffer[n] = 0;
  return TRUE;
}

template <class Visit>
int CReadLogSection::Walk(uint32_t from, Visit&& visit) {
  m_read = from - from % LOG_RECORD_SIZE;
  for (;;) {
    const uint32_t chunk = m_read;
    if (!ReadNext()) return -1;
    if (m_count == 0) return 0;
    for (int i = 0; i < m_count; ++i) {
      const char* r = reinterpret_cast<const char*>(m_buffer) + size_t(i) * LOG_RECORD_SIZE;
      if (!visit(r, chunk + uint32_t(i) * LOG_RECORD_SIZE)) return 1;
    }
  }
}

BOOL CReadLogSection::Finish(Gathered& gathered, int walked) {
  m_count = 0;
  if (walked < 0 || !gathered.data || gathered.failed) return FALSE;
  if (gathered.count > 0) {
    // The gathered block has room for at least one read, so ReadNext can go on using it.
    if (m_buffer) FreeBlock(m_buffer);
    m_buffer = gathered.data;
    gathered.data = nullptr;
    m_count = int16_t(std::min(gathered.count, 0x7FFF));
  }
  return TRUE;
}

BOOL CReadLogSection::GatherBlock(uint32_t from, bool (*isHeader)(const char*, int), int arg, uint32_t* after) {
  if (!m_buffer) return FALSE;
  Gathered g(0);
  bool inBlock = false;
  uint32_t end = m_length;
  int walked = Walk(from, [&](const char* r, uint32_t offset) {
    if (!inBlock) {
      if (!isHeader(r, arg)) return true;
      inBlock = true;
    }
    if (!g.Add(r)) return false;
    if (IsEnd(r) && g.count > 1) {
      end = offset + LOG_RECORD_SIZE;
      return false;
    }
    return true;
  });
  if (after) *after = inBlock ? end : m_length;
  return Finish(g, walked);
}

BOOL CReadLogSection::ReadSegment(int16_t segment) {
  return GatherBlock(0, [](const char* r, int s) { return IsSegmentHeader(r, s); }, segment, nullptr);
}
BOOL CReadLogSection::ReadFileNames() { return GatherBlock(0, IsFileNames, 0, nullptr); }
BOOL CReadLogSection::ReadSetPoints() { return GatherBlock(0, IsSetPoints, 0, nullptr); }
BOOL CReadLogSection::ReadTune(int16_t segment) { return GatherBlock(0, IsTune, segment, nullptr); }
BOOL CReadLogSection::ReadIPM(int16_t segment) { return GatherBlock(0, IsIpm, segment, nullptr); }

BOOL CReadLogSection::ReadNextSegment() {
  uint32_t after = m_nextSegment;
  BOOL ok = GatherBlock(m_nextSegment, IsAnySegmentHeader, 0, &after);
  if (ok) m_nextSegment = after;
  return ok;
}

BOOL CReadLogSection::ReadUserLog() {
  if (!m_buffer) return FALSE;
  Gathered g(0);
  bool inNotes = false;
  int walked = Walk(0, [&](const char* r, uint32_t) {
    if (!inNotes) {
      if (!Starts(r, kNotes)) return true;
      inNotes = true;
      return g.Add(r);
    }
    if (TextIsBlank(r) || Starts(r, kNotes)) return true;
    if (IsEnd(r)) {
      char blank[LOG_RECORD_SIZE];
      std::memcpy(blank, r, sizeof blank);
      std::memset(blank, ' ', 62);
      return g.Add(blank);
    }
    return g.Add(r);
  });
  return Finish(g, walked);
}

BOOL CReadLogSection::ReadGC() {
  if (!m_buffer) return FALSE;
  Gathered g(LOG_GC_RECORDS);
  bool first = true;      // the log's first record is skipped
  bool atBlockStart = true;
  bool skipping = false;
  int walked = Walk(0, [&](const char* r, uint32_t) {
    if (first) {
      first = false;
      return true;
    }
    if (RecordStarts(r, kEndTolmar, 10)) return false;
    if (atBlockStart) {
      skipping = IsAnyHeader(r);
      atBlockStart = false;
    }
    if (!skipping && !g.Add(r)) return false;
    if (IsEnd(r)) atBlockStart = true;
    return !g.Full();
  });
  return Finish(g, walked);
}

// ---- CReadTrelLogSection ---------------------------------------------------------------

CReadTrelLogSection::CReadTrelLogSection() = default;
CReadTrelLogSection::~CReadTrelLogSection() { Close(); }

BOOL CReadTrelLogSection::Open(STRUCT_WORK_FILE* workFile) {
  Close();
  if (!workFile || (!workFile->hasLog && !workFile->directHeader)) return FALSE;
  char filePath[MAX_PATH] = {};
  if (!LocateLog(workFile, true, filePath, &m_startOffset, m_tempPath)) return FALSE;
  m_workFile = workFile;
  m_buffer = static_cast<uint8_t*>(AllocBlock(kBufferBytes));
  if (m_buffer) m_file = CreateFileA(filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (!m_buffer || m_file == INVALID_HANDLE_VALUE) {
    Close();
    return FALSE;
  }
  DWORD size = FileSizeOf(m_file);
  if (size < m_startOffset) {
    Close();
    return FALSE;
  }
  m_fileSize = size - m_startOffset;  // offsets below are within the log
  return TRUE;
}

void CReadTrelLogSection::Close() {
  if (m_buffer) FreeBlock(m_buffer);
  m_buffer = nullptr;
  if (m_file != INVALID_HANDLE_VALUE) CloseHandle(m_file);
  m_file = INVALID_HANDLE_VALUE;
  if (m_tempPath[0]) DeleteFileA(m_tempPath);
  m_tempPath[0] = 0;
  m_count = m_position = 0;
  m_bufferOffset = m_readPos = m_fileSize = m_startOffset = 0;
  m_sectionOpen = m_linesReturned = m_sectionLines = 0;
  m_workFile = nullptr;
}

bool CReadTrelLogSection::ReadBufferAt(uint32_t offset) {
  m_count = 0;
  m_position = 0;
  m_bufferOffset = offset;
  if (!m_buffer || m_file == INVALID_HANDLE_VALUE || offset >= m_fileSize) return false;
  const uint32_t want = std::min<uint32_t>(kBufferBytes, m_fileSize - offset);
  if (SetFilePointer(m_file, LONG(m_startOffset + offset), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return false;
  DWORD got = 0;
  if (!ReadFile(m_file, m_buffer, want, &got, nullptr) || got != want) return false;
  m_count = int16_t(want / LOG_RECORD_SIZE);
  m_readPos = offset + want;
  return m_count > 0;
}

STRUCT_TREL_LOG_NAMES* CReadTrelLogSection::ReadListOfSections() {
  if (!m_buffer) return nullptr;
  auto isStar = [](const uint8_t* r) { return std::memcmp(r + 2, "********", 8) == 0; };
  // First pass: how many sections.
  int stars = 0;
  for (uint32_t at = 0; at < m_fileSize; at += kBufferBytes) {
    if (!ReadBufferAt(at)) {
      if (m_count == 0 && at + LOG_RECORD_SIZE > m_fileSize) break;  // a trailing partial record
      return nullptr;
    }
    for (int i = 0; i < m_count; ++i)
      if (isStar(m_buffer + size_t(i) * LOG_RECORD_SIZE)) ++stars;
  }
  const int count = stars + 1;
  if (count > 0x7FFF) return nullptr;
  auto* list = static_cast<STRUCT_TREL_LOG_NAMES*>(AllocBlock(uint32_t(count + 1) * 91 + 353));
  if (!list) return nullptr;
  if (m_workFile)
    std::memcpy(list->dataPath, m_workFile->filePath, strnlen(m_workFile->filePath, sizeof list->dataPath - 1));
  list->count = int16_t(count);
  STRUCT_TREL_LOG_SECTION* s = list->sections;
  std::strcpy(s[0].name, "General Information");
  s[0].startOffset = 0;
  int n = 0;
  for (uint32_t at = 0; at < m_fileSize && n < count - 1; at += kBufferBytes) {
    if (!ReadBufferAt(at)) {
      if (m_count == 0 && at + LOG_RECORD_SIZE > m_fileSize) break;
      FreeBlock(list);
      return nullptr;
    }
    for (int i = 0; i < m_count && n < count - 1; ++i) {
      const uint8_t* r = m_buffer + size_t(i) * LOG_RECORD_SIZE;
      if (!isStar(r)) continue;
      const uint32_t offset = at + uint32_t(i) * LOG_RECORD_SIZE;
      s[n].endOffset = offset;
      ++n;
      s[n].startOffset = offset;
      const char* text = reinterpret_cast<const char*>(r) + 2;
      int p = 0;
      while (p < LOG_RECORD_TEXT && (text[p] == '*' || text[p] == ' ')) ++p;
      int k = 0;
      while (p < LOG_RECORD_TEXT && text[p] != '*' && text[p] != 0 && k < TREL_LOG_NAME_SIZE - 1)
        s[n].name[k++] = text[p++];
      // Without a closing star the name runs into the record's blank padding.
      if (p >= LOG_RECORD_TEXT || text[p] != '*')
        while (k > 0 && s[n].name[k - 1] == ' ') --k;
      s[n].name[k] = 0;
    }
  }
  s[n].endOffset = m_fileSize;
  for (int i = 0; i < count; ++i) {
    uint32_t span = s[i].endOffset >= s[i].startOffset ? s[i].endOffset + 1 - s[i].startOffset : 0;
    s[i].recordCount = uint16_t(std::min<uint32_t>(span / LOG_RECORD_SIZE, 0x7FFF));
  }
  m_sectionOpen = 0;
  return list;
}

int16_t CReadTrelLogSection::OpenSection(const STRUCT_TREL_LOG_NAMES* list, int16_t index) {
  m_sectionOpen = 0;
  m_linesReturned = m_sectionLines = 0;
  if (!list || index < 0 || index >= list->count || !m_buffer) return 0;
  const STRUCT_TREL_LOG_SECTION& s = list->sections[index];
  if (s.recordCount == 0 || !ReadBufferAt(s.startOffset)) return 0;
  m_sectionLines = int16_t(s.recordCount);
  m_sectionOpen = 1;
  return m_sectionLines;
}

BOOL CReadTrelLogSection::GetNextSectionLine(char* buffer) {
  if (!buffer) return FALSE;
  buffer[0] = 0;
  if (!m_sectionOpen || m_linesReturned >= m_sectionLines) {
    m_sectionOpen = 0;
    return FALSE;
  }
  if (m_position >= m_count * LOG_RECORD_SIZE) {
    if (!ReadBufferAt(m_readPos)) {
      m_sectionOpen = 0;
      return FALSE;
    }
  }
  std::memcpy(buffer, m_buffer + m_position + 2, TREL_LOG_LINE_SIZE - 1);
  buffer[TREL_LOG_LINE_SIZE - 1] = 0;
  m_position = int16_t(m_position + LOG_RECORD_SIZE);
  if (++m_linesReturned >= m_sectionLines) m_sectionOpen = 0;
  return TRUE;
}
