// The overlay record: adding and clearing plots, ranges, unit kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plot_fixture.h"

namespace {

using OverlayTest = PlotRootTest;

TEST_F(OverlayTest, FirstPlotSetsWholeRangesAndExtremes) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  const OVERLAY_SLOT& s = o->slots[0];
  ASSERT_TRUE(s.trace);
  EXPECT_EQ(+s.filePresent, 1);
  EXPECT_EQ(+s.dataPresent, 1);
  EXPECT_EQ(+s.inView, 1);
  EXPECT_STREQ(s.units, "Counts");
  EXPECT_STREQ(s.title, "TIC");
  EXPECT_EQ(+o->head.shownCount, 1);
  EXPECT_EQ(+o->tail.inViewCount, 1);
  EXPECT_EQ(+o->tail.attachedCount, 1);
  EXPECT_DOUBLE_EQ(+o->tail.overallStart, s.workFile->startTime);
  EXPECT_DOUBLE_EQ(+o->tail.overallEnd, s.workFile->endTime);
  EXPECT_DOUBLE_EQ(+o->tail.homeStart, +o->tail.overallStart);
  EXPECT_DOUBLE_EQ(+o->tail.viewEnd, +o->tail.overallEnd);
  EXPECT_GT(+s.trace->pointCount, 100u);
  EXPECT_EQ(+o->tail.firstShownIndex[0], 0);
  EXPECT_EQ(+o->tail.lastShownIndex[0], static_cast<int32_t>(+s.trace->pointCount) - 1);
  double lo = 1e300, hi = -1e300;
  for (uint32_t i = 0; i < s.trace->pointCount; ++i) {
    lo = std::min(lo, NePointValue(s.trace->points, i));
    hi = std::max(hi, NePointValue(s.trace->points, i));
  }
  EXPECT_DOUBLE_EQ(+o->tail.minInView[0], lo);
  EXPECT_DOUBLE_EQ(+o->tail.maxInView[0], hi);
}

TEST_F(OverlayTest, EarlierSecondPlotLowersOverallStart) {
  WriteMsRun();
  WriteDetector();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddDetector(o.get(), 1, kDetPath), 1);
  const double detFirst = NePointAt(o->slots[1].trace->points, 0)->time;
  EXPECT_LT(detFirst, 2.0);
  EXPECT_DOUBLE_EQ(+o->tail.overallStart, detFirst);
  const double msEnd = o->slots[0].workFile->endTime;
  const double detEnd = NePointAt(o->slots[1].trace->points, o->slots[1].trace->pointCount - 1)->time;
  EXPECT_DOUBLE_EQ(+o->tail.overallEnd, std::max(msEnd, detEnd));
  EXPECT_DOUBLE_EQ(+o->tail.viewStart, detFirst);
  EXPECT_EQ(+o->head.shownCount, 2);
  EXPECT_STREQ(o->slots[1].plotText, "FID");
}

TEST_F(OverlayTest, RefusedAddsLeaveTheSlotAlone) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  STRUCT_NE_DATA_POINTS* before = o->slots[0].trace;
  EXPECT_EQ(AddTic(o.get(), 0, kMsPath), 0);  // occupied
  EXPECT_EQ(+o->slots[0].trace, before);
  EXPECT_EQ(+o->head.shownCount, 1);
  // Slot indexes outside 0..19 are refused rather than written past the record.
  EXPECT_EQ(AddTic(o.get(), 20, kMsPath), 0);
  EXPECT_EQ(AddTic(o.get(), -1, kMsPath), 0);
  OPLOT_ClearPlotFromOverlayStructure(o.get(), 25);
  // An unreadable file leaves the slot free.
  EXPECT_EQ(AddTic(o.get(), 1, "C:\\Data\\missing.kms"), 0);
  EXPECT_EQ(+o->slots[1].workFile, nullptr);
  EXPECT_EQ(+o->tail.attachedCount, 1);
}

