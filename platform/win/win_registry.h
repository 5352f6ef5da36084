#pragma once
// The registry: keys and values kept in one hive file per root key under
// the settings folder ("C:\WINDOWS\REGISTRY\LOCAL_MACHINE.HIV" ...). A hive
// is an ini text: one section per key path, one line per value
// ("@" the default value) holding its type and its bytes in hexadecimal.
// Every change rewrites the hive at once, so a later process (a later run
// of a program) sees it. Key paths and value names ignore case.
#include "win_export.h"
#include "win_kernel.h"
#include "win_types.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003u)
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)0x80000005u)

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4

#define REG_OPTION_NON_VOLATILE 0
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

#define ERROR_MORE_DATA 234
#define ERROR_NO_MORE_ITEMS 259

typedef LONG LSTATUS;
typedef DWORD REGSAM;
typedef HKEY* PHKEY;

// Results are error codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND ...).
WINAPI_EXPORT LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                                      REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                                      LPDWORD disposition);
WINAPI_EXPORT LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
WINAPI_EXPORT LSTATUS RegCloseKey(HKEY key);
// Value names holding "=", a line break, or starting with ";" or "[" are
// refused (ERROR_INVALID_PARAMETER); a null or empty name is the default.
WINAPI_EXPORT LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                     DWORD size);
// size in: the buffer's bytes; out: the value's. A short buffer gives
// ERROR_MORE_DATA; a null data pointer asks only for type and size.
WINAPI_EXPORT LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                       LPDWORD size);
WINAPI_EXPORT LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
// Removes a key without sub-keys.
WINAPI_EXPORT LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
