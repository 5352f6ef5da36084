#pragma once
// Services: each one a key of the registry stand-in
// (HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\<name>) with its
// program ("ImagePath"), its state ("State") and how long it takes to
// stop ("StopDelay", milliseconds). A running service holds its program
// file open sharing only reading, as a running program does, so the file
// can be neither replaced nor moved until the service has stopped. A stop
// request leaves the service STOP_PENDING until its delay has passed; the
// state moves on when it is next asked for.
#include "win_export.h"
#include "win_kernel.h"
#include "win_types.h"

DECLARE_WIN_HANDLE(SC_HANDLE);

#define SERVICE_STOPPED 1u
#define SERVICE_START_PENDING 2u
#define SERVICE_STOP_PENDING 3u
#define SERVICE_RUNNING 4u

#define SERVICE_CONTROL_STOP 1u
#define SERVICE_CONTROL_INTERROGATE 4u

#define SC_MANAGER_CONNECT 0x0001u
#define SC_MANAGER_CREATE_SERVICE 0x0002u
#define SC_MANAGER_ALL_ACCESS 0xF003Fu
#define SERVICE_QUERY_STATUS 0x0004u
#define SERVICE_START 0x0010u
#define SERVICE_STOP 0x0020u
#define SERVICE_ALL_ACCESS 0xF01FFu

#define SERVICE_WIN32_OWN_PROCESS 0x10u
#define SERVICE_AUTO_START 2u
#define SERVICE_DEMAND_START 3u
#define SERVICE_ERROR_NORMAL 1u

#define ERROR_INVALID_SERVICE_CONTROL 1052
#define ERROR_SERVICE_REQUEST_TIMEOUT 1053
#define ERROR_SERVICE_ALREADY_RUNNING 1056
#define ERROR_SERVICE_DOES_NOT_EXIST 1060
#define ERROR_SERVICE_CANNOT_ACCEPT_CTRL 1061
#define ERROR_SERVICE_NOT_ACTIVE 1062
#define ERROR_SERVICE_EXISTS 1073

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
typedef SERVICE_STATUS* LPSERVICE_STATUS;

WINAPI_EXPORT SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access);
WINAPI_EXPORT SC_HANDLE OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access);
WINAPI_EXPORT SC_HANDLE CreateServiceA(SC_HANDLE manager, LPCSTR name, LPCSTR displayName, DWORD access,
                                       DWORD serviceType, DWORD startType, DWORD errorControl, LPCSTR binaryPath,
                                       LPCSTR loadOrderGroup, LPDWORD tagId, LPCSTR dependencies,
                                       LPCSTR startName, LPCSTR password);
WINAPI_EXPORT BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv);
WINAPI_EXPORT BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
WINAPI_EXPORT BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);
WINAPI_EXPORT BOOL DeleteService(SC_HANDLE service);
WINAPI_EXPORT BOOL CloseServiceHandle(SC_HANDLE handle);

namespace win::services {
// How long a service takes to stop after a stop request (tests, fixtures).
WIN_CLASS bool SetStopDelay(const char* name, DWORD milliseconds);
}  // namespace win::services
