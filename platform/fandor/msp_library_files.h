#pragma once
// Spectrum libraries in MSP text form: entries of "Name:", "Formula:",
// "MW:", "CAS#:" and "Num Peaks:" lines followed by the mass-intensity
// pairs, entries parted by blank lines. The index table of a library is the
// byte offset of each entry's "Name:" line. Entries may tell more before
// their peaks (contributor, databases, synonyms, estimates, import; see
// entry_text.h); older files without those lines read as before.
#include <cstdint>
#include <string>
#include <vector>

#include "fandor.h"
#include "fandor/list_entries.h"
#include "fandor/nist_entries.h"

#define FANDOR_MSP_CLASS __attribute__((visibility("default")))
#define MSP_NAME_SIZE 256
#define MSP_FORMULA_SIZE 64
#define MSP_MOST_PEAKS 1000

struct MSP_SPECTRUM {
  char name[MSP_NAME_SIZE];
  char formula[MSP_FORMULA_SIZE];
  int32_t casNumber;        // digits without hyphens, 0 none
  int32_t molecularWeight;
  int16_t peakCount;        // pairs kept, at most MSP_MOST_PEAKS
  float masses[MSP_MOST_PEAKS];
  float intensities[MSP_MOST_PEAKS];
};

class FANDOR_MSP_CLASS CAccessMSPFile {
 public:
  explicit CAccessMSPFile(int16_t mode) : mode_(mode) {}
  ~CAccessMSPFile() = default;
  // FALSE when the library cannot be read. The text itself is read only
  // when an index table has to be built: with a table kept from an earlier
  // open, a spectrum costs the bytes of its own entry.
  BOOL Open(const char* path);
  // Takes an index table kept from an earlier open (offsets of the entries).
  BOOL SetIndexes(const uint32_t* offsets, int32_t count);
  // The index table (built on first need); the number of entries.
  int32_t GetIndexes(std::vector<uint32_t>* offsets);
  // Entry index (from 0); FALSE outside the library or for a damaged entry.
  BOOL ReadSpectrum(int32_t index, MSP_SPECTRUM* spectrum);
  // Builds the index table now (TRUE), or FALSE when the file is not open;
  // the number of entries (0 when not open).
  BOOL CreateIndexes();
  int32_t CountSpectra();
  // Entry index (from 0) of a spectrum list with all it tells (precise
  // pairs, contributor, databases, import, scan function, estimates as the
  // attached block, its place in the replicate file), numbered from 1, for
  // LIST_Free; 0 outside the list, for a damaged entry or without memory.
  STRUCT_LIST_SPT* ReadSpectrum(int32_t index);
  // The same entry as a NIST library entry (nominal pairs, its details as
  // the auxiliary data's block; the library name is the file's name
  // without extension), for NIST_Free; 0 as above.
  STRUCT_NIST_SPT* ReadLibraryEntry(int32_t index);

 private:
  bool LoadText();
  // Where entry index lies: in *own (its bytes alone) or in the whole text.
  bool EntryText(int32_t index, std::string* own, const std::string** text, size_t* at);
  bool ReadRange(uint64_t from, uint64_t to, std::string* out) const;
  void BuildIndexes();
  int16_t mode_;
  std::string path_;
  uint64_t size_ = 0;
  bool open_ = false, loaded_ = false;
  std::string text_;
  std::vector<uint32_t> offsets_;
  bool indexed_ = false;
};
