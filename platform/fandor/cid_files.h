#pragma once
// Replicate (CID) files of spectrum lists: beside a list "X.MSP" lies
// "X.CID", a text of entries parted by blank lines. An entry is its lines:
// the first names the compound, the others are its replicate strings
// (synonyms). A list entry finds its own by the byte offset and length that
// its "CID:" line gives.
#include <cstdint>
#include <string>
#include <vector>

#include "fandor/fandor.h"

#define FANDOR_CID_CLASS __attribute__((visibility("default")))
#define CID_STRING_SIZE 256   // bytes of a string with its end
#define CID_MOST_STRINGS 256  // strings an entry keeps
#define CID_MOST_ENTRY_BYTES 65536

class FANDOR_CID_CLASS CAccessCIDFile {
 public:
  CAccessCIDFile() = default;
  CAccessCIDFile(const char* listPath, const uint32_t reference[2]) { SetEntry(listPath, reference); }
  // Reads the entry that reference (offset, length) names in the replicate
  // file of the list at listPath. FALSE, with no strings, when there is no
  // such file, the reference lies outside it or does not start an entry.
  BOOL SetEntry(const char* listPath, const uint32_t reference[2]);
  int32_t ReturnCIDEntryRepCount() const { return static_cast<int32_t>(strings_.size()); }
  // String index (from 0) into buffer (CID_STRING_SIZE bytes); FALSE and an
  // empty buffer outside the entry.
  BOOL ReturnCIDEntryRepString(int32_t index, char* buffer) const;

  // The replicate file of a list path: its extension (or its end) ".CID".
  static std::string PathFor(const char* listPath);

 private:
  std::vector<std::string> strings_;
};
