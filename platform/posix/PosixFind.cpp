// Directory searches and entry attributes of the POSIX file system.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>

#include "base/Text.h"
#include "base/Wildcard.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

namespace vog::posix {

namespace {

int StatxEntry(const std::string& path, int flags, TEntryStat& st) {
  struct statx stx;
  if (::statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0) return errno;
  auto toFileTime = [](const statx_timestamp& t) { return TimespecToFileTime(timespec{t.tv_sec, t.tv_nsec}); };
  st.Mode = stx.stx_mode;
  st.Size = static_cast<int64_t>(stx.stx_size);
  st.Dev = makedev(stx.stx_dev_major, stx.stx_dev_minor);
  st.Ino = stx.stx_ino;
  st.LastAccess = toFileTime(stx.stx_atime);
  st.LastWrite = toFileTime(stx.stx_mtime);
  st.Creation = (stx.stx_mask & STATX_BTIME) ? toFileTime(stx.stx_btime) : st.LastWrite;
  return 0;
}

bool HasWildcard(std::string_view mask) { return mask.find_first_of("*?") != std::string_view::npos; }

// A listing in progress: "." and ".." first (except at the root), then what readdir
// gives, each matched against the mask.
class TPosixFindHandle : public IFindHandle {
public:
  TPosixFindHandle(DIR* dir, std::string folder, std::wstring mask, bool dots)
      : dir_(dir), folder_(std::move(folder)), mask_(std::move(mask)), dotsLeft_(dots ? 2 : 0) {}
  ~TPosixFindHandle() override {
    if (dir_) ::closedir(dir_);
  }

  uint32_t Next(TFindData& data) override {
    while (dotsLeft_ > 0) {
      const char* name = dotsLeft_ == 2 ? "." : "..";
      --dotsLeft_;
      if (Emit(name, data)) return err::Success;
    }
    if (!dir_) return err::NoMoreFiles;
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir_);
      if (!entry) return errno == 0 ? err::NoMoreFiles : MapErrno(errno);
      const std::string_view name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (Emit(std::string(name), data)) return err::Success;
    }
  }

  // Looks at the name (and stats it when it matches); false to go on to the next one.
  bool Emit(const std::string& name, TFindData& data) {
    const std::wstring wide = Utf8ToWide(name);
    if (!MatchMask(wide, mask_)) return false;
    TEntryStat st;
    // An entry removed since readdir saw it is passed over, as if the listing had
    // started a moment later.
    if (StatEntry(folder_ + name, st) != 0) return false;
    FillFindData(name, st, data);
    data.Name = wide;
    return true;
  }

private:
  DIR* dir_;
  std::string folder_;  // ends with "/"
  std::wstring mask_;
  int dotsLeft_;
};

}  // namespace

int StatEntry(const std::string& path, TEntryStat& st) {
  const int e = StatxEntry(path, 0, st);
  if (e == ENOENT || e == ELOOP) {
    // A dangling or looping symbolic link still is an entry of its folder.
    if (StatxEntry(path, AT_SYMLINK_NOFOLLOW, st) == 0) return 0;
  }
  return e;
}

int StatLink(const std::string& path, TEntryStat& st) { return StatxEntry(path, AT_SYMLINK_NOFOLLOW, st); }

std::string LastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : (p == "/" ? p : p.substr(slash + 1));
}

uint32_t AttributesOf(const std::string& name, const TEntryStat& st) {
  uint32_t a = 0;
  if (S_ISDIR(st.Mode))
    a |= attr::Directory;
  else if (S_ISREG(st.Mode))
    a |= attr::Archive;
  else
    a |= attr::System;  // devices, pipes, sockets, dangling links: never opened as files
  if ((st.Mode & S_IWUSR) == 0) a |= attr::ReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") a |= attr::Hidden;
  return a;
}

void FillFindData(const std::string& name, const TEntryStat& st, TFindData& data) {
  data.Name = Utf8ToWide(name);
  data.Attr = AttributesOf(name, st);
  data.Size = S_ISREG(st.Mode) ? st.Size : 0;
  data.CreationTime = st.Creation;
  data.LastAccessTime = st.LastAccess;
  data.LastWriteTime = st.LastWrite;
}

uint32_t FindFirstEntry(const std::string& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) {
  handle.reset();
  const size_t slash = pattern.rfind('/');
  std::string folder = slash == std::string::npos ? std::string("./") : pattern.substr(0, slash + 1);
  const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (mask.empty()) return err::FileNotFound;

  TEntryStat folderStat;
  if (const int e = StatEntry(folder, folderStat); e != 0)
    return e == ENOENT || e == ENOTDIR ? err::PathNotFound : MapErrno(e);
  if (!S_ISDIR(folderStat.Mode)) return err::PathNotFound;

  // A plain name is looked up directly; only when it is not there under this exact
  // spelling is the folder searched for it without regard to case.
  if (!HasWildcard(mask)) {
    TEntryStat st;
    if (StatEntry(folder + mask, st) == 0) {
      FillFindData(LastComponent(folder + mask), st, first);
      first.Name = Utf8ToWide(mask);
      handle = std::make_unique<TPosixFindHandle>(nullptr, folder, L"", false);
      return err::Success;
    }
  }

  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return MapErrno(errno, folder);
  TEntryStat rootStat;
  const bool isRoot = StatEntry("/", rootStat) == 0 && rootStat.Dev == folderStat.Dev && rootStat.Ino == folderStat.Ino;
  auto find = std::make_unique<TPosixFindHandle>(dir, folder, Utf8ToWide(mask), !isRoot);
  const uint32_t code = find->Next(first);
  if (code == err::NoMoreFiles) return err::FileNotFound;
  if (code != err::Success) return code;
  handle = std::move(find);
  return err::Success;
}

uint32_t ListNameEntries(const std::string& folder, std::vector<TNameEntry>& names) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    names.clear();
    return errno == ENOENT || errno == ENOTDIR ? err::PathNotFound : MapErrno(errno, folder);
  }
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  uint32_t code = err::Success;
  size_t at = 0;  // entries of a vector listed into again keep their strings' room
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) {
      if (errno != 0) code = MapErrno(errno);
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool folderEntry = entry->d_type == DT_DIR;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      TEntryStat st;
      // Gone since readdir saw it: passed over, as a search passes it over.
      if (StatEntry(base + std::string(name), st) != 0) continue;
      folderEntry = S_ISDIR(st.Mode);
    }
    if (at == names.size()) names.emplace_back();
    // Most names are ASCII: widened in place, into the room the entry already has.
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      names[at].Name.assign(name.begin(), name.end());
    else
      names[at].Name = Utf8ToWide(name);
    names[at++].Folder = folderEntry;
  }
  ::closedir(dir);
  names.resize(code == err::Success ? at : 0);
  return code;
}

}  // namespace vog::posix
