// libFuzzer target over the acquisition and processing records of a
// processed data file and its method: the first input byte picks one
// section of the data file (or, with its top bit set, of the method), the
// rest replaces it. Every record reader of the library then reads the
// files as the reports and the text exports do: segment, attribute, event
// log and sample texts, scan functions, half heights, centroid parameters,
// injection and air-flow facts, the MS global parameters, the processing
// record, the library-search hits of the TIC peaks and the method's notes.
// No reader faults; a scan-function list holds no more than it counts.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kData[] = "C:\\FUZZ\\RUN1.KMS";
const char kMethod[] = "C:\\FUZZ\\RUN1.MTH";

msfix::DHPlan SmallPlan() {
  msfix::DHPlan plan;
  plan.run.scans = 200;
  plan.run.compounds = 4;
  plan.run.endTime = 6.0;
  plan.unknowns = 1;
  return plan;
}

void ReadRecords(uint16_t id, uint16_t address) {
  if (FILE* out = std::tmpfile()) {
    WriteMethodSegmentText(out, kData, address, id, 1, 1);
    WriteMethodSegmentLogText(out, kData, address, id, 1, 1, 1);
    WriteModuleAttributesText(out, kData, address, id);
    WriteModuleAttributesTextEx(out, kData, address, id);
    WriteEventLogText(out, kData, address, id);
    WriteSamplePrepText(out, kData);
    for (int16_t segment = 0; segment <= 3; ++segment) {
      Pomsel_WriteSegmentText(out, kData, address, id, segment);
      DF_WriteSegmentMethodText(out, kData, address, id, segment);
    }
    DF_WriteModuleAttributesText(out, kData, address, id);
    DF_WriteEventLogText(out, kData, address, id);
    DF_WriteSamplePrepText(out, kData);
    std::fclose(out);
  }
  if (DF_SCAN_FUNCTION_LIST* list = GetScanFunctionList(kData, id, address)) {
    const uint32_t room = GetBlockSize(list);
    fuzz::Check(list->count >= 0 && sizeof(int32_t) + uint64_t(list->count) * sizeof(DF_SCAN_FUNCTION) <= room,
                "a scan-function list longer than its block");
    FreeScanFunctionList(list);
  }
  for (uint16_t segment = 0; segment <= 3; ++segment) {
    for (uint16_t function = 0; function <= 2; ++function) {
      uint16_t kind = 0, mass = 0;
      uint32_t width = 0, resolution = 0;
      GetHalfHeightInfo(kData, address, id, segment, function, &kind, &width, &mass, &resolution);
      DF_CENTROID_PARAMS params;
      ReadCentroidParams(kData, segment, function, &params);
    }
    GetSegmentDataKind(kData, segment);
  }
  DF_INJECTION_INFO injection;
  DF_GetInjectionInfo(kData, &injection);
  float factor = 0;
  DF_GetAirFlowScaleFactor(kData, id, address, &factor);
  if (HDHTABLE t = DF_MSOpenGlobalParams(kData, id, address, "1")) {
    STRUCT_DH_GLOBAL_PARAMS g;
    DF_MSReadGlobalParams(t, &g);
    CloseSection(static_cast<HSECTION>(t));
  }
  if (HDHTABLE t = DF_OpenDataFileRecord(kData, id, address, "1")) {
    STRUCT_RECALC_ENTRY e;
    DF_ReadDataFileRecord(t, &e);
    CloseSection(static_cast<HSECTION>(t));
  }
  if (HSECTION tics = OpenTicSection(kData)) {
    for (int16_t peak = 0; peak < 16; ++peak)
      for (int16_t hit = -1; hit < 4; ++hit) {
        void* record = ReadTicRecord(tics, peak, hit);
        if (!record) continue;
        const uint32_t room = GetBlockSize(record);
        int16_t ions = 0;
        fuzz::Check(room >= DF_TIC_HIT_HEAD, "a hit shorter than its head");
        std::memcpy(&ions, static_cast<const uint8_t*>(record) + 717, 2);
        fuzz::Check(ions >= 0 && DF_TIC_HIT_HEAD + 6u * uint32_t(ions) <= room, "a hit's ions outside its block");
        FreeBlock(record);
      }
    CloseSection(tics);
  }
  const int32_t notes = GetNotesLength(kMethod);
  if (notes > 0 && notes < (1 << 24)) {
    std::vector<char> text(size_t(notes) + 1);
    ReadNotes(kMethod, text.data(), int32_t(text.size()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::pair<std::string, std::string> pristine = [] {
    msfix::DHTruth truth;
    msfix::WriteProcessedDataFile("C:\\FUZZ\\PRISTINE.KMS", "C:\\FUZZ\\PRISTINE.MTH", SmallPlan(), &truth);
    WriteNotes("C:\\FUZZ\\PRISTINE.MTH", "Calibrated 3 March.\r\nLevels 1-5.");
    return std::make_pair(fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS")),
                          fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.MTH")));
  }();
  win::facts::RemoveFile(kData);
  win::facts::RemoveFile(kMethod);
  fuzz::WriteBytes(win::paths::ToHost(kData), reinterpret_cast<const uint8_t*>(pristine.first.data()),
                   pristine.first.size());
  fuzz::WriteBytes(win::paths::ToHost(kMethod), reinterpret_cast<const uint8_t*>(pristine.second.data()),
                   pristine.second.size());
  const char* file = (data[0] & 0x80) ? kMethod : kData;
  HSECTION listing = FindSectionsByStem(file, "");
  if (!listing) return 0;
  const int32_t count = CountSectionMatches(listing);
  char name[300] = {};
  const bool named = count > 0 && GetSectionMatchName(listing, (data[0] & 0x7F) % count, name, sizeof name);
  CloseSection(listing);
  if (!named) return 0;
  if (HSECTION s = CreateSection(file, name, nullptr)) {
    WriteSection(s, data + 1, uint32_t(size - 1));
    CloseSection(s);
  }
  const msfix::DHPlan plan = SmallPlan();
  ReadRecords(plan.moduleId, plan.moduleAddress);
  return 0;
}

// Seeds: every section of the processed file and of its method as stored,
// but the MS data, each its own input.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  msfix::DHTruth truth;
  if (!msfix::WriteProcessedDataFile("C:\\FUZZ\\SEED.KMS", "C:\\FUZZ\\SEED.MTH", SmallPlan(), &truth)) return 1;
  WriteNotes("C:\\FUZZ\\SEED.MTH", "Calibrated 3 March.\r\nLevels 1-5.");
  for (int m = 0; m < 2; ++m) {
    const char* path = m ? "C:\\FUZZ\\SEED.MTH" : "C:\\FUZZ\\SEED.KMS";
    HSECTION listing = FindSectionsByStem(path, "");
    if (!listing) return 1;
    const int32_t count = CountSectionMatches(listing);
    for (int32_t i = 0; i < count && i < 128; ++i) {
      char name[300] = {};
      if (!GetSectionMatchName(listing, i, name, sizeof name) || std::string(name) == "MSData") continue;
      HSECTION s = OpenSectionReadOnly(path, name, nullptr);
      if (!s) continue;
      std::string bytes(1, char((m ? 0x80 : 0) | i));
      bytes.resize(1 + GetSectionSize(s));
      ReadSection(s, bytes.data() + 1, uint32_t(bytes.size() - 1));
      CloseSection(s);
      fuzz::WriteBytes(std::string(folder) + (m ? "/method-" : "/data-") + std::to_string(i),
                       reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    CloseSection(listing);
  }
  return 0;
}
