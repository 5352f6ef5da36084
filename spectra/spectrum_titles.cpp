// Title lines of spectrum records.
#include "spectra/spectrum_titles.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/data_file_utils.h"
#include "common/library_state.h"
#include "common/number_format.h"
#include "common/text_format.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_pairs.h"
#include "win/win_crt.h"

namespace {

constexpr size_t kLine = 79;
char gIonUnit[4] = "us";

void SetLine(char* line, const std::string& text) {
  const size_t n = std::min(text.size(), kLine);
  std::memcpy(line, text.data(), n);
  line[n] = 0;
}

using kelt::text::Format;

std::string Intensity(double v) {
  char buf[kNumberTextSize];
  return KELT_FormatIntensityD(v, buf);
}
std::string Intensity64(uint64_t v) {
  char buf[kNumberTextSize];
  return KELT_FormatIntensityI64(int64_t(v), buf);
}
std::string Intensity32(uint32_t v) {
  char buf[kNumberTextSize];
  return KELT_FormatIntensity(v, buf);
}

// The file name of a path, at most max characters.
std::string ShortName(const char* path, int max) {
  if (!path || !path[0] || max < 4) return "";
  std::string buf(size_t(max) + 8, 0);
  KELT_TruncateFilenameString(path, int16_t(max), buf.data());
  return buf.c_str();
}

std::string MassText(const STRUCT_SPT_PLUS* spt) {
  char format[8];
  KELT_GetMassDecimalsAndFormat(spt, format);
  char mass[13];
  std::snprintf(mass, sizeof mass, format, spt->basePeakMass);
  return mass;
}

std::string Scans(int16_t averaged, uint32_t first, uint32_t last, uint32_t scan) {
  return averaged >= 2 ? Format("Scans: %ld-%ld", long(first), long(last)) : Format("Scan: %ld", long(scan));
}

std::string SourceDataPath(const STRUCT_SPT_PLUS* spt) {
  if (spt->kind == SPT_KIND_TOL && spt->tolSpt)
    return spt->tolSpt->displayName[0] ? spt->tolSpt->displayName : spt->tolSpt->dataFilePath;
  if (spt->kind == SPT_KIND_REF && spt->refSpt) return spt->refSpt->dataFilePath;
  if (spt->kind == SPT_KIND_REF_EX && spt->refExSpt) return spt->refExSpt->dataFilePath;
  return "";
}

// Entry number of a library spectrum; -1 when it has none.
long EntryNumber(const STRUCT_SPT_PLUS* spt) {
  switch (spt->kind) {
    case SPT_KIND_NIST: return spt->nistSpt && spt->nistSpt->aux ? long(int32_t(spt->nistSpt->aux->entryWord)) : -1;
    case SPT_KIND_LIST: return spt->listSpt ? long(int32_t(spt->listSpt->entryNumber)) : -1;
    case SPT_KIND_TIC: return spt->ticSpt ? long(spt->ticSpt->entryNumber) : -1;
    default: return -1;
  }
}


std::string Channel(const STRUCT_TOL_SPT* tol, const char* extraInfo) {
  if (_stricmp(extraInfo, "Real Time") == 0) {
    std::string s = tol->header.function == 255 ? "Channel: Combined"
                                                : Format("Channel: %d", int(tol->header.function) + 1);
    if (tol->averagedMarker) s += " (Averaged)";
    return s;
  }
  char text[512];
  uint16_t isChannel = 0;
  KELT_GetMergedChannelText(tol, text, &isChannel);
  return isChannel ? Format("Channel: %s", text) : std::string(text);
}

// The text of one title item; `after` is the item before it in the list
// (-1 for none), `next` the one after it.
std::string ItemText(const STRUCT_SPT_PLUS* spt, int code, int next, int after, bool lineEmpty, bool* noSeparator) {
  *noSeparator = false;
  const STRUCT_TOL_SPT* tol = spt->kind == SPT_KIND_TOL ? spt->tolSpt : nullptr;
  const STRUCT_REF_SPT* ref = spt->kind == SPT_KIND_REF ? spt->refSpt : nullptr;
  const STRUCT_REF_EX_SPT* rex = spt->kind == SPT_KIND_REF_EX ? spt->refExSpt : nullptr;
  const bool msKind = spt->kind == SPT_KIND_TOL || spt->kind == SPT_KIND_REF || spt->kind == SPT_KIND_REF_EX;
  switch (code) {
    case SPT_TITLE_EXTRA_INFO: return spt->extraInfo;
    case SPT_TITLE_NAME: return spt->name;
    case SPT_TITLE_FORMULA: return spt->formula;
    case SPT_TITLE_CAS: {
      if (!spt->casNumber) return "";
      char cas[32];
      FormatCASNumber(spt->casNumber, cas);
      return std::string("CAS No. ") + cas;
    }
    case SPT_TITLE_MW: return spt->molecularWeight ? Format("MW %d", int(spt->molecularWeight)) : "";
    case SPT_TITLE_BASE_PEAK: return Format("BP: %s%s", MassText(spt).c_str(), spt->basePeakFixed ? "*" : "");
    case SPT_TITLE_BASE_AMOUNT:
      if (after == SPT_TITLE_BASE_PEAK) *noSeparator = true;
      return Format("%s(%s=100%%)", after == SPT_TITLE_BASE_PEAK ? " " : "", Intensity(spt->basePeakIntensity).c_str());
    case SPT_TITLE_SOURCE: {
      if (after == SPT_TITLE_ENTRY && EntryNumber(spt) != -1) *noSeparator = true;
      switch (spt->kind) {
        case SPT_KIND_TOL:
        case SPT_KIND_REF:
        case SPT_KIND_REF_EX: return ShortName(SourceDataPath(spt).c_str(), 80);
        case SPT_KIND_NIST: return spt->nistSpt ? spt->nistSpt->libraryName : "";
        case SPT_KIND_LIST:
          if (!spt->listSpt) return "";
          return spt->listSpt->listPath[0] ? ShortName(spt->listSpt->listPath, 80) : "From User";
        case SPT_KIND_TIC: return spt->ticSpt ? ShortName(spt->ticSpt->dataFile, 80) : "";
        default: return "";
      }
    }
    case SPT_TITLE_ENTRY: {
      const long entry = EntryNumber(spt);
      if (entry == -1) return "";
      if (after == SPT_TITLE_SOURCE) {
        *noSeparator = true;
        return Format(" #%ld", entry);
      }
      if (next == SPT_TITLE_SOURCE) {
        // "#12 in MAINLIB": the source follows without a separator.
        *noSeparator = true;
        return Format("%s#%ld in ", lineEmpty ? "" : ", ", entry);
      }
      return Format("#%ld", entry);
    }
    case SPT_TITLE_TIME:
      if (!msKind) return "";
      if (tol) return Format("%.3f min", tol->header.time);
      if (ref) return Format("%.3f min", ref->time);
      if (rex) return Format("%.3f min", rex->header.time);
      return Format("%.3f min", -1.0);
    case SPT_TITLE_SCANS:
      if (tol) return Scans(tol->scansAveraged, tol->firstScan, tol->lastScan, tol->header.scanNumber);
      if (ref) return Scans(ref->scansAveraged, ref->firstScan, ref->lastScan, ref->scan);
      if (rex) return Scans(rex->scansAveraged, rex->firstScan, rex->lastScan, rex->header.scanNumber);
      return "";
    case SPT_TITLE_CHANNEL: return tol ? Channel(tol, spt->extraInfo) : "";
    case SPT_TITLE_ION: {
      if (!tol && !ref && !rex) return "";
      const double ion = tol ? tol->header.ionMass : ref ? double(ref->ionMass) : rex->header.ionMass;
      return ion != 0 ? Format("Ion: %.0f %s", ion, gIonUnit) : "Ion: NA";
    }
    case SPT_TITLE_RIC:
      if (tol) return "RIC: " + Intensity64(tol->header.totalIon);
      if (ref) return "RIC: " + Intensity32(ref->totalIon);
      if (rex) return "RIC: " + Intensity64(rex->header.totalIon);
      return "";
    case SPT_TITLE_BC:
      if (tol && tol->bgCorrected) return tol->extendedBg ? "EBC" : "BC";
      if ((ref && ref->bgCorrected) || (rex && rex->bgCorrected)) return "BC";
      return "";
    case SPT_TITLE_EDITED:
      *noSeparator = true;
      return spt->pairsEdited ? " (E)" : "";
    case SPT_TITLE_COMMENT: return spt->comment;
    case SPT_TITLE_PROFILE: return tol && tol->profile ? "PROFILE" : "";
    case SPT_TITLE_SEGMENT: return tol ? Format("Segment: %d", int(tol->header.segment)) : "";
    default: return "";
  }
}

void BuildLine(const STRUCT_SPT_PLUS* spt, const STRUCT_SPTS_TITLE_LIST& list, char* line) {
  std::string out;
  const int count = list.count < 0 ? 0 : list.count > 10 ? 10 : list.count;
  for (int k = 0; k < count; ++k) {
    const int code = list.items[k];
    if (code < 0 || code >= 19) continue;
    const int next = k + 1 < count ? list.items[k + 1] : -1;
    const int after = k > 0 ? list.items[k - 1] : -1;
    bool noSeparator = false;
    const std::string text = ItemText(spt, code, next, after, out.empty(), &noSeparator);
    if (text.empty()) continue;
    if (!out.empty() && !noSeparator) out += ", ";
    out += text;
  }
  SetLine(line, out);
}

bool BeginsWithSpectrum(const char* s) { return std::strncmp(s, "Spectrum", 8) == 0; }

// What a difference shows of one of its sources.
std::string DiffSourceText(const STRUCT_SPT_PLUS* s) {
  if (s->name[0]) return s->name;
  if (s->kind == SPT_KIND_TOL || s->kind == SPT_KIND_REF || s->kind == SPT_KIND_REF_EX) {
    bool unused;
    std::string out = ItemText(s, SPT_TITLE_TIME, -1, -1, true, &unused);
    const std::string scans = ItemText(s, SPT_TITLE_SCANS, -1, -1, true, &unused);
    if (!scans.empty()) out += ", " + scans;
    const std::string file = ShortName(SourceDataPath(s).c_str(), 80);
    if (!file.empty()) out += ", " + file;
    return out;
  }
  return s->comment;
}

}  // namespace

