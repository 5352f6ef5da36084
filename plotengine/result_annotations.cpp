// Result annotations from the quantitation results of a data file.
#include "plotengine/result_annotations.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "common/engine_binding.h"
#include "common/engine_entries.h"
#include "common/mass_lists.h"
#include "common/number_format.h"
#include "common/segment_plots.h"
#include "fandor/component_files.h"
#include "fandor/identification_files.h"
#include "fandor/msp_library_files.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"
#include "spectra/library_entry_texts.h"

namespace kelt::annotations {

std::string JoinPieces(const std::vector<Piece>& pieces, int32_t angle, int16_t lineWidth, int16_t breakAtName,
                       int nameCode) {
  std::string text;
  const bool breaks = (angle >= 0 && angle <= 900) || angle >= 2700;
  int previous = -1;
  size_t lineLength = 0;
  for (const Piece& p : pieces) {
    if (p.text.empty()) continue;
    if (text.empty()) {
      text = p.text;
      lineLength = p.text.size();
    } else {
      const bool tooLong = lineLength + p.text.size() > static_cast<size_t>(lineWidth < 0 ? 0 : lineWidth);
      const bool newLine =
          breaks && (tooLong || (breakAtName && (previous == nameCode || p.code == nameCode)));
      if (newLine) {
        text += "\n";
        lineLength = p.text.size();
      } else {
        text += "  ";
        lineLength += 2 + p.text.size();
      }
      text += p.text;
    }
    previous = p.code;
  }
  return text;
}

}  // namespace kelt::annotations

using kelt::annotations::Piece;

namespace {

constexpr uint32_t kHeaderSize = 2635;
constexpr uint32_t kStepSize = 1375;

template <class T>
T At(const uint8_t* bytes, size_t offset) {
  T v;
  std::memcpy(&v, bytes + offset, sizeof v);
  return v;
}

// The quantitation engine, bound for one build.
using Engine = kelt::EngineBinding;

bool LastWriteTime(const char* path, FILETIME* out) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE || !h) return false;
  const BOOL ok = GetFileTime(h, nullptr, nullptr, out);
  CloseHandle(h);
  return ok != 0;
}

STRUCT_ANNOTATIONS* NewRecord(uint32_t entries, int16_t textLength, uint32_t arrayExtra) {
  auto* r = static_cast<STRUCT_ANNOTATIONS*>(AllocBlock(sizeof(STRUCT_ANNOTATIONS)));
  if (!r) return nullptr;
  const uint32_t arrayBytes = entries * 8 + arrayExtra;
  r->textLength = textLength;
  r->times = static_cast<double*>(AllocBlock(arrayBytes));
  r->values = static_cast<double*>(AllocBlock(arrayBytes));
  r->amounts = static_cast<double*>(AllocBlock(arrayBytes));
  r->texts = static_cast<char*>(AllocBlock((static_cast<uint32_t>(textLength) + 1) * entries + ANNOTATION_TEXTS_TAIL));
  if (!r->times || !r->values || !r->amounts || !r->texts) {
    OPLOT_FreeAnnotationStrings(r);
    return nullptr;
  }
  return r;
}

// The data file's path, and (when given) the result file's time of writing
// kept after the texts, by which a later look tells whether it changed.
void StampSource(STRUCT_ANNOTATIONS* r, const STRUCT_WORK_FILE* wf, uint32_t entries, const FILETIME* written) {
  std::memcpy(r->dataFile, wf->filePath, strnlen(wf->filePath, ANNOTATION_DATA_FILE_SIZE - 1));
  if (written)
    std::memcpy(r->texts + (static_cast<size_t>(r->textLength) + 1) * entries, written, sizeof *written);
}

// The trace the annotations lie on: the slot's plot kind, lists and file times.
void TakeSlotTrace(STRUCT_ANNOTATIONS* r, const OVERLAY_SLOT& s) {
  r->plotKind = s.plotKind;
  r->massList = s.massList;
  r->chanList = s.chanList;
  r->valuesFrom = s.workFile->startTime;
  r->valuesTo = s.workFile->endTime;
}

