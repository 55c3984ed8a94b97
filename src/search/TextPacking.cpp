#include "search/TextPacking.h"

#include <sqlite3.h>
#include <zlib.h>

#include <cstdint>

namespace vellumine {
namespace {

// A packed text: its length in 4 bytes (little-endian), then the deflated bytes.
constexpr std::size_t kLengthBytes = 4;
// No message text of the index comes near this; a larger length is damage.
constexpr std::uint32_t kLongestText = 256u * 1024 * 1024;

void UnpackFunction(sqlite3_context* context, int /*argumentCount*/, sqlite3_value** arguments)
{
    const auto* bytes = static_cast<const char*>(sqlite3_value_blob(arguments[0]));
    const int length = sqlite3_value_bytes(arguments[0]);
    const std::string text = bytes ? UnpackText(std::string_view(bytes, static_cast<std::size_t>(length))) : "";
    sqlite3_result_text64(context, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

}  // namespace

std::string PackText(std::string_view text)
{
    uLongf packedLength = compressBound(static_cast<uLong>(text.size()));
    std::string packed(kLengthBytes + packedLength, '\0');
    const auto length = static_cast<std::uint32_t>(text.size());
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        packed[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    // The fastest level: a first index of 100,000 messages packs every
    // body, and level 6 took a sixth of the build for a twentieth of the size.
    if (compress2(reinterpret_cast<Bytef*>(packed.data() + kLengthBytes), &packedLength,
                  reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()), 1) != Z_OK)
        return {};
    packed.resize(kLengthBytes + packedLength);
    return packed;
}

std::string UnpackText(std::string_view packed)
{
    if (packed.size() < kLengthBytes)
        return {};
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(packed[i])) << (8 * i);
    if (length > kLongestText)
        return {};
    std::string text(length, '\0');
    uLongf textLength = length;
    if (uncompress(reinterpret_cast<Bytef*>(text.data()), &textLength,
                   reinterpret_cast<const Bytef*>(packed.data() + kLengthBytes),
                   static_cast<uLong>(packed.size() - kLengthBytes)) != Z_OK ||
        textLength != length)
        return {};
    return text;
}

bool RegisterUnpackFunction(sqlite3* database)
{
    return sqlite3_create_function_v2(database, "vellumine_unpack", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      UnpackFunction, nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace vellumine
