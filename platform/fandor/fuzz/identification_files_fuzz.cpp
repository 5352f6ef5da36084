// libFuzzer target over the deconvolution files beside a data file: the
// first input byte picks the identification (".FIN") or the component
// (".ELU") file, the rest is its bytes. Both are found from the data file's
// path and read in order as the chromatogram's annotations read them; no
// read faults, none reports more entries than the file counts, and every
// text an entry hands out is within its record.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fandor/component_files.h"
#include "fandor/identification_files.h"
#include "fixtures/identification_fixture.h"
#include "testing/fuzz_support.h"
#include "win/win_types.h"

namespace {

const char kData[] = "C:\\FUZZ\\RUN1.KMS";

void ReadIdentifications() {
  CAccessFINFile fin;
  char path[MAX_PATH + 1] = {};
  if (!fin.GetFINFileFromKMSFile(kData, path)) return;
  fuzz::Check(strnlen(path, sizeof path) < sizeof path, "a path without its end");
  int32_t count = -1;
  if (!fin.OpenReadInOrder(path, &count)) return;
  fuzz::Check(count >= 0, "a negative entry count");
  int32_t read = 0;
  FIN_IDENTIFIED e;
  while (fin.ReadNextIdentified(&e)) {
    ++read;
    fuzz::Check(read <= count, "more entries than counted");
  }
  fuzz::Check(!fin.ReadNextIdentified(&e), "an entry after the end");
  fin.Close();
}

void ReadComponents() {
  if (!Ordinal712(kData)) return;
  const int32_t count = Ordinal718();
  fuzz::Check(count >= 0, "a negative component count");
  int32_t read = 0;
  ELU_COMPONENT c;
  while (Ordinal700(&c)) {
    ++read;
    fuzz::Check(read <= count, "more components than counted");
  }
  Ordinal701();
  fuzz::Check(Ordinal718() == 0, "a component count after closing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  const bool components = data[0] & 1;
  const std::string fin = win::paths::ToHost("C:\\FUZZ\\RUN1.FIN");
  const std::string elu = win::paths::ToHost("C:\\FUZZ\\RUN1.ELU");
  std::remove(fin.c_str());
  std::remove(elu.c_str());
  fuzz::WriteBytes(components ? elu : fin, data + 1, size - 1);
  if (components)
    ReadComponents();
  else
    ReadIdentifications();
  return 0;
}

// Seeds: files as the deconvolution writes them, one of each kind with a
// few entries and an empty one.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const std::vector<std::string> names = {"Toluene", "Ethylbenzene", "o-Xylene", "Naphthalene"};
  const std::vector<double> times = {3.112, 4.507, 4.981, 8.266};
  const std::vector<uint32_t> scans = {67, 152, 180, 378};
  struct Seed {
    const char* name;
    char kind;
    std::string bytes;
  };
  std::vector<Seed> seeds;
  if (!msfix::WriteIdentificationFile("C:\\FUZZ\\SEED.FIN", msfix::MakeIdentifications(5, names, times, scans)))
    return 1;
  seeds.push_back({"fin-four", 0, fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\SEED.FIN"))});
  if (!msfix::WriteIdentificationFile("C:\\FUZZ\\EMPTY.FIN", {})) return 1;
  seeds.push_back({"fin-empty", 0, fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\EMPTY.FIN"))});
  if (!msfix::WriteComponentFile("C:\\FUZZ\\SEED.ELU", msfix::MakeComponents(5, times, scans))) return 1;
  seeds.push_back({"elu-four", 1, fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\SEED.ELU"))});
  for (const Seed& s : seeds) {
    std::string bytes(1, s.kind);
    bytes += s.bytes;
    fuzz::WriteBytes(std::string(folder) + "/" + s.name, reinterpret_cast<const uint8_t*>(bytes.data()),
                     bytes.size());
  }
  return 0;
}