void StoreText(STRUCT_ANNOTATIONS* r, double time, double amount, const std::string& text) {
  const int i = r->count;
  r->times[i] = time;
  r->amounts[i] = amount;
  char* slot = r->texts + static_cast<size_t>(i) * (static_cast<size_t>(r->textLength) + 1);
  const size_t n = std::min(text.size(), static_cast<size_t>(r->textLength));
  std::memcpy(slot, text.data(), n);
  slot[n] = 0;
  ++r->count;
}

// The step's trace is the slot's trace.
bool StepMatches(OVERLAY_SLOT& s, const uint8_t* step) {
  STRUCT_MASS_LIST stepMass;
  STRUCT_CHAN_LIST stepChan;
  std::memcpy(&stepMass, step + 675, sizeof stepMass);
  std::memcpy(&stepChan, step + 889, sizeof stepChan);
  const STRUCT_WORK_FILE* wf = s.workFile;
  if (s.massList.kind == 0 && (s.chanList.kind == 0 || wf->mostScanFunctions == 1)) return true;
  if (!KELT_IsCloseEnoughMassList(&stepMass, &s.massList)) return false;
  if (s.plotKind != 301) return KELT_IsEquivalentChanList(&s.chanList, &stepChan, nullptr) != 0;
  // A scan-function plot: the step's scan functions in its segment must be the slot's.
  const double rt = At<float>(step, 130);
  int16_t segment = -1;
  const int segments = wf->segmentBlocks ? wf->msInfo.segmentCount : 0;
  for (int i = 0; i < segments; ++i)
    if (wf->segmentBlocks[i].startTime <= rt && rt <= wf->segmentBlocks[i].endTime) {
      segment = static_cast<int16_t>(i);
      break;
    }
  if (segment < 0 || !s.scanFunArray) return false;
  if (!s.scanFunInfo) {
    int16_t count = 0;
    s.scanFunInfo = PD_GetScanFunInfoForDataFile(wf, &count, 0);
    s.scanFunInfoCount = static_cast<uint16_t>(count > 0 ? count : 0);
    if (!s.scanFunInfo) return false;
  }
  STRUCT_SCAN_FUN_ARRAY* built = SCAN_FUN_GetScanFunArrayForChanList(
      wf, segment, s.scanFunInfo, static_cast<int16_t>(s.scanFunInfoCount), &stepChan);
  if (!built) return false;
  const bool same = SCAN_FUN_Compare(built, s.scanFunArray) != 0;
  FreeBlock(built);
  return same;
}

// The kind flags of the preferences in order, and the step status each includes.
constexpr int kKindStatus[6] = {0, 2, 1, 3, 4, 5};
// Offsets of the header's counts by status 0..5.
constexpr size_t kCountOffset[6] = {2251, 2253, 2255, 2257, 2261, 2259};

std::string ResultPiece(int code, const uint8_t* step) {
  char buf[160] = {};
  const uint32_t status = At<uint32_t>(step, 0);
  switch (code) {
    case 0: {
      char name[42] = {};
      std::memcpy(name, step + 6, 41);
      return name;
    }
    case 1: {
      const float rt = At<float>(step, 130);
      if (rt == 0.0f) return {};
      std::snprintf(buf, sizeof buf, "%.3f min", rt);
      return buf;
    }
    case 2: {
      const int32_t cas = At<int32_t>(step, 47);
      if (cas <= 0) return {};
      FormatCASNumber(uint32_t(cas), buf);
      return buf;
    }
    case 3:
      if (status > 2) return {};
      std::snprintf(buf, sizeof buf, "ID: %d", At<int16_t>(step, 114) + 1);
      return buf;
    case 4: {
      const float sn = At<float>(step, 150);
      if (sn == 0.0f) return {};
      std::snprintf(buf, sizeof buf, "S/N: %.0f", sn);
      return buf;
    }
    case 5:
    case 6: {
      const float v = At<float>(step, code == 5 ? 158 : 162);
      if (v == 0.0f) return {};
      KELT_FormatAreaOrHeight(0, v, buf);
      return std::string(code == 5 ? "Area: " : "Height: ") + buf;
    }
    case 7: {
      static const char* const kStatus[6] = {"Identified", "Missing", "Failed", "TIC", "Unknown", "Duplicate"};
      return status < 6 ? kStatus[status] : "";
    }
    case 8: {
      const float amount = At<float>(step, 166);
      if (amount < 0.0f) return {};
      char units[11] = {};
      std::memcpy(units, step + 92, 10);
      const int16_t decimals = amount == 0.0f ? 0 : amount < 10 ? 3 : amount < 100 ? 2 : amount < 1000 ? 1 : 0;
      KELT_FormatResultAmount(0, decimals, amount, units, buf);
      std::string out = buf;
      if (units[0]) out += std::string(" ") + units;
      return out;
    }
    case 9:
      std::snprintf(buf, sizeof buf, "Scan: %ld", static_cast<long>(At<int32_t>(step, 122)));
      return buf;
    default:
      return {};
  }
}

}  // namespace

