#include "platform/win32/Win32Platform.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

namespace vog::win32 {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

uint32_t CreateShortcut(const std::wstring& linkPath, const std::wstring& target) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link));
  if (SUCCEEDED(hr)) hr = link->SetPath(target.c_str());
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) hr = file->Save(linkPath.c_str(), TRUE);
  if (file) file->Release();
  if (link) link->Release();
  if (SUCCEEDED(init)) CoUninitialize();
  return SUCCEEDED(hr) ? 0 : static_cast<uint32_t>(hr);
}

}  // namespace vog::win32
