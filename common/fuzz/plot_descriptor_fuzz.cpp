// libFuzzer target over the plot-descriptor sections: the first input byte
// picks the kind, the rest is the section's bytes. A section read as an
// array writes back out and reads again to the same bytes (an empty array
// is written by removing the section).
#include <cstdint>
#include <cstring>
#include <string>

#include "common/plot_descriptors.h"
#include "orvik32/orvik32.h"
#include "testing/fuzz_support.h"

namespace {

const int16_t kKinds[] = {2, 4, 5, 7};

std::string SectionBytes(const char* path, const char* name) {
  HSECTION s = OpenSectionReadOnly(path, name, nullptr);
  if (!s) return "<missing>";
  std::string out(GetSectionSize(s), '\0');
  if (!out.empty()) ReadSection(s, out.data(), static_cast<uint32_t>(out.size()));
  CloseSection(s);
  return out;
}

bool Fresh(const char* path) { return CreateSectionFileAtPath(path, 23, 0, 1) != 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  const int16_t kind = kKinds[data[0] % 4];
  const char* name = PD_GetSectionName(kind);
  if (!name) return 0;
  const char* in = "C:\\FUZZ\\in.kms";
  if (!Fresh(in)) return 0;
  if (HSECTION s = CreateSection(in, name, nullptr)) {
    if (size > 1) WriteSection(s, data + 1, static_cast<uint32_t>(size - 1));
    CloseSection(s);
  }
  STRUCT_PD_ARRAY* a = PD_ReadPDArray(in, kind);
  if (!a) return 0;
  fuzz::Check(a->count >= 0, "a negative count");
  const char* once = "C:\\FUZZ\\once.kms";
  const char* twice = "C:\\FUZZ\\twice.kms";
  if (a->count == 0) {
    // An empty array is written by removing the section.
    if (Fresh(once) && PD_WritePDArray(once, a, kind))
      fuzz::Check(SectionBytes(once, name) == "<missing>", "an empty array left a section");
  } else if (Fresh(once) && PD_WritePDArray(once, a, kind)) {
    STRUCT_PD_ARRAY* b = PD_ReadPDArray(once, kind);
    fuzz::Check(b != nullptr, "a written array does not read back");
    fuzz::Check(b->count == a->count, "a written array reads back another count");
    fuzz::Check(Fresh(twice) && PD_WritePDArray(twice, b, kind), "a read-back array cannot be written");
    fuzz::Check(SectionBytes(once, name) == SectionBytes(twice, name), "an array re-encodes to other bytes");
    PD_FreePDArray(b);
  }
  PD_FreePDArray(a);
  return 0;
}

// Seeds: arrays of the standard traces as the library writes them.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\seed.kms";
  for (int16_t kind : kKinds) {
    if (!Fresh(path)) return 1;
    STRUCT_PD_ARRAY* a = PD_CreateUserPD(PD_CreateTICPD());
    if (!a) return 1;
    STRUCT_PD_ARRAY* grown = PD_AddUserPD(a, PD_CreateIgnorePD());
    if (grown != a) FreeBlock(a);  // the old block only: its descriptors moved over
    a = grown;
    const bool written = PD_WritePDArray(path, a, kind) != 0;
    PD_FreePDArray(a);
    if (!written) continue;  // not every kind is kept in every file
    std::string bytes(1, static_cast<char>(kind == 2 ? 0 : kind == 4 ? 1 : kind == 5 ? 2 : 3));
    bytes += SectionBytes(path, PD_GetSectionName(kind));
    fuzz::WriteBytes(std::string(folder) + "/kind-" + std::to_string(kind),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  return 0;
}