STRUCT_ANNOTATIONS* OPLOT_CreateDHAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                    const STRUCT_RESULT_ANNOTATIONS* prefs, int16_t lineWidth,
                                                    int16_t breakAtName) {
  try {
    if (!overlay || !prefs || !OverlaySlotIndex(slot)) return nullptr;
    OVERLAY_SLOT& s = overlay->slots[slot];
    const STRUCT_WORK_FILE* wf = s.workFile;
    if (!wf || !(wf->centroid || (wf->sectioned && wf->timeTagged))) return nullptr;
    if (!KELT_HaveCurrentResults(wf->filePath)) return nullptr;
    Engine engine;
    auto open = engine.Find<kelt::engine::OpenTolResultsReadOnlyFn>("OpenTolResultsReadOnly");
    auto readStep = engine.Find<kelt::engine::ReadTolResultStepFn>("ReadTolResultStep");
    auto readHeader = engine.Find<kelt::engine::ReadTolResultsFn>("ReadTolResults");
    if (!open || !readStep || !readHeader) return nullptr;
    FILETIME written{};
    if (!LastWriteTime(wf->filePath, &written)) return nullptr;
    HSECTION results = open(wf->filePath, nullptr);
    if (!results) return nullptr;
    uint8_t header[kHeaderSize] = {};
    uint32_t steps = 0, entries = 0;
    if (readHeader(results, reinterpret_cast<STRUCT_RESULTS_HEADER*>(header))) {
      for (int k = 0; k < 6; ++k) {
        const int16_t n = At<int16_t>(header, kCountOffset[kKindStatus[k]]);
        if (n <= 0) continue;
        steps += static_cast<uint32_t>(n);
        if (prefs->kindFlags[k]) entries += static_cast<uint32_t>(n);
      }
    }
    if (entries == 0 || entries > 65535) {
      CloseSection(results);
      return nullptr;
    }
    const int16_t textLength = prefs->textSize > 0 ? prefs->textSize : 300;
    STRUCT_ANNOTATIONS* record = NewRecord(entries, textLength, 0);
    if (!record) {
      CloseSection(results);
      return nullptr;
    }
    StampSource(record, wf, entries, &written);
    bool failed = false;
    for (uint32_t i = 0; i < steps && i <= 65535 && record->count < entries; ++i) {
      uint8_t step[kStepSize] = {};
      if (!readStep(results, static_cast<uint16_t>(i), reinterpret_cast<STRUCT_RESULT_STEP*>(step), 1)) {
        failed = true;
        break;
      }
      if (!StepMatches(s, step)) continue;
      const uint32_t status = At<uint32_t>(step, 0);
      bool keep = false;
      for (int k = 0; k < 6; ++k)
        if (static_cast<uint32_t>(kKindStatus[k]) == status && prefs->kindFlags[k]) keep = true;
      if (!keep) continue;
      std::vector<Piece> pieces;
      const int items = std::min<int>(prefs->itemCount, 10);
      for (int k = 0; k < items; ++k) pieces.push_back({prefs->items[k], ResultPiece(prefs->items[k], step)});
      const std::string text = kelt::annotations::JoinPieces(pieces, prefs->marker.angle, lineWidth, breakAtName, 0);
      if (text.empty()) continue;
      double time = At<float>(step, 130);
      if (time == 0.0) {
        const double second = At<float>(step, 142);
        time = second != 0.0 ? second : At<float>(step, 138);
      }
      StoreText(record, time, At<float>(step, 166), text);
    }
    CloseSection(results);
    if (failed) {
      OPLOT_FreeAnnotationStrings(record);
      return nullptr;
    }
    OPLOT_InitAnnotationPlotValues(overlay, record, slot, useProcessed, 1);
    return record;
  } catch (...) {
    return nullptr;
  }
}

