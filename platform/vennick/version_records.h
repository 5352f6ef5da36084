#pragma once
// The archive's records as bytes. Every record ends with an FNV-1a
// checksum of the bytes before it; a record that does not read back whole
// (short, long, a count past its end, a checksum that differs) is refused.
//
// "VnkArchive": "VNKA", u16 format (1), u16 0, i32 archived count, i32 tip
// version, i32 created time, i32 tip time, char[64] tip user, char[260]
// archive name, u32 reason length, the tip's reason, u32 checksum.
// "VnkVersion.<n>": "VNKV", u16 format (1), u16 0, i32 version, i32 saved
// time, char[64] user, i32 file type code, u16 format word, u16 0, u32
// reason length, reason, u32 section count, then per section u16 name
// length, name, u32 byte count, bytes; u32 checksum.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vennick {

struct ArchiveState {
  int32_t archivedCount = 0;
  int32_t tipVersion = 0;
  int32_t createdTime = 0;
  int32_t tipTime = 0;
  std::string tipUser;
  std::string archiveName;
  std::string tipReason;
};

struct SectionCopy {
  std::string name;
  std::string bytes;
};

struct VersionRecord {
  int32_t version = 0;
  int32_t savedTime = 0;
  std::string user;
  int32_t typeCode = 0;
  uint16_t formatWord = 0;
  std::string reason;
  std::vector<SectionCopy> sections;
};

std::string FormatArchiveState(const ArchiveState& state);
bool ParseArchiveState(const char* bytes, size_t size, ArchiveState* state);
std::string FormatVersionRecord(const VersionRecord& record);
// withSections false reads the facts and reason only (the checksum is still checked).
bool ParseVersionRecord(const char* bytes, size_t size, VersionRecord* record, bool withSections);

}  // namespace vennick
