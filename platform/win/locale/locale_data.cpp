// Locale items of the supported locales (texts in Windows-1252) and the
// workstation's locale settings from "locale.ini".
#include "locale_data.h"
#include "win_locale_hold.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "ini_file.h"
#include "win_paths.h"

namespace win::locale {
namespace {

constexpr LCID kEnUs = 0x0409;
constexpr LCID kEnGb = 0x0809;
constexpr LCID kDeDe = 0x0407;
constexpr LCID kFrFr = 0x040C;

void AddNames(Items& m, const char* const days[7], const char* const abbrevDays[7], const char* const months[12],
              const char* const abbrevMonths[12]) {
  for (LCTYPE i = 0; i < 7; ++i) {
    m[LOCALE_SDAYNAME1 + i] = days[i];
    m[LOCALE_SABBREVDAYNAME1 + i] = abbrevDays[i];
  }
  for (LCTYPE i = 0; i < 12; ++i) {
    m[LOCALE_SMONTHNAME1 + i] = months[i];
    m[LOCALE_SABBREVMONTHNAME1 + i] = abbrevMonths[i];
  }
}

Items EnglishCommon() {
  static const char* const days[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
  static const char* const abbrevDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                       "July",    "August",   "September", "October", "November", "December"};
  static const char* const abbrevMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  Items m;
  AddNames(m, days, abbrevDays, months, abbrevMonths);
  m[LOCALE_SLANGUAGE] = "English";
  m[LOCALE_SNATIVELANGNAME] = "English";
  m[LOCALE_SENGLANGUAGE] = "English";
  m[LOCALE_SISO639LANGNAME] = "en";
  m[LOCALE_IDEFAULTANSICODEPAGE] = "1252";
  m[LOCALE_SDECIMAL] = ".";
  m[LOCALE_STHOUSAND] = ",";
  m[LOCALE_SGROUPING] = "3;0";
  m[LOCALE_IDIGITS] = "2";
  m[LOCALE_ILZERO] = "1";
  m[LOCALE_INEGNUMBER] = "1";
  m[LOCALE_SNATIVEDIGITS] = "0123456789";
  m[LOCALE_SMONDECIMALSEP] = ".";
  m[LOCALE_SMONTHOUSANDSEP] = ",";
  m[LOCALE_SMONGROUPING] = "3;0";
  m[LOCALE_ICURRDIGITS] = "2";
  m[LOCALE_IINTLCURRDIGITS] = "2";
  m[LOCALE_SPOSITIVESIGN] = "";
  m[LOCALE_SNEGATIVESIGN] = "-";
  m[LOCALE_SLIST] = ",";
  m[LOCALE_STIME] = ":";
  m[LOCALE_S1159] = "AM";
  m[LOCALE_S2359] = "PM";
  m[LOCALE_ICENTURY] = "1";
  m[LOCALE_ITIMEMARKPOSN] = "0";
  m[LOCALE_SYEARMONTH] = "MMMM yyyy";
  m[kEraNameItem] = "A.D.";  // era name, internal
  return m;
}

Items EnUs() {
  Items m = EnglishCommon();
  m[LOCALE_ILANGUAGE] = "0409";
  m[LOCALE_SNAME] = "en-US";
  m[LOCALE_SABBREVLANGNAME] = "ENU";
  m[LOCALE_ICOUNTRY] = "1";
  m[LOCALE_SCOUNTRY] = "United States";
  m[LOCALE_SENGCOUNTRY] = "United States";
  m[LOCALE_SNATIVECTRYNAME] = "United States";
  m[LOCALE_SABBREVCTRYNAME] = "USA";
  m[LOCALE_SISO3166CTRYNAME] = "US";
  m[LOCALE_IDEFAULTLANGUAGE] = "0409";
  m[LOCALE_IDEFAULTCOUNTRY] = "1";
  m[LOCALE_IDEFAULTCODEPAGE] = "437";
  m[LOCALE_IMEASURE] = "1";
  m[LOCALE_SCURRENCY] = "$";
  m[LOCALE_SINTLSYMBOL] = "USD";
  m[LOCALE_ICURRENCY] = "0";
  m[LOCALE_INEGCURR] = "0";
  m[LOCALE_SDATE] = "/";
  m[LOCALE_SSHORTDATE] = "M/d/yyyy";
  m[LOCALE_SLONGDATE] = "dddd, MMMM dd, yyyy";
  m[LOCALE_STIMEFORMAT] = "h:mm:ss tt";
  m[LOCALE_IDATE] = "0";
  m[LOCALE_ILDATE] = "0";
  m[LOCALE_ITIME] = "0";
  m[LOCALE_ITLZERO] = "0";
  m[LOCALE_IDAYLZERO] = "0";
  m[LOCALE_IMONLZERO] = "0";
  m[LOCALE_IFIRSTDAYOFWEEK] = "6";
  return m;
}

Items EnGb() {
  Items m = EnglishCommon();
  m[LOCALE_ILANGUAGE] = "0809";
  m[LOCALE_SNAME] = "en-GB";
  m[LOCALE_SABBREVLANGNAME] = "ENG";
  m[LOCALE_ICOUNTRY] = "44";
  m[LOCALE_SCOUNTRY] = "United Kingdom";
  m[LOCALE_SENGCOUNTRY] = "United Kingdom";
  m[LOCALE_SNATIVECTRYNAME] = "United Kingdom";
  m[LOCALE_SABBREVCTRYNAME] = "GBR";
  m[LOCALE_SISO3166CTRYNAME] = "GB";
  m[LOCALE_IDEFAULTLANGUAGE] = "0809";
  m[LOCALE_IDEFAULTCOUNTRY] = "44";
  m[LOCALE_IDEFAULTCODEPAGE] = "850";
  m[LOCALE_IMEASURE] = "0";
  m[LOCALE_SCURRENCY] = "\xA3";
  m[LOCALE_SINTLSYMBOL] = "GBP";
  m[LOCALE_ICURRENCY] = "0";
  m[LOCALE_INEGCURR] = "1";
  m[LOCALE_SDATE] = "/";
  m[LOCALE_SSHORTDATE] = "dd/MM/yyyy";
  m[LOCALE_SLONGDATE] = "dd MMMM yyyy";
  m[LOCALE_STIMEFORMAT] = "HH:mm:ss";
  m[LOCALE_IDATE] = "1";
  m[LOCALE_ILDATE] = "1";
  m[LOCALE_ITIME] = "1";
  m[LOCALE_ITLZERO] = "1";
  m[LOCALE_IDAYLZERO] = "1";
  m[LOCALE_IMONLZERO] = "1";
  m[LOCALE_IFIRSTDAYOFWEEK] = "0";
  return m;
}

Items DeDe() {
  static const char* const days[] = {"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"};
  static const char* const abbrevDays[] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
  static const char* const months[] = {"Januar", "Februar", "M\xE4rz",    "April",   "Mai",      "Juni",
                                       "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  static const char* const abbrevMonths[] = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                                             "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  Items m;
  AddNames(m, days, abbrevDays, months, abbrevMonths);
  m[LOCALE_ILANGUAGE] = "0407";
  m[LOCALE_SNAME] = "de-DE";
  m[LOCALE_SLANGUAGE] = "German";
  m[LOCALE_SNATIVELANGNAME] = "Deutsch";
  m[LOCALE_SENGLANGUAGE] = "German";
  m[LOCALE_SABBREVLANGNAME] = "DEU";
  m[LOCALE_SISO639LANGNAME] = "de";
  m[LOCALE_ICOUNTRY] = "49";
  m[LOCALE_SCOUNTRY] = "Germany";
  m[LOCALE_SENGCOUNTRY] = "Germany";
  m[LOCALE_SNATIVECTRYNAME] = "Deutschland";
  m[LOCALE_SABBREVCTRYNAME] = "DEU";
  m[LOCALE_SISO3166CTRYNAME] = "DE";
  m[LOCALE_IDEFAULTLANGUAGE] = "0407";
  m[LOCALE_IDEFAULTCOUNTRY] = "49";
  m[LOCALE_IDEFAULTCODEPAGE] = "850";
  m[LOCALE_IDEFAULTANSICODEPAGE] = "1252";
  m[LOCALE_IMEASURE] = "0";
  m[LOCALE_SDECIMAL] = ",";
  m[LOCALE_STHOUSAND] = ".";
  m[LOCALE_SGROUPING] = "3;0";
  m[LOCALE_IDIGITS] = "2";
  m[LOCALE_ILZERO] = "1";
  m[LOCALE_INEGNUMBER] = "1";
  m[LOCALE_SNATIVEDIGITS] = "0123456789";
  m[LOCALE_SCURRENCY] = "\x80";
  m[LOCALE_SINTLSYMBOL] = "EUR";
  m[LOCALE_SMONDECIMALSEP] = ",";
  m[LOCALE_SMONTHOUSANDSEP] = ".";
  m[LOCALE_SMONGROUPING] = "3;0";
  m[LOCALE_ICURRDIGITS] = "2";
  m[LOCALE_IINTLCURRDIGITS] = "2";
  m[LOCALE_ICURRENCY] = "3";
  m[LOCALE_INEGCURR] = "8";
  m[LOCALE_SPOSITIVESIGN] = "";
  m[LOCALE_SNEGATIVESIGN] = "-";
  m[LOCALE_SLIST] = ";";
  m[LOCALE_SDATE] = ".";
  m[LOCALE_STIME] = ":";
  m[LOCALE_SSHORTDATE] = "dd.MM.yyyy";
  m[LOCALE_SLONGDATE] = "dddd, d. MMMM yyyy";
  m[LOCALE_STIMEFORMAT] = "HH:mm:ss";
  m[LOCALE_SYEARMONTH] = "MMMM yyyy";
  m[LOCALE_IDATE] = "1";
  m[LOCALE_ILDATE] = "1";
  m[LOCALE_ITIME] = "1";
  m[LOCALE_ITIMEMARKPOSN] = "0";
  m[LOCALE_ICENTURY] = "1";
  m[LOCALE_ITLZERO] = "1";
  m[LOCALE_IDAYLZERO] = "1";
  m[LOCALE_IMONLZERO] = "1";
  m[LOCALE_S1159] = "";
  m[LOCALE_S2359] = "";
  m[LOCALE_IFIRSTDAYOFWEEK] = "0";
  m[kEraNameItem] = "n. Chr.";
  return m;
}

Items FrFr() {
  static const char* const days[] = {"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"};
  static const char* const abbrevDays[] = {"lun.", "mar.", "mer.", "jeu.", "ven.", "sam.", "dim."};
  static const char* const months[] = {"janvier", "f\xE9vrier", "mars",    "avril",   "mai",      "juin",
                                       "juillet", "ao\xFBt",    "septembre", "octobre", "novembre", "d\xE9" "cembre"};
  static const char* const abbrevMonths[] = {"janv.", "f\xE9vr.", "mars", "avr.", "mai",  "juin",
                                             "juil.", "ao\xFBt",  "sept.", "oct.", "nov.", "d\xE9" "c."};
  Items m;
  AddNames(m, days, abbrevDays, months, abbrevMonths);
  m[LOCALE_ILANGUAGE] = "040c";
  m[LOCALE_SNAME] = "fr-FR";
  m[LOCALE_SLANGUAGE] = "French";
  m[LOCALE_SNATIVELANGNAME] = "fran\xE7" "ais";
  m[LOCALE_SENGLANGUAGE] = "French";
  m[LOCALE_SABBREVLANGNAME] = "FRA";
  m[LOCALE_SISO639LANGNAME] = "fr";
  m[LOCALE_ICOUNTRY] = "33";
  m[LOCALE_SCOUNTRY] = "France";
  m[LOCALE_SENGCOUNTRY] = "France";
  m[LOCALE_SNATIVECTRYNAME] = "France";
  m[LOCALE_SABBREVCTRYNAME] = "FRA";
  m[LOCALE_SISO3166CTRYNAME] = "FR";
  m[LOCALE_IDEFAULTLANGUAGE] = "040c";
  m[LOCALE_IDEFAULTCOUNTRY] = "33";
  m[LOCALE_IDEFAULTCODEPAGE] = "850";
  m[LOCALE_IDEFAULTANSICODEPAGE] = "1252";
  m[LOCALE_IMEASURE] = "0";
  m[LOCALE_SDECIMAL] = ",";
  m[LOCALE_STHOUSAND] = "\xA0";  // no-break space
  m[LOCALE_SGROUPING] = "3;0";
  m[LOCALE_IDIGITS] = "2";
  m[LOCALE_ILZERO] = "1";
  m[LOCALE_INEGNUMBER] = "1";
  m[LOCALE_SNATIVEDIGITS] = "0123456789";
  m[LOCALE_SCURRENCY] = "\x80";
  m[LOCALE_SINTLSYMBOL] = "EUR";
  m[LOCALE_SMONDECIMALSEP] = ",";
  m[LOCALE_SMONTHOUSANDSEP] = "\xA0";
  m[LOCALE_SMONGROUPING] = "3;0";
  m[LOCALE_ICURRDIGITS] = "2";
  m[LOCALE_IINTLCURRDIGITS] = "2";
  m[LOCALE_ICURRENCY] = "3";
  m[LOCALE_INEGCURR] = "8";
  m[LOCALE_SPOSITIVESIGN] = "";
  m[LOCALE_SNEGATIVESIGN] = "-";
  m[LOCALE_SLIST] = ";";
  m[LOCALE_SDATE] = "/";
  m[LOCALE_STIME] = ":";
  m[LOCALE_SSHORTDATE] = "dd/MM/yyyy";
  m[LOCALE_SLONGDATE] = "dddd d MMMM yyyy";
  m[LOCALE_STIMEFORMAT] = "HH:mm:ss";
  m[LOCALE_SYEARMONTH] = "MMMM yyyy";
  m[LOCALE_IDATE] = "1";
  m[LOCALE_ILDATE] = "1";
  m[LOCALE_ITIME] = "1";
  m[LOCALE_ITIMEMARKPOSN] = "0";
  m[LOCALE_ICENTURY] = "1";
  m[LOCALE_ITLZERO] = "1";
  m[LOCALE_IDAYLZERO] = "1";
  m[LOCALE_IMONLZERO] = "1";
  m[LOCALE_S1159] = "";
  m[LOCALE_S2359] = "";
  m[LOCALE_IFIRSTDAYOFWEEK] = "0";
  m[kEraNameItem] = "ap. J.-C.";
  return m;
}

Items Invariant() {
  Items m = EnUs();
  m[LOCALE_ILANGUAGE] = "007f";
  m[LOCALE_SNAME] = "";
  m[LOCALE_SSHORTDATE] = "MM/dd/yyyy";
  m[LOCALE_SLONGDATE] = "dddd, dd MMMM yyyy";
  m[LOCALE_STIMEFORMAT] = "HH:mm:ss";
  m[LOCALE_ITIME] = "1";
  m[LOCALE_ITLZERO] = "1";
  m[LOCALE_IDAYLZERO] = "1";
  m[LOCALE_IMONLZERO] = "1";
  m[LOCALE_SCURRENCY] = "\xA4";
  m[LOCALE_SINTLSYMBOL] = "XDR";
  m[LOCALE_SCOUNTRY] = "Invariant Country";
  m[LOCALE_SENGCOUNTRY] = "Invariant Country";
  m[LOCALE_SLANGUAGE] = "Invariant Language";
  m[LOCALE_SENGLANGUAGE] = "Invariant Language";
  return m;
}

const Items* BaseItems(LCID lcid) {
  static const std::map<LCID, Items> all = {
      {kEnUs, EnUs()}, {kEnGb, EnGb()}, {kDeDe, DeDe()}, {kFrFr, FrFr()}, {LOCALE_INVARIANT, Invariant()}};
  auto it = all.find(lcid);
  return it == all.end() ? nullptr : &it->second;
}

// Keys of locale.ini by the names the control panel stored them under.
const std::map<std::string, LCTYPE>& OverrideKeys() {
  static const std::map<std::string, LCTYPE> keys = {
      {"sdecimal", LOCALE_SDECIMAL},       {"sthousand", LOCALE_STHOUSAND},
      {"sgrouping", LOCALE_SGROUPING},     {"idigits", LOCALE_IDIGITS},
      {"ilzero", LOCALE_ILZERO},           {"inegnumber", LOCALE_INEGNUMBER},
      {"slist", LOCALE_SLIST},             {"sshortdate", LOCALE_SSHORTDATE},
      {"slongdate", LOCALE_SLONGDATE},     {"stimeformat", LOCALE_STIMEFORMAT},
      {"sdate", LOCALE_SDATE},             {"stime", LOCALE_STIME},
      {"s1159", LOCALE_S1159},             {"s2359", LOCALE_S2359},
      {"idate", LOCALE_IDATE},             {"itime", LOCALE_ITIME},
      {"itlzero", LOCALE_ITLZERO},         {"ifirstdayofweek", LOCALE_IFIRSTDAYOFWEEK},
      {"snegativesign", LOCALE_SNEGATIVESIGN}, {"spositivesign", LOCALE_SPOSITIVESIGN},
      {"imeasure", LOCALE_IMEASURE},       {"scurrency", LOCALE_SCURRENCY},
      {"syearmonth", LOCALE_SYEARMONTH},
  };
  return keys;
}

LCID LcidFromName(std::string name) {
  for (auto& c : name) c = c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "en-us") return kEnUs;
  if (name == "en-gb") return kEnGb;
  if (name == "de-de") return kDeDe;
  if (name == "fr-fr") return kFrFr;
  // A locale id in hexadecimal ("0407").
  char* end = nullptr;
  unsigned long v = std::strtoul(name.c_str(), &end, 16);
  if (!name.empty() && end && *end == '\0' && BaseItems(static_cast<LCID>(v))) return static_cast<LCID>(v);
  return kEnUs;
}

struct Settings {
  LCID user = kEnUs;
  LCID system = kEnUs;
  Items overrides;
};

// What stat tells of the file; equal facts stand for equal bytes only
// when the file was last changed well before it was read (file times
// are coarse: a rewrite within the same tick keeps them).
struct FileFacts {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
  bool operator==(const FileFacts& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

FileFacts FactsOf(const std::string& path) {
  FileFacts f;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return f;
  f.exists = true;
  f.dev = st.st_dev;
  f.ino = st.st_ino;
  f.size = st.st_size;
  f.mtime = st.st_mtim;
  f.ctime = st.st_ctim;
  return f;
}

struct Cache {
  std::mutex mutex;
  std::string path;
  bool exists = false;
  std::string content;
  bool valid = false;
  FileFacts facts;
  bool settled = false;  // facts alone may vouch for the content
  std::shared_ptr<const Settings> settings;
};

// Seconds by which a file's last change must precede the read for its
// times to tell every later change, where the file system's times may be
// as coarse as two seconds.
constexpr time_t kSettledSeconds = 2;

// File systems that keep times from the kernel's coarse clock (a tick of a
// few milliseconds): a change a tick after a look gets a later time. The
// margin is several ticks at the slowest tick rate.
constexpr int64_t kFineSettledNanos = 50'000'000;

bool FineTimes(const std::string& folder) {
  struct statfs fs;
  if (statfs(folder.c_str(), &fs) != 0) return false;
  switch (static_cast<uint64_t>(fs.f_type)) {
    case 0xEF53:      // ext2/3/4
    case 0x01021994:  // tmpfs
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x794C7630:  // overlay
      return true;
    default:
      return false;
  }
}

// Whether facts taken at now vouch for every later change.
bool SettledAt(const FileFacts& f, const timespec& now, bool fineTimes) {
  if (!fineTimes) return now.tv_sec - std::max(f.mtime.tv_sec, f.ctime.tv_sec) >= kSettledSeconds;
  auto nanos = [](const timespec& t) { return int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
  return nanos(now) - std::max(nanos(f.mtime), nanos(f.ctime)) >= kFineSettledNanos;
}

// The file is small; comparing its bytes catches every change, which file
// times of coarse granularity would not.
bool ReadSmallFile(const std::string& path, std::string* out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out->clear();
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

// Where "locale.ini" lies on the host. Mapping the name (a case-blind
// search of each folder when the file is not there as written) costs far
// more than the settings themselves, and every number and date format asks
// for them: the mapping is kept per root and made again only when the file
// is missing and its folder may have changed since.
struct SettingsPath {
  std::mutex mutex;
  std::string root;
  std::string file;
  std::string folder;
  FileFacts folderFacts;
  bool folderSettled = false;  // the folder's facts vouch that no name was added
  bool fileMissing = false;    // at the last look
  bool fineTimes = false;      // the folder's file system keeps fine times
};

FileFacts SettingsFileFacts(std::string* path, bool* fineTimes) {
  static SettingsPath where;
  const std::string root = win::paths::Root();
  std::lock_guard<std::mutex> lock(where.mutex);
  if (where.root != root || where.file.empty()) {
    where.root = root;
    where.folder = win::paths::ToHost(win::paths::SettingsFolder());
    where.file = win::paths::ToHost(win::paths::SettingsFolder() + "\\locale.ini");
    where.folderSettled = false;
    where.fileMissing = false;
    where.fineTimes = FineTimes(where.folder);
  }
  *fineTimes = where.fineTimes;
  // A file that was missing is still missing while its folder is as it
  // was: a name added to a folder changes the folder.
  if (where.fileMissing && where.folderSettled && FactsOf(where.folder) == where.folderFacts) {
    *path = where.file;
    return FileFacts{};
  }
  FileFacts facts = FactsOf(where.file);
  if (!facts.exists) {
    const FileFacts folder = FactsOf(where.folder);
    if (!where.folderSettled || !(folder == where.folderFacts)) {
      where.folder = win::paths::ToHost(win::paths::SettingsFolder());
      where.file = win::paths::ToHost(win::paths::SettingsFolder() + "\\locale.ini");
      facts = FactsOf(where.file);
      timespec now{};
      clock_gettime(CLOCK_REALTIME, &now);
      where.folderFacts = FactsOf(where.folder);
      where.fineTimes = FineTimes(where.folder);
      *fineTimes = where.fineTimes;
      where.folderSettled = where.folderFacts == folder && SettledAt(folder, now, where.fineTimes);
    }
  }
  where.fileMissing = !facts.exists;
  *path = where.file;
  return facts;
}

// Shared and never changed once made: a new content makes a new object, so
// whatever was worked out from one may be kept as long as it is current.
// The settings a hold on this thread keeps, and how deep the holds go.
thread_local int t_holdDepth = 0;
thread_local std::shared_ptr<const Settings> t_held;

std::shared_ptr<const Settings> LookUpSettings();

std::shared_ptr<const Settings> CurrentSettings() {
  if (t_holdDepth == 0) return LookUpSettings();
  if (!t_held) t_held = LookUpSettings();
  return t_held;
}

std::shared_ptr<const Settings> LookUpSettings() {
  static Cache cache;
  std::string path;
  bool fineTimes = false;
  const FileFacts facts = SettingsFileFacts(&path, &fineTimes);
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.valid && cache.settled && cache.path == path && cache.facts == facts) return cache.settings;
  }
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::string content;
  bool exists = ReadSmallFile(path, &content);
  std::lock_guard<std::mutex> lock(cache.mutex);
  const bool settled = FactsOf(path) == facts && SettledAt(facts, now, fineTimes);
  if (cache.valid && cache.path == path && cache.exists == exists && cache.content == content) {
    cache.facts = facts;
    cache.settled = settled;
    return cache.settings;
  }
  Settings s;
  win::ini::IniFile ini;
  if (exists && ini.Load(path)) {
    std::string v;
    if (ini.Get("Locale", "Name", &v) && !v.empty()) s.user = LcidFromName(v);
    s.system = s.user;
    if (ini.Get("Locale", "SystemName", &v) && !v.empty()) s.system = LcidFromName(v);
    for (const auto& entry : ini.SectionEntries("Locale")) {
      size_t eq = entry.find('=');
      if (eq == std::string::npos) continue;
      std::string key = entry.substr(0, eq);
      for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      auto it = OverrideKeys().find(key);
      if (it == OverrideKeys().end()) continue;
      std::string value = entry.substr(eq + 1);
      // Quotes allow leading or trailing blanks (a blank thousands separator).
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      s.overrides[it->second] = value;
    }
  }
  cache.path = path;
  cache.exists = exists;
  cache.content = std::move(content);
  cache.valid = true;
  cache.facts = facts;
  cache.settled = settled;
  cache.settings = std::make_shared<const Settings>(std::move(s));
  return cache.settings;
}

}  // namespace

SettingsHold::SettingsHold() { ++t_holdDepth; }

SettingsHold::~SettingsHold() {
  if (--t_holdDepth == 0) t_held.reset();
}

LCID UserLcid() { return CurrentSettings()->user; }
LCID SystemLcid() { return CurrentSettings()->system; }

std::shared_ptr<const Items> ResolveShared(LCID lcid, bool useOverrides, LCID* resolved) {
  const std::shared_ptr<const Settings> s = CurrentSettings();
  LCID id = lcid;
  if (id == LOCALE_USER_DEFAULT || id == LOCALE_NEUTRAL) id = s->user;
  else if (id == LOCALE_SYSTEM_DEFAULT) id = s->system;
  const Items* base = BaseItems(id);
  if (!base) return nullptr;
  if (resolved) *resolved = id;
  const bool withOverrides = useOverrides && id == s->user && !s->overrides.empty();
  // The items of each locale are made once for the current settings: every
  // number and date format asks for them.
  static std::mutex mutex;
  static std::shared_ptr<const Settings> madeFor;
  static std::map<std::pair<LCID, bool>, std::shared_ptr<const Items>> made;
  std::lock_guard<std::mutex> lock(mutex);
  if (madeFor != s) {
    made.clear();
    madeFor = s;
  }
  std::shared_ptr<const Items>& slot = made[{id, withOverrides}];
  if (!slot) {
    auto items = std::make_shared<Items>(*base);
    if (withOverrides)
      for (const auto& [type, value] : s->overrides) (*items)[type] = value;
    slot = std::move(items);
  }
  return slot;
}

bool Resolve(LCID lcid, bool useOverrides, Items* out, LCID* resolved) {
  const std::shared_ptr<const Items> items = ResolveShared(lcid, useOverrides, resolved);
  if (!items) return false;
  *out = *items;
  return true;
}

bool IsNumericItem(LCTYPE type) {
  switch (type) {
    case LOCALE_ILANGUAGE: case LOCALE_ICOUNTRY: case LOCALE_IDEFAULTLANGUAGE: case LOCALE_IDEFAULTCOUNTRY:
    case LOCALE_IDEFAULTCODEPAGE: case LOCALE_IMEASURE: case LOCALE_IDIGITS: case LOCALE_ILZERO:
    case LOCALE_ICURRDIGITS: case LOCALE_IINTLCURRDIGITS: case LOCALE_ICURRENCY: case LOCALE_INEGCURR:
    case LOCALE_IDATE: case LOCALE_ILDATE: case LOCALE_ITIME: case LOCALE_ICENTURY: case LOCALE_ITLZERO:
    case LOCALE_IDAYLZERO: case LOCALE_IMONLZERO: case LOCALE_IDEFAULTANSICODEPAGE: case LOCALE_ITIMEMARKPOSN:
    case LOCALE_IFIRSTDAYOFWEEK: case LOCALE_INEGNUMBER:
      return true;
    default:
      return false;
  }
}

}  // namespace win::locale
