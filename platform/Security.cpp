#include "platform/Security.h"

#include "platform/Platform.h"

namespace vog {

TAclCopy::TAclCopy() {
  ISecurity* security = Platform().Security.get();
  if (!security) {
    lastError_ = err::NotSupported;
    return;
  }
  std::wstring user, domain;
  lastError_ = security->CurrentAccount(user, domain);
  available_ = lastError_ == 0;
}

bool TAclCopy::CopyDacl(const std::wstring& source, const std::wstring& target) {
  if (!available_) return false;
  const uint32_t code = Platform().Security->CopyDacl(source, target);
  lastError_ = code;
  return code == 0;
}

}  // namespace vog