TEST_F(OverlayTest, LongTextsAreCutToTheirFields) {
  WriteMsRun();
  auto o = NewOverlay();
  const std::string units(100, 'u'), title(1000, 't'), text(2000, 'p');
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, 0, 0, units.c_str()), 1);
  EXPECT_EQ(std::string(o->slots[0].units), units.substr(0, OVERLAY_UNITS_SIZE - 1));
  ASSERT_EQ(OPLOT_AddPlotToOverlayStructure(o.get(), 1, kMsPath, 0, nullptr, nullptr, "Counts", title.c_str(), 0, 0), 1);
  EXPECT_EQ(std::string(o->slots[1].title).size(), size_t{OVERLAY_TITLE_SIZE - 1});
  ASSERT_EQ(OPLOT_AddAnyPlotToOverlayStructure(o.get(), 2, kMsPath, 0, 0, nullptr, nullptr, nullptr, nullptr, "Counts",
                                               text.c_str(), 0, 0),
            1);
  EXPECT_EQ(std::string(o->slots[2].plotText).size(), size_t{OVERLAY_PLOT_TEXT_SIZE - 1});
}

TEST_F(OverlayTest, OnePointTraceHasEqualIndexesAndExtremes) {
  WriteMsRun();
  auto o = NewOverlay();
  const double t = msTruth_.scanTimes[100];
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, t, t), 1);
  ASSERT_EQ(+o->slots[0].trace->pointCount, 1u);
  EXPECT_EQ(+o->tail.firstShownIndex[0], 0);
  EXPECT_EQ(+o->tail.lastShownIndex[0], 0);
  EXPECT_DOUBLE_EQ(+o->tail.minInView[0], +o->tail.maxInView[0]);
  EXPECT_DOUBLE_EQ(+o->tail.minInView[0], NePointValue(o->slots[0].trace->points, 0));
}

TEST_F(OverlayTest, ClearKeepsOnlyTheDisplayMode) {
  WriteMsRun();
  auto o = NewOverlay();
  o->head.displayMode = OVERLAY_MODE_TWO_SCALES;
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 3, kMsPath), 1);
  o->slots[3].eventMarks = AllocBlock(OVERLAY_EVENT_MARKS * EVENT_MARK_SIZE);
  o->slots[3].eventMarkCount = 2;
  EXPECT_EQ(OPLOT_ClearOverlayStructure(o.get()), OVERLAY_MODE_TWO_SCALES);
  SVW_OVERLAY expected{};
  expected.head.displayMode = OVERLAY_MODE_TWO_SCALES;
  EXPECT_EQ(std::memcmp(o.get(), &expected, sizeof expected), 0);
}

TEST_F(OverlayTest, ClearPlotEmptiesOneSlotAndItsFlags) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath), 1);
  OPLOT_ClearPlotFromOverlayStructure(o.get(), 0);
  EXPECT_EQ(+o->slots[0].workFile, nullptr);
  EXPECT_EQ(+o->head.shown[0], 0);
  EXPECT_EQ(+o->head.shownCount, 1);
  EXPECT_EQ(+o->tail.inViewCount, 1);
  EXPECT_EQ(+o->tail.attachedCount, 1);
  EXPECT_EQ(AddTic(o.get(), 0, kMsPath), 1);  // free again
}

TEST_F(OverlayTest, UnitKindsCountCaseSensitively) {
  WriteMsRun();
  auto o = NewOverlay();
  ASSERT_EQ(AddTic(o.get(), 0, kMsPath, 0, 0, "Counts"), 1);
  ASSERT_EQ(AddTic(o.get(), 1, kMsPath, 0, 0, "counts"), 1);
  ASSERT_EQ(AddTic(o.get(), 2, kMsPath, 0, 0, "Counts"), 1);
  EXPECT_EQ(OPLOT_CountDataUnitsTypes(o.get()), 2);
  o->head.shown[1] = 0;  // hidden slots do not count
  EXPECT_EQ(OPLOT_CountDataUnitsTypes(o.get()), 1);
}

