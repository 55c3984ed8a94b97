#pragma once
// Writes store files in the layout the store reader expects: a header, a
// tree of index nodes, records with entry tables and data areas, and each
// message source cut into 512-byte blocks. Used by tests, the demo store
// and the benchmark stores. Damage to a written image is done afterwards
// with the functions of StoreDamage.h, from the offsets the image records.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vellumine::storewriter {

// One entry of a record's entry table. Direct entries carry a 24-bit value;
// data entries point at their bytes in the data area. The source kinds are
// filled in with the offset of the record's first source block.
struct RecordField {
    enum class Kind { Direct, Data, SourceOffsetDirect, SourceOffsetData };
    std::uint8_t code = 0;
    Kind kind = Kind::Direct;
    std::uint32_t direct = 0;
    std::string data;

    static RecordField Direct(std::uint8_t code, std::uint32_t value);
    static RecordField Text(std::uint8_t code, const std::string& text);  // NUL appended
    static RecordField Bytes(std::uint8_t code, const std::string& bytes);
    static RecordField Fixed32(std::uint8_t code, std::uint32_t value);
    static RecordField Fixed64(std::uint8_t code, std::uint64_t value);
};

struct StoreRecordDescription {
    std::vector<RecordField> fields;
    std::optional<std::string> source;  // message source bytes, cut into blocks
    // What damage and deletion leave: a record no index entry names (an
    // orphan), or only the source blocks with no record at all (a deleted
    // message whose blocks were not yet reused).
    bool indexed = true;
    bool recordKept = true;
};

struct FolderDescription {
    std::int32_t id = 0;
    std::int32_t parentId = -1;  // -1: the parent entry is left out
    std::string name;            // 8-bit (Windows-1252)
    std::string fileName;        // empty: an 0x06 entry instead of 0x03
    bool special = false;
};

struct MessageDescription {
    std::uint64_t date = 0;  // FILETIME; 0 leaves the date entry out
    std::string sender;
    std::string recipient;
    std::string subject;
    std::string source;
    enum class SourceEntry { Direct, Data, None } sourceEntry = SourceEntry::Direct;
};

StoreRecordDescription FolderRecord(const FolderDescription& folder);
StoreRecordDescription MessageRecord(const MessageDescription& message);

struct LayoutOptions {
    std::size_t nodeFanout = 8;        // entries per index node
    bool scatterBlocks = false;        // place source blocks in shuffled order after the records
    std::uint32_t seed = 1;            // for scatterBlocks
    std::optional<std::int32_t> itemCount;  // default: the number of records
    std::size_t headerSize = 0x24BC;        // the mail client's; small seeds use less
    // An empty stretch of the file after the header: what follows lies that
    // much further on (beyond 2 GB, say) without being held in memory. The
    // file is then written sparse by WriteStoreImage.
    std::uint64_t gapAfterHeader = 0;
    bool rootCopy = true;  // the copy of the root offset at 0xE4, as the mail client writes it
};

// A written file and where its parts lie, in index order.
struct StoreImage {
    std::string bytes;  // without the gap: file offsets past the header are `gap` larger
    std::uint32_t rootOffset = 0;
    std::vector<std::uint32_t> nodeOffsets;                // root first
    std::vector<std::uint32_t> recordOffsets;              // in description order (0: no record kept)
    std::vector<std::vector<std::uint32_t>> blockOffsets;  // per record, in chain order
    std::uint64_t headerSize = 0;
    std::uint64_t gap = 0;
};

StoreImage BuildStoreFile(const std::vector<StoreRecordDescription>& records, const LayoutOptions& options = {});

void WriteFileBytes(const std::string& path, const std::string& bytes);

// Writes the image with its gap as a hole: a file of several GB takes a
// few KB of disk.
void WriteStoreImage(const std::string& path, const StoreImage& image);

// The file size of the image.
std::uint64_t ImageFileSize(const StoreImage& image);

// The index into image.bytes of the file offset `at`.
std::size_t ImageIndex(const StoreImage& image, std::uint64_t at);

// A FILETIME from calendar fields given in UTC.
std::uint64_t FileTimeFromUtc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// A FILETIME from "YYYY-MM-DDTHH:MM:SSZ"; raises std::invalid_argument.
std::uint64_t FileTimeFromIso(const std::string& iso);

}  // namespace vellumine::storewriter
