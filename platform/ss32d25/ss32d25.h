#pragma once
// A spreadsheet grid control, window class "CSBSPREAD32": a header row
// (row 0) over numbered rows (1..count), columns 1..3 with ids of their
// own, text cells and drop-down list cells whose value is the number of the
// chosen item. It runs headless like every control here: the mouse picks
// cells and rows, keys go to the active list cell, and ChooseGridListItem
// picks from a cell's list as a user would from its drop-down.
//
// Notifications to the parent (sent, lParam as stated):
//   SSN_ACTIVECELL (0x501)     a cell became the active cell
//   SSN_EDITSTART (0x502)      typing started in the active cell
//   SSN_EDITEND (0x503)        typing ended (Enter, Tab or another cell)
//   SSN_KEY (0x50B)            a key: wParam low word the virtual key, bit 0 of the high word shift
//   SSN_COLWIDTH (0x50F)       column widths changed; lParam -> int32 first, last column
//   SSN_SELCHANGE (0x17C0)     the selection changed
//   SSN_SELCHANGING (0x17C1)   the selection is being dragged
//   SSN_LISTPICK (0x17C5)      a list item was chosen; lParam -> SS_LISTPICK
//   SSN_MODULE (0x17C7)        asks the parent for its module handle (the result)
#include <cstdint>

#include "win/win_types.h"

#define SS_API extern "C" __attribute__((visibility("default")))

#define SS_GRID_CLASS "CSBSPREAD32"
#define SS_MAX_TEXT 512      // cell texts, with the terminator
#define SS_MAX_LIST 4096     // a list cell's items, tab-ended, with the terminator
#define SS_COLUMNS 3
#define SS_MAX_ROWS 100
#define SS_HEADER_ROW (-32767)  // GetGridRowHeightPixels: the header row

#define SSM_SETMAXROWS 0x178F   // (0, rows): 0, or an error number
#define SSM_GETCOLFROMID 0x1796 // (0, id): the column number, 0 when none
#define SSM_GETIDFROMCOL 0x1797 // (0, column): the column's id
#define SSM_REFRESHROWS 0x17AF  // (0, 0): repaint

#define SSN_ACTIVECELL 0x501
#define SSN_EDITSTART 0x502
#define SSN_EDITEND 0x503
#define SSN_KEY 0x50B
#define SSN_COLWIDTH 0x50F
#define SSN_SELCHANGE 0x17C0
#define SSN_SELCHANGING 0x17C1
#define SSN_LISTPICK 0x17C5
#define SSN_MODULE 0x17C7

#define SS_CELL_TEXT 1
#define SS_CELL_LIST 2
#define SS_RESET_ALL 0x14B     // ResetGridCell: type, text and value

#define SS_ERR_ROWS 1          // a row count out of range
#define SS_ERR_CELL 2          // a cell that does not exist

struct SS_CELLCOORD {
  int32_t col;
  int32_t row;
};
struct SS_LISTPICK {
  int16_t columnId;
  int16_t reserved;
  int16_t row;
  int16_t item;
};
struct SS_CELLTYPE {
  int32_t type;    // SS_CELL_TEXT or SS_CELL_LIST
  int32_t style;
  char items[SS_MAX_LIST];  // list cells: each item ended by a tab
};

// Registers the window class (once); nonzero when it is usable.
SS_API BOOL RegisterGridClass();
SS_API BOOL SetGridColumnId(HWND grid, int32_t col, int32_t id);
SS_API int32_t GetGridRowCount(HWND grid);
SS_API BOOL GetGridActiveCell(HWND grid, int32_t* col, int32_t* row);
// 0 when nothing is selected; -1 stands for all rows or all columns.
SS_API BOOL GetGridSelectedBlock(HWND grid, SS_CELLCOORD* topLeft, SS_CELLCOORD* bottomRight);
SS_API BOOL SetGridSelectedBlock(HWND grid, const SS_CELLCOORD* from, const SS_CELLCOORD* to);
// Text of a cell (for list cells the chosen item's text) into buffer of
// SS_MAX_TEXT bytes; its length, 0 when empty, -1 for no such cell.
SS_API int32_t GetGridCellText(HWND grid, int32_t col, int32_t row, char* buffer);
// A list cell's value as decimal text (empty when none is chosen).
SS_API int32_t GetGridCellValueText(HWND grid, int32_t col, int32_t row, char* buffer);
// Text of a text cell (row 0: the column's title), the decimal item number of a list cell.
SS_API BOOL SetGridCellText(HWND grid, int32_t col, int32_t row, const char* text);
SS_API BOOL SetGridActiveCell(HWND grid, int32_t col, int32_t row);
SS_API BOOL GetGridCellType(HWND grid, int32_t col, int32_t row, SS_CELLTYPE* type);
// A list type of style with items (each ended by a tab).
SS_API BOOL SetGridListType(HWND grid, SS_CELLTYPE* type, int32_t style, const char* items);
SS_API BOOL SetGridCellType(HWND grid, int32_t col, int32_t row, const SS_CELLTYPE* type);
SS_API BOOL ResetGridCell(HWND grid, int32_t col, int32_t row, int32_t what, int32_t reserved1, int32_t reserved2);
// Clears the cells' data (col -1: all columns).
SS_API BOOL ClearGridRange(HWND grid, int32_t col1, int32_t row1, int32_t col2, int32_t row2);
// Exchanges the cells of rows row1..row2 with those from destRow on.
SS_API BOOL SwapGridRows(HWND grid, int32_t col1, int32_t row1, int32_t col2, int32_t row2, int32_t count,
                         int32_t destRow);
SS_API void RefreshGrid(HWND grid);
// The cell area (client pixels, header excluded).
SS_API BOOL GetGridCellArea(HWND grid, RECT* rect);
SS_API BOOL SetGridColumnWidthPixels(HWND grid, int32_t col, int32_t pixels);
SS_API BOOL GetGridColumnWidthPixels(HWND grid, int32_t col, int32_t* pixels);
SS_API BOOL GetGridRowHeightPixels(HWND grid, int32_t row, int32_t* pixels);
SS_API HFONT GetGridCellFont(HWND grid, int32_t col, int32_t row);
SS_API BOOL IsGridCellVisible(HWND grid, int32_t col, int32_t row, int32_t whole);
// The first row in view.
SS_API int32_t GetGridTopRow(HWND grid);
// A user's choice from a list cell's drop-down: becomes the active cell,
// takes the item and notifies SSN_LISTPICK. FALSE for no such item.
SS_API BOOL ChooseGridListItem(HWND grid, int32_t col, int32_t row, int32_t item);
