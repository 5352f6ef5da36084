// The data-file summary dialog.
#include "dialogs/data_file_summary_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/library_state.h"
#include "common/log_text_files.h"
#include "common/mass_lists.h"
#include "common/number_format.h"
#include "common/results_access.h"
#include "common/results_facts.h"
#include "common/work_file.h"
#include "orvik32/orvik32.h"
#include "orvik32/orvik32_dialogs.h"
#include "win/win_resources.h"
#include "win/win_user.h"

namespace {

struct Row {
  int label, value;
  const char* text;
};
const Row kRows[] = {{3502, 3501, "File:"},        {3522, 3521, "Data Type:"}, {3504, 3503, ""},
                     {3506, 3505, "Inject Date:"}, {3508, 3507, "Run Time:"},  {3510, 3509, ""},
                     {3512, 3511, ""},             {3514, 3513, ""},           {3516, 3515, ""}};
// Result rows: label, value, text, offset of the count in the results header.
struct ResultRow {
  int label, value;
  const char* text;
  uint32_t offset;
};
const ResultRow kResults[] = {{6135, 6134, "Identified:", 2251},          {6139, 6138, "Missing:", 2253},
                              {6143, 6142, "Failed:", 2255},              {6137, 6136, "Tentatively Identifed:", 2257},
                              {6141, 6140, "Unknown:", 2261},             {6145, 6144, "Duplicate:", 2259}};

void AddTemplate() {
  using namespace win::resources;
  const HMODULE module = kelt::lib::ModuleHandle();
  if (FindDialog(module, DATA_FILE_SUMMARY_DIALOG)) return;
  DialogTemplate t;
  t.caption = "Data File Information";
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 260;
  t.cy = 210;
  short y = 6;
  for (const Row& r : kRows) {
    t.items.push_back({r.label, "Static", r.text, WS_VISIBLE | SS_LEFT, 0, 6, static_cast<short>(y + 1), 60, 10});
    t.items.push_back({r.value, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0, 68, y, 186, 11});
    y = static_cast<short>(y + 13);
  }
  t.items.push_back({6133, "Button", "Result Compound Summary", WS_VISIBLE | BS_GROUPBOX, 0, 6,
                     static_cast<short>(y + 2), 248, 52});
  for (int i = 0; i < 6; ++i) {
    const short x = i < 3 ? 12 : 130;
    const short ry = static_cast<short>(y + 14 + 12 * (i % 3));
    t.items.push_back({kResults[i].label, "Static", kResults[i].text, WS_VISIBLE | SS_LEFT, 0, x,
                       static_cast<short>(ry + 1), 78, 10});
    t.items.push_back({kResults[i].value, "Static", "", WS_VISIBLE | SS_LEFT | SS_SUNKEN, 0,
                       static_cast<short>(x + 80), ry, 36, 11});
  }
  AddDialog(module, DATA_FILE_SUMMARY_DIALOG, t);
}

std::string Narrow(const char16_t* text, size_t room) {
  std::string out;
  for (size_t i = 0; i < room && text[i]; ++i) out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  return out;
}

}  // namespace

bool CShowDataFileInfoDlg::Prepare(CWnd* parent) {
  AddTemplate();
  return kelt::dlg::InitModalFromLibrary(this, DATA_FILE_SUMMARY_DIALOG, parent);
}

