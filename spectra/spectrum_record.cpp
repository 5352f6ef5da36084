// The spectrum record: serial numbers, the Init forms of the eight kinds,
// edit fields from the kind data, top weighted masses, copy and release.
#include "spectra/spectrum_record.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"
#include "spectra/tol_spectra.h"

namespace kelt::spectra {

void CopyText(char* dst, const char* src, size_t max) {
  size_t n = 0;
  if (src) {
    while (n < max && src[n]) ++n;
    std::memcpy(dst, src, n);
  }
  dst[n] = 0;
}

namespace {

template <typename T>
T* CopyWholeBlock(const T* src) {
  if (!src) return nullptr;
  const uint32_t size = GetBlockSize(src);
  if (size == 0) return nullptr;
  T* out = static_cast<T*>(AllocBlock(size));
  if (out) std::memcpy(static_cast<void*>(out), src, size);
  return out;
}

template <typename T>
T* CopyFixed(const T* src, size_t bytes) {
  if (!src) return nullptr;
  T* out = static_cast<T*>(AllocBlock(static_cast<uint32_t>(bytes)));
  if (out) std::memcpy(static_cast<void*>(out), src, bytes);
  return out;
}

}  // namespace

STRUCT_DIFF_SPT* CopyDiff(const STRUCT_DIFF_SPT* src) { return CopyWholeBlock(src); }

// The copy gets its own attached block: the entry's estimates travel with
// it, and either record can be freed without the other.
STRUCT_LIST_SPT* CopyList(const STRUCT_LIST_SPT* src) {
  STRUCT_LIST_SPT* out = CopyWholeBlock(src);
  if (!out) return nullptr;
  out->attached = nullptr;
  out->attachedSize = 0;
  if (src->attached && src->attachedSize) {
    // Never read past a smaller block than the record says.
    const uint32_t have = GetBlockSize(src->attached);
    const uint32_t bytes = have && have < src->attachedSize ? have : src->attachedSize;
    out->attached = CopyFixed(src->attached, bytes);
    if (!out->attached) {
      FreeBlock(out);
      return nullptr;
    }
    out->attachedSize = bytes;
  }
  return out;
}

STRUCT_SLBR_SPT* CopySlbr(const STRUCT_SLBR_SPT* src) {
  STRUCT_SLBR_SPT* out = CopyWholeBlock(src);
  if (!out) return nullptr;
  out->chemStruct = nullptr;
  if (src->chemStruct) out->chemStruct = CopyFixed(src->chemStruct, NIST_CHEM_STRUCT_SIZE);
  return out;
}

STRUCT_REF_SPT* CopyRef(const STRUCT_REF_SPT* src) { return CopyFixed(src, sizeof(STRUCT_REF_SPT)); }
STRUCT_REF_EX_SPT* CopyRefEx(const STRUCT_REF_EX_SPT* src) { return CopyFixed(src, sizeof(STRUCT_REF_EX_SPT)); }

STRUCT_TIC_SPT* CopyTic(const STRUCT_TIC_SPT* src) {
  if (!src) return nullptr;
  const int n = src->pairCount;
  const size_t bytes = n <= 1 ? sizeof(STRUCT_TIC_SPT) : sizeof(STRUCT_TIC_SPT) + size_t(n - 1) * sizeof(TOL_PAIR);
  // A count beyond the block would read past it.
  const uint32_t have = GetBlockSize(src);
  if (have != 0 && bytes > have) return nullptr;
  return CopyFixed(src, bytes);
}

void FreeList(STRUCT_LIST_SPT* list) {
  if (!list) return;
  FreeBlock(list->attached);
  FreeBlock(list);
}

void FreeSlbr(STRUCT_SLBR_SPT* slbr) {
  if (!slbr) return;
  FreeBlock(slbr->chemStruct);
  FreeBlock(slbr);
}

void FreeNist(STRUCT_NIST_SPT* nist) {
  if (!nist) return;
  ReleaseNistAuxData(nist->aux);
  FreeBlock(nist->chemStruct);
  FreeBlock(nist);
}

}  // namespace kelt::spectra

using kelt::spectra::CopyText;

