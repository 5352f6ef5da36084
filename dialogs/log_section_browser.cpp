// The log-section browser of the data-file information dialog.
#include "dialogs/log_section_browser.h"

#include <cstdio>
#include <cstring>

#include "common/data_file_utils.h"
#include "common/mass_lists.h"
#include "common/section_stems.h"
#include "common/work_file.h"
#include "dialogs/text_lines.h"
#include "holbrin/holbrin.h"
#include "orvik32/orvik32.h"
#include "pomsel/pomsel.h"
#include "win/win_commctrl.h"
#include "win/win_crt.h"
#include "win/win_kernel.h"
#include "win/win_resources.h"
#include "win/win_stdio.h"
#include "win/win_user.h"

namespace {

constexpr size_t kBanner = 20;  // asterisks that open a banner line

// The text of a line as a list would show it: tabs widened, other control
// bytes and bytes above 127 dropped.
std::string Shown(const char* begin, const char* end) {
  std::string out;
  for (const char* p = begin; p < end; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '\t') out += "    ";
    else if (c >= 32 && c <= 127) out += static_cast<char>(c);
  }
  return out;
}

// A temporary text file written by one producer, read back as lines and
// deleted; false when nothing could be written.
template <class Write>
bool Produce(Write&& write, bool acquisitionFilter, std::vector<std::string>& lines) {
  const std::string temp = kelt::dlg::TemporaryTextFile("AAA");
  if (temp.empty()) return false;
  std::FILE* f = win::crt::OpenStream(temp.c_str(), "w+t");
  if (!f) {
    DeleteFileA(temp.c_str());
    return false;
  }
  write(f);
  std::fflush(f);
  const long size = std::ftell(f);
  if (size > 0) {
    std::fseek(f, 0, SEEK_SET);
    kelt::dlg::AppendLogTextLines(f, acquisitionFilter, lines);
  }
  std::fclose(f);
  DeleteFileA(temp.c_str());
  return size > 0;
}

template <class Write>
bool Writes(Write&& write) {
  std::vector<std::string> unused;
  const std::string temp = kelt::dlg::TemporaryTextFile("AAA");
  if (temp.empty()) return false;
  std::FILE* f = win::crt::OpenStream(temp.c_str(), "w+t");
  bool any = false;
  if (f) {
    write(f);
    std::fflush(f);
    any = std::ftell(f) > 0;
    std::fclose(f);
  }
  DeleteFileA(temp.c_str());
  return any;
}

std::string ConfigText(uint16_t type, int item) {
  char text[260] = {};
  if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, type))
    if (GetModuleConfigString(config, item, text)) return text;
  return {};
}

}  // namespace

