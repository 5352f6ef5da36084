// Ini text files as line lists: parse, look up, edit, replace atomically.
#include "ini_file.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "win_faults.h"

namespace win::ini {
namespace {

enum class Kind { Blank, Comment, Header, Entry };

struct Parsed {
  Kind kind = Kind::Blank;
  std::string_view name;   // section name or key
  std::string_view value;  // entries with '=' only
  bool hasValue = false;
};

Parsed Parse(std::string_view text) {
  Parsed p;
  std::string_view t = Trim(text);
  if (t.empty()) return p;
  if (t[0] == ';') {
    p.kind = Kind::Comment;
    return p;
  }
  if (t[0] == '[') {
    p.kind = Kind::Header;
    std::string_view rest = t.substr(1);
    size_t close = rest.find(']');
    p.name = Trim(close == std::string_view::npos ? rest : rest.substr(0, close));
    return p;
  }
  p.kind = Kind::Entry;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    p.name = t;
  } else {
    p.name = Trim(t.substr(0, eq));
    p.value = Trim(t.substr(eq + 1));
    p.hasValue = true;
  }
  return p;
}

std::string FolderOf(const std::string& hostPath) {
  size_t slash = hostPath.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

FolderWriteLock::FolderWriteLock(const std::string& hostPath) {
  fd_ = open(FolderOf(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ >= 0) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FolderWriteLock::~FolderWriteLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the claim
}

bool IniFile::Load(const std::string& hostPath) {
  lines_.clear();
  utf8Mark_ = false;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  std::string data;
  char buf[65536];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.append(buf, static_cast<size_t>(n));
  }
  close(fd);
  size_t pos = 0;
  utf8Mark_ = data.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (utf8Mark_) pos = 3;
  while (pos < data.size()) {
    size_t nl = data.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      line.text = data.substr(pos);
      pos = data.size();
    } else {
      line.text = data.substr(pos, nl - pos);
      line.eol = "\n";
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.eol = "\r\n";
      }
      pos = nl + 1;
    }
    lines_.push_back(std::move(line));
  }
  return true;
}

std::string IniFile::Text() const {
  std::string data = utf8Mark_ ? "\xEF\xBB\xBF" : "";
  for (const auto& l : lines_) {
    data += l.text;
    data += l.eol;
  }
  return data;
}

bool IniFile::Save(const std::string& hostPath) const {
  const std::string data = Text();
  std::string folder = FolderOf(hostPath);
  std::string name = hostPath.substr(hostPath.rfind('/') + 1);
  std::string tmpl = folder + "/." + name + ".XXXXXX";
  win::faults::FileCall();
  if (!win::faults::WriteAllowed()) {
    errno = ENOSPC;
    return false;
  }
  int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  mode_t mode = 0644;
  if (stat(hostPath.c_str(), &st) == 0) mode = st.st_mode & 07777;
  bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, data) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(tmpl.c_str(), hostPath.c_str()) == 0;
  if (!ok) {
    int saved = errno;
    unlink(tmpl.c_str());
    errno = saved;
  }
  return ok;
}

std::vector<IniFile::Range> IniFile::FindSections(std::string_view section) const {
  std::vector<Range> out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind != Kind::Header) continue;
    if (!out.empty() && out.back().end == lines_.size()) out.back().end = i;
    if (SameName(p.name, Trim(section))) out.push_back({i, lines_.size()});
  }
  return out;
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> out;
  for (const auto& l : lines_) {
    Parsed p = Parse(l.text);
    if (p.kind == Kind::Header) out.emplace_back(p.name);
  }
  return out;
}

bool IniFile::HasSection(std::string_view section) const { return !FindSections(section).empty(); }

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> out;
  auto ranges = FindSections(section);
  if (ranges.empty()) return out;
  for (size_t i = ranges[0].header + 1; i < ranges[0].end; ++i) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind == Kind::Entry && !p.name.empty()) out.emplace_back(p.name);
  }
  return out;
}

bool IniFile::Get(std::string_view section, std::string_view key, std::string* value) const {
  auto ranges = FindSections(section);
  if (ranges.empty()) return false;
  for (size_t i = ranges[0].header + 1; i < ranges[0].end; ++i) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind == Kind::Entry && SameName(p.name, Trim(key))) {
      if (!p.hasValue) return false;
      value->assign(p.value);
      return true;
    }
  }
  return false;
}

std::vector<std::string> IniFile::SectionEntries(std::string_view section) const {
  std::vector<std::string> out;
  auto ranges = FindSections(section);
  if (ranges.empty()) return out;
  for (size_t i = ranges[0].header + 1; i < ranges[0].end; ++i) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind != Kind::Entry) continue;
    std::string e(p.name);
    if (p.hasValue) {
      e += '=';
      e += p.value;
    }
    out.push_back(std::move(e));
  }
  return out;
}

std::string IniFile::DefaultEol() const {
  if (!lines_.empty() && !lines_[0].eol.empty()) return lines_[0].eol;
  return "\r\n";
}

void IniFile::AppendLine(std::string text) {
  std::string eol = DefaultEol();
  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = eol;
  lines_.push_back({std::move(text), eol});
}

size_t IniFile::InsertPointAtEnd(const Range& r) const {
  size_t at = r.header + 1;
  for (size_t i = r.header + 1; i < r.end; ++i) {
    if (Parse(lines_[i].text).kind != Kind::Blank) at = i + 1;
  }
  return at;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string entry = std::string(Trim(key)) + "=" + std::string(value);
  auto ranges = FindSections(section);
  if (ranges.empty()) {
    if (!lines_.empty() && Parse(lines_.back().text).kind != Kind::Blank) AppendLine("");
    AppendLine("[" + std::string(Trim(section)) + "]");
    AppendLine(std::move(entry));
    return;
  }
  const Range& r = ranges[0];
  for (size_t i = r.header + 1; i < r.end; ++i) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind == Kind::Entry && SameName(p.name, Trim(key))) {
      // Keep the key as the file spells it.
      lines_[i].text = std::string(p.name) + "=" + std::string(value);
      return;
    }
  }
  size_t at = InsertPointAtEnd(r);
  std::string eol = DefaultEol();
  if (at == lines_.size()) {
    AppendLine(std::move(entry));
  } else {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(entry), eol});
  }
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
  auto ranges = FindSections(section);
  if (ranges.empty()) return;
  const Range& r = ranges[0];
  for (size_t i = r.end; i-- > r.header + 1;) {
    Parsed p = Parse(lines_[i].text);
    if (p.kind == Kind::Entry && SameName(p.name, Trim(key)))
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

void IniFile::DeleteSection(std::string_view section) {
  auto ranges = FindSections(section);
  for (size_t k = ranges.size(); k-- > 0;) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(ranges[k].header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(ranges[k].end));
  }
}

void IniFile::ReplaceSection(std::string_view section, const std::vector<std::string>& body) {
  auto ranges = FindSections(section);
  if (ranges.empty()) {
    if (!lines_.empty() && Parse(lines_.back().text).kind != Kind::Blank) AppendLine("");
    AppendLine("[" + std::string(Trim(section)) + "]");
    for (const auto& b : body) AppendLine(b);
    return;
  }
  const Range& r = ranges[0];
  // Blank lines that separate it from the next section stay.
  size_t bodyEnd = InsertPointAtEnd(r);
  std::string eol = DefaultEol();
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(r.header + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(bodyEnd));
  if (lines_[r.header].eol.empty()) lines_[r.header].eol = eol;
  std::vector<Line> add;
  for (const auto& b : body) add.push_back({b, eol});
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(r.header + 1), add.begin(), add.end());
}

}  // namespace win::ini
