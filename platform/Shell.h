#pragma once
// Shell services: the paths of special folders and the system's text for an error code.
//
// Special folders are named by their CSIDL numbers (the Windows shell's own ids), so the
// folder path macros can pass stored ids straight through.
#include <cstdint>
#include <memory>
#include <string>

namespace vog {

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
}  // namespace csidl

class IShell {
public:
  virtual ~IShell() = default;
  // The file-system path of special folder `csidl` (no trailing "\" unless it is a
  // drive root). False when the folder has no path or the lookup fails.
  virtual bool SpecialFolderPath(int csidl, std::wstring& path) = 0;
  // The system's message text for a Windows error code, without a trailing line break.
  virtual std::wstring ErrorMessage(uint32_t code) = 0;
};

// The operating system's shell service (Win32 in the Windows build; natively a service
// that knows no special folders).
std::unique_ptr<IShell> CreateSystemShell();

// The wording used where no system text is at hand (memory and POSIX platforms).
std::wstring FallbackErrorMessage(uint32_t code);

}  // namespace vog
