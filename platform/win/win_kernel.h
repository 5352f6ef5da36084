#pragma once
// Kernel part of the operating-system stand-in: files, folders, modules,
// last error, environment.
#include "win_types.h"
#include "win_export.h"

// Last-error codes the callers test.
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NOT_SAME_DEVICE 17
#define ERROR_NO_MORE_FILES 18
#define ERROR_WRITE_FAULT 29
#define ERROR_READ_FAULT 30
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_EOF 38
#define ERROR_NOT_SUPPORTED 50
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_BUFFER_OVERFLOW 111
#define ERROR_DISK_FULL 112
#define ERROR_CALL_NOT_IMPLEMENTED 120
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_NEGATIVE_SEEK 131
#define ERROR_DIR_NOT_EMPTY 145
#define ERROR_BAD_PATHNAME 161
#define ERROR_ALREADY_EXISTS 183
#define ERROR_ENVVAR_NOT_FOUND 203
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_DIRECTORY 267
#define ERROR_INVALID_FLAGS 1004

WINAPI_EXPORT DWORD GetLastError();
WINAPI_EXPORT void SetLastError(DWORD code);

// ---- Handles -------------------------------------------------------------

WINAPI_EXPORT BOOL CloseHandle(HANDLE handle);

// ---- Files -----------------------------------------------------------------

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define DELETE 0x00010000u
#define FILE_READ_DATA 0x0001u
#define FILE_WRITE_DATA 0x0002u
#define FILE_APPEND_DATA 0x0004u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000u
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// Only Offset/OffsetHigh are used: a read or write at that position.
struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

typedef FILETIME* LPFILETIME;
typedef const FILETIME* LPCFILETIME;
typedef SYSTEMTIME* LPSYSTEMTIME;
typedef const SYSTEMTIME* LPCSYSTEMTIME;

WINAPI_EXPORT HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                 LPSECURITY_ATTRIBUTES security, DWORD creationDisposition,
                                 DWORD flagsAndAttributes, HANDLE templateFile);
WINAPI_EXPORT BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                            LPOVERLAPPED overlapped);
WINAPI_EXPORT BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                             LPOVERLAPPED overlapped);
WINAPI_EXPORT DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh,
                                   DWORD moveMethod);
WINAPI_EXPORT DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
WINAPI_EXPORT BOOL SetEndOfFile(HANDLE file);

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};
union ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
};
static_assert(sizeof(LARGE_INTEGER) == 8 && sizeof(ULARGE_INTEGER) == 8);
typedef LARGE_INTEGER* PLARGE_INTEGER;
typedef ULARGE_INTEGER* PULARGE_INTEGER;

WINAPI_EXPORT BOOL GetFileSizeEx(HANDLE file, PLARGE_INTEGER size);
WINAPI_EXPORT BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition,
                                    DWORD moveMethod);
// Byte-range locks that hold across processes (open-file-description
// locks). Unlike the original they are advisory: they stop other locks,
// not reads and writes. An exclusive lock needs a handle open for writing.
#define ERROR_LOCK_VIOLATION 33
#define ERROR_NOT_LOCKED 158
#define LOCKFILE_FAIL_IMMEDIATELY 0x00000001u
#define LOCKFILE_EXCLUSIVE_LOCK 0x00000002u
WINAPI_EXPORT BOOL LockFile(HANDLE file, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow, DWORD lengthHigh);
WINAPI_EXPORT BOOL UnlockFile(HANDLE file, DWORD offsetLow, DWORD offsetHigh, DWORD lengthLow,
                              DWORD lengthHigh);
// The range starts at overlapped->Offset/OffsetHigh; without
// LOCKFILE_FAIL_IMMEDIATELY the call waits for the range.
WINAPI_EXPORT BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD lengthLow, DWORD lengthHigh,
                              LPOVERLAPPED overlapped);
WINAPI_EXPORT BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD lengthLow, DWORD lengthHigh,
                                LPOVERLAPPED overlapped);

