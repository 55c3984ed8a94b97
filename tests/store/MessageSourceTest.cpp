#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "StoreFixture.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

using storewriter::BuildStoreFile;
using storewriter::LayoutOptions;
using storewriter::MessageDescription;
using storewriter::MessageRecord;

using MessageSource = StoreFixture;

// A source of `length` bytes that shows where each byte came from.
std::string PatternSource(std::size_t length)
{
    std::string source;
    for (std::size_t i = 0; i < length; ++i)
        source += static_cast<char>('A' + (i * 7 + i / 512) % 26);
    return source;
}

storewriter::StoreImage ImageWithSources(const std::vector<std::string>& sources, bool scatter = false)
{
    std::vector<storewriter::StoreRecordDescription> records;
    for (const auto& source : sources)
        records.push_back(MessageRecord(MessageDescription{.source = source}));
    return BuildStoreFile(records, LayoutOptions{.scatterBlocks = scatter, .seed = 7});
}

// The size of the source at `start` in m.dbx; 0 when it does not read whole.
std::size_t SizeIfWhole(StoreReader& reader, std::uint32_t start)
{
    try {
        return reader.ReadMessageSource("m.dbx", start).size();
    } catch (const Error&) {
        return 0;
    }
}

TEST_F(MessageSource, ChainsOfAnyLengthComeBackByteForByte)
{
    const std::vector<std::string> sources = {"Subject: kurz\r\n\r\nText\r\n", PatternSource(512),
                                              PatternSource(513), PatternSource(20 * 512 + 17)};
    for (const bool scatter : {false, true}) {
        const auto image = ImageWithSources(sources, scatter);
        Write("m.dbx", image);
        const auto messages = ReadMessages("m.dbx");
        ASSERT_EQ(messages.size(), sources.size());
        for (std::size_t i = 0; i < sources.size(); ++i)
            EXPECT_EQ(FReader.ReadMessageSource("m.dbx", messages[i].SourceOffset), sources[i]) << i;
    }
}

TEST_F(MessageSource, TheStartOfASourceIsItsFirstBytesOnly)
{
    const std::string big = PatternSource(40 * 512 + 3);
    Write("m.dbx", ImageWithSources({"Subject: kurz\r\n\r\nText\r\n", big}, true));
    const auto messages = ReadMessages("m.dbx");
    ASSERT_EQ(messages.size(), 2u);
    const struct {
        std::size_t message, bound;
        std::string expected;
    } cases[] = {
        {0, 4096, "Subject: kurz\r\n\r\nText\r\n"},  // shorter than the bound: all of it
        {1, 1000, big.substr(0, 1000)},
        {1, 512, big.substr(0, 512)},
        {1, 1, big.substr(0, 1)},
        {1, 1 << 20, big},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FReader.ReadMessageSourceStart("m.dbx", messages[c.message].SourceOffset, c.bound), c.expected)
            << c.message << " " << c.bound;
    EXPECT_THROW(FReader.ReadMessageSourceStart("m.dbx", 0, 100), Error);
}

TEST_F(MessageSource, SourcesBeyondSixteenMegabytesAreFound)
{
    // The first source pushes the second one past what a direct entry holds.
    const auto image = ImageWithSources({PatternSource(17 * 1024 * 1024), "Subject: danach\r\n\r\nx"});
    ASSERT_GT(image.blockOffsets[1][0], 0xFFFFFFu);
    Write("m.dbx", image);
    const auto messages = ReadMessages("m.dbx");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(messages[1].SourceOffset), image.blockOffsets[1][0]);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", messages[1].SourceOffset), "Subject: danach\r\n\r\nx");
}

TEST_F(MessageSource, MultiByteCharacterSplitBetweenBlocksStaysWhole)
{
    std::string source(511, 'x');
    source += "\xC3\xA4 und \xE2\x82\xAC";  // UTF-8 bytes across the block boundary
    const auto image = ImageWithSources({source});
    Write("m.dbx", image);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", image.blockOffsets[0][0]), source);
}

TEST_F(MessageSource, NulInABlockEndsThatBlockOnly)
{
    std::string source = PatternSource(1024);
    source[100] = '\0';
    const auto image = ImageWithSources({source});
    Write("m.dbx", image);
    const auto first = image.blockOffsets[0][0];
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", first), source.substr(0, 100) + source.substr(512));
}

