#include "store/RecordDecoder.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "store/ByteOrder.h"
#include "store/IndexWalker.h"
#include "store/StoreFile.h"
#include "store/StoreFormat.h"

namespace vellumine {
namespace {

constexpr std::size_t kRecordHeaderSize = RecordHeader::kEncodedLength;

struct RecordEntry {
    std::uint8_t code;
    std::uint32_t value;  // the direct value, or the offset into the data area
    bool IsDirect() const { return (code & 0x80) != 0; }
};

struct RecordLayout {
    std::uint32_t bodyLength = 0;
    std::vector<RecordEntry> entries;
};

// The record's data area; every field read is checked against its end.
class DataArea {
public:
    explicit DataArea(std::vector<unsigned char> bytes) : FBytes(std::move(bytes)) {}

    // The NUL-terminated text at `offset`; none when the offset or the text
    // runs past the end of the area.
    std::optional<std::string> Text(std::uint32_t offset) const
    {
        if (offset >= FBytes.size())
            return std::nullopt;
        const auto* start = FBytes.data() + offset;
        const auto* nul = static_cast<const unsigned char*>(std::memchr(start, 0, FBytes.size() - offset));
        if (!nul)
            return std::nullopt;
        return std::string(reinterpret_cast<const char*>(start), static_cast<std::size_t>(nul - start));
    }

    std::optional<std::uint32_t> Fixed32(std::uint32_t offset) const
    {
        if (!Holds(offset, 4))
            return std::nullopt;
        return DecodeFixed32(FBytes.data() + offset);
    }

