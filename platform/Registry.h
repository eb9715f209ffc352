#pragma once
// Read-only access to registry string values.
#include <cstdint>
#include <string>

namespace vog {

enum class TRegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// Windows' value type numbers.
namespace regtype {
inline constexpr uint32_t None = 0;
inline constexpr uint32_t Sz = 1;
inline constexpr uint32_t ExpandSz = 2;
inline constexpr uint32_t Binary = 3;
inline constexpr uint32_t Dword = 4;
inline constexpr uint32_t MultiSz = 7;
}  // namespace regtype

class IRegistry {
public:
  virtual ~IRegistry() = default;
  // The type of value `name` of key `key` (opened read-only under `root`); err::FileNotFound
  // when the key or the value does not exist.
  virtual uint32_t ValueType(TRegistryRoot root, const std::wstring& key, const std::wstring& name, uint32_t& type) = 0;
  // The text of a REG_SZ or REG_EXPAND_SZ value, as stored (environment references are not
  // expanded), without its terminating zero. err::InvalidParameter (87) for another type.
  virtual uint32_t ReadString(TRegistryRoot root, const std::wstring& key, const std::wstring& name,
                              std::wstring& value) = 0;
};

}  // namespace vog
