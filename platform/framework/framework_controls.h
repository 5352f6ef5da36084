#pragma once
// Thin wrappers of the standard and common controls: each creates its
// control class and sends the control's messages.
#include "framework_wnd.h"
#include "win/win_commctrl.h"

#define FX_SEND(msg, w, l) ::SendMessageA(m_hWnd, (msg), (WPARAM)(w), (LPARAM)(l))

class FRAMEWORK_CLASS CButton : public CWnd {
 public:
  BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_BUTTONA, text, style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(FX_SEND(BM_GETCHECK, 0, 0)); }
  void SetCheck(int check) { FX_SEND(BM_SETCHECK, check, 0); }
  UINT GetState() const { return static_cast<UINT>(FX_SEND(BM_GETSTATE, 0, 0)); }
  void SetState(BOOL pushed) { FX_SEND(BM_SETSTATE, pushed, 0); }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { FX_SEND(BM_SETSTYLE, style, redraw); }
  HBITMAP SetBitmap(HBITMAP b) { return reinterpret_cast<HBITMAP>(FX_SEND(BM_SETIMAGE, IMAGE_BITMAP, b)); }
};

class FRAMEWORK_CLASS CStatic : public CWnd {
 public:
  BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
    return CWnd::Create(WC_STATICA, text, style, rect, parent, id);
  }
  HBITMAP SetBitmap(HBITMAP b) { return reinterpret_cast<HBITMAP>(FX_SEND(STM_SETIMAGE, IMAGE_BITMAP, b)); }
};

class FRAMEWORK_CLASS CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_EDITA, nullptr, style, rect, parent, id);
  }
  void SetLimitText(UINT max) { FX_SEND(EM_LIMITTEXT, max, 0); }
  void LimitText(int max = 0) { FX_SEND(EM_LIMITTEXT, max, 0); }
  void SetSel(int start, int end, BOOL noScroll = FALSE) {
    FX_SEND(EM_SETSEL, start, end);
    if (!noScroll) FX_SEND(EM_SCROLLCARET, 0, 0);
  }
  DWORD GetSel() const { return static_cast<DWORD>(FX_SEND(EM_GETSEL, 0, 0)); }
  void ReplaceSel(LPCSTR text, BOOL undo = FALSE) { FX_SEND(EM_REPLACESEL, undo, text); }
  int GetLineCount() const { return static_cast<int>(FX_SEND(EM_GETLINECOUNT, 0, 0)); }
  BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(FX_SEND(EM_SETREADONLY, readOnly, 0)); }
};

