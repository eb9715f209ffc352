// vogtool encrypt | decrypt | text-encrypt | text-decrypt: the program's cipher without the
// program, so that an encrypted backup can be recovered on any machine.
//
// Files are coded exactly as an encrypting backup item codes them (Blowfish, CBC by
// default); texts as the program codes the pass phrases inside its data file (CTS by
// default), Base64 on the enciphered side. A key typed here in UTF-8 is converted to the
// ANSI code page (932) before hashing, as the Windows program sees the same phrase.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "base/Error.h"
#include "base/Text.h"
#include "platform/FileIo.h"
#include "platform/Platform.h"
#include "services/cipher/CipherManager.h"
#include "tools/vogtool/Commands.h"

namespace vog::tool {

namespace {

struct TCipherOptions {
  std::string Cipher = "Blowfish";
  std::string Mode;
  std::string KeyText;
  std::string KeyFile;
  std::string In, Out, Text;
};

const std::map<std::string, TCipherMode> kModes = {{"cbc", TCipherMode::cmCBC}, {"cts", TCipherMode::cmCTS}};

// UTF-8 from the command line to ANSI bytes, with a warning when the code page lacks a
// character (it becomes "?" exactly as it would in the program).
std::string ToAnsi(const std::string& utf8, const char* what) {
  bool lossless = true;
  std::string ansi = CodePage().WideToAnsi(Utf8ToWide(utf8), &lossless);
  if (!lossless)
    std::fprintf(stderr, "vogtool: warning: the %s has characters that code page %u cannot hold; they become \"?\"\n",
                 what, CodePage().CodePageNumber());
  return ansi;
}

std::string ReadKeyFile(const std::string& path) {
  const std::wstring wide = ArgToWide(path);
  std::string key;
  if (uint32_t e = ReadWholeFile(wide, key))
    throw Error(L"cannot read the key file " + wide + L" (error " + IntToText(e) + L")");
  return key;
}

void Prepare(TCipherManager& manager, const TCipherOptions& o, const std::string& key) {
  // The program quietly uses Blowfish for a name it does not know; say so here.
  if (!LookupCipher(o.Cipher))
    std::fprintf(stderr, "vogtool: note: \"%s\" is not a registered cipher; Blowfish is used, as the program does\n",
                 o.Cipher.c_str());
  manager.SetAlgorithm(o.Cipher);
  manager.SetMode(kModes.at(o.Mode));
  manager.SetKeyText(key);
}

void AddFileCommand(CLI::App& app, const char* name, bool encode) {
  auto options = std::make_shared<TCipherOptions>();
  options->Mode = "cbc";
  auto* cmd = app.add_subcommand(name, encode ? "Encipher a file as an encrypting backup item does"
                                              : "Decipher a file enciphered by an encrypting backup item");
  cmd->add_option("--cipher", options->Cipher, "Registered cipher name (default Blowfish)");
  cmd->add_option("--mode", options->Mode, "Chaining mode: cbc (backed-up files, the default) or cts (the data file)")
      ->transform(CLI::IsMember({"cbc", "cts"}, CLI::ignore_case));
  auto* keyText = cmd->add_option("--key-text", options->KeyText, "Pass phrase (converted to code page 932)");
  auto* keyFile = cmd->add_option("--key-file", options->KeyFile, "File whose bytes, exactly as stored, are the key");
  keyText->excludes(keyFile);
  keyFile->excludes(keyText);
  cmd->add_option("IN", options->In, "Source file")->required();
  cmd->add_option("OUT", options->Out, "Destination file (the same path codes the file in place)")->required();
  cmd->callback([options, cmd, keyText, encode] {
    if (cmd->count("--key-text") + cmd->count("--key-file") != 1) {
      Fail("give the key with --key-text or --key-file");
      return;
    }
    std::string key = keyText->count() ? ToAnsi(options->KeyText, "key text") : ReadKeyFile(options->KeyFile);
    TCipherManager manager;
    Prepare(manager, *options, key);
    std::wstring in = ArgToWide(options->In), out = ArgToWide(options->Out);
#ifndef _WIN32
    // The service takes paths that differ only in letter case for one file and codes it in
    // place, as Windows would; here they may be two files, and the source must not change.
    if (in != out && SameText(in, out)) {
      Fail("IN and OUT differ only in letter case; give the same path to code a file in place");
      return;
    }
#endif
    if (encode)
      manager.EncipherFile(in, out);
    else
      manager.DecipherFile(in, out);
    SetExitCode(0);
  });
}

void AddTextCommand(CLI::App& app, const char* name, bool encode) {
  auto options = std::make_shared<TCipherOptions>();
  options->Mode = "cts";
  auto* cmd = app.add_subcommand(
      name, encode ? "Encipher a text and print it as Base64" : "Decipher a Base64 text and print it");
  cmd->add_option("--cipher", options->Cipher, "Registered cipher name (default Blowfish)");
  cmd->add_option("--mode", options->Mode, "Chaining mode: cts (the default, as for texts in the data file) or cbc")
      ->transform(CLI::IsMember({"cbc", "cts"}, CLI::ignore_case));
  cmd->add_option("--key-text", options->KeyText, "Pass phrase (converted to code page 932)")->required();
  cmd->add_option("TEXT", options->Text, encode ? "Text to encipher" : "Base64 text to decipher")->required();
  cmd->callback([options, encode] {
    TCipherManager manager;
    Prepare(manager, *options, ToAnsi(options->KeyText, "key text"));
    std::string result;
    if (encode) {
      result = manager.EncipherText(ToAnsi(options->Text, "text"));
    } else {
      result = WideToUtf8(CodePage().AnsiToWide(manager.DecipherText(options->Text)));
    }
    std::fwrite(result.data(), 1, result.size(), stdout);
    std::fputc('\n', stdout);
    SetExitCode(0);
  });
}

const TRegisterGroup kCipherGroup([](CLI::App& app) {
  AddFileCommand(app, "encrypt", true);
  AddFileCommand(app, "decrypt", false);
  AddTextCommand(app, "text-encrypt", true);
  AddTextCommand(app, "text-decrypt", false);
});

}  // namespace

}  // namespace vog::tool
