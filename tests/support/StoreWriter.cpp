#include "StoreWriter.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "platform/DateTime.h"

namespace vellumine::storewriter {
namespace {

constexpr std::size_t kBlockSize = 528;
constexpr std::size_t kBlockDataSize = 512;
constexpr std::size_t kNodeHeaderSize = 24;
constexpr std::size_t kNodeEntrySize = 12;

void PutFixed32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Fixed32Bytes(std::uint32_t value)
{
    std::string bytes(4, '\0');
    PutFixed32(bytes, 0, value);
    return bytes;
}

std::uint32_t Checked32(std::size_t value)
{
    if (value > 0xFFFFFFFFu)
        throw std::length_error("store file larger than 4 GB");
    return static_cast<std::uint32_t>(value);
}

// The shape of the index tree before it is placed in the file.
struct NodePlan {
    int parent = -1;
    int before = -1;
    std::vector<std::pair<std::size_t, int>> entries;  // record index, child node
};

class TreePlanner {
public:
    explicit TreePlanner(std::size_t fanout) : FFanout(std::max<std::size_t>(fanout, 1)) {}

    std::vector<NodePlan> Plan(std::size_t recordCount)
    {
        PlanRange(0, recordCount, -1);
        return std::move(FNodes);
    }

private:
    // Records lo..hi in index order: up to fanout of them sit in this node,
    // the rest spread evenly over the subtrees before and between them.
    int PlanRange(std::size_t lo, std::size_t hi, int parent)
    {
        const int self = static_cast<int>(FNodes.size());
        FNodes.push_back(NodePlan{parent, -1, {}});
        const std::size_t count = hi - lo;
        const std::size_t inNode = std::min(count, FFanout);
        const std::size_t rest = count - inNode;
        std::size_t at = lo;
        const auto subtree = [&](std::size_t slot) {
            const std::size_t size = rest / (inNode + 1) + (slot < rest % (inNode + 1) ? 1 : 0);
            const int node = size ? PlanRange(at, at + size, self) : -1;
            at += size;
            return node;
        };
        const int before = subtree(0);
        FNodes[self].before = before;
        for (std::size_t i = 0; i < inNode; ++i) {
            const std::size_t record = at++;
            const int child = subtree(i + 1);
            FNodes[self].entries.emplace_back(record, child);
        }
        return self;
    }

    std::size_t FFanout;
    std::vector<NodePlan> FNodes;
};

std::vector<std::string> CutIntoBlocks(const std::string& source)
{
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < source.size(); at += kBlockDataSize)
        pieces.push_back(source.substr(at, kBlockDataSize));
    if (pieces.empty())
        pieces.emplace_back();
    return pieces;
}

std::string RecordBytes(std::uint32_t offset, const StoreRecordDescription& record, std::uint32_t firstBlock)
{
    std::string table, data;
    for (const RecordField& original : record.fields) {
        RecordField field = original;
        // A direct value holds 24 bits: a source further into the file is
        // named by a data entry, as the mail client does it.
        if (field.kind == RecordField::Kind::SourceOffsetDirect && firstBlock > 0xFFFFFF) {
            field.kind = RecordField::Kind::SourceOffsetData;
            field.code = 0x04;
        }
        std::uint32_t value = field.direct;
        switch (field.kind) {
        case RecordField::Kind::Direct: break;
        case RecordField::Kind::SourceOffsetDirect: value = firstBlock; break;
        case RecordField::Kind::Data:
        case RecordField::Kind::SourceOffsetData:
            value = Checked32(data.size());
            data += field.kind == RecordField::Kind::Data ? field.data : Fixed32Bytes(firstBlock);
            break;
        }
        table += Fixed32Bytes((value << 8) | field.code);
    }
    std::string bytes(12, '\0');
    PutFixed32(bytes, 0, offset);
    PutFixed32(bytes, 4, Checked32(table.size() + data.size()));
    bytes[0x0A] = static_cast<char>(record.fields.size());
    bytes += table + data;
    bytes.resize((bytes.size() + 3) / 4 * 4, '\0');
    return bytes;
}

std::string BlockBytes(std::uint32_t offset, const std::string& piece, std::uint32_t next)
{
    std::string bytes(kBlockSize, '\0');
    PutFixed32(bytes, 0, offset);
    PutFixed32(bytes, 4, kBlockDataSize);
    PutFixed32(bytes, 8, Checked32(piece.size()));
    PutFixed32(bytes, 12, next);
    std::copy(piece.begin(), piece.end(), bytes.begin() + 16);
    return bytes;
}

class ImageBuilder {
public:
    ImageBuilder(const std::vector<StoreRecordDescription>& records, const LayoutOptions& options)
        : FRecords(records), FOptions(options)
    {
    }

