// libFuzzer target over the data-handling engine. The first input byte
// picks the form:
//  - even: a crafted one-ion trace. Then u16 scan count and, per scan, a
//    u16 time step (millionths of a minute) and a u32 intensity; then, when
//    the form's bit 1 is set, the first 28 bytes of the global parameters
//    (peak width, slope, tangent, reject, smoothing, dead time, spike
//    factor, noise and filtering), and with bit 2 a u8 count and that many
//    time events as stored. The engine integrates the working file's own
//    tables.
//  - odd: a processed run and its method; the next byte picks one section
//    of the method (global parameters, compounds, time events, ...), the
//    rest replaces it, and the engine integrates the run by that method.
// The engine never faults; the results it writes read back whole, their
// point indexes inside the point table.
#include <cstdint>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fixtures/msfixtures.h"
#include "holbrin/dh_engine.h"
#include "holbrin/holbrin.h"
#include "quorna/quorna.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kWorking[] = "C:\\FUZZ\\RUN1.KMS";
const char kMethod[] = "C:\\FUZZ\\METHOD.KMT";
constexpr uint16_t kId = 20, kAddress = 3;

// Reads the input front to back; bytes past its end read as zero.
struct Input {
  const uint8_t* data;
  size_t size, at = 0;
  void Take(void* out, size_t n) {
    std::memset(out, 0, n);
    const size_t k = at < size ? std::min(n, size - at) : 0;
    if (k) std::memcpy(out, data + at, k);
    at += n;
  }
  template <class T>
  T Get() {
    T v;
    Take(&v, sizeof v);
    return v;
  }
};

bool WriteTrace(Input& in) {
  if (!CreateSectionFileAtPath(kWorking, 1, 0, 3)) return false;
  const uint32_t scans = in.Get<uint16_t>() % 3000 + 1;
  HMSDATA h = OpenMSDataSection(kWorking, "MSData", 1, scans, 3, nullptr);
  if (!h) return false;
  double t = 1.0;
  for (uint32_t i = 0; i < scans; ++i) {
    MS_SCAN_RECORD rec{};
    rec.recordSize = sizeof rec;
    rec.header.scanNumber = i + 1;
    if (i) t += in.Get<uint16_t>() * 1e-6;
    rec.header.time = t;
    const uint32_t count = 1, value = in.Get<uint32_t>();
    const double mass = 100.0;
    uint8_t buffer[4 + 13] = {};
    std::memcpy(buffer, &count, 4);
    std::memcpy(buffer + 5, &mass, 8);
    std::memcpy(buffer + 13, &value, 4);
    WriteMSScan(h, &rec, buffer);
  }
  auto seg = std::make_unique<MS_SEGMENT_BLOCK>();
  std::memset(seg.get(), 0, sizeof *seg);
  seg->number = 1;
  seg->startTime = 1.0;
  seg->endTime = t;
  seg->functionCount = 1;
  seg->firstScan = 1;
  seg->lastScan = scans;
  seg->functions[0].massWidth = 1.0;
  seg->functions[0].lowMass = 50;
  seg->functions[0].highMass = 150;
  WriteMSSegment(h, seg.get());
  MS_INFO_BLOCK info{};
  info.fileKind = MS_FILE_KIND_QUADRUPOLE;
  info.fileType = kId;
  info.module = kAddress;
  info.centroid = 1;
  WriteMSHeader(h, &info);
  return CloseMSData(h) == 0;
}

void CraftedTrace(Input& in, uint8_t form) {
  if (!WriteTrace(in)) return;
  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  g.peakWidthTenths = 50;
  g.peakSizeReject = 0;
  if (form & 2) in.Take(&g, 28);
  if (HDHTABLE t = CreateGlobalTable(kWorking, kId, kAddress, "1")) {
    WriteGlobalTable(t, &g);
    CloseSection(t);
  }
  if (form & 4) {
    const uint8_t n = in.Get<uint8_t>();
    if (HSECTION s = CreateDHSection(kWorking, kId, kAddress, "1")) {
      for (uint8_t i = 0; i < n; ++i) {
        const DH_TIME_EVENT e = in.Get<DH_TIME_EVENT>();
        WriteDHItem(s, int16_t(i), &e, 1);
      }
      CloseSection(s);
    }
  }
  RunDataHandling(nullptr, nullptr, nullptr, kWorking, nullptr, "1", 0, 0, 0, 0, "FuzzDH", "FuzzDH", "FuzzDH",
                  "FuzzDH");
}

msfix::DHPlan SmallPlan() {
  msfix::DHPlan plan;
  plan.run.scans = 300;
  plan.run.compounds = 5;
  plan.run.endTime = 8.0;
  plan.run.segments = {{1.0, 1, ""}, {1.0, 2, ""}};
  return plan;
}

