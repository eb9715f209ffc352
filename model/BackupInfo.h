#pragma once
// Backup items: one source folder with its title, the rules that pick its files and the
// options that say how they are copied. Plain data: fields are public, every stored field
// also has a setter (the data-file reader and the main window use them).
//
// Texts are UTF-16 (std::wstring); pass phrases, cipher names and network credentials are
// byte text in the ANSI code page (std::string), because the cipher works on those bytes.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vog {

// Which files are copied, and whether the destination is mirrored.
class TBackupCondition {
public:
  bool CopyNew = true;           // copy a source file the destination lacks
  bool CopySizeChanged = true;   // copy when the sizes differ
  bool CopyNewer = true;         // copy when the source is newer by more than 3 seconds
  bool CopyAll = false;          // copy every selected file; the other tests are not made
  bool Mirroring = false;        // delete from the destination what the source no longer has
  bool CopyTimeChanged = false;  // copy when the times differ by more than 3 seconds (CopyNewer off)

  void Assign(const TBackupCondition& source);

  void SetCopyNew(bool value) { CopyNew = value; }
  void SetCopySizeChanged(bool value) { CopySizeChanged = value; }
  void SetCopyNewer(bool value) { CopyNewer = value; }
  void SetCopyAll(bool value) { CopyAll = value; }
  void SetMirroring(bool value) { Mirroring = value; }
  void SetCopyTimeChanged(bool value) { CopyTimeChanged = value; }
};

// A pair of name lists (unsorted, duplicates allowed). What `Folders` means depends on
// the role: for an item's targets it holds masks of files to drop again, for its
// exclusions it holds folder paths or folder-name masks.
class TSubJectFileCondition {
public:
  std::vector<std::wstring> Folders;
  std::vector<std::wstring> Files;

  void Assign(const TSubJectFileCondition& source);
};

// One backup item. The three condition objects belong to the item and are never shared:
// Assign copies their contents.
class TBackupInfo {
public:
  std::wstring Title;
  std::wstring SourceFolder;
  std::wstring DestFolder;
  std::wstring HistoryFolderFormat = L"'世代' yyyy-mm-dd";
  std::wstring ArchiveName = L"Backup.lzh";
  std::wstring HistoryFolder;
  std::wstring VolumeLabel;
  bool IncludeSubFolders = true;
  bool UseHistoryDatabase = false;
  TBackupCondition Condition;
  TSubJectFileCondition TargetCondition;
  TSubJectFileCondition ExcludeCondition;
  bool KeepHistory = false;
  bool ConfirmOverwrite = false;
  bool Archive = false;
  bool Encrypt = false;
  std::string CipherKey;
  bool Decrypt = false;
  std::string CipherName = "Blowfish";
  bool UseTempFile = false;
  int32_t HistoryCount = 0;
  bool UseHistoryFolder = false;
  bool NetLogon = false;
  bool CheckVolumeLabel = false;
  std::string NetUser;
  std::string NetPassword;
  bool NetDisconnect = false;
  bool SpareFlag = false;
  bool SecondLogon = false;
  std::string SecondUser;
  bool SecondDisconnect = false;
  std::string SecondPassword;

  TBackupInfo() = default;
  // Items are referenced by pointer from lists and file records; copying one by accident
  // would leave those pointing at the wrong object, so copies are made with Assign only.
  TBackupInfo(const TBackupInfo&) = delete;
  TBackupInfo& operator=(const TBackupInfo&) = delete;

  // Copies every field; the conditions by content.
  void Assign(const TBackupInfo& source);

