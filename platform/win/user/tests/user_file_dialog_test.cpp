// The explorer-style file dialogs over the workstation root's real files:
// a hook with a child template that previews the selected file, folder and
// type changes, the checks on the chosen name, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "testing/workstation_root.h"
#include "win/win_commdlg.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_script.h"
#include "win/win_user.h"

namespace {

constexpr int kPreview = 1200;
HMODULE Module() { return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7A100000)); }

struct HookLog {
  std::vector<std::string> events;
  std::string previewed;
};
HookLog g_hook;

std::string FirstLine(const char* path) {
  HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "(none)";
  char buf[64] = {};
  DWORD got = 0;
  ReadFile(f, buf, sizeof buf - 1, &got, nullptr);
  CloseHandle(f);
  std::string s(buf, got);
  return s.substr(0, s.find('\n'));
}

UINT_PTR CALLBACK PreviewHook(HWND hook, UINT msg, WPARAM, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEA*>(l);
    g_hook.events.push_back("init " + std::to_string(ofn->lCustData));
    return TRUE;
  }
  if (msg != WM_NOTIFY) return FALSE;
  auto* nm = reinterpret_cast<OFNOTIFYA*>(l);
  HWND dlg = GetParent(hook);
  switch (nm->hdr.code) {
    case CDN_INITDONE: g_hook.events.push_back("initdone"); break;
    case CDN_FOLDERCHANGE: {
      char folder[MAX_PATH];
      SendMessageA(dlg, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
      g_hook.events.push_back(std::string("folder ") + folder);
      break;
    }
    case CDN_SELCHANGE: {
      char path[MAX_PATH];
      if (SendMessageA(dlg, CDM_GETFILEPATH, sizeof path, reinterpret_cast<LPARAM>(path)) > 0) {
        g_hook.previewed = FirstLine(path);
        SetDlgItemTextA(hook, kPreview, g_hook.previewed.c_str());
      }
      break;
    }
    case CDN_TYPECHANGE:
      g_hook.events.push_back("type " + std::to_string(nm->lpOFN->nFilterIndex));
      SendMessageA(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>("typed"));
      break;
    case CDN_FILEOK: {
      std::string file = nm->pszFile ? nm->pszFile : "";
      g_hook.events.push_back("fileok " + file);
      if (file.find("bad") != std::string::npos) {  // refused: the dialog stays
        SetWindowLongPtrA(hook, DWLP_MSGRESULT, 1);
        return TRUE;
      }
      break;
    }
    default: break;
  }
  return FALSE;
}

