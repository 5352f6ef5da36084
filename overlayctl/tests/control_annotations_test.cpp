// Result annotations held per slot: built from the data file's results,
// kept while the file stays as it was, rebuilt when it changes, freed when
// switched off or when the slot cannot carry them.
#include <cctype>
#include <cstring>
#include <memory>

#include "fandor/target_list_results.h"
#include "host/sample_overlay.h"
#include "overlayctl/tests/control_fixture.h"
#include "win/win_kernel.h"

namespace {

using AnnotationsTest = OPlotTest;

// Moves a file's time of writing a day on, as a new save would.
void Touch(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FILETIME t{};
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &t));
  uint64_t v = (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
  v += 864000000000ull;
  t.dwLowDateTime = static_cast<DWORD>(v);
  t.dwHighDateTime = static_cast<DWORD>(v >> 32);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &t));
  CloseHandle(h);
}

TEST_F(AnnotationsTest, ResultsAreBuiltKeptAndRebuiltWhenTheDataFileChanges) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();

  // The processed run carries results; the blank run (slot 3) none.
  auto* a = static_cast<STRUCT_ANNOTATIONS*>(c->m_dhAnnotations[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_GT(+a->count, 0);
  EXPECT_EQ(c->m_dhAnnotations[3], nullptr);

  // Unchanged: the same record stays through a repaint.
  a->texts[0] = '#';
  Repaint(w);
  ASSERT_EQ(c->m_dhAnnotations[0], a);
  EXPECT_EQ(a->texts[0], '#');

  // Saved again: built anew.
  Touch(files.water);
  Repaint(w);
  a = static_cast<STRUCT_ANNOTATIONS*>(c->m_dhAnnotations[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a->texts[0], '#');
  EXPECT_GT(+a->count, 0);

  // Switched off: gone.
  c->m_prefs.resultAnnotations.show = 0;
  Repaint(w);
  for (void* p : c->m_dhAnnotations) EXPECT_EQ(p, nullptr);
  DestroyWindow(w);
}

TEST_F(AnnotationsTest, ASavedDataFileRebuildsTheResultsOfItsRawPlotsOnly) {
  sample_overlay::Files files;
  SVW_OVERLAY* o = SampleOverlay(&files);
  ASSERT_NE(o, nullptr);
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  win::script::PumpUntilIdle();
  auto* a = static_cast<STRUCT_ANNOTATIONS*>(c->m_dhAnnotations[0]);
  ASSERT_NE(a, nullptr);
  const UINT changed = RegisterWindowMessageA("NotifyWhenChangedMsg");
  std::string other = files.water;
  for (char& ch : other) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));

  // The sample run is centroid data, not MS data of the first form: its
  // texts stay (a later paint still finds the file's new time of writing).
  a->texts[0] = '#';
  STRUCT_WORK_FILE* wf = o->slots[0].workFile;
  ASSERT_FALSE(wf->directHeader);
  SendMessageA(w, changed, 0, reinterpret_cast<LPARAM>(other.c_str()));
  EXPECT_EQ(c->m_dhAnnotations[0], a);
  EXPECT_EQ(a->texts[0], '#');
  // Another file changed: nothing happens either.
  wf->directHeader = 1;
  SendMessageA(w, changed, 0, reinterpret_cast<LPARAM>("C:\\Workstation\\Plots\\other.kms"));
  EXPECT_EQ(a->texts[0], '#');

  // A raw run of the first form (named in another case): dropped and made again at once.
  SendMessageA(w, changed, 0, reinterpret_cast<LPARAM>(other.c_str()));
  a = static_cast<STRUCT_ANNOTATIONS*>(c->m_dhAnnotations[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a->texts[0], '#');
  EXPECT_GT(+a->count, 0);
  DestroyWindow(w);
}

TEST_F(AnnotationsTest, KeptOnlyWhileTheirSlotAndSettingsAllowThem) {
  struct Case {
    const char* what;
    void (*change)(CCtlOPlot*, SVW_OVERLAY*);
    bool kept;
  } cases[] = {
      {"current", [](CCtlOPlot*, SVW_OVERLAY*) {}, true},
      {"detector file", [](CCtlOPlot*, SVW_OVERLAY* o) { o->slots[0].workFile->centroid = 0; }, false},
      {"another file named",
       [](CCtlOPlot* c, SVW_OVERLAY*) { static_cast<STRUCT_ANNOTATIONS*>(c->m_dhAnnotations[0])->dataFile[3] = 'X'; },
       false},
      {"switched off", [](CCtlOPlot* c, SVW_OVERLAY*) { c->m_prefs.resultAnnotations.show = 0; }, false},
      {"control kind 3, switched off",
       [](CCtlOPlot* c, SVW_OVERLAY*) {
         c->m_controlKind = 3;
         c->m_prefs.resultAnnotations.show = 0;
       },
       true},
      {"no data", [](CCtlOPlot* c, SVW_OVERLAY*) { c->m_hasData = 0; }, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    auto [w, c, o] = ShowPlots(1, nullptr, false);
    c->m_prefs.resultAnnotations.show = 1;
    c->m_dhAnnotations[0] = CurrentAnnotations(o->slots[0].workFile, {{5.0, 1.0}}, "Toluene");
    k.change(c, o);
    void* before = c->m_dhAnnotations[0];
    c->MakeOrKeepOrFreeAnnotations();
    if (k.kept) {
      EXPECT_EQ(c->m_dhAnnotations[0], before);
    } else {
      // The synthetic file has no results to build new ones from.
      EXPECT_EQ(c->m_dhAnnotations[0], nullptr);
    }
    DestroyWindow(w);
  }
}

TEST_F(AnnotationsTest, KeptRecordsFollowTheTraceTheyLieOn) {
  auto [w, c, o] = ShowPlots(1, nullptr, false);
  c->m_prefs.resultAnnotations.show = 1;
  // The apex of the peak at 5.0 min; the record starts with a stale value.
  auto* a = CurrentAnnotations(o->slots[0].workFile, {{5.0, -1.0}}, "Toluene");
  c->m_dhAnnotations[0] = a;
  c->MakeOrKeepOrFreeAnnotations();
  ASSERT_EQ(c->m_dhAnnotations[0], a);
  double t = 5.0, v = 0;
  ASSERT_TRUE(OPLOT_GetInterpolatedValueFromTime(o, 0, t, &t, &v));
  EXPECT_GT(a->values[0], 1e4);
  EXPECT_NEAR(a->values[0], v, 0.05 * v);
  DestroyWindow(w);
}

TEST_F(AnnotationsTest, MatchResultsThatCannotBeReadBuildNothing) {
  // A block too small for a list, one that is no list, and one whose count
  // runs past its entries.
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(3);
  for (int i = 0; i < 3; ++i) o->slots[i].workFile->directHeader = 1;  // a raw MS file takes every kind
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_prefs.tchroAnnotations.show = 1;
  c->m_prefs.tchroAnnotations.itemCount = 1;
  c->m_prefs.tchroAnnotations.items[0] = 1;
  SendMessageA(w, OPM_SETTCHRORESULTS, 0, reinterpret_cast<LPARAM>(AllocBlock(16)));
  STRUCT_TARGET_LIST_RESULTS* foreign = NewTargetListResults(1);
  foreign->magic = 0;  // freed as a plain block: its entries stay ours
  void* foreignEntries = foreign->entries;
  SendMessageA(w, OPM_SETTCHRORESULTS, 1, reinterpret_cast<LPARAM>(foreign));
  STRUCT_TARGET_LIST_RESULTS* overlong = NewTargetListResults(1);
  overlong->entries[0].matched = 1;
  overlong->count = 5000;
  SendMessageA(w, OPM_SETTCHRORESULTS, 2, reinterpret_cast<LPARAM>(overlong));
  c->MakeOrKeepOrFreeAnnotations();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c->m_tchroAnnotations[i], nullptr) << i;
  EXPECT_EQ(c->m_tchroResults[2], overlong);  // still the control's, freed with it
  DestroyWindow(w);
  FreeBlock(foreignEntries);
}

TEST_F(AnnotationsTest, TargetListMatchesHandedInByTheHostAreAnnotated) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(1);
  o->slots[0].workFile->directHeader = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_prefs.tchroAnnotations.show = 1;
  c->m_prefs.tchroAnnotations.itemCount = 2;
  c->m_prefs.tchroAnnotations.items[0] = 0;  // scan
  c->m_prefs.tchroAnnotations.items[1] = 1;  // time
  STRUCT_TARGET_LIST_RESULTS* list = NewTargetListResults(3);
  const double times[3] = {4.2371, 5.5, 6.0113};
  for (int i = 0; i < 3; ++i) {
    list->entries[i].time = times[i];
    list->entries[i].scan = 250 + 37 * i;
    list->entries[i].matched = i != 1;
  }
  SendMessageA(w, OPM_SETTCHRORESULTS, 0, reinterpret_cast<LPARAM>(list));
  c->MakeOrKeepOrFreeAnnotations();
  auto* a = static_cast<STRUCT_ANNOTATIONS*>(c->m_tchroAnnotations[0]);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, 2);  // the unmatched entry makes no text
  EXPECT_DOUBLE_EQ(a->times[0], 4.2371);
  EXPECT_DOUBLE_EQ(a->times[1], 6.0113);
  EXPECT_NE(std::string(AnnotationText(a, 1)).find("Scan=324"), std::string::npos) << AnnotationText(a, 1);
  DestroyWindow(w);
}

}  // namespace