namespace {

std::atomic<uint16_t> gNextSerial{1};

void Begin(STRUCT_SPT_PLUS* spt, int16_t kind) {
  std::memset(spt, 0, sizeof *spt);
  spt->serialNumber = PlusSpt_GetNextSerialId();
  spt->kind = kind;
}

// Low and high mass from the first and last pair (0 without pairs).
void RangeFromPairs(STRUCT_SPT_PLUS* spt) {
  const int32_t n = PlusSpt_GetPairCount(spt);
  double m;
  spt->lowMass = n > 0 && PlusSpt_GetPairValues(spt, 0, &m, nullptr, nullptr) ? m : 0.0;
  spt->highMass = n > 0 && PlusSpt_GetPairValues(spt, uint32_t(n - 1), &m, nullptr, nullptr) ? m : 0.0;
}

// Name, formula, comment, CAS number and molecular weight of a record that
// carries them under those names.
template <class Entry>
void CopyEntryFacts(STRUCT_SPT_PLUS* spt, const Entry& e) {
  CopyText(spt->name, e.name, SPT_TEXT_NAME_SIZE - 1);
  CopyText(spt->formula, e.formula, SPT_TEXT_FORMULA_SIZE - 1);
  CopyText(spt->comment, e.comment, SPT_TEXT_COMMENT_SIZE - 1);
  spt->casNumber = e.casNumber;
  spt->molecularWeight = e.molecularWeight;
}

}  // namespace

KELT_API uint16_t PlusSpt_GetNextSerialId() { return gNextSerial.fetch_add(1); }

