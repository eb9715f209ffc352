#include "model/DataStream.h"

#include "base/Error.h"
#include "base/Text.h"

namespace vog {

void ThrowBadDataFile() { throw Error(L"データファイルが正しくありません"); }

// ---- writer ----------------------------------------------------------------------------

void TDataWriter::String(std::wstring_view text) {
  std::string bytes = ToUtf16Le(text);
  Int32(static_cast<int32_t>(bytes.size()));
  bytes_ += bytes;
}

void TDataWriter::Byte(uint8_t value) { bytes_ += static_cast<char>(value); }

void TDataWriter::Int32(int32_t value) {
  auto u = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) bytes_ += static_cast<char>((u >> (8 * i)) & 0xFF);
}

void TDataWriter::Eight(const TEightBytes& value) {
  bytes_.append(reinterpret_cast<const char*>(value.data()), value.size());
}

void TDataWriter::Component(const TImageRecord& record) { bytes_ += record.Bytes(); }

// ---- reader ----------------------------------------------------------------------------

std::string_view TDataReader::Take(size_t count) {
  if (count > bytes_.size() - pos_) ThrowBadDataFile();
  std::string_view part = bytes_.substr(pos_, count);
  pos_ += count;
  return part;
}

std::wstring TDataReader::String() {
  int32_t count = Int32();
  if (count < 0 || count % 2 != 0 || static_cast<size_t>(count) > 2 * MaxStringUnits) ThrowBadDataFile();
  return FromUtf16Le(Take(static_cast<size_t>(count)));
}

uint8_t TDataReader::Byte() { return static_cast<uint8_t>(Take(1)[0]); }

int32_t TDataReader::Int32() {
  std::string_view b = Take(4);
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(b[i])) << (8 * i);
  return static_cast<int32_t>(u);
}

TEightBytes TDataReader::Eight() {
  std::string_view b = Take(8);
  TEightBytes value;
  for (size_t i = 0; i < 8; ++i) value[i] = static_cast<uint8_t>(b[i]);
  return value;
}

void TDataReader::Component(TImageRecord& record) {
  size_t length = MeasureComponentRecord(bytes_.substr(pos_));
  if (length == 0 || !record.SetBytes(Take(length))) ThrowBadDataFile();
}

}  // namespace vog
