#pragma once
// Windows security as the program uses it: the account it runs as, and copying a file's or
// folder's discretionary access-control list (DACL) onto another. Results are 0 or a
// Windows error code; nothing throws. The POSIX platform answers err::NotSupported.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vog {

namespace err {
inline constexpr uint32_t NoSecurityOnObject = 1350;  // the source carries no DACL
}  // namespace err

class ISecurity {
public:
  virtual ~ISecurity() = default;
  // The name of the user the program runs as and the domain of its account (the account
  // is looked up, so a user without one fails with the lookup's code).
  virtual uint32_t CurrentAccount(std::wstring& user, std::wstring& domain) = 0;
  // Makes the DACL of `target` (an existing file or folder) a fresh list holding the
  // entries of the DACL of `source`, in order and unchanged. Only the DACL is written:
  // the target's owner, group and audit list stay. err::NoSecurityOnObject when the source
  // has no DACL (a volume without security); the code of the failing read or write else.
  virtual uint32_t CopyDacl(const std::wstring& source, const std::wstring& target) = 0;
};

// Copies access-control lists for one run, as the transfer phase uses them: available only
// when the current user's account could be looked up, and reporting a copy as true/false
// with the code of a failure kept. Uses Platform().Security (none installed: unavailable).
class TAclCopy {
public:
  TAclCopy();
  bool Available() const { return available_; }
  // False when not available or when the copy failed (LastError() then says why).
  bool CopyDacl(const std::wstring& source, const std::wstring& target);
  uint32_t LastError() const { return lastError_.load(); }

private:
  bool available_ = false;
  // The workers of a transfer share one object.
  std::atomic<uint32_t> lastError_{0};
};

}  // namespace vog
