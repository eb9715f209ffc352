#include <gtest/gtest.h>

#include <memory>

#include "model/BackupInfo.h"
#include "platform/Platform.h"
#include "scan/FileInfo.h"
#include "scan/RecordTime.h"
#include "support/MemoryFixture.h"

namespace vog {
namespace {

TEST(FileInfo, DerivedPaths) {
  TFileInfo record;
  EXPECT_EQ(record.Time, 0);
  EXPECT_EQ(record.Size, 0);
  EXPECT_EQ(record.Attr, 0u);
  EXPECT_EQ(record.FullPath(), L"");

  record.SetPath(L"D:\\Data\\", L"", L"x.txt");
  EXPECT_EQ(record.RelativePath(), L"x.txt");
  EXPECT_EQ(record.FullPath(), L"D:\\Data\\x.txt");
  EXPECT_EQ(record.FolderPath(), L"D:\\Data\\");

  record.SetSubFolder(L"a\\b");
  EXPECT_EQ(record.RelativePath(), L"a\\b\\x.txt");
  EXPECT_EQ(record.FullPath(), L"D:\\Data\\a\\b\\x.txt");
  EXPECT_EQ(record.FolderPath(), L"D:\\Data\\a\\b");

  // Log records carry the whole folder in SubFolder and no root.
  TFileInfo logRecord;
  logRecord.SetPath(L"", L"C:\\Src\\a", L"f");
  EXPECT_EQ(logRecord.FullPath(), L"C:\\Src\\a\\f");
}

TEST(FileInfo, SharedFoldersAreOneTextForManyRecords) {
  TSharedText root = MakeSharedText(L"C:\\Src\\");
  TSharedText sub = MakeSharedText(L"dir");
  TFileInfo a, b;
  a.SetPath(root, sub, L"a");
  b.SetPath(root, sub, L"b");
  EXPECT_EQ(&a.RootFolder(), &b.RootFolder());
  EXPECT_EQ(&a.SubFolder(), &b.SubFolder());
  EXPECT_EQ(b.FullPath(), L"C:\\Src\\dir\\b");
  // Changing one record's folder leaves the other alone.
  a.SetRootFolder(L"D:\\");
  EXPECT_EQ(a.FullPath(), L"D:\\dir\\a");
  EXPECT_EQ(b.FullPath(), L"C:\\Src\\dir\\b");
  EXPECT_EQ(MakeSharedText(L""), nullptr);
}

TEST(FileInfo, AssignBetweenPlainAndBackupRecords) {
  TBackupInfo item;
  TBackupFileInfo source;
  source.SetPath(L"C:\\S\\", L"d", L"n.txt");
  source.Size = 5000000000LL;
  source.Time = 0x12345678;
  source.Attr = 0x21;
  source.SetBackupInfo(&item);

  TBackupFileInfo copy;
  copy.Assign(source);
  EXPECT_EQ(copy.FullPath(), L"C:\\S\\d\\n.txt");
  EXPECT_EQ(copy.Size, 5000000000LL);
  EXPECT_EQ(copy.Time, 0x12345678);
  EXPECT_EQ(copy.Attr, 0x21u);
  EXPECT_EQ(copy.BackupInfo, &item);

  TFileInfo plain;
  plain.Assign(source);
  EXPECT_EQ(plain.RelativePath(), L"d\\n.txt");

  // Through the base class too: the override decides.
  TFileInfo& asBase = copy;
  asBase.Assign(plain);
  EXPECT_EQ(copy.BackupInfo, nullptr);
  EXPECT_EQ(copy.FullPath(), L"C:\\S\\d\\n.txt");
}

TEST(FileInfo, DestinationRoot) {
  TBackupInfo item;
  item.DestFolder = L"F:\\Backup\\Docs";
  item.SourceFolder = L"C:\\Docs";
  item.ArchiveName = L"%Date%.zip";
  TBackupFileInfo record;
  EXPECT_EQ(record.DestinationRoot(), L"");
  record.SetBackupInfo(&item);
  EXPECT_EQ(record.DestinationRoot(), L"F:\\Backup\\Docs");
  item.Archive = true;
  EXPECT_EQ(record.DestinationRoot(), L"F:\\Backup\\Docs\\%Date%.zip\tC:\\Docs");
}

// A zone at UTC+9, at UTC+10 from the start of 2023-12-31 (UTC) to kChange in the middle of
// a day, but for the last millisecond of 2023 in local time (as rules that mark a year of
// daylight saving time have it).
class TChangingZone : public IClock {
public:
  static constexpr uint64_t kHour = 36'000'000'000;
  static constexpr uint64_t kDay = 24 * kHour;
  static constexpr uint64_t kDec31 = 154'496 * kDay;                // 2023-12-31 00:00 UTC
  static constexpr uint64_t kOddMs = kDec31 + 15 * kHour - 10'000;  // 23:59:59.999 at UTC+9
  static constexpr uint64_t kChange = kOddMs + 70 * kDay + 8 * kHour + 30 * 60 * 10'000'000ull;
  int Calls = 0;

  TFileTime UtcToLocal(TFileTime utc) override {
    ++Calls;
    const uint64_t ms = utc.Value - utc.Value % 10'000;
    const bool summer = utc.Value >= kDec31 && utc.Value < kChange && ms != kOddMs;
    return TFileTime{utc.Value + (summer ? 10 : 9) * kHour};
  }
  TFileTime NowUtc() override { return TFileTime{kChange}; }
  TFileTime LocalToUtc(TFileTime local) override { return local; }
  uint64_t TickCount() override { return 0; }
};

TEST(DosTimeCache, AgreesWithOneByOneConversionAroundChanges) {
  auto platform = std::make_unique<TPlatform>();
  auto zone = std::make_unique<TChangingZone>();
  TChangingZone& clock = *zone;
  platform->Clock = std::move(zone);
  test::ScopedPlatform installed(std::move(platform));
  using Z = TChangingZone;
  const uint64_t day = Z::kChange - Z::kChange % Z::kDay;
  for (uint64_t utc : {Z::kOddMs, Z::kOddMs - 10'000, Z::kOddMs + 10'000, Z::kChange - 1, Z::kChange,
                       Z::kChange + 2 * Z::kHour, day, day + Z::kDay - 1, Z::kDec31 - 1}) {
    TDosTimeCache cache;
    EXPECT_EQ(cache.DosTime(TFileTime{utc}), DosTimeOfFileTime(TFileTime{utc})) << utc;
  }
  // Many times of one ordinary day cost the clock two questions.
  TDosTimeCache cache;
  clock.Calls = 0;
  const uint64_t ordinary = day + 40 * Z::kDay;
  for (uint64_t t = ordinary; t < ordinary + Z::kDay; t += Z::kHour / 7) cache.DosTime(TFileTime{t});
  EXPECT_EQ(clock.Calls, 2);
  EXPECT_EQ(cache.DosTime(TFileTime{ordinary + 5}), DosTimeOfFileTime(TFileTime{ordinary + 5}));
}

}  // namespace
}  // namespace vog
