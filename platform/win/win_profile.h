#pragma once
// Settings files: the private-profile calls over real ini text files.
//
// A bare file name ("tolview.ini") lives in the settings folder
// (C:\WINDOWS); any other name is a path mapped through win::paths::ToHost.
// The profile-wide calls (GetProfileString ...) work on "win.ini" in the
// settings folder. Section and key names are compared without regard to
// case. Every write replaces the whole file at once (a complete new file is
// renamed over the old one), keeping the file's other lines and their order.
// Names and values holding a line break are refused (they would add lines
// of their own).
//
// Both the names with the A suffix and the plain names are real functions,
// since callers use either.
#include "win_types.h"
#include "win_export.h"

WINAPI_EXPORT DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                             LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
WINAPI_EXPORT UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                         LPCSTR lpFileName);
WINAPI_EXPORT BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                              LPCSTR lpFileName);
WINAPI_EXPORT DWORD GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                              LPCSTR lpFileName);
WINAPI_EXPORT BOOL WritePrivateProfileSectionA(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName);
WINAPI_EXPORT DWORD GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize,
                                                   LPCSTR lpFileName);
// Whole records: upper-case hexadecimal of the bytes, then one checksum
// byte (low byte of the sum of the bytes) in hexadecimal. A stored value of
// another length, with a wrong checksum or a non-hexadecimal character is
// refused with FALSE and the record is left untouched. Writing a null
// record deletes the key.
WINAPI_EXPORT BOOL GetPrivateProfileStructA(LPCSTR lpszSection, LPCSTR lpszKey, LPVOID lpStruct,
                                            UINT uSizeStruct, LPCSTR szFile);
WINAPI_EXPORT BOOL WritePrivateProfileStructA(LPCSTR lpszSection, LPCSTR lpszKey, LPCVOID lpStruct,
                                              UINT uSizeStruct, LPCSTR szFile);

WINAPI_EXPORT DWORD GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize);
WINAPI_EXPORT UINT GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault);
WINAPI_EXPORT BOOL WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString);
WINAPI_EXPORT DWORD GetProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize);

// Plain names.
WINAPI_EXPORT DWORD GetPrivateProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                            LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName);
WINAPI_EXPORT UINT GetPrivateProfileInt(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                        LPCSTR lpFileName);
WINAPI_EXPORT BOOL WritePrivateProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                             LPCSTR lpFileName);
WINAPI_EXPORT DWORD GetPrivateProfileSection(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                             LPCSTR lpFileName);
WINAPI_EXPORT BOOL WritePrivateProfileSection(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName);
WINAPI_EXPORT DWORD GetPrivateProfileSectionNames(LPSTR lpszReturnBuffer, DWORD nSize,
                                                  LPCSTR lpFileName);
WINAPI_EXPORT BOOL GetPrivateProfileStruct(LPCSTR lpszSection, LPCSTR lpszKey, LPVOID lpStruct,
                                           UINT uSizeStruct, LPCSTR szFile);
WINAPI_EXPORT BOOL WritePrivateProfileStruct(LPCSTR lpszSection, LPCSTR lpszKey, LPCVOID lpStruct,
                                             UINT uSizeStruct, LPCSTR szFile);
WINAPI_EXPORT DWORD GetProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                     LPSTR lpReturnedString, DWORD nSize);
WINAPI_EXPORT UINT GetProfileInt(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault);
WINAPI_EXPORT BOOL WriteProfileString(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString);
WINAPI_EXPORT DWORD GetProfileSection(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize);
