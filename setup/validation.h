#pragma once
// The workstation's validation data ("ZEPH.VAL": an 80-byte description,
// 13 bytes the installer leaves alone, then 94-byte file records: an
// 80-byte name, size, checksum and 6 further bytes) and its history.
#include <cstdint>
#include <string>

namespace setup {

#pragma pack(push, 1)
struct ValRecord {
  char name[80];
  uint32_t size;
  uint32_t checksum;
  uint8_t extra[6];
};
#pragma pack(pop)
static_assert(sizeof(ValRecord) == 94);
inline constexpr size_t kValHead = 93;

// XOR of the file's 32-bit little-endian words (a short last word padded
// with zeros); 0 and size 0 for an empty or unreadable file.
uint32_t ComputeFileChecksum(const std::string& path, uint32_t* size);
// "6.2.31.7" and " PATCHED" or " PRE-RELEASE"; empty without a version.
std::string GetFileVersionText(const std::string& path);
// Merges the update's records into the workstation's validation file and
// appends the history to the workstation's configuration section. The
// number of records merged, or -2 when nothing could be merged.
int MergeValidationHistory(const std::string& workstationFile, const std::string& updateFile,
                           const std::string& description);
// The same for workstations before version 6: the history stays in the
// ".hst" file beside the validation file.
int MergeValidationStreams(const std::string& workstationFile, const std::string& updateFile,
                           const std::string& description);

}  // namespace setup
