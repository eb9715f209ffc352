// vogtool archive: list, pack (update), extract and delete entries of LZH and ZIP
// archives with the program's own archiver.
//
//   vogtool archive list ARCHIVE
//   vogtool archive pack ARCHIVE BASEDIR [RELPATH...]
//   vogtool archive extract ARCHIVE TARGETDIR [ENTRY...]
//   vogtool archive delete ARCHIVE ENTRY...
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "services/archive/ArchiveFile.h"
#include "tools/vogtool/Commands.h"

namespace vog::tool {

namespace {

std::wstring AbsoluteArg(const std::string& arg) {
  std::u8string u8(arg.begin(), arg.end());
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(u8), ec);
  if (ec) return ArgToWide(arg);
  const std::u8string out = path.u8string();
  return Utf8ToWide(std::string(out.begin(), out.end()));
}

std::vector<std::wstring> WideArgs(const std::vector<std::string>& args) {
  std::vector<std::wstring> out;
  for (const auto& arg : args) out.push_back(ArgToWide(arg));
  return out;
}

// Every file under `folder`, as paths relative to it, "\"-separated.
void CollectFiles(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>& out) {
  const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  std::unique_ptr<IFindHandle> handle;
  TFindData data;
  uint32_t code = Files().FindFirst(folder + L"\\*", handle, data);
  if (code == err::FileNotFound || code == err::NoMoreFiles) return;
  if (code) throw Error(L"フォルダを読み込めません（エラー " + IntToText(code) + L"）: " + folder);
  do {
    if (data.Name == L"." || data.Name == L"..") continue;
    const std::wstring path = relative.empty() ? data.Name : relative + L"\\" + data.Name;
    if (data.Attr & attr::Directory)
      CollectFiles(root, path, out);
    else
      out.push_back(path);
  } while ((code = handle->Next(data)) == 0);
  if (code != err::NoMoreFiles) throw Error(L"フォルダを読み込めません（エラー " + IntToText(code) + L"）: " + folder);
}

std::string DosText(int32_t dos) {
  const auto v = static_cast<uint32_t>(dos);
  char text[32];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u", (v >> 25) + 1980, (v >> 21) & 15, (v >> 16) & 31,
                (v >> 11) & 31, (v >> 5) & 63, (v & 31) * 2);
  return text;
}

void Report(uint32_t code, const TArchiveFile& archive) {
  if (code == 0) return;
  std::wstring message = archive.LastMessage();
  if (message.empty()) message = L"エラー " + IntToText(code);
  Fail(WideToUtf8(message), 1);
}

struct TArchiveArgs {
  std::string Archive;
  std::string Folder;
  std::vector<std::string> Names;
};

void AddArchiveGroup(CLI::App& app) {
  auto* group = app.add_subcommand("archive", "LZH and ZIP archives: list, pack, extract, delete");
  group->require_subcommand(1);
  auto args = std::make_shared<TArchiveArgs>();

  auto* list = group->add_subcommand(
      "list", "one line per entry: size, DOS date-time, relative path; entries with unsafe names go to stderr");
  list->add_option("ARCHIVE", args->Archive)->required();
  list->callback([args] {
    TArchiveFile archive;
    archive.SetFileName(AbsoluteArg(args->Archive));
    if (uint32_t code = archive.Open()) return Report(code, archive);
    for (const auto& skipped : archive.SkippedEntries()) std::fprintf(stderr, "%s\n", WideToUtf8(skipped).c_str());
    TArchiveEntryInfo info;
    for (uint32_t code = archive.FindFirst(L"*.*", info); code == 0; code = archive.FindNext(info))
      std::printf("%llu\t%s\t%s\n", static_cast<unsigned long long>(info.Size), DosText(info.DosTime).c_str(),
                  WideToUtf8(info.Path).c_str());
    archive.Close();
    SetExitCode(0);
  });

  auto* pack = group->add_subcommand("pack", "pack (update) files under BASEDIR, or all of them");
  pack->add_option("ARCHIVE", args->Archive)->required();
  pack->add_option("BASEDIR", args->Folder)->required();
  pack->add_option("RELPATH", args->Names);
  pack->callback([args] {
    TArchiveFile archive;
    archive.SetFileName(AbsoluteArg(args->Archive));
    archive.Options.KeepPaths = true;
    archive.Options.KeepAttributes = true;
    archive.Options.AlwaysReplace = true;
    archive.Options.IgnoreMissing = true;
    archive.Options.Compression = 2;
    const std::wstring base = AbsoluteArg(args->Folder);
    std::vector<std::wstring> names = WideArgs(args->Names);
    if (names.empty()) CollectFiles(base, L"", names);
    Report(archive.Pack(base, names), archive);
  });

  auto* extract = group->add_subcommand("extract", "extract all entries, or the named ones, under TARGETDIR");
  extract->add_option("ARCHIVE", args->Archive)->required();
  extract->add_option("TARGETDIR", args->Folder)->required();
  extract->add_option("ENTRY", args->Names);
  extract->callback([args] {
    TArchiveFile archive;
    archive.SetFileName(AbsoluteArg(args->Archive));
    archive.Options.KeepPaths = true;
    archive.Options.KeepAttributes = true;
    const std::wstring target = AbsoluteArg(args->Folder);
    uint32_t attributes = 0;
    if (Files().GetAttributes(target, attributes) != 0) Files().MakeFolder(target);
    Report(archive.Extract(target, WideArgs(args->Names)), archive);
  });

  auto* remove = group->add_subcommand("delete", "delete the named entries");
  remove->add_option("ARCHIVE", args->Archive)->required();
  remove->add_option("ENTRY", args->Names)->required();
  remove->callback([args] {
    TArchiveFile archive;
    archive.SetFileName(AbsoluteArg(args->Archive));
    archive.Options.KeepPaths = true;
    archive.Options.KeepAttributes = true;
    Report(archive.Delete(L"", WideArgs(args->Names)), archive);
  });
}

TRegisterGroup g_archiveGroup(AddArchiveGroup);

}  // namespace

}  // namespace vog::tool