namespace kelt::spectra {

bool FixedTitles(const STRUCT_SPT_PLUS* spt) {
  return spt && kelt::lib::Settings().oldSptTitles && spt->kind == SPT_KIND_TOL && spt->tolSpt &&
         spt->tolSpt->displayMade;
}

void FixedDiffTitles(STRUCT_SPT_PLUS* diff, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b, bool profile) {
  if (a->mainTitle[0] && b->fileTitle[0]) {
    if (BeginsWithSpectrum(a->mainTitle) && BeginsWithSpectrum(b->mainTitle))
      SetLine(diff->mainTitle, std::string(a->mainTitle + 8) + " - " + (b->mainTitle + 8));
    else
      SetLine(diff->mainTitle, "A - B");
  }
  if (profile) SetLine(diff->fileTitle, "PROFILE");
  SetLine(diff->nameTitle, !a->nameTitle[0] || profile ? a->infoTitle : a->nameTitle);
  SetLine(diff->infoTitle, !b->nameTitle[0] || profile ? b->infoTitle : b->nameTitle);
}

std::string BasePeakTitle(const STRUCT_SPT_PLUS* spt) {
  if (!spt) return std::string();
  bool unused = false;
  return ItemText(spt, SPT_TITLE_BASE_PEAK, SPT_TITLE_BASE_AMOUNT, -1, true, &unused) +
         ItemText(spt, SPT_TITLE_BASE_AMOUNT, -1, SPT_TITLE_BASE_PEAK, false, &unused);
}

}  // namespace kelt::spectra

