// Result annotations of the overlay control: per slot, texts from the data
// file's quantitation results, its deconvolution result file or a target-
// list match, made by the drawing engine and kept across paints while their
// source file stays as it was.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "fandor/identification_files.h"
#include "fandor/target_list_results.h"
#include "orvik32/orvik32.h"
#include "overlayctl/overlay_plot_control.h"
#include "plotengine/result_annotations.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

namespace {

STRUCT_ANNOTATIONS* Record(void* p) { return static_cast<STRUCT_ANNOTATIONS*>(p); }

void FreeRecord(void*& p) {
  OPLOT_FreeAnnotationStrings(Record(p));
  p = nullptr;
}

void FreeAll(void* (&list)[OPLOT_SLOTS]) {
  for (void*& p : list) FreeRecord(p);
}

bool LastWriteTime(const char* path, FILETIME* time) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE || !h) return false;
  const BOOL ok = GetFileTime(h, nullptr, nullptr, time);
  CloseHandle(h);
  return ok != 0;
}

// Whether a record still stands for its source: it names the slot's data
// file and carries the source's time of writing behind its texts. A source
// that cannot be opened counts as changed.
bool StillCurrent(const STRUCT_ANNOTATIONS* a, const char* dataPath, const char* sourcePath) {
  if (!a || !a->texts || _strnicmp(a->dataFile, dataPath, ANNOTATION_DATA_FILE_SIZE) != 0) return false;
  const uint32_t size = GetBlockSize(a->texts);
  if (size < ANNOTATION_TEXTS_TAIL) return false;
  FILETIME kept{}, now{};
  std::memcpy(&kept, a->texts + size - ANNOTATION_TEXTS_TAIL, sizeof kept);
  return LastWriteTime(sourcePath, &now) && CompareFileTime(&kept, &now) == 0;
}

// The deconvolution component file beside a data file.
std::string ComponentFile(const char* dataPath) {
  std::string path = dataPath;
  const size_t slash = path.find_last_of("\\/:"), dot = path.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
  return path + ".ELU";
}

// The host's match results (a target-list search's list) as the drawing
// engine reads them; a block that is no such list, or a damaged one, builds
// no annotations.
static_assert(TARGET_LIST_PATH_SIZE == ANNOTATION_DATA_FILE_SIZE);

bool TargetResults(void* block, STRUCT_TARGET_SEARCH_RESULT* out) {
  if (!block || GetBlockSize(block) < sizeof(STRUCT_TARGET_LIST_RESULTS)) return false;
  const auto* list = static_cast<const STRUCT_TARGET_LIST_RESULTS*>(block);
  if (list->magic != TARGET_LIST_MAGIC || list->count < 0 || list->count > 65535 || list->libraryCount < 0 ||
      list->libraryCount > TARGET_LIST_MOST_LIBRARIES || list->libraryCount > TARGET_MOST_LIBRARIES)
    return false;
  if (list->count > 0 &&
      (!list->entries || GetBlockSize(list->entries) < static_cast<uint32_t>(list->count) * sizeof(TARGET_LIST_MATCH)))
    return false;
  out->count = list->count;
  out->entries = list->entries;
  out->libraryCount = list->libraryCount;
  for (int k = 0; k < list->libraryCount; ++k) {
    std::memcpy(out->libraryPaths[k], list->libraryPaths[k], ANNOTATION_DATA_FILE_SIZE);
    out->libraryPaths[k][ANNOTATION_DATA_FILE_SIZE - 1] = 0;
  }
  return true;
}

}  // namespace

void CCtlOPlot::MakeOrKeepOrFreeAnnotations() {
  SVW_OVERLAY* o = m_pOverlay;
  if (m_controlKind == 3 || m_controlKind == 4 || !m_hasData || !o) return;
  const STRUCT_RESULT_ANNOTATIONS& dh = m_prefs.resultAnnotations;
  const STRUCT_AMDIS_ANNOTATIONS& amdis = m_prefs.amdisAnnotations;
  const STRUCT_TCHRO_ANNOTATIONS& tchro = m_prefs.tchroAnnotations;
  if (!dh.show) FreeAll(m_dhAnnotations);
  if (!amdis.show) FreeAll(m_amdisAnnotations);
  if (!tchro.show) FreeAll(m_tchroAnnotations);
  if (!dh.show && !amdis.show && !tchro.show) return;
  // Characters per line and the name on a line of its own.
  const int16_t lineWidth = m_prefs.drawing.value102, breakAtName = m_prefs.drawing.flag100;
  const int16_t processed = m_filtering[0] == 1 || m_filtering[0] == 2 ? 1 : 0;

  for (int16_t i = 0; i < OPLOT_SLOTS; ++i) {
    const STRUCT_WORK_FILE* wf = o->slots[i].workFile;
    // Raw MS files and the further MS form take every kind; centroid MS
    // files take the quantitation results only; other files none.
    const bool allKinds = wf && (wf->directHeader || wf->type61);
    const bool resultsOnly = wf && !allKinds && wf->centroid;
    if (!allKinds && !resultsOnly) {
      FreeOneSlotAnnotations(i);
      continue;
    }
    if (dh.show) {
      void*& a = m_dhAnnotations[i];
      if (a && StillCurrent(Record(a), wf->filePath, wf->filePath)) {
        OPLOT_InitAnnotationPlotValues(o, Record(a), i, processed, 0);
      } else {
        FreeRecord(a);
        a = OPLOT_CreateDHAnnotationStrings(o, i, processed, &dh, lineWidth, breakAtName);
      }
    }
    if (amdis.show && allKinds) {
      std::string source;
      if (amdis.useELU) {
        source = ComponentFile(wf->filePath);
      } else {
        CAccessFINFile fin;
        char path[MAX_PATH + 1] = {};
        fin.GetFINFileFromKMSFile(wf->filePath, path);
        source = path;
      }
      void*& a = m_amdisAnnotations[i];
      if (a && !source.empty() && StillCurrent(Record(a), wf->filePath, source.c_str())) {
        OPLOT_InitAnnotationPlotValues(o, Record(a), i, processed, 0);
      } else {
        FreeRecord(a);
        a = amdis.useELU ? OPLOT_CreateELUAnnotationStrings(o, i, processed, &amdis, lineWidth, breakAtName)
                         : OPLOT_CreateFINAnnotationStrings(o, i, processed, &amdis, lineWidth, breakAtName);
      }
    }
    if (tchro.show) {
      void*& a = m_tchroAnnotations[i];
      if (a)
        OPLOT_InitAnnotationPlotValues(o, Record(a), i, processed, 0);
      else if (auto results = std::make_unique<STRUCT_TARGET_SEARCH_RESULT>();
               TargetResults(m_tchroResults[i], results.get()))
        a = OPLOT_CreateTCHROAnnotationStrings(o, i, processed, &tchro, results.get(), lineWidth, breakAtName);
    }
  }
}

