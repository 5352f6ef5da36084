#pragma once
// LZ-compressed files ("SZDD"): the 14-byte header (the eight signature
// bytes, the method 'A', the last character of the name, the expanded
// length) and LZSS data over a 4,096-byte window filled with blanks, in
// groups of eight items after a flag byte (bit set: one literal byte;
// clear: two bytes holding a 12-bit window position and a length of 3-18).
//
// LZOpenFileA opens a file for reading (compressed or not: reads are
// expanded) or creates one for writing; LZCopy copies one into the other.
#include <cstdint>
#include <string>
#include <vector>

#include "win_export.h"
#include "win_types.h"

#define OF_READ 0x0000u
#define OF_WRITE 0x0001u
#define OF_READWRITE 0x0002u
#define OF_SHARE_DENY_WRITE 0x0020u
#define OF_CREATE 0x1000u
#define OFS_MAXPATHNAME 128

#define LZERROR_BADINHANDLE (-1)
#define LZERROR_BADOUTHANDLE (-2)
#define LZERROR_READ (-3)
#define LZERROR_WRITE (-4)
#define LZERROR_GLOBALLOC (-5)
#define LZERROR_BADVALUE (-7)

struct OFSTRUCT {
  BYTE cBytes;
  BYTE fFixedDisk;
  WORD nErrCode;
  WORD Reserved1;
  WORD Reserved2;
  CHAR szPathName[OFS_MAXPATHNAME];
};
static_assert(sizeof(OFSTRUCT) == 136);

// A handle (0 or more), or an LZERROR_ value; of->nErrCode gets the
// system error on failure.
WINAPI_EXPORT INT LZOpenFileA(LPSTR fileName, OFSTRUCT* of, WORD style);
// Bytes written to the target, or an LZERROR_ value (a damaged source
// gives LZERROR_READ and the target is left short).
WINAPI_EXPORT LONG LZCopy(INT source, INT target);
WINAPI_EXPORT void LZClose(INT handle);

namespace win::lz {
// Compressed form of the bytes (header included); lastChar is the
// character the name's extension lost ("a.dl_" for "a.dll": 'l').
WIN_CLASS std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, char lastChar = 0);
// True when the bytes start as a compressed file.
WIN_CLASS bool IsCompressed(const std::vector<uint8_t>& bytes);
// Expands compressed bytes; false for a damaged stream or one whose
// length differs from its header's.
WIN_CLASS bool Expand(const std::vector<uint8_t>& bytes, std::vector<uint8_t>* out);
}  // namespace win::lz
