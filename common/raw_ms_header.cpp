// The test that makes a plain file a raw MS file: its first 256 bytes.
#include <cstring>

#include "common/data_file_reading.h"
#include "common/work_file.h"

namespace {

template <class T>
T At(const uint8_t* b, size_t offset) {
  T v;
  std::memcpy(&v, b + offset, sizeof v);
  return v;
}

}  // namespace

KELT_API int32_t ReadRawMSFileHeader(const char* path, void* header) {
  if (!path || strnlen(path, WORK_FILE_PATH_SIZE) >= WORK_FILE_PATH_SIZE) return 0;
  uint8_t b[MS_RAW_HEADER_SIZE];
  uint64_t length = 0;
  if (kelt::datafile::ReadFilePrefix(path, b, sizeof b, &length) != MS_RAW_HEADER_SIZE) return 0;
  const bool raw = At<uint16_t>(b, 0) == 0 && At<uint32_t>(b, 2) == 0 && At<uint32_t>(b, 38) == 1 &&
                   At<uint16_t>(b, 176) == 16 && At<uint16_t>(b, 186) <= 4 && At<uint32_t>(b, 178) <= length &&
                   At<uint32_t>(b, 200) <= length && At<uint32_t>(b, 246) <= length;
  if (!raw) return 0;
  if (header) std::memcpy(header, b, sizeof b);
  return 1;
}
