// libFuzzer target over the data-handling tables: the first input byte
// picks one section of a method file (global parameters, compounds,
// calibration log, a generic table), the rest replaces its bytes. Every
// reader answers without faulting; a table never hands out more records
// than it counts, nor writes past a record.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "holbrin/holbrin.h"
#include "testing/fuzz_support.h"
#include "win/win_file_facts.h"

namespace {

const char kPath[] = "C:\\FUZZ\\method.kmt";
constexpr uint32_t kGenericRecord = 37;

void MakeMethod(const char* path) {
  CreateSectionFileAtPath(path, SECTION_FILE_TYPE_METHOD, 0, 1);
  if (HDHTABLE t = CreateGlobalTable(path, 1, 1, "1")) {
    STRUCT_DH_GLOBAL_PARAMS g{};
    InitGlobalParams(&g);
    WriteGlobalTable(t, &g);
    CloseSection(static_cast<HSECTION>(t));
  }
  if (HDHTABLE t = CreateCompoundTable(path, 1, 1, "1")) {
    STRUCT_DH_COMPOUND c{};
    AppendDHRecord(t, &c);
    AppendDHRecord(t, &c);
    CloseSection(static_cast<HSECTION>(t));
  }
  if (HDHTABLE t = CreateCalibrationLog(path, 1, 1, "1")) CloseSection(static_cast<HSECTION>(t));
  if (HDHTABLE t = CreateDHTable(path, "Generic", kGenericRecord)) {
    std::vector<uint8_t> r(kGenericRecord, 7);
    AppendDHRecord(t, r.data());
    CloseSection(static_cast<HSECTION>(t));
  }
}

// Reads every record of a table into a buffer with a guard behind it.
void ReadRecords(HDHTABLE t) {
  if (!t) return;
  const int32_t n = CountDHRecords(t);
  const uint32_t size = GetDHRecordSize(t);
  if (n >= 0 && size > 0 && size < (1u << 24)) {
    std::vector<uint8_t> buf(size + 16, 0xCD);
    for (int32_t i = 0; i < n && i < 200; ++i) {
      GetDHRecord(t, i, buf.data());
      for (uint32_t k = size; k < buf.size(); ++k) fuzz::Check(buf[k] == 0xCD, "written past a record");
    }
    fuzz::Check(!GetDHRecord(t, n, buf.data()), "a record past the count");
  }
  FreeDHRecordSet(t);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::UseOwnRoot();
  if (size < 1) return 0;
  static const std::string pristine = [] {
    MakeMethod("C:\\FUZZ\\pristine.kmt");
    return fuzz::ReadBytes(win::paths::ToHost("C:\\FUZZ\\pristine.kmt"));
  }();
  win::facts::RemoveFile(kPath);
  fuzz::WriteBytes(win::paths::ToHost(kPath), reinterpret_cast<const uint8_t*>(pristine.data()), pristine.size());
  // The section to replace, by its place in the listing.
  HSECTION listing = FindSectionsByStem(kPath, "");
  if (!listing) return 0;
  const int32_t count = CountSectionMatches(listing);
  char name[300] = {};
  const bool named = count > 0 && GetSectionMatchName(listing, data[0] % count, name, sizeof name);
  CloseSection(listing);
  if (!named) return 0;
  if (HSECTION s = CreateSection(kPath, name, nullptr)) {
    if (size > 1) WriteSection(s, data + 1, static_cast<uint32_t>(size - 1));
    CloseSection(s);
  }

  if (HDHTABLE t = OpenGlobalTable(kPath, 1, 1, "1")) {
    STRUCT_DH_GLOBAL_PARAMS g{};
    ReadGlobalTable(t, &g);
    CloseSection(static_cast<HSECTION>(t));
  }
  ReadRecords(OpenCompoundTable(kPath, 1, 1, "1"));
  ReadRecords(OpenDHTableSection(kPath, "Generic", kGenericRecord, FALSE));
  if (HDHTABLE t = OpenDHTable(kPath, 1, 1, "1")) {
    const int16_t rows = CountDHTableRows(t);
    std::vector<uint8_t> row(sizeof(DH_CALIBRATION_LOG_ROW) + 16, 0xCD);
    for (int16_t i = 0; i < rows && i < 200; ++i) {
      GetDHTableRow(t, i, row.data(), 1);
      for (size_t k = sizeof(DH_CALIBRATION_LOG_ROW); k < row.size(); ++k)
        fuzz::Check(row[k] == 0xCD, "written past a row");
    }
    if (rows >= 0) fuzz::Check(!GetDHTableRow(t, rows, row.data(), 1), "a row past the count");
    CloseSection(static_cast<HSECTION>(t));
  }
  return 0;
}

// Seeds: each section of a new method's tables, as its own input.
extern "C" int KeltFuzzSeeds(const char* folder) {
  fuzz::UseOwnRoot();
  const char* path = "C:\\FUZZ\\seed.kmt";
  MakeMethod(path);
  HSECTION listing = FindSectionsByStem(path, "");
  if (!listing) return 1;
  const int32_t count = CountSectionMatches(listing);
  for (int32_t i = 0; i < count; ++i) {
    char name[300] = {};
    if (!GetSectionMatchName(listing, i, name, sizeof name)) continue;
    HSECTION s = OpenSectionReadOnly(path, name, nullptr);
    if (!s) continue;
    std::string bytes(1, static_cast<char>(i));
    bytes.resize(1 + GetSectionSize(s));
    ReadSection(s, bytes.data() + 1, static_cast<uint32_t>(bytes.size() - 1));
    CloseSection(s);
    fuzz::WriteBytes(std::string(folder) + "/section-" + std::to_string(i),
                     reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  CloseSection(listing);
  return 0;
}
