// Version control and several files at once, as a user meets them: the
// quantitation method archived three times with reasons, its versions
// listed (versions.png) and version 2 extracted into a new file that is
// checked against what was archived; then the multiple-files dialog on the
// sample folder with three runs and their traces put into its grid
// (multiple-files.png).
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "dialogs/multiple_files_dialog.h"
#include "dialogs/version_info_dialog.h"
#include "dialogs/version_reason_dialog.h"
#include "orvik32/orvik32.h"
#include "ss32d25/ss32d25.h"
#include "vennick/vennick.h"
#include "host/demo_pictures.h"
#include "win/win_kernel.h"
#include "win/win_paths.h"
#include "win/win_profile.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

namespace ws = win::script;
using Sections = std::map<std::string, std::string>;

constexpr const char* kMethod = "C:\\Workstation\\Quant\\calibrated.mth";
constexpr const char* kArchived = "C:\\Workstation\\Quant\\routine.mth";
constexpr const char* kExtracted = "C:\\Workstation\\Quant\\routine v2.mth";
constexpr const char* kSamples = "C:\\Workstation\\Samples";

bool Save(HWND window, const char* path) { return demo::SavePicture(window, path); }

std::string Read(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return {};
  std::string bytes(GetSectionSize(s), '\0');
  if (!bytes.empty()) ReadSection(s, bytes.data(), uint32_t(bytes.size()));
  CloseSection(s);
  return bytes;
}

bool Write(const char* path, const char* name, const std::string& bytes) {
  HSECTION s = CreateSection(path, name, nullptr);
  if (!s) return false;
  const bool wrote = bytes.empty() || WriteSection(s, bytes.data(), uint32_t(bytes.size())) == bytes.size();
  return CloseSection(s) && wrote;
}

Sections Versioned(const char* path) {
  Sections out;
  HSECTION listing = FindSectionsByStem(path, "");
  if (!listing) return out;
  for (int32_t i = 0; i < CountSectionMatches(listing); ++i) {
    char name[300] = {};
    if (GetSectionMatchName(listing, i, name, sizeof name) && IsVersionedSection(name)) out[name] = Read(path, name);
  }
  CloseSection(listing);
  return out;
}

// A method of its own when the quantitation demo left none.
bool EnsureMethod() {
  if (FileExists(kMethod)) return true;
  CreateDirectoryA("C:\\Workstation\\Quant", nullptr);
  return CreateSectionFileAtPath(kMethod, 666, 0, 1) && Write(kMethod, "Quant.Compounds", "Toluene;Ethylbenzene;o-Xylene");
}

void AnswerReason(const std::string& text) {
  ws::OnNextDialog([text](HWND d) {
    ws::SetField(d, IDC_VR_DESCRIPTION, text);
    ws::PressButton(d, IDOK);
  });
}

