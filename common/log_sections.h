#pragma once
// Readers of a data file's acquisition log: a text of fixed 64-byte
// records (bytes 0-1 not text, bytes 2-63 blank-padded text). Blocks of
// records begin with a header text and end with a record beginning "End".
//
// CReadLogSection picks out the blocks reports show; CReadTrelLogSection
// reads the star-line sectioned log of the triple-quadrupole model.
#include <cstdint>

#include "common/kelt_export.h"
#include "win/win_types.h"

struct STRUCT_WORK_FILE;

#define LOG_RECORD_SIZE 64
#define LOG_RECORD_TEXT 62        // text bytes of a record (2..63)
#define LOG_BUFFER_RECORDS 100    // one read of the log
#define LOG_GC_RECORDS 400        // the GC blocks are gathered up to this many records
#define TREL_LOG_NAME_SIZE 81
#define TREL_LOG_LINE_SIZE 61     // 60 characters and a NUL

#pragma pack(push, 1)
// One section of a star-line sectioned log.
struct STRUCT_TREL_LOG_SECTION {
  char name[TREL_LOG_NAME_SIZE];
  uint32_t startOffset;   // file offset of its first record
  uint32_t endOffset;     // file offset just past its last record
  uint16_t recordCount;   // (end + 1 - start) / 64
};
// The list returned by ReadListOfSections: one AllocBlock block of
// (count + 1) x 91 + 353 bytes, freed by the caller with FreeBlock.
struct STRUCT_TREL_LOG_NAMES {
  char dataPath[260];
  int16_t count;
  STRUCT_TREL_LOG_SECTION sections[1];  // count entries
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_TREL_LOG_SECTION) == 91);
static_assert(sizeof(STRUCT_TREL_LOG_NAMES) == 262 + 91);

class KELT_CLASS CReadLogSection {
 public:
  CReadLogSection();
  ~CReadLogSection();
  CReadLogSection(const CReadLogSection&) = delete;
  CReadLogSection& operator=(const CReadLogSection&) = delete;

  // 1 when the work file has a log that could be opened.
  BOOL Open(STRUCT_WORK_FILE* workFile);
  void Close();
  // The next 100 records of the log; a count of 0 at its end.
  BOOL ReadNext();
  // Each reads one block into the buffer; 1 with a count of 0 means "not found".
  BOOL ReadSegment(int16_t segment);
  BOOL ReadFileNames();
  BOOL ReadSetPoints();
  BOOL ReadUserLog();
  BOOL ReadGC();
  BOOL ReadNextSegment();
  BOOL ReadTune(int16_t segment);
  BOOL ReadIPM(int16_t segment);

  // The records of the last read.
  int16_t GetCount() const { return m_count; }
  // Record i (64 bytes), or null outside the count.
  const char* GetRecord(int i) const;
  // Its 62 text characters with the trailing blanks removed.
  BOOL GetRecordText(int i, char* buffer, int size) const;

 private:
  struct Gathered;
  // Calls visit(record, log offset) for each record from the log offset
  // on, until it returns false: 1 stopped, 0 end of log, -1 read failure.
  template <class Visit>
  int Walk(uint32_t from, Visit&& visit);
  // Ends a gathering read: the gathered records become the buffer.
  BOOL Finish(Gathered& gathered, int walked);
  // The block from the first record that passes isHeader through the next
  // "End" record; *after is the log offset past the block's last record.
  BOOL GatherBlock(uint32_t from, bool (*isHeader)(const char*, int), int arg, uint32_t* after);

  STRUCT_WORK_FILE* m_workFile = nullptr;
  uint8_t* m_buffer = nullptr;     // AllocBlock; at least 100 records
  int16_t m_count = 0;
  uint32_t m_start = 0;            // offset of the log in the file
  uint32_t m_read = 0;             // bytes of the log read so far
  uint32_t m_length = 0;           // bytes of the log
  HANDLE m_file = INVALID_HANDLE_VALUE;
  uint32_t m_nextSegment = 0;      // where ReadNextSegment goes on (log offset)
  char m_tempPath[260] = {};
};

class KELT_CLASS CReadTrelLogSection {
 public:
  CReadTrelLogSection();
  ~CReadTrelLogSection();
  CReadTrelLogSection(const CReadTrelLogSection&) = delete;
  CReadTrelLogSection& operator=(const CReadTrelLogSection&) = delete;

  BOOL Open(STRUCT_WORK_FILE* workFile);
  void Close();
  // The sections of the log; null on failure.
  STRUCT_TREL_LOG_NAMES* ReadListOfSections();
  // The section's number of lines; 0 when it cannot be opened.
  int16_t OpenSection(const STRUCT_TREL_LOG_NAMES* list, int16_t index);
  // The next line (60 characters) of the open section into buffer (61 bytes).
  BOOL GetNextSectionLine(char* buffer);

 private:
  bool ReadBufferAt(uint32_t offset);

  STRUCT_WORK_FILE* m_workFile = nullptr;
  uint8_t* m_buffer = nullptr;
  int16_t m_count = 0;             // records in the buffer
  int16_t m_position = 0;          // byte position in the buffer
  char m_tempPath[260] = {};
  uint32_t m_bufferOffset = 0;     // file offset of the buffer
  uint32_t m_readPos = 0;
  uint32_t m_fileSize = 0;
  HANDLE m_file = INVALID_HANDLE_VALUE;
  int16_t m_sectionOpen = 0;
  int16_t m_linesReturned = 0;
  int16_t m_sectionLines = 0;
  uint32_t m_startOffset = 0;      // the log's offset in the file
};

// Where a work file's log lies: the file to read, the log's offset in it,
// and a temporary copy to delete afterwards (tempPath empty when none).
// Raw MS files keep their log after the scan data: from the end-of-data
// long of the raw header to the end of the file. Other files need file
// type 23 (or, with anyType, any type) and a "LogFile" section, which is
// copied to a "YYY" temporary file.
namespace kelt::logs {
bool LocateLog(const STRUCT_WORK_FILE* workFile, bool anyType, char* filePath, uint32_t* start, char* tempPath);
// Text of a record (62 characters) compared at its start.
bool RecordStarts(const char* record, const char* text, int length);
}  // namespace kelt::logs
