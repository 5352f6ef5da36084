// Differences of two spectra, and a difference turned into a list entry.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/library_state.h"
#include "orvik32/orvik32.h"
#include "win/win_crt.h"
#include "spectra/other_spectra.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_titles.h"

namespace {

constexpr size_t kDiffHead = offsetof(STRUCT_DIFF_SPT, pairs);

bool HasMs(const STRUCT_SPT_PLUS* s) { return s->kind == SPT_KIND_TOL && s->tolSpt; }

// The mass width of the scan function the spectrum came from.
double MassWidth(const STRUCT_TOL_SPT* tol) {
  const unsigned f = tol->scanFunIndex < MS_MAX_FUNCTIONS ? tol->scanFunIndex : 0;
  return tol->segment.functions[f].massWidth;
}

using Layout = kelt::spectra::PairLayout;
using kelt::spectra::LayoutOf;

struct Pair {
  double mass, intensity;
};

// The pairs of a spectrum; double and integer pairs of negative intensity
// are left out, precise pairs all kept.
std::vector<Pair> UsablePairs(const STRUCT_SPT_PLUS* s, Layout layout) {
  std::vector<Pair> out;
  const int32_t n = PlusSpt_GetPairCount(s);
  for (int32_t i = 0; i < n; ++i) {
    double m = 0, v = 0;
    if (!PlusSpt_GetPairValues(s, uint32_t(i), &m, nullptr, &v)) continue;
    if (layout != Layout::Precise && v < 0) continue;
    out.push_back({m, v});
  }
  return out;
}

struct Copies {
  STRUCT_SPT_PLUS* a = nullptr;
  STRUCT_SPT_PLUS* b = nullptr;
  ~Copies() {
    PlusSpt_Free(a);
    PlusSpt_Free(b);
  }
};

// Nominal masses for the kinds whose masses carry decimals of no meaning
// to a difference of another kind.
void RoundToNominalWhenFine(STRUCT_SPT_PLUS* s) {
  const bool ms = HasMs(s) && s->tolSpt->precisionKnown && s->tolSpt->precision > 1;
  const bool refEx = s->kind == SPT_KIND_REF_EX && s->refExSpt;
  const bool diff = s->kind == SPT_KIND_DIFF && s->diffSpt && !s->diffSpt->profile;
  if (ms || refEx || diff) PlusSpt_RoundSptToPrecision(s, 1);
}

std::string Shortened(const char* text, size_t max) {
  std::string s = text ? text : "";
  if (s.size() > max) s.resize(max);
  return s;
}

bool SplitTitle(const char* text, std::string* first, std::string* second) {
  const char* a = text ? std::strstr(text, "Spt A: ") : nullptr;
  if (!a) return false;
  a += 7;
  const char* b = std::strstr(a, "Spt B: ");
  if (!b) return false;
  std::string left(a, b);
  if (left.size() >= 3 && left.compare(left.size() - 3, 3, ",  ") == 0) left.resize(left.size() - 3);
  *first = left;
  *second = b + 7;
  return true;
}

// What a source of a difference is called in the list entry's name.
std::string Description(const STRUCT_SPT_PLUS* s, bool first, const std::string& start) {
  std::string out = start;
  if (s->kind == SPT_KIND_LIST && s->listSpt) {
    std::string x, y;
    if (s->listSpt->sourceTitles && SplitTitle(s->listSpt->name, &x, &y)) return out + (first ? x : y);
    if (s->listSpt->listPath[0]) {
      char buf[LIST_PATH_SIZE + 32];
      std::snprintf(buf, sizeof buf, "Entry %lu in %s", static_cast<unsigned long>(s->listSpt->entryNumber),
                    s->listSpt->listPath);
      return out + buf;
    }
  }
  if (HasMs(s)) {
    const char* p = s->tolSpt->dataFilePath[0] ? s->tolSpt->dataFilePath : s->tolSpt->displayName;
    if (p[0]) return out + Shortened(p, 200);
  }
  if (s->kind == SPT_KIND_NIST && s->nistSpt && s->nistSpt->aux) {
    char buf[NIST_LIBRARY_NAME_SIZE + 32];
    std::snprintf(buf, sizeof buf, "Entry %lu in %s", static_cast<unsigned long>(s->nistSpt->aux->entryWord),
                  s->nistSpt->libraryName);
    return out + buf;
  }
  return out + Shortened(s->name, 200);
}

uint16_t Generation(const STRUCT_SPT_PLUS* s) {
  return s->kind == SPT_KIND_LIST && s->listSpt ? s->listSpt->generation : 0;
}

}  // namespace

