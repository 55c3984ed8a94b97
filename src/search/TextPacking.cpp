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

// The smallest window that holds the whole text (a window of 2^bits bytes
// sees back that far): a mail's text is a few kilobytes, and the full
// window's tables, set up and cleared for each text, cost more than
// packing it.
int WindowBitsFor(std::size_t size)
{
    constexpr std::size_t kLookahead = 262;  // zlib's MIN_LOOKAHEAD
    int bits = 9;
    while (bits < 15 && (std::size_t{1} << bits) < size + kLookahead)
        ++bits;
    return bits;
}

}  // namespace

std::string PackText(std::string_view text)
{
    if (text.size() > kLongestText)
        return {};  // never read back
    const auto length = static_cast<std::uint32_t>(text.size());
    z_stream stream{};
    const int windowBits = WindowBitsFor(text.size());
    // The fastest level: a first index of 100,000 messages packs every
    // body, and level 6 took a sixth of the build for a twentieth of the size.
    if (deflateInit2(&stream, 1, Z_DEFLATED, windowBits, windowBits - 7, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string packed(kLengthBytes + deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
    for (std::size_t i = 0; i < kLengthBytes; ++i)
        packed[i] = static_cast<char>((length >> (8 * i)) & 0xFF);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data() + kLengthBytes);
    stream.avail_out = static_cast<uInt>(packed.size() - kLengthBytes);
    const int result = deflate(&stream, Z_FINISH);
    const std::size_t packedLength = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
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
