#pragma once
// The platform's vocabulary is Windows' own on every build: Windows error codes and file
// attribute bits. The names are the program's own, so they never clash with <windows.h>.
#include <cstdint>

namespace vog {

namespace err {
inline constexpr uint32_t Success = 0;
inline constexpr uint32_t FileNotFound = 2;
inline constexpr uint32_t PathNotFound = 3;
inline constexpr uint32_t TooManyOpenFiles = 4;
inline constexpr uint32_t AccessDenied = 5;
inline constexpr uint32_t InvalidHandle = 6;
inline constexpr uint32_t NotEnoughMemory = 8;
inline constexpr uint32_t InvalidDrive = 15;
inline constexpr uint32_t CurrentDirectory = 16;
inline constexpr uint32_t NotSameDevice = 17;
inline constexpr uint32_t NoMoreFiles = 18;
inline constexpr uint32_t WriteProtect = 19;
inline constexpr uint32_t NotReady = 21;
inline constexpr uint32_t Crc = 23;
inline constexpr uint32_t ReadFault = 30;
inline constexpr uint32_t WriteFault = 29;
inline constexpr uint32_t GenFailure = 31;
inline constexpr uint32_t SharingViolation = 32;
inline constexpr uint32_t LockViolation = 33;
inline constexpr uint32_t HandleEof = 38;
inline constexpr uint32_t HandleDiskFull = 39;
inline constexpr uint32_t NotSupported = 50;
inline constexpr uint32_t BadNetPath = 53;
inline constexpr uint32_t NetworkBusy = 54;
inline constexpr uint32_t UnexpectedNetworkError = 59;
inline constexpr uint32_t BadNetName = 67;
inline constexpr uint32_t FileExists = 80;
inline constexpr uint32_t InvalidParameter = 87;
inline constexpr uint32_t BrokenPipe = 109;
inline constexpr uint32_t DiskFull = 112;
inline constexpr uint32_t InvalidName = 123;
inline constexpr uint32_t DirNotEmpty = 145;
inline constexpr uint32_t AlreadyExists = 183;
inline constexpr uint32_t FilenameExceedRange = 206;
inline constexpr uint32_t FileTooLarge = 223;
inline constexpr uint32_t DirectoryInvalid = 267;
inline constexpr uint32_t NoMediaInDrive = 1112;
inline constexpr uint32_t FileCorrupt = 1392;
inline constexpr uint32_t DiskCorrupt = 1393;
inline constexpr uint32_t FileOrDirectoryCorrupt = 1392;
inline constexpr uint32_t DirectoryUnreadable = 1005;  // "unrecognized volume"
inline constexpr uint32_t RequestAborted = 1235;
inline constexpr uint32_t Cancelled = 1223;
inline constexpr uint32_t BadUserName = 2202;
inline constexpr uint32_t SessionCredentialConflict = 1219;
inline constexpr uint32_t LogonFailure = 1326;
inline constexpr uint32_t NotConnected = 2250;
inline constexpr uint32_t InvalidPassword = 86;
inline constexpr uint32_t OpenFiles = 2401;
inline constexpr uint32_t AlreadyAssigned = 85;
inline constexpr uint32_t DevNotExist = 55;
inline constexpr uint32_t NoNetwork = 1222;
inline constexpr uint32_t Encrypted = 6000;
}  // namespace err

namespace attr {
inline constexpr uint32_t ReadOnly = 0x1;
inline constexpr uint32_t Hidden = 0x2;
inline constexpr uint32_t System = 0x4;
inline constexpr uint32_t VolumeId = 0x8;
inline constexpr uint32_t Directory = 0x10;
inline constexpr uint32_t Archive = 0x20;
inline constexpr uint32_t Normal = 0x80;
inline constexpr uint32_t Temporary = 0x100;
inline constexpr uint32_t ReparsePoint = 0x400;
inline constexpr uint32_t Compressed = 0x800;
inline constexpr uint32_t Encrypted = 0x4000;
inline constexpr uint32_t Invalid = 0xFFFFFFFF;
}  // namespace attr

}  // namespace vog