class FRAMEWORK_CLASS CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_LISTBOXA, nullptr, style, rect, parent, id);
  }
  int AddString(LPCSTR s) { return static_cast<int>(FX_SEND(LB_ADDSTRING, 0, s)); }
  int InsertString(int i, LPCSTR s) { return static_cast<int>(FX_SEND(LB_INSERTSTRING, i, s)); }
  int DeleteString(UINT i) { return static_cast<int>(FX_SEND(LB_DELETESTRING, i, 0)); }
  void ResetContent() { FX_SEND(LB_RESETCONTENT, 0, 0); }
  int GetCount() const { return static_cast<int>(FX_SEND(LB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(FX_SEND(LB_GETCURSEL, 0, 0)); }
  int SetCurSel(int i) { return static_cast<int>(FX_SEND(LB_SETCURSEL, i, 0)); }
  int GetText(int i, LPSTR buffer) const { return static_cast<int>(FX_SEND(LB_GETTEXT, i, buffer)); }
  int GetTextLen(int i) const { return static_cast<int>(FX_SEND(LB_GETTEXTLEN, i, 0)); }
  DWORD_PTR GetItemData(int i) const { return static_cast<DWORD_PTR>(FX_SEND(LB_GETITEMDATA, i, 0)); }
  int SetItemData(int i, DWORD_PTR d) { return static_cast<int>(FX_SEND(LB_SETITEMDATA, i, d)); }
  int GetSel(int i) const { return static_cast<int>(FX_SEND(LB_GETSEL, i, 0)); }
  int SetSel(int i, BOOL select = TRUE) { return static_cast<int>(FX_SEND(LB_SETSEL, select, i)); }
  int GetSelCount() const { return static_cast<int>(FX_SEND(LB_GETSELCOUNT, 0, 0)); }
  int GetSelItems(int max, int* out) const { return static_cast<int>(FX_SEND(LB_GETSELITEMS, max, out)); }
  int FindString(int after, LPCSTR s) const { return static_cast<int>(FX_SEND(LB_FINDSTRING, after, s)); }
  int FindStringExact(int after, LPCSTR s) const { return static_cast<int>(FX_SEND(LB_FINDSTRINGEXACT, after, s)); }
  void SetHorizontalExtent(int cx) { FX_SEND(LB_SETHORIZONTALEXTENT, cx, 0); }
  int GetTopIndex() const { return static_cast<int>(FX_SEND(LB_GETTOPINDEX, 0, 0)); }
};

class FRAMEWORK_CLASS CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_COMBOBOXA, nullptr, style, rect, parent, id);
  }
  int AddString(LPCSTR s) { return static_cast<int>(FX_SEND(CB_ADDSTRING, 0, s)); }
  int InsertString(int i, LPCSTR s) { return static_cast<int>(FX_SEND(CB_INSERTSTRING, i, s)); }
  int DeleteString(UINT i) { return static_cast<int>(FX_SEND(CB_DELETESTRING, i, 0)); }
  void ResetContent() { FX_SEND(CB_RESETCONTENT, 0, 0); }
  int GetCount() const { return static_cast<int>(FX_SEND(CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(FX_SEND(CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int i) { return static_cast<int>(FX_SEND(CB_SETCURSEL, i, 0)); }
  int GetLBText(int i, LPSTR buffer) const { return static_cast<int>(FX_SEND(CB_GETLBTEXT, i, buffer)); }
  int GetLBTextLen(int i) const { return static_cast<int>(FX_SEND(CB_GETLBTEXTLEN, i, 0)); }
  DWORD_PTR GetItemData(int i) const { return static_cast<DWORD_PTR>(FX_SEND(CB_GETITEMDATA, i, 0)); }
  int SetItemData(int i, DWORD_PTR d) { return static_cast<int>(FX_SEND(CB_SETITEMDATA, i, d)); }
  int FindStringExact(int after, LPCSTR s) const { return static_cast<int>(FX_SEND(CB_FINDSTRINGEXACT, after, s)); }
  int SelectString(int after, LPCSTR s) { return static_cast<int>(FX_SEND(CB_SELECTSTRING, after, s)); }
  BOOL LimitText(int max) { return static_cast<BOOL>(FX_SEND(CB_LIMITTEXT, max, 0)); }
};

class FRAMEWORK_CLASS CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_SCROLLBARA, nullptr, style, rect, parent, id);
  }
  void SetScrollRange(int lo, int hi, BOOL redraw = TRUE) { ::SetScrollRange(m_hWnd, SB_CTL, lo, hi, redraw); }
  void GetScrollRange(int* lo, int* hi) const { ::GetScrollRange(m_hWnd, SB_CTL, lo, hi); }
  int SetScrollPos(int pos, BOOL redraw = TRUE) { return ::SetScrollPos(m_hWnd, SB_CTL, pos, redraw); }
  int GetScrollPos() const { return ::GetScrollPos(m_hWnd, SB_CTL); }
  BOOL SetScrollInfo(LPSCROLLINFO info, BOOL redraw = TRUE) { return ::SetScrollInfo(m_hWnd, SB_CTL, info, redraw); }
  BOOL GetScrollInfo(LPSCROLLINFO info) const { return ::GetScrollInfo(m_hWnd, SB_CTL, info); }
};

class FRAMEWORK_CLASS CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(PROGRESS_CLASSA, nullptr, style, rect, parent, id);
  }
  void SetRange(short lo, short hi) { FX_SEND(PBM_SETRANGE, 0, MAKELPARAM(lo, hi)); }
  void SetRange32(int lo, int hi) { FX_SEND(PBM_SETRANGE32, lo, hi); }
  int SetPos(int pos) { return static_cast<int>(FX_SEND(PBM_SETPOS, pos, 0)); }
  int GetPos() const { return static_cast<int>(FX_SEND(PBM_GETPOS, 0, 0)); }
  int OffsetPos(int delta) { return static_cast<int>(FX_SEND(PBM_DELTAPOS, delta, 0)); }
  int SetStep(int step) { return static_cast<int>(FX_SEND(PBM_SETSTEP, step, 0)); }
  int StepIt() { return static_cast<int>(FX_SEND(PBM_STEPIT, 0, 0)); }
};