    std::optional<std::uint64_t> Fixed64(std::uint32_t offset) const
    {
        if (!Holds(offset, 8))
            return std::nullopt;
        return DecodeFixed64(FBytes.data() + offset);
    }

private:
    bool Holds(std::uint32_t offset, std::size_t length) const
    {
        return offset <= FBytes.size() && length <= FBytes.size() - offset;
    }
    std::vector<unsigned char> FBytes;
};

// The record's header when it passes the checks that keep damaged records
// out; the record is then charged to the budget.
std::optional<RecordHeader> AdmitRecord(StoreFile& file, std::uint32_t offset, const unsigned char* bytes,
                                        std::size_t arrived, WorkBudget& budget)
{
    const auto header = RecordHeader::Decode(bytes, arrived, offset);
    if (!header || header->bodyLength < 4 * header->entryCount ||
        !file.Holds(std::uint64_t{offset} + kRecordHeaderSize, header->bodyLength)) {
        ++budget.Report().recordsUnreadable;
        return std::nullopt;
    }
    const std::uint64_t recordLength = kRecordHeaderSize + std::uint64_t{header->bodyLength};
    if (!budget.Charge(recordLength))
        return std::nullopt;
    if (!budget.TakeRecord(recordLength)) {
        ++budget.Report().recordsOverBudget;
        return std::nullopt;
    }
    return header;
}

RecordLayout LayoutOf(const RecordHeader& header, const unsigned char* table)
{
    RecordLayout layout;
    layout.bodyLength = header.bodyLength;
    layout.entries.reserve(header.entryCount);
    for (std::uint32_t i = 0; i < header.entryCount; ++i) {
        const std::uint32_t word = DecodeFixed32(table + 4 * i);
        layout.entries.push_back({static_cast<std::uint8_t>(word & 0xFF), word >> 8});
    }
    return layout;
}

// The header and entry table of the record at `offset`, after the checks
// that keep damaged records out.
std::optional<RecordLayout> ReadRecordLayout(StoreFile& file, std::uint32_t offset, WorkBudget& budget)
{
    unsigned char bytes[kRecordHeaderSize];
    const auto header = AdmitRecord(file, offset, bytes, file.ReadAt(offset, sizeof bytes, bytes), budget);
    if (!header)
        return std::nullopt;
    std::vector<unsigned char> table(4 * std::size_t{header->entryCount});
    if (file.ReadAt(std::uint64_t{offset} + kRecordHeaderSize, table.size(), table.data()) != table.size())
        return std::nullopt;
    return LayoutOf(*header, table.data());
}

std::optional<DataArea> ReadDataArea(StoreFile& file, std::uint32_t offset, const RecordLayout& layout)
{
    const std::size_t tableSize = 4 * layout.entries.size();
    std::vector<unsigned char> bytes(layout.bodyLength - tableSize);
    if (file.ReadAt(std::uint64_t{offset} + kRecordHeaderSize + tableSize, bytes.size(), bytes.data()) != bytes.size())
        return std::nullopt;
    return DataArea(std::move(bytes));
}

void AssignText(std::string& field, const DataArea& data, std::uint32_t offset, WorkBudget& budget)
{
    if (auto text = data.Text(offset)) {
        budget.Charge(text->size());
        field = std::move(*text);
    }
}

void ApplyFolderEntry(Toe5_FolderInfo& folder, const RecordEntry& entry, const DataArea& data, WorkBudget& budget)
{
    switch (entry.code) {
    case 0x80: folder.Id = static_cast<std::int32_t>(entry.value); break;
    case 0x81: folder.ParentId = static_cast<std::int32_t>(entry.value); break;
    case 0x89: folder.Special = true; break;
    case 0x02: AssignText(folder.Name, data, entry.value, budget); break;
    case 0x03: AssignText(folder.FileName, data, entry.value, budget); break;
    default: break;
    }
}

void ApplyMessageEntry(Toe5_MessageInfo& message, const RecordEntry& entry, const DataArea& data, WorkBudget& budget)
{
    const auto text = [&](std::string& field) { AssignText(field, data, entry.value, budget); };
    const auto fixed32 = [&](auto& field) {
        if (auto value = data.Fixed32(entry.value))
            field = static_cast<std::remove_reference_t<decltype(field)>>(*value);
    };
    const auto fixed64 = [&](std::uint64_t& field) {
        if (auto value = data.Fixed64(entry.value))
            field = *value;
    };
    switch (entry.code) {
    case 0x80: message.Value80 = entry.value; break;
    case 0x81: message.Value81 = entry.value; break;
    case 0x91: message.Value91 = entry.value; break;
    case 0x84: message.SourceOffset = entry.value; break;
    case 0x04: fixed32(message.SourceOffset); break;
    case 0x02: fixed64(message.Time02); break;
    case 0x12: fixed64(message.MessageDate); break;
    case 0x07: text(message.Text07); break;
    case 0x08: text(message.Subject); break;
    case 0x09: text(message.Text09); break;
    case 0x0A: text(message.Text0A); break;
    case 0x0B: text(message.Text0B); break;
    case 0x0D: text(message.SenderName); break;
    case 0x0E: text(message.Text0E); break;
    case 0x13: text(message.RecipientName); break;
    case 0x1A: text(message.Text1A); break;
    case 0x1B: text(message.Text1B); break;
    default: break;
    }
}

bool NamesAFolderFile(const RecordLayout& layout)
{
    for (const RecordEntry& entry : layout.entries)
        if (entry.code == 0x03 || entry.code == 0x06)
            return true;
    return false;
}

// A record's body is copied whole when it is no longer than this; the
// entry table alone (at most 255 entries) always fits.
constexpr std::size_t kPlaceBodyLimit = 2048;

// What one entry says of a message's place: a value of the entry itself,
// or one `readData` takes from the data area (false when it lies outside).
template <typename ReadData>
void ApplyPlaceEntry(MessagePlace& place, std::uint32_t word, ReadData&& readData)
{
    const std::uint32_t value = word >> 8;
    unsigned char bytes[8];
    switch (word & 0xFF) {
    case 0x84: place.SourceOffset = value; break;
    case 0x04:
        if (readData(value, 4, bytes))
            place.SourceOffset = DecodeFixed32(bytes);
        break;
    case 0x12:
        if (readData(value, 8, bytes))
            place.MessageDate = DecodeFixed64(bytes);
        break;
    default: break;
    }
}

}  // namespace

std::optional<MessagePlace> ReadMessagePlace(StoreFile& file, std::uint32_t offset, WorkBudget& budget)
{
    // Most message records are a few hundred bytes: a second copy holds
    // the entry table and the data area. A walk over a large folder reads
    // every record this way, so it counts. Of a longer one the table is
    // copied, and each value read where it lies.
    unsigned char bytes[kRecordHeaderSize + kPlaceBodyLimit];
    const auto header = AdmitRecord(file, offset, bytes, file.ReadAt(offset, kRecordHeaderSize, bytes), budget);
    if (!header)
        return std::nullopt;
    const std::size_t tableSize = 4 * std::size_t{header->entryCount};
    const std::uint64_t dataLength = header->bodyLength - tableSize;
    const std::uint64_t dataAt = std::uint64_t{offset} + kRecordHeaderSize + tableSize;
    const bool whole = header->bodyLength <= kPlaceBodyLimit;
    const std::size_t copied = whole ? header->bodyLength : tableSize;
    const unsigned char* table = bytes + kRecordHeaderSize;
    if (file.ReadAt(std::uint64_t{offset} + kRecordHeaderSize, copied, bytes + kRecordHeaderSize) != copied)
        return std::nullopt;
    const auto readData = [&](std::uint32_t at, std::size_t length, unsigned char* out) {
        if (at > dataLength || length > dataLength - at)
            return false;
        if (!whole)
            return file.ReadAt(dataAt + at, length, out) == length;
        std::memcpy(out, table + tableSize + at, length);
        return true;
    };
    MessagePlace place;
    place.RecordOffset = offset;
    for (std::uint32_t i = 0; i < header->entryCount; ++i)
        ApplyPlaceEntry(place, DecodeFixed32(table + 4 * i), readData);
    return place;
}

std::optional<Toe5_FolderInfo> ReadFolderRecord(StoreFile& file, std::uint32_t offset, WorkBudget& budget)
{
    const auto layout = ReadRecordLayout(file, offset, budget);
    if (!layout || !NamesAFolderFile(*layout))
        return std::nullopt;
    const auto data = ReadDataArea(file, offset, *layout);
    if (!data)
        return std::nullopt;
    Toe5_FolderInfo folder;
    for (const RecordEntry& entry : layout->entries)
        ApplyFolderEntry(folder, entry, *data, budget);
    return folder;
}

std::optional<Toe5_MessageInfo> ReadMessageRecord(StoreFile& file, std::uint32_t offset, WorkBudget& budget)
{
    const auto layout = ReadRecordLayout(file, offset, budget);
    if (!layout)
        return std::nullopt;
    const auto data = ReadDataArea(file, offset, *layout);
    if (!data)
        return std::nullopt;
    Toe5_MessageInfo message;
    message.RecordOffset = offset;
    for (const RecordEntry& entry : layout->entries)
        ApplyMessageEntry(message, entry, *data, budget);
    return message;
}

}  // namespace vellumine
