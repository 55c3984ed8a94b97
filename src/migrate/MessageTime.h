#pragma once
// The time a migrated message carries (mbox separator, Maildir file name,
// .eml name and file times): the store's date, else the message's Date
// header, else the time of the migration, the same in every format.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellumine {

// The first header field of that name (without its colon, any case), its
// folded lines joined by a blank; none when the header has no such field.
std::optional<std::string> RawHeaderField(std::string_view source, std::string_view name);

// A date as RFC 5322 writes it ("Tue, 14 Apr 2002 00:27:57 +0200", also
// without day name or seconds, two-digit years, zone names or none) as a
// FILETIME in UTC; none when it cannot be read.
std::optional<std::uint64_t> ParseMessageDate(std::string_view text);

// FILETIME of a Unix time.
std::uint64_t FileTimeOfUnixTime(std::int64_t seconds);

// The time the message goes out with.
std::uint64_t MigrationTimeOf(std::uint64_t storeDate, std::string_view source, std::uint64_t migrationTime);

}  // namespace vellumine
