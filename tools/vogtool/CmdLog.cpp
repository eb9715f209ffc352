// vogtool log show FILE, vogtool history show FILE [--folder F]: the run log and the
// history database as JSON, for users and support. Nothing is written to either file.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "base/DateTime.h"
#include "base/Error.h"
#include "base/Text.h"
#include "engine/BackupHistoryDatabase.h"
#include "platform/Platform.h"
#include "scan/BackupLog.h"
#include "scan/FileInfoList.h"
#include "tools/vogtool/Commands.h"

namespace vog::tool {

namespace {

using json = nlohmann::ordered_json;

std::string U8(std::wstring_view text) { return WideToUtf8(text); }

json DosTimeJson(int32_t dos) {
  TDateTime value = 0;
  if (!TryDosToDateTime(dos, value)) return nullptr;
  return U8(FormatDateTime(L"yyyy/mm/dd hh:nn:ss", value));
}

json LogToJson(const std::wstring& path) {
  bool exists = false;
  TBackupLog::TLines lines = TBackupLog::LoadLines(path, exists);
  if (!exists) throw Error(L"ファイル \"" + path + L"\" が見つかりません");
  json result;
  result["file"] = U8(path);
  std::string layout = "current";
  int index = 1;  // the first entry line
  if (!lines.empty()) {
    bool converted = false;
    if (SplitLogLine(lines[0]).size() == 2) {
      // Two fields: the earlier layout, or a current log without header whose first entry
      // has the short form.
      try {
        lines = TBackupLog::ConvertedOldLayout(lines);
        layout = "earlier";
        converted = true;
      } catch (const Error&) {}
    }
    if (!converted && SplitLogLine(lines[0])[0] != kLogHeaderName) {
      // Read where it stands, so that the line numbers in errors are the file's.
      layout = "current, without header";
      index = 0;
    }
  }
  result["layout"] = layout;
  json entries = json::array();
  TBackupLog log;
  while (index < static_cast<int>(lines.size())) {
    TOwnedFileInfoList copied, failed, deleted;
    log.SetReadTargets(&copied, &failed, &deleted);
    log.ReadEntry(lines, index + 1);
    const auto fields = SplitLogLine(lines[static_cast<size_t>(index)]);
    json entry;
    std::wstring when(fields[0]);
    if (when.size() >= 2 && when.front() == L'【' && when.back() == L'】') when = when.substr(1, when.size() - 2);
    entry["time"] = U8(when);
    entry["dataFile"] = fields.size() > 1 ? U8(fields[1]) : "";
    if (fields.size() > 2) {
      entry["duration"] = U8(fields[2]);
      entry["elapsedSeconds"] = static_cast<int64_t>(log.ElapsedTime * 86400.0 + 0.5);
      entry["copiedBytes"] = log.CopiedSize;
      entry["errorBytes"] = log.ErrorSize;
      entry["deletedBytes"] = log.DeletedSize;
    }
    if (fields.size() > 6) {
      entry["resultCode"] = log.ResultCode;
      entry["resultText"] = U8(ResultCodeText(log.ResultCode));
    }
    json copiedPaths = json::array(), errors = json::array(), deletedPaths = json::array();
    for (const TFileInfo* r : copied) copiedPaths.push_back(U8(r->FullPath()));
    for (const TFileInfo* r : failed) errors.push_back({{"path", U8(r->FullPath())}, {"code", r->Attr}});
    for (const TFileInfo* r : deleted) deletedPaths.push_back(U8(r->FullPath()));
    entry["copied"] = std::move(copiedPaths);
    entry["errors"] = std::move(errors);
    entry["deleted"] = std::move(deletedPaths);
    entries.push_back(std::move(entry));
    index = log.SkipEntry(lines, index + 1);
  }
  result["entries"] = std::move(entries);
  return result;
}

json HistoryToJson(const std::wstring& path, const std::wstring& folder, bool subFolders) {
  // The program takes a missing database for an empty one; asked for by name, it is a
  // mistake worth saying.
  uint32_t attributes = 0;
  if (Files().GetAttributes(path, attributes) != err::Success) {
    throw Error(L"ファイル \"" + path + L"\" が見つかりません");
  }
  TBackupHistoryDatabase db;
  db.SetDatabaseFile(path);
  db.Load();
  const TOwnedFileInfoList* shown = &db.Entries();
  TOwnedFileInfoList target;
  if (!folder.empty()) {
    db.SetFolder(folder);
    db.SetTarget(&target);
    db.SetIncludeSubFolders(subFolders);
    db.FillFolder();
    shown = &target;
  }
  json result;
  result["file"] = U8(path);
  result["totalEntries"] = db.Entries().Count();
  if (!folder.empty()) result["folder"] = U8(folder);
  result["count"] = shown->Count();
  json entries = json::array();
  for (const TFileInfo* r : *shown) {
    json e;
    e["folder"] = U8(r->RootFolder() + r->SubFolder());
    e["name"] = U8(r->FileName);
    if (!folder.empty()) e["relativePath"] = U8(r->RelativePath());
    e["size"] = r->Size;
    e["time"] = r->Time;
    e["timeText"] = DosTimeJson(r->Time);
    e["attributes"] = r->Attr;
    entries.push_back(std::move(e));
  }
  result["entries"] = std::move(entries);
  return result;
}

void Print(const json& value) { std::cout << value.dump(2) << std::endl; }

TRegisterGroup g_logGroup([](CLI::App& app) {
  auto* log = app.add_subcommand("log", "the run log");
  log->require_subcommand(1);
  auto* show = log->add_subcommand("show", "print a log file's entries as JSON");
  auto file = std::make_shared<std::string>();
  show->add_option("FILE", *file, "log file")->required();
  show->callback([file] {
    try {
      Print(LogToJson(ArgToWide(*file)));
    } catch (const Error& e) {
      Fail(e.what());
    }
  });

  auto* history = app.add_subcommand("history", "the history database (FileList.his)");
  history->require_subcommand(1);
  auto* hshow = history->add_subcommand("show", "print the database's entries as JSON");
  auto hfile = std::make_shared<std::string>();
  auto folder = std::make_shared<std::string>();
  auto top = std::make_shared<bool>(false);
  hshow->add_option("FILE", *hfile, "database file")->required();
  hshow->add_option("--folder", *folder, "only entries in this destination folder (and below it)");
  hshow->add_flag("--no-subfolders", *top, "with --folder: only entries directly in the folder");
  hshow->callback([hfile, folder, top] {
    try {
      Print(HistoryToJson(ArgToWide(*hfile), ArgToWide(*folder), !*top));
    } catch (const Error& e) {
      Fail(e.what());
    }
  });
});

}  // namespace

}  // namespace vog::tool
