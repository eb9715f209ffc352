// IBackupRunner over the engine's TBackup.
#include "app/EngineRunner.h"

#include "engine/Backup.h"

namespace vog {

namespace {

class TEngineRunner final : public IBackupRunner {
public:
  void SetHistoryDatabase(TBackupHistoryDatabase* database) override { backup_.SetHistoryDatabase(database); }
  void SetWorkFolder(const std::wstring& folder) override { backup_.SetWorkFolder(folder); }
  void SetSilent(bool silent) override { backup_.SetSilent(silent); }
  void SetCopyAcl(bool copy) override { backup_.SetCopyAcl(copy); }
  void SetCopyCreationTime(bool copy) override { backup_.SetCopyCreationTime(copy); }
  void SetMirrorGuard(const TMirrorGuard& guard, bool ask) override {
    backup_.MirrorGuard = guard;
    backup_.MirrorGuardAsks = ask;
  }
  void SetRetry(int32_t count, int32_t waitSeconds) override {
    backup_.RetryCount = count;
    backup_.RetryWaitSeconds = waitSeconds;
  }
  void SetVerify(bool verify) override { backup_.Verify = verify; }
  void SetThreads(int32_t threads) override { backup_.Threads = threads; }
  void SetRunCipherKey(const std::string& key) override { backup_.SetRunCipherKey(key); }
  void AddItem(TBackupInfo* item) override { backup_.AddItem(item); }

  void Plan() override { backup_.Plan(); }
  TPreviewLists PreviewLists() override { return PreviewListsOf(backup_); }
  void RemoveExpiredHistory(const std::wstring& folder, bool separate, int32_t keepDays) override {
    for (std::wstring& problem : RemoveExpiredHistoryFolders(folder, separate, keepDays))
      backup_.Problems.Add(TProblemKind::HistoryNotRemoved, folder, 0, std::move(problem));
  }
  void Execute() override { backup_.Execute(); }

  bool Stopped() override { return backup_.Stopped; }
  TFileInfoList CopiedFiles() override { return backup_.CopiedFiles.View(); }
  TFileInfoList ErrorFiles() override { return backup_.ErrorFiles.View(); }
  TFileInfoList AllMirrorFiles() override {
    TFileInfoList view;
    for (TFileInfo* record : backup_.GetAllMirrorFiles()) view.Add(record);
    return view;
  }
  const std::vector<TMirrorHold>& HeldBack() override { return backup_.HeldBack; }
  const TRunProblems& Problems() override { return backup_.Problems; }

private:
  TBackup backup_;
};

}  // namespace

std::unique_ptr<IBackupRunner> CreateEngineRunner() { return std::make_unique<TEngineRunner>(); }

}  // namespace vog
