#pragma once
// Folder names as they go on disk: in UTF-8 for Thunderbird and the .eml
// tree, in modified UTF-7 (RFC 3501 section 5.1.3) where Dovecot reads
// them (Maildir++ and the mboxrd tree); made unique among siblings and cut
// to what the file system takes.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace vellumine {

// The name in IMAP's modified UTF-7: printable ASCII stays, "&" becomes
// "&-", everything else goes as "&" + base64 of UTF-16 (with "," for "/") + "-".
std::string ModifiedUtf7(std::string_view utf8);

// Lower case for telling sibling names apart: ASCII letters and the
// letters of Latin-1 and Windows-1252 (the store's characters).
std::string FoldNameCase(std::string_view utf8);

// The name cut at a character boundary so that `encode(name)` takes at most
// `maxBytes`, with "~" and six hex digits of the full name's SHA-256 after
// it; the name itself when it fits.
using NameEncoder = std::string (*)(std::string_view utf8);
std::string FitName(const std::string& utf8, std::size_t maxBytes, NameEncoder encode);

// The same as an encoder that keeps the name as it is.
std::string KeepUtf8(std::string_view utf8);

// The store's name of a folder (UTF-8) with what the target cannot hold
// replaced by "_": "/" and control characters always, a leading "." (a
// hidden file), "." and ".." as whole names; with `levelDots` every "."
// (Maildir++ separates levels by it). An empty name becomes "Ordner".
std::string CleanFolderName(std::string_view utf8, bool levelDots);

// The first of name, name_1, name_2, ... (each fitted into `maxBytes`)
// that no sibling has taken, compared by FoldNameCase; it is taken then.
std::string UniqueFolderName(const std::string& utf8, std::size_t maxBytes, NameEncoder encode,
                             std::set<std::string>& taken);

}  // namespace vellumine
