// The grid control: cells, selection, list cells, painting and the mouse
// and key handling that drive its notifications.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ss32d25.h"
#include "win/win_gdi.h"
#include "win/win_kernel.h"
#include "win/win_user.h"

namespace {

struct Cell {
  int type = SS_CELL_TEXT;
  std::string text;                // text cells
  std::vector<std::string> items;  // list cells
  int value = -1;                  // list cells: the chosen item
};

struct Grid {
  HWND hwnd = nullptr;
  int rows = 0;
  int ids[SS_COLUMNS + 1] = {0, 1, 2, 3};
  int widths[SS_COLUMNS + 1] = {0, 120, 80, 80};
  std::string titles[SS_COLUMNS + 1];
  std::vector<Cell> cells;  // (rows + 1) x (SS_COLUMNS + 1)
  int activeCol = 1, activeRow = 1;
  bool selected = false;
  SS_CELLCOORD selFrom{0, 0}, selTo{0, 0};
  int topRow = 1;
  bool editing = false;
  HFONT font = nullptr;
  int anchorRow = 1;

  Cell* At(int col, int row) {
    if (col < 1 || col > SS_COLUMNS || row < 0 || row > rows) return nullptr;
    return &cells[size_t(row) * (SS_COLUMNS + 1) + size_t(col)];
  }
  void Resize(int n) {
    std::vector<Cell> next(size_t(n + 1) * (SS_COLUMNS + 1));
    for (int r = 0; !cells.empty() && r <= std::min(n, rows); ++r)
      for (int c = 1; c <= SS_COLUMNS; ++c) next[size_t(r) * (SS_COLUMNS + 1) + size_t(c)] = *At(c, r);
    cells.swap(next);
    rows = n;
    if (activeRow > rows) activeRow = rows > 0 ? rows : 1;
  }
  int RowHeight() const { return 18; }
  int HeaderHeight() const { return 20; }
};

const char kProp[] = "SS32Grid";

Grid* Of(HWND hwnd) { return hwnd ? static_cast<Grid*>(GetPropA(hwnd, kProp)) : nullptr; }

LRESULT Notify(Grid* g, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND parent = GetParent(g->hwnd);
  return parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
}

std::string CellText(const Cell& c) {
  if (c.type == SS_CELL_LIST) return c.value >= 0 && c.value < int(c.items.size()) ? c.items[size_t(c.value)] : "";
  return c.text;
}

std::vector<std::string> SplitItems(const char* items) {
  std::vector<std::string> out;
  std::string item;
  for (const char* p = items ? items : ""; *p; ++p) {
    if (*p == '\t') {
      out.push_back(item);
      item.clear();
    } else {
      item += *p;
    }
  }
  if (!item.empty()) out.push_back(item);
  return out;
}

int ColumnLeft(const Grid* g, int col) {
  int x = 0;
  for (int c = 1; c < col; ++c) x += g->widths[c];
  return x;
}

int VisibleRows(const Grid* g) {
  RECT r{};
  GetClientRect(g->hwnd, &r);
  return std::max(1, (r.bottom - g->HeaderHeight()) / g->RowHeight());
}

void Invalidate(Grid* g) { InvalidateRect(g->hwnd, nullptr, TRUE); }

void ScrollInto(Grid* g, int row) {
  const int visible = VisibleRows(g);
  if (row < g->topRow) g->topRow = std::max(1, row);
  else if (row >= g->topRow + visible) g->topRow = row - visible + 1;
}

bool InSelection(const Grid* g, int col, int row) {
  if (!g->selected) return false;
  const int c1 = g->selFrom.col, c2 = g->selTo.col;
  const int r1 = std::min(g->selFrom.row, g->selTo.row), r2 = std::max(g->selFrom.row, g->selTo.row);
  const bool rowIn = g->selFrom.row == -1 || (row >= r1 && row <= r2);
  const bool colIn = c1 == -1 || (col >= std::min(c1, c2) && col <= std::max(c1, c2));
  return rowIn && colIn;
}

void Paint(Grid* g) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(g->hwnd, &ps);
  RECT client{};
  GetClientRect(g->hwnd, &client);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  HBRUSH face = CreateSolidBrush(RGB(212, 208, 200));
  HBRUSH selection = CreateSolidBrush(RGB(204, 224, 255));
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FillRect(dc, &client, white);
  HGDIOBJ oldFont = SelectObject(dc, g->font ? g->font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  HPEN gridPen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  HGDIOBJ oldPen = SelectObject(dc, gridPen);
  // Header.
  for (int c = 1; c <= SS_COLUMNS; ++c) {
    RECT h{ColumnLeft(g, c), 0, ColumnLeft(g, c) + g->widths[c], g->HeaderHeight()};
    FillRect(dc, &h, face);
    DrawEdge(dc, &h, EDGE_RAISED, BF_RECT);
    RECT t = h;
    t.left += 4;
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextA(dc, g->titles[c].c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  const int visible = VisibleRows(g) + 1;
  for (int i = 0; i < visible; ++i) {
    const int row = g->topRow + i;
    if (row > g->rows) break;
    const int y = g->HeaderHeight() + i * g->RowHeight();
    for (int c = 1; c <= SS_COLUMNS; ++c) {
      RECT r{ColumnLeft(g, c), y, ColumnLeft(g, c) + g->widths[c], y + g->RowHeight()};
      if (InSelection(g, c, row)) FillRect(dc, &r, selection);
      const Cell* cell = g->At(c, row);
      RECT t = r;
      t.left += 3;
      t.right -= cell->type == SS_CELL_LIST ? 14 : 2;
      SetTextColor(dc, RGB(0, 0, 0));
      const std::string text = CellText(*cell);
      DrawTextA(dc, text.c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      if (cell->type == SS_CELL_LIST) {
        // The drop-down button of a list cell.
        RECT b{r.right - 13, r.top + 2, r.right - 2, r.bottom - 2};
        FillRect(dc, &b, face);
        DrawEdge(dc, &b, EDGE_RAISED, BF_RECT);
        const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
        for (int k = 0; k < 3; ++k) {
          MoveToEx(dc, cx - 2 + k, cy - 1 + k, nullptr);
          LineTo(dc, cx + 3 - k, cy - 1 + k);
        }
      }
      MoveToEx(dc, r.left, r.bottom - 1, nullptr);
      LineTo(dc, r.right, r.bottom - 1);
      MoveToEx(dc, r.right - 1, r.top, nullptr);
      LineTo(dc, r.right - 1, r.bottom);
      if (c == g->activeCol && row == g->activeRow) FrameRect(dc, &r, black);
    }
  }
  SelectObject(dc, oldPen);
  DeleteObject(gridPen);
  SelectObject(dc, oldFont);
  DeleteObject(white);
  DeleteObject(face);
  DeleteObject(selection);
  DeleteObject(black);
  EndPaint(g->hwnd, &ps);
}

// The cell under a client point; false outside the cells.
bool Hit(Grid* g, int x, int y, int* col, int* row) {
  if (y < g->HeaderHeight()) return false;
  const int r = g->topRow + (y - g->HeaderHeight()) / g->RowHeight();
  if (r < 1 || r > g->rows) return false;
  int left = 0;
  for (int c = 1; c <= SS_COLUMNS; ++c) {
    if (x >= left && x < left + g->widths[c]) {
      *col = c;
      *row = r;
      return true;
    }
    left += g->widths[c];
  }
  return false;
}

void EndEdit(Grid* g) {
  if (!g->editing) return;
  g->editing = false;
  Notify(g, SSN_EDITEND, 0, 0);
}

void Activate(Grid* g, int col, int row) {
  EndEdit(g);
  g->activeCol = col;
  g->activeRow = row;
  ScrollInto(g, row);
  Notify(g, SSN_ACTIVECELL, 0, 0);
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Grid* g = Of(hwnd);
  switch (msg) {
    case WM_CREATE: {
      g = new Grid;
      g->hwnd = hwnd;
      g->Resize(0);
      g->titles[1] = "File";
      g->titles[2] = "Plot Type";
      g->titles[3] = "Scans";
      SetPropA(hwnd, kProp, g);
      return 0;
    }
    case WM_NCDESTROY:
      RemovePropA(hwnd, kProp);
      delete g;
      return 0;
    case WM_SETFONT:
      if (g) g->font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return g ? reinterpret_cast<LRESULT>(g->font) : 0;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_PAINT:
      if (g) Paint(g);
      return 0;
    case SSM_SETMAXROWS:
      if (!g) return SS_ERR_CELL;
      if (int(lParam) < 0 || int(lParam) > SS_MAX_ROWS) return SS_ERR_ROWS;
      g->Resize(int(lParam));
      Invalidate(g);
      return 0;
    case SSM_GETCOLFROMID:
      if (g)
        for (int c = 1; c <= SS_COLUMNS; ++c)
          if (g->ids[c] == int(lParam)) return c;
      return 0;
    case SSM_GETIDFROMCOL:
      return g && int(lParam) >= 1 && int(lParam) <= SS_COLUMNS ? g->ids[lParam] : 0;
    case SSM_REFRESHROWS:
      if (g) Invalidate(g);
      return 0;
    case WM_LBUTTONDOWN: {
      if (!g) return 0;
      SetFocus(hwnd);
      int col = 0, row = 0;
      if (!Hit(g, short(LOWORD(lParam)), short(HIWORD(lParam)), &col, &row)) return 0;
      const bool shift = (wParam & MK_SHIFT) != 0;
      if (!shift) g->anchorRow = row;
      Activate(g, col, row);
      g->selected = true;
      g->selFrom = {col, shift ? g->anchorRow : row};
      g->selTo = {col, row};
      if (shift) {
        // Shift extends to whole rows, as the multiple-row commands want.
        g->selFrom = {-1, std::min(g->anchorRow, row)};
        g->selTo = {-1, std::max(g->anchorRow, row)};
      }
      Invalidate(g);
      Notify(g, SSN_SELCHANGE, 0, 0);
      return 0;
    }
    case WM_KEYDOWN: {
      if (!g) return 0;
      const int vk = int(wParam);
      if (vk == VK_RETURN || vk == VK_TAB) {
        EndEdit(g);
        return 0;
      }
      if (vk == VK_UP || vk == VK_DOWN) {
        const int row = std::clamp(g->activeRow + (vk == VK_UP ? -1 : 1), 1, std::max(1, g->rows));
        Activate(g, g->activeCol, row);
        g->selected = true;
        g->selFrom = g->selTo = {g->activeCol, row};
        Invalidate(g);
        Notify(g, SSN_SELCHANGE, 0, 0);
        return 0;
      }
      const Cell* cell = g->At(g->activeCol, g->activeRow);
      if (!cell || cell->type != SS_CELL_LIST) return 0;
      if (!g->editing && vk != VK_SHIFT && vk != VK_CONTROL) {
        g->editing = true;
        Notify(g, SSN_EDITSTART, 0, 0);
      }
      const WPARAM shift = (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0;
      Notify(g, SSN_KEY, MAKEWPARAM(vk, shift), 0);
      return 0;
    }
    case WM_KILLFOCUS:
      if (g) EndEdit(g);
      return 0;
    case WM_SIZE:
      if (g) Invalidate(g);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

BOOL RegisterGridClass() {
  WNDCLASSA existing{};
  if (GetClassInfoA(nullptr, SS_GRID_CLASS, &existing)) return TRUE;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = GridProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = SS_GRID_CLASS;
  return RegisterClassA(&wc) != 0 ? TRUE : FALSE;
}

BOOL SetGridColumnId(HWND grid, int32_t col, int32_t id) {
  Grid* g = Of(grid);
  if (!g || col < 1 || col > SS_COLUMNS) return FALSE;
  g->ids[col] = id;
  return TRUE;
}

int32_t GetGridRowCount(HWND grid) {
  Grid* g = Of(grid);
  return g ? g->rows : 0;
}

BOOL GetGridActiveCell(HWND grid, int32_t* col, int32_t* row) {
  Grid* g = Of(grid);
  if (!g) return FALSE;
  if (col) *col = g->activeCol;
  if (row) *row = g->activeRow;
  return TRUE;
}

BOOL GetGridSelectedBlock(HWND grid, SS_CELLCOORD* topLeft, SS_CELLCOORD* bottomRight) {
  Grid* g = Of(grid);
  if (!g || !g->selected) return FALSE;
  SS_CELLCOORD a = g->selFrom, b = g->selTo;
  if (a.col != -1 && a.col > b.col) std::swap(a.col, b.col);
  if (a.row != -1 && a.row > b.row) std::swap(a.row, b.row);
  if (topLeft) *topLeft = a;
  if (bottomRight) *bottomRight = b;
  return TRUE;
}

BOOL SetGridSelectedBlock(HWND grid, const SS_CELLCOORD* from, const SS_CELLCOORD* to) {
  Grid* g = Of(grid);
  if (!g || !from || !to) return FALSE;
  g->selected = true;
  g->selFrom = *from;
  g->selTo = *to;
  if (from->row > 0) ScrollInto(g, from->row);
  Invalidate(g);
  return TRUE;
}

int32_t GetGridCellText(HWND grid, int32_t col, int32_t row, char* buffer) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c || !buffer) return -1;
  const std::string text = row == 0 ? g->titles[col] : CellText(*c);
  std::snprintf(buffer, SS_MAX_TEXT, "%s", text.c_str());
  return int32_t(std::strlen(buffer));
}

int32_t GetGridCellValueText(HWND grid, int32_t col, int32_t row, char* buffer) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c || !buffer) return -1;
  buffer[0] = 0;
  if (c->type == SS_CELL_LIST && c->value >= 0) std::snprintf(buffer, SS_MAX_TEXT, "%d", c->value);
  else if (c->type == SS_CELL_TEXT) std::snprintf(buffer, SS_MAX_TEXT, "%s", c->text.c_str());
  return int32_t(std::strlen(buffer));
}

BOOL SetGridCellText(HWND grid, int32_t col, int32_t row, const char* text) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c) return FALSE;
  if (row == 0) {
    g->titles[col] = text ? text : "";
  } else if (c->type == SS_CELL_LIST) {
    char* end = nullptr;
    const long v = text && *text ? std::strtol(text, &end, 10) : -1;
    if (text && *text && (!end || *end || v < 0 || v >= long(c->items.size()))) return FALSE;
    c->value = int(v);
  } else {
    c->text = std::string(text ? text : "").substr(0, SS_MAX_TEXT - 1);
  }
  Invalidate(g);
  return TRUE;
}

BOOL SetGridActiveCell(HWND grid, int32_t col, int32_t row) {
  Grid* g = Of(grid);
  if (!g || !g->At(col, row) || row < 1) return FALSE;
  EndEdit(g);
  g->activeCol = col;
  g->activeRow = row;
  ScrollInto(g, row);
  Invalidate(g);
  return TRUE;
}

BOOL GetGridCellType(HWND grid, int32_t col, int32_t row, SS_CELLTYPE* type) {
  Grid* g = Of(grid);
  if (!g || !type || col < 1 || col > SS_COLUMNS) return FALSE;
  const Cell* c = row == -1 ? (g->rows > 0 ? g->At(col, 1) : nullptr) : g->At(col, row);
  std::memset(type, 0, sizeof *type);
  type->type = c ? c->type : SS_CELL_TEXT;
  return TRUE;
}

BOOL SetGridListType(HWND grid, SS_CELLTYPE* type, int32_t style, const char* items) {
  if (!Of(grid) || !type || !items) return FALSE;
  if (std::strlen(items) >= SS_MAX_LIST) return FALSE;
  std::memset(type, 0, sizeof *type);
  type->type = SS_CELL_LIST;
  type->style = style;
  std::snprintf(type->items, sizeof type->items, "%s", items);
  return TRUE;
}

BOOL SetGridCellType(HWND grid, int32_t col, int32_t row, const SS_CELLTYPE* type) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c || !type || row < 1) return FALSE;
  c->type = type->type == SS_CELL_LIST ? SS_CELL_LIST : SS_CELL_TEXT;
  c->items = c->type == SS_CELL_LIST ? SplitItems(type->items) : std::vector<std::string>{};
  c->value = -1;
  Invalidate(g);
  return TRUE;
}

