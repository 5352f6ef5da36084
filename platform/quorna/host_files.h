#pragma once
// Whole plain files (raw MS files), through the operating-system stand-in.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quorna/ms_image.h"

namespace quorna {

bool ReadHostFile(const std::string& path, Bytes& bytes);
// The file opened for reading in place; null when it cannot be opened.
std::unique_ptr<ByteSource> OpenHostFile(const std::string& path);
// Writes a temporary beside the file, then puts it in the file's place.
bool WriteHostFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace quorna
