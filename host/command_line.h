#pragma once
// What the host checks of its command line and its workstation root before
// handing anything to the libraries, and the reasons it gives when a file
// cannot be written or is refused.
#include <cstdint>
#include <string>

namespace host {

// The workstation root (KELT_ROOT) holds its folders and takes a file; else
// false with the reason.
bool RootUsable(std::string* why);
// A seed: decimal digits only, 0 to 4294967295.
bool ParseSeed(const char* text, uint32_t* seed);
// A path the host may hand on: not empty, no control characters, shorter
// than MAX_PATH in full. A Linux path ("/...") given here is allowed for
// the libraries (with its companions beside it). False with the reason.
bool UsablePath(const std::string& path, std::string* why);
// Why a file could not be written at path: the folder is missing or
// read-only, the path is a folder, the file is read-only, ...
std::string WhyNotWritten(const std::string& path);
// Why a data file was refused for display: missing, a folder, unreadable,
// not a data file, damaged.
std::string WhyRefused(const std::string& path);
// Why a file is no data file for quantitation and its results; empty for a
// sectioned file holding MS or detector data and for a raw MS file (whose
// fitness the engine judges).
std::string WhyNoDataFile(const std::string& path);
// Why a file is no quantitation method; empty when it is one.
std::string WhyNotMethod(const std::string& path);

}  // namespace host
