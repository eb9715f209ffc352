// Shell service of the Windows build.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/Shell.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Handles.h"

namespace vog {

namespace {

using win32::Proc;
using win32::TComPtr;
using win32::TComScope;

// StgOpenStorageEx from OLE32.dll, looked up once; without it the older StgOpenStorage
// serves (the library is then released).
using TStgOpenStorageEx = HRESULT(WINAPI*)(const WCHAR*, DWORD, DWORD, DWORD, STGOPTIONS*, PSECURITY_DESCRIPTOR, REFIID,
                                           void**);
class TOle32 {
public:
  TOle32() : module_(LoadLibraryW(L"OLE32.dll")) {
    if (module_) open_ = Proc<TStgOpenStorageEx>(module_.Get(), "StgOpenStorageEx");
    if (!open_) module_.Reset();
  }
  TStgOpenStorageEx OpenEx() const { return open_; }

private:
  win32::TLibrary module_;
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
  TComPtr<IStorage> storage;
  const HRESULT hr = StgOpenStorage(path.c_str(), nullptr, mode, nullptr, 0, storage.Put());
  if (FAILED(hr)) return hr;
  return storage->QueryInterface(IID_IPropertySetStorage, reinterpret_cast<void**>(sets));
}

class TWin32Shell : public IShell {
public:
  uint32_t ShortcutTarget(const std::wstring& linkPath, std::wstring& target) override {
    TComScope com;
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (SUCCEEDED(hr)) hr = file->Load(win32::ExtendedPathWhereNeeded(linkPath).c_str(), STGM_READ);
    wchar_t buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(hr)) hr = link->GetPath(buffer, MAX_PATH, nullptr, SLGP_UNCPRIORITY);
    if (FAILED(hr)) return static_cast<uint32_t>(hr);
    target = win32::WithoutExtendedPrefix(buffer);
    return 0;
  }

  uint32_t CopySummaryInformation(const std::wstring& source, const std::wstring& dest) override {
    TComScope com;
    TComPtr<IPropertySetStorage> sourceSets, destSets;
    TComPtr<IPropertyStorage> sourceProps, destProps;
    TComPtr<IEnumSTATPROPSTG> properties;
    HRESULT hr =
        OpenPropertySets(win32::ExtendedPathWhereNeeded(source), STGM_READ | STGM_SHARE_EXCLUSIVE, sourceSets.Put());
    if (SUCCEEDED(hr))
      hr = sourceSets->Open(FMTID_SummaryInformation, STGM_READ | STGM_SHARE_EXCLUSIVE, sourceProps.Put());
    if (SUCCEEDED(hr))
      hr =
          OpenPropertySets(win32::ExtendedPathWhereNeeded(dest), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, destSets.Put());
    if (SUCCEEDED(hr))
      hr = destSets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT,
                            STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, destProps.Put());
    if (SUCCEEDED(hr)) hr = sourceProps->Enum(properties.Put());
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
    return SUCCEEDED(hr) ? 0 : static_cast<uint32_t>(hr);
  }

  bool SpecialFolderPath(int csidl, std::wstring& path) override {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    const bool ok = SHGetPathFromIDListW(list, buffer) != FALSE;
    // The item list belongs to the shell's allocator.
    TComPtr<IMalloc> shellMalloc;
    if (SUCCEEDED(SHGetMalloc(shellMalloc.Put())) && shellMalloc) shellMalloc->Free(list);
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