KELT_API void PlusSpt_InitTolSpt(STRUCT_SPT_PLUS* spt, STRUCT_TOL_SPT* tol, const char* dataFilePath) {
  if (!spt) return;
  Begin(spt, SPT_KIND_TOL);
  spt->tolSpt = tol;
  if (tol && dataFilePath) {
    if (tol->dataFilePath != dataFilePath) CopyText(tol->dataFilePath, dataFilePath, SPT_PATH_SIZE - 1);
    TOL_SetPrecisionInfo(tol, tol->dataFilePath);
  }
  if (tol && !tol->profile) PlusSpt_RemoveZeroAndNegMasses(spt);
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitNISTSpt(STRUCT_SPT_PLUS* spt, STRUCT_NIST_SPT* nist, int16_t libraryIndex,
                                  const char* libraryList) {
  if (!spt) return;
  Begin(spt, SPT_KIND_NIST);
  spt->nistSpt = nist;
  if (nist) {
    // Line max(index, 0) of the carriage-return separated list; an index
    // past the last line takes the last line.
    const char* list = libraryList ? libraryList : "";
    const char* line = list;
    for (int k = libraryIndex > 0 ? libraryIndex : 0; k > 0; --k) {
      const char* cr = std::strchr(line, '\r');
      if (!cr) break;
      line = cr + 1;
    }
    const char* end = std::strchr(line, '\r');
    if (!end) end = line + std::strlen(line);
    const char* start = line;
    for (const char* p = line; p < end; ++p)
      if (*p == '\\') start = p + 1;
    const size_t n = std::min<size_t>(size_t(end - start), NIST_LIBRARY_NAME_SIZE - 1);
    std::memcpy(nist->libraryName, start, n);
    nist->libraryName[n] = 0;
  }
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitRefSpt(STRUCT_SPT_PLUS* spt, STRUCT_REF_SPT* ref, const char* dataFilePath) {
  if (!spt) return;
  Begin(spt, SPT_KIND_REF);
  spt->refSpt = ref;
  if (ref && dataFilePath) CopyText(ref->dataFilePath, dataFilePath, SPT_PATH_SIZE - 1);
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitRefExSpt(STRUCT_SPT_PLUS* spt, STRUCT_REF_EX_SPT* refEx, const char* dataFilePath) {
  if (!spt) return;
  Begin(spt, SPT_KIND_REF_EX);
  spt->refExSpt = refEx;
  if (refEx && dataFilePath) CopyText(refEx->dataFilePath, dataFilePath, SPT_PATH_SIZE - 1);
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitListSpt(STRUCT_SPT_PLUS* spt, STRUCT_LIST_SPT* list) {
  if (!spt) return;
  Begin(spt, SPT_KIND_LIST);
  spt->listSpt = list;
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitSLbrSpt(STRUCT_SPT_PLUS* spt, STRUCT_SLBR_SPT* slbr) {
  if (!spt) return;
  Begin(spt, SPT_KIND_SLBR);
  spt->slbrSpt = slbr;
  PlusSpt_ResetEditFields(spt);
}

KELT_API void PlusSpt_InitTicSpt(STRUCT_SPT_PLUS* spt, STRUCT_TIC_SPT* tic) {
  if (!spt) return;
  Begin(spt, SPT_KIND_TIC);
  spt->ticSpt = tic;
  PlusSpt_ResetEditFields(spt);
}

KELT_API int32_t PlusSpt_InitDiffSpt(STRUCT_SPT_PLUS* spt, STRUCT_DIFF_SPT* diff, const STRUCT_SPT_PLUS* a,
                                     const STRUCT_SPT_PLUS* b) {
  if (!spt) return 0;
  Begin(spt, SPT_KIND_DIFF);
  spt->diffSpt = diff;
  if (a && b) {
    if (kelt::spectra::FixedTitles(a))
      kelt::spectra::FixedDiffTitles(spt, a, b, diff && diff->profile);
    else
      PlusSpt_InitDiffSptTitles(spt, a, b);
  }
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
  return 0;
}

KELT_API int32_t PlusSpt_ResetEditFields(STRUCT_SPT_PLUS* spt) {
  if (!spt) return 0;
  spt->editFieldsEdited = 0;
  spt->name[0] = spt->comment[0] = spt->formula[0] = 0;
  spt->casNumber = 0;
  spt->molecularWeight = 0;
  switch (spt->kind) {
    case SPT_KIND_NIST:
      if (spt->nistSpt && spt->nistSpt->aux) {
        const NIST_AUX_DATA* aux = spt->nistSpt->aux;
        CopyText(spt->name, aux->name, std::min<size_t>(SPT_TEXT_NAME_SIZE - 1, NIST_AUX_NAME_SIZE));
        CopyText(spt->formula, aux->formula, std::min<size_t>(SPT_TEXT_FORMULA_SIZE - 1, NIST_AUX_FORMULA_SIZE));
        spt->casNumber = aux->ids[3];
        spt->molecularWeight = static_cast<uint16_t>(aux->ids[5] & 0xFFFF);
      }
      RangeFromPairs(spt);
      break;
    case SPT_KIND_SLBR:
      if (const STRUCT_SLBR_SPT* e = spt->slbrSpt) CopyEntryFacts(spt, *e);
      RangeFromPairs(spt);
      break;
    case SPT_KIND_LIST:
      if (const STRUCT_LIST_SPT* e = spt->listSpt) {
        CopyEntryFacts(spt, *e);
        spt->lowMass = e->lowMass;
        spt->highMass = e->highMass;
      }
      if (PlusSpt_GetPairCount(spt) == 0) spt->lowMass = spt->highMass = 0;
      break;
    case SPT_KIND_TOL:
      // The pairs ascend, so the first and last are the lowest and highest.
      RangeFromPairs(spt);
      if (spt->tolSpt && spt->tolSpt->profile && kelt::lib::Settings().oldSptTitles && spt->tolSpt->displayMade)
        CopyText(spt->name, "PROFILE", SPT_TEXT_NAME_SIZE - 1);
      break;
    case SPT_KIND_TIC:
      if (const STRUCT_TIC_SPT* e = spt->ticSpt) CopyEntryFacts(spt, *e);
      RangeFromPairs(spt);
      break;
    default:
      RangeFromPairs(spt);
      break;
  }
  double intensity = 0;
  spt->basePeakMass = PlusSpt_GetBasePeak(spt, &intensity);
  spt->basePeakIntensity = intensity;
  spt->basePeakFixed = 0;
  PlusSpt_SetTopWeightedMasses(spt);
  return 1;
}

KELT_API void PlusSpt_SetTopWeightedMasses(STRUCT_SPT_PLUS* spt) {
  if (!spt) return;
  double weights[SPT_TOP_WEIGHTED] = {};
  double masses[SPT_TOP_WEIGHTED] = {};
  int count = 0;
  const int32_t n = PlusSpt_GetPairCount(spt);
  for (int32_t i = 0; i < n; ++i) {
    double mass, intensity;
    if (!PlusSpt_GetPairValues(spt, uint32_t(i), &mass, nullptr, &intensity) || !(intensity > 0)) continue;
    const double w = std::sqrt(intensity * mass);
    int at = 0;
    while (at < count && !(weights[at] < w)) ++at;
    if (at >= SPT_TOP_WEIGHTED) continue;
    const int last = std::min(count, SPT_TOP_WEIGHTED - 1);
    for (int k = last; k > at; --k) {
      weights[k] = weights[k - 1];
      masses[k] = masses[k - 1];
    }
    weights[at] = w;
    masses[at] = mass;
    if (count < SPT_TOP_WEIGHTED) ++count;
  }
  spt->topWeightedCount = static_cast<uint16_t>(count);
  spt->topWeightedCapacity = SPT_TOP_WEIGHTED;
  for (int k = 0; k < SPT_TOP_WEIGHTED; ++k) spt->topWeightedMasses[k] = k < count ? masses[k] : 0.0;
}

KELT_API STRUCT_SPT_PLUS* PlusSpt_Copy(const STRUCT_SPT_PLUS* spt) {
  if (!spt) return nullptr;
  auto* copy = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!copy) return nullptr;
  std::memcpy(copy, spt, sizeof *copy);
  copy->tolSpt = nullptr;
  copy->nistSpt = nullptr;
  copy->diffSpt = nullptr;
  copy->listSpt = nullptr;
  copy->slbrSpt = nullptr;
  copy->refSpt = nullptr;
  copy->ticSpt = nullptr;
  copy->refExSpt = nullptr;
  copy->background = nullptr;
  copy->attachments[0] = copy->attachments[1] = nullptr;
  bool failed = false;
  auto dup = [&failed](auto* src, auto copyFn) {
    if (!src) return decltype(copyFn(src))(nullptr);
    auto* out = copyFn(src);
    if (!out) failed = true;
    return out;
  };
  using namespace kelt::spectra;
  copy->tolSpt = dup(spt->tolSpt, TOL_CopySpectrum);
  copy->nistSpt = dup(spt->nistSpt, [](const STRUCT_NIST_SPT* s) { return DuplicateNistEntry(s); });
  copy->diffSpt = dup(spt->diffSpt, CopyDiff);
  copy->listSpt = dup(spt->listSpt, CopyList);
  copy->slbrSpt = dup(spt->slbrSpt, CopySlbr);
  copy->refSpt = dup(spt->refSpt, CopyRef);
  copy->ticSpt = dup(spt->ticSpt, CopyTic);
  copy->refExSpt = dup(spt->refExSpt, CopyRefEx);
  for (int k = 0; k < 2; ++k) {
    if (!spt->attachments[k]) continue;
    const uint32_t bytes = SPT_ATTACHMENT_WORDS * 4;
    // Never read past a smaller block; a failed attachment stays null.
    const uint32_t have = GetBlockSize(spt->attachments[k]);
    copy->attachments[k] = static_cast<uint32_t*>(AllocBlock(bytes));
    if (copy->attachments[k]) std::memcpy(copy->attachments[k], spt->attachments[k], have && have < bytes ? have : bytes);
  }
  copy->background = dup(spt->background, TOL_CopySpectrum);
  if (failed) {
    PlusSpt_Free(copy);
    return nullptr;
  }
  return copy;
}

KELT_API void PlusSpt_Free(STRUCT_SPT_PLUS* spt) {
  if (!spt) return;
  using namespace kelt::spectra;
  TOL_Free(spt->tolSpt);
  FreeNist(spt->nistSpt);
  FreeBlock(spt->diffSpt);
  FreeList(spt->listSpt);
  FreeSlbr(spt->slbrSpt);
  FreeBlock(spt->refSpt);
  FreeBlock(spt->ticSpt);
  FreeBlock(spt->refExSpt);
  FreeBlock(spt->attachments[0]);
  FreeBlock(spt->attachments[1]);
  TOL_Free(spt->background);
  FreeBlock(spt);
}
