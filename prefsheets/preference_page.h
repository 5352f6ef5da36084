#pragma once
// What every preference page shares: its own copy of one block of a
// preference record (the slice) and of the block's defaults, the controls
// bound to fields of the slice, "&Reset to Defaults", help, the Enter key
// kept from closing the sheet, and the change notice to a live sheet.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/kelt_export.h"
#include "dialogs/dialog_frame.h"
#include "framework/framework_property_sheet.h"
#include "win/win_resources.h"

#define PREFM_LAYOUTBUTTONS (WM_USER + 44)
#define PREFM_PAGECHANGED (WM_USER + 45)

#define PREFS_ID_RESET_ALL 4151
#define PREFS_ID_PAGE_RESET 4152
#define PREFS_ID_SAVE_ALL 4153
#define PREFS_ID_HELP 3000

namespace prefsheets {

// One (stored value, text) entry of a drop-down list.
struct Choice {
  int16_t value;
  const char* text;
};

// How a control shows and stores one field of the slice.
struct Binding {
  enum Kind { Check, Radio, Number, Combo, Swatch, Track, Spin, FontButton } kind = Check;
  int id = 0;
  int offset = 0;      // in the slice
  int16_t value = 0;   // Radio: the value the button stands for
  // Number: a 16-bit (width 2), 32-bit (4) or double (8) field shown as
  // stored / scale; validated by the field helpers under name, low..high.
  int width = 2;
  int scale = 1;
  const char* name = nullptr;
  double low = 0, high = 0;
  const char* format = nullptr;  // set: a decimal field with this format
  int maxChars = 0;
  std::vector<Choice> choices;  // Combo
  int sampleId = 0;             // FontButton: the static showing the face
  int trackLow = 0, trackHigh = 0;  // Track and Spin ranges
};

// Builds a page template in dialog units; every page ends with the reset
// and help buttons.
class KELT_CLASS PageLayout {
 public:
  explicit PageLayout(const char* caption, short cx = 280, short cy = 196);
  void Add(int id, const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy);
  void Check(int id, const char* text, int x, int y, int cx = 150);
  void Radio(int id, const char* text, int x, int y, int cx = 120, bool first = false);
  void Group(const char* text, int x, int y, int cx, int cy);
  void Text(const char* text, int x, int y, int cx, int id = -1);
  void Edit(int id, int x, int y, int cx = 34);
  void Combo(int id, int x, int y, int cx, int listHeight = 90);
  void List(int id, int x, int y, int cx, int cy, bool sorted, bool extended);
  void Push(int id, const char* text, int x, int y, int cx = 70);
  void Swatch(int id, int x, int y);
  void Track(int id, int x, int y, int cx);
  void Spin(int editId, int spinId, int x, int y);
  // Adds the reset (and, unless noHelp, help) buttons and registers the template.
  void Register(int templateId, bool noHelp = false);
  win::resources::DialogTemplate dlg;
};

}  // namespace prefsheets

class CPrefSheet;

class KELT_CLASS CPrefPage : public CPropertyPage {
 public:
  using Binding = prefsheets::Binding;
  using Choice = prefsheets::Choice;
  // caption: the page's tab; pageNumber is written to *lastPage when the
  // page is activated; helpContext 0: none.
  CPrefPage(UINT templateId, const char* caption, size_t sliceSize, int16_t pageNumber, int16_t* lastPage,
            uint32_t helpContext);
  ~CPrefPage() override;

  // Slice and default slice in and out of whole records.
  void TakeSlice(const void* record, size_t offset) { std::memcpy(m_slice, Bytes(record) + offset, m_size); }
  void TakeDefault(const void* record, size_t offset) { std::memcpy(m_default, Bytes(record) + offset, m_size); }
  void GiveSlice(void* record, size_t offset) const { std::memcpy(Bytes(record) + offset, m_slice, m_size); }
  // A slice made of several blocks of the record (the axis pages).
  void TakePart(const void* record, size_t offset, size_t at, size_t size, bool defaults = false) {
    std::memcpy((defaults ? m_default : m_slice) + at, Bytes(record) + offset, size);
  }
  void GivePart(void* record, size_t offset, size_t at, size_t size) const {
    std::memcpy(Bytes(record) + offset, m_slice + at, size);
  }
  size_t SliceSize() const { return m_size; }
  uint8_t* Slice() { return m_slice; }
  const uint8_t* Slice() const { return m_slice; }
  uint8_t* DefaultSlice() { return m_default; }
  // The marker colour and font at offset of the slice edited in their
  // dialog (of the given kind); the page is marked changed when accepted.
  void EditAppearance(int offset, int16_t kind);