BOOL ResetGridCell(HWND grid, int32_t col, int32_t row, int32_t, int32_t, int32_t) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c || row < 1) return FALSE;
  *c = Cell{};
  Invalidate(g);
  return TRUE;
}

BOOL ClearGridRange(HWND grid, int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  Grid* g = Of(grid);
  if (!g) return FALSE;
  const int c1 = col1 == -1 ? 1 : col1, c2 = col2 == -1 ? SS_COLUMNS : col2;
  for (int r = std::max(1, row1); r <= std::min(g->rows, row2); ++r)
    for (int c = std::max(1, c1); c <= std::min(SS_COLUMNS, c2); ++c) {
      Cell* cell = g->At(c, r);
      cell->text.clear();
      cell->value = -1;
    }
  Invalidate(g);
  return TRUE;
}

BOOL SwapGridRows(HWND grid, int32_t, int32_t row1, int32_t, int32_t row2, int32_t, int32_t destRow) {
  Grid* g = Of(grid);
  if (!g || row1 < 1 || row2 < row1 || row2 > g->rows) return FALSE;
  const int n = row2 - row1 + 1;
  if (destRow < 1 || destRow + n - 1 > g->rows) return FALSE;
  for (int i = 0; i < n; ++i)
    for (int c = 1; c <= SS_COLUMNS; ++c) std::swap(*g->At(c, row1 + i), *g->At(c, destRow + i));
  return TRUE;
}

