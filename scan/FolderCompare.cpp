#include "scan/FolderCompare.h"

#include <memory>

#include "model/BackupInfo.h"
#include "scan/FileInfoList.h"
#include "scan/MessagePump.h"
#include "scan/Progress.h"

namespace vog {

namespace {

// Seconds since 1980-01-01 of a DOS date-time; false when it is not a valid one. Exact
// integer arithmetic gives the same answers as subtracting date-time values in days and
// comparing with 3 seconds as a fraction of a day, without rounding at the boundary.
bool DosSeconds(int32_t dos, int64_t& seconds) {
  const uint32_t value = static_cast<uint32_t>(dos);
  const int year = 1980 + static_cast<int>(value >> 25);
  const int month = static_cast<int>((value >> 21) & 15);
  const int day = static_cast<int>((value >> 16) & 31);
  const int hour = static_cast<int>((value >> 11) & 31);
  const int minute = static_cast<int>((value >> 5) & 63);
  const int second = static_cast<int>(value & 31) * 2;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int monthDays = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day > monthDays) return false;
  // Days from 1980-01-01 to the start of the month.
  static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  auto leapsUpTo = [](int y) { return y / 4 - y / 100 + y / 400; };
  int64_t days = int64_t{year - 1980} * 365 + (leapsUpTo(year - 1) - leapsUpTo(1979));
  days += kBefore[month - 1] + (month > 2 && leap ? 1 : 0);
  days += day - 1;
  seconds = ((days * 24 + hour) * 60 + minute) * 60 + second;
  return true;
}

constexpr int64_t kToleranceSeconds = 3;

}  // namespace

bool DosTimeDifference(int32_t source, int32_t dest, int64_t& seconds) {
  int64_t s = 0, d = 0;
  if (!DosSeconds(source, s) || !DosSeconds(dest, d)) return false;
  seconds = s - d;
  return true;
}

bool SourceIsNewer(int32_t source, int32_t dest) {
  int64_t difference = 0;
  if (!DosTimeDifference(source, dest, difference)) return true;
  return difference > kToleranceSeconds;
}

bool TimesDiffer(int32_t source, int32_t dest) {
  int64_t difference = 0;
  if (!DosTimeDifference(source, dest, difference)) return true;
  return difference > kToleranceSeconds || difference < -kToleranceSeconds;
}

void TFolderCompare::Execute() {
  if (!SourceFiles || !CopyFiles || !BackupInfo) return;
  const TBackupCondition& condition = BackupInfo->Condition;
  // The first lookup sorts the destination list; that sort lets messages run too.
  for (const TFileInfo* source : *SourceFiles) {
    bool copy = false;
    if (condition.CopyAll) {
      copy = true;
    } else {
      const TFileInfo* dest = DestFiles ? DestFiles->ItemWithRelativePathOf(*source) : nullptr;
      if (dest) {
        if (OtherCase && dest->FileName != source->FileName) OtherCase->emplace_back(source, dest);
        if (condition.CopyNewer) {
          copy = SourceIsNewer(source->Time, dest->Time);
        } else if (condition.CopyTimeChanged) {
          copy = TimesDiffer(source->Time, dest->Time);
        }
        if (condition.CopySizeChanged && source->Size != dest->Size) copy = true;
      } else {
        copy = condition.CopyNew;
      }
    }
    if (copy) {
      auto record = std::make_unique<TBackupFileInfo>();
      record->Assign(*source);
      record->SetBackupInfo(BackupInfo);
      CopyFiles->Add(std::move(record));
    }
    ProcessMessages();
    if (ProgressForm && ProgressForm->StopRequested()) {
      Cancelled = true;
      return;
    }
  }
}

}  // namespace vog