namespace {

std::string IdentificationPiece(int code, const FIN_IDENTIFIED& e, const STRUCT_WORK_FILE* wf) {
  char buf[160] = {};
  switch (code) {
    case 0:
      std::snprintf(buf, sizeof buf, "Scan:%ld", static_cast<long>(e.scan + static_cast<int64_t>(wf->msInfo.firstScan) - 1));
      return buf;
    case 1:
      std::snprintf(buf, sizeof buf, "%.3f min.", e.time);
      return buf;
    case 2:
      return e.name;
    default: {
      static const char* const kFormats[] = {"Formula:%s", "CASNo.:%s", "Model:%s",    "Purity:%s", "Width:%s",
                                             "Net:%s",     "Weighted:%s", "Simple:%s", "Reverse:%s"};
      const char* const fields[] = {e.formula, e.casNumber, e.model, e.purity, e.width,
                                    e.net,     e.weighted,  e.simple, e.reverse};
      if (code < 3 || code > 11) return {};
      std::snprintf(buf, sizeof buf, kFormats[code - 3], fields[code - 3]);
      return buf;
    }
  }
}

}  // namespace

STRUCT_ANNOTATIONS* OPLOT_CreateFINAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                     const STRUCT_AMDIS_ANNOTATIONS* prefs, int16_t lineWidth,
                                                     int16_t breakAtName) {
  try {
    if (!overlay || !prefs || !OverlaySlotIndex(slot)) return nullptr;
    if (!prefs->show || prefs->useELU || prefs->itemCount2 <= 0) return nullptr;
    OVERLAY_SLOT& s = overlay->slots[slot];
    const STRUCT_WORK_FILE* wf = s.workFile;
    if (!wf || !(wf->centroid || (wf->sectioned && wf->timeTagged) || wf->directHeader)) return nullptr;
    CAccessFINFile fin;
    char result[MAX_PATH + 1] = {};
    if (!fin.GetFINFileFromKMSFile(wf->filePath, result)) return nullptr;
    FILETIME written{};
    if (!LastWriteTime(result, &written)) return nullptr;
    int32_t count = 0;
    if (!fin.OpenReadInOrder(result, &count) || count <= 0 || count > 65535) return nullptr;
    const uint32_t entries = static_cast<uint32_t>(count);
    const int16_t textLength = prefs->textSize > 0 ? prefs->textSize : 300;
    STRUCT_ANNOTATIONS* record = NewRecord(entries, textLength, 10);
    if (!record) return nullptr;
    StampSource(record, wf, entries, &written);
    TakeSlotTrace(record, s);
    const int items = std::min<int>(prefs->itemCount2, 12);
    for (uint32_t i = 0; i < entries; ++i) {
      FIN_IDENTIFIED e{};
      if (!fin.ReadNextIdentified(&e)) {
        OPLOT_FreeAnnotationStrings(record);
        return nullptr;
      }
      std::vector<Piece> pieces;
      for (int k = 0; k < items; ++k) pieces.push_back({prefs->items2[k], IdentificationPiece(prefs->items2[k], e, wf)});
      StoreText(record, e.time, -1.0,
                kelt::annotations::JoinPieces(pieces, prefs->marker.angle, lineWidth, breakAtName, 2));
    }
    OPLOT_InitAnnotationPlotValues(overlay, record, slot, useProcessed, 1);
    return record;
  } catch (...) {
    return nullptr;
  }
}