class FRAMEWORK_CLASS CSliderCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(TRACKBAR_CLASSA, nullptr, style, rect, parent, id);
  }
  void SetRange(int lo, int hi, BOOL redraw = FALSE) {
    FX_SEND(TBM_SETRANGEMIN, FALSE, lo);
    FX_SEND(TBM_SETRANGEMAX, redraw, hi);
  }
  int GetRangeMin() const { return static_cast<int>(FX_SEND(TBM_GETRANGEMIN, 0, 0)); }
  int GetRangeMax() const { return static_cast<int>(FX_SEND(TBM_GETRANGEMAX, 0, 0)); }
  void SetPos(int pos) { FX_SEND(TBM_SETPOS, TRUE, pos); }
  int GetPos() const { return static_cast<int>(FX_SEND(TBM_GETPOS, 0, 0)); }
  int SetPageSize(int size) { return static_cast<int>(FX_SEND(TBM_SETPAGESIZE, 0, size)); }
  int SetLineSize(int size) { return static_cast<int>(FX_SEND(TBM_SETLINESIZE, 0, size)); }
  void SetTicFreq(int freq) { FX_SEND(TBM_SETTICFREQ, freq, 0); }
};

class FRAMEWORK_CLASS CSpinButtonCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(UPDOWN_CLASSA, nullptr, style, rect, parent, id);
  }
  void SetRange(short lo, short hi) { FX_SEND(UDM_SETRANGE, 0, MAKELPARAM(hi, lo)); }
  void SetRange32(int lo, int hi) { FX_SEND(UDM_SETRANGE32, lo, hi); }
  DWORD GetRange() const { return static_cast<DWORD>(FX_SEND(UDM_GETRANGE, 0, 0)); }
  int SetPos(int pos) { return static_cast<int>(static_cast<short>(FX_SEND(UDM_SETPOS, 0, MAKELPARAM(pos, 0)))); }
  int GetPos() const { return static_cast<int>(FX_SEND(UDM_GETPOS, 0, 0)); }
  CWnd* SetBuddy(CWnd* buddy) {
    return CWnd::FromHandle(reinterpret_cast<HWND>(FX_SEND(UDM_SETBUDDY, buddy ? buddy->m_hWnd : nullptr, 0)));
  }
  CWnd* GetBuddy() const { return CWnd::FromHandle(reinterpret_cast<HWND>(FX_SEND(UDM_GETBUDDY, 0, 0))); }
  int SetBase(int base) { return static_cast<int>(FX_SEND(UDM_SETBASE, base, 0)); }
};

class FRAMEWORK_CLASS CStatusBarCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(STATUSCLASSNAMEA, nullptr, style, rect, parent, id);
  }
  BOOL SetParts(int count, int* rights) { return static_cast<BOOL>(FX_SEND(SB_SETPARTS, count, rights)); }
  BOOL SetText(LPCSTR text, int part, int type) { return static_cast<BOOL>(FX_SEND(SB_SETTEXTA, part | type, text)); }
  int GetText(LPSTR buffer, int part, int* type = nullptr) const {
    LRESULT r = FX_SEND(SB_GETTEXTA, part, buffer);
    if (type) *type = HIWORD(r);
    return LOWORD(r);
  }
  void SetSimple(BOOL simple = TRUE) { FX_SEND(SB_SIMPLE, simple, 0); }
};

