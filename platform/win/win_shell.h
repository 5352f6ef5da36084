#pragma once
// The shell: starting programs and opening documents, deleting folder
// trees, the special folders, and shell links.
//
// A program is started when its file is executable (a built program or a
// script with "#!"); other files are "opened" as documents: headless, that
// is recorded (win::shell::OpenedDocuments) and counts as success. A
// started program gets its Windows-style arguments mapped onto the root as
// WinExec does, runs in the folder given, and hands back a process handle
// that waits can be made on.
//
// Shell links are small ini texts ("[Shell Link]" with Path, Arguments,
// WorkingDirectory, Description), written whole at once.
#include <string>
#include <vector>

#include "win_export.h"
#include "win_kernel.h"
#include "win_types.h"

// ---- Starting programs ---------------------------------------------------------
#define SEE_MASK_NOCLOSEPROCESS 0x00000040u
#define SEE_MASK_DOENVSUBST 0x00000200u
#define SEE_MASK_FLAG_NO_UI 0x00000400u
#ifndef SW_HIDE
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#endif
#define SE_ERR_FNF 2
#define SE_ERR_NOASSOC 31

struct SHELLEXECUTEINFOA {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCSTR lpVerb;
  LPCSTR lpFile;
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;
};

// hInstApp above 32 on success (an error code of 32 or less otherwise).
WINAPI_EXPORT BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);
WINAPI_EXPORT HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                      int show);
WINAPI_EXPORT BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// ---- Folder trees -----------------------------------------------------------------
#define FO_MOVE 1
#define FO_COPY 2
#define FO_DELETE 3
#define FO_RENAME 4
#define FOF_SILENT 0x0004
#define FOF_NOCONFIRMATION 0x0010
#define FOF_NOERRORUI 0x0400
struct SHFILEOPSTRUCTA {
  HWND hwnd;
  UINT wFunc;
  LPCSTR pFrom;  // names, each NUL-terminated, the list ends with an empty one
  LPCSTR pTo;
  WORD fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  LPCSTR lpszProgressTitle;
};
// Only FO_DELETE: removes the files and folders named, folders with all
// they hold. 0 on success.
WINAPI_EXPORT int SHFileOperationA(SHFILEOPSTRUCTA* op);

// ---- Special folders ------------------------------------------------------------
#define CSIDL_PROGRAMS 0x0002
#define CSIDL_COMMON_PROGRAMS 0x0017
#define CSIDL_STARTMENU 0x000b
#define CSIDL_COMMON_STARTMENU 0x0016
// "C:\Documents and Settings\All Users\Start Menu" (common) or the user's
// own Start Menu folder; created when create is set.
WINAPI_EXPORT BOOL SHGetSpecialFolderPathA(HWND owner, LPSTR path, int folder, BOOL create);

// ---- COM and shell links ----------------------------------------------------------
typedef LONG HRESULT;
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define CLSCTX_INPROC_SERVER 0x1u
typedef char16_t OLECHAR;
typedef const OLECHAR* LPCOLESTR;

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
inline bool operator==(const GUID& a, const GUID& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         __builtin_memcmp(a.Data4, b.Data4, 8) == 0;
}
WIN_CLASS extern const CLSID CLSID_ShellLink;
WIN_CLASS extern const IID IID_IUnknown;
WIN_CLASS extern const IID IID_IShellLinkA;
WIN_CLASS extern const IID IID_IPersistFile;

struct IUnknown {
  virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
 protected:
  ~IUnknown() = default;
};
struct IShellLinkA : IUnknown {
  virtual HRESULT SetPath(LPCSTR file) = 0;
  virtual HRESULT SetArguments(LPCSTR arguments) = 0;
  virtual HRESULT SetWorkingDirectory(LPCSTR folder) = 0;
  virtual HRESULT SetDescription(LPCSTR text) = 0;
  virtual HRESULT GetPath(LPSTR file, int size, void* findData, DWORD flags) = 0;
 protected:
  ~IShellLinkA() = default;
};
struct IPersistFile : IUnknown {
  virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;
  virtual HRESULT Load(LPCOLESTR fileName, DWORD mode) = 0;
 protected:
  ~IPersistFile() = default;
};

// S_OK the first time on a thread, S_FALSE after.
WINAPI_EXPORT HRESULT CoInitialize(LPVOID reserved);
WINAPI_EXPORT void CoUninitialize();
// Only CLSID_ShellLink; needs CoInitialize on the thread.
WINAPI_EXPORT HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid,
                                       void** object);

namespace win::shell {
// Documents opened through the shell, in order (full Windows paths).
WIN_CLASS std::vector<std::string> OpenedDocuments();
struct LinkFacts {
  std::string path, arguments, workingDirectory, description;
};
// Reads a saved shell link; false when the file is none.
WIN_CLASS bool ReadLink(const char* linkPath, LinkFacts* facts);
}  // namespace win::shell
