#pragma once
// vogtool's command groups register themselves here, one file per group
// (CmdCipher.cpp, CmdArchive.cpp, ...), so groups are added without touching main.
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace vog::tool {

// Adds a group's subcommands to the application. Each subcommand's callback does the
// work and sets the exit code through SetExitCode (0 on success).
using TCommandGroup = std::function<void(CLI::App& app)>;

struct TRegisterGroup {
  explicit TRegisterGroup(TCommandGroup group);
};

std::vector<TCommandGroup>& CommandGroups();

// Prints a one-line message on standard error (UTF-8) and remembers the exit code.
void Fail(const std::string& message, int code = 1);
void SetExitCode(int code);
int ExitCode();

// Arguments arrive as UTF-8 on both builds (the Windows entry converts them); paths
// are converted with this before they reach the platform.
std::wstring ArgToWide(const std::string& arg);

}  // namespace vog::tool