TEST_F(MessageSource, DataLengthsBeyondTheBlockOrBelowZero)
{
    auto image = ImageWithSources({PatternSource(1536)});
    storewriter::SetBlockDataLength(image, 0, 0, 100000);
    storewriter::SetBlockDataLength(image, 0, 1, -1);
    storewriter::SetBlockDataLength(image, 0, 2, 10);
    Write("m.dbx", image);
    const std::string source = PatternSource(1536);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", image.blockOffsets[0][0]),
              source.substr(0, 512) + source.substr(1024, 10));
}

TEST_F(MessageSource, NoSourcePositionIsAnErrorWithoutOpeningTheFile)
{
    EXPECT_THROW(FReader.ReadMessageSource("gibt-es-nicht.dbx", 0), Error);
    try {
        FReader.ReadMessageSource("gibt-es-nicht.dbx", 1);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("kann nicht geöffnet werden"), std::string::npos);
    }
}

TEST_F(MessageSource, ItemCountZeroStillReadsTheBlocksThatSayWhoTheyAre)
{
    auto image = ImageWithSources({PatternSource(600)});
    const auto first = image.blockOffsets[0][0];
    storewriter::SetItemCount(image, 0);
    Write("m.dbx", image);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", first), PatternSource(600));
}

// A chain that does not end at a next offset of 0 is never handed on cut
// short: the read raises the German error and gives no bytes.
TEST_F(MessageSource, ChainsThatDoNotReadWholeAreAnError)
{
    const std::string source = PatternSource(3 * 512);
    const auto whole = ImageWithSources({source});
    const auto first = whole.blockOffsets[0][0];
    struct Case {
        const char* name;
        std::function<void(storewriter::StoreImage&)> damage;
        std::uint32_t start;
    };
    const std::vector<Case> cases = {
        {"first block's own offset wrong", [](auto&) {}, first + 4},
        {"cycle", [](auto& image) { storewriter::LinkBlocksInCycle(image, 0); }, first},
        {"next past the end", [](auto& image) { storewriter::SetBlockNext(image, 0, 1, 0x7FFFFFF0); }, first},
        {"next beyond 2 GB past the end", [](auto& image) { storewriter::SetBlockNext(image, 0, 1, 0xFFFFFFF0); },
         first},
        {"next names no block",
         [&](auto& image) { storewriter::SetBlockNext(image, 0, 0, whole.blockOffsets[0][1] + 4); }, first},
        {"last block cut off by the end of the file",
         [&](auto& image) { storewriter::Truncate(image, whole.blockOffsets[0][2] + 300); }, first},
    };
    for (const Case& c : cases) {
        auto image = whole;
        c.damage(image);
        Write("m.dbx", image);
        try {
            FReader.ReadMessageSource("m.dbx", c.start);
            ADD_FAILURE() << c.name;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("nicht vollständig lesbar"), std::string::npos) << c.name;
        }
    }
}

TEST_F(MessageSource, AMillionChainedBlocksEndQuickly)
{
    // Blocks every 4 bytes of a 4 MB file, each naming the next one: a chain
    // of a million distinct blocks.
    const std::uint32_t start = 0x100, count = 1000000;
    storewriter::StoreImage image{std::string(start + 4 * count + 528, '\0'), 0, {}, {}, {}};
    storewriter::SetItemCount(image, 1);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t at = start + 4 * i;
        storewriter::PutWord(image, at, at);
    }
    // Every block's next-offset word is the own offset of the block three
    // words on; its data length word reads as a large positive number.
    Write("m.dbx", image);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_LE(SizeIfWhole(FReader, start), image.bytes.size());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    EXPECT_LT(took.count(), 3.0) << "sanitizer builds included";
}

TEST_F(MessageSource, OverlappingBlocksCannotGrowTheTextBeyondTheFile)
{
    // Blocks every 4 bytes, each naming the next: a chain of many distinct
    // blocks whose data overlaps.
    std::string bytes(0x24BC + 64 * 1024, '\0');
    storewriter::StoreImage image{bytes, 0, {}, {}, {}};
    storewriter::SetItemCount(image, 1);
    const std::uint32_t start = 0x24BC;
    for (std::uint32_t at = start; at + 528 <= image.bytes.size(); at += 4)
        storewriter::PutWord(image, at, at);  // own offset; the other words read as 0 or as offsets
    Write("m.dbx", image);
    EXPECT_LE(SizeIfWhole(FReader, start), image.bytes.size());
}

}  // namespace
}  // namespace vellumine