TEST_F(OverlayTest, RentedWorkFileStaysTheCallers) {
  WriteMsRun();
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kMsPath, 0);
  ASSERT_TRUE(wf);
  int16_t infoCount = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  auto o = NewOverlay();
  ASSERT_EQ(OPLOT_RENT_AddAnyPlotToOverlayStructure(o.get(), 0, wf, nullptr, info, static_cast<uint16_t>(infoCount),
                                                    DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr, "Counts", "rented", 0,
                                                    0),
            1);
  EXPECT_EQ(+o->slots[0].workFile, wf);
  EXPECT_EQ(+o->slots[0].filePresent, 0);
  // Emptying the one slot must not free the caller's work file or information.
  OPLOT_ClearPlotFromOverlayStructure(o.get(), 0);
  ASSERT_EQ(OPLOT_RENT_AddAnyPlotToOverlayStructure(o.get(), 0, wf, nullptr, info, static_cast<uint16_t>(infoCount),
                                                    DATA_TYPE_TIC, 0, nullptr, nullptr, nullptr, "Counts", "rented", 0,
                                                    0),
            1);
  OPLOT_RENT_ClearOverlayStructure(o.get());
  EXPECT_STREQ(wf->filePath, kMsPath);  // still valid
  STRUCT_NE_DATA_POINTS* dp = MakeDataPointsStruct(wf, 3.0, 4.0, 40000, 0, 0, nullptr, nullptr);
  ASSERT_TRUE(dp);
  EXPECT_GT(+dp->pointCount, 0u);
  FreeDataPointsStruct(dp);
  if (info) FreeBlock(info);
  FreeWorkFileStruct(wf);
}

TEST_F(OverlayTest, RentedScanFunctionPlotNeedsTheInformation) {
  WriteMsRun();
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kMsPath, 0);
  ASSERT_TRUE(wf);
  int16_t infoCount = 0;
  STRUCT_SCAN_FUN_INFO* info = PD_GetScanFunInfoForDataFile(wf, &infoCount, 0);
  ASSERT_TRUE(info);
  STRUCT_SCAN_FUN_ARRAY* array = SCAN_FUN_GetAllScanFunsForSegment(wf, 0, info, infoCount);
  ASSERT_TRUE(array);
  auto o = NewOverlay();
  EXPECT_EQ(OPLOT_RENT_AddAnyPlotToOverlayStructure(o.get(), 0, wf, nullptr, nullptr, 0, DATA_TYPE_SCAN_FUN_PLOT, 0,
                                                    nullptr, nullptr, array, "Counts", "sf", 0, 0),
            0);
  EXPECT_EQ(+o->slots[0].workFile, nullptr);
  EXPECT_EQ(OPLOT_RENT_AddAnyPlotToOverlayStructure(o.get(), 0, wf, nullptr, info, static_cast<uint16_t>(infoCount),
                                                    DATA_TYPE_SCAN_FUN_PLOT, 0, nullptr, nullptr, array, "Counts",
                                                    "sf", 0, 0),
            1);
  EXPECT_GT(+o->slots[0].trace->pointCount, 0u);
  EXPECT_EQ(+o->slots[0].scanFunArray, array);  // taken over: freed with the overlay
  OPLOT_RENT_ClearOverlayStructure(o.get());
  FreeBlock(info);
  FreeWorkFileStruct(wf);
}

TEST_F(OverlayTest, SegmentPlotRecordIsTakenOverAndReadWhole) {
  WriteMsRun();
  STRUCT_WORK_FILE* wf = MakeWorkFileStruct(kMsPath, 0);
  ASSERT_TRUE(wf);
  STRUCT_SEG_PLOTS* plots = PLOT_SEG_Init(wf);
  FreeWorkFileStruct(wf);
  ASSERT_TRUE(plots);
  auto o = NewOverlay();
  ASSERT_EQ(OPLOT_AddAnyPlotToOverlayStructure(o.get(), 2, kMsPath, DATA_TYPE_SEGMENT_PLOT, 0, nullptr, nullptr, nullptr,
                                               plots, "Counts", "segments", 0, 0),
            1);
  EXPECT_EQ(+o->slots[2].segPlots, plots);
  const uint32_t whole = o->slots[2].trace->pointCount;
  EXPECT_GT(whole, 100u);
  // A segment plot is never extended: a window outside the kept trace reads it whole again.
  OPLOT_NewUpdateOverlayPlots(o.get(), 4.0, 5.0);
  EXPECT_EQ(+o->slots[2].trace->pointCount, whole);
  EXPECT_EQ(+o->tail.inView[2], 1);
}

}  // namespace
