#pragma once
// Version resources of files. A file carries its version block at its end:
// the block (a VS_VERSIONINFO root holding the 52-byte fixed block), its
// byte length as a 32-bit little-endian number, and the eight bytes
// "KVERINFO". StampFileVersion writes or replaces that tail, so any file
// (a built program, a test file) can be given a version.
#include <cstdint>

#include "win_export.h"
#include "win_types.h"

#define VS_FFI_SIGNATURE 0xFEEF04BDu
#define VS_FFI_STRUCVERSION 0x00010000u
#define VS_FF_DEBUG 0x1u
#define VS_FF_PRERELEASE 0x2u
#define VS_FF_PATCHED 0x4u
#define VOS__WINDOWS32 0x4u
#define VFT_APP 0x1u
#define VFT_DLL 0x2u

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// 0 when the file has no version block (or a damaged one).
WINAPI_EXPORT DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);
WINAPI_EXPORT BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data);
// Only the root "\": the fixed block.
WINAPI_EXPORT BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

namespace win::version {
// Gives the file the version ms.ls (major << 16 | minor, build << 16 |
// revision) and the flags, replacing an earlier stamp; written whole.
WIN_CLASS bool StampFileVersion(const char* winPath, uint32_t ms, uint32_t ls, uint32_t flags = 0);
inline uint32_t MakeVersionMS(uint16_t major, uint16_t minor) { return (uint32_t(major) << 16) | minor; }
inline uint32_t MakeVersionLS(uint16_t build, uint16_t revision) { return (uint32_t(build) << 16) | revision; }
}  // namespace win::version