class UserFileDialog : public WorkstationRootTest {
 protected:
  void SetUp() override {
    WorkstationRootTest::SetUp();
    g_hook = HookLog{};
    win::script::ResetLogs();
    WriteHostFile("c/WORK/notes.txt", "notes\n");
    WriteHostFile("c/WORK/DATA/run1.kms", "first line of run1\nmore\n");
    WriteHostFile("c/WORK/DATA/run2.kms", "run two\n");
    WriteHostFile("c/WORK/DATA/bad.kms", "bad\n");
    WriteHostFile("c/WORK/DATA/report.msr", "report\n");
    win::resources::DialogTemplate child;
    child.style = WS_CHILD | DS_CONTROL | DS_3DLOOK;
    child.cx = 340;
    child.cy = 160;
    child.items = {{stc32, "Static", "", SS_LEFT, 0, 0, 0, 200, 100},
                   {kPreview, "Static", "", SS_LEFT | WS_VISIBLE, 0, 210, 10, 120, 12}};
    win::resources::AddDialog(Module(), 285, child);
  }
  void TearDown() override {
    win::resources::RemoveModule(Module());
    WorkstationRootTest::TearDown();
  }
  OPENFILENAMEA Ofn(char* file, DWORD flags) {
    OPENFILENAMEA o{};
    o.lStructSize = sizeof o;
    o.hInstance = reinterpret_cast<HINSTANCE>(Module());
    o.lpstrFilter = "KMS Files (*.KMS )\0*.KMS\0MSR Files (*.MSR)\0*.MSR\0All Files (*.*)\0*.*\0";
    o.lpstrFile = file;
    o.nMaxFile = MAX_PATH;
    o.lpstrInitialDir = "C:\\WORK";
    o.lpstrDefExt = "KMS";
    o.Flags = flags;
    return o;
  }
  static void DoubleClickItem(HWND dlg, const std::string& text) {
    HWND list = GetDlgItem(dlg, lst2);
    auto items = win::script::ListItems(dlg, lst2);
    auto it = std::find(items.begin(), items.end(), text);
    ASSERT_NE(it, items.end()) << text;
    RECT r{};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(it - items.begin()), reinterpret_cast<LPARAM>(&r));
    win::script::DoubleClick(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

}  // namespace

TEST_F(UserFileDialog, ExplorerOpenWithHookPreviewsTheSelectedFile) {
  char file[MAX_PATH] = "";
  char title[MAX_PATH] = "";
  OPENFILENAMEA o = Ofn(file, OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY |
                                  OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_SHAREAWARE);
  o.lpfnHook = PreviewHook;
  o.lpTemplateName = MAKEINTRESOURCEA(285);
  o.lCustData = 77;
  o.lpstrFileTitle = title;
  o.nMaxFileTitle = sizeof title;
  o.lpstrTitle = "Select Data File";
  std::vector<std::string> first, inData;
  std::string preview;
  win::script::OnNextDialog([&](HWND dlg) {
    first = win::script::ListItems(dlg, lst2);
    DoubleClickItem(dlg, "DATA");
    inData = win::script::ListItems(dlg, lst2);
    EXPECT_TRUE(win::script::PickItemText(dlg, lst2, "run1.kms"));
    HWND hook = win::script::FindById(dlg, kPreview);
    preview = win::script::Text(hook);
    EXPECT_TRUE(win::script::PickItemText(dlg, lst2, "bad.kms"));
    win::script::PressButton(dlg, IDOK);  // refused by the hook
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_TRUE(win::script::PickItemText(dlg, lst2, "run2.kms"));
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(GetOpenFileNameA(&o));
  std::vector<std::string> wantFirst{"DATA"};  // notes.txt is not a KMS file
  EXPECT_EQ(first, wantFirst);
  std::vector<std::string> wantData{"bad.kms", "run1.kms", "run2.kms"};
  EXPECT_EQ(inData, wantData);
  EXPECT_EQ(preview, "first line of run1");
  EXPECT_EQ(g_hook.previewed, "run two");
  EXPECT_EQ(_stricmp(file, "C:\\WORK\\DATA\\run2.kms"), 0) << file;
  EXPECT_STREQ(title, "run2.kms");
  EXPECT_EQ(std::string(file + o.nFileOffset), "run2.kms");
  EXPECT_EQ(std::string(file + o.nFileExtension), "kms");
  EXPECT_EQ(o.nFilterIndex, 1u);
  ASSERT_GE(g_hook.events.size(), 4u);
  EXPECT_EQ(g_hook.events[0], "init 77");
  EXPECT_EQ(_stricmp(g_hook.events[1].c_str(), "folder C:\\WORK"), 0);
  EXPECT_EQ(g_hook.events[2], "initdone");
  EXPECT_EQ(_stricmp(g_hook.events[3].c_str(), "folder C:\\WORK\\DATA"), 0);
  EXPECT_EQ(std::count_if(g_hook.events.begin(), g_hook.events.end(),
                          [](const std::string& e) { return e.rfind("fileok", 0) == 0; }),
            2);
}

TEST_F(UserFileDialog, TypeChangeMissingFilesAndOutsidePathsKeepTheDialogOpen) {
  char file[MAX_PATH] = "";
  OPENFILENAMEA o = Ofn(file, OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
  o.lpfnHook = PreviewHook;
  o.lpstrInitialDir = "C:\\WORK\\DATA";
  std::vector<std::string> msrOnly;
  std::string typed;
  win::script::AnswerNextMessageBox(IDOK);
  win::script::AnswerNextMessageBox(IDOK);
  win::script::OnNextDialog([&](HWND dlg) {
    EXPECT_TRUE(win::script::PickItem(dlg, cmb1, 1));
    msrOnly = win::script::ListItems(dlg, lst2);
    typed = win::script::GetField(dlg, edt1);
    win::script::SetField(dlg, edt1, "missing.kms");
    win::script::PressButton(dlg, IDOK);
    win::script::SetField(dlg, edt1, "Q:\\nowhere\\x.kms");
    win::script::PressButton(dlg, IDOK);
    EXPECT_TRUE(IsWindow(dlg));
    win::script::PressButton(dlg, IDCANCEL);
  });
  EXPECT_FALSE(GetOpenFileNameA(&o));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  std::vector<std::string> want{"report.msr"};
  EXPECT_EQ(msrOnly, want);
  EXPECT_EQ(typed, "typed");  // set by the hook through CDM_SETCONTROLTEXT
  EXPECT_NE(std::find(g_hook.events.begin(), g_hook.events.end(), "type 2"), g_hook.events.end());
  auto boxes = win::script::MessageBoxLog();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].text.find("File not found."), std::string::npos);
  EXPECT_NE(boxes[1].text.find("Path does not exist."), std::string::npos);
  EXPECT_STREQ(file, "");  // untouched
}

TEST_F(UserFileDialog, SaveAddsTheDefaultExtensionAndAsksBeforeReplacing) {
  char file[MAX_PATH] = "C:\\WORK\\DATA\\run1";
  OPENFILENAMEA o = Ofn(file, OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
  o.lpstrInitialDir = nullptr;
  win::script::AnswerNextMessageBox(IDNO);
  win::script::AnswerNextMessageBox(IDYES);
  std::string shown;
  win::script::OnNextDialog([&](HWND dlg) {
    shown = win::script::GetField(dlg, edt1);
    win::script::PressButton(dlg, IDOK);  // run1.kms exists: No keeps the dialog
    win::script::PressButton(dlg, IDOK);  // Yes replaces
  });
  ASSERT_TRUE(GetSaveFileNameA(&o));
  EXPECT_EQ(shown, "run1");
  EXPECT_EQ(_stricmp(file, "C:\\WORK\\DATA\\run1.KMS"), 0) << file;
  EXPECT_EQ(win::script::MessageBoxLog().size(), 2u);
  EXPECT_FALSE(o.Flags & OFN_EXTENSIONDIFFERENT);
  // A name with another extension is kept and flagged.
  std::strcpy(file, "");
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, edt1, "C:\\WORK\\new.txt");
    win::script::PressButton(dlg, IDOK);
  });
  ASSERT_TRUE(GetSaveFileNameA(&o));
  EXPECT_EQ(_stricmp(file, "C:\\WORK\\new.txt"), 0) << file;
  EXPECT_TRUE(o.Flags & OFN_EXTENSIONDIFFERENT);
}

