#pragma once
// The command line's options: "-" or "/", a name matched by prefix in the table's order,
// and a value after ":". The text after the first character is upper-cased before it is
// matched, so values arrive upper-cased (paths still name the same files: the file system
// ignores letter case).
#include <string>
#include <string_view>
#include <vector>

namespace vog {

enum class TOption {
  None,  // matches no name: ignored
  Open,
  BackupOnly,
  RestoreOnly,
  Auto,
  Backup,
  WinExit,
  WinMin,
  WorkDir,
  WinStand,
  WinHiber,
  WinReboot,
  FileListDb,
  DestNoCheck,
  AclCopy,
  CreationTimeCopy,
  NoResult,
  WindowWidth,
  WindowHeight,
  MirrorGuard,
  RetryWait,
  Retry,
  Verify,
  Threads,
};

struct TOptionMatch {
  TOption Option = TOption::None;
  bool HasValue = false;  // the name was followed directly by ":"
  std::wstring Value;     // everything after that colon, upper-cased (possibly empty)
};

// The arguments of a command line as the system splits it (the rules of
// CommandLineToArgvW), without the program's own name: white space separates arguments
// outside double quotes; 2n backslashes before a quote give n backslashes and the quote
// opens or closes quoting, 2n+1 give n backslashes and a literal quote; a third quote in a
// row gives a literal quote. Done here, not by the shell library, because loading that
// library brings the window libraries with it, which a run from the command line never
// needs.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// Whether `argument` is an option (begins with "-" or "/") rather than a path.
bool IsOptionArgument(std::wstring_view argument) noexcept;

// Upper-cases option text by the ANSI code page's rules. Text with characters outside the
// code page keeps them: only its ASCII letters are upper-cased, so a path value is never
// turned into question marks.
std::wstring UpperOptionText(std::wstring_view text);

// The option named by `argument` (with its "-" or "/"): the first name of the table whose
// length of leading characters equals it, so -AUTOMATIC is AUTO and -WINSTANDBY is
// WINSTAND. A lone "-" and unknown text give TOption::None.
TOptionMatch MatchOption(std::wstring_view argument);

// Whether the option carries a data-file path that becomes the pending path.
bool TakesDataFilePath(TOption option) noexcept;

// A decimal 32-bit integer (an optional sign, digits only); false for anything else.
bool ParseOptionInteger(std::wstring_view text, int32_t& value) noexcept;

}  // namespace vog