namespace {

std::string TargetPiece(int code, const STRUCT_TARGET_MATCH& e, const MSP_SPECTRUM* spectrum) {
  char buf[160] = {};
  switch (code) {
    case 0:
      std::snprintf(buf, sizeof buf, "Scan=%ld", static_cast<long>(e.scan));
      return buf;
    case 1:
      std::snprintf(buf, sizeof buf, "%.3f min.", +e.time);
      return buf;
    case 2:
      std::snprintf(buf, sizeof buf, "R.Match=%d", +e.reverseMatch);
      return buf;
    case 3:
      std::snprintf(buf, sizeof buf, "F.Match=%d", +e.forwardMatch);
      return buf;
    case 4:
      return spectrum ? std::string(spectrum->name).substr(0, 80) : std::string();
    case 5:
      if (!spectrum || spectrum->casNumber <= 0) return {};
      FormatCASNumber(uint32_t(spectrum->casNumber), buf);
      return buf;
    case 6:
      if (!spectrum) return {};
      std::snprintf(buf, sizeof buf, "MW=%d", spectrum->molecularWeight);
      return buf;
    case 7:
      if (!spectrum) return {};
      FormatFormula(spectrum->formula, buf);
      return buf;
    default:
      return {};
  }
}

}  // namespace

STRUCT_ANNOTATIONS* OPLOT_CreateTCHROAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                       const STRUCT_TCHRO_ANNOTATIONS* prefs,
                                                       STRUCT_TARGET_SEARCH_RESULT* result, int16_t lineWidth,
                                                       int16_t breakAtName) {
  try {
    if (!overlay || !prefs || !result || !OverlaySlotIndex(slot)) return nullptr;
    if (!prefs->show || prefs->itemCount <= 0 || !result->entries || result->count <= 0) return nullptr;
    OVERLAY_SLOT& s = overlay->slots[slot];
    const STRUCT_WORK_FILE* wf = s.workFile;
    if (!wf || !(wf->centroid || (wf->sectioned && wf->timeTagged) || wf->directHeader)) return nullptr;
    uint32_t entries = 0;
    for (int32_t i = 0; i < result->count; ++i)
      if (result->entries[i].matched) ++entries;
    if (entries == 0 || entries > 65535) return nullptr;
    const int items = std::min<int>(prefs->itemCount, 8);
    bool needSpectrum = false;
    for (int k = 0; k < items; ++k) needSpectrum = needSpectrum || (prefs->items[k] >= 4 && prefs->items[k] <= 7);
    const int16_t textLength = prefs->textSize > 0 ? prefs->textSize : 300;
    STRUCT_ANNOTATIONS* record = NewRecord(entries, textLength, 10);
    if (!record) return nullptr;
    StampSource(record, wf, entries, nullptr);
    TakeSlotTrace(record, s);
    auto spectrum = std::make_unique<MSP_SPECTRUM>();
    for (int32_t i = 0; i < result->count; ++i) {
      const STRUCT_TARGET_MATCH e = result->entries[i];
      if (!e.matched) continue;
      bool haveSpectrum = false;
      if (needSpectrum) {
        const int lib = e.library;
        if (lib < 0 || lib >= result->libraryCount || lib >= TARGET_MOST_LIBRARIES) {
          OPLOT_FreeAnnotationStrings(record);
          return nullptr;
        }
        CAccessMSPFile msp(0);
        std::vector<uint32_t>& table = result->indexTables[lib];
        haveSpectrum = msp.Open(result->libraryPaths[lib]) &&
                       (table.empty() || msp.SetIndexes(table.data(), static_cast<int32_t>(table.size()))) &&
                       msp.ReadSpectrum(e.spectrum, spectrum.get());
        msp.GetIndexes(&table);
        if (!haveSpectrum) {
          OPLOT_FreeAnnotationStrings(record);
          return nullptr;
        }
      }
      std::vector<Piece> pieces;
      for (int k = 0; k < items; ++k)
        pieces.push_back({prefs->items[k], TargetPiece(prefs->items[k], e, haveSpectrum ? spectrum.get() : nullptr)});
      StoreText(record, e.time, -1.0,
                kelt::annotations::JoinPieces(pieces, prefs->marker.angle, lineWidth, breakAtName, 4));
    }
    OPLOT_InitAnnotationPlotValues(overlay, record, slot, useProcessed, 1);
    return record;
  } catch (...) {
    return nullptr;
  }
}

