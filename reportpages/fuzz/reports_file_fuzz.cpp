// libFuzzer target over the reports file: the input is the "MSRHeader"
// section (length in its first two bytes), the "MSRSlotInfo" section (length
// in the next two) and the content of slot 1 (the rest, stored under both
// the old and the new page-section name). The file is opened (upgraded when
// old), listed and read back; a page is then added and every page read
// before must read the same afterwards.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "orvik32/orvik32.h"
#include "reportpages/reports_file.h"
#include "testing/fuzz_support.h"
#include "win/win_kernel.h"
#include "win/win_profile.h"

namespace {

const char kPath[] = "C:\\FUZZ\\in.msr";

bool Put(const char* name, const uint8_t* data, size_t size) {
  HSECTION s = CreateSection(kPath, name, nullptr);
  if (!s) return false;
  if (size) WriteSection(s, data, uint32_t(size));
  return CloseSection(s) != 0;
}

bool Fresh() {
  DeleteFileA(kPath);
  SECTION_FILE_RECORD record{};
  if (!CreateSectionFile(&record, MSR_FILE_TYPE, 0, 0)) return false;
  const HSECTFILE h = OpenSectionFile(kPath, &record, SECTION_FILE_READ_WRITE, 2);
  if (h == -1) return false;
  CloseSectionFile(h);
  return true;
}

std::string Page(CRptsFileHandler& h, int32_t i) {
  RptsPageRecord r{};
  uint32_t size = 0;
  void* p = h.GetPage(i, &r, &size);
  if (!p) return "<none>";
  std::string out(reinterpret_cast<const char*>(&r), sizeof r);
  out.append(static_cast<const char*>(p), size);
  FreeBlock(p);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  static const bool ini = WritePrivateProfileStringA("Corvane Zeph Workstation", "AutoUpgrade", "1",
                                                     GetWorkstationIniPath()) != 0;
  (void)ini;
  if (size < 4) return 0;
  const size_t headLength = data[0] | size_t(data[1]) << 8;
  const size_t dirLength = data[2] | size_t(data[3]) << 8;
  data += 4;
  size -= 4;
  if (headLength + dirLength > size) return 0;
  if (!Fresh() || !Put("MSRHeader", data, headLength) || !Put("MSRSlotInfo", data + headLength, dirLength) ||
      !Put("MSRPage0000001", data + headLength + dirLength, size - headLength - dirLength) ||
      !Put("MSRPage001", data + headLength + dirLength, size - headLength - dirLength))
    return 0;

  CRptsFileHandler h(kPath, nullptr);
  const int32_t pages = h.GetCountOfPages();
  if (pages < 0) return 0;
  fuzz::Check(pages <= h.GetUsedSlotCount() && h.GetUsedSlotCount() <= MSR_MAX_SLOTS, "counts out of order");
  fuzz::Check(h.GetFreeSlotCount() >= 0, "a negative free count");
  const int32_t shown = pages < 50 ? pages : 50;
  if (shown > 0) {
    RptsPageRecord* range = h.GetSlotRange(0, shown - 1);
    for (int32_t i = 0; range && i < shown; ++i) fuzz::Check(range[i].colorMode <= 4, "a colour mode left as read");
    if (range) FreeBlock(range);
  }
  std::vector<std::string> before;
  for (int32_t i = 0; i < shown; ++i) before.push_back(Page(h, i));
  const char added[] = "added page";
  if (h.AddPageToFile(added, sizeof added, 1, 80, 70, 2, 1, 2, 32767, 32767, 1, 0, "added")) {
    CRptsFileHandler again(kPath, nullptr);
    fuzz::Check(again.GetCountOfPages() == pages + 1, "an added page is not counted");
    // A page that could be read keeps its record and content; one whose
    // record lay past a short directory may read as a blank record after the
    // add has extended the directory, which loses nothing.
    for (int32_t i = 0; i < shown; ++i)
      if (before[size_t(i)] != "<none>") fuzz::Check(Page(again, i) == before[size_t(i)], "a page changed by an add");
    // The added page reads back as itself, never as another page's bytes.
    const std::string last = Page(again, pages);
    fuzz::Check(last.size() == sizeof(RptsPageRecord) + sizeof added &&
                    last.compare(sizeof(RptsPageRecord), std::string::npos, added, sizeof added) == 0,
                "the added page reads back as another page");
  }
  return 0;
}

// Seeds: a new file with two pages, and an old file of three slots.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  auto write = [&](const std::string& name, const std::vector<uint8_t>& head, const std::vector<uint8_t>& dir,
                   const std::string& content) {
    std::string bytes;
    bytes += char(head.size() & 0xFF);
    bytes += char(head.size() >> 8);
    bytes += char(dir.size() & 0xFF);
    bytes += char(dir.size() >> 8);
    bytes.append(head.begin(), head.end());
    bytes.append(dir.begin(), dir.end());
    bytes += content;
    fuzz::WriteBytes(std::string(folder) + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  RptsPageRecord r{};
  r.kind = 1;
  r.columns = 80;
  r.lines = 70;
  r.orientation = 2;
  r.colorMode = 2;
  r.pageNumber = 1;
  std::strcpy(r.title, "Sample Report");
  const auto* rp = reinterpret_cast<const uint8_t*>(&r);
  std::vector<uint8_t> dir(rp, rp + sizeof r);
  dir.insert(dir.end(), rp, rp + sizeof r);

  std::vector<uint8_t> head(34 + 1000, 0);
  head[0] = 2;
  head[6] = 2;
  head[10] = 3;
  head[14] = 1000 & 0xFF;
  head[15] = 1000 >> 8;
  head[34] = 1;
  head[35] = 2;
  head[36] = 1;
  write("version-2", head, dir, std::string(300, 'e'));

  std::vector<uint8_t> old(510, 0);
  old[0] = 1;
  old[6] = 2;
  old[8] = 3;
  old[10] = 1;
  old[11] = 2;
  old[12] = 1;
  write("version-1", old, dir, "old page");
  return 0;
}
