// The two descriptor dialogs: the scan functions of a descriptor, and the
// saving of a descriptor as a user plot.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/edit_field_helpers.h"
#include "common/library_state.h"
#include "common/plot_descriptor_texts.h"
#include "common/plot_descriptors.h"
#include "framework/framework_dialog.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"

namespace {

constexpr uint16_t kNameLength = 99;

void EnsureTemplates() {
  using namespace win::resources;
  HMODULE module = kelt::lib::ModuleHandle();
  if (!FindDialog(module, PD_DLG_SCAN_FUNCTIONS)) {
    DialogTemplate t;
    t.caption = "Scan Functions";
    t.cx = 408;
    t.cy = 150;
    t.items = {
        {PD_IDC_SF_TEXT, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 7, 394, 10},
        {PD_IDC_SF_NAME, "Static", "", SS_LEFT | WS_VISIBLE, 0, 7, 20, 394, 10},
        {PD_IDC_SF_LIST, "ListBox", "", WS_VSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 0,
         7, 34, 394, 109},
    };
    AddDialog(module, PD_DLG_SCAN_FUNCTIONS, t);
  }
  if (!FindDialog(module, PD_DLG_SAVE_USER_PD)) {
    DialogTemplate t;
    t.caption = "Save User Plot Descriptor";
    t.cx = 308;
    t.cy = 60;
    t.items = {
        {PD_IDC_SAVE_GROUP, "Button", "Enter Name of User Plot Descriptor", BS_GROUPBOX | WS_VISIBLE, 0, 7, 3, 230,
         28},
        {PD_IDC_SAVE_NAME, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_VISIBLE, 0, 14, 14, 216, 12},
        {PD_IDC_SAVE_RECALC, "Button", "Save to all data files in recalc file",
         BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 7, 35, 230, 10},
        {PD_IDC_SAVE_DIRECTORY, "Button", "Save to all data files in directory",
         BS_AUTOCHECKBOX | WS_TABSTOP | WS_VISIBLE, 0, 7, 47, 230, 10},
        {PD_IDC_SAVE, "Button", "Save", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 251, 7, 50, 14},
        {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_VISIBLE, 0, 251, 25, 50, 14},
    };
    AddDialog(module, PD_DLG_SAVE_USER_PD, t);
  }
}

// A path argument that may be a work file (whose first field is its path).
std::string PathText(const char* path) { return path ? std::string(path, strnlen(path, MAX_PATH)) : std::string(); }

class CScanFunctionsDlg : public CDialog {
 public:
  CScanFunctionsDlg(const STRUCT_PLOT_DESCRIPTOR* pd, const char* text)
      : CDialog(PD_DLG_SCAN_FUNCTIONS), pd_(pd), text_(text ? text : "") {}

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (!pd_) {
      EndDialog(0);
      return TRUE;
    }
    if (!text_.empty()) SetDlgItemText(PD_IDC_SF_TEXT, text_.c_str());
    SetDlgItemText(PD_IDC_SF_NAME, std::string(pd_->name, strnlen(pd_->name, sizeof pd_->name)).c_str());
    if (pd_->dataType == PD_TYPE_SCAN_FUNCTIONS) {
      for (int i = 0; i < pd_->scanFuns.count; ++i) {
        const SCAN_FUN_ENTRY& e = pd_->scanFuns.entries[i];
        Add("Scan Function: " + Field(e.name, sizeof e.name) + (pd_->invalid ? "  INVALID" : ""));
        Add("Segments: " + Field(e.segments, sizeof e.segments));
        Add("Long Scan Function: " + Field(e.identity, sizeof e.identity));
        Add(" ");
      }
    } else if (pd_->dataType == PD_TYPE_DETECTOR) {
      Add("Channel = " + std::to_string(pd_->index + 1));
    } else {
      Add(kelt::pd::ChanListText(&pd_->chanList));
    }
    PositionDialog(m_hWnd, ::GetParent(m_hWnd));
    return TRUE;
  }

