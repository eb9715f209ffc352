#include "platform/Locks.h"

namespace vog {

bool IsLockName(const std::wstring& name) noexcept {
  if (name.empty() || name.size() > kMaxLockName) return false;
  for (wchar_t c : name)
    if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_'))
      return false;
  return true;
}

}  // namespace vog