// Bytes of the file system holding the folder (null: the current folder).
WINAPI_EXPORT BOOL GetDiskFreeSpaceExA(LPCSTR directory, PULARGE_INTEGER freeToCaller,
                                       PULARGE_INTEGER total, PULARGE_INTEGER totalFree);
WINAPI_EXPORT BOOL FlushFileBuffers(HANDLE file);
WINAPI_EXPORT BOOL GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME lastAccess,
                               LPFILETIME lastWrite);
WINAPI_EXPORT BOOL SetFileTime(HANDLE file, const FILETIME* creation,
                               const FILETIME* lastAccess, const FILETIME* lastWrite);

// What this process moved through ReadFile and WriteFile: operations and
// bytes. Only the current process (GetCurrentProcess) is answered.
typedef struct IO_COUNTERS {
  ULONGLONG ReadOperationCount;
  ULONGLONG WriteOperationCount;
  ULONGLONG OtherOperationCount;
  ULONGLONG ReadTransferCount;
  ULONGLONG WriteTransferCount;
  ULONGLONG OtherTransferCount;
} IO_COUNTERS;
WINAPI_EXPORT HANDLE GetCurrentProcess();
WINAPI_EXPORT BOOL GetProcessIoCounters(HANDLE process, IO_COUNTERS* counters);

// Memory of this process (only GetCurrentProcess is answered), in bytes:
// the resident pages now and at most since the process began (a child
// process begins its own peak). The pool and page-file fields tell
// nothing here and are 0; cb must be at least the record's size.
typedef struct PROCESS_MEMORY_COUNTERS {
  DWORD cb;
  DWORD PageFaultCount;
  uintptr_t PeakWorkingSetSize;
  uintptr_t WorkingSetSize;
  uintptr_t QuotaPeakPagedPoolUsage;
  uintptr_t QuotaPagedPoolUsage;
  uintptr_t QuotaPeakNonPagedPoolUsage;
  uintptr_t QuotaNonPagedPoolUsage;
  uintptr_t PagefileUsage;
  uintptr_t PeakPagefileUsage;
} PROCESS_MEMORY_COUNTERS;
WINAPI_EXPORT BOOL GetProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD cb);

WINAPI_EXPORT BOOL DeleteFileA(LPCSTR fileName);
WINAPI_EXPORT BOOL CopyFileA(LPCSTR existing, LPCSTR newName, BOOL failIfExists);
WINAPI_EXPORT BOOL MoveFileA(LPCSTR existing, LPCSTR newName);
WINAPI_EXPORT BOOL MoveFileExA(LPCSTR existing, LPCSTR newName, DWORD flags);
// READONLY is the absence of every write bit; HIDDEN is a name starting
// with "."; a plain file without either reports NORMAL.
WINAPI_EXPORT DWORD GetFileAttributesA(LPCSTR fileName);
WINAPI_EXPORT BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes);
WINAPI_EXPORT BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES security);
WINAPI_EXPORT BOOL RemoveDirectoryA(LPCSTR pathName);

// ---- Folders and names ---------------------------------------------------------

WINAPI_EXPORT DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
WINAPI_EXPORT BOOL SetCurrentDirectoryA(LPCSTR pathName);
WINAPI_EXPORT DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer,
                                     LPSTR* filePart);
WINAPI_EXPORT UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
WINAPI_EXPORT UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
WINAPI_EXPORT DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);
// Name <path>\<prefix, 3 chars at most><hex number>.TMP; with unique 0 a
// free number is chosen and the empty file created.
WINAPI_EXPORT UINT GetTempFileNameA(LPCSTR pathName, LPCSTR prefix, UINT unique,
                                    LPSTR tempFileName);
// The last name of the path, extension kept. 0 on success, the size
// needed when the buffer is too small, a negative value for a bad name.
WINAPI_EXPORT SHORT GetFileTitleA(LPCSTR file, LPSTR title, WORD size);

