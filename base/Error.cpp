#include "base/Error.h"

#include "base/Text.h"

namespace vog {

Error::Error(std::wstring message) : message_(std::move(message)), utf8_(WideToUtf8(message_)) {}

}  // namespace vog