namespace {

std::string ComponentPiece(int code, const ELU_COMPONENT& c) {
  char buf[160] = {};
  switch (code) {
    case 0: std::snprintf(buf, sizeof buf, "Scan=%ld", static_cast<long>(c.scan)); break;
    case 1: std::snprintf(buf, sizeof buf, "%.3f min.", +c.time); break;
    case 2: std::snprintf(buf, sizeof buf, "Model=%s", c.model); break;
    case 3: std::snprintf(buf, sizeof buf, "Purity=%d", +c.purity); break;
    case 4: std::snprintf(buf, sizeof buf, "Limit=%.2f", +c.limit); break;
    case 5: std::snprintf(buf, sizeof buf, "S/N=%.0f", +c.signalToNoise); break;
    case 6: std::snprintf(buf, sizeof buf, "Width=%.2f", +c.width); break;
    case 7: std::snprintf(buf, sizeof buf, "Amount=%.1f", +c.amount); break;
    case 8: std::snprintf(buf, sizeof buf, "Tailing=%.1f", +c.tailing); break;
    case 9: std::snprintf(buf, sizeof buf, "Index=%ld", static_cast<long>(c.index)); break;
    case 10: std::snprintf(buf, sizeof buf, "Models=%s", c.models); break;
    default: break;
  }
  return buf;
}

}  // namespace

STRUCT_ANNOTATIONS* OPLOT_CreateELUAnnotationStrings(SVW_OVERLAY* overlay, int16_t slot, int16_t useProcessed,
                                                     const STRUCT_AMDIS_ANNOTATIONS* prefs, int16_t lineWidth,
                                                     int16_t /*ignored*/) {
  try {
    if (!overlay || !prefs || !OverlaySlotIndex(slot)) return nullptr;
    if (!prefs->show || !prefs->useELU || !prefs->itemCount1) return nullptr;
    OVERLAY_SLOT& s = overlay->slots[slot];
    const STRUCT_WORK_FILE* wf = s.workFile;
    if (!wf || !(wf->centroid || (wf->sectioned && wf->timeTagged) || wf->directHeader)) return nullptr;
    // The component reader is reached through its ordinals.
    char folder[MAX_PATH + 1] = {};
    if (!GetProgramDirectory(folder)) folder[0] = 0;
    std::string path = folder;
    if (!path.empty()) path += '\\';
    path += "Fandor.dll";
    HMODULE fandor = LoadLibraryA(path.c_str());
    if (!fandor) return nullptr;
    auto open = ProcAs<BOOL (*)(const char*)>(GetProcAddress(fandor, MAKEINTRESOURCEA(712)));
    auto count = ProcAs<int32_t (*)()>(GetProcAddress(fandor, MAKEINTRESOURCEA(718)));
    auto next = ProcAs<BOOL (*)(ELU_COMPONENT*)>(GetProcAddress(fandor, MAKEINTRESOURCEA(700)));
    auto close = ProcAs<void (*)()>(GetProcAddress(fandor, MAKEINTRESOURCEA(701)));
    STRUCT_ANNOTATIONS* record = nullptr;
    if (open && count && next && close && open(wf->filePath)) {
      const int32_t n = count();
      char eluPath[MAX_PATH + 1] = {};
      std::string elu = wf->filePath;
      const size_t slash = elu.find_last_of("\\/:"), dot = elu.find_last_of('.');
      if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) elu.resize(dot);
      elu += ".ELU";
      std::memcpy(eluPath, elu.c_str(), std::min<size_t>(elu.size(), MAX_PATH));
      FILETIME written{};
      if (n > 0 && n <= 65535 && LastWriteTime(eluPath, &written)) {
        const uint32_t entries = static_cast<uint32_t>(n);
        const int16_t textLength = prefs->textSize > 0 ? prefs->textSize : 300;
        record = NewRecord(entries, textLength, 10);
        if (record) {
          StampSource(record, wf, entries, &written);
          TakeSlotTrace(record, s);
          const int items = std::max(0, std::min<int>(prefs->itemCount1, 11));
          for (uint32_t i = 0; i < entries && record; ++i) {
            ELU_COMPONENT c{};
            if (!next(&c)) {
              OPLOT_FreeAnnotationStrings(record);
              record = nullptr;
              break;
            }
            std::vector<Piece> pieces;
            for (int k = 0; k < items; ++k) pieces.push_back({prefs->items1[k], ComponentPiece(prefs->items1[k], c)});
            // The line width alone breaks the lines: no name item here.
            StoreText(record, c.time, -1.0,
                      kelt::annotations::JoinPieces(pieces, prefs->marker.angle, lineWidth, 0, -1));
          }
        }
      }
      close();
    }
    FreeLibrary(fandor);
    if (record) OPLOT_InitAnnotationPlotValues(overlay, record, slot, useProcessed, 1);
    return record;
  } catch (...) {
    return nullptr;
  }
}

