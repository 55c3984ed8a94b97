#include "StoreDamage.h"

namespace vellumine::storewriter {
namespace {

std::uint32_t GetWord(const StoreImage& image, std::uint32_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(image.bytes[ImageIndex(image, at) + i]);
    return value;
}

}  // namespace

void PutWord(StoreImage& image, std::uint32_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image.bytes[ImageIndex(image, at) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void SetItemCount(StoreImage& image, std::int32_t count)
{
    PutWord(image, 0xC4, static_cast<std::uint32_t>(count));
}

void BreakNodeOwnOffset(StoreImage& image, std::size_t node)
{
    PutWord(image, image.nodeOffsets.at(node), image.nodeOffsets[node] + 1);
}

void BreakRecordOwnOffset(StoreImage& image, std::size_t record)
{
    PutWord(image, image.recordOffsets.at(record), image.recordOffsets[record] + 1);
}

void SetNodeEntryCount(StoreImage& image, std::size_t node, std::uint32_t count)
{
    PutWord(image, image.nodeOffsets.at(node) + 0x10, count << 8);
}

void SetRecordBodyLength(StoreImage& image, std::size_t record, std::uint32_t length)
{
    PutWord(image, image.recordOffsets.at(record) + 4, length);
}

void SetBlockDataLength(StoreImage& image, std::size_t record, std::size_t block, std::int32_t length)
{
    PutWord(image, image.blockOffsets.at(record).at(block) + 8, static_cast<std::uint32_t>(length));
}

void SetBlockNext(StoreImage& image, std::size_t record, std::size_t block, std::uint32_t next)
{
    PutWord(image, image.blockOffsets.at(record).at(block) + 12, next);
}

void LinkNodesInCycle(StoreImage& image)
{
    for (const std::uint32_t node : image.nodeOffsets) {
        if (GetWord(image, node + 0x08) == 0)
            PutWord(image, node + 0x08, image.rootOffset);
        if (GetWord(image, node + 0x0C) == 0)
            PutWord(image, node + 0x0C, node);
        const std::uint32_t count = GetWord(image, node + 0x10) >> 8;
        for (std::uint32_t e = 0; e < count; ++e)
            if (GetWord(image, node + 24 + 12 * e + 4) == 0)
                PutWord(image, node + 24 + 12 * e + 4, image.rootOffset);
    }
}

void LinkBlocksInCycle(StoreImage& image, std::size_t record)
{
    const auto& blocks = image.blockOffsets.at(record);
    PutWord(image, blocks.back() + 12, blocks.front());
}

std::uint32_t AppendMovedCopy(StoreImage& image, std::size_t record)
{
    const auto& blocks = image.blockOffsets.at(record);
    const std::size_t from = ImageIndex(image, blocks.front());
    const std::size_t length = blocks.size() * 528;
    const auto copyAt = static_cast<std::uint32_t>(image.bytes.size() + image.gap);
    image.bytes += image.bytes.substr(from, length);
    return copyAt;
}

void OverwriteSourceStart(StoreImage& image, std::size_t record, std::size_t count)
{
    const std::size_t data = ImageIndex(image, image.blockOffsets.at(record).front()) + 16;
    for (std::size_t i = 0; i < count; ++i)
        image.bytes[data + i] = static_cast<char>(0xA0 + i % 16);
    image.bytes[data + count - 1] = '\n';  // the bookkeeping ends where a line begins
}

void ZeroBlockHeader(StoreImage& image, std::size_t record, std::size_t block)
{
    const std::size_t at = ImageIndex(image, image.blockOffsets.at(record).at(block));
    std::fill(image.bytes.begin() + static_cast<std::ptrdiff_t>(at), image.bytes.begin() + static_cast<std::ptrdiff_t>(at + 16), '\0');
}

void Truncate(StoreImage& image, std::size_t size)
{
    if (size < image.bytes.size())
        image.bytes.resize(size);
}

}  // namespace vellumine::storewriter
