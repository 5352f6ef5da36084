#pragma once
// What the plot controls ask of the common services beyond files and
// memory: program starts, rubber-band tracking and the user-rights checks.
//
// Rights: when security is off (IsSecurityEnabled) every right is held.
// When it is on, the logged-in user's rights are the workstation ini's
// section "UserRights", key = the user name, a 64-bit mask in decimal or
// "0x" hexadecimal; a missing or unreadable value holds no right.
// Privilege n is bit n of the mask.
#include <cstdint>

#include "orvik32/orvik32.h"

// Privilege to select and edit background corrections.
#define ORVIK_PRIV_BACKGROUND_CORRECTION 16
// Privilege to view secured data files.
#define ORVIK_PRIV_VIEW_DATA 1

// TrackRubberRect results.
#define ORVIK_TRACK_RUNNING 1
#define ORVIK_TRACK_ENDED 2
#define ORVIK_TRACK_BEGUN 3

// Starts program (quoted or not) with the command-line text after it.
// Nonzero when the program was started.
ORVIK_API BOOL LaunchProgram(const char* program, const char* commandLine, int32_t showMode);
// Starts program with the arguments (a null-terminated list, each handed
// over whole, whatever characters it holds). Nonzero when it was started.
ORVIK_API BOOL LaunchProgramWithArguments(const char* program, const char* const* arguments, int32_t showMode);
// One step of a rubber-band drag in window: WM_LBUTTONDOWN begins it (3),
// WM_MOUSEMOVE moves the band (1), WM_LBUTTONUP ends it (2) with the
// rectangle in client pixels, left <= right and top <= bottom.
ORVIK_API int32_t TrackRubberRect(HWND window, UINT mouseMessage, int32_t x, int32_t y, RECT* rect);
ORVIK_API uint64_t GetCurrentUserRights();
// Nonzero when the rights hold the privilege (always with security off).
ORVIK_API BOOL CheckUserPrivilege(HWND window, int32_t reserved, uint64_t rights, int32_t privilege,
                                  int32_t reserved2, const char* actionTitle, int32_t showRefusal);
// Asks for the reason of a change in a modal dialog (edit id 100, OK,
// Cancel); nonzero when the user gave a reason, copied into reason
// (at most ORVIK_REASON_SIZE bytes with the terminator).
#define ORVIK_REASON_SIZE 256
#define ORVIK_REASON_DIALOG "ORVIK_CHANGE_REASON"
#define ORVIK_REASON_EDIT 100
ORVIK_API BOOL AskChangeReason(HWND window, const char* prompt, char* reason);
// Nonzero when the data file may be shown: it exists and, with security
// on, the user holds ORVIK_PRIV_VIEW_DATA. pathOrRecord: a path, or a
// record whose first field is the path.
ORVIK_API BOOL VerifyDataFile(void* reserved, const void* pathOrRecord, int32_t mode);
