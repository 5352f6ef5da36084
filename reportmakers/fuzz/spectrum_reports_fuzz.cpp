// libFuzzer target over the spectrum records a host hands the spectrum
// report makers: a spectrum of MS data whose head, texts (unterminated and
// all), scan header and pairs come from the input, written as its title,
// header lines, ion table (groups and range from the input, no numbers
// among them) and stacked plot on report pages, and handed to the MS/MS
// report. Nothing faults, the page lines stay on the page and every block
// allocated is freed.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "orvik32/orvik32.h"
#include "reportmakers/spectrum_report_blocks.h"
#include "reportmakers/spectrum_reports.h"
#include "reportpages/reports_file.h"
#include "win/win_kernel.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/tol_spectra.h"
#include "testing/fuzz_support.h"

namespace {

struct Reader {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  void Take(void* out, size_t n) {
    std::memset(out, 0, n);
    const size_t k = at < size ? std::min(n, size - at) : 0;
    if (k) std::memcpy(out, data + at, k);
    at += n;
  }
  template <typename T>
  T Get() {
    T v{};
    Take(&v, sizeof v);
    return v;
  }
};

// A kind-0 spectrum as a host could fill it: its texts and scan header from
// the input, its pairs of MS data (masses off the grid, any intensity).
STRUCT_SPT_PLUS* MakeSpectrum(Reader& in) {
  auto* spt = static_cast<STRUCT_SPT_PLUS*>(AllocBlock(sizeof(STRUCT_SPT_PLUS)));
  STRUCT_TOL_SPT* tol = TOL_StartNewSpectrum();
  if (!spt || !tol) {
    FreeBlock(spt);
    if (tol) TOL_Free(tol);
    return nullptr;
  }
  const int n = in.Get<uint8_t>();
  for (int i = 0; i < n && tol; ++i) {
    const double mass = in.Get<double>();
    const uint32_t value = in.Get<uint32_t>();
    STRUCT_TOL_SPT* grown = TOL_AddToSpectrum(tol, mass, value);
    if (!grown) break;
    tol = grown;
  }
  in.Take(&tol->header, sizeof tol->header);
  in.Take(tol->dataFilePath, sizeof tol->dataFilePath);
  in.Take(tol->displayName, 64);
  tol->profile = in.Get<uint8_t>() & 1;
  tol->scansAveraged = in.Get<int16_t>();
  tol->bgCorrected = in.Get<uint8_t>() & 1;
  PlusSpt_InitTolSpt(spt, tol, nullptr);
  in.Take(spt->mainTitle, sizeof spt->mainTitle);
  in.Take(spt->name, sizeof spt->name);
  in.Take(spt->formula, sizeof spt->formula);
  in.Take(spt->comment, sizeof spt->comment);
  spt->basePeakMass = in.Get<double>();
  spt->ownDecimals = in.Get<uint8_t>() & 1;
  spt->massDecimals = in.Get<uint8_t>();
  return spt;
}

}  // namespace

extern "C" int KeltFuzzSeeds(const char* folder) {
  // A messy spectrum of 40 pairs, its texts filled to the brim.
  std::string seed;
  auto put = [&seed](const void* p, size_t n) { seed.append(static_cast<const char*>(p), n); };
  const uint8_t n = 40;
  put(&n, 1);
  for (int i = 0; i < n; ++i) {
    const double mass = 41.07 + i * 6.31 + (i % 3) * 0.013;
    const uint32_t value = i == 17 ? 8388607u : uint32_t(137 + (i * 7919) % 25000);
    put(&mass, 8);
    put(&value, 4);
  }
  const std::string pairs = seed;
  std::string rest(2000, 'X');
  seed += rest;
  std::ofstream(std::string(folder) + "/messy.bin", std::ios::binary) << seed;
  // The same pairs as an MS/MS scan whose parent lies in a file that is not there.
  MS_SCAN_HEADER header{};
  header.scanNumber = 12;
  header.time = 4.25;
  header.scanKind = 13;
  header.parentScan = 11;
  char path[SPT_PATH_SIZE] = "C:\\FUZZ\\NONE.KMS";
  seed = pairs;
  put(&header, sizeof header);
  put(path, sizeof path);
  seed += std::string(64 + 4, '\0');
  std::ofstream(std::string(folder) + "/msms.bin", std::ios::binary) << seed;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  Reader in{data, size};
  const uint32_t blocks = GetLiveBlockCount();
  STRUCT_SPT_PLUS* spt = MakeSpectrum(in);
  if (!spt) return 0;
  STRUCT_REPORT_PREFS prefs{};
  KELT_GetCurrDefReportPrefs(&prefs);
  prefs.spooler.orientation = int16_t(in.Get<uint8_t>() % 3);
  prefs.sptsReport.flags[0] = 1;
  const int16_t groups = in.Get<int16_t>();
  const double low = in.Get<double>(), high = in.Get<double>();
  const double intensityLow = in.Get<double>(), intensityHigh = in.Get<double>();
  // A fresh reports file each run, so that runs never fill it.
  for (const char* path : {"C:\\FUZZ\\spectra.msr", "C:\\FUZZ\\msms.msr"}) {
    DeleteFileA(path);
    CRptsFileHandler file(nullptr);
    fuzz::Check(file.MakeThisNewFile(path) == 1, "the reports file is made");
  }
  {
    char name[MAX_PATH] = "C:\\FUZZ\\spectra.msr";
    CReportOutput out(name, &prefs, 80, 70, 2, REPORT_OUTPUT_PAGES);
    fuzz::Check(out.Ok != 0, "the report starts");
    if (out.Ok) {
      kelt::reports::MakeSpectrumTitle(out, spt, spt, 4);
      out.WriteHeaderLines();
      out.SelectNormalFont();
      kelt::reports::WriteSpectrumHeader(out, spt, "Fuzz", 4);
      kelt::reports::WriteIonTable(out, spt, groups, 4, low, high);
      kelt::reports::WriteSpectrumPage(out, spt, 4, low, high);
      fuzz::Check(out.Line >= 0 && out.Line <= out.LastLine + 2, "the line stays on the page");
      kelt::reports::DrawStackedSpectra(out, spt, low, high, intensityLow, intensityHigh, 0, 4, 76, 12);
      out.EndPage();
    }
  }
  char name[MAX_PATH] = "C:\\FUZZ\\msms.msr";
  RPTS_MakeMSMSReport(name, &prefs, spt, low, high, intensityLow, intensityHigh);
  PlusSpt_Free(spt);
  fuzz::Check(GetLiveBlockCount() == blocks, "every block is freed");
  return 0;
}