void RefreshGrid(HWND grid) {
  if (Grid* g = Of(grid)) Invalidate(g);
}

BOOL GetGridCellArea(HWND grid, RECT* rect) {
  Grid* g = Of(grid);
  if (!g || !rect) return FALSE;
  GetClientRect(grid, rect);
  rect->top = g->HeaderHeight();
  return TRUE;
}

BOOL SetGridColumnWidthPixels(HWND grid, int32_t col, int32_t pixels) {
  Grid* g = Of(grid);
  if (!g || col < 1 || col > SS_COLUMNS || pixels < 0) return FALSE;
  g->widths[col] = pixels;
  Invalidate(g);
  return TRUE;
}

BOOL GetGridColumnWidthPixels(HWND grid, int32_t col, int32_t* pixels) {
  Grid* g = Of(grid);
  if (!g || !pixels || col < 1 || col > SS_COLUMNS) return FALSE;
  *pixels = g->widths[col];
  return TRUE;
}

BOOL GetGridRowHeightPixels(HWND grid, int32_t row, int32_t* pixels) {
  Grid* g = Of(grid);
  if (!g || !pixels) return FALSE;
  *pixels = row == SS_HEADER_ROW || row == 0 ? g->HeaderHeight() : g->RowHeight();
  return TRUE;
}