bool VersionsDemo() {
  std::printf("\nVersion control of %s:\n", kArchived);
  const char* ini = GetWorkstationIniPath();
  WritePrivateProfileStringA("Security", "Enabled", "1", ini);
  WritePrivateProfileStringA("Security", "UserName", "analyst", ini);
  WritePrivateProfileStringA("UserRights", "analyst", "0xFFFFFFFFFFFFFFFF", ini);
  WritePrivateProfileStringA("VersionReasons", "Count", "3", ini);
  WritePrivateProfileStringA("VersionReasons", "Reason1", "1,Calibration updated", ini);
  WritePrivateProfileStringA("VersionReasons", "Reason2", "1,Compound list changed", ini);
  WritePrivateProfileStringA("VersionReasons", "Reason3", "0,Other (describe below)", ini);
  if (!EnsureMethod()) return false;
  DeleteFileA(kArchived);
  const char* edits[3] = {"First routine release of the calibrated method.",
                          "Internal standard recovery window widened to 60-140 %.",
                          "Added m-xylene as a target compound."};
  std::vector<Sections> stored;
  for (int n = 0; n < 3; ++n) {
    // The user's working copy with this edit.
    const std::string work = "C:\\Workstation\\Quant\\work" + std::to_string(n + 1) + ".mth";
    if (!CopyFileA(kMethod, work.c_str(), FALSE)) return false;
    std::string notes = Read(work.c_str(), "Quant.Notes");
    for (int k = 0; k <= n; ++k) notes += std::string(edits[k]) + "\r\n";
    if (!Write(work.c_str(), "Quant.Notes", notes)) return false;
    AnswerReason(edits[n]);
    if (WSA_ArchiveMethodFile(kArchived, work.c_str(), n == 2 ? "Approved by QA" : "") != 1) {
      std::fprintf(stderr, "kelt_host: archiving %d failed\n", n + 1);
      return false;
    }
    stored.push_back(Versioned(work.c_str()));
    DeleteFileA(work.c_str());
    std::printf("  version %d archived: %s\n", n + 1, edits[n]);
  }

  // The history, then version 2 out into a new file.
  CVersionInfoDlg dlg;
  dlg.SetFileInfo(kArchived, kArchived, -1, 0);
  dlg.m_fileType = 666;
  bool pictured = false;
  std::vector<std::string> versions;
  ws::OnNextDialog([&](HWND d) {
    versions = ws::ListItems(d, VER_VERSIONS_ID);
    ws::PickItem(d, VER_VERSIONS_ID, 1);
    pictured = Save(d, "C:\\Workstation\\Plots\\versions.png");
    ws::PressButton(d, VER_EXTRACT_ID);
  });
  ws::OnNextDialog([](HWND d) {
    ws::PressButton(d, IDC_EXV_NEW);
    ws::PressButton(d, IDOK);
  });
  ws::OnNextDialog([](HWND d) {
    SetDlgItemTextA(d, edt1, kExtracted);
    ws::PressButton(d, IDOK);
  });
  AnswerReason("Version 2 taken out of the archive for a re-run of the October batch.");
  DeleteFileA(kExtracted);
  const int result = dlg.DoModal();
  for (const auto& v : versions) std::printf("  %s\n", v.c_str());
  if (result != IDOK || !pictured) {
    std::fprintf(stderr, "kelt_host: the version dialog did not extract version 2\n");
    return false;
  }
  const bool same = Versioned(kExtracted) == stored[1];
  std::printf("  version 2 extracted to %s: %s\n", kExtracted, same ? "identical to what was archived" : "DIFFERENT");
  return same;
}

bool MultipleFilesDemo() {
  std::printf("\nMultiple-files dialog on %s:\n", kSamples);
  std::vector<STRUCT_MULT_FILES_ROW> rows(8);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].slot = int16_t(i);
    static const uint32_t colours[] = {0x000000FF, 0x00008000, 0x00FF0000, 0x00008080,
                                       0x00800080, 0x00808000, 0x00000080, 0x00404040};
    rows[i].colour = colours[i];
  }
  bool pictured = false;
  ws::OnNextDialog([&](HWND d) {
    ws::PumpUntilIdle();
    HWND grid = ws::FindById(d, IDC_MF_GRID);
    if (!grid) return;
    HWND child = GetParent(grid);
    // Three runs: the first as its RIC, the second as its base peak ion,
    // the detector run on its second channel.
    const char* files[] = {"run1.kms", "run2.kms", "det1.run"};
    for (const char* f : files) {
      SetDlgItemTextA(d, edt1, f);
      ws::PumpUntilIdle();
      ws::PressButton(child, IDC_MF_ADD);
    }
    ChooseGridListItem(grid, 2, 2, 3);
    ChooseGridListItem(grid, 3, 3, 1);
    SetDlgItemTextA(d, edt1, "run1.kms");
    ws::PumpUntilIdle();
    pictured = Save(d, "C:\\Workstation\\Plots\\multiple-files.png");
    ws::PressButton(child, IDC_MF_OPEN);
    ws::PumpUntilIdle();
  });
  const int16_t result =
      KELT_New_SelectMultipleFiles(nullptr, rows.data(), int16_t(rows.size()), "Select Plot(s)", nullptr, kSamples, 0);
  int used = 0;
  for (const auto& r : rows) {
    if (!r.inUse) continue;
    ++used;
    std::printf("  plot %d: %-40s type %3d  %s\n", r.slot + 1, r.path, r.dataType, r.units);
  }
  for (auto& r : rows)
    if (r.scanFuns) FreeBlock(r.scanFuns);
  if (result != 1 || used != 3 || !pictured) {
    std::fprintf(stderr, "kelt_host: the multiple-files dialog kept %d runs\n", used);
    return false;
  }
  return true;
}

}  // namespace

int VersionsAndFilesDemo() {
  const bool versions = VersionsDemo();
  // Security back off for the demos after this one.
  WritePrivateProfileStringA("Security", "Enabled", "0", GetWorkstationIniPath());
  const bool files = MultipleFilesDemo();
  return versions && files ? 0 : 1;
}