KELT_API void PlusSpt_SetIonUnitText(const char* unit) {
  std::snprintf(gIonUnit, sizeof gIonUnit, "%s", unit ? unit : "");
}

KELT_API void PlusSpt_UpdateRightTitles(STRUCT_SPT_PLUS* spt) try {
  if (!spt) return;
  if (spt->kind == SPT_KIND_LIST && spt->listSpt && spt->listSpt->sourceTitles) {
    char a[300], b[300];
    if (PlusSpt_SplitDiffTitle(spt->comment, a, b) || PlusSpt_SplitDiffTitle(spt->name, a, b)) {
      SetLine(spt->nameTitle, a);
      SetLine(spt->infoTitle, b);
      return;
    }
  }
  SetLine(spt->nameTitle, spt->name);
  std::string info;
  if (spt->casNumber || spt->formula[0] || spt->molecularWeight) {
    char cas[32];
    FormatCASNumber(spt->casNumber, cas);
    info = Format("CAS No. %s, ", cas) + spt->formula + ", " + Format("MW %d", int(spt->molecularWeight));
    if (spt->editFieldsEdited) info += " (E)";
  }
  SetLine(spt->infoTitle, info);
} catch (...) {
}

KELT_API void PlusSpt_InitFileTitle(STRUCT_SPT_PLUS* spt) try {
  if (!spt) return;
  const std::string prefix = Format("BP %s%s (%s=100%%) ", MassText(spt).c_str(), spt->basePeakFixed ? "*" : "",
                                    Intensity(spt->basePeakIntensity).c_str());
  const int room = int(kLine) - int(prefix.size());
  std::string line = prefix;
  switch (spt->kind) {
    case SPT_KIND_TOL:
    case SPT_KIND_REF:
    case SPT_KIND_REF_EX: line += ShortName(SourceDataPath(spt).c_str(), room); break;
    case SPT_KIND_NIST:
      if (spt->nistSpt && spt->nistSpt->aux) line += Format("%ld in %s", EntryNumber(spt), spt->nistSpt->libraryName);
      break;
    case SPT_KIND_LIST:
      if (spt->listSpt && spt->listSpt->listPath[0]) {
        const std::string head = Format("%ld in List File ", EntryNumber(spt));
        line += head + ShortName(spt->listSpt->listPath, room - int(head.size()));
      } else {
        line += "From User";
      }
      break;
    case SPT_KIND_SLBR:
      if (spt->slbrSpt) line += Format("%ld in %s", long(spt->slbrSpt->entryNumber), spt->slbrSpt->libraryName);
      break;
    case SPT_KIND_TIC:
      if (spt->ticSpt) {
        const std::string head = Format("%ld in ", EntryNumber(spt));
        line += head + ShortName(spt->ticSpt->dataFile, room - int(head.size()));
      }
      break;
    default: break;
  }
  SetLine(spt->fileTitle, line);
} catch (...) {
}

