#pragma once
// Whole-file reading and safe replacement of files the program rewrites, over the
// installed file system. Both return 0 or a Windows error code and never throw for a
// file-system failure.
#include <cstdint>
#include <string>
#include <string_view>

namespace vog {

// Reads the whole file into `bytes`. err::FileNotFound / err::PathNotFound when it is
// missing; err::FileTooLarge (and nothing read) when it holds more than `maxSize` bytes.
uint32_t ReadWholeFile(const std::wstring& path, std::string& bytes, uint64_t maxSize = UINT64_MAX);

// Writes `bytes` to a temporary file in the folder of `path`, flushes it and renames it
// over `path`. When anything fails the temporary file is removed and the previous
// `path`, if any, is left exactly as it was. Every file the program rewrites whole goes
// through here.
uint32_t WriteFileReplacing(const std::wstring& path, std::string_view bytes);

// The temporary name WriteFileReplacing uses for `path`.
std::wstring ReplacingTempName(const std::wstring& path);

}  // namespace vog
