#pragma once
// Folder path macros: "<KIND:argument>" placeholders in stored paths, expanded only when a
// path is used. Kinds: VOL (drive by volume label), SLF (the program's folder), WIN (shell
// special folder by its Japanese name), REG (registry string), APP (folder of the program
// a shortcut points to), INI (INI file value), ENV (environment variable), DAT (current
// date and time in the history-folder format language).
#include <string>
#include <string_view>

namespace vog {

// True when the text holds a "<" and a ">" anywhere (in any order).
bool HasMacro(std::wstring_view text);

// The text with every macro replaced by its value, left to right; a value holding macros
// is expanded in turn. Empty when any macro has no value, when a macro's kind is none of
// the eight, or when expansion goes on past kMaxMacroRounds replacements (a value that
// leads back to itself). Registry values of a non-string type raise
// "'<name>' のデータ型が不正です"; a failed read raises "'<name>' の取得に失敗しました".
std::wstring ExpandMacros(std::wstring_view text);

inline constexpr int kMaxMacroRounds = 64;

// The special folder names of WIN macros, in their user-interface order, with their
// shell folder ids.
struct TSpecialFolderName {
  const wchar_t* Name;
  int Csidl;
};
inline constexpr int kSpecialFolderNameCount = 32;
extern const TSpecialFolderName kSpecialFolderNames[kSpecialFolderNameCount];

}  // namespace vog