class FRAMEWORK_CLASS CToolTipCtrl : public CWnd {
 public:
  BOOL Create(CWnd* parent, DWORD style = 0) {
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, 0, 0, 0, 0,
                    parent ? parent->m_hWnd : nullptr, nullptr);
  }
  BOOL AddTool(CWnd* wnd, LPCSTR text, LPCRECT rect = nullptr, UINT_PTR id = 0) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
    ti.uFlags = rect ? 0 : TTF_IDISHWND;
    ti.uId = rect ? id : reinterpret_cast<UINT_PTR>(ti.hwnd);
    if (rect) ti.rect = *rect;
    ti.lpszText = const_cast<LPSTR>(text ? text : LPSTR_TEXTCALLBACKA);
    return static_cast<BOOL>(FX_SEND(TTM_ADDTOOLA, 0, &ti));
  }
  void DelTool(CWnd* wnd, UINT_PTR id = 0) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
    ti.uId = id ? id : reinterpret_cast<UINT_PTR>(ti.hwnd);
    FX_SEND(TTM_DELTOOLA, 0, &ti);
  }
  void UpdateTipText(LPCSTR text, CWnd* wnd, UINT_PTR id = 0) {
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
    ti.uId = id ? id : reinterpret_cast<UINT_PTR>(ti.hwnd);
    ti.lpszText = const_cast<LPSTR>(text);
    FX_SEND(TTM_UPDATETIPTEXTA, 0, &ti);
  }
  void Activate(BOOL on) { FX_SEND(TTM_ACTIVATE, on, 0); }
  void RelayEvent(LPMSG msg) { FX_SEND(TTM_RELAYEVENT, 0, msg); }
  int GetToolCount() const { return static_cast<int>(FX_SEND(TTM_GETTOOLCOUNT, 0, 0)); }
  void SetDelayTime(UINT ms) { FX_SEND(TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(ms, 0)); }
};

class FRAMEWORK_CLASS CToolBarCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(TOOLBARCLASSNAMEA, nullptr, style, rect, parent, id);
  }
  BOOL EnableButton(int id, BOOL on = TRUE) { return static_cast<BOOL>(FX_SEND(TB_ENABLEBUTTON, id, MAKELPARAM(on, 0))); }
  BOOL CheckButton(int id, BOOL on = TRUE) { return static_cast<BOOL>(FX_SEND(TB_CHECKBUTTON, id, MAKELPARAM(on, 0))); }
  BOOL HideButton(int id, BOOL hide = TRUE) { return static_cast<BOOL>(FX_SEND(TB_HIDEBUTTON, id, MAKELPARAM(hide, 0))); }
  BOOL IsButtonEnabled(int id) const { return static_cast<BOOL>(FX_SEND(TB_ISBUTTONENABLED, id, 0)); }
  BOOL IsButtonChecked(int id) const { return static_cast<BOOL>(FX_SEND(TB_ISBUTTONCHECKED, id, 0)); }
  BOOL SetState(int id, UINT state) { return static_cast<BOOL>(FX_SEND(TB_SETSTATE, id, MAKELPARAM(state, 0))); }
  int GetState(int id) const { return static_cast<int>(FX_SEND(TB_GETSTATE, id, 0)); }
  BOOL AddButtons(int count, const TBBUTTON* buttons) { return static_cast<BOOL>(FX_SEND(TB_ADDBUTTONSA, count, buttons)); }
  BOOL InsertButton(int index, const TBBUTTON* button) { return static_cast<BOOL>(FX_SEND(TB_INSERTBUTTONA, index, button)); }
  BOOL DeleteButton(int index) { return static_cast<BOOL>(FX_SEND(TB_DELETEBUTTON, index, 0)); }
  BOOL GetButton(int index, TBBUTTON* button) const { return static_cast<BOOL>(FX_SEND(TB_GETBUTTON, index, button)); }
  int GetButtonCount() const { return static_cast<int>(FX_SEND(TB_BUTTONCOUNT, 0, 0)); }
  int CommandToIndex(UINT id) const { return static_cast<int>(FX_SEND(TB_COMMANDTOINDEX, id, 0)); }
  BOOL GetItemRect(int index, LPRECT rect) const { return static_cast<BOOL>(FX_SEND(TB_GETITEMRECT, index, rect)); }
  void AutoSize() { FX_SEND(TB_AUTOSIZE, 0, 0); }
  BOOL SetBitmapSize(CSize size) { return static_cast<BOOL>(FX_SEND(TB_SETBITMAPSIZE, 0, MAKELPARAM(size.cx, size.cy))); }
  BOOL SetButtonSize(CSize size) { return static_cast<BOOL>(FX_SEND(TB_SETBUTTONSIZE, 0, MAKELPARAM(size.cx, size.cy))); }
  int AddBitmap(int count, HBITMAP bitmap) {
    TBADDBITMAP ab{nullptr, reinterpret_cast<UINT_PTR>(bitmap)};
    return static_cast<int>(FX_SEND(TB_ADDBITMAP, count, &ab));
  }
  DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(FX_SEND(TB_SETEXTENDEDSTYLE, 0, style)); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(FX_SEND(TB_GETEXTENDEDSTYLE, 0, 0)); }
  BOOL GetMaxSize(LPSIZE size) const { return static_cast<BOOL>(FX_SEND(TB_GETMAXSIZE, 0, size)); }
  BOOL SetAnchorHighlight(BOOL on = TRUE) { return static_cast<BOOL>(FX_SEND(TB_SETANCHORHIGHLIGHT, on, 0)); }
  // The window that hears the buttons (TB_SETPARENT).
  CWnd* SetOwner(CWnd* owner) {
    return CWnd::FromHandle(reinterpret_cast<HWND>(FX_SEND(TB_SETPARENT, owner ? owner->m_hWnd : nullptr, 0)));
  }
  HWND GetToolTipsWindow() const { return reinterpret_cast<HWND>(FX_SEND(TB_GETTOOLTIPS, 0, 0)); }
};

