// COM's one class here: the shell link, saved as a small ini text.
#include <atomic>
#include <string>

#include "win_file_facts.h"
#include "win_paths.h"
#include "win_profile.h"
#include "win_shell.h"

const CLSID CLSID_ShellLink = {0x00021401, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IUnknown = {0x00000000, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

thread_local int t_comDepth = 0;
const char kSection[] = "Shell Link";

std::string Narrow(LPCOLESTR s) {
  std::string out;
  for (; s && *s && out.size() < MAX_PATH; ++s) out += *s < 0x80 ? static_cast<char>(*s) : '?';
  return out;
}

bool OneLine(LPCSTR s) { return s && !std::string(s).empty() ? std::string(s).find_first_of("\r\n") == std::string::npos : true; }

class ShellLink final : public IShellLinkA {
 public:
  struct Persist final : IPersistFile {
    ShellLink* owner;
    explicit Persist(ShellLink* o) : owner(o) {}
    HRESULT QueryInterface(const IID& iid, void** object) override { return owner->QueryInterface(iid, object); }
    ULONG AddRef() override { return owner->AddRef(); }
    ULONG Release() override { return owner->Release(); }
    HRESULT Save(LPCOLESTR fileName, BOOL) override { return owner->SaveTo(Narrow(fileName)); }
    HRESULT Load(LPCOLESTR fileName, DWORD) override { return owner->LoadFrom(Narrow(fileName)); }
  };

  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IShellLinkA) *object = static_cast<IShellLinkA*>(this);
    else if (iid == IID_IPersistFile) *object = &persist_;
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT SetPath(LPCSTR file) override { return Set(&facts_.path, file); }
  HRESULT SetArguments(LPCSTR a) override { return Set(&facts_.arguments, a); }
  HRESULT SetWorkingDirectory(LPCSTR f) override { return Set(&facts_.workingDirectory, f); }
  HRESULT SetDescription(LPCSTR t) override { return Set(&facts_.description, t); }
  HRESULT GetPath(LPSTR file, int size, void*, DWORD) override {
    if (!file || size <= 0) return E_INVALIDARG;
    const size_t n = facts_.path.size() < static_cast<size_t>(size - 1) ? facts_.path.size() : static_cast<size_t>(size - 1);
    facts_.path.copy(file, n);
    file[n] = 0;
    return S_OK;
  }

  HRESULT SaveTo(const std::string& path) {
    if (path.empty()) return E_INVALIDARG;
    const std::string text = "[" + std::string(kSection) + "]\r\nPath=" + facts_.path + "\r\nArguments=" +
                             facts_.arguments + "\r\nWorkingDirectory=" + facts_.workingDirectory +
                             "\r\nDescription=" + facts_.description + "\r\n";
    // Written beside the link, then put in its place in one step.
    const std::string temp = win::facts::SiblingTempName(path);
    HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return E_FAIL;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    if (!ok || written != text.size() || !win::facts::ReplaceWith(temp, path)) {
      DeleteFileA(temp.c_str());
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT LoadFrom(const std::string& path) {
    return win::shell::ReadLink(path.c_str(), &facts_) ? S_OK : E_FAIL;
  }

 private:
  ~ShellLink() = default;
  HRESULT Set(std::string* field, LPCSTR value) {
    if (!OneLine(value)) return E_INVALIDARG;
    *field = value ? value : "";
    if (field->size() >= MAX_PATH) field->resize(MAX_PATH - 1);
    return S_OK;
  }
  std::atomic<ULONG> refs_{1};
  win::shell::LinkFacts facts_;
  Persist persist_{this};
};

}  // namespace

HRESULT CoInitialize(LPVOID) { return t_comDepth++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
  if (t_comDepth > 0) --t_comDepth;
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD, const IID& iid, void** object) {
  if (!object) return E_INVALIDARG;
  *object = nullptr;
  if (t_comDepth == 0) return static_cast<HRESULT>(0x800401F0);  // CO_E_NOTINITIALIZED
  if (outer || !(clsid == CLSID_ShellLink)) return REGDB_E_CLASSNOTREG;
  auto* link = new ShellLink();
  const HRESULT hr = link->QueryInterface(iid, object);
  link->Release();
  return hr;
}

namespace win::shell {
bool ReadLink(const char* linkPath, LinkFacts* facts) {
  if (!linkPath || !facts) return false;
  char probe[8] = {};
  if (GetPrivateProfileSectionA(kSection, probe, sizeof probe, linkPath) == 0) return false;
  auto get = [&](const char* key) {
    char buf[MAX_PATH + 1] = {};
    GetPrivateProfileStringA(kSection, key, "", buf, sizeof buf, linkPath);
    return std::string(buf);
  };
  facts->path = get("Path");
  facts->arguments = get("Arguments");
  facts->workingDirectory = get("WorkingDirectory");
  facts->description = get("Description");
  return true;
}
}  // namespace win::shell
