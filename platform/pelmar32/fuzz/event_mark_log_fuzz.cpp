// libFuzzer target over the event-mark logs of a data file. The first
// input byte picks the form: 0 stores the rest as the log of module 23 at
// address 1, tag 1; otherwise the rest up to the first line end is the
// section's name (any text after the stem) and what follows is the log.
// The logs are then found and read as the chromatogram reads them: by the
// stem, each name taken apart into module, address and tag, counted and
// read whole and in pieces. No read faults and none hands out a step the
// count does not hold.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/event_mark_fixture.h"
#include "orvik32/orvik32.h"
#include "pelmar32/pelmar32.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\RUN1.KMS";

void ReadLogs() {
  HSECTION listing = FindSectionsByStem(kPath, EVENT_MARK_LOG_STEM);
  if (!listing) return;
  const int32_t count = CountSectionMatches(listing);
  for (int32_t i = 0; i < count && i < 8; ++i) {
    char name[300] = {};
    if (!GetSectionMatchName(listing, i, name, sizeof name)) continue;
    char stem[73] = {};
    uint16_t id = 0, address = 0, tagNumber = 0;
    if (std::sscanf(name, " %72[^.].%4hx.%4hx.%4hx", stem, &id, &address, &tagNumber) != 4) continue;
    char tag[16];
    std::snprintf(tag, sizeof tag, "%d", tagNumber);
    HSECTION log = OpenEventMarkLogReadOnly(kPath, id, address, tag);
    if (!log) continue;
    const int32_t steps = CountEventMarkLogSteps(log);
    fuzz::Check(steps >= -1, "a count below -1");
    if (steps > 0) {
      const int32_t n = steps < 4096 ? steps : 4096;
      std::vector<uint8_t> buffer(size_t(n) * sizeof(EVENT_MARK_LOG_STEP) + 16, 0xCD);
      if (ReadEventMarkLogStep(log, 0, buffer.data(), n))
        for (size_t k = size_t(n) * sizeof(EVENT_MARK_LOG_STEP); k < buffer.size(); ++k)
          fuzz::Check(buffer[k] == 0xCD, "written past the steps asked for");
      fuzz::Check(ReadEventMarkLogStep(log, steps - 1, buffer.data(), 1), "the last counted step cannot be read");
    }
    uint8_t one[sizeof(EVENT_MARK_LOG_STEP)];
    fuzz::Check(!ReadEventMarkLogStep(log, steps < 0 ? 0 : steps, one, 1), "a step past the count");
    fuzz::Check(!ReadEventMarkLogStep(log, -1, one, 1) && !ReadEventMarkLogStep(log, 0, one, -1),
                "a step before the first");
    CloseSection(log);
  }
  CloseSection(listing);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::string pristine = [] {
    CreateSectionFileAtPath("C:\\FUZZ\\PRISTINE.KMS", 777, 0, 1);
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\PRISTINE.KMS"));
  }();
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  std::string name = std::string(EVENT_MARK_LOG_STEM) + ".0017.0001.0001";
  const uint8_t* log = data + 1;
  size_t logSize = size - 1;
  if (data[0] != 0) {
    const void* end = std::memchr(log, '\n', logSize);
    const size_t n = end ? size_t(static_cast<const uint8_t*>(end) - log) : logSize;
    name = std::string(EVENT_MARK_LOG_STEM) + std::string(reinterpret_cast<const char*>(log), n);
    log += n < logSize ? n + 1 : n;
    logSize -= n < logSize ? n + 1 : n;
  }
  if (name.find('\0') != std::string::npos || name.size() > 200) return 0;
  if (HSECTION s = CreateSection(kPath, name.c_str(), nullptr)) {
    WriteSection(s, log, uint32_t(logSize));
    CloseSection(s);
  }
  ReadLogs();
  return 0;
}

// Seeds: logs as an acquisition writes them (empty, a few marks, many).
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const int counts[] = {0, 5, 60};
  for (int count : counts) {
    const std::string path = "C:\\FUZZ\\SEED" + std::to_string(count) + ".KMS";
    if (!CreateSectionFileAtPath(path.c_str(), 777, 0, 1)) return 1;
    if (!msfix::WriteEventMarkLog(path, 0x17, 1, 1, msfix::MakeEventMarks(uint32_t(count) + 3, count, 2.0, 14.0)))
      return 1;
    HSECTION s = OpenSectionReadOnly(path.c_str(), (std::string(EVENT_MARK_LOG_STEM) + ".0017.0001.0001").c_str(),
                                     nullptr);
    if (!s) return 1;
    std::string bytes(1, '\0');
    bytes.resize(1 + GetSectionSize(s));
    ReadSection(s, bytes.data() + 1, uint32_t(bytes.size() - 1));
    CloseSection(s);
    fuzz::WriteBytes(std::string(folder) + "/log-" + std::to_string(count),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    // The same log under a name of another module and tag.
    std::string named = std::string(1, '\1') + ".00A3.0002.FFFF\n" + bytes.substr(1);
    fuzz::WriteBytes(std::string(folder) + "/named-" + std::to_string(count),
                     reinterpret_cast<const uint8_t*>(named.data()), named.size());
  }
  return 0;
}
