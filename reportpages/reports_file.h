#pragma once
// The reports file: finished report pages, one page a slot, in a sectioned
// file of type 790. "MSRHeader" holds the counts and one status byte a slot,
// "MSRSlotInfo" the 103-byte directory records in page order, and
// "MSRPage%07d" the content of each slot. The file is reopened by name for
// every operation; no handle stays open between calls.
#include <cstddef>
#include <cstdint>

#include "common/kelt_export.h"

#pragma pack(push, 1)
struct RptsFileHeader {
  uint16_t version;    // 2 (1: old format, upgraded on open)
  uint32_t createdAt;  // GetCurrentDateTime
  int32_t pageCount;   // pages that exist now
  int32_t usedSlots;   // slots ever handed out, deleted ones included
  int32_t capacity;    // status bytes that follow; steps of 1000
  uint8_t reserved[16];
};

struct RptsPageRecord {
  uint16_t kind;  // 1 metafile, 0 text lines, 2 text entries
  uint16_t columns;
  uint16_t lines;
  uint16_t orientation;  // 0 portrait, 1 landscape, 2/3 portrait/landscape unless the preferences say
  uint16_t fontFlag;
  uint16_t colorMode;      // 0..4; anything else reads as 2
  uint16_t logicalWidth;   // 0 = 32767
  uint16_t logicalHeight;  // 0 = 32767
  uint16_t pageNumber;
  uint32_t dateTime;
  char title[81];
};

struct RptsFileHeaderV1 {
  uint16_t version;
  uint32_t createdAt;
  int16_t pageCount;
  int16_t usedSlots;
  uint8_t status[500];
};
#pragma pack(pop)

static_assert(sizeof(RptsFileHeader) == 34);
static_assert(offsetof(RptsFileHeader, pageCount) == 6);
static_assert(offsetof(RptsFileHeader, capacity) == 14);
static_assert(sizeof(RptsPageRecord) == 103);
static_assert(offsetof(RptsPageRecord, dateTime) == 18);
static_assert(offsetof(RptsPageRecord, title) == 22);
static_assert(sizeof(RptsFileHeaderV1) == 510);

#define MSR_FILE_TYPE 790
#define MSR_MAX_SLOTS 15900
#define MSR_CAPACITY_STEP 1000
#define MSR_PAGE_RECORD_SIZE 103
#define MSR_SLOT_PAGE 1
#define MSR_SLOT_DELETED 2

class KELT_CLASS CRptsFileHandler {
 public:
  // Opens path when given (a failed open leaves the object without a file).
  CRptsFileHandler(const char* path, const char* secondName);
  explicit CRptsFileHandler(const char* secondName = nullptr);
  ~CRptsFileHandler();
  CRptsFileHandler(const CRptsFileHandler&) = delete;
  CRptsFileHandler& operator=(const CRptsFileHandler&) = delete;

  void Close();
  int UseThisExistingFile(const char* path);
  int LetUserSelectExistingFile();
  int MakeThisNewFile(const char* path);
  int LetUserCreateNewFile();

  // -1 when no file is open.
  int32_t GetCountOfPages() const;
  int32_t GetUsedSlotCount() const;
  int32_t GetFreeSlotCount() const;

  // The page's record and its content in an AllocBlock block (FreeBlock);
  // null when there is no such page or it cannot be read.
  void* GetPage(int32_t index, RptsPageRecord* record, uint32_t* size);
  int AddPageToFile(const void* content, uint32_t size, uint16_t kind, uint16_t columns, uint16_t lines,
                    uint16_t orientation, uint16_t fontFlag, uint16_t colorMode, uint16_t logicalWidth,
                    uint16_t logicalHeight, uint16_t pageNumber, uint32_t dateTime, const char* title);
  int ReplacePage(int32_t index, const void* content, uint32_t size);
  int DeletePage(int32_t index);
  // Records first..last in one AllocBlock block, colour modes normalised.
  RptsPageRecord* GetSlotRange(int32_t first, int32_t last);

  bool IsOpen() const { return m_FileName[0] != 0 && m_Header; }
  // 1-based slot of a page, 0 when there is none.
  int32_t SlotOfPage(int32_t index) const;
  // "MSRPage" and the slot in seven digits.
  static void PageSectionName(int32_t slot, char* out, size_t size);

  char m_FileName[260];
  char m_SecondName[260];
  int32_t m_WriteProtected;
  uint8_t* m_Header;  // 34 header bytes (block of 54)
  uint8_t* m_Status;  // capacity + 20 bytes
  char m_PageSection[32];

 private:
  int OpenFile(const char* path);
  int UpgradeVersion1(const char* path);
  int WriteHeader();
  // Writes directory bytes at offset in one commit.
  bool WriteAt(uint32_t offset, const void* data, uint32_t count);
  RptsFileHeader& Head() const { return *reinterpret_cast<RptsFileHeader*>(m_Header); }
};
