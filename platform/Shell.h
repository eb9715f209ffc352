#pragma once
// Shell services: the paths of special folders and the system's text for an error code.
//
// Special folders are named by their CSIDL numbers (the Windows shell's own ids), so the
// folder path macros can pass stored ids straight through.
#include <cstdint>
#include <memory>
#include <string>

namespace vog {

namespace err {
// A storage or shell object failed without a Windows error code (E_FAIL).
inline constexpr uint32_t ShellFailure = 0x80004005u;
}  // namespace err

namespace csidl {
inline constexpr int Desktop = 0x0000;
inline constexpr int Programs = 0x0002;
inline constexpr int Personal = 0x0005;  // My Documents
inline constexpr int Favorites = 0x0006;
inline constexpr int Startup = 0x0007;
inline constexpr int Recent = 0x0008;
inline constexpr int SendTo = 0x0009;
inline constexpr int StartMenu = 0x000B;
inline constexpr int DesktopDirectory = 0x0010;
inline constexpr int Fonts = 0x0014;
inline constexpr int Templates = 0x0015;
inline constexpr int AppData = 0x001A;
inline constexpr int LocalAppData = 0x001C;
inline constexpr int InternetCache = 0x0020;
inline constexpr int Cookies = 0x0021;
inline constexpr int History = 0x0022;
inline constexpr int CommonAppData = 0x0023;
inline constexpr int Windows = 0x0024;
inline constexpr int System = 0x0025;
inline constexpr int ProgramFiles = 0x0026;
inline constexpr int MyPictures = 0x0027;
inline constexpr int Profile = 0x0028;
inline constexpr int MyMusic = 0x000D;
inline constexpr int NetHood = 0x0013;
inline constexpr int CommonStartMenu = 0x0016;
inline constexpr int CommonPrograms = 0x0017;
inline constexpr int CommonStartup = 0x0018;
inline constexpr int CommonDesktopDirectory = 0x0019;
inline constexpr int PrintHood = 0x001B;
inline constexpr int CommonFavorites = 0x001F;
inline constexpr int ProgramFilesCommon = 0x002B;
inline constexpr int CommonTemplates = 0x002D;
inline constexpr int CommonDocuments = 0x002E;
inline constexpr int CommonAdminTools = 0x002F;
}  // namespace csidl

class IShell {
public:
  virtual ~IShell() = default;
  // The file-system path of special folder `csidl` (no trailing "\" unless it is a
  // drive root). False when the folder has no path or the lookup fails.
  virtual bool SpecialFolderPath(int csidl, std::wstring& path) = 0;
  // The system's message text for a Windows error code, without a trailing line break.
  virtual std::wstring ErrorMessage(uint32_t code) = 0;
  // The target path of shortcut file `linkPath` (a .lnk file), the network form preferred.
  // 0, or the failing shell object's HRESULT (as unsigned) or a Windows error code.
  virtual uint32_t ShortcutTarget(const std::wstring& linkPath, std::wstring& target) = 0;
  // Copies every property of the summary-information property set of `source` to `dest`
  // and commits; 0 or the storage error.
  virtual uint32_t CopySummaryInformation(const std::wstring& source, const std::wstring& dest) = 0;
};

// The operating system's shell service (Win32 in the Windows build; natively a service
// that knows no special folders).
std::unique_ptr<IShell> CreateSystemShell();

// The wording used where no system text is at hand (memory and POSIX platforms).
std::wstring FallbackErrorMessage(uint32_t code);

}  // namespace vog
