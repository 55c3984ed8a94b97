#pragma once
// The search's German-aware folding of a word that is already in lower
// case. Expanded: ä, ö, ü become ae, oe, ue and ß becomes ss, so that
// "Müller", "Mueller" and "MÜLLER" are one word. Stripped: the umlauts lose
// their dots instead ("Muller"), for those who type without them. Either
// way other Latin letters lose their accents (é: e, ł: l) and everything
// else stays as it is.

#include <string>
#include <string_view>

namespace vellumine {

enum class UmlautFold { Expanded, Stripped };

std::string FoldWord(std::string_view lowerCaseWord, UmlautFold umlauts = UmlautFold::Expanded);

}  // namespace vellumine
