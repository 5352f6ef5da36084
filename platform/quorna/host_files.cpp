// Plain-file access for raw MS files.
#include "quorna/host_files.h"

namespace quorna {

// The file calls of the operating-system stand-in are not there yet; until
// they are, raw MS files can be neither read nor written.
bool ReadHostFile(const std::string&, std::vector<uint8_t>&) { return false; }
bool WriteHostFile(const std::string&, const std::vector<uint8_t>&) { return false; }

}  // namespace quorna
