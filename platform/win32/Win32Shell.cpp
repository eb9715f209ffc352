// Shell service of the Windows build.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/Shell.h"
#include "platform/win32/Win32Platform.h"

namespace vog {

namespace {

// A function of a loaded library; casting through void(*)() tells the compiler the
// signature is known.
template <class F>
F Proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// COM for the calling thread, for one call; a thread that already runs COM in another
// mode keeps it.
class TComScope {
public:
  TComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComScope() {
    if (ok_) CoUninitialize();
  }

private:
  bool ok_;
};

template <class T>
void ReleaseComObject(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// StgOpenStorageEx from OLE32.dll, looked up once; without it the older StgOpenStorage
// serves (the library is then released).
using TStgOpenStorageEx = HRESULT(WINAPI*)(const WCHAR*, DWORD, DWORD, DWORD, STGOPTIONS*, PSECURITY_DESCRIPTOR, REFIID,
                                           void**);
class TOle32 {
public:
  TOle32() {
    module_ = LoadLibraryW(L"OLE32.dll");
    if (module_) open_ = Proc<TStgOpenStorageEx>(module_, "StgOpenStorageEx");
    if (module_ && !open_) {
      FreeLibrary(module_);
      module_ = nullptr;
    }
  }
  ~TOle32() {
    if (module_) FreeLibrary(module_);
  }
  TStgOpenStorageEx OpenEx() const { return open_; }

private:
  HMODULE module_ = nullptr;
  TStgOpenStorageEx open_ = nullptr;
};

const TOle32& Ole32() {
  static const TOle32 ole32;
  return ole32;
}

HRESULT OpenPropertySets(const std::wstring& path, DWORD mode, IPropertySetStorage** sets) {
  *sets = nullptr;
  if (TStgOpenStorageEx open = Ole32().OpenEx())
    return open(path.c_str(), mode, STGFMT_ANY, 0, nullptr, nullptr, IID_IPropertySetStorage,
                reinterpret_cast<void**>(sets));
  IStorage* storage = nullptr;
  HRESULT hr = StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, &storage);
  if (FAILED(hr)) return hr;
  hr = storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(sets));
  storage->Release();
  return hr;
}

class TWin32Shell : public IShell {
public:
  uint32_t ShortcutTarget(const std::wstring& linkPath, std::wstring& target) override {
    TComScope com;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Load(win32::ExtendedPathWhereNeeded(linkPath).c_str(), STGM_READ);
    wchar_t buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(hr)) hr = link->GetPath(buffer, MAX_PATH, nullptr, SLGP_UNCPRIORITY);
    ReleaseComObject(file);
    ReleaseComObject(link);
    if (FAILED(hr)) return static_cast<uint32_t>(hr);
    target = win32::WithoutExtendedPrefix(buffer);
    return 0;
  }

  uint32_t CopySummaryInformation(const std::wstring& source, const std::wstring& dest) override {
    TComScope com;
    IPropertySetStorage* sourceSets = nullptr;
    IPropertySetStorage* destSets = nullptr;
    IPropertyStorage* sourceProps = nullptr;
    IPropertyStorage* destProps = nullptr;
    IEnumSTATPROPSTG* properties = nullptr;
    HRESULT hr =
        OpenPropertySets(win32::ExtendedPathWhereNeeded(source), STGM_READ | STGM_SHARE_EXCLUSIVE, &sourceSets);
    if (SUCCEEDED(hr)) hr = sourceSets->Open(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE, &sourceProps);
    if (SUCCEEDED(hr))
      hr = OpenPropertySets(win32::ExtendedPathWhereNeeded(dest), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &destSets);
    if (SUCCEEDED(hr))
      hr = destSets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT,
                            STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, &destProps);
    if (SUCCEEDED(hr)) hr = sourceProps->Enum(&properties);
    while (SUCCEEDED(hr)) {
      STATPROPSTG stat{};
      ULONG fetched = 0;
      if (properties->Next(1, &stat, &fetched) != S_OK || fetched == 0) break;
      if (stat.lpwstrName) CoTaskMemFree(stat.lpwstrName);
      PROPSPEC propSpec{};
      propSpec.ulKind = PRSPEC_PROPID;
      propSpec.propid = stat.propid;
      PROPVARIANT value;
      PropVariantInit(&value);
      hr = sourceProps->ReadMultiple(1, &propSpec, &value);
      if (SUCCEEDED(hr)) hr = destProps->WriteMultiple(1, &propSpec, &value, PID_FIRST_USABLE);
      PropVariantClear(&value);
    }
    if (SUCCEEDED(hr)) hr = destProps->Commit(STGC_DEFAULT);
    ReleaseComObject(properties);
    ReleaseComObject(destProps);
    ReleaseComObject(sourceProps);
    ReleaseComObject(destSets);
    ReleaseComObject(sourceSets);
    return SUCCEEDED(hr) ? 0 : static_cast<uint32_t>(hr);
  }

  bool SpecialFolderPath(int csidl, std::wstring& path) override {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListW(list, buffer) != FALSE;
    // The item list belongs to the shell's allocator.
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc) {
      shellMalloc->Free(list);
      shellMalloc->Release();
    }
    if (!ok) return false;
    path = buffer;
    return true;
  }

  std::wstring ErrorMessage(uint32_t code) override {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message;
    if (length && text) message.assign(text, length);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
      message.pop_back();
    return message.empty() ? FallbackErrorMessage(code) : message;
  }
};

}  // namespace

std::unique_ptr<IShell> CreateSystemShell() { return std::make_unique<TWin32Shell>(); }

}  // namespace vog
