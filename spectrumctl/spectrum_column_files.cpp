// Spectra written as column text files through the report output's text
// kind, with the file name offered to the user. The report output lies a
// floor above the spectra, so these writers live with the spectrum control.
#include "spectrumctl/spectrum_column_files.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/text_format.h"
#include "orvik32/orvik32.h"
#include "reportpages/report_output.h"
#include "spectra/library_entry_texts.h"
#include "spectra/spectrum_pairs.h"
#include "spectra/spectrum_text_files.h"
#include "spectra/spectrum_titles.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"

namespace {

using kelt::text::Format;
using Layout = kelt::spectra::PairLayout;
using kelt::spectra::LayoutOf;

std::string CasText(uint32_t cas) {
  char text[32];
  FormatCASNumber(cas, text);
  return text;
}

void RemoveFile(const char* path) {
  if (FileExists(path)) DeleteFileA(path);
}

}  // namespace

KELT_API int32_t PlusSpt_PutSpectrumIntoThisTextFileEx(STRUCT_SPT_PLUS* spt, int16_t withHeader, const char* path,
                                                       const char* extension) try {
  if (!spt || !path || !path[0]) return 0;
  CReportOutput out(nullptr, nullptr, 400, 0, 0, REPORT_OUTPUT_TEXT);
  if (!out.Ok) return 0;
  if (extension && _stricmp(extension, "prn") == 0) std::strcpy(out.Separator, " ");
  else if (extension && _stricmp(extension, "txt") == 0) std::strcpy(out.Separator, "\t");
  if (!out.TextFile->OpenAFile(path, "\r\n", 1)) return 0;
  out.HeaderUsed[0] = 1;
  std::strcpy(out.HeaderText[0], "Spectrum");
  out.HeaderColumn[0] = 0;
  out.WriteHeaderLines();

  auto write = [&](const std::string& text) {
    std::snprintf(out.LineBuffer, sizeof out.LineBuffer, "%s", text.c_str());
    out.WriteLine();
  };
  auto writeIf = [&](const char* fmt, const char* text) {
    if (text && text[0]) write(Format(fmt, text));
  };
  const bool fixed = kelt::spectra::FixedTitles(spt);
  if (withHeader) {
    if (!fixed) {
      char saved[4][SPT_TITLE_SIZE];
      std::memcpy(saved[0], spt->mainTitle, SPT_TITLE_SIZE);
      std::memcpy(saved[1], spt->nameTitle, SPT_TITLE_SIZE);
      std::memcpy(saved[2], spt->fileTitle, SPT_TITLE_SIZE);
      std::memcpy(saved[3], spt->infoTitle, SPT_TITLE_SIZE);
      auto rebuild = [&](std::initializer_list<int16_t> main, std::initializer_list<int16_t> file,
                         std::initializer_list<int16_t> name, std::initializer_list<int16_t> info) {
        STRUCT_SPTS_TITLES prefs{};
        for (int16_t& f : prefs.flags) f = 1;
        const std::initializer_list<int16_t>* lists[4] = {&main, &file, &name, &info};
        for (int k = 0; k < 4; ++k) {
          prefs.lists[k].count = int16_t(lists[k]->size());
          int j = 0;
          for (int16_t code : *lists[k]) prefs.lists[k].items[j++] = code;
        }
        PlusSpt_InitTitlesFromPrefs(spt, &prefs);
      };
      rebuild({SPT_TITLE_ENTRY, SPT_TITLE_SOURCE}, {SPT_TITLE_TIME}, {SPT_TITLE_SCANS}, {SPT_TITLE_CHANNEL});
      writeIf(spt->kind == SPT_KIND_NIST ? "* Library: %s" : "* File: %s", spt->mainTitle);
      writeIf("* Retention Time: %s", spt->fileTitle);
      writeIf("* %s", spt->nameTitle);
      writeIf("* Data: %s", spt->infoTitle);
      rebuild({SPT_TITLE_RIC}, {SPT_TITLE_BC}, {SPT_TITLE_EDITED}, {SPT_TITLE_PROFILE});
      writeIf("* %s", spt->mainTitle);
      writeIf("* Background Correction: %s", spt->fileTitle);
      write(Format("* Edited Data: %s", spt->nameTitle[0] ? "Yes" : "No"));
      write(Format("* Data Type: %s", spt->infoTitle[0] ? "Profile" : "Centroid"));
      rebuild({SPT_TITLE_SEGMENT}, {SPT_TITLE_BASE_PEAK}, {SPT_TITLE_BASE_AMOUNT}, {});
      writeIf("* %s", spt->mainTitle);
      writeIf("* %s", spt->fileTitle);
      writeIf("* BP Amount: %s", spt->nameTitle);
      std::memcpy(spt->mainTitle, saved[0], SPT_TITLE_SIZE);
      std::memcpy(spt->nameTitle, saved[1], SPT_TITLE_SIZE);
      std::memcpy(spt->fileTitle, saved[2], SPT_TITLE_SIZE);
      std::memcpy(spt->infoTitle, saved[3], SPT_TITLE_SIZE);
    } else {
      writeIf("* %s", spt->nameTitle);
      writeIf("* %s", spt->infoTitle);
      writeIf("* %s", spt->mainTitle);
      writeIf("* %s", spt->fileTitle);
    }
    writeIf("* Name: %s", spt->name);
    writeIf("* Comment: %s", spt->comment);
    writeIf("* Formula: %s", spt->formula);
    if (spt->casNumber) write(Format("* CAS Number: %s", CasText(spt->casNumber).c_str()));
    if (spt->molecularWeight) write(Format("* Molecular Weight: %d", int(spt->molecularWeight)));
    if (fixed)
      write(Format("* Base Peak: %.4f%s, BaseAmount = %.4f", spt->basePeakMass, spt->basePeakFixed ? " (Edited)" : "",
                   spt->basePeakIntensity));
    write(Format("* Pair Count = %d", int(PlusSpt_GetPairCount(spt))));
  }
  write("");
  const Layout layout = LayoutOf(spt);
  const int32_t n = PlusSpt_GetPairCount(spt);
  for (int32_t i = 0; i < n && out.Ok; ++i) {
    double mass = 0, value = 0;
    uint32_t intensity = 0;
    PlusSpt_GetPairValues(spt, uint32_t(i), &mass, &intensity, &value);
    if (mass > spt->highMass) break;
    if (mass < spt->lowMass) continue;
    const std::string m = layout == Layout::Integer ? Format("%d", int(mass)) : Format("%f", mass);
    const std::string v = layout == Layout::Integer   ? Format("%ld", long(intensity))
                          : layout == Layout::Precise ? Format("%lu", static_cast<unsigned long>(intensity))
                                                      : Format("%f", value);
    out.SepTextAtColumn(0, m.c_str());
    out.SepTextAtColumn(5, v.c_str());
    out.NextLine();
  }
  const bool ok = out.Ok != 0;
  out.TextFile->CloseAFile();
  if (!ok) {
    RemoveFile(path);
    return 0;
  }
  return 1;
} catch (...) {
  return 0;
}

KELT_API int32_t PlusSpt_PutSpectrumIntoTextFileEx(STRUCT_SPT_PLUS* spt, const char* dialogText) try {
  if (!spt) return 0;
  char path[MAX_PATH], place[MAX_PATH], extension[4] = {};
  kelt::spectra::DefaultTextFileName(spt, path, place);
  if (!kelt::spectra::AskSaveAsTextFile(path, place, dialogText, extension)) return 0;
  return PlusSpt_PutSpectrumIntoThisTextFileEx(spt, 1, path, extension);
} catch (...) {
  return 0;
}

KELT_API int32_t PlusSpt_PutSpectrumIntoTextFile(STRUCT_SPT_PLUS* spt) {
  return PlusSpt_PutSpectrumIntoTextFileEx(spt, "-SPECTRUM");
}
