// The deconvolution and analysis of a plot's data file sent by the host:
// the results become the slot's annotations, a refused check keeps the
// old ones, and every finished request tells the parent with code 9.
// The version dialog of a plot's data file opens only under security.
#include <cmath>

#include "control_fixture.h"
#include "dialogs/version_info_dialog.h"
#include "fandor/amdis_runs.h"
#include "fixtures/msp_library.h"
#include "overlayctl/overlay_messages.h"
#include "win/win_profile.h"

namespace {

class OPlotAmdisTest : public OPlotTest {
 protected:
  struct Run {
    HWND w = nullptr;
    CCtlOPlot* c = nullptr;
    SVW_OVERLAY* o = nullptr;
    sample_overlay::Files files;
  };
  Run Show(int16_t useELU) {
    Run r;
    r.o = SampleOverlay(&r.files);
    if (!r.o) return r;
    r.w = MakeControl(7, 700, 450);
    r.c = Control(r.w);
    r.c->m_prefs.amdisAnnotations.show = 1;
    r.c->m_prefs.amdisAnnotations.useELU = useELU;
    SendMessageA(r.w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(r.o));
    win::script::PumpUntilIdle();
    Notices().clear();
    return r;
  }
  static int CountNotices(int code) {
    win::script::PumpUntilIdle();
    int n = 0;
    for (const Notice& k : Notices()) n += k.id == 7 && k.code == code;
    return n;
  }
  // Times of the planted compounds whose annotation must be there.
  static std::vector<double> Planted(const Run& r) {
    std::vector<double> out;
    for (const auto& c : r.files.truth.run.compounds) out.push_back(c.retentionTime);
    return out;
  }
  static int Matched(const STRUCT_ANNOTATIONS* a, const std::vector<double>& times) {
    int n = 0;
    for (double t : times)
      for (int i = 0; i < a->count; ++i)
        if (std::fabs(a->times[i] - t) < 0.03) {
          ++n;
          break;
        }
    return n;
  }
  char record_[AMDIS_ANALYSIS_RECORD_SIZE] = {};
};

TEST_F(OPlotAmdisTest, DeconvolutionAnnotatesTheSlot) {
  Run r = Show(1);
  ASSERT_NE(r.o, nullptr);
  ASSERT_EQ(r.c->m_amdisAnnotations[0], nullptr);
  EXPECT_EQ(SendMessageA(r.w, OPM_DOAMDISDECONVOLUTION, 0, reinterpret_cast<LPARAM>(record_)), 0);
  EXPECT_EQ(CountNotices(9), 1);
  const auto* a = static_cast<const STRUCT_ANNOTATIONS*>(r.c->m_amdisAnnotations[0]);
  ASSERT_NE(a, nullptr);
  const std::vector<double> planted = Planted(r);
  ASSERT_GE(planted.size(), 6u);
  // Every planted compound but perhaps a buried one has its component.
  EXPECT_GE(Matched(a, planted), int(planted.size()) - 2);
  // The other slots are left alone.
  for (int s = 1; s < OPLOT_SLOTS; ++s) EXPECT_EQ(r.c->m_amdisAnnotations[s], nullptr) << s;
  DestroyWindow(r.w);
}

TEST_F(OPlotAmdisTest, AnalysisNamesTheComponentsAndAFailedCheckKeepsThem) {
  Run r = Show(0);
  ASSERT_NE(r.o, nullptr);
  // No library yet: the check refuses, nothing is freed, the parent still hears.
  void* before = r.c->m_amdisAnnotations[0];
  SendMessageA(r.w, OPM_DOAMDISANALYSIS, 0, reinterpret_cast<LPARAM>(record_));
  EXPECT_EQ(CountNotices(9), 1);
  EXPECT_EQ(r.c->m_amdisAnnotations[0], before);

  msfix::MspLibraryPlan lp;
  lp.entries = 200;
  std::vector<msfix::MspEntryTruth> entries;
  CreateDirectoryA("C:\\Libs", nullptr);
  ASSERT_TRUE(msfix::WriteMspLibrary("C:\\Libs\\main.msp", lp, r.files.truth.run.compounds, &entries));
  ASSERT_TRUE(WritePrivateProfileStringA("Libraries", "Library1", "C:\\Libs\\main.msp", "fandor.ini"));
  Notices().clear();
  SendMessageA(r.w, OPM_DOAMDISANALYSIS, 0, reinterpret_cast<LPARAM>(record_));
  EXPECT_EQ(CountNotices(9), 1);
  const auto* a = static_cast<const STRUCT_ANNOTATIONS*>(r.c->m_amdisAnnotations[0]);
  ASSERT_NE(a, nullptr);
  const std::vector<double> planted = Planted(r);
  EXPECT_GE(Matched(a, planted), int(planted.size()) - 2);
  // The names of the compounds are in the texts.
  int named = 0;
  for (const auto& c : r.files.truth.run.compounds)
    for (int i = 0; i < a->count; ++i) named += std::string(AnnotationText(a, i)).find(c.name) != std::string::npos;
  EXPECT_GE(named, int(planted.size()) - 2);

  // The library gone: the refused check keeps the annotations made above.
  ASSERT_TRUE(DeleteFileA("C:\\Libs\\main.msp"));
  Notices().clear();
  SendMessageA(r.w, OPM_DOAMDISANALYSIS, 0, reinterpret_cast<LPARAM>(record_));
  EXPECT_EQ(CountNotices(9), 1);
  EXPECT_EQ(r.c->m_amdisAnnotations[0], a);
  DestroyWindow(r.w);
}

// Requests the control cannot act on change nothing and are not answered.
TEST_F(OPlotAmdisTest, BadSlotNullRecordOrNoFileIsIgnored) {
  Run r = Show(1);
  ASSERT_NE(r.o, nullptr);
  const struct {
    UINT message;
    WPARAM slot;
    bool record;
  } cases[] = {
      {OPM_DOAMDISDECONVOLUTION, 0, false}, {OPM_DOAMDISANALYSIS, 0, false},
      {OPM_DOAMDISDECONVOLUTION, 20, true}, {OPM_DOAMDISANALYSIS, 0xFFFF, true},
      {OPM_DOAMDISDECONVOLUTION, 12, true},  // a slot without a file
  };
  for (const auto& k : cases) {
    EXPECT_EQ(SendMessageA(r.w, k.message, k.slot, k.record ? reinterpret_cast<LPARAM>(record_) : 0), 0);
    EXPECT_EQ(CountNotices(9), 0) << k.slot;
  }
  for (void* a : r.c->m_amdisAnnotations) EXPECT_EQ(a, nullptr);
  // A file still being acquired is not taken.
  r.o->slots[0].workFile->live = 1;
  SendMessageA(r.w, OPM_DOAMDISDECONVOLUTION, 0, reinterpret_cast<LPARAM>(record_));
  r.o->slots[0].workFile->live = 0;
  EXPECT_EQ(CountNotices(9), 0);
  EXPECT_EQ(r.c->m_amdisAnnotations[0], nullptr);
  DestroyWindow(r.w);
}

TEST_F(OPlotAmdisTest, VersionDialogShowsTheFileWithoutHistory) {
  Run r = Show(1);
  ASSERT_NE(r.o, nullptr);
  int opened = 0;
  std::vector<std::string> shown;
  bool extract = true;
  auto answer = [&] {
    win::script::OnNextDialog([&](HWND d) {
      ++opened;
      shown = {win::script::GetField(d, VER_DATA_FILE_ID), win::script::GetField(d, VER_ARCHIVE_FILE_ID),
               win::script::GetField(d, VER_HISTORY_ID)};
      extract = IsWindowEnabled(GetDlgItem(d, VER_EXTRACT_ID)) != 0;
      win::script::PressButton(d, IDCANCEL);
    });
  };
  // Security off: no dialog from the command or the message.
  ASSERT_FALSE(IsSecurityEnabled());
  const size_t dialogs = win::script::DialogLog().size();
  SendMessageA(r.w, WM_COMMAND, 3180, 0);
  SendMessageA(r.w, OPM_SHOWVERSIONDIALOG, 0, 0);
  EXPECT_EQ(win::script::DialogLog().size(), dialogs);

  ASSERT_TRUE(WritePrivateProfileStringA("Security", "Enabled", "1", GetWorkstationIniPath()));
  answer();
  SendMessageA(r.w, WM_COMMAND, 3180, 0);
  ASSERT_EQ(opened, 1);
  const std::string name = r.o->slots[0].displayFileName[0] ? r.o->slots[0].displayFileName
                                                            : r.o->slots[0].workFile->filePath;
  EXPECT_EQ(shown, (std::vector<std::string>{name, r.o->slots[0].workFile->filePath, VER_NO_HISTORY_TEXT}));
  EXPECT_FALSE(extract);
  // The message form, for the blank run's slot; slots past the table or
  // without a file open nothing.
  answer();
  SendMessageA(r.w, OPM_SHOWVERSIONDIALOG, 3, 0);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(shown[1], r.o->slots[3].workFile->filePath);
  SendMessageA(r.w, OPM_SHOWVERSIONDIALOG, 20, 0);
  SendMessageA(r.w, WM_COMMAND, 3180 + 12, 0);
  EXPECT_EQ(win::script::DialogLog().size(), dialogs + 2);
  // A plot showing a version taken out of the archive has no archive of its own.
  r.o->slots[0].versionNumber = 2;
  r.o->slots[0].versionCount = 3;
  answer();
  SendMessageA(r.w, WM_COMMAND, 3180, 0);
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(shown[1], VER_NO_ARCHIVE_TEXT);
  DestroyWindow(r.w);
}

}  // namespace
