// "MSQualifiers:h4" (one fixed record per compound step) and "MSTICs:h4"
// (a chain of peak records, each a head and its library hits).
//
// Every length, count and offset in a TIC section comes from the file, so
// each is checked against the record and the section before it is used.
#include <cstring>
#include <vector>

#include "quant/results_sections.h"

namespace {

bool Seek(HSECTION s, uint32_t at) { return SeekSection(s, static_cast<int32_t>(at), 0) == at; }

bool ReadU32At(HSECTION s, uint32_t at, uint32_t* value) {
  return Seek(s, at) && ReadSectionBytes(s, value, 4) == 4;
}

// A section of whole qualifier records.
bool IsSoundQualifiers(HSECTION s) { return GetSectionSize(s) % QUALIFIER_RECORD_SIZE == 0 && Seek(s, 0); }

// A chain whose every record has at least a head and lies inside the section.
bool IsSoundTICs(HSECTION s) {
  const uint32_t size = GetSectionSize(s);
  uint64_t at = 0;
  while (at + 4 <= size) {
    uint32_t length = 0;
    if (!ReadU32At(s, uint32_t(at), &length)) return false;
    if (length == 0) break;
    if (length < TIC_PEAK_HEAD_SIZE || at + length > size) return false;
    at += length;
  }
  return Seek(s, 0);
}

HSECTION Checked(HSECTION s, bool (*sound)(HSECTION)) {
  if (s && !sound(s)) {
    CloseSection(s);
    return nullptr;
  }
  return s;
}

// Start of peak i of the chain and its length; false past the end.
bool FindPeak(HSECTION s, int16_t index, uint32_t* start, uint32_t* length) {
  if (index < 0) return false;
  const uint32_t size = GetSectionSize(s);
  uint64_t at = 0;
  for (int16_t i = 0;; ++i) {
    uint32_t n = 0;
    if (at + 4 > size || !ReadU32At(s, uint32_t(at), &n) || n == 0) return false;
    if (n < TIC_PEAK_HEAD_SIZE || at + n > size) return false;
    if (i == index) {
      *start = uint32_t(at);
      *length = n;
      return true;
    }
    at += n;
  }
}

// A block of length bytes read from at; null on any failure.
void* ReadBlock(HSECTION s, uint32_t at, uint32_t length) {
  void* block = AllocBlock(length);
  if (!block) return nullptr;
  if (!Seek(s, at) || ReadSectionBytes(s, block, length) != length) {
    FreeBlock(block);
    return nullptr;
  }
  return block;
}

// A hit whose length is its head and its ions, no more and no less: what
// the display library's reader of the same record accepts.
bool IonsFit(const STRUCT_TIC_HIT* hit) {
  return hit->ionCount >= 0 &&
         TIC_HIT_HEAD_SIZE + uint64_t(TIC_HIT_ION_SIZE) * uint64_t(hit->ionCount) == hit->length;
}

// Hit j of a peak block, checked against the peak; null when absent or damaged.
const STRUCT_TIC_HIT* HitOf(const STRUCT_TIC_PEAK* peak, int16_t j) {
  const int16_t slots = peak->hitCount < TIC_PEAK_MAX_HITS ? peak->hitCount : int16_t(TIC_PEAK_MAX_HITS);
  if (j < 0 || j >= slots) return nullptr;
  const uint32_t offset = peak->hitOffsets[j];
  if (offset < TIC_PEAK_HEAD_SIZE || uint64_t(offset) + TIC_HIT_HEAD_SIZE > peak->length) return nullptr;
  const auto* hit = reinterpret_cast<const STRUCT_TIC_HIT*>(reinterpret_cast<const uint8_t*>(peak) + offset);
  if (hit->length < TIC_HIT_HEAD_SIZE || uint64_t(offset) + hit->length > peak->length || !IonsFit(hit))
    return nullptr;
  return hit;
}

}  // namespace

// ---- Qualifiers ---------------------------------------------------------------------

HSECTION CreateQualifierData(const char* dataFile, int16_t n) {
  if (!dataFile || n < 0) return nullptr;
  HSECTION s = CreateSection(dataFile, QUALIFIERS_SECTION, nullptr);
  if (!s) return nullptr;
  const std::vector<uint8_t> zeros(QUALIFIER_RECORD_SIZE, 0);
  for (int i = 0; i < n; ++i) {
    if (WriteSectionBytes(s, zeros.data(), QUALIFIER_RECORD_SIZE) != QUALIFIER_RECORD_SIZE) {
      CloseSection(s);
      return nullptr;
    }
  }
  return s;
}

HSECTION OpenQualifierData(const char* dataFile) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  return Checked(OpenSection(dataFile, QUALIFIERS_SECTION, nullptr), IsSoundQualifiers);
}

HSECTION OpenQualifierDataReadOnly(const char* dataFile) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  return Checked(OpenSectionReadOnly(dataFile, QUALIFIERS_SECTION, nullptr), IsSoundQualifiers);
}

int32_t CountQualifierCompounds(HSECTION section) {
  return section ? int32_t(GetSectionSize(section) / QUALIFIER_RECORD_SIZE) : 0;
}

BOOL GetQualifierRecord(HSECTION section, int16_t index, STRUCT_QUALIFIER_RECORD* record) {
  if (!section || !record || index < 0 || !Seek(section, uint32_t(index) * QUALIFIER_RECORD_SIZE)) return FALSE;
  return ReadSectionBytes(section, record, QUALIFIER_RECORD_SIZE) == QUALIFIER_RECORD_SIZE;
}