namespace {

// New match results for a slot replace the texts of the old ones at once;
// null results leave the slot without texts.
TEST_F(AnnotationsTest, NewMatchResultsReplaceTheSlotsTexts) {
  HWND w = MakeControl();
  CCtlOPlot* c = Control(w);
  SVW_OVERLAY* o = MakeOverlay(1);
  o->slots[0].workFile->directHeader = 1;
  SendMessageA(w, OPM_NEWPLOTDATA, 0, reinterpret_cast<LPARAM>(o));
  c->m_prefs.tchroAnnotations.show = 1;
  c->m_prefs.tchroAnnotations.itemCount = 1;
  c->m_prefs.tchroAnnotations.items[0] = 1;  // time
  auto results = [](std::initializer_list<double> times) {
    STRUCT_TARGET_LIST_RESULTS* list = NewTargetListResults(static_cast<int>(times.size()));
    int i = 0;
    for (double t : times) {
      list->entries[i].time = t;
      list->entries[i].scan = 100 + i;
      list->entries[i].matched = 1;
      ++i;
    }
    return list;
  };
  SendMessageA(w, OPM_SETTCHRORESULTS, 0, reinterpret_cast<LPARAM>(results({4.2371, 6.0113})));
  auto* a = static_cast<STRUCT_ANNOTATIONS*>(c->m_tchroAnnotations[0]);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->count, 2);
  SendMessageA(w, OPM_SETTCHRORESULTS, 0, reinterpret_cast<LPARAM>(results({5.125})));
  a = static_cast<STRUCT_ANNOTATIONS*>(c->m_tchroAnnotations[0]);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(a->count, 1);
  EXPECT_DOUBLE_EQ(a->times[0], 5.125);
  SendMessageA(w, OPM_SETTCHRORESULTS, 0, 0);
  EXPECT_EQ(c->m_tchroAnnotations[0], nullptr);
  DestroyWindow(w);
}

}  // namespace
