// vogtool data show | new | import | export: create and edit a backup setup (the data
// file), which the program itself only reads. The setup travels as JSON (see DataJson.h);
// export followed by import gives back the same file byte for byte.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Error.h"
#include "base/Text.h"
#include "model/AppBackupDataFile.h"
#include "model/TitleRules.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "tools/vogtool/Commands.h"
#include "tools/vogtool/DataJson.h"

namespace vog::tool {

namespace {

// The item list owns its items while the command runs.
struct TSetup {
  TBackupInfoList List;
  TAppBackupData Data;
  void Load(const std::wstring& path) {
    TAppBackupDataFile file;
    file.SetFileName(path);
    file.SetData(&Data);
    file.SetList(&List);
    file.Load();
  }
  void Save(const std::wstring& path) {
    TAppBackupDataFile file;
    file.SetFileName(path);
    file.SetData(&Data);
    file.SetList(&List);
    file.Save();
  }
};

std::string ReadWhole(const std::wstring& path) {
  std::string bytes;
  if (uint32_t e = ReadWholeFile(path, bytes)) throw Error(L"cannot read " + path + L" (error " + IntToText(e) + L")");
  return bytes;
}

void WriteWhole(const std::wstring& path, const std::string& bytes) {
  if (uint32_t e = WriteFileReplacing(path, bytes))
    throw Error(L"cannot write " + path + L" (error " + IntToText(e) + L")");
}

std::string Dump(const TJson& json) { return json.dump(2, ' ', false) + "\n"; }

bool Exists(const std::wstring& path) {
  uint32_t attributes = 0;
  return Files().GetAttributes(path, attributes) == 0 && !(attributes & attr::Directory);
}

}  // namespace

static TRegisterGroup registerData([](CLI::App& app) {
  auto* data = app.add_subcommand("data", "Show, create and edit a backup setup (data file, .vgd)");
  data->require_subcommand(1);

  struct TOptions {
    std::string File, Json;
    bool ShowSecrets = false;
  };
  auto o = std::make_shared<TOptions>();

  auto* show = data->add_subcommand("show", "Print the whole setup as JSON");
  show->add_option("FILE", o->File, "Data file")->required();
  show->add_flag("--show-secrets", o->ShowSecrets, "Print pass phrases and passwords in clear");
  show->callback([o] {
    TSetup setup;
    setup.Load(ArgToWide(o->File));
    std::string text = Dump(SetupToJson(setup.List, setup.Data, o->ShowSecrets));
    std::fwrite(text.data(), 1, text.size(), stdout);
    SetExitCode(0);
  });

  auto* create = data->add_subcommand("new", "Write an empty setup with the defaults");
  create->add_option("FILE", o->File, "Data file to create")->required();
  create->callback([o] {
    std::wstring path = ArgToWide(o->File);
    if (Exists(path)) {
      Fail(o->File + " exists; remove it first or use data import");
      return;
    }
    TSetup setup;
    setup.Save(path);
    SetExitCode(0);
  });

  auto* exporter = data->add_subcommand("export", "Write the setup as a JSON file");
  exporter->add_option("FILE", o->File, "Data file")->required();
  exporter->add_option("JSON", o->Json, "JSON file to write")->required();
  exporter->add_flag("--show-secrets", o->ShowSecrets, "Write pass phrases and passwords in clear");
  exporter->callback([o] {
    TSetup setup;
    setup.Load(ArgToWide(o->File));
    WriteWhole(ArgToWide(o->Json), Dump(SetupToJson(setup.List, setup.Data, o->ShowSecrets)));
    SetExitCode(0);
  });

  auto* importer = data->add_subcommand("import", "Write a data file from a JSON file");
  importer->add_option("JSON", o->Json, "JSON file (as export writes it)")->required();
  importer->add_option("FILE", o->File, "Data file to write (masked secrets keep its values)")->required();
  importer->callback([o] {
    TJson json;
    try {
      json = TJson::parse(ReadWhole(ArgToWide(o->Json)));
    } catch (const TJson::exception& e) {
      Fail(o->Json + ": " + e.what());
      return;
    }
    std::wstring path = ArgToWide(o->File);
    TSetup previous;
    if (Exists(path)) previous.Load(path);
    TSetup setup;
    std::vector<std::unique_ptr<TBackupInfo>> items;
    SetupFromJson(json, previous.List, items, setup.Data);
    // A title names the item's folder inside the main destination: one that leaves it (or
    // names the destination itself) is refused here, before anything is written.
    for (size_t i = 0; i < items.size(); ++i) {
      const std::wstring problem = TitleProblem(items[i]->Title);
      if (problem.empty()) continue;
      Fail("items[" + std::to_string(i) + "].Title: " + WideToUtf8(problem));
      return;
    }
    setup.List.Assign(std::move(items));
    setup.Save(path);
    SetExitCode(0);
  });
});

}  // namespace vog::tool
