#include "app/CommandLine.h"

#include <cstdint>

#include "base/Text.h"
#include "platform/Platform.h"

namespace vog {

namespace {

struct TOptionName {
  std::wstring_view Name;
  TOption Option;
};

// The order of the names decides which one a prefix matches: BACKUPONLY comes before
// BACKUP, WINEXIT before WINMIN, RETRYWAIT before RETRY. The options of the run guards
// come last, so none of them takes an older option's place.
constexpr TOptionName kOptionNames[] = {
    {L"OPEN", TOption::Open},
    {L"BACKUPONLY", TOption::BackupOnly},
    {L"RESTOREONLY", TOption::RestoreOnly},
    {L"AUTO", TOption::Auto},
    {L"BACKUP", TOption::Backup},
    {L"WINEXIT", TOption::WinExit},
    {L"WINMIN", TOption::WinMin},
    {L"WORKDIR", TOption::WorkDir},
    {L"WINSTAND", TOption::WinStand},
    {L"WINHIBER", TOption::WinHiber},
    {L"WINREBOOT", TOption::WinReboot},
    {L"FILELISTDB", TOption::FileListDb},
    {L"DESTNOCHECK", TOption::DestNoCheck},
    {L"ACLCOPY", TOption::AclCopy},
    {L"CREATIONTIMECOPY", TOption::CreationTimeCopy},
    {L"NORESULT", TOption::NoResult},
    {L"WINDOWWIDTH", TOption::WindowWidth},
    {L"WINDOWHEIGHT", TOption::WindowHeight},
    {L"MIRRORGUARD", TOption::MirrorGuard},
    {L"RETRYWAIT", TOption::RetryWait},
    {L"RETRY", TOption::Retry},
    {L"VERIFY", TOption::Verify},
    {L"THREADS", TOption::Threads},
};

}  // namespace

bool IsOptionArgument(std::wstring_view argument) noexcept {
  return !argument.empty() && (argument[0] == L'-' || argument[0] == L'/');
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  size_t i = 0;
  // The program's name: to the closing quote when quoted (no escapes), else to white space.
  if (i < line.size() && line[i] == L'"') {
    const size_t close = line.find(L'"', 1);
    i = close == std::wstring_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && !blank(line[i])) ++i;
  }
  std::vector<std::wstring> arguments;
  while (true) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i >= line.size()) break;
    std::wstring argument;
    int quotes = 0;  // odd: inside quotes
    size_t backslashes = 0;
    for (; i < line.size(); ++i) {
      const wchar_t c = line[i];
      if (blank(c) && quotes == 0) break;
      if (c == L'\\') {
        argument += c;
        ++backslashes;
        continue;
      }
      if (c != L'"') {
        argument += c;
        backslashes = 0;
        continue;
      }
      argument.erase(argument.size() - backslashes / 2);
      if (backslashes % 2 == 1)
        argument.back() = L'"';  // the odd backslash becomes the quote
      else
        ++quotes;
      backslashes = 0;
      // Further quotes in a row: each third is a literal quote.
      while (i + 1 < line.size() && line[i + 1] == L'"') {
        ++i;
        if (++quotes == 3) {
          argument += L'"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::wstring UpperOptionText(std::wstring_view text) {
  const ICodePage& codePage = CodePage();
  bool lossless = true;
  const std::string ansi = codePage.WideToAnsi(text, &lossless);
  if (lossless) return codePage.AnsiToWide(codePage.AnsiUpper(ansi));
  std::wstring upper(text);
  for (wchar_t& c : upper)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return upper;
}

TOptionMatch MatchOption(std::wstring_view argument) {
  TOptionMatch match;
  if (!IsOptionArgument(argument)) return match;
  const std::wstring text = UpperOptionText(argument.substr(1));
  for (const TOptionName& name : kOptionNames) {
    if (text.compare(0, name.Name.size(), name.Name) != 0) continue;
    match.Option = name.Option;
    if (text.size() > name.Name.size() && text[name.Name.size()] == L':') {
      match.HasValue = true;
      match.Value = text.substr(name.Name.size() + 1);
    }
    break;
  }
  return match;
}

bool TakesDataFilePath(TOption option) noexcept {
  switch (option) {
    case TOption::Open:
    case TOption::Auto:
    case TOption::Backup:
    case TOption::WinExit:
    case TOption::WinStand:
    case TOption::WinHiber:
    case TOption::WinReboot:
      return true;
    default:
      return false;
  }
}

bool ParseOptionInteger(std::wstring_view text, int32_t& value) noexcept {
  size_t i = 0;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
  if (i == text.size()) return false;
  int64_t number = 0;
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] < L'0' || text[j] > L'9') return false;
    number = number * 10 + (text[j] - L'0');
    if (number > int64_t{INT32_MAX} + 1) return false;
  }
  if (text[0] == L'-') number = -number;
  if (number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<int32_t>(number);
  return true;
}

}  // namespace vog
