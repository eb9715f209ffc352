#include "services/cipher/CipherManager.h"

#include <algorithm>

#include "base/Text.h"
#include "platform/Platform.h"
#include "services/cipher/Base64.h"

namespace vog {

namespace {

std::wstring CodeSuffix(uint32_t code) { return code ? L" (" + IntToText(code) + L")" : std::wstring(); }

[[noreturn]] void ThrowReadError(uint32_t code) { throw EFileReadError(L"File Read Error", code); }
[[noreturn]] void ThrowWriteError(uint32_t code) { throw EFileWriteError(L"File Write Error", code); }

}  // namespace

TCipherManager::TCipherManager() : info_(&FindCipher("Blowfish")) {}

TCipherManager::~TCipherManager() { std::fill(buffer_.begin(), buffer_.end(), uint8_t(0)); }

void TCipherManager::SetAlgorithm(std::string_view name) {
  const TCipherInfo* info = &FindCipher(name);
  if (info != info_) cipher_.reset();
  info_ = info;
}

void TCipherManager::SetMode(TCipherMode mode) {
  mode_ = mode;
  if (cipher_) cipher_->SetMode(mode);
}

TCipher& TCipherManager::Cipher() {
  if (!cipher_) {
    cipher_ = CreateCipher(*info_);
    cipher_->SetMode(mode_);
  }
  return *cipher_;
}

void TCipherManager::SetKeyText(std::string_view key) { Cipher().InitKey(key); }

TCipher& TCipherManager::StartOperation() {
  TCipher& cipher = Cipher();
  cipher.CheckInitialized();
  cipher.CheckMode();
  cipher.Restart();
  return cipher;
}

void TCipherManager::Progress(int64_t done, int64_t total) {
  if (OnProgress) OnProgress(*this, done, total);
}

// ---- streams -------------------------------------------------------------------------

void TCipherManager::EncipherStream(IFileStream& source, IFileStream& dest, int64_t size) {
  CodeStream(source, dest, size, true);
}

void TCipherManager::DecipherStream(IFileStream& source, IFileStream& dest, int64_t size) {
  CodeStream(source, dest, size, false);
}

void TCipherManager::CodeStream(IFileStream& source, IFileStream& dest, int64_t size, bool encode) {
  TCipher& cipher = StartOperation();
  if (size < 0) {
    if (uint32_t e = source.Seek(0)) ThrowReadError(e);
    if (uint32_t e = source.GetSize(size)) ThrowReadError(e);
  }
  // Each side keeps its own running position, so one stream can be both.
  int64_t sourcePos = source.Position();
  int64_t destPos = dest.Position();
  buffer_.resize(ChunkSize);
  uint8_t* buffer = buffer_.data();
  int64_t done = 0;
  try {
    Progress(0, size);
    while (done < size) {
      size_t want = static_cast<size_t>(std::min<int64_t>(ChunkSize, size - done));
      if (source.Position() != sourcePos)
        if (uint32_t e = source.Seek(sourcePos)) ThrowReadError(e);
      // Fill the whole chunk: a short read in mid-stream (a pipe, a network share) must
      // not end a chunk early, or the partial-block rule would apply before the end.
      size_t got = 0;
      while (got < want) {
        size_t n = 0;
        uint32_t e = source.Read(buffer + got, want - got, n);
        if (e != 0 || n == 0) ThrowReadError(e);
        got += n;
      }
      sourcePos += static_cast<int64_t>(want);
      if (encode)
        cipher.Encode(buffer, buffer, want);
      else
        cipher.Decode(buffer, buffer, want);
      if (dest.Position() != destPos)
        if (uint32_t e = dest.Seek(destPos)) ThrowWriteError(e);
      size_t written = 0;
      uint32_t e = dest.Write(buffer, want, written);
      if (e != 0 || written != want) ThrowWriteError(e);
      destPos += static_cast<int64_t>(want);
      done += static_cast<int64_t>(want);
      Progress(done, size);
    }
  } catch (...) {
    std::fill(buffer_.begin(), buffer_.end(), uint8_t(0));
    // The closing event still runs; the first error is the one that reaches the caller.
    try {
      Progress(0, 0);
    } catch (...) {}
    throw;
  }
  std::fill(buffer_.begin(), buffer_.end(), uint8_t(0));
  Progress(0, 0);
}

// ---- files ---------------------------------------------------------------------------

void TCipherManager::EncipherFile(const std::string& source, const std::string& dest) {
  CodeFile(CodePage().AnsiToWide(source), CodePage().AnsiToWide(dest), true);
}

void TCipherManager::DecipherFile(const std::string& source, const std::string& dest) {
  CodeFile(CodePage().AnsiToWide(source), CodePage().AnsiToWide(dest), false);
}

void TCipherManager::EncipherFile(const std::wstring& source, const std::wstring& dest) {
  CodeFile(source, dest, true);
}

void TCipherManager::DecipherFile(const std::wstring& source, const std::wstring& dest) {
  CodeFile(source, dest, false);
}

void TCipherManager::CodeFile(const std::wstring& source, const std::wstring& dest, bool encode) {
  // Refuse before anything is opened, so a missing key never truncates a destination.
  StartOperation();
  IFileSystem& files = Files();
  if (dest.empty() || SameText(source, dest)) {
    std::unique_ptr<IFileStream> stream;
    if (uint32_t e = files.OpenFile(source, TOpenMode::ReadWrite, share::Read, stream))
      throw EFileOpenError(L"ファイル " + source + L" を開けません" + CodeSuffix(e), e);
    CodeStream(*stream, *stream, -1, encode);
    if (uint32_t e = stream->Flush()) ThrowWriteError(e);
    return;
  }

  std::unique_ptr<IFileStream> in;
  if (uint32_t e = files.OpenFile(source, TOpenMode::Read, share::Read | share::Write, in))
    throw EFileOpenError(L"ファイル " + source + L" を開けません" + CodeSuffix(e), e);
  uint32_t attributes = 0;
  bool haveAttributes = files.GetAttributes(source, attributes) == 0;
  TFileTime lastWrite{};
  bool haveTime = in->GetTimes(nullptr, nullptr, &lastWrite) == 0;

  std::unique_ptr<IFileStream> out;
  if (uint32_t e = files.OpenFile(dest, TOpenMode::Write, share::None, out))
    throw EFileCreateError(L"ファイル " + dest + L" を作成できません" + CodeSuffix(e), e);
  CodeStream(*in, *out, -1, encode);
  if (uint32_t e = out->SetEndOfFile()) ThrowWriteError(e);
  if (uint32_t e = out->Flush()) ThrowWriteError(e);
  out.reset();
  in.reset();
  // The date, then the attributes (which may make the file read-only).
  if (haveTime) files.SetTimes(dest, nullptr, nullptr, &lastWrite);
  if (haveAttributes) files.SetAttributes(dest, attributes);
}

// ---- memory and text -----------------------------------------------------------------

void TCipherManager::CodeBuffer(const void* source, void* dest, size_t size, bool encode) {
  TCipher& cipher = StartOperation();
  auto in = static_cast<const uint8_t*>(source);
  auto out = static_cast<uint8_t*>(dest);
  if (encode)
    cipher.Encode(in, out, size);
  else
    cipher.Decode(in, out, size);
}

void TCipherManager::EncipherBuffer(const void* source, void* dest, size_t size) {
  CodeBuffer(source, dest, size, true);
}

void TCipherManager::DecipherBuffer(const void* source, void* dest, size_t size) {
  CodeBuffer(source, dest, size, false);
}

std::string TCipherManager::EncipherText(std::string_view text) {
  if (text.empty()) return {};
  std::string bytes(text);
  CodeBuffer(bytes.data(), bytes.data(), bytes.size(), true);
  std::string result = Base64Encode(bytes);
  std::fill(bytes.begin(), bytes.end(), '\0');
  return result;
}

std::string TCipherManager::DecipherText(std::string_view base64) {
  if (base64.empty()) return {};
  std::string bytes = Base64Decode(base64);
  CodeBuffer(bytes.data(), bytes.data(), bytes.size(), false);
  return bytes;
}

}  // namespace vog