TEST_F(UserFileDialog, BadRecordsTemplatesAndSmallBuffersFail) {
  char file[MAX_PATH] = "";
  OPENFILENAMEA o = Ofn(file, OFN_EXPLORER);
  o.lStructSize = 88;  // the 32-bit size names a different layout here
  EXPECT_FALSE(GetOpenFileNameA(&o));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));
  o = Ofn(file, OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE);
  o.lpfnHook = PreviewHook;
  o.lpTemplateName = MAKEINTRESOURCEA(999);
  EXPECT_FALSE(GetOpenFileNameA(&o));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_FINDRESFAILURE));
  o = Ofn(file, OFN_EXPLORER | OFN_ENABLEHOOK);
  EXPECT_FALSE(GetOpenFileNameA(&o));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_NOHOOK));
  o = Ofn(file, OFN_EXPLORER | OFN_FILEMUSTEXIST);
  o.nMaxFile = 8;
  win::script::OnNextDialog([&](HWND dlg) {
    win::script::SetField(dlg, edt1, "DATA\\run1.kms");
    win::script::PressButton(dlg, IDOK);
  });
  EXPECT_FALSE(GetOpenFileNameA(&o));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(FNERR_BUFFERTOOSMALL));
  WORD need = 0;
  std::memcpy(&need, file, sizeof need);
  EXPECT_EQ(need, std::strlen("C:\\WORK\\DATA\\run1.kms") + 1);
}