KELT_API void PlusSpt_InitRightTitles(STRUCT_SPT_PLUS* spt) try {
  if (!spt) return;
  spt->nameTitle[0] = spt->fileTitle[0] = spt->infoTitle[0] = 0;
  if (spt->kind == SPT_KIND_TOL && spt->tolSpt) {
    const STRUCT_TOL_SPT* tol = spt->tolSpt;
    std::string s = Format("%.3f min. ", tol->header.time) +
                    Scans(tol->scansAveraged, tol->firstScan, tol->lastScan, tol->header.scanNumber);
    char channel[512];
    uint16_t isChannel = 0;
    KELT_GetMergedChannelText(tol, channel, &isChannel);
    s += isChannel ? Format(" Channel: %s", channel) : Format(" %s", channel);
    if (tol->averagedMarker) s += " (Averaged)";
    s += tol->header.ionMass != 0 ? Format(" Ion: %ld %s", long(tol->header.ionMass), gIonUnit) : " Ion: NA";
    s += " RIC: " + Intensity64(tol->header.totalIon);
    if (tol->bgCorrected) s += tol->extendedBg ? " EBC" : " BC";
    SetLine(spt->infoTitle, s);
    if (!spt->comment[0]) kelt::spectra::CopyText(spt->comment, spt->infoTitle, SPT_TEXT_COMMENT_SIZE - 1);
    if (spt->name[0]) SetLine(spt->nameTitle, spt->name);
  } else if (spt->kind == SPT_KIND_REF && spt->refSpt) {
    const STRUCT_REF_SPT* ref = spt->refSpt;
    std::string s = Format("%.3f min. ", ref->time) + Scans(ref->scansAveraged, ref->firstScan, ref->lastScan, ref->scan);
    s += ref->ionMass ? Format(" Ion: %ld %s", long(ref->ionMass), gIonUnit) : " Ion: NA";
    s += " RIC: " + Intensity32(ref->totalIon);
    if (ref->bgCorrected) s += " BC";
    SetLine(spt->infoTitle, s);
    kelt::spectra::CopyText(spt->comment, spt->infoTitle, SPT_TEXT_COMMENT_SIZE - 1);
  } else if (spt->kind == SPT_KIND_REF_EX && spt->refExSpt) {
    const STRUCT_REF_EX_SPT* rex = spt->refExSpt;
    std::string s = Format("%.3f min. ", rex->header.time) +
                    Scans(rex->scansAveraged, rex->firstScan, rex->lastScan, rex->header.scanNumber);
    s += rex->header.ionMass != 0 ? Format(" Ion: %ld %s", long(rex->header.ionMass), gIonUnit) : " Ion: NA";
    s += " RIC: " + Intensity64(rex->header.totalIon);
    if (rex->bgCorrected) s += " BC";
    SetLine(spt->infoTitle, s);
    kelt::spectra::CopyText(spt->comment, spt->infoTitle, SPT_TEXT_COMMENT_SIZE - 1);
  } else if (spt->kind == SPT_KIND_NIST || spt->kind == SPT_KIND_SLBR) {
    PlusSpt_UpdateRightTitles(spt);
  } else if (spt->kind == SPT_KIND_LIST) {
    PlusSpt_UpdateRightTitles(spt);
    if (!spt->infoTitle[0]) SetLine(spt->infoTitle, spt->comment);
  } else if (spt->kind == SPT_KIND_TIC) {
    PlusSpt_UpdateRightTitles(spt);
    SetLine(spt->mainTitle, spt->comment);
  }
  if (spt->pairsEdited && std::strlen(spt->infoTitle) < 76) std::strcat(spt->infoTitle, " (E)");
  PlusSpt_InitFileTitle(spt);
} catch (...) {
}

