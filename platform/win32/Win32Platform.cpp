#include "platform/win32/Win32Platform.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/Win32Handles.h"

namespace vog::win32 {

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

uint32_t CreateShortcut(const std::wstring& linkPath, const std::wstring& target) {
  TComScope com;
  TComPtr<IShellLinkW> link;
  TComPtr<IPersistFile> file;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
  if (SUCCEEDED(hr)) hr = link->SetPath(target.c_str());
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, file.PutVoid());
  if (SUCCEEDED(hr)) hr = file->Save(linkPath.c_str(), TRUE);
  return SUCCEEDED(hr) ? 0 : static_cast<uint32_t>(hr);
}

}  // namespace vog::win32