  void SetTitle(const std::wstring& value) { Title = value; }
  void SetSourceFolder(const std::wstring& value) { SourceFolder = value; }
  void SetDestFolder(const std::wstring& value) { DestFolder = value; }
  void SetHistoryFolderFormat(const std::wstring& value) { HistoryFolderFormat = value; }
  void SetArchiveName(const std::wstring& value) { ArchiveName = value; }
  void SetHistoryFolder(const std::wstring& value) { HistoryFolder = value; }
  void SetVolumeLabel(const std::wstring& value) { VolumeLabel = value; }
  void SetIncludeSubFolders(bool value) { IncludeSubFolders = value; }
  void SetUseHistoryDatabase(bool value) { UseHistoryDatabase = value; }
  void SetKeepHistory(bool value) { KeepHistory = value; }
  void SetConfirmOverwrite(bool value) { ConfirmOverwrite = value; }
  void SetArchive(bool value) { Archive = value; }
  void SetEncrypt(bool value) { Encrypt = value; }
  void SetCipherKey(const std::string& value) { CipherKey = value; }
  void SetDecrypt(bool value) { Decrypt = value; }
  void SetCipherName(const std::string& value) { CipherName = value; }
  void SetUseTempFile(bool value) { UseTempFile = value; }
  void SetHistoryCount(int32_t value) { HistoryCount = value; }
  void SetUseHistoryFolder(bool value) { UseHistoryFolder = value; }
  void SetNetLogon(bool value) { NetLogon = value; }
  void SetCheckVolumeLabel(bool value) { CheckVolumeLabel = value; }
  void SetNetUser(const std::string& value) { NetUser = value; }
  void SetNetPassword(const std::string& value) { NetPassword = value; }
  void SetNetDisconnect(bool value) { NetDisconnect = value; }
  void SetSpareFlag(bool value) { SpareFlag = value; }
  void SetSecondLogon(bool value) { SecondLogon = value; }
  void SetSecondUser(const std::string& value) { SecondUser = value; }
  void SetSecondDisconnect(bool value) { SecondDisconnect = value; }
  void SetSecondPassword(const std::string& value) { SecondPassword = value; }
};

// The ordered item list (index from 0). It owns its items: an item enters by Add of a
// unique_ptr, leaves by Extract (handed back) or Delete (freed), and Clear and the list's
// end free the rest.
class TBackupInfoList {
public:
  TBackupInfoList() = default;
  TBackupInfoList(const TBackupInfoList&) = delete;
  TBackupInfoList& operator=(const TBackupInfoList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TBackupInfo* Items(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  TBackupInfo* operator[](int index) const { return Items(index); }
  // Appends and returns the index.
  int Add(std::unique_ptr<TBackupInfo> item);
  // Takes the first occurrence of `item` out of the list and hands it over; null when it
  // was not in the list.
  std::unique_ptr<TBackupInfo> Extract(const TBackupInfo* item);
  // Takes `item` out and frees it; returns its former index, or -1 when it was not in the list.
  int Remove(const TBackupInfo* item);
  // Swaps the items at two positions (the main window's move up and down).
  void Exchange(int a, int b) { std::swap(items_.at(static_cast<size_t>(a)), items_.at(static_cast<size_t>(b))); }
  // Frees every item.
  void Clear() { items_.clear(); }
  // Frees the current items and takes over `items` in their order.
  void Assign(std::vector<std::unique_ptr<TBackupInfo>> items) noexcept { items_ = std::move(items); }

  class iterator {
  public:
    using value_type = TBackupInfo*;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    explicit iterator(std::vector<std::unique_ptr<TBackupInfo>>::const_iterator at) : at_(at) {}
    TBackupInfo* operator*() const { return at_->get(); }
    iterator& operator++() {
      ++at_;
      return *this;
    }
    iterator operator++(int) {
      auto old = *this;
      ++at_;
      return old;
    }
    bool operator==(const iterator&) const = default;

  private:
    std::vector<std::unique_ptr<TBackupInfo>>::const_iterator at_;
  };
  iterator begin() const { return iterator(items_.begin()); }
  iterator end() const { return iterator(items_.end()); }

private:
  int IndexOf(const TBackupInfo* item) const;

  std::vector<std::unique_ptr<TBackupInfo>> items_;
};

}  // namespace vog
