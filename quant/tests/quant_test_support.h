#pragma once
// Shared pieces of the engine's tests: a workstation root with a data file
// and builders of TIC peak records laid out as the library search writes them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "quant/results_sections.h"
#include "testing/section_bytes.h"
#include "testing/workstation_root.h"
#include "win/win_paths.h"
#include "win/win_script.h"

namespace quant_test {

constexpr char kData[] = "C:\\Data\\SAMPLE1.KMS";

class EngineTest : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    win::script::ResetLogs();
    std::filesystem::create_directories(win::paths::ToHost("C:\\Data"));
    std::filesystem::create_directories(win::paths::ToHost("C:\\Workstation"));
  }
  static void NewDataFile(const char* path = kData) {
    ASSERT_TRUE(CreateSectionFileAtPath(path, 777, 0, 1));
  }
  static std::vector<uint8_t> Bytes(const char* name, const char* path = kData) { return SectionBytes(path, name); }
  static void Put(const char* name, const std::vector<uint8_t>& bytes, const char* path = kData) {
    PutSection(path, name, bytes);
  }
};

struct HitPlan {
  std::string name;
  int32_t entry;
  std::vector<std::pair<uint32_t, int16_t>> ions;
};

// One library hit record: head, then its ions.
inline std::vector<uint8_t> HitBytes(const HitPlan& plan) {
  STRUCT_TIC_HIT h;
  std::memset(&h, 0, sizeof h);
  h.length = uint32_t(TIC_HIT_HEAD_SIZE + TIC_HIT_ION_SIZE * plan.ions.size());
  h.global1080 = 1;
  h.match1 = 870;
  h.match2 = 910;
  h.matchValue = 910.0f;
  h.match3 = h.match4 = -1;
  std::snprintf(h.compoundName, sizeof h.compoundName, "%s", plan.name.c_str());
  std::snprintf(h.libraryName, sizeof h.libraryName, "%s", "C:\\LIBS\\MAIN.MSP");
  h.entryNumber = uint32_t(plan.entry);
  h.ionCount = int16_t(plan.ions.size());
  std::vector<uint8_t> out(h.length);
  std::memcpy(out.data(), &h, sizeof h);
  for (size_t i = 0; i < plan.ions.size(); ++i) {
    std::memcpy(&out[TIC_HIT_HEAD_SIZE + 6 * i], &plan.ions[i].first, 4);
    std::memcpy(&out[TIC_HIT_HEAD_SIZE + 6 * i + 4], &plan.ions[i].second, 2);
  }
  return out;
}

// A peak record as the search writes it: the head, each hit with its
// offset from the peak start, then the total length.
inline std::vector<uint8_t> PeakBytes(int16_t step, const std::vector<HitPlan>& hits) {
  STRUCT_TIC_PEAK head;
  std::memset(&head, 0, sizeof head);
  head.stepIndex = step;
  head.hitCount = int16_t(hits.size());
  std::vector<uint8_t> out(TIC_PEAK_HEAD_SIZE);
  for (size_t j = 0; j < hits.size(); ++j) {
    head.hitOffsets[j] = uint32_t(out.size());
    const std::vector<uint8_t> h = HitBytes(hits[j]);
    out.insert(out.end(), h.begin(), h.end());
  }
  head.length = uint32_t(out.size());
  std::memcpy(out.data(), &head, sizeof head);
  return out;
}

}  // namespace quant_test