HFONT GetGridCellFont(HWND grid, int32_t, int32_t) {
  Grid* g = Of(grid);
  if (!g) return nullptr;
  return g->font ? g->font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

BOOL IsGridCellVisible(HWND grid, int32_t col, int32_t row, int32_t) {
  Grid* g = Of(grid);
  if (!g || !g->At(col, row)) return FALSE;
  return row >= g->topRow && row < g->topRow + VisibleRows(g) ? TRUE : FALSE;
}

int32_t GetGridTopRow(HWND grid) {
  Grid* g = Of(grid);
  return g ? g->topRow : 1;
}

BOOL ChooseGridListItem(HWND grid, int32_t col, int32_t row, int32_t item) {
  Grid* g = Of(grid);
  Cell* c = g ? g->At(col, row) : nullptr;
  if (!c || row < 1 || c->type != SS_CELL_LIST || item < 0 || item >= int32_t(c->items.size())) return FALSE;
  if (g->activeCol != col || g->activeRow != row) Activate(g, col, row);
  g->selected = true;
  g->selFrom = g->selTo = {col, row};
  Notify(g, SSN_SELCHANGE, 0, 0);
  c->value = item;
  Invalidate(g);
  SS_LISTPICK pick{int16_t(g->ids[col]), 0, int16_t(row), int16_t(item)};
  Notify(g, SSN_LISTPICK, 0, reinterpret_cast<LPARAM>(&pick));
  return TRUE;
}
