#pragma once
// Messages of the reference-spectra overlay control ("KELT_OP1") and of the
// background-correction dialog that edits its reference spectra.
#include "win/win_user.h"

// To the control.
#define OP1M_PRINT (WM_USER + 110)
#define OP1M_NOSHOWACTIVEBUTTONS (WM_USER + 120)
#define OP1M_GETACTIVEINDEX (WM_USER + 121)  // LPARAM: int16_t* receiving the active plot
#define OP1M_SETACTIVEINDEX (WM_USER + 122)  // WPARAM marker state, LPARAM active plot
#define OP1M_SETSELECTREFMODE (WM_USER + 130)
#define OP1M_SETDELETEREFMODE (WM_USER + 131)
#define OP1M_ADDREFSPT (WM_USER + 132)
#define OP1M_DELETEREFSPT (WM_USER + 133)
#define OP1M_DOAUTOBACKCORR (WM_USER + 135)
#define OP1M_REMOVEONEREFSPTS (WM_USER + 138)
#define OP1M_SETREFSPTAVERAGE (WM_USER + 140)  // WPARAM: scans per reference spectrum
#define OP1M_SPECIALREFSPTINDEX (WM_USER + 141)
#define OP1M_SHOWREFSPTS (WM_USER + 142)
#define OP1M_SHOWBASELINERESULT (WM_USER + 143)  // LPARAM: one 38-byte baseline result
#define OP1M_EDITREFSPTSDLGCLOSED (WM_USER + 144)
#define OP1M_SHOWPLOTSSTACKED (WM_USER + 147)
#define OP1M_SHOWPLOTSOVERLAID (WM_USER + 148)
#define OP1M_SHOWPLOTSNORMALIZED (WM_USER + 149)
#define OP1M_SHOWPLOTSWITHDUALSCALES (WM_USER + 150)
#define OP1M_EDITBACKGROUNDCORRECTION (WM_USER + 151)
#define OP1M_PRINTACTIVEPLOT (WM_USER + 153)
#define OP1M_TWOBCTIMES (WM_USER + 155)  // LPARAM: two doubles, or 0
#define OP1M_NEWACTIVEINDEX (WM_USER + 156)
#define OP1M_CALBCPLOTVALUES (WM_USER + 157)
#define OP1M_GETOVERLAYPOINTER (WM_USER + 158)
#define OP1M_SHOWALLHIDDENPLOTS (WM_USER + 160)
#define OP1M_ASKUSERFORFILES (WM_USER + 145)
#define OP1M_INTERNAL_1 (WM_USER + 146)  // applies a confirmed plot selection
#define OP1M_SETMARKERINFO (WM_USER + 68)  // LPARAM: STRUCT_SPT_MARKER_INFO
#define OP1M_PRINTALLPLOTS (WM_USER + 152)
#define OP1M_PRINTONEPLOT (WM_USER + 154)  // WPARAM slot, LPARAM STRUCT_OPLOT_PRINT_PLOT
#define OP1M_EXCHANGEPLOTS (WM_USER + 159)  // LPARAM: 20 int16_t, entry k names the plot slot k takes
#define OP1M_RESTOREALLPLOTPOSITIONS (WM_USER + 161)
#define OP1M_DISPLAYSETFILE (WM_USER + 89)
#define OP1M_DISPLAYCLEARFILE (WM_USER + 90)
#define OP1M_DISPLAYSETTIMERANGE (WM_USER + 91)

// Commands.
#define OP1_CMD_EDIT_BACKGROUND 2711
#define OP1_CMD_PRINT_ACTIVE 2712
#define OP1_CMD_STACKED 2719
#define OP1_CMD_OVERLAID 2720
#define OP1_CMD_NORMALIZED 2721
#define OP1_CMD_DUAL_SCALE 2722
#define OP1_CMD_SELECT_FILES 2723
#define OP1_CMD_SHOW_ALL 2737
#define OP1_CMD_ADD_REFERENCE_PLOT 2743
#define OP1_CMD_DELETE_REFERENCE_PLOTS 2744
// Sent by hosts (no toolbar button or menu text in this library).
#define OP1_CMD_RT_STACKED 2745
#define OP1_CMD_RT_OVERLAID 2746
#define OP1_CMD_RT_NORMALIZED 2747
#define OP1_CMD_RT_ZOOM 2748
#define OP1_CMD_RT_INTEGRATE_AREA 2749
#define OP1_CMD_RT_INTEGRATE_ACTIVE 2750
#define OP1_CMD_RT_INTEGRATE_ALL 2751
#define OP1_CMD_RT_INTEGRATE_TIME_RANGE 2752
#define OP1_CMD_PRINT_PLOT0 2960  // 2960..2979: print plot n
#define OP1_CMD_EDIT_REFSPTS0 3100  // 3100..3119: edit the reference spectra of plot n

// To the background-correction dialog.
#define BCM_SETSPECTRACOUNT (WM_USER + 66)  // WPARAM: spectrum count of the edited plot
#define BCM_SETPLOTINDEX (WM_USER + 67)     // WPARAM: the edited plot

// Notification to the parent: the active plot changed.
#define OP1N_ACTIVE_PLOT_CHANGED 100
// Notifications to the parent after a plot selection: the selection will be
// applied, a file was added, the selection was applied.
#define OP1N_SELECTION_PENDING 40
#define OP1N_FILE_ADDED 43
#define OP1N_SELECTION_APPLIED 44
