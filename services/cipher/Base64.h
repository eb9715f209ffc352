#pragma once
// Base64 (RFC 4648, the standard alphabet): how enciphered bytes travel as text.
#include <string>
#include <string_view>

namespace vog {

// Padded with "=", no line breaks.
std::string Base64Encode(std::string_view bytes);
// Lenient: characters outside the alphabet (line breaks, spaces, "=") are skipped and a
// missing padding is supplied. A lone sixth bit group at the end carries less than one
// byte and is dropped.
std::string Base64Decode(std::string_view text);

}  // namespace vog
