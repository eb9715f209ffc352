// vogtool versions | restore: the past versions of a backup, read from its history
// folders, from any machine that sees the backup (natively on Linux too: drive Z: is the
// root there, as under Wine, so a setup written under Wine opens as it is).
//
//   vogtool versions SETUP TITLE PATH [--json]          the versions of a file, or the days a folder changed
//   vogtool restore SETUP TITLE TARGET [--as-of yyyy-mm-dd] [--path P] [--json]
//
// Both read only what the question needs (one file's dated copies; for a day, the dated
// folders after it), not the whole history.
//
// --dest names the main destination when the setup's folders are not where this machine
// sees them; --key gives the cipher key of an enciphering item that stores none. A
// restore writes only below TARGET, never into the backup.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "base/DateTime.h"
#include "base/Error.h"
#include "base/Path.h"
#include "base/Text.h"
#include "engine/PastVersions.h"
#include "model/AppBackupDataFile.h"
#include "platform/Platform.h"
#include "tools/vogtool/Commands.h"
#include "tools/vogtool/DataJson.h"

namespace vog::tool {

namespace {

struct TOptions {
  std::string Setup, Title, Path, Target, AsOf, Dest, Key;
  bool Json = false;
};

// A path as the platform takes it: an absolute Linux path is drive Z:.
std::wstring PlatformPath(const std::string& arg) {
  std::wstring path = ArgToWide(arg);
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring RelativeArg(const std::string& arg) {
  std::wstring path = ArgToWide(arg);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  while (!path.empty() && path.front() == L'\\') path.erase(path.begin());
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// The setup's item with that title, its folders as this machine sees them.
struct TLoaded {
  TBackupInfoList List;
  TAppBackupData Data;
  TBackupInfo* Item = nullptr;
};

void Load(const TOptions& o, TLoaded& loaded) {
  TAppBackupDataFile file;
  file.SetFileName(PlatformPath(o.Setup));
  file.SetData(&loaded.Data);
  file.SetList(&loaded.List);
  file.Load();
  const std::wstring title = ArgToWide(o.Title);
  for (TBackupInfo* item : loaded.List)
    if (item->Title == title) loaded.Item = item;
  if (!loaded.Item) throw Error(L"no item titled " + title);
  if (loaded.Item->Archive) throw Error(L"the item is archived: its past versions are inside the archive's history");
  if (!o.Dest.empty()) loaded.Item->DestFolder = AddBackslash(PlatformPath(o.Dest)) + loaded.Item->Title;
  if (loaded.Item->DestFolder.empty()) throw Error(L"the setup does not say where the backup is: give --dest");
}

std::string DayText(TDateTime day) { return day == 0 ? "" : WideToUtf8(FormatDateTime(L"yyyy-mm-dd", day)); }
std::string TimeText(TDateTime time) { return WideToUtf8(FormatDateTime(L"yyyy-mm-dd hh:nn:ss", time)); }

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

TDateTime ParseDay(const std::string& text) {
  int year = 0, month = 0, day = 0;
  TDateTime value = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d", &year, &month, &day) != 3 ||
      !TryEncodeDateTime(year, month, day, 0, 0, 0, 0, value))
    throw Error(L"--as-of wants a date as yyyy-mm-dd: " + Utf8ToWide(text));
  return value;
}

void ShowVersions(const TOptions& o) {
  TLoaded loaded;
  Load(o, loaded);
  TPastVersions versions(*loaded.Item);
  const std::wstring path = RelativeArg(o.Path);
  const std::vector<TFileVersion> list = versions.VersionsOf(path);
  TJson json = {{"path", WideToUtf8(path)}};
  if (!list.empty()) {
    json["versions"] = TJson::array();
    for (const TFileVersion& v : list)
      json["versions"].push_back({{"day", DayText(v.Day)}, {"current", v.Current}, {"size", v.Size},
                                  {"lastWrite", TimeText(v.LastWrite)}, {"file", WideToUtf8(v.Path)}});
  } else {
    // A folder: the days on which something below it was replaced or deleted.
    json["days"] = TJson::array();
    for (TDateTime day : versions.DaysBelow(path)) json["days"].push_back(DayText(day));
    if (json["days"].empty() && versions.AsOf(Clock().Now(), path).empty()) throw Error(L"nothing known at " + path);
  }
  json["problems"] = TJson::array();
  for (const std::wstring& problem : versions.Problems.Messages()) json["problems"].push_back(WideToUtf8(problem));
  if (o.Json) return Print(json.dump(2, ' ', false) + "\n");
  if (json.contains("versions")) {
    for (const auto& v : json["versions"])
      Print((v["current"].get<bool>() ? std::string("current   ") : v["day"].get<std::string>()) + "  " +
            std::to_string(v["size"].get<int64_t>()) + " bytes  " + v["lastWrite"].get<std::string>() + "  " +
            v["file"].get<std::string>() + "\n");
  } else {
    for (const auto& day : json["days"]) Print(day.get<std::string>() + "\n");
  }
  for (const auto& problem : json["problems"]) std::fprintf(stderr, "%s\n", problem.get<std::string>().c_str());
}

void Restore(const TOptions& o) {
  TLoaded loaded;
  Load(o, loaded);
  TBackupInfo& item = *loaded.Item;
  if (item.Encrypt && !item.Decrypt && item.CipherKey.empty() && o.Key.empty())
    throw Error(L"the item enciphers without a stored key: give --key");
  TPastVersions versions(item);
  const TDateTime day = o.AsOf.empty() ? Clock().Now() : ParseDay(o.AsOf);
  const TVersionTree tree = versions.AsOf(day, RelativeArg(o.Path));
  const auto failed = RestoreVersions(item, tree, PlatformPath(o.Target), o.Key);
  TJson json = {{"asOf", DayText(std::floor(day))}, {"restored", tree.size() - failed.size()}, {"failed", TJson::array()}};
  for (const auto& [path, code] : failed) json["failed"].push_back({{"path", WideToUtf8(path)}, {"code", code}});
  // A history folder left out may have held the day's version: the restore is not whole.
  json["problems"] = TJson::array();
  for (const std::wstring& problem : versions.Problems.Messages()) json["problems"].push_back(WideToUtf8(problem));
  if (o.Json) {
    Print(json.dump(2, ' ', false) + "\n");
  } else {
    Print(std::to_string(tree.size() - failed.size()) + " files restored as of " + json["asOf"].get<std::string>() + "\n");
    for (const auto& [path, code] : failed)
      std::fprintf(stderr, "failed: %s (error %u)\n", WideToUtf8(path).c_str(), static_cast<unsigned>(code));
    for (const auto& problem : json["problems"]) std::fprintf(stderr, "%s\n", problem.get<std::string>().c_str());
  }
  SetExitCode(failed.empty() && versions.Problems.Empty() ? 0 : 1);
}

}  // namespace

static TRegisterGroup registerVersions([](CLI::App& app) {
  auto o = std::make_shared<TOptions>();
  auto* versions = app.add_subcommand("versions", "List the versions a backup kept of a file (or the days a folder changed)");
  versions->add_option("SETUP", o->Setup, "Data file")->required();
  versions->add_option("TITLE", o->Title, "Item title")->required();
  versions->add_option("PATH", o->Path, "Path inside the item")->required();
  versions->add_option("--dest", o->Dest, "Main destination folder, when not where the setup says");
  versions->add_flag("--json", o->Json, "Print JSON");
  versions->callback([o] {
    ShowVersions(*o);
    SetExitCode(0);
  });

  auto* restore = app.add_subcommand("restore", "Restore an item (or a path of it) as it was on a day into a folder");
  restore->add_option("SETUP", o->Setup, "Data file")->required();
  restore->add_option("TITLE", o->Title, "Item title")->required();
  restore->add_option("TARGET", o->Target, "Folder to restore into (never inside the backup)")->required();
  restore->add_option("--as-of", o->AsOf, "Day (yyyy-mm-dd); default: today");
  restore->add_option("--path", o->Path, "Only this file or folder of the item");
  restore->add_option("--dest", o->Dest, "Main destination folder, when not where the setup says");
  restore->add_option("--key", o->Key, "Cipher key of an item that stores none");
  restore->add_flag("--json", o->Json, "Print JSON");
  restore->callback([o] { Restore(*o); });
});

}  // namespace vog::tool
