// The demo's plot descriptors: a processed sample run with its method, every
// trace the workstation could draw from it, and one user descriptor saved
// into the run and read back.
#include <cstdio>
#include <cstring>

#include "common/plot_descriptors.h"
#include "common/work_file.h"
#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "win/win_kernel.h"

namespace {

constexpr char kRunPath[] = "C:\\Workstation\\Samples\\processed.kms";
constexpr char kMethodPath[] = "C:\\Workstation\\Samples\\processed.mth";

const char* KindName(int16_t kind) {
  switch (kind) {
    case PD_KIND_TIC: return "TIC";
    case PD_KIND_DATA_FILE: return "data file";
    case PD_KIND_UNKNOWNS: return "unknowns";
    case PD_KIND_METHOD: return "method";
    case PD_KIND_USER_PLOT: return "user plot";
    case PD_KIND_DETECTOR: return "detector";
    case PD_KIND_USER_TRACE: return "user trace";
    case PD_KIND_IGNORE: return "ignore";
    default: return "?";
  }
}

void TypeText(int16_t dataType, char* out, size_t size) {
  if (dataType == PD_TYPE_SCAN_FUNCTIONS)
    std::snprintf(out, size, "scan functions");
  else if (dataType == PD_TYPE_DETECTOR)
    std::snprintf(out, size, "detector");
  else if (dataType >= 0 && dataType < PD_TYPE_EXTRA_COLUMN)
    std::snprintf(out, size, "%s", PD_GetDataTypeName(dataType));
  else if (dataType >= PD_TYPE_EXTRA_COLUMN)
    std::snprintf(out, size, "extra column %d", dataType - PD_TYPE_EXTRA_COLUMN + 1);
  else
    std::snprintf(out, size, "type %d", dataType);
}

void ShowPD(const STRUCT_PLOT_DESCRIPTOR* pd, const STRUCT_WORK_FILE* wf) {
  if (!pd) return;
  char type[40];
  TypeText(pd->dataType, type, sizeof type);
  std::printf("  %-10s %-44.99s %-16s", KindName(pd->kind), pd->name, type);
  if (pd->dataType == PD_TYPE_SCAN_FUNCTIONS) {
    for (int i = 0; i < pd->scanFuns.count && i < 4; ++i)
      std::printf(" %.20s [%.20s]", pd->scanFuns.entries[i].name, pd->scanFuns.entries[i].segments);
  } else {
    char trace[PD_NAME_SIZE] = "";
    PD_MakePlotDescriptor(trace, pd->dataType, &pd->massList, &pd->chanList, wf);
    std::printf(" %s", trace);
  }
  if (pd->kind == PD_KIND_METHOD && pd->qualifierNumber == 0)
    std::printf("  rt %.3f%s", pd->time, pd->internalStandard ? " IS" : "");
  if (pd->invalid) std::printf("  (not drawable)");
  std::printf("\n");
}

void ShowArray(const STRUCT_PD_ARRAY* array, const STRUCT_WORK_FILE* wf) {
  if (!array) return;
  for (int i = 0; i < array->count; ++i) ShowPD(array->pds[i], wf);
}

}  // namespace

void ShowPlotDescriptors() {
  CreateDirectoryA("C:\\Workstation\\Samples", nullptr);
  msfix::DHPlan plan;
  if (!msfix::WriteProcessedDataFile(kRunPath, kMethodPath, plan, nullptr)) {
    std::fprintf(stderr, "kelt_host: cannot make %s\n", kRunPath);
    return;
  }
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kRunPath, 0);
  if (!wf) {
    std::fprintf(stderr, "kelt_host: cannot open %s\n", kRunPath);
    return;
  }
  STRUCT_ALL_PDS* all = PD_CreateAllPDs(wf);
  if (!all) {
    std::fprintf(stderr, "kelt_host: no plot descriptors for %s\n", kRunPath);
    FreeWorkFileStruct(wf);
    return;
  }
  std::printf("\nPlot descriptors of %s (method %s):\n", kRunPath, kMethodPath);
  ShowPD(all->tic, wf);
  ShowArray(all->dataFile, wf);
  ShowArray(all->method, wf);
  ShowArray(all->userTraces, wf);
  ShowArray(all->userPlots, wf);
  ShowPD(all->ignore, wf);

  // A user plot of the file's first scan function, saved into the run.
  const STRUCT_PLOT_DESCRIPTOR* first = all->dataFile && all->dataFile->count ? all->dataFile->pds[0] : nullptr;
  STRUCT_PLOT_DESCRIPTOR* user = first ? PD_AddScanFunArrayToPD(first, nullptr) : nullptr;
  if (user) {
    std::snprintf(user->name, sizeof user->name, "My trace (%.80s)", first->name);
    if (PD_SaveUserPD_DataFile(kRunPath, user)) {
      STRUCT_PD_ARRAY* saved = PD_ReadPDArray(kRunPath, PD_KIND_USER_PLOT);
      std::printf("Saved user descriptors in \"%s\": %d\n", PD_GetSectionName(PD_KIND_USER_PLOT),
                  saved ? saved->count : 0);
      ShowArray(saved, wf);
      PD_FreePDArray(saved);
    } else {
      std::printf("User descriptor not saved\n");
    }
    PD_FreePD(user);
  }
  PD_FreeAllPDs(all);
  FreeWorkFileStruct(wf);
}