KELT_API int32_t DIFF_OkToMakeSpectrum(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) {
  if (!a || !b || PlusSpt_GetPairCount(a) <= 0 || PlusSpt_GetPairCount(b) <= 0) return 0;
  const bool pa = PlusSpt_IsProfileData(a), pb = PlusSpt_IsProfileData(b);
  if (!pa && !pb) return 1;
  if (pa != pb || !HasMs(a) || !HasMs(b)) return 0;
  return _stricmp(a->tolSpt->dataFilePath, b->tolSpt->dataFilePath) == 0 ? 1 : 0;
}

KELT_API STRUCT_DIFF_SPT* DIFF_AddToSpectrum(STRUCT_DIFF_SPT* diff, double mass, double intensity) {
  if (!diff) return nullptr;
  const uint32_t size = GetBlockSize(diff);
  const uint64_t need = kDiffHead + (uint64_t(diff->pairCount) + 1) * sizeof(DIFF_PAIR);
  if (need > size) {
    const uint64_t grown = uint64_t(size) + SPT_GROW_DOUBLE;
    if (grown > 0xFFFFFFFFu) return nullptr;
    auto* bigger = static_cast<STRUCT_DIFF_SPT*>(ReallocBlock(diff, uint32_t(std::max(grown, need))));
    if (!bigger) return nullptr;
    diff = bigger;
  }
  diff->pairs[diff->pairCount] = DIFF_PAIR{mass, intensity};
  ++diff->pairCount;
  return diff;
}

KELT_API STRUCT_DIFF_SPT* DIFF_MakeSpectrum(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, int16_t mode) try {
  if (!a || !b) return nullptr;
  const bool msA = HasMs(a), msB = HasMs(b);
  if (msA && msB && (a->tolSpt->profile != 0) != (b->tolSpt->profile != 0)) return nullptr;

  auto* diff = static_cast<STRUCT_DIFF_SPT*>(AllocBlock(uint32_t(kDiffHead + sizeof(DIFF_PAIR))));
  if (!diff) return nullptr;
  Copies c;
  c.a = PlusSpt_Copy(a);
  c.b = PlusSpt_Copy(b);
  if (!c.a || !c.b) {
    FreeBlock(diff);
    return nullptr;
  }

  // A common mass grid.
  double half = 0;
  if (msA && msB) {
    STRUCT_TOL_SPT* ta = c.a->tolSpt;
    STRUCT_TOL_SPT* tb = c.b->tolSpt;
    if (ta->precisionKnown && tb->precisionKnown) {
      if (ta->precision > tb->precision) {
        PlusSpt_RoundSptToPrecision(c.a, tb->precision);
        ta->precision = tb->precision;
      } else if (tb->precision > ta->precision) {
        PlusSpt_RoundSptToPrecision(c.b, ta->precision);
        tb->precision = ta->precision;
      }
      const double width = std::max(MassWidth(ta), MassWidth(tb));
      if (width > 0 && 1.0 / width < ta->precision) half = width / 2;
    }
  } else {
    RoundToNominalWhenFine(c.a);
    RoundToNominalWhenFine(c.b);
  }

  if (mode == 2) {
    PlusSpt_UpdateBasePeak(c.a);
    PlusSpt_UpdateBasePeak(c.b);
    PlusSpt_ScaleMassInt(c.a, 999);
    PlusSpt_ScaleMassInt(c.b, 999);
  }

  const Layout la = LayoutOf(c.a), lb = LayoutOf(c.b);
  for (const Pair& p : UsablePairs(c.a, la)) {
    STRUCT_DIFF_SPT* grown = DIFF_AddToSpectrum(diff, p.mass, p.intensity);
    if (!grown) {
      FreeBlock(diff);
      return nullptr;
    }
    diff = grown;
  }

  const std::vector<Pair> bp = UsablePairs(c.b, lb);
  const bool window = half > 0 && lb == Layout::Precise;
  for (size_t k = 0; k < bp.size(); ++k) {
    double take = bp[k].intensity;
    int64_t match = -1;
    for (uint32_t j = 0; j < diff->pairCount && match < 0; ++j) {
      const double m = diff->pairs[j].mass;
      if (window) {
        if (m - half <= bp[k].mass && bp[k].mass < m + half) match = j;
      } else if (lb == Layout::Integer) {
        if (double(uint16_t(bp[k].mass)) == m) match = j;
      } else if (bp[k].mass == m) {
        match = j;
      }
    }
    if (match >= 0) {
      if (window) {
        // b's further pairs inside the same window fold into this one.
        const double top = diff->pairs[match].mass + half;
        while (k + 1 < bp.size() && bp[k + 1].mass < top) take = std::max(take, bp[++k].intensity);
      }
      diff->pairs[match].intensity -= take;
    } else {
      STRUCT_DIFF_SPT* grown = DIFF_AddToSpectrum(diff, bp[k].mass, -take);
      if (!grown) {
        FreeBlock(diff);
        return nullptr;
      }
      diff = grown;
    }
  }

  diff->mode = uint16_t(mode);
  diff->profile = msA && a->tolSpt->profile ? 1 : 0;
  // Drop what cancelled out; ascending masses.
  uint32_t kept = 0;
  for (uint32_t i = 0; i < diff->pairCount; ++i)
    if (diff->pairs[i].intensity != 0) diff->pairs[kept++] = diff->pairs[i];
  diff->pairCount = kept;
  std::stable_sort(diff->pairs, diff->pairs + kept,
                   [](const DIFF_PAIR& x, const DIFF_PAIR& y) { return x.mass < y.mass; });
  return diff;
} catch (...) {
  return nullptr;
}

