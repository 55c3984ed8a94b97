#pragma once

#include <string>
#include <string_view>

namespace vellumine {

// The SHA-256 digest of `data` as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::string_view data);

// The same digest as its 32 bytes.
std::string Sha256Bytes(std::string_view data);

}  // namespace vellumine