    StoreImage Build()
    {
        FImage.bytes.assign(std::max<std::size_t>(FOptions.headerSize, 0xE8), '\0');
        FImage.headerSize = FImage.bytes.size();
        FImage.gap = FOptions.gapAfterHeader;
        PutFixed32(FImage.bytes, 0, 0xFE12ADCF);  // the folder-file signature
        FImage.blockOffsets.resize(FRecords.size());
        FImage.recordOffsets.resize(FRecords.size());
        PlaceSourcesAndRecords();
        PlaceIndex();
        PutFixed32(FImage.bytes, 0x30, FImage.rootOffset);
        if (FOptions.rootCopy)
            PutFixed32(FImage.bytes, 0xE4, FImage.rootOffset);
        const auto named = std::count_if(FRecords.begin(), FRecords.end(),
                                         [](const StoreRecordDescription& r) { return r.indexed && r.recordKept; });
        const auto count = FOptions.itemCount.value_or(static_cast<std::int32_t>(named));
        PutFixed32(FImage.bytes, 0xC4, static_cast<std::uint32_t>(count));
        return std::move(FImage);
    }

private:
    std::uint32_t Here() const { return Checked32(FImage.bytes.size() + FImage.gap); }
    std::size_t Slot(std::uint32_t offset) const { return static_cast<std::size_t>(offset - FImage.gap); }

    // Block positions: right before each record, or all after the records
    // in shuffled order. The chains are written once every block has a place.
    void PlaceSourcesAndRecords()
    {
        std::vector<std::pair<std::size_t, std::size_t>> scattered;  // record, piece
        std::vector<std::vector<std::string>> pieces(FRecords.size());
        for (std::size_t r = 0; r < FRecords.size(); ++r) {
            if (FRecords[r].source)
                pieces[r] = CutIntoBlocks(*FRecords[r].source);
            FImage.blockOffsets[r].resize(pieces[r].size());
        }
        const auto reserveBlock = [&](std::size_t r, std::size_t p) {
            FImage.blockOffsets[r][p] = Here();
            FImage.bytes.append(kBlockSize, '\0');
        };
        for (std::size_t r = 0; r < FRecords.size(); ++r) {
            for (std::size_t p = 0; p < pieces[r].size(); ++p) {
                if (FOptions.scatterBlocks)
                    scattered.emplace_back(r, p);
                else
                    reserveBlock(r, p);
            }
            FRecordSlots.push_back(FImage.bytes.size());
            if (!FRecords[r].recordKept)
                continue;
            FImage.recordOffsets[r] = Here();
            FImage.bytes.append(RecordBytes(0, FRecords[r], 0xFFFFFFFF).size(), '\0');  // room for the larger form
        }
        std::mt19937 random(FOptions.seed);
        std::shuffle(scattered.begin(), scattered.end(), random);
        for (const auto& [r, p] : scattered)
            reserveBlock(r, p);
        for (std::size_t r = 0; r < FRecords.size(); ++r) {
            const auto& blocks = FImage.blockOffsets[r];
            const std::uint32_t first = blocks.empty() ? 0 : blocks.front();
            if (FRecords[r].recordKept) {
                const std::string record = RecordBytes(FImage.recordOffsets[r], FRecords[r], first);
                std::copy(record.begin(), record.end(), FImage.bytes.begin() + FRecordSlots[r]);
            }
            for (std::size_t p = 0; p < blocks.size(); ++p) {
                const std::uint32_t next = p + 1 < blocks.size() ? blocks[p + 1] : 0;
                const std::string block = BlockBytes(blocks[p], pieces[r][p], next);
                std::copy(block.begin(), block.end(), FImage.bytes.begin() + Slot(blocks[p]));
            }
        }
    }

    void PlaceIndex()
    {
        std::vector<std::size_t> indexed;  // the records the index names
        for (std::size_t r = 0; r < FRecords.size(); ++r)
            if (FRecords[r].indexed && FRecords[r].recordKept)
                indexed.push_back(r);
        const std::vector<NodePlan> plan = TreePlanner(FOptions.nodeFanout).Plan(indexed.size());
        std::vector<std::uint32_t> offsets(plan.size());
        std::uint32_t at = Here();
        for (std::size_t n = 0; n < plan.size(); ++n) {
            offsets[n] = at;
            at = Checked32(at + kNodeHeaderSize + kNodeEntrySize * plan[n].entries.size());
        }
        const auto offsetOf = [&](int node) { return node < 0 ? 0u : offsets[static_cast<std::size_t>(node)]; };
        for (std::size_t n = 0; n < plan.size(); ++n) {
            std::string node(kNodeHeaderSize, '\0');
            PutFixed32(node, 0, offsets[n]);
            PutFixed32(node, 0x08, offsetOf(plan[n].before));
            PutFixed32(node, 0x0C, offsetOf(plan[n].parent));
            PutFixed32(node, 0x10, Checked32(plan[n].entries.size()) << 8);
            for (const auto& [record, child] : plan[n].entries) {
                std::string entry(kNodeEntrySize, '\0');
                PutFixed32(entry, 0, FImage.recordOffsets[indexed[record]]);
                PutFixed32(entry, 4, offsetOf(child));
                node += entry;
            }
            FImage.bytes += node;
        }
        FImage.nodeOffsets = offsets;
        FImage.rootOffset = offsets.front();
    }

