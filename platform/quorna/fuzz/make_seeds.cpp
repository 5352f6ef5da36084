// Writes starting inputs for the fuzz target: list texts, a small image and
// the same image as a raw MS file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "quorna/ms_image.h"

using namespace quorna;

static void Save(const std::string& path, uint8_t kind, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputc(kind, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string dir = argv[1];
  const char* texts[] = {"1+2-4", "Merged", "91+105.5-106.5/0.3", "RIC", "Column 2", "50-550"};
  int k = 0;
  for (const char* t : texts) Save(dir + "/text" + std::to_string(k++), 0, std::vector<uint8_t>(t, t + std::strlen(t)));
  ImageBuilder b;
  MS_INFO_BLOCK info{};
  info.extraColumnCount = 1;
  b.SetInfo(info);
  MS_SEGMENT_BLOCK seg{};
  seg.number = 1;
  seg.functionCount = 2;
  seg.firstScan = 1;
  seg.lastScan = 4;
  b.AddSegment(seg);
  for (uint32_t s = 1; s <= 4; ++s) {
    MS_SCAN_HEADER h{};
    h.scanNumber = s;
    h.time = s * 0.1;
    h.extraCount = 1;
    std::vector<Peak> peaks = {{50.0 + s, 100 * s, 0}, {207.0, 50, 1}, {120.5, 7, 0}};
    b.AddScan(h, peaks);
  }
  std::vector<uint8_t> image, raw;
  if (!b.Build(image) || !MakeRawFile(image, raw)) return 1;
  Save(dir + "/image", 1, image);
  Save(dir + "/raw", 2, raw);
  Save(dir + "/centroid", 3, {1, 3, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0x59, 0x40, 10, 0, 0, 0});
  return 0;
}
