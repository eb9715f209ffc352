#include "platform/Shell.h"

#include "base/Text.h"
#include "platform/Codes.h"

namespace vog {

std::wstring FallbackErrorMessage(uint32_t code) {
  switch (code) {
    case err::Success:
      return L"この操作を正しく終了しました。";
    case err::FileNotFound:
      return L"指定されたファイルが見つかりません。";
    case err::PathNotFound:
      return L"指定されたパスが見つかりません。";
    case err::AccessDenied:
      return L"アクセスが拒否されました。";
    case err::SharingViolation:
      return L"プロセスはファイルにアクセスできません。別のプロセスが使用中です。";
    case err::DiskFull:
      return L"ディスクに十分な空き領域がありません。";
    case err::NotSupported:
      return L"要求はサポートされていません。";
    default:
      return L"エラー " + IntToText(code);
  }
}

}  // namespace vog