char* KELT_GetDataFileLogInMemory(STRUCT_WORK_FILE* workFile, const KELT_DataFileLogOptions* options,
                                  uint16_t* headingLines, uint16_t* bodyLines, uint32_t* bodyOffset, uint32_t* size) {
  if (headingLines) *headingLines = 0;
  if (bodyLines) *bodyLines = 0;
  if (bodyOffset) *bodyOffset = 0;
  if (size) *size = 0;
  if (!workFile || !options) return nullptr;
  const std::string temp = kelt::dlg::TemporaryTextFile("DDD");
  if (temp.empty()) return nullptr;
  char* block = nullptr;
  long length = -1;
  if (KELT_GetDataFileLog(temp.c_str(), workFile, options)) {
    if (std::FILE* f = win::crt::OpenStream(temp.c_str(), "rb")) {
      if (std::fseek(f, 0, SEEK_END) == 0) length = std::ftell(f);
      if (length >= 0 && length < 0x7FFFFFF0 && std::fseek(f, 0, SEEK_SET) == 0) {
        block = static_cast<char*>(AllocBlock(static_cast<uint32_t>(length) + 10));
        if (block && std::fread(block, 1, static_cast<size_t>(length), f) != static_cast<size_t>(length)) {
          FreeBlock(block);
          block = nullptr;
        }
      }
      std::fclose(f);
    }
  }
  if (GetFileAttributesA(temp.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileA(temp.c_str());
  if (!block) return nullptr;
  uint16_t heading = 0, body = 0;
  uint32_t offset = 0;
  kelt::dlg::CountLogLines(block, static_cast<uint32_t>(length), options->headings != 0, &heading, &body, &offset);
  if (headingLines) *headingLines = heading;
  if (bodyLines) *bodyLines = body;
  if (bodyOffset) *bodyOffset = offset;
  if (size) *size = static_cast<uint32_t>(length);
  return block;
}

namespace kelt::dlg {

void CountLogLines(const char* text, uint32_t size, bool banners, uint16_t* headingLines, uint16_t* bodyLines,
                   uint32_t* bodyOffset) {
  struct Line {
    uint32_t begin, end, next;  // text begin..end, next line's start
  };
  std::vector<Line> lines;
  uint32_t start = 0;
  for (uint32_t i = 0; text && i + 1 < size; ++i) {
    const char a = text[i], b = text[i + 1];
    if ((a == '\r' && b == '\n') || (a == '\n' && b == '\r')) {
      lines.push_back({start, i, i + 2});
      start = i + 2;
      ++i;
    }
  }
  if (text && start < size) lines.push_back({start, size, size});
  uint32_t heading = 0, offset = 0;
  if (banners) {
    int seen = 0;
    for (size_t k = 0; k < lines.size(); ++k) {
      const std::string shown = Shown(text + lines[k].begin, text + lines[k].end);
      if (shown.size() >= kBanner && shown.compare(0, kBanner, std::string(kBanner, '*')) == 0 && ++seen == 2) {
        heading = static_cast<uint32_t>(k + 1);
        offset = lines[k].next;
        break;
      }
    }
  }
  const size_t body = lines.size() - heading;
  if (headingLines) *headingLines = static_cast<uint16_t>(heading > 0xFFFF ? 0xFFFF : heading);
  if (bodyLines) *bodyLines = static_cast<uint16_t>(body > 0xFFFF ? 0xFFFF : body);
  if (bodyOffset) *bodyOffset = offset;
}

std::vector<uint16_t> ErrorLogIds(const STRUCT_DH_ERROR_LOG& record) {
  std::vector<uint16_t> ids;
  for (const DH_ERROR_LIST& group : record.lists) {
    int n = group.count;
    if (n < 0) n = 0;
    if (n > LOG_ERROR_GROUP_IDS) n = LOG_ERROR_GROUP_IDS;
    for (int i = 0; i < n; ++i) ids.push_back(group.ids[i]);
  }
  return ids;
}

void CLogSectionBrowser::Release() {
  m_errorRecord = m_revisionLog = m_samplePrep = m_moduleAttributes = m_eventLog = m_methodSegments =
      m_injectionNotes = m_recalcNotes = false;
  m_errors = {};
  m_modules.clear();
  m_msModule = -1;
  m_injectionLines.clear();
  m_recalcLines.clear();
  if (m_runLogList) FreeBlock(m_runLogList);
  m_runLogList = nullptr;
  delete m_runLog;
  m_runLog = nullptr;
  m_workFile = nullptr;
}

void CLogSectionBrowser::TestPresence() {
  STRUCT_WORK_FILE* wf = m_workFile;
  const char* path = wf->filePath;
  if (HDHTABLE h = OpenDHErrorLog(path, wf->fileType, wf->module, "1")) {
    m_errorRecord = GetDHLogEntry(h, &m_errors) != 0;
    CloseSection(static_cast<HSECTION>(h));
  }
  if (HDHTABLE h = OpenDHLog(path, wf->fileType, wf->module, "1")) {
    m_revisionLog = CountDHLogEntries(h) > 0;
    CloseSection(static_cast<HSECTION>(h));
  }
  if (wf->directHeader) return;
  char name[81] = {};
  m_samplePrep = KELT_GetSectionNameFromStem(path, "SamplePrep", name) != 0;
  m_moduleAttributes = Writes([&](std::FILE* f) { DF_WriteModuleAttributesText(f, path, wf->module, wf->fileType); });
  m_eventLog = Writes([&](std::FILE* f) { DF_WriteEventLogText(f, path, wf->module, wf->fileType); });
  m_methodSegments = KELT_HaveMSMethodSegments(wf) != 0;
  for (int which = 0; which < 2; ++which) {
    KELT_DataFileLogOptions options{};
    options.notesWidth = 100;
    if (which == 0) options.injectionNotes = 1;
    else options.recalcNotes = 1;
    uint16_t heading = 0, body = 0;
    uint32_t offset = 0, size = 0;
    char* block = KELT_GetDataFileLogInMemory(wf, &options, &heading, &body, &offset, &size);
    if (!block) continue;
    std::vector<std::string>& lines = which == 0 ? m_injectionLines : m_recalcLines;
    if (body > 0 && offset <= size) SplitTextBlock(block + offset, size - offset, lines);
    (which == 0 ? m_injectionNotes : m_recalcNotes) = body > 0 && !lines.empty();
    FreeBlock(block);
  }
}

void CLogSectionBrowser::ReadModuleList() {
  m_modules.clear();
  m_msModule = -1;
  char information[260] = {};
  HSECTION listing = OpenSectionList(m_workFile->filePath, information);
  if (!listing) return;
  for (int32_t at = NextSectionListEntry(listing, 0); at != 0 && m_modules.size() < LOG_MODULE_MOST;
       at = NextSectionListEntry(listing, at)) {
    char name[81] = {};
    if (!GetSectionMatchName(listing, at, name, sizeof name)) continue;
    char base[81] = {};
    unsigned short type = 0, address = 0, third = 0;
    if (std::sscanf(name, " %80[^.].%4hx.%4hx.%4hx", base, &type, &address, &third) != 4) continue;
    if (std::strcmp(base, "Method") != 0) continue;
    STRUCT_LOG_MODULE m{};
    std::memcpy(m.name, name, strnlen(name, sizeof m.name - 1));
    m.moduleType = type;
    m.moduleAddress = address;
    if (HMODULECONFIG config = GetModuleConfig(MODULE_CONFIG_INSTRUMENT, type)) m.configFlags = GetModuleConfigFlags(config, 0);
    m_modules.push_back(m);
  }
  CloseSection(listing);
  for (size_t i = 0; i < m_modules.size(); ++i)
    if (m_modules[i].configFlags & MODULE_CONFIG_MASS_SPECTROMETER) {
      m_msModule = static_cast<int>(i);
      break;
    }
}

std::string CLogSectionBrowser::ModuleLabel(uint16_t type, uint16_t address) const {
  if (GetModuleConfig(MODULE_CONFIG_INSTRUMENT, type)) return ConfigText(type, MODULE_CONFIG_TYPE_ITEM);
  char label[64];
  std::snprintf(label, sizeof label, "Module %d Type %d", address, type);
  return label;
}

HTREEITEM CLogSectionBrowser::Add(HTREEITEM parent, const char* label, int16_t code, bool candidate) {
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM;
  ins.item.pszText = const_cast<char*>(label);
  ins.item.lParam = code;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(m_tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  if (item && candidate) m_default = item;
  return item;
}

void CLogSectionBrowser::Build(STRUCT_WORK_FILE* workFile, int16_t firstSegment, HWND tree, HWND textList) {
  Release();
  m_workFile = workFile;
  m_firstSegment = firstSegment;
  m_tree = tree;
  m_list = textList;
  m_default = nullptr;
  if (!workFile) return;
  TestPresence();
  STRUCT_WORK_FILE* wf = workFile;
  const int16_t kept = m_selectedCode;
  m_building = true;
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  bool acquisitionLog = false;
  if (wf->directHeader || (wf->fileType == 23 && wf->hasLog)) {
    CReadLogSection reader;
    acquisitionLog = reader.Open(wf) != 0;
    reader.Close();
  }
  if (wf->hasLog && !wf->directHeader && wf->fileType != 23) {
    m_runLog = new CReadTrelLogSection;
    if (m_runLog->Open(wf)) m_runLogList = m_runLog->ReadListOfSections();
  }
  if (!wf->directHeader) ReadModuleList();
  const int segments = WorkFileSegmentCount(wf);
  char label[128];
  if (acquisitionLog) {
    Add(nullptr, "Notes", LOGCODE_NOTES, true);
    Add(nullptr, "File Names", LOGCODE_FILE_NAMES, false);
    Add(nullptr, "Set Points", LOGCODE_SET_POINTS, false);
    Add(nullptr, "GC", LOGCODE_GC, false);
    HTREEITEM group = segments > 1 ? Add(nullptr, "Segments", LOGCODE_SEGMENTS, false) : nullptr;
    for (int i = 0; i < segments && LOGCODE_SEGMENT(i) + 3 < LOGCODE_MODULE(0); ++i) {
      std::snprintf(label, sizeof label, "Segment %d", i + 1);
      HTREEITEM seg = Add(group, label, static_cast<int16_t>(LOGCODE_SEGMENT(i)), false);
      Add(seg, "Information", static_cast<int16_t>(LOGCODE_SEGMENT(i) + 1), i == m_firstSegment);
      Add(seg, "IPM", static_cast<int16_t>(LOGCODE_SEGMENT(i) + 2), false);
      Add(seg, "Tune", static_cast<int16_t>(LOGCODE_SEGMENT(i) + 3), false);
    }
  }
  if (m_samplePrep) Add(nullptr, "Sample Preparation", LOGCODE_SAMPLE_PREP, true);
  if (m_injectionNotes) Add(nullptr, "Injection Sample Notes", LOGCODE_INJECTION_NOTES, true);
  if (m_recalcNotes) Add(nullptr, "Recalc Sample Notes", LOGCODE_RECALC_NOTES, true);
  const int runSections = m_runLogList ? m_runLogList->count : 0;
  HTREEITEM ms = nullptr;
  if (!m_modules.empty() || runSections > 0) {
    for (size_t m = 0; m < m_modules.size(); ++m) {
      if (static_cast<int>(m) == m_msModule) continue;
      Add(nullptr, ModuleLabel(m_modules[m].moduleType, m_modules[m].moduleAddress).c_str(),
          static_cast<int16_t>(LOGCODE_MODULE(m)), true);
    }
    if (m_moduleAttributes || m_eventLog || m_methodSegments || m_runLogList) {
      std::string msLabel = "Mass Spectrometer";
      if (m_msModule >= 0 || runSections > 0) {
        const uint16_t type = m_msModule >= 0 ? m_modules[static_cast<size_t>(m_msModule)].moduleType : wf->fileType;
        const uint16_t address = m_msModule >= 0 ? m_modules[static_cast<size_t>(m_msModule)].moduleAddress : wf->module;
        msLabel = ModuleLabel(type, address);
      }
      ms = Add(nullptr, msLabel.c_str(), LOGCODE_MASS_SPEC, false);
    }
  }
  int acquisitionSection = -1;
  if (m_runLogList) {
    for (int s = 0; s < runSections; ++s)
      if (_stricmp(m_runLogList->sections[s].name, "Acquisition Method ") == 0) {
        acquisitionSection = s;
        break;
      }
    if (acquisitionSection >= 0)
      Add(ms, "Acquisition Method", static_cast<int16_t>(LOGCODE_RUN_LOG_SECTION(acquisitionSection)), true);
    if (runSections > 0) {
      HTREEITEM run = Add(ms, "Run Log", LOGCODE_RUN_LOG, true);
      for (int s = 0; s < runSections && LOGCODE_RUN_LOG_SECTION(s) < 32767; ++s) {
        if (s == acquisitionSection) continue;
        char name[TREL_LOG_NAME_SIZE + 1] = {};
        std::memcpy(name, m_runLogList->sections[s].name, strnlen(m_runLogList->sections[s].name, TREL_LOG_NAME_SIZE));
        Add(run, name, static_cast<int16_t>(LOGCODE_RUN_LOG_SECTION(s)), s == 0);
      }
    }
  }
  if (m_moduleAttributes) Add(ms, "Module Attributes", LOGCODE_MODULE_ATTRIBUTES, false);
  if (m_eventLog) Add(ms, "Event Log", LOGCODE_EVENT_LOG, false);
  if (m_methodSegments && !wf->type61) {
    HTREEITEM method = Add(ms, "Acquisition Method",
                           static_cast<int16_t>(m_msModule >= 0 ? LOGCODE_MODULE(m_msModule) : LOGCODE_ACQ_METHOD), false);
    for (int i = 0; i < segments && LOGCODE_METHOD_SEGMENT(i) < LOGCODE_REVISION_LOG; ++i) {
      std::snprintf(label, sizeof label, "Segment %d", i + 1);
      Add(method, label, static_cast<int16_t>(LOGCODE_METHOD_SEGMENT(i)), i == m_firstSegment);
    }
  }
  if (m_revisionLog) Add(nullptr, "Revision Log", LOGCODE_REVISION_LOG, false);
  if (m_errorRecord) Add(nullptr, "Error Log", LOGCODE_ERROR_LOG, false);
  // The kept kind of section again when this file has it, else the default.
  HTREEITEM chosen = nullptr;
  std::vector<HTREEITEM> stack{reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))};
  while (!stack.empty() && !chosen) {
    HTREEITEM item = stack.back();
    stack.pop_back();
    for (; item && !chosen; item = reinterpret_cast<HTREEITEM>(
                                SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
      TVITEMA data{};
      data.mask = TVIF_PARAM;
      data.hItem = item;
      SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
      if (kept != 0 && static_cast<int16_t>(data.lParam) == kept) chosen = item;
      HTREEITEM child = reinterpret_cast<HTREEITEM>(
          SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
      if (child) stack.push_back(child);
    }
  }
  if (!chosen) chosen = m_default;
  if (chosen) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(chosen));
    TVITEMA data{};
    data.mask = TVIF_PARAM;
    data.hItem = chosen;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    m_building = false;
    ShowSection(static_cast<int16_t>(data.lParam));
  } else {
    m_building = false;
    Show({}, false);
  }
}

void CLogSectionBrowser::Show(const std::vector<std::string>& lines, bool fromLog) {
  m_lines = lines;
  m_textIsReal = fromLog && !lines.empty();
  if (fromLog && lines.empty()) m_lines = {"No Log"};
  if (!m_list) return;
  SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(m_list, LB_RESETCONTENT, 0, 0);
  for (const std::string& l : m_lines) SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(l.c_str()));
  SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(m_list, nullptr, TRUE);
}

bool CLogSectionBrowser::AcquisitionLines(int16_t code, std::vector<std::string>& lines) {
  CReadLogSection reader;
  if (!reader.Open(m_workFile)) return false;
  BOOL ok = FALSE;
  if (code == LOGCODE_NOTES) ok = reader.ReadUserLog();
  else if (code == LOGCODE_FILE_NAMES) ok = reader.ReadFileNames();
  else if (code == LOGCODE_SET_POINTS) ok = reader.ReadSetPoints();
  else if (code == LOGCODE_GC) ok = reader.ReadGC();
  else {
    const int16_t segment = static_cast<int16_t>((code - 7) / 4);
    const int kind = code - 4 * segment;
    if (kind == 8) ok = reader.ReadSegment(segment);
    else if (kind == 9) ok = reader.ReadIPM(segment);
    else if (kind == 10) ok = reader.ReadTune(segment);
  }
  if (ok) {
    // The block's first and last records (its heading and "End") are left out.
    for (int i = 1; i < reader.GetCount() - 1; ++i)
      if (const char* record = reader.GetRecord(i)) lines.push_back(Shown(record + 2, record + 62));
  }
  reader.Close();
  return true;
}

bool CLogSectionBrowser::RunLogLines(int16_t section, std::vector<std::string>& lines) {
  // Any file with a run log shows its sections (not only one kind of module).
  if (!m_runLog || !m_runLogList || section < 0 || section >= m_runLogList->count) return false;
  const int16_t n = m_runLog->OpenSection(m_runLogList, section);
  if (n <= 0) return true;
  if (section == 0) lines.emplace_back("************ General Information ************");
  for (int16_t i = 0; i < n; ++i) {
    char line[TREL_LOG_LINE_SIZE] = {};
    if (!m_runLog->GetNextSectionLine(line)) break;
    lines.push_back(Shown(line, line + strnlen(line, sizeof line)));
  }
  return true;
}

bool CLogSectionBrowser::ProducedLines(int16_t code, std::vector<std::string>& lines) {
  STRUCT_WORK_FILE* wf = m_workFile;
  const char* path = wf->filePath;
  const int segments = WorkFileSegmentCount(wf);
  switch (code) {
    case LOGCODE_MODULE_ATTRIBUTES:
      return Produce([&](std::FILE* f) { DF_WriteModuleAttributesText(f, path, wf->module, wf->fileType); }, false, lines);
    case LOGCODE_SAMPLE_PREP: return Produce([&](std::FILE* f) { DF_WriteSamplePrepText(f, path); }, false, lines);
    case LOGCODE_EVENT_LOG:
      return Produce([&](std::FILE* f) { DF_WriteEventLogText(f, path, wf->module, wf->fileType); }, false, lines);
    case LOGCODE_REVISION_LOG:
      return Produce([&](std::FILE* f) { KELT_WriteRevisionLogToTextFile(f, wf); }, false, lines);
    case LOGCODE_DRIVER_METHOD:
      if (m_modules.empty()) return false;
      return Produce([&](std::FILE* f) { KELT_WriteModuleInfoToTextFile(m_modules[0].moduleAddress, path, f, 1); },
                     false, lines);
    default: break;
  }
  if (code >= LOGCODE_METHOD_SEGMENT(0) && code < LOGCODE_METHOD_SEGMENT(segments) && code < LOGCODE_REVISION_LOG) {
    const int16_t i = static_cast<int16_t>(code - LOGCODE_METHOD_SEGMENT(0));
    return Produce([&](std::FILE* f) { DF_WriteSegmentMethodText(f, path, wf->module, wf->fileType, static_cast<int16_t>(i + 1)); },
                   false, lines);
  }
  if (code >= LOGCODE_MODULE(0) && code < LOGCODE_MODULE(static_cast<int>(m_modules.size()))) {
    const STRUCT_LOG_MODULE& m = m_modules[static_cast<size_t>(code - LOGCODE_MODULE(0))];
    return Produce(
        [&](std::FILE* f) {
          KELT_WriteModuleInfoToTextFile(m.moduleAddress, path, f, 1);
          if (!GetModuleConfig(MODULE_CONFIG_INSTRUMENT, m.moduleType)) {
            std::fprintf(f, "Could not format run log for the module at address %d (type %d).\r\n", m.moduleAddress,
                         m.moduleType);
            std::fputs("Install the appropriate module driver to format this data.\r\n\r\n", f);
          }
        },
        false, lines);
  }
  return false;
}

void CLogSectionBrowser::ShowSection(int16_t code) {
  if (m_building || !m_workFile) return;
  m_selectedCode = code;
  std::vector<std::string> lines;
  switch (code) {
    case LOGCODE_MASS_SPEC: Show({"Select Log"}, false); return;
    case LOGCODE_ACQ_METHOD:
    case LOGCODE_SEGMENTS: Show({"Select Segment"}, false); return;
    case LOGCODE_RUN_LOG: Show({"Select Run Log"}, false); return;
    case LOGCODE_INJECTION_NOTES: Show(m_injectionLines, true); return;
    case LOGCODE_RECALC_NOTES: Show(m_recalcLines, true); return;
    case LOGCODE_ERROR_LOG: {
      const std::vector<uint16_t> ids = m_errorRecord ? ErrorLogIds(m_errors) : std::vector<uint16_t>();
      if (!ids.empty()) {
        char folder[MAX_PATH + 1] = {};
        if (!GetProgramDirectory(folder)) folder[0] = 0;
        std::string file = folder;
        if (!file.empty()) file += "\\";
        file += "holbrin.dll";
        if (HMODULE library = LoadLibraryA(file.c_str())) {
          for (uint16_t id : ids) {
            char text[81] = {};
            if (LoadStringA(library, id, text, sizeof text) > 0) lines.emplace_back(text);
          }
          FreeLibrary(library);
        }
      }
      Show(lines, true);
      return;
    }
    default: break;
  }
  if (code >= 7 && code < LOGCODE_MODULE(0) && (code - 7) % 4 == 0) {
    Show({"Select Item"}, false);
    return;
  }
  const bool acquisitionCode = code == LOGCODE_NOTES || code == LOGCODE_FILE_NAMES || code == LOGCODE_SET_POINTS ||
                               code == LOGCODE_GC || (code >= 8 && code <= 1006);
  if (acquisitionCode) AcquisitionLines(code, lines);
  else if (code > LOGCODE_RUN_LOG) RunLogLines(static_cast<int16_t>(code - LOGCODE_RUN_LOG_SECTION(0)), lines);
  else ProducedLines(code, lines);
  Show(lines, true);
}

}  // namespace kelt::dlg
