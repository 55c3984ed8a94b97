#include "search/CjkPairs.h"

#include <algorithm>

namespace vellumine {
namespace {

bool IsCjk(char32_t c)
{
    return (c >= 0x3040 && c <= 0x312F) ||  // Hiragana, Katakana, Bopomofo
           (c >= 0x31A0 && c <= 0x31FF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xAC00 && c <= 0xD7AF) ||  // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF66 && c <= 0xFF9F) || (c >= 0x20000 && c <= 0x3134F);
}

struct Character {
    std::size_t offset;
    std::size_t length;
    bool cjk;
};

// The characters of UTF-8 text; a byte that starts no valid sequence is a
// character of its own (and no CJK one).
std::vector<Character> CharactersOf(std::string_view text)
{
    std::vector<Character> characters;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto trail = static_cast<unsigned char>(text[i + k]);
            valid = (trail & 0xC0) == 0x80;
            code = (code << 6) | (trail & 0x3F);
        }
        const std::size_t taken = valid ? length : 1;
        characters.push_back({i, taken, valid && length > 1 && IsCjk(code)});
        i += taken;
    }
    return characters;
}

}  // namespace

std::vector<WordPiece> CjkPieces(std::string_view word)
{
    // Every CJK character's first byte is 0xE3 or above; most words have none.
    if (std::none_of(word.begin(), word.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE3; }))
        return {};
    const std::vector<Character> characters = CharactersOf(word);
    std::vector<WordPiece> pieces;
    bool anyCjk = false;
    for (std::size_t i = 0; i < characters.size();) {
        std::size_t end = i;
        const bool cjk = characters[i].cjk;
        while (end < characters.size() && characters[end].cjk == cjk)
            ++end;
        const auto span = [&](std::size_t first, std::size_t last) {  // characters first..last-1
            const std::size_t offset = characters[first].offset;
            pieces.push_back({offset, characters[last - 1].offset + characters[last - 1].length - offset});
        };
        if (!cjk || end - i == 1)
            span(i, end);
        else
            for (std::size_t k = i; k + 1 < end; ++k)
                span(k, k + 2);
        anyCjk = anyCjk || cjk;
        i = end;
    }
    if (!anyCjk)
        pieces.clear();
    return pieces;
}

}  // namespace vellumine