BOOL CShowDataFileInfoDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  STRUCT_WORK_FILE* wf = m_pWorkFile;
  if (!wf) {
    EndDialog(0);
    return FALSE;
  }
  char text[400];
  SetDlgItemText(3501, std::string(wf->displayName, strnlen(wf->displayName, sizeof wf->displayName)).c_str());
  char name[260] = {};
  HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, wf->fileType);
  std::string type;
  if (config && GetModuleConfigString(config, MODULE_CONFIG_NAME_ITEM, name)) {
    type = name;
  } else {
    std::snprintf(text, sizeof text, "Module %d Type %d", wf->module, wf->fileType);
    type = text;
  }
  const bool ms = wf->directHeader || wf->centroid || wf->profile;
  if (ms) type += wf->profile ? " PROFILE" : " CENTROID";
  SetDlgItemText(3521, type.c_str());
  char date[40] = {}, time[40] = {};
  KELT_FormatDateTime(static_cast<int16_t>(wf->month), static_cast<int16_t>(wf->day), static_cast<int16_t>(wf->year),
                      static_cast<int16_t>(wf->hour), static_cast<int16_t>(wf->minute), date, time);
  std::snprintf(text, sizeof text, "%s %s", date, time);
  SetDlgItemText(3505, text);
  std::snprintf(text, sizeof text, "%.3f - %.3f min", wf->startTime, wf->endTime);
  SetDlgItemText(3507, text);
  if (ms) {
    SetDlgItemText(3504, "Sample:");
    SetDlgItemText(3503, std::string(wf->sampleName, strnlen(wf->sampleName, sizeof wf->sampleName)).c_str());
    SetDlgItemText(3510, "Scan Range:");
    std::snprintf(text, sizeof text, "%ld - %ld", static_cast<long>(wf->msInfo.firstScan),
                  static_cast<long>(wf->msInfo.lastScan));
    SetDlgItemText(3509, text);
    SetDlgItemText(3512, "Operator:");
    SetDlgItemText(3511, std::string(wf->operatorName, strnlen(wf->operatorName, sizeof wf->operatorName)).c_str());
    SetDlgItemText(3514, "Sample Notes:");
    if (char* notes = KELT_GetRecordDescriptionText(wf)) {
      SetDlgItemText(3513, std::string(notes, strnlen(notes, 1000)).c_str());
      FreeBlock(notes);
    } else {
      SetDlgItemText(3513, Narrow(wf->msInfo.description, 256).c_str());
    }
    SetDlgItemText(3516, "Max RIC:");
    char ric[64] = {};
    KELT_FormatIntensityI64(static_cast<int64_t>(wf->msInfo.maxTic), ric);
    std::snprintf(text, sizeof text, "%s at %ld", ric, static_cast<long>(wf->msInfo.maxTicScan));
    SetDlgItemText(3515, text);
  } else if (wf->sectioned) {
    const STRUCT_DETECTOR_HEADER& h = wf->detectorHeader;
    SetDlgItemText(3504, "Detector:");
    SetDlgItemText(3503, std::string(h.detectorName, strnlen(h.detectorName, sizeof h.detectorName)).c_str());
    SetDlgItemText(3510, "Points:");
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(wf->pointCount));
    SetDlgItemText(3509, text);
    SetDlgItemText(3512, "Channels:");
    std::snprintf(text, sizeof text, "%d", static_cast<int>(h.channelCount));
    SetDlgItemText(3511, text);
    SetDlgItemText(3514, "Scan Rate:");
    std::snprintf(text, sizeof text, "%5.3f Hz", static_cast<double>(h.scanRateHz));
    SetDlgItemText(3513, text);
    SetDlgItemText(3516, "Bunch:");
    std::snprintf(text, sizeof text, "%d", static_cast<int>(h.bunch));
    SetDlgItemText(3515, text);
  }
  if (wf->centroid) {
    const bool older = KELT_HaveOlderResults(wf->filePath) != 0;
    static uint8_t header[4096];
    std::memset(header, 0, sizeof header);
    const bool read = !older && RPTS_ReadResults(wf->filePath, header) && KELT_HaveCurrentResults(wf->filePath);
    for (const ResultRow& r : kResults) {
      if (read) {
        int16_t count = 0;
        std::memcpy(&count, header + r.offset, sizeof count);
        std::snprintf(text, sizeof text, "%d", count);
      } else {
        std::snprintf(text, sizeof text, "%s", older ? "NEED UPDATE" : "0");
      }
      SetDlgItemText(r.value, text);
    }
  }
  PositionDialog(m_hWnd, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
  return TRUE;
}

LRESULT CShowDataFileInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_help.Handle(this, msg, wParam, lParam, false)) return 0;
  return CDialog::WindowProc(msg, wParam, lParam);
}

void Dlg_ShowDataFileInfo(STRUCT_WORK_FILE* workFile) {
  try {
    CShowDataFileInfoDlg dialog;
    if (!dialog.Prepare(nullptr)) return;
    dialog.m_pWorkFile = workFile;
    dialog.DoModal();
  } catch (...) {
  }
}
