#pragma once
// Decoding of one record of a store file: a 12-byte header (own offset,
// body length, entry count), an entry table of 32-bit entries (code in the
// low byte, a value or a data-area offset above it) and the data area.

#include <cstdint>
#include <optional>

#include "store/StoreRecords.h"

namespace vellumine {

class StoreFile;
class WorkBudget;

// None when the record's own-offset field does not match, when its body
// length is smaller than its entry table or runs past the end of the file,
// or when a folder record names neither a file (0x03) nor 0x06.
std::optional<Toe5_FolderInfo> ReadFolderRecord(StoreFile& file, std::uint32_t offset, WorkBudget& budget);
std::optional<Toe5_MessageInfo> ReadMessageRecord(StoreFile& file, std::uint32_t offset, WorkBudget& budget);
// Only the source offset and date of the message record at `offset`, read
// straight from their places in the record: the same checks as above, the
// same values, without copying the record's texts.
std::optional<MessagePlace> ReadMessagePlace(StoreFile& file, std::uint32_t offset, WorkBudget& budget);

}  // namespace vellumine
