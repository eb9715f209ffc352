#pragma once
// The records of the data file's plain stream, all little-endian: string records (a 32-bit
// byte count, then UTF-16LE text without terminator), bytes, 32-bit integers, eight-byte
// values and component records. The reader never reads past its buffer: a stream that
// ends early, a negative or odd byte count or a string over MaxStringUnits units raises
// the data file's load error.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/AppBackupData.h"

namespace vog {

class TDataWriter {
public:
  void String(std::wstring_view text);
  void Byte(uint8_t value);
  void Bool(bool value) { Byte(value ? 1 : 0); }
  void Int32(int32_t value);
  void Eight(const TEightBytes& value);
  void Component(const TImageRecord& record);

  const std::string& Bytes() const { return bytes_; }
  std::string& Bytes() { return bytes_; }

private:
  std::string bytes_;
};

class TDataReader {
public:
  static constexpr size_t MaxStringUnits = 1024;

  explicit TDataReader(std::string_view bytes) : bytes_(bytes) {}

  std::wstring String();
  uint8_t Byte();
  bool Bool() { return Byte() != 0; }
  int32_t Int32();
  TEightBytes Eight();
  void Component(TImageRecord& record);

  size_t Position() const { return pos_; }

private:
  std::string_view Take(size_t count);

  std::string_view bytes_;
  size_t pos_ = 0;
};

// Raises the load error of a damaged or foreign data file.
[[noreturn]] void ThrowBadDataFile();

}  // namespace vog