#ifndef _MAX_PATH
#define _MAX_PATH 260
#endif
#ifndef _MAX_DRIVE
#define _MAX_DRIVE 3
#endif
#ifndef _MAX_DIR
#define _MAX_DIR 256
#endif
#ifndef _MAX_FNAME
#define _MAX_FNAME 256
#endif
#ifndef _MAX_EXT
#define _MAX_EXT 256
#endif

// Any output may be null; outputs are cut to the _MAX_ sizes.
WINAPI_EXPORT void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Writes at most _MAX_PATH bytes, terminator included.
WINAPI_EXPORT void _makepath(char* path, const char* drive, const char* dir, const char* fname,
                             const char* ext);

// ---- Finding files -----------------------------------------------------

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320);
static_assert(offsetof(WIN32_FIND_DATAA, cFileName) == 44);
typedef WIN32_FIND_DATAA* LPWIN32_FIND_DATAA;

// "*" and "?" match case-insensitively; "*.*" matches every name, "*."
// names without a dot. Entries come sorted by name, ignoring case.
WINAPI_EXPORT HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData);
WINAPI_EXPORT BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData);
WINAPI_EXPORT BOOL FindClose(HANDLE find);

// ---- Time ----------------------------------------------------------------------

WINAPI_EXPORT LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
WINAPI_EXPORT BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
WINAPI_EXPORT BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);
// Uses the time zone's offset at that moment (TZ as the C library reads it).
WINAPI_EXPORT BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
WINAPI_EXPORT BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);
WINAPI_EXPORT void GetSystemTime(LPSYSTEMTIME systemTime);
WINAPI_EXPORT void GetLocalTime(LPSYSTEMTIME systemTime);
WINAPI_EXPORT void GetSystemTimeAsFileTime(LPFILETIME fileTime);
WINAPI_EXPORT DWORD GetTickCount();
WINAPI_EXPORT ULONGLONG GetTickCount64();
#define INFINITE 0xFFFFFFFFu
WINAPI_EXPORT void Sleep(DWORD milliseconds);

// ---- Modules ----------------------------------------------------------------

// "morvex.dll", "Orsank.drv" or "C:\\Workstation\\morvex.dll" name the built
// library lib<stem>.so (or <stem>.so), looked for in the folder of the given
// path, the program folder, the current folder and the build's library
// folder, names matched without regard to case.
WINAPI_EXPORT HMODULE LoadLibraryA(LPCSTR fileName);
WINAPI_EXPORT FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
WINAPI_EXPORT BOOL FreeLibrary(HMODULE module);
WINAPI_EXPORT HMODULE GetModuleHandleA(LPCSTR moduleName);
WINAPI_EXPORT DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
// A looked-up function as its real type, without the cast warning a direct
// cast from FARPROC draws: auto f = ProcAs<int (*)(int)>(GetProcAddress(m, "F"));
template <class Fn>
inline Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// ---- Environment and identity ---------------------------------------------

WINAPI_EXPORT DWORD ExpandEnvironmentStringsA(LPCSTR src, LPSTR dst, DWORD size);
WINAPI_EXPORT DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
WINAPI_EXPORT BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
#define UNLEN 256
#define MAX_COMPUTERNAME_LENGTH 15
// KELT_USER, when set, is the user name.
WINAPI_EXPORT BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
// KELT_COMPUTERNAME, when set, is the computer name; else the host name in
// capitals, cut to MAX_COMPUTERNAME_LENGTH.
WINAPI_EXPORT BOOL GetComputerNameA(LPSTR buffer, LPDWORD size);

// ---- Error texts ---------------------------------------------------------------
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100u
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_STRING 0x00000400u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
// Only FORMAT_MESSAGE_FROM_SYSTEM: the system's text for an error code
// ("...\r\n"), into buffer (or, with ALLOCATE_BUFFER, a LocalAlloc block
// whose address goes to *(LPSTR*)buffer). 0 for an unknown code.
WINAPI_EXPORT DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                                   DWORD size, void* arguments);
