#pragma once
// Network connections to shares ("\\server\share").
#include <cstdint>
#include <string>

#include "platform/Codes.h"

namespace vog {

class INetwork {
public:
  virtual ~INetwork() = default;
  // Connects the disk share `remote`, optionally as drive `localName` ("" for none), with
  // the user name and password ("" for the current user's). 0 or a Windows error code
  // (85 when the local name is already in use).
  virtual uint32_t AddConnection(const std::wstring& remote, const std::wstring& localName, const std::wstring& user,
                                 const std::wstring& password) = 0;
  // Cancels the connection `name` (a share or a drive name).
  virtual uint32_t CancelConnection(const std::wstring& name, bool force) = 0;
};

}  // namespace vog