 private:
  static std::string Field(const char* s, size_t n) { return std::string(s, strnlen(s, n)); }
  void Add(const std::string& line) {
    SendDlgItemMessage(PD_IDC_SF_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }

  const STRUCT_PLOT_DESCRIPTOR* pd_;
  std::string text_;
};

class CSaveUserPDDlg : public CDialog {
 public:
  CSaveUserPDDlg(STRUCT_PLOT_DESCRIPTOR* pd, const char* dataPath, const char* recalcPath)
      : CDialog(PD_DLG_SAVE_USER_PD), pd_(pd), dataPath_(PathText(dataPath)), recalcPath_(PathText(recalcPath)) {}
  ~CSaveUserPDDlg() override { Release(); }

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (!pd_ || dataPath_.empty()) {
      EndDialog(0);
      return TRUE;
    }
    SendDlgItemMessage(PD_IDC_SAVE_NAME, EM_LIMITTEXT, kNameLength);
    SetDlgItemText(PD_IDC_SAVE_NAME, std::string(pd_->name, strnlen(pd_->name, sizeof pd_->name)).c_str());
    if (recalcPath_.empty())
      if (CWnd* box = GetDlgItem(PD_IDC_SAVE_RECALC)) box->EnableWindow(FALSE);
    PositionDialog(m_hWnd, ::GetParent(m_hWnd));
    return TRUE;
  }
  // Enter alone saves nothing: "Save" is the only way.
  void OnOK() override {}
  void OnCancel() override {
    Release();
    EndDialog(IDCANCEL);
  }

  void OnRecalc() {
    recalc_ = IsDlgButtonChecked(PD_IDC_SAVE_RECALC) ? 1 : 0;
    directory_ = 0;
    CheckDlgButton(PD_IDC_SAVE_DIRECTORY, BST_UNCHECKED);
  }
  void OnDirectory() {
    directory_ = IsDlgButtonChecked(PD_IDC_SAVE_DIRECTORY) ? 1 : 0;
    recalc_ = 0;
    CheckDlgButton(PD_IDC_SAVE_RECALC, BST_UNCHECKED);
  }
  void OnSave() {
    if (pd_) {
      char name[PD_NAME_SIZE * 2] = "";
      HandleKillEditString(this, PD_IDC_SAVE_NAME, kNameLength, name);
      if (name[0]) {
        std::memset(pd_->name, 0, sizeof pd_->name);
        std::memcpy(pd_->name, name, strnlen(name, sizeof pd_->name - 1));
      }
      if (recalc_) PD_SaveUserPD_RecalcFile(recalcPath_.c_str(), pd_);
      else if (directory_) PD_SaveUserPD_Directory(dataPath_.c_str(), pd_);
      else PD_SaveUserPD_DataFile(dataPath_.c_str(), pd_);
    }
    Release();
    EndDialog(IDOK);
  }
  DECLARE_MESSAGE_MAP()

 private:
  void Release() {
    PD_FreePD(pd_);
    pd_ = nullptr;
  }

  STRUCT_PLOT_DESCRIPTOR* pd_;
  std::string dataPath_;
  std::string recalcPath_;
  int16_t recalc_ = 0;
  int16_t directory_ = 0;
};

BEGIN_MESSAGE_MAP(CSaveUserPDDlg, CDialog)
ON_BN_CLICKED(PD_IDC_SAVE_RECALC, OnRecalc)
ON_BN_CLICKED(PD_IDC_SAVE_DIRECTORY, OnDirectory)
ON_BN_CLICKED(PD_IDC_SAVE, OnSave)
END_MESSAGE_MAP()

}  // namespace

void PD_Dlg_ScanFunctions(const STRUCT_PLOT_DESCRIPTOR* pd, const char* text) {
  try {
    EnsureTemplates();
    CScanFunctionsDlg dlg(pd, text);
    dlg.DoModal();
  } catch (...) {
  }
}

void PD_Dlg_SaveUserPD(STRUCT_PLOT_DESCRIPTOR* pd, const char* dataFilePath, const char* recalcPath) {
  bool handed = false;  // from then on the dialog frees pd
  try {
    EnsureTemplates();
    CSaveUserPDDlg dlg(pd, dataFilePath, recalcPath);
    handed = true;
    dlg.DoModal();
  } catch (...) {
    if (!handed) PD_FreePD(pd);
  }
}