    const std::vector<StoreRecordDescription>& FRecords;
    const LayoutOptions& FOptions;
    StoreImage FImage;
    std::vector<std::size_t> FRecordSlots;
};

}  // namespace

RecordField RecordField::Direct(std::uint8_t code, std::uint32_t value)
{
    return {code, Kind::Direct, value & 0xFFFFFF, {}};
}

RecordField RecordField::Text(std::uint8_t code, const std::string& text)
{
    return {code, Kind::Data, 0, text + '\0'};
}

RecordField RecordField::Bytes(std::uint8_t code, const std::string& bytes)
{
    return {code, Kind::Data, 0, bytes};
}

RecordField RecordField::Fixed32(std::uint8_t code, std::uint32_t value)
{
    return {code, Kind::Data, 0, Fixed32Bytes(value)};
}

RecordField RecordField::Fixed64(std::uint8_t code, std::uint64_t value)
{
    return {code, Kind::Data, 0,
            Fixed32Bytes(static_cast<std::uint32_t>(value)) + Fixed32Bytes(static_cast<std::uint32_t>(value >> 32))};
}

StoreRecordDescription FolderRecord(const FolderDescription& folder)
{
    StoreRecordDescription record;
    record.fields.push_back(RecordField::Direct(0x80, static_cast<std::uint32_t>(folder.id)));
    if (folder.parentId >= 0)
        record.fields.push_back(RecordField::Direct(0x81, static_cast<std::uint32_t>(folder.parentId)));
    record.fields.push_back(RecordField::Text(0x02, folder.name));
    if (folder.fileName.empty())
        record.fields.push_back(RecordField::Fixed32(0x06, 0));  // as folders without a file of their own have
    else
        record.fields.push_back(RecordField::Text(0x03, folder.fileName));
    if (folder.special)
        record.fields.push_back(RecordField::Direct(0x89, 1));
    return record;
}

StoreRecordDescription MessageRecord(const MessageDescription& message)
{
    StoreRecordDescription record;
    record.fields.push_back(RecordField::Direct(0x80, 1));
    if (message.date != 0)
        record.fields.push_back(RecordField::Fixed64(0x12, message.date));
    record.fields.push_back(RecordField::Text(0x08, message.subject));
    record.fields.push_back(RecordField::Text(0x0D, message.sender));
    record.fields.push_back(RecordField::Text(0x13, message.recipient));
    using SourceEntry = MessageDescription::SourceEntry;
    if (message.sourceEntry == SourceEntry::Direct)
        record.fields.push_back({0x84, RecordField::Kind::SourceOffsetDirect, 0, {}});
    else if (message.sourceEntry == SourceEntry::Data)
        record.fields.push_back({0x04, RecordField::Kind::SourceOffsetData, 0, {}});
    record.source = message.source;
    return record;
}

StoreImage BuildStoreFile(const std::vector<StoreRecordDescription>& records, const LayoutOptions& options)
{
    return ImageBuilder(records, options).Build();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::uint64_t ImageFileSize(const StoreImage& image)
{
    return image.bytes.size() + image.gap;
}

std::size_t ImageIndex(const StoreImage& image, std::uint64_t at)
{
    if (at < image.headerSize)
        return static_cast<std::size_t>(at);
    if (at < image.headerSize + image.gap)
        throw std::out_of_range("offset in the gap of a store image");
    return static_cast<std::size_t>(at - image.gap);
}

void WriteStoreImage(const std::string& path, const StoreImage& image)
{
    if (image.gap == 0)
        return WriteFileBytes(path, image.bytes);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto header = static_cast<std::streamsize>(std::min<std::uint64_t>(image.headerSize, image.bytes.size()));
    out.write(image.bytes.data(), header);
    out.seekp(static_cast<std::streamoff>(image.headerSize + image.gap));
    out.write(image.bytes.data() + header, static_cast<std::streamsize>(image.bytes.size()) - header);
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::uint64_t FileTimeFromUtc(int year, int month, int day, int hour, int minute, int second)
{
    return SystemTimeToFileTime(SystemTime{year, month, day, hour, minute, second, 0});
}

std::uint64_t FileTimeFromIso(const std::string& iso)
{
    int y, mo, d, h = 0, mi = 0, s = 0;
    if (std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) < 3)
        throw std::invalid_argument("not a date: " + iso);
    return FileTimeFromUtc(y, mo, d, h, mi, s);
}

}  // namespace vellumine::storewriter