class FRAMEWORK_CLASS CListCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_LISTVIEWA, nullptr, style, rect, parent, id);
  }
  int InsertColumn(int i, LPCSTR heading, int format = LVCFMT_LEFT, int width = -1) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<LPSTR>(heading);
    return static_cast<int>(FX_SEND(LVM_INSERTCOLUMNA, i, &c));
  }
  int InsertItem(int i, LPCSTR text) {
    LVITEMA it{};
    it.mask = LVIF_TEXT;
    it.iItem = i;
    it.pszText = const_cast<LPSTR>(text);
    return static_cast<int>(FX_SEND(LVM_INSERTITEMA, 0, &it));
  }
  BOOL SetItemText(int i, int sub, LPCSTR text) {
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = const_cast<LPSTR>(text);
    return static_cast<BOOL>(FX_SEND(LVM_SETITEMTEXTA, i, &it));
  }
  int GetItemText(int i, int sub, LPSTR buffer, int size) const {
    LVITEMA it{};
    it.iSubItem = sub;
    it.pszText = buffer;
    it.cchTextMax = size;
    return static_cast<int>(FX_SEND(LVM_GETITEMTEXTA, i, &it));
  }
  BOOL SetItemData(int i, DWORD_PTR data) {
    LVITEMA it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    it.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(FX_SEND(LVM_SETITEMA, 0, &it));
  }
  DWORD_PTR GetItemData(int i) const {
    LVITEMA it{};
    it.mask = LVIF_PARAM;
    it.iItem = i;
    return FX_SEND(LVM_GETITEMA, 0, &it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
  }
  void SetItemCount(int count) { FX_SEND(LVM_SETITEMCOUNT, count, 0); }
  BOOL SetItemCountEx(int count, DWORD flags = LVSICF_NOINVALIDATEALL) {
    return static_cast<BOOL>(FX_SEND(LVM_SETITEMCOUNT, count, flags));
  }
  int GetItemCount() const { return static_cast<int>(FX_SEND(LVM_GETITEMCOUNT, 0, 0)); }
  DWORD SetExtendedStyle(DWORD style) { return static_cast<DWORD>(FX_SEND(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style)); }
  DWORD GetExtendedStyle() const { return static_cast<DWORD>(FX_SEND(LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }
  int GetNextItem(int start, int flags) const { return static_cast<int>(FX_SEND(LVM_GETNEXTITEM, start, flags)); }
  BOOL SetItemState(int i, UINT state, UINT mask) {
    LVITEMA it{};
    it.state = state;
    it.stateMask = mask;
    return static_cast<BOOL>(FX_SEND(LVM_SETITEMSTATE, i, &it));
  }
  UINT GetItemState(int i, UINT mask) const { return static_cast<UINT>(FX_SEND(LVM_GETITEMSTATE, i, mask)); }
  BOOL EnsureVisible(int i, BOOL partialOK) { return static_cast<BOOL>(FX_SEND(LVM_ENSUREVISIBLE, i, partialOK)); }
  UINT GetSelectedCount() const { return static_cast<UINT>(FX_SEND(LVM_GETSELECTEDCOUNT, 0, 0)); }
  int GetSelectionMark() const { return static_cast<int>(FX_SEND(LVM_GETSELECTIONMARK, 0, 0)); }
  BOOL DeleteItem(int i) { return static_cast<BOOL>(FX_SEND(LVM_DELETEITEM, i, 0)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(FX_SEND(LVM_DELETEALLITEMS, 0, 0)); }
  BOOL SetColumnWidth(int col, int cx) { return static_cast<BOOL>(FX_SEND(LVM_SETCOLUMNWIDTH, col, MAKELPARAM(cx, 0))); }
  int GetColumnWidth(int col) const { return static_cast<int>(FX_SEND(LVM_GETCOLUMNWIDTH, col, 0)); }
  int GetTopIndex() const { return static_cast<int>(FX_SEND(LVM_GETTOPINDEX, 0, 0)); }
  int GetCountPerPage() const { return static_cast<int>(FX_SEND(LVM_GETCOUNTPERPAGE, 0, 0)); }
  BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data) { return static_cast<BOOL>(FX_SEND(LVM_SORTITEMS, data, compare)); }
  HIMAGELIST SetImageList(HIMAGELIST list, int kind) {
    return reinterpret_cast<HIMAGELIST>(FX_SEND(LVM_SETIMAGELIST, kind, list));
  }
};

class FRAMEWORK_CLASS CTreeCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(WC_TREEVIEWA, nullptr, style, rect, parent, id);
  }
  HTREEITEM InsertItem(const TVINSERTSTRUCTA* ins) {
    return reinterpret_cast<HTREEITEM>(FX_SEND(TVM_INSERTITEMA, 0, ins));
  }
  HTREEITEM InsertItem(LPCSTR text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<LPSTR>(text);
    return InsertItem(&ins);
  }
  BOOL DeleteItem(HTREEITEM h) { return static_cast<BOOL>(FX_SEND(TVM_DELETEITEM, 0, h)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(FX_SEND(TVM_DELETEITEM, 0, TVI_ROOT)); }
  BOOL Expand(HTREEITEM h, UINT code) { return static_cast<BOOL>(FX_SEND(TVM_EXPAND, code, h)); }
  BOOL SelectItem(HTREEITEM h) { return static_cast<BOOL>(FX_SEND(TVM_SELECTITEM, TVGN_CARET, h)); }
  HTREEITEM GetNextItem(HTREEITEM h, UINT code) const { return reinterpret_cast<HTREEITEM>(FX_SEND(TVM_GETNEXTITEM, code, h)); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM h) const { return GetNextItem(h, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM h) const { return GetNextItem(h, TVGN_NEXT); }
  HTREEITEM GetParentItem(HTREEITEM h) const { return GetNextItem(h, TVGN_PARENT); }
  BOOL SetItemData(HTREEITEM h, DWORD_PTR data) {
    TVITEMA it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = h;
    it.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(FX_SEND(TVM_SETITEMA, 0, &it));
  }
  DWORD_PTR GetItemData(HTREEITEM h) const {
    TVITEMA it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = h;
    return FX_SEND(TVM_GETITEMA, 0, &it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
  }
  BOOL GetItemText(HTREEITEM h, LPSTR buffer, int size) const {
    TVITEMA it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = h;
    it.pszText = buffer;
    it.cchTextMax = size;
    return static_cast<BOOL>(FX_SEND(TVM_GETITEMA, 0, &it));
  }
  UINT GetCount() const { return static_cast<UINT>(FX_SEND(TVM_GETCOUNT, 0, 0)); }
  BOOL EnsureVisible(HTREEITEM h) { return static_cast<BOOL>(FX_SEND(TVM_ENSUREVISIBLE, 0, h)); }
  HIMAGELIST SetImageList(HIMAGELIST list, int kind) {
    return reinterpret_cast<HIMAGELIST>(FX_SEND(TVM_SETIMAGELIST, kind, list));
  }
};

class FRAMEWORK_CLASS CImageList {
 public:
  HIMAGELIST m_hImageList = nullptr;
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  operator HIMAGELIST() const { return m_hImageList; }
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList ? TRUE : FALSE;
  }
  int Add(HBITMAP image, HBITMAP mask) { return ImageList_Add(m_hImageList, image, mask); }
  int Add(HBITMAP image, COLORREF mask) { return ImageList_AddMasked(m_hImageList, image, mask); }
  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  BOOL Draw(CDC* dc, int i, POINT pt, UINT style) { return ImageList_Draw(m_hImageList, i, dc->m_hDC, pt.x, pt.y, style); }
  BOOL DeleteImageList() {
    if (!m_hImageList) return FALSE;
    BOOL ok = ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return ok;
  }
};

#undef FX_SEND
