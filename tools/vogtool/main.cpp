// vogtool: the command-line companion of Vogratel. It works on the program's own
// formats (enciphered files, archives, the data file, the log, the history database)
// without the program, on Windows and on Linux.
#include <cstdio>
#include <iostream>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Platform.h"
#include "tools/vogtool/Commands.h"

namespace vog::tool {

namespace {
int g_exitCode = 0;
}

std::vector<TCommandGroup>& CommandGroups() {
  static std::vector<TCommandGroup> groups;
  return groups;
}

TRegisterGroup::TRegisterGroup(TCommandGroup group) { CommandGroups().push_back(std::move(group)); }

void Fail(const std::string& message, int code) {
  std::fprintf(stderr, "vogtool: %s\n", message.c_str());
  g_exitCode = code;
}

void SetExitCode(int code) { g_exitCode = code; }
int ExitCode() { return g_exitCode; }

std::wstring ArgToWide(const std::string& arg) { return Utf8ToWide(arg); }

static int Run(int argc, char** argv) {
  InstallPlatform(CreateSystemPlatform());
  CLI::App app{"vogtool - Vogratel's command-line companion"};
  app.require_subcommand(1);
  // A usage error is one line on standard error, like every other failure of the tool.
  app.failure_message([](const CLI::App*, const CLI::Error& e) { return "vogtool: " + std::string(e.what()) + "\n"; });
  for (auto& group : CommandGroups()) group(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const Error& e) {
    Fail(e.what());
  } catch (const std::exception& e) {
    Fail(e.what());
  }
  return g_exitCode;
}

}  // namespace vog::tool

#ifdef _WIN32
#include <string>
#include <vector>
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(vog::WideToUtf8(argv[i]));
  std::vector<char*> ptrs;
  for (auto& a : args) ptrs.push_back(a.data());
  return vog::tool::Run(argc, ptrs.data());
}
#else
int main(int argc, char** argv) { return vog::tool::Run(argc, argv); }
#endif
