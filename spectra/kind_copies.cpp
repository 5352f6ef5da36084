// Copies and releases of the non-MS spectrum kinds, and TIC spectra read
// from the library hits that the quantitation engine keeps for unknown
// peaks.
#include <algorithm>
#include <cstring>

#include "common/results_access.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "spectra/other_spectra.h"

namespace {

void* Dup(const void* src, uint32_t bytes, bool* failed) {
  if (!src || bytes == 0) return nullptr;
  void* out = AllocBlock(bytes);
  if (!out) {
    *failed = true;
    return nullptr;
  }
  std::memcpy(out, src, bytes);
  return out;
}

// Where the hit record of a TIC peak keeps what the spectrum shows.
constexpr size_t kHitName = 40, kHitFormula = 340, kHitComment = 381, kHitEntry = 427, kHitLibrary = 437,
                 kHitIonCount = 717;
constexpr size_t kHitNameSize = 300, kHitFormulaSize = 41, kHitCommentSize = 46, kHitLibrarySize = 280;
// The results step's index of its TIC record (-1 none).
constexpr size_t kStepTicIndex = 324;
constexpr size_t kResultStepSize = 1375;

template <typename T>
T Get(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Text(char* dst, size_t dstSize, const uint8_t* src, size_t srcSize) {
  size_t n = 0;
  while (n < srcSize && n + 1 < dstSize && src[n]) ++n;
  std::memcpy(dst, src, n);
  dst[n] = 0;
}

// The kind record from a hit: texts bounded to their fields, ions as
// integer pairs (masses beyond 16 bits and negative abundances refused
// as 0 rather than wrapped).
STRUCT_TIC_SPT* TicFromHit(const uint8_t* hit, uint32_t hitBytes) {
  if (hitBytes < DF_TIC_HIT_HEAD) return nullptr;
  const int16_t ions = Get<int16_t>(hit + kHitIonCount);
  // The record's own length is its head and its ions, as every reader of it
  // holds.
  if (ions < 0 || DF_TIC_HIT_HEAD + 6u * uint32_t(ions) > hitBytes ||
      Get<uint32_t>(hit) != DF_TIC_HIT_HEAD + 6u * uint32_t(ions))
    return nullptr;
  const uint32_t bytes = uint32_t(sizeof(STRUCT_TIC_SPT) + size_t(std::max<int>(ions, 1) - 1) * sizeof(TOL_PAIR));
  auto* tic = static_cast<STRUCT_TIC_SPT*>(AllocBlock(bytes));
  if (!tic) return nullptr;
  Text(tic->name, sizeof tic->name, hit + kHitName, kHitNameSize);
  Text(tic->formula, sizeof tic->formula, hit + kHitFormula, kHitFormulaSize);
  Text(tic->comment, sizeof tic->comment, hit + kHitComment, kHitCommentSize);
  tic->entryNumber = int32_t(Get<uint32_t>(hit + kHitEntry));
  Text(tic->dataFile, sizeof tic->dataFile, hit + kHitLibrary, kHitLibrarySize);
  int16_t n = 0;
  for (int16_t i = 0; i < ions; ++i) {
    const uint8_t* ion = hit + DF_TIC_HIT_HEAD + 6 * size_t(i);
    const uint32_t mass = Get<uint32_t>(ion);
    const int16_t abundance = Get<int16_t>(ion + 4);
    if (mass > 0xFFFF) continue;
    tic->pairs[n++] = TOL_PAIR{uint16_t(mass), uint32_t(std::max<int16_t>(abundance, 0))};
  }
  tic->pairCount = n;
  return tic;
}

}  // namespace

KELT_API STRUCT_DIFF_SPT* DIFF_CopySpectrum(const STRUCT_DIFF_SPT* diff) { return kelt::spectra::CopyDiff(diff); }
KELT_API STRUCT_LIST_SPT* LIST_CopySpectrum(const STRUCT_LIST_SPT* list) { return kelt::spectra::CopyList(list); }
KELT_API STRUCT_SLBR_SPT* SLBR_CopySpectrum(const STRUCT_SLBR_SPT* slbr) { return kelt::spectra::CopySlbr(slbr); }
KELT_API STRUCT_REF_SPT* REF_CopySpectrum(const STRUCT_REF_SPT* ref) { return kelt::spectra::CopyRef(ref); }
KELT_API STRUCT_REF_EX_SPT* REF_EX_CopySpectrum(const STRUCT_REF_EX_SPT* refEx) {
  return kelt::spectra::CopyRefEx(refEx);
}
KELT_API STRUCT_TIC_SPT* TIC_CopySpectrum(const STRUCT_TIC_SPT* tic) { return kelt::spectra::CopyTic(tic); }

KELT_API uint8_t* NIST_DupChemStruct(const uint8_t* chemStruct) {
  bool failed = false;
  return static_cast<uint8_t*>(Dup(chemStruct, NIST_CHEM_STRUCT_SIZE, &failed));
}

KELT_API NIST_AUX_DATA* NIST_DupAuxData(const NIST_AUX_DATA* aux) {
  if (!aux) return nullptr;
  auto* out = static_cast<NIST_AUX_DATA*>(AllocBlock(sizeof(NIST_AUX_DATA)));
  if (!out) return nullptr;
  std::memcpy(out, aux, sizeof *out);
  out->text = nullptr;
  out->block = nullptr;
  out->values = nullptr;
  bool failed = false;
  out->text = static_cast<char*>(Dup(aux->text, aux->textSize, &failed));
  out->block = static_cast<uint8_t*>(Dup(aux->block, aux->blockSize, &failed));
  if (aux->values && aux->valueCount) {
    if (aux->valueCount > 0x3FFFFFFFu) failed = true;
    else out->values = static_cast<uint32_t*>(Dup(aux->values, aux->valueCount * 4u, &failed));
  }
  if (failed) {
    NIST_FreeAuxData(out);
    return nullptr;
  }
  return out;
}

KELT_API STRUCT_NIST_SPT* NIST_CopySpectrum(const STRUCT_NIST_SPT* nist) {
  if (!nist) return nullptr;
  const uint32_t size = GetBlockSize(nist);
  if (size < sizeof(STRUCT_NIST_SPT) - sizeof(NIST_PAIR)) return nullptr;
  auto* out = static_cast<STRUCT_NIST_SPT*>(AllocBlock(size));
  if (!out) return nullptr;
  std::memcpy(static_cast<void*>(out), nist, size);
  out->aux = nullptr;
  out->chemStruct = nullptr;
  bool failed = false;
  if (nist->aux && !(out->aux = NIST_DupAuxData(nist->aux))) failed = true;
  if (nist->chemStruct && !(out->chemStruct = NIST_DupChemStruct(nist->chemStruct))) failed = true;
  if (failed) {
    NIST_Free(out);
    return nullptr;
  }
  return out;
}

KELT_API void DIFF_Free(STRUCT_DIFF_SPT* diff) { FreeBlock(diff); }
KELT_API void REF_Free(STRUCT_REF_SPT* ref) { FreeBlock(ref); }
KELT_API void REF_EX_Free(STRUCT_REF_EX_SPT* refEx) { FreeBlock(refEx); }
KELT_API void TIC_Free(STRUCT_TIC_SPT* tic) { FreeBlock(tic); }
KELT_API void LIST_Free(STRUCT_LIST_SPT* list) { kelt::spectra::FreeList(list); }
KELT_API void SLBR_Free(STRUCT_SLBR_SPT* slbr) { kelt::spectra::FreeSlbr(slbr); }
KELT_API void NIST_Free(STRUCT_NIST_SPT* nist) { kelt::spectra::FreeNist(nist); }

KELT_API void NIST_FreeAuxData(NIST_AUX_DATA* aux) {
  if (!aux) return;
  FreeBlock(aux->text);
  FreeBlock(aux->block);
  FreeBlock(aux->values);
  FreeBlock(aux);
}

KELT_API STRUCT_SPT_PLUS* TIC_ReadSpectrum(const char* dataFile, uint16_t step, int16_t peak) {
  if (!dataFile) return nullptr;
  uint8_t record[kResultStepSize] = {};
  if (!RPTS_ReadResultStep(dataFile, step, record)) return nullptr;
  const int16_t ticNumber = Get<int16_t>(record + kStepTicIndex);
  if (ticNumber == -1) return nullptr;
  HSECTION section = OpenTicSection(dataFile);
  if (!section) return nullptr;
  void* hit = ReadTicRecord(section, ticNumber, peak);
  CloseSection(section);
  if (!hit) return nullptr;
  STRUCT_TIC_SPT* tic = TicFromHit(static_cast<const uint8_t*>(hit), GetBlockSize(hit));
  FreeBlock(hit);
  if (!tic) return nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    FreeBlock(tic);
    return nullptr;
  }
  PlusSpt_InitTicSpt(spt, tic);
  return spt;
}
