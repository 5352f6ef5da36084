#pragma once
// The workstation's folders and the mapping of its Windows-style paths
// onto the Linux file system. Everything lies under one root, taken from
// the environment variable KELT_ROOT (default: "./kelt-root").
//
//   drive X:           -> <root>/x              (drive letters lower case)
//   "C:\\Workstation"  -> program folder (built libraries are found here
//                         or, failing that, beside the stand-in itself)
//   "C:\\WINDOWS"      -> settings folder: bare ini names live here
//   "C:\\TEMP"         -> temporary folder
//
// Each component of a path is matched case-insensitively against what
// exists, as the original file system did; components that do not exist
// yet keep the case they were given.
//
// A path that starts with "/" is a Linux path (only case-matched) when it
// lies under the root, or when the host allowed it (AllowHostPath: a path
// the host was handed on its command line). Any other such path is read as
// a Windows path without a drive ("/etc/x" is "C:\\etc\\x" on the current
// drive), so that no path a library builds or reads from a file reaches
// outside the root. ".." never climbs above a drive.
//
// Relative names ("x.ini", "..\\x", "C:x") resolve against the
// workstation's current folder, which starts as the program folder.
#include <cstdint>
#include <string>
#include <string_view>
#include "win_export.h"

namespace win::paths {
WIN_CLASS std::string Root();
// Re-reads KELT_ROOT (tests that switch roots call this), creates the
// standard folders under it and makes the program folder current again.
WIN_CLASS void ResetRoot();
WIN_CLASS std::string ToHost(std::string_view winPath);
// What the file system said of the mapped path while it was looked up, so
// that a caller need not ask again.
struct HostEntry {
  bool found = false;     // something lies there
  bool regular = false;   // a regular file
  bool writable = false;  // some write permission bit is set
  uint64_t volume = 0, id = 0;
  int64_t size = -1;
};
WIN_CLASS std::string ToHost(std::string_view winPath, HostEntry* entry);
// Lets a Linux path outside the root be used as one: the file itself and
// its companions beside it, the names that begin with its name up to the
// first "." and then a "." ("/d/run.kms" allows "/d/run.mth" and
// "/d/run.kms.~1", not "/d/other.kms"). For the host's own command line;
// false (and nothing allowed) for a path that does not start with "/".
WIN_CLASS bool AllowHostPath(std::string_view hostPath);
// Whether a Linux path is one the mapping takes as such (under the root or
// allowed).
WIN_CLASS bool IsUsableHostPath(std::string_view hostPath);
// The absolute, normalised Windows form of a path ("C:\\a\\b"): relative
// names joined to the current folder, "." and ".." applied, "/" turned to
// "\\", trailing dots and spaces of names dropped. A trailing "\\" stays.
// Usable Linux paths come back unchanged; an empty path gives "".
WIN_CLASS std::string FullPath(std::string_view winPath);
// The Windows form of a Linux path under the root ("<root>/c/x" ->
// "C:\\x"); other Linux paths come back unchanged.
WIN_CLASS std::string FromHost(std::string_view hostPath);
// The workstation's current folder, absolute Windows form. Setting it does
// not check that it exists; SetCurrentDirectoryA does.
WIN_CLASS std::string CurrentFolder();
WIN_CLASS void SetCurrentFolder(std::string_view winPath);
WIN_CLASS std::string ProgramFolder();   // "C:\\Workstation", no trailing "\\"
WIN_CLASS std::string SettingsFolder();  // "C:\\WINDOWS"
WIN_CLASS std::string TempFolder();      // "C:\\TEMP\\", with trailing "\\"
// Directory holding the built shared libraries (the stand-in's own folder,
// or KELT_BIN_DIR when set).
WIN_CLASS std::string BuiltLibraryFolder();
}  // namespace win::paths
