#pragma once
#include <string>

namespace vog {

class IEnvironment {
public:
  virtual ~IEnvironment() = default;
  // The whole value, of any length; false when the variable is not set.
  virtual bool Get(const std::wstring& name, std::wstring& value) = 0;
  virtual void Set(const std::wstring& name, const std::wstring& value) = 0;
};

}  // namespace vog