KELT_API void PlusSpt_InitTitlesFromPrefs(STRUCT_SPT_PLUS* spt, const STRUCT_SPTS_TITLES* prefs) try {
  if (!spt || !prefs || kelt::spectra::FixedTitles(spt)) return;
  BuildLine(spt, prefs->lists[0], spt->mainTitle);
  BuildLine(spt, prefs->lists[1], spt->fileTitle);
  BuildLine(spt, prefs->lists[2], spt->nameTitle);
  BuildLine(spt, prefs->lists[3], spt->infoTitle);
} catch (...) {
}

KELT_API void PlusSpt_InitDiffSptTitles(STRUCT_SPT_PLUS* diff, const STRUCT_SPT_PLUS* a, const STRUCT_SPT_PLUS* b) try {
  if (!diff || !a || !b) return;
  if (a->extraInfo[0] && b->extraInfo[0]) {
    if (BeginsWithSpectrum(a->extraInfo) && BeginsWithSpectrum(b->extraInfo))
      SetLine(diff->mainTitle, std::string(a->extraInfo + 8) + " - " + (b->extraInfo + 8));
    else
      SetLine(diff->mainTitle, std::string(a->extraInfo) + " - " + b->extraInfo);
  } else {
    SetLine(diff->mainTitle, "A - B");
  }
  SetLine(diff->fileTitle, PlusSpt_IsProfileData(diff) ? "PROFILE" : "");
  SetLine(diff->nameTitle, DiffSourceText(a));
  SetLine(diff->infoTitle, DiffSourceText(b));
} catch (...) {
}

KELT_API int32_t PlusSpt_SplitDiffTitle(const char* text, char* a, char* b) try {
  const char* pa = text ? std::strstr(text, "Spt A: ") : nullptr;
  if (!pa) return 0;
  pa += 7;
  const char* pb = std::strstr(pa, "Spt B: ");
  if (!pb) return 0;
  std::string first(pa, pb);
  if (first.size() >= 3 && first.compare(first.size() - 3, 3, ",  ") == 0) first.resize(first.size() - 3);
  if (a) kelt::spectra::CopyText(a, first.c_str(), 299);
  if (b) kelt::spectra::CopyText(b, pb + 7, 299);
  return 1;
} catch (...) {
  return 0;
}

KELT_API void PlusSpt_AddSDSInfoToTitles(STRUCT_SPT_PLUS* spt) try {
  if (!spt || spt->kind != SPT_KIND_TOL || !spt->tolSpt) return;
  const STRUCT_TOL_SPT* tol = spt->tolSpt;
  if (tol->segment.functions[0].kind != 13) return;
  std::string s = spt->extraInfo;
  if (!s.empty()) s += " ";
  s += tol->header.parentScan ? Format("SDS Parent Scan: %d", int(tol->header.parentScan)) : "Is SDS Parent";
  kelt::spectra::CopyText(spt->extraInfo, s.c_str(), SPT_EXTRA_INFO_SIZE - 1);
} catch (...) {
}
