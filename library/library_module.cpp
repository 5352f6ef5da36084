// The display library's module: start-up and shut-down arrive here.
//
// The load runs as the constructor of a static object of this library and
// the unload as its destructor (also at dlclose). A static object is used
// rather than a bare ELF destructor because the process-exit handlers of
// every library run before ELF destructors: the platform state that the
// unload needs would be gone by then.
//
// The start-up sits above every folder of the library: it registers the
// window classes of the controls and pages and hands the drawing engine
// the dialogs it opens.
#include <string>

#include "common/library_startup_steps.h"
#include "common/library_state.h"
#include "dialogs/edit_label_dialog.h"
#include "overlayctl/overlay_plot_control.h"
#include "overlayctl/segment_info_window.h"
#include "plotengine/plot_labels.h"
#include "reportpages/view_page_control.h"
#include "specialctl/information_windows.h"
#include "specialctl/specialised_plot_controls.h"
#include "spectrumctl/spectrum_control.h"
#include "win/win_types.h"

namespace kelt::lib {
namespace {

struct ClassStep {
  const char* name;
  ATOM (*registerFn)();
  BOOL (*unregisterFn)();
};
const ClassStep kClasses[] = {
    {"Ctl_Page", RegisterViewPageCtrlClass, UnregisterViewPageCtrlClass},
    {"KELT_EventInfo", RegisterEventInfoWnd, UnregisterEventInfoWnd},
    {"KELT_MoveInfo", RegisterMovingInfoWnd, UnregisterMovingInfoWnd},
    {"KELT_SegInfo", RegisterSegInfoWnd, UnregisterSegInfoWnd},
    {"KELT_Spt", CCtlSpt::Register, CCtlSpt::Unregister},
    {"KELT_OP", CCtlOPlot::Register, CCtlOPlot::Unregister},
    {"KELT_OP1", CCtlOPlot1::Register, CCtlOPlot1::Unregister},
    {"KELT_OP2", CCtlOPlot2::Register, CCtlOPlot2::Unregister},
    {"KELT_OP3", CCtlOPlot3::Register, CCtlOPlot3::Unregister},
    {"KELT_OP4", CCtlOPlot4::Register, CCtlOPlot4::Unregister},
};

struct ModuleLifetime {
  ModuleLifetime() {
    labels::SetEditLabelDialog(labels::RunEditLabelDialog);
    ProcessAttach();
  }
  ~ModuleLifetime() {
    ProcessDetach();
    labels::SetEditLabelDialog(nullptr);
  }
};
ModuleLifetime g_lifetime;

}  // namespace

void ProcessAttach() {
  if (IsAttached()) return;
  try {
    SetAttached(true);
    AttachUpToWindowClasses();

    for (const ClassStep& c : kClasses) {
      Step(std::string("attach:register:") + c.name);
      c.registerFn();
    }

    AttachAfterWindowClasses();
  } catch (...) {
    // The load always reports success; whatever was not done stays at its default.
  }
}

void ProcessDetach() {
  if (!IsAttached()) return;
  try {
    Step("detach:printer-dcs");
    pages::DeleteCachedPrinterDCs();

    for (const ClassStep& c : kClasses) {
      Step(std::string("detach:unregister:") + c.name);
      c.unregisterFn();
    }

    DetachAfterWindowClasses();
  } catch (...) {
  }
  SetAttached(false);
}

}  // namespace kelt::lib