void ReplacedMethodSection(const uint8_t* data, size_t size) {
  static const std::pair<std::string, std::string> pristine = [] {
    msfix::DHTruth truth;
    msfix::WriteProcessedDataFile("C:\\FUZZ\\PRISTINE.KMS", "C:\\FUZZ\\PRISTINE.KMT", SmallPlan(), &truth);
    return std::make_pair(fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS")),
                          fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMT")));
  }();
  fuzz::WriteBytes(win::paths::ToHost(kWorking), reinterpret_cast<const uint8_t*>(pristine.first.data()),
                   pristine.first.size());
  fuzz::WriteBytes(win::paths::ToHost(kMethod), reinterpret_cast<const uint8_t*>(pristine.second.data()),
                   pristine.second.size());
  if (size < 1) return;
  HSECTION listing = FindSectionsByStem(kMethod, "");
  if (!listing) return;
  const int32_t count = CountSectionMatches(listing);
  char name[300] = {};
  const bool named = count > 0 && GetSectionMatchName(listing, data[0] % count, name, sizeof name);
  CloseSection(listing);
  if (!named) return;
  if (HSECTION s = CreateSection(kMethod, name, nullptr)) {
    WriteSection(s, data + 1, uint32_t(size - 1));
    CloseSection(s);
  }
  RunDataHandling(nullptr, nullptr, kMethod, kWorking, nullptr, "1", 0, 0, 0, 0, "FuzzDH", "FuzzDH", "FuzzDH",
                  "FuzzDH");
}

// What the engine wrote, read back as the report and the chromatogram read it.
void ReadBack(uint16_t id, uint16_t address) {
  DH_RESULT_HEADER header;
  ReadDHResultHeader(kWorking, id, address, "1", &header);
  int32_t points = -1;
  if (HDHTABLE t = OpenDHPointTable(kWorking, id, address, "1")) {
    points = CountDHRecords(t);
    FreeDHRecordSet(t);
  }
  if (HDHTABLE t = OpenDHResultTable(kWorking, id, address, "1")) {
    const int16_t n = CountDHResults(t);
    STRUCT_DH_RESULT r;
    for (int16_t i = 0; i < n; ++i) {
      fuzz::Check(GetDHResult(t, i, &r), "a counted result cannot be read");
      if (points >= 0)
        fuzz::Check(r.startPoint <= r.apexPoint && r.apexPoint <= r.endPoint && r.endPoint < uint32_t(points),
                    "a peak's points outside the point table");
    }
    fuzz::Check(n < 0 || !GetDHResult(t, n, &r), "a result past the count");
    FreeDHRecordSet(t);
  }
  float scale = 0;
  GetDHIntensityScale(kWorking, id, address, "1", &scale);
  int32_t stamp = 0;
  GetDHRunTimeStamp(kWorking, id, address, "1", nullptr, 0, &stamp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  win::facts::RemoveFile(kWorking);
  win::facts::RemoveFile(kMethod);
  const uint8_t form = data[0];
  if (form & 1) {
    ReplacedMethodSection(data + 1, size - 1);
    const msfix::DHPlan plan = SmallPlan();
    ReadBack(plan.moduleId, plan.moduleAddress);
  } else {
    Input in{data + 1, size - 1};
    CraftedTrace(in, form);
    ReadBack(kId, kAddress);
  }
  return 0;
}

// Seeds: crafted traces (a clean peak on a flat base, two peaks sharing a
// valley, a clipped peak, with events) and each method section as stored.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto put = [&](const std::string& name, const std::string& bytes) {
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  auto trace = [](uint8_t form, const std::vector<double>& values, uint16_t step) {
    std::string out(1, char(form));
    const uint16_t n = uint16_t(values.size() - 1);
    out.append(reinterpret_cast<const char*>(&n), 2);
    for (size_t i = 0; i < values.size(); ++i) {
      if (i) out.append(reinterpret_cast<const char*>(&step), 2);
      const uint32_t v = uint32_t(values[i]);
      out.append(reinterpret_cast<const char*>(&v), 4);
    }
    return out;
  };
  std::vector<double> one, two, clipped;
  for (int i = 0; i < 400; ++i) {
    const double t = i / 60.0;
    const double noise = 15.0 * std::sin(i * 12.9898) * std::cos(i * 78.233);
    one.push_back(1000 + noise + 50000 * std::exp(-0.5 * (t - 3) * (t - 3) / 0.0009));
    two.push_back(1000 + noise + 40000 * std::exp(-0.5 * (t - 3) * (t - 3) / 0.0009) +
                  30000 * std::exp(-0.5 * (t - 3.12) * (t - 3.12) / 0.0009));
    clipped.push_back(std::min(1000 + noise + 9e6 * std::exp(-0.5 * (t - 4) * (t - 4) / 0.0016), 4.0e6));
  }
  put("trace-one", trace(0, one, 16667));
  put("trace-two", trace(0, two, 16667));
  std::string withParams = trace(6, clipped, 16667);
  STRUCT_DH_GLOBAL_PARAMS g;
  InitGlobalParams(&g);
  g.peakWidthTenths = 60;
  withParams.append(reinterpret_cast<const char*>(&g), 28);
  const DH_TIME_EVENT events[] = {{20000, 1, 25000}, {35000, 0, 90}};
  withParams.push_back(2);
  withParams.append(reinterpret_cast<const char*>(events), sizeof events);
  put("trace-events", withParams);

  msfix::DHTruth truth;
  if (!msfix::WriteProcessedDataFile("C:\\FUZZ\\SEED.KMS", "C:\\FUZZ\\SEED.KMT", SmallPlan(), &truth)) return 1;
  HSECTION listing = FindSectionsByStem("C:\\FUZZ\\SEED.KMT", "");
  if (!listing) return 1;
  const int32_t count = CountSectionMatches(listing);
  for (int32_t i = 0; i < count; ++i) {
    char name[300] = {};
    if (!GetSectionMatchName(listing, i, name, sizeof name)) continue;
    HSECTION s = OpenSectionReadOnly("C:\\FUZZ\\SEED.KMT", name, nullptr);
    if (!s) continue;
    std::string bytes = {char(1), char(i)};
    bytes.resize(2 + GetSectionSize(s));
    ReadSection(s, bytes.data() + 2, uint32_t(bytes.size() - 2));
    CloseSection(s);
    put("method-" + std::to_string(i), bytes);
  }
  CloseSection(listing);
  return 0;
}