  int16_t Word(int offset) const;
  void SetWord(int offset, int16_t v);
  int32_t Long(int offset) const;
  void SetLong(int offset, int32_t v);
  double Real(int offset) const;
  void SetReal(int offset, double v);
  LOGFONTA Font(int offset) const;
  void SetFont(int offset, const LOGFONTA& f);

  int16_t m_defaultsFlag = 0;
  CPrefSheet* m_sheet = nullptr;  // set only when the sheet previews into a live control
  int16_t m_pageNumber;
  int16_t* m_lastPage;
  uint32_t m_helpContext;

  // Puts the slice into the controls, then the page's rules.
  virtual void UpdateControls();
  // "&Reset to Defaults" (button 4152).
  virtual void ResetPage();
  // Tells a live sheet that the slice changed.
  virtual void NotifyChanged();

  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  BOOL OnKillActive() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  static const uint8_t* Bytes(const void* p) { return static_cast<const uint8_t*>(p); }
  static uint8_t* Bytes(void* p) { return static_cast<uint8_t*>(p); }

  static Binding Make(Binding::Kind kind, int id, int offset, int16_t value = 0) {
    Binding b;
    b.kind = kind;
    b.id = id;
    b.offset = offset;
    b.value = value;
    return b;
  }
  void Bind(Binding b) { m_bindings.push_back(std::move(b)); }
  void BindCheck(int id, int offset) { Bind(Make(Binding::Check, id, offset)); }
  void BindRadio(int id, int offset, int16_t value) { Bind(Make(Binding::Radio, id, offset, value)); }
  void BindSwatch(int id, int offset) { Bind(Make(Binding::Swatch, id, offset)); }
  void BindNumber(int id, int offset, int width, const char* name, double low, double high, int maxChars,
                  int scale = 1, const char* format = nullptr);
  void BindCombo(int id, int offset, std::vector<Choice> choices);
  void BindTrack(int id, int offset, int low, int high);
  void BindSpin(int spinId, int editId, int offset, int low, int high);
  void BindFont(int buttonId, int sampleId, int offset);
  const Binding* Find(int id) const;
  Binding* FindMutable(int id);

  // After any control changed a field: the page's rules, then the notice.
  virtual void AfterChange(int id);
  // Enabling and forcing rules (after update controls and every change).
  virtual void ApplyRules() {}
  // Page-specific commands; true when taken.
  virtual bool OnPageCommand(int id, int code) {
    (void)id;
    (void)code;
    return false;
  }
  // Page-specific work when the page is left (before the base).
  virtual void OnDeactivate() {}
  // Owner-drawn items other than swatches; true when drawn.
  virtual bool DrawOwnItem(const DRAWITEMSTRUCT* d) {
    (void)d;
    return false;
  }
  // The font chooser's flags and initial colour for a font field.
  virtual void FontChooserSetup(int offset, DWORD* flags, COLORREF* colour);
  // Swatches: only the edge, or the focus frames as well.
  bool m_focusFrames = false;

  void Enable(int id, bool on);
  void ShowCheck(int id, bool on);
  void RebuildSamples();
  void DeleteSamples();
  void ChooseColour(const Binding& b);
  void ChooseFont(const Binding& b);
  void DrawSwatch(const DRAWITEMSTRUCT* d);
  // Track-bar captions: texts at the left, middle and right of a strip.
  static void DrawStripCaptions(const DRAWITEMSTRUCT* d, const char* left, const char* middle, const char* right);
  // Hides a control by shrinking it to nothing.
  void Shrink(int id);

  uint8_t m_slice[280] = {};
  uint8_t m_default[280] = {};
  size_t m_size;
  std::vector<Binding> m_bindings;
  std::vector<std::pair<int, HFONT>> m_samples;  // button id, sample font
  kelt::dlg::DialogHelp m_help;
  bool m_filling = false;
};

// A swatch, font sample and colour chooser shared with the marker
// appearance dialog.
namespace prefsheets {
KELT_CLASS void PaintSwatch(const DRAWITEMSTRUCT* d, COLORREF colour, bool focusFrames);
// The chooser on a colour: true and the new colour on OK.
KELT_CLASS bool PickColour(COLORREF* colour);
// The font chooser; the chosen font is kept as the chooser returns it.
KELT_CLASS bool PickFont(LOGFONTA* font, DWORD flags, COLORREF colour);
// A sample font: the face of lf at the dialog's font height minus 2.
KELT_CLASS HFONT MakeSampleFont(HWND dialog, const LOGFONTA& lf);
}  // namespace prefsheets
