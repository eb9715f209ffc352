#include "app/RunOptions.h"

#include "app/CommandLine.h"
#include "model/IniFile.h"

namespace vog {

namespace {

constexpr wchar_t kRun[] = L"Run";

// A number of at least 0 (and at most `most`), or false.
bool ReadCount(std::wstring_view text, int32_t most, int32_t& value) {
  int32_t number = 0;
  if (!ParseOptionInteger(text, number) || number < 0 || number > most) return false;
  value = number;
  return true;
}

void KeepIfValid(const TIniFile& ini, const wchar_t* key, int32_t most, int32_t& value) {
  const int32_t read = ini.ReadInteger(kRun, key, value);
  if (read >= 0 && read <= most) value = read;
}

}  // namespace

void TRunOptions::Load(const std::wstring& iniFile) {
  TIniFile ini;
  ini.Load(iniFile);
  Guard.Enabled = ini.ReadBool(kRun, L"MirrorGuard", Guard.Enabled);
  KeepIfValid(ini, L"MirrorGuardPercent", 100, Guard.SharePercent);
  KeepIfValid(ini, L"MirrorGuardMinFiles", INT32_MAX, Guard.MinimumFiles);
  KeepIfValid(ini, L"RetryCount", INT32_MAX, RetryCount);
  KeepIfValid(ini, L"RetryWait", INT32_MAX, RetryWaitSeconds);
  Verify = ini.ReadBool(kRun, L"Verify", Verify);
  KeepIfValid(ini, L"Threads", kMostTransferThreads, Threads);
}

bool TRunOptions::SetMirrorGuard(bool hasValue, std::wstring_view value) {
  if (!hasValue || value == L"ON") {
    Guard.Enabled = true;
    return true;
  }
  if (value == L"OFF") {
    Guard.Enabled = false;
    return true;
  }
  const size_t comma = value.find(L',');
  int32_t percent = 0, minimum = Guard.MinimumFiles;
  if (!ReadCount(value.substr(0, comma), 100, percent)) return false;
  if (comma != std::wstring_view::npos && !ReadCount(value.substr(comma + 1), INT32_MAX, minimum)) return false;
  Guard = TMirrorGuard{true, percent, minimum};
  return true;
}

bool TRunOptions::SetRetryCount(bool hasValue, std::wstring_view value) {
  return hasValue && ReadCount(value, INT32_MAX, RetryCount);
}

bool TRunOptions::SetRetryWait(bool hasValue, std::wstring_view value) {
  return hasValue && ReadCount(value, INT32_MAX, RetryWaitSeconds);
}

bool TRunOptions::SetThreads(bool hasValue, std::wstring_view value) {
  return hasValue && ReadCount(value, kMostTransferThreads, Threads);
}

bool TRunOptions::SetVerify(bool hasValue, std::wstring_view value) {
  if (hasValue && value != L"ON" && value != L"OFF") return false;
  Verify = !hasValue || value == L"ON";
  return true;
}

}  // namespace vog