KELT_API STRUCT_SPT_PLUS* PlusSpt_MakeSpectrumFromDifference(const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b,
                                                             const STRUCT_DIFF_SPT* diff) try {
  if (!a || !b || !diff || diff->profile) return nullptr;
  STRUCT_LIST_SPT* list = NewListEntry(diff->pairCount);
  if (!list) return nullptr;
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  if (!spt) {
    FreeBlock(list);
    return nullptr;
  }
  uint32_t n = 0;
  for (uint32_t i = 0; i < diff->pairCount; ++i) {
    const DIFF_PAIR& p = diff->pairs[i];
    if (!(p.intensity >= 0)) continue;
    list->pairs[n++] = XTOL_PAIR{p.mass, p.intensity > 4294967295.0 ? 0xFFFFFFFFu : uint32_t(p.intensity), 0};
  }
  list->pairCount = n;
  if (n) {
    list->lowMass = list->pairs[0].mass;
    list->highMass = list->pairs[n - 1].mass;
  }
  list->sourceTitles = 1;
  list->generation = uint16_t(1 + std::max(Generation(a), Generation(b)));

  std::string startA, startB;
  if (kelt::spectra::FixedTitles(a)) {
    // The fixed scheme titles the entry as a difference and keeps the two
    // source lines in its comment.
    kelt::spectra::CopyText(spt->mainTitle, "Difference", SPT_TITLE_SIZE - 1);
    kelt::spectra::FixedDiffTitles(spt, a, b, false);
    startA = std::string(spt->nameTitle).substr(0, 65);
    startB = std::string(spt->infoTitle).substr(0, 65);
    const std::string comment = "Spt A: " + startA + ",  " + "Spt B: " + startB;
    kelt::spectra::CopyText(list->comment, comment.c_str(), LIST_COMMENT_SIZE - 1);
  }
  const std::string name = "Spt A: " + Description(a, true, startA) + ",  " + "Spt B: " +
                           Description(b, false, startB);
  // The entry's name field holds 299 characters.
  kelt::spectra::CopyText(list->name, name.c_str(), LIST_NAME_SIZE - 1);

  // The record is begun anew (kind, serial number); the titles made
  // above stay.
  char titles[4][SPT_TITLE_SIZE];
  std::memcpy(titles[0], spt->mainTitle, SPT_TITLE_SIZE);
  std::memcpy(titles[1], spt->nameTitle, SPT_TITLE_SIZE);
  std::memcpy(titles[2], spt->fileTitle, SPT_TITLE_SIZE);
  std::memcpy(titles[3], spt->infoTitle, SPT_TITLE_SIZE);
  PlusSpt_InitListSpt(spt, list);
  std::memcpy(spt->mainTitle, titles[0], SPT_TITLE_SIZE);
  std::memcpy(spt->nameTitle, titles[1], SPT_TITLE_SIZE);
  std::memcpy(spt->fileTitle, titles[2], SPT_TITLE_SIZE);
  std::memcpy(spt->infoTitle, titles[3], SPT_TITLE_SIZE);
  PlusSpt_UpdateBasePeak(spt);
  PlusSpt_ScaleMassInt(spt, 999);
  PlusSpt_UpdateBasePeak(spt);
  spt->pairsEdited = 0;
  if (kelt::spectra::FixedTitles(a)) PlusSpt_InitFileTitle(spt);
  return spt;
} catch (...) {
  return nullptr;
}
