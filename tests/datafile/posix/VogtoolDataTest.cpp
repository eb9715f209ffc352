// The native vogtool's data commands on real files: a new setup, editing through JSON,
// masked secrets, and the two round trips (JSON to file to JSON, file to JSON to file).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/VogtoolRunner.h"

namespace vog {
namespace {

namespace fs = std::filesystem;
using TJson = nlohmann::ordered_json;

using test::TToolResult;
using TResult = TToolResult;

std::string ReadAll(const fs::path& path) { return test::ReadFileBytes(path); }
void WriteAll(const fs::path& path, const std::string& content) { test::WriteFileBytes(path, content); }

class VogtoolDataTest : public test::VogtoolTest {};

TEST_F(VogtoolDataTest, NewSetupShowsTheDefaults) {
  ASSERT_EQ(Run({"data", "new", P("a.vgd")}).Exit, 0);
  TResult again = Run({"data", "new", P("a.vgd")});
  EXPECT_NE(again.Exit, 0) << "an existing file is not replaced";
  TResult show = Run({"data", "show", P("a.vgd")});
  ASSERT_EQ(show.Exit, 0) << show.Err;
  TJson json = TJson::parse(show.Out);
  EXPECT_TRUE(json["items"].empty());
  EXPECT_EQ(json["application"]["AppTitle"], "バックアップ");
  EXPECT_EQ(json["application"]["LogKeepCount"], 10);
  EXPECT_EQ(json["application"]["AllowEdit"], true);
  EXPECT_EQ(json["application"]["IconImage"]["PictureClass"], "");

  WriteAll(P("bad.vgd"), "not a data file at all");
  TResult bad = Run({"data", "show", P("bad.vgd")});
  EXPECT_NE(bad.Exit, 0);
  EXPECT_NE(bad.Err.find("データファイルが正しくありません"), std::string::npos) << bad.Err;
}

TEST_F(VogtoolDataTest, EditingThroughJsonRoundTrips) {
  ASSERT_EQ(Run({"data", "new", P("a.vgd")}).Exit, 0);
  ASSERT_EQ(Run({"data", "export", P("a.vgd"), P("a.json")}).Exit, 0);
  TJson json = TJson::parse(ReadAll(P("a.json")));
  TJson item;
  item["Title"] = "書類";
  item["SourceFolder"] = "C:\\書類";
  item["Encrypt"] = true;
  item["CipherKey"] = "鍵のことば";
  item["NetPassword"] = "pw";
  item["TargetFiles"] = {"*.txt", ""};
  json["items"].push_back(item);
  json["application"]["WindowWidth"] = 500;
  json["application"]["SpareBlock"]["Values"][3] = "0102030405060708";
  json["application"]["AboutImage"]["PictureClass"] = "TBitmap";
  json["application"]["AboutImage"]["PictureData"] = "AAECAw==";
  WriteAll(P("b.json"), json.dump(2) + "\n");
  TResult imported = Run({"data", "import", P("b.json"), P("b.vgd")});
  ASSERT_EQ(imported.Exit, 0) << imported.Err;

  // The export fills in every field the edit left out; exported again, it is unchanged.
  ASSERT_EQ(Run({"data", "export", "--show-secrets", P("b.vgd"), P("c.json")}).Exit, 0);
  TJson c = TJson::parse(ReadAll(P("c.json")));
  EXPECT_EQ(c["items"][0]["CipherKey"], "鍵のことば");
  EXPECT_EQ(c["items"][0]["IncludeSubFolders"], true);
  EXPECT_EQ(c["application"]["AboutImage"]["PictureData"], "AAECAw==");
  EXPECT_EQ(c["application"]["SpareBlock"]["Values"][3], "0102030405060708");
  ASSERT_EQ(Run({"data", "import", P("c.json"), P("c.vgd")}).Exit, 0);
  ASSERT_EQ(Run({"data", "export", "--show-secrets", P("c.vgd"), P("d.json")}).Exit, 0);
  EXPECT_EQ(ReadAll(P("c.json")), ReadAll(P("d.json")));
  EXPECT_EQ(ReadAll(P("b.vgd")), ReadAll(P("c.vgd")));

  // Without --show-secrets the pass phrases are masked; importing the masked JSON over the
  // file keeps the file's values, and the file comes back byte for byte.
  TResult show = Run({"data", "show", P("b.vgd")});
  ASSERT_EQ(show.Exit, 0);
  EXPECT_EQ(show.Out.find("鍵のことば"), std::string::npos);
  TJson masked = TJson::parse(show.Out);
  EXPECT_EQ(masked["items"][0]["CipherKey"], "********");
  EXPECT_EQ(masked["items"][0]["SecondPassword"], "") << "an empty secret is shown empty";
  std::string before = ReadAll(P("b.vgd"));
  ASSERT_EQ(Run({"data", "export", P("b.vgd"), P("m.json")}).Exit, 0);
  TResult over = Run({"data", "import", P("m.json"), P("b.vgd")});
  ASSERT_EQ(over.Exit, 0) << over.Err;
  EXPECT_EQ(ReadAll(P("b.vgd")), before);

  // A masked secret with no file to take it from is refused, and nothing is written.
  TResult orphan = Run({"data", "import", P("m.json"), P("new.vgd")});
  EXPECT_NE(orphan.Exit, 0);
  EXPECT_NE(orphan.Err.find("CipherKey"), std::string::npos) << orphan.Err;
  EXPECT_FALSE(fs::exists(P("new.vgd")));
}

// A misspelt key or a value of the wrong kind is refused, naming its place, and no file is
// written: a typo never drops a setting silently.
TEST_F(VogtoolDataTest, WrongJsonIsRefusedWithItsPlace) {
  const struct {
    const char* Json;
    const char* Message;
  } kCases[] = {
      {R"({"items":[{"Title":"a","HistoryCount":"three"}]})", "items[0].HistoryCount: expected a 32-bit integer"},
      {R"({"items":[{},{"Mirorring":true}]})", "items[1].Mirorring: unknown key (did you mean Mirroring?)"},
      {R"({"items":[{"Mirroring":"yes"}]})", "items[0].Mirroring: expected true or false"},
      {R"({"items":[{"Colour":1}]})", "items[0].Colour: unknown key"},
      {R"({"item":[]})", "item: unknown key (did you mean items?)"},
      {R"({"application":{"logkeepcount":3}})", "application.logkeepcount: unknown key (did you mean LogKeepCount?)"},
      {R"({"application":{"IconImage":{"Picture":""}}})", "application.IconImage.Picture: unknown key"},
      {R"({"application":{"SpareBlock":{"Byte":[]}}})", "application.SpareBlock.Byte: unknown key"},
      // A title must name one folder inside the main destination.
      {R"({"items":[{"Title":"写真"},{"Title":".."}]})", "items[1].Title: タイトル「..」はバックアップ先のフォルダ名に使えません"},
      {R"({"items":[{"Title":""}]})", "items[0].Title: タイトル「」はバックアップ先のフォルダ名に使えません（タイトルが空です）"},
      {R"({"items":[{"Title":"..\\x"}]})", "items[0].Title: タイトル「..\\x」"},
      {R"({"items":[{"Title":"CON.txt"}]})", "装置名"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.Json);
    WriteAll(P("x.json"), c.Json);
    TResult r = Run({"data", "import", P("x.json"), P("x.vgd")});
    EXPECT_NE(r.Exit, 0);
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(P("x.vgd")));
  }
  WriteAll(P("y.json"), "{");
  EXPECT_NE(Run({"data", "import", P("y.json"), P("y.vgd")}).Exit, 0);
}

}  // namespace
}  // namespace vog
