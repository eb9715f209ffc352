#include "model/PathMacros.h"

#include <vector>

#include "base/DateTime.h"
#include "base/Error.h"
#include "base/Text.h"
#include "model/IniFile.h"
#include "platform/Platform.h"
#include "services/drives/Drives.h"

namespace vog {

const TSpecialFolderName kSpecialFolderNames[kSpecialFolderNameCount] = {
    {L"マイドキュメント", csidl::Personal},
    {L"マイミュージック", csidl::MyMusic},
    {L"マイピクチャ", csidl::MyPictures},
    {L"デスクトップ", csidl::DesktopDirectory},
    {L"お気に入り", csidl::Favorites},
    {L"Cookies", csidl::Cookies},
    {L"Application Data", csidl::AppData},
    {L"Local Application Data", csidl::LocalAppData},
    {L"Program Files フォルダ", csidl::ProgramFiles},
    {L"Program Files Common フォルダ", csidl::ProgramFilesCommon},
    {L"SendTo", csidl::SendTo},
    {L"プログラム", csidl::Programs},
    {L"スタートアップ", csidl::Startup},
    {L"最近使ったファイル", csidl::Recent},
    {L"スタートメニュー", csidl::StartMenu},
    {L"テンプレート", csidl::Templates},
    {L"インターネット一時フォルダ", csidl::InternetCache},
    {L"履歴", csidl::History},
    {L"AllUsers デスクトップ", csidl::CommonDesktopDirectory},
    {L"AllUsers お気に入り", csidl::CommonFavorites},
    {L"AllUsers Application Data", csidl::CommonAppData},
    {L"AllUsers スタートメニュー", csidl::CommonStartMenu},
    {L"AllUsers プログラム", csidl::CommonPrograms},
    {L"AllUsers スタートアップ", csidl::CommonStartup},
    {L"AllUsers テンプレート", csidl::CommonTemplates},
    {L"AllUsers ドキュメント", csidl::CommonDocuments},
    {L"AllUsers 管理ツールディレクトリ", csidl::CommonAdminTools},
    {L"Windows ディレクトリ", csidl::Windows},
    {L"Windows System ディレクトリ", csidl::System},
    {L"Profile フォルダ", csidl::Profile},
    {L"NetHood", csidl::NetHood},
    {L"PrintHood", csidl::PrintHood},
};

namespace {

std::wstring MacroValue(std::wstring_view kind, std::wstring_view argument);

// The path of a shell special folder; empty when the shell has none.
std::wstring ShellFolder(int id) {
  IShell* shell = Platform().Shell.get();
  std::wstring path;
  return shell && shell->SpecialFolderPath(id, path) ? path : L"";
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

std::wstring VolumeValue(std::wstring_view label) {
  IVolumes* volumes = Platform().Volumes.get();
  std::vector<std::wstring> roots;
  if (!volumes || ListDriveRoots(roots) < 0) return L"";
  TQuietErrors quiet(Platform().Devices.get());
  for (const std::wstring& root : roots) {
    const wchar_t letter = root.empty() ? 0 : UpperUnit(root[0]);
    if (letter == L'A' || letter == L'B') continue;  // floppy drives are never asked
    if (!IsDriveUsable(root)) continue;
    std::wstring found;
    if (volumes->VolumeLabel(root, found)) continue;  // not accessible
    if (SameText(found, label)) return root.substr(0, 2);
  }
  return L"";
}

std::wstring ProgramFolderValue() {
  std::wstring folder = Files().ProgramFolder();
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring SpecialFolderValue(std::wstring_view name) {
  for (const TSpecialFolderName& entry : kSpecialFolderNames) {
    if (name != entry.Name) continue;
    return ShellFolder(entry.Csidl);
  }
  return L"";
}

std::wstring RegistryValue(std::wstring_view argument) {
  static constexpr std::pair<std::wstring_view, TRegistryRoot> kRoots[] = {
      {L"HKEY_CURRENT_USER", TRegistryRoot::CurrentUser},
      {L"HKEY_USERS", TRegistryRoot::Users},
      {L"HKEY_CLASSES_ROOT", TRegistryRoot::ClassesRoot},
      {L"HKEY_LOCAL_MACHINE", TRegistryRoot::LocalMachine},
      {L"HKEY_CURRENT_CONFIG", TRegistryRoot::CurrentConfig}};
  const size_t slash = argument.find(L'\\');
  if (slash == std::wstring_view::npos) return L"";
  const std::wstring_view rootName = argument.substr(0, slash);
  const TRegistryRoot* root = nullptr;
  for (const auto& entry : kRoots)
    if (entry.first == rootName) root = &entry.second;
  const size_t colon = argument.find(L':', slash);
  IRegistry* registry = Platform().Registry.get();
  if (!root || colon == std::wstring_view::npos || !registry) return L"";
  const std::wstring key(argument.substr(slash + 1, colon - slash - 1));
  const std::wstring name(argument.substr(colon + 1));
  uint32_t type = 0;
  if (registry->ValueType(*root, key, name, type)) return L"";  // no such key or value
  if (type != regtype::Sz && type != regtype::ExpandSz) throw Error(L"'" + name + L"' のデータ型が不正です");
  std::wstring value;
  if (registry->ReadString(*root, key, name, value)) throw Error(L"'" + name + L"' の取得に失敗しました");
  return value;
}

std::wstring ProgramOfShortcutValue(std::wstring_view argument) {
  const std::wstring arg(argument);
  const size_t slash = arg.rfind(L'\\');
  const std::wstring name = slash == std::wstring::npos ? arg : arg.substr(slash + 1);
  const std::wstring filter = slash == std::wstring::npos ? L"" : arg;
  if (name.empty()) return L"";
  const std::pair<int, const wchar_t*> kPlaces[] = {{csidl::Programs, L""},
                                                    {csidl::CommonPrograms, L""},
                                                    {csidl::AppData, L"\\Microsoft\\Internet Explorer\\Quick Launch"},
                                                    {csidl::DesktopDirectory, L""}};
  for (const auto& [id, tail] : kPlaces) {
    const std::wstring folder = ShellFolder(id);
    if (folder.empty()) continue;
    const std::wstring link = FindShortcut(folder + tail, filter, name);
    if (link.empty()) continue;
    // A shortcut the shell cannot read yields nothing, like a folder without one.
    const std::wstring target = FolderOf(GetShortcutTarget(link));
    if (!target.empty()) return target;
  }
  return L"";
}

std::wstring IniFileValue(std::wstring_view argument) {
  std::wstring file;
  std::wstring_view rest;
  if (!argument.empty() && argument.front() == L'"') {
    const size_t close = argument.find(L'"', 1);
    if (close == std::wstring_view::npos) return L"";
    file.assign(argument.substr(1, close - 1));
    rest = argument.substr(std::min(argument.size(), close + 2));  // the ":" after the quote
  } else if (!argument.empty() && argument.front() == L'[') {
    const size_t close = argument.find(L']');
    if (close == std::wstring_view::npos) return L"";
    const std::wstring_view body = argument.substr(1, close - 1);
    const std::wstring_view kind = body.substr(0, 3);
    if (kind != L"WIN" && kind != L"REG" && kind != L"APP" && kind != L"SLF" && kind != L"ENV") return L"";
    const std::wstring base = MacroValue(kind, body.size() > 4 ? body.substr(4) : std::wstring_view{});
    if (base.empty()) return L"";
    const size_t colon = argument.find(L':', close + 1);
    if (colon == std::wstring_view::npos) return L"";
    file = base + std::wstring(argument.substr(close + 1, colon - close - 1));
    rest = argument.substr(colon + 1);
  } else {
    return L"";  // neither a quoted path nor a bracketed macro
  }
  const size_t colon = rest.find(L':');
  if (colon == std::wstring_view::npos) return L"";
  const std::wstring section(rest.substr(0, colon)), key(rest.substr(colon + 1));
  TIniFile ini;
  ini.Load(file);
  return ini.ReadString(section, key, L"");
}

std::wstring DateValue(std::wstring_view format) {
  const TFileTime local = Clock().UtcToLocal(Clock().NowUtc());
  return FormatDateTime(format, FileTimeToDateTime(local));
}

std::wstring MacroValue(std::wstring_view kind, std::wstring_view argument) {
  if (kind == L"VOL") return VolumeValue(argument);
  if (kind == L"SLF") return ProgramFolderValue();
  if (kind == L"WIN") return SpecialFolderValue(argument);
  if (kind == L"REG") return RegistryValue(argument);
  if (kind == L"APP") return ProgramOfShortcutValue(argument);
  if (kind == L"INI") return IniFileValue(argument);
  if (kind == L"ENV") return GetEnvironmentValue(std::wstring(argument));
  if (kind == L"DAT") return DateValue(argument);
  return L"";  // an unknown kind has no value
}

}  // namespace

bool HasMacro(std::wstring_view text) {
  return text.find(L'<') != std::wstring_view::npos && text.find(L'>') != std::wstring_view::npos;
}

std::wstring ExpandMacros(std::wstring_view text) {
  std::wstring current(text);
  for (int round = 0; round < kMaxMacroRounds; ++round) {
    const size_t open = current.find(L'<');
    if (open == std::wstring::npos) return current;
    const size_t close = current.find(L'>');
    if (close == std::wstring::npos || close < open) return current;
    // "<", three letters of kind, one separator, the argument, ">"; SLF has only the kind.
    const std::wstring_view macro = std::wstring_view(current).substr(open, close - open + 1);
    const std::wstring_view body = macro.substr(1, macro.size() - 2);
    const std::wstring_view kind = body.substr(0, 3);
    const std::wstring_view argument = body.size() > 4 ? body.substr(4) : std::wstring_view{};
    const std::wstring value = MacroValue(kind, argument);
    if (value.empty()) return L"";
    // The macro starts at the first "<", so its first occurrence is here.
    current.replace(open, close - open + 1, value);
  }
  return L"";  // still expanding: a value leads back to itself
}

}  // namespace vog