BOOL WriteQualifierRecord(HSECTION section, int16_t index, const STRUCT_QUALIFIER_RECORD* record) {
  if (!section || !record || index < 0 || !Seek(section, uint32_t(index) * QUALIFIER_RECORD_SIZE)) return FALSE;
  return WriteSectionBytes(section, record, QUALIFIER_RECORD_SIZE) == QUALIFIER_RECORD_SIZE;
}

BOOL GetMatchingQualifierRecord(HSECTION section, int32_t compoundNumber, STRUCT_QUALIFIER_RECORD* record) {
  if (!section || !record || !Seek(section, 0)) return FALSE;
  while (ReadSectionBytes(section, record, QUALIFIER_RECORD_SIZE) == QUALIFIER_RECORD_SIZE)
    if (record->compoundNumber == compoundNumber) return TRUE;
  return FALSE;
}

BOOL CopyQualifierData(const char* destination, const char* source) {
  if (!destination || !source) return FALSE;
  return CopySection(source, QUALIFIERS_SECTION, destination, QUALIFIERS_SECTION);
}

// ---- TIC peaks and hits -------------------------------------------------------------

BOOL CopyTICData(const char* destination, const char* source) {
  if (!destination || !source) return FALSE;
  return CopySection(source, TICS_SECTION, destination, TICS_SECTION);
}

HSECTION CreateTICData(const char* dataFile) {
  return dataFile ? CreateSection(dataFile, TICS_SECTION, nullptr) : nullptr;
}

HSECTION OpenTICData(const char* dataFile) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  return Checked(OpenSection(dataFile, TICS_SECTION, nullptr), IsSoundTICs);
}

HSECTION OpenTICDataReadOnly(const char* dataFile) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  return Checked(OpenSectionReadOnly(dataFile, TICS_SECTION, nullptr), IsSoundTICs);
}

HSECTION OpenTICDataReadOnlyShared(const char* dataFile) {
  if (!dataFile || !OpenResultsSection(dataFile)) return nullptr;
  return Checked(OpenSectionReadOnlyShared(dataFile, TICS_SECTION, nullptr), IsSoundTICs);
}

int32_t CountTICUnknowns(HSECTION section) {
  if (!section) return 0;
  const uint32_t size = GetSectionSize(section);
  int32_t count = 0;
  uint64_t at = 0;
  for (;;) {
    uint32_t length = 0;
    if (at + 4 > size || !ReadU32At(section, uint32_t(at), &length) || length == 0) break;
    // A record that cannot hold its head, or runs past the end, ends the chain.
    if (length < TIC_PEAK_HEAD_SIZE || at + length > size) break;
    ++count;
    at += length;
  }
  return count;
}

STRUCT_TIC_PEAK* GetTICPeak(HSECTION section, int16_t index) {
  uint32_t start = 0, length = 0;
  if (!section || !FindPeak(section, index, &start, &length)) return nullptr;
  return static_cast<STRUCT_TIC_PEAK*>(ReadBlock(section, start, length));
}

STRUCT_TIC_HIT* GetTICHitRecord(HSECTION section, int16_t peak, int16_t hit) {
  STRUCT_TIC_PEAK* p = GetTICPeak(section, peak);
  if (!p) return nullptr;
  STRUCT_TIC_HIT* out = nullptr;
  if (const STRUCT_TIC_HIT* h = HitOf(p, hit)) {
    out = static_cast<STRUCT_TIC_HIT*>(AllocBlock(h->length));
    if (out) std::memcpy(out, h, h->length);
  }
  FreeTICPeak(p);
  return out;
}

STRUCT_TIC_PEAK* GetMatchingTICPeak(HSECTION section, uint32_t offset) {
  uint32_t length = 0;
  if (!section || offset == 0 || !ReadU32At(section, offset, &length)) return nullptr;
  if (length < TIC_PEAK_HEAD_SIZE || uint64_t(offset) + length > GetSectionSize(section)) return nullptr;
  return static_cast<STRUCT_TIC_PEAK*>(ReadBlock(section, offset, length));
}

STRUCT_TIC_HIT* GetMatchingTICHitRecord(HSECTION section, uint32_t offset) {
  uint32_t length = 0;
  if (!section || offset == 0 || !ReadU32At(section, offset, &length)) return nullptr;
  if (length < TIC_HIT_HEAD_SIZE || uint64_t(offset) + length > GetSectionSize(section)) return nullptr;
  auto* hit = static_cast<STRUCT_TIC_HIT*>(ReadBlock(section, offset, length));
  if (hit && !IonsFit(hit)) {
    FreeTICHitRecord(hit);
    return nullptr;
  }
  return hit;
}

BOOL WriteTICPeak(HSECTION section, int16_t, const STRUCT_TIC_PEAK* record) {
  if (!section || !record || record->length < TIC_PEAK_HEAD_SIZE) return FALSE;
  const uint32_t end = GetSectionSize(section);
  if (!Seek(section, end)) return FALSE;
  return WriteSectionBytes(section, record, record->length) == record->length;
}

void FreeTICPeak(STRUCT_TIC_PEAK* block) { FreeBlock(block); }

void FreeTICHitRecord(STRUCT_TIC_HIT* block) { FreeBlock(block); }
