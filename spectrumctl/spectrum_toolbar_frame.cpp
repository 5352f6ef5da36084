// The spectrum control's toolbar frame: which buttons are enabled and
// checked for the spectrum control shown, and the tooltips that name its modes.
#include <string>

#include "overlayctl/wrapping_toolbar.h"
#include "spectrumctl/spectrum_control.h"

IMPLEMENT_DYNAMIC(CWrapSptToolBar, CFrameWnd)

BEGIN_MESSAGE_MAP(CWrapSptToolBar, CWrapToolBarFrame)
ON_MESSAGE(WTBM_UPDATETOOLBAR, OnUpdateToolBar)
ON_UPDATE_COMMAND_UI_RANGE(8001, 8036, OnUpdateButton)
END_MESSAGE_MAP()

CCtlSpt* CWrapSptToolBar::Shown() const {
  return m_pShown ? m_pShown : static_cast<CCtlSpt*>(m_pOwnerControl);
}

std::string CWrapSptToolBar::ToolTipText(int id) const {
  const char* base = kelt::toolbar::SpectrumButtonText(id);
  if (!base) return {};
  std::string text = base;
  const CCtlSpt* c = Shown();
  if (!c) return text;
  static const char* const kClick[] = {" - Library Search", " - Target List Search", " - Export to Spectrum List",
                                       " - Create Chromatogram", " - No Action"};
  static const char* const kDrag[] = {" - Zoom Spectrum", " - Create Chromatogram", " - Export to Clipboard"};
  static const char* const kMass[] = {" - Maximum", " - Fixed", " - Acquired"};
  static const char* const kVert[] = {" - Auto", " - Fixed"};
  static const char* const kPage[] = {" - Graphic",    " - Ion/Intensity", " - Information",
                                      " - Comparison", " - Picture A",     " - Picture B"};
  auto add = [&](const char* const* table, int count, int value) {
    if (value >= 0 && value < count) text += table[value];
  };
  switch (id) {
    case 8006: add(kClick, 5, c->m_singleClickMode); break;
    case 8012: add(kDrag, 3, c->m_clickDragMode); break;
    case 8016: add(kMass, 3, c->m_horzMode); break;
    case 8020: add(kVert, 2, c->m_vertMode); break;
    case 8029: add(kPage, 6, c->m_pageMode); break;
    default: break;
  }
  return text;
}

void CWrapSptToolBar::UpdateToolTips() {
  ResetTips([this](int id) { return ToolTipText(id); });
}

void CWrapSptToolBar::ButtonState(int id, bool* enabled, bool* checked) const {
  *enabled = true;
  *checked = false;
  const CCtlSpt* c = Shown();
  if (!c) return;
  const bool hasSpectra = c->m_display[0] || c->m_display[1];
  int present = (c->m_display[0] ? 1 : 0) + (c->m_display[1] ? 1 : 0);
  if (c->m_display[2] && c->m_showDifference) ++present;
  const int layout = m_ToolbarLayout;
  switch (id) {
    case 8002: case 8005:
      *enabled = hasSpectra;
      break;
    case 8031:
      if (layout == 1) *enabled = hasSpectra && !c->m_pSelChroPlotDlg;
      break;
    case 8032:
      if (layout == 0 || layout == 1) *enabled = c->ShownCount() < present;
      break;
    case 8030:
      if (layout == 0 || layout == 1) *checked = c->m_backgroundCorrection != 0;
      break;
    case 8035:
      *enabled = c->m_historyCount >= 2;
      break;
    case 8036:
      if (layout == 3) *checked = c->m_averaging != 0;
      break;
    default:
      break;
  }
}

void CWrapSptToolBar::OnUpdateButton(CCmdUI* ui) {
  if (!ui || !kelt::toolbar::SpectrumButtonText(static_cast<int>(ui->m_nID))) return;
  bool enabled = true, checked = false;
  ButtonState(static_cast<int>(ui->m_nID), &enabled, &checked);
  ui->Enable(enabled ? TRUE : FALSE);
  ui->SetCheck(checked ? 1 : 0);
}

LRESULT CWrapSptToolBar::OnUpdateToolBar(WPARAM, LPARAM lParam) {
  if (!m_pToolBar || !lParam) return 0;
  m_pShown = reinterpret_cast<CCtlSpt*>(lParam);
  const kelt::toolbar::Layout& layout = CurrentLayout();
  for (int k = 0; k < layout.count; ++k) {
    bool enabled = true, checked = false;
    ButtonState(layout.ids[k], &enabled, &checked);
    SetButtonState(layout.ids[k], enabled, checked);
  }
  UpdateToolTips();
  return 0;
}