void OPLOT_InitAnnotationPlotValues(SVW_OVERLAY* overlay, STRUCT_ANNOTATIONS* record, int16_t slot,
                                    int16_t useProcessed, int16_t force) {
  if (!record || !OverlaySlotPresent(overlay, slot)) return;
  OVERLAY_SLOT& s = overlay->slots[slot];
  const STRUCT_NE_DATA_POINTS* trace = s.trace;
  if (!trace) return;
  if (!force && record->plotKind == s.plotKind && std::memcmp(&record->chanList, &s.chanList, sizeof s.chanList) == 0 &&
      std::memcmp(&record->massList, &s.massList, sizeof s.massList) == 0) {
    const bool whole = s.workFile && record->valuesFrom == s.workFile->startTime &&
                       record->valuesTo == s.workFile->endTime;
    const bool inside = overlay->tail.viewStart >= record->valuesFrom && overlay->tail.viewEnd <= record->valuesTo;
    if (whole || inside) return;
  }
  const STRUCT_NE_POINT_BLOCK* block =
      useProcessed && trace->filtered && trace->filteredCount ? trace->filtered : trace->points;
  const uint32_t n = block == trace->filtered ? trace->filteredCount : trace->pointCount;
  if (!block || n == 0) return;
  for (int i = 0; i < record->count; ++i) {
    const double t = record->times[i];
    double v = 0.0;
    for (uint32_t k = 0; k < n; ++k) {
      const double pt = NePointAt(block, k)->time;
      if (pt < t) continue;
      if (pt == t) {
        v = NePointValue(block, k);
      } else if (k > 0) {
        const double t0 = NePointAt(block, k - 1)->time, v0 = NePointValue(block, k - 1);
        v = pt == t0 ? NePointValue(block, k) : v0 + (NePointValue(block, k) - v0) * (t - t0) / (pt - t0);
      }
      break;
    }
    record->values[i] = v;
  }
  record->plotKind = s.plotKind;
  record->massList = s.massList;
  record->chanList = s.chanList;
  record->valuesFrom = NePointAt(block, 0)->time;
  record->valuesTo = NePointAt(block, n - 1)->time;
}

void OPLOT_FreeAnnotationStrings(STRUCT_ANNOTATIONS* record) {
  if (!record) return;
  if (record->times) FreeBlock(record->times);
  if (record->values) FreeBlock(record->values);
  if (record->texts) FreeBlock(record->texts);
  if (record->amounts) FreeBlock(record->amounts);
  FreeBlock(record);
}

void OPLOT_FreeAllAnnotations(STRUCT_ANNOTATIONS** records) {
  if (!records) return;
  for (int i = 0; i < OVERLAY_SLOTS; ++i) {
    OPLOT_FreeAnnotationStrings(records[i]);
    records[i] = nullptr;
  }
}
