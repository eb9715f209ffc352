// A data file written by an earlier build must load in every later one. The file in
// tests/data/datafile/known-setup.vgd was written once from the setup below; it pins the
// key, the cipher, the records and the settings text. Never regenerate it to make this
// test pass: a difference means old setups would no longer load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "datafile/DataFileSupport.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

void KnownSetup(TOwnedList& list, TAppBackupData& data) {
  TBackupInfo& a = list.Add();
  FillItem(a, 1);
  TBackupInfo& b = list.Add();
  b.Title = L"写真";
  b.SourceFolder = L"D:\\Photos";
  b.DestFolder = L"E:\\Backup\\写真";
  b.ExcludeCondition.Folders = {L"thumbs"};
  FillBlock(data);
}

std::string ReadGolden() {
  const char* dir = std::getenv("VOG_TEST_DATA");
  if (!dir) return {};
  std::ifstream in(std::string(dir) + "/datafile/known-setup.vgd", std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using GoldenFileTest = MemoryTest;

TEST_F(GoldenFileTest, AFileWrittenByAnEarlierBuildLoadsAndIsWrittenAlike) {
  std::string golden = ReadGolden();
  ASSERT_FALSE(golden.empty()) << "VOG_TEST_DATA/datafile/known-setup.vgd";
  Fs().AddFile(L"C:\\known.vgd", golden);

  TOwnedList expected;
  TAppBackupData expectedData;
  KnownSetup(expected, expectedData);

  TOwnedList list;
  TAppBackupData data;
  TAppBackupDataFile file;
  file.SetFileName(std::wstring(L"C:\\known.vgd"));
  file.SetData(&data);
  file.SetList(&list.List);
  file.Load();
  ASSERT_EQ(list.List.Count(), 2);
  ExpectSameItem(*list.List[0], *expected.List[0]);
  ExpectSameItem(*list.List[1], *expected.List[1]);
  ExpectSameBlock(data, expectedData);

  // The same setup saved today gives the same bytes.
  file.SetFileName(std::wstring(L"C:\\today.vgd"));
  file.SetData(&expectedData);
  file.SetList(&expected.List);
  file.Save();
  std::string today;
  ASSERT_TRUE(Fs().ReadContent(L"C:\\today.vgd", today));
  EXPECT_EQ(today, golden);
}

}  // namespace
}  // namespace vog::test
