#include "search/WordFolding.h"

#include <iterator>

namespace vellumine {
namespace {

// U+00C0 to U+00FF; an empty entry keeps the character (× and ÷).
constexpr const char* kLatin1Folds[] = {
    "a", "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i",  "i", "i",  "i",
    "d", "n", "o", "o", "o",  "o", "oe", "",  "o", "u", "u", "u", "ue", "y", "th", "ss",
    "a", "a", "a", "a", "ae", "a", "ae", "c", "e", "e", "e", "e", "i",  "i", "i",  "i",
    "d", "n", "o", "o", "o",  "o", "oe", "",  "o", "u", "u", "u", "ue", "y", "th", "y",
};
static_assert(std::size(kLatin1Folds) == 64);

// U+0100 to U+017F, the base letter of each; ĳ and œ are two letters.
constexpr std::string_view kLatinExtendedFolds =
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiii..jjkkkllllllllllnnnnnnnnnoooooo..rrrrrrsssssssstttttt"
    "uuuuuuuuuuuuwwyyyzzzzzzs";

// The fold of the two-byte character `lead`, `trail`; null to keep it.
const char* FoldOf(unsigned char lead, unsigned char trail, UmlautFold umlauts, char (&letter)[2])
{
    const unsigned code = ((lead & 0x1Fu) << 6) | (trail & 0x3Fu);
    const bool umlaut = code == 0xC4 || code == 0xD6 || code == 0xDC || code == 0xE4 || code == 0xF6 || code == 0xFC;
    if (umlaut && umlauts == UmlautFold::Stripped) {
        letter[0] = kLatin1Folds[code - 0xC0][0];
        letter[1] = 0;
        return letter;
    }
    if (code >= 0xC0 && code <= 0xFF)
        return *kLatin1Folds[code - 0xC0] ? kLatin1Folds[code - 0xC0] : nullptr;
    if (code >= 0x100 && code <= 0x17F) {
        if (code == 0x132 || code == 0x133)
            return "ij";
        if (code == 0x152 || code == 0x153)
            return "oe";
        letter[0] = kLatinExtendedFolds[code - 0x100];
        letter[1] = 0;
        return letter;
    }
    return nullptr;
}

}  // namespace

std::string FoldWord(std::string_view word, UmlautFold umlauts)
{
    static_assert(kLatinExtendedFolds.size() == 0x80);
    std::string folded;
    folded.reserve(word.size() + 4);
    for (std::size_t i = 0; i < word.size(); ++i) {
        const auto lead = static_cast<unsigned char>(word[i]);
        if ((lead == 0xC3 || lead == 0xC4 || lead == 0xC5) && i + 1 < word.size()) {
            char letter[2];
            if (const char* fold = FoldOf(lead, static_cast<unsigned char>(word[i + 1]), umlauts, letter)) {
                folded += fold;
                ++i;
                continue;
            }
        }
        if (word.substr(i, 3) == "\xE1\xBA\x9E") {  // capital sharp s
            folded += "ss";
            i += 2;
            continue;
        }
        folded += word[i];
    }
    return folded;
}

}  // namespace vellumine
