// What the read report says about each kind of damage, and what the read
// still gets out of such a file.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "StoreFixture.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

using storewriter::BuildStoreFile;
using storewriter::LayoutOptions;
using storewriter::PutWord;
using storewriter::StoreImage;

constexpr std::size_t kMessages = 40;

class DamageReport : public StoreFixture {
protected:
    StoreReadReport ReadWithReport(const StoreImage& image, std::vector<Toe5_MessageInfo>* messages = nullptr)
    {
        Write("m.dbx", image);
        StoreRecords records;
        StoreReadReport report;
        FReader.ReadStoreIndex("m.dbx", &records, &report);
        if (messages)
            *messages = records.Messages;
        return report;
    }
};

void ZeroRange(StoreImage& image, std::size_t from, std::size_t to)
{
    std::fill(image.bytes.begin() + static_cast<std::ptrdiff_t>(from),
              image.bytes.begin() + static_cast<std::ptrdiff_t>(std::min(to, image.bytes.size())), '\0');
}

TEST_F(DamageReport, EachKindOfDamageIsCountedAndTheRestIsRead)
{
    const StoreImage whole = BuildStoreFile(NumberedMessages(kMessages), LayoutOptions{.nodeFanout = 4});
    const std::uint32_t pastEnd = static_cast<std::uint32_t>(whole.bytes.size() + 4096);
    struct Case {
        const char* name;
        std::function<void(StoreImage&)> damage;
        std::optional<std::size_t> messagesWhole;  // none: fewer than all
        std::function<bool(const StoreReadReport&)> said;
    };
    const std::vector<Case> cases = {
        {"intact", [](StoreImage&) {}, kMessages, [](const auto& r) { return r.Clean(); }},
        {"root zeroed, copy serves", [](auto& i) { PutWord(i, 0x30, 0); }, kMessages,
         [](const auto& r) { return r.rootFromCopy && !r.rootUnusable; }},
        {"root past the end, copy serves", [&](auto& i) { PutWord(i, 0x30, pastEnd); }, kMessages,
         [](const auto& r) { return r.rootFromCopy; }},
        {"root names a record, copy serves", [&](auto& i) { PutWord(i, 0x30, whole.recordOffsets[3]); }, kMessages,
         [](const auto& r) { return r.rootFromCopy; }},
        {"both roots zeroed",
         [](auto& i) {
             PutWord(i, 0x30, 0);
             PutWord(i, 0xE4, 0);
         },
         0, [](const auto& r) { return r.rootUnusable; }},
        {"signature zeroed, count kept", [](auto& i) { PutWord(i, 0, 0); }, kMessages,
         [](const auto& r) { return r.headerForeign && !r.rootUnusable; }},
        {"signature and count zeroed",
         [](auto& i) {
             PutWord(i, 0, 0);
             storewriter::SetItemCount(i, 0);
         },
         kMessages, [](const auto& r) { return r.headerForeign; }},
        {"whole header zeroed", [&](auto& i) { ZeroRange(i, 0, 0x24BC); }, 0,
         [](const auto& r) { return r.headerForeign && r.rootUnusable; }},
        {"a leaf node zeroed",
         [&](auto& i) {
             ZeroRange(i, whole.nodeOffsets.back(), whole.nodeOffsets.back() + 24 + 12 * 4);
         },
         std::nullopt, [](const auto& r) { return r.nodesUnreadable > 0; }},
        {"a node link past the end",
         [&](auto& i) { PutWord(i, whole.nodeOffsets.back() + 0x08, pastEnd); }, kMessages,
         [](const auto& r) { return r.linksPastEnd == 1; }},
        {"a source chain cut short", [&](auto& i) { storewriter::SetBlockNext(i, 5, 0, pastEnd); },
         kMessages - 1, [](const auto& r) { return r.sourcesUnreadable == 1 && r.messagesRead == kMessages; }},
        {"a record's first block overwritten", [&](auto& i) { PutWord(i, whole.blockOffsets[7][0], 0); },
         kMessages - 1, [](const auto& r) { return r.sourcesUnreadable == 1; }},
        {"a record unreadable", [](auto& i) { storewriter::BreakRecordOwnOffset(i, 9); }, kMessages - 1,
         [](const auto& r) { return r.recordsUnreadable == 1 && r.MessagesExpected() == kMessages; }},
        {"cut at three quarters", [&](auto& i) { storewriter::Truncate(i, whole.bytes.size() * 3 / 4); },
         std::nullopt,
         [](const auto& r) { return !r.Clean() && r.MessagesExpected() == kMessages; }},
    };
    for (const Case& c : cases) {
        StoreImage image = whole;
        c.damage(image);
        std::vector<Toe5_MessageInfo> messages;
        const StoreReadReport report = ReadWithReport(image, &messages);
        if (c.messagesWhole)
            EXPECT_EQ(report.messagesWhole, *c.messagesWhole) << c.name;
        else
            EXPECT_LT(report.messagesWhole, kMessages) << c.name;
        EXPECT_TRUE(c.said(report)) << c.name;
        EXPECT_EQ(report.Clean(), std::string(c.name) == "intact") << c.name;
        // Exactly the messages the report calls whole can be read.
        std::size_t readable = 0;
        for (const auto& m : messages) {
            try {
                FReader.ReadMessageSource("m.dbx", m.SourceOffset);
                ++readable;
            } catch (const Error&) {
            }
        }
        EXPECT_EQ(readable, report.messagesWhole) << c.name;
        const std::string said = report.MessagesExpected() == 0
                                     ? "ihr Index nennt keine lesbare Nachricht"
                                     : std::to_string(report.messagesWhole) + " von " +
                                           std::to_string(report.MessagesExpected()) + " Nachrichten lesbar";
        if (!report.Clean()) {
            EXPECT_NE(DamageSentence(report).find(said), std::string::npos) << c.name;
        }
    }
}

TEST_F(DamageReport, ManyRecordsNamingOneSourceYieldItOnce)
{
    // 200 records all naming the first block of one 64 KB source: one read
    // must not hand out 200 copies of it.
    std::vector<storewriter::StoreRecordDescription> records = NumberedMessages(200);
    records[0].source = std::string(64 * 1024, 'x');
    StoreImage image = BuildStoreFile(records);
    const std::uint32_t shared = image.blockOffsets[0][0];
    std::vector<Toe5_MessageInfo> messages;
    // Point every record's direct source entry at the shared source.
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::uint32_t record = image.recordOffsets[r];
        for (std::uint32_t at = record + 12; at < record + 12 + 4 * 8; at += 4) {
            const std::uint32_t word = static_cast<unsigned char>(image.bytes[at]);
            if (word == 0x84)
                PutWord(image, at, (shared << 8) | 0x84);
        }
    }
    const StoreReadReport report = ReadWithReport(image, &messages);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(report.sourcesShared, 199u);
    EXPECT_FALSE(report.Clean());
}

TEST_F(DamageReport, AChainRunningIntoAnotherIsTakenOnce)
{
    StoreImage image = BuildStoreFile(NumberedMessages(3));
    // Message 2's only block leads on into message 0's chain.
    storewriter::SetBlockNext(image, 2, 0, image.blockOffsets[0][0]);
    std::vector<Toe5_MessageInfo> messages;
    const StoreReadReport report = ReadWithReport(image, &messages);
    EXPECT_EQ(Subjects(messages), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(report.sourcesShared, 1u);
}

TEST_F(DamageReport, ARecordWithoutSourceIsListedButNotReadable)
{
    std::vector<storewriter::StoreRecordDescription> records = NumberedMessages(2);
    records[1] = storewriter::MessageRecord(
        {.subject = "ohne", .sourceEntry = storewriter::MessageDescription::SourceEntry::None});
    std::vector<Toe5_MessageInfo> messages;
    const StoreReadReport report = ReadWithReport(BuildStoreFile(records), &messages);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(report.sourcesUnreadable, 1u);
    EXPECT_EQ(report.messagesWhole, 1u);
    EXPECT_THROW(FReader.ReadMessageSource("m.dbx", messages[1].SourceOffset), Error);
}

// Offsets are unsigned: a file whose index and blocks lie beyond 2 GB (and
// near 4 GB) reads whole. The gap is a hole: the file takes a few KB.
TEST_F(DamageReport, FilesBeyondTwoGigabytesReadWhole)
{
    for (const std::uint64_t gap : {std::uint64_t{0x80001000}, std::uint64_t{0xFFF00000}}) {
        const StoreImage image = BuildStoreFile(NumberedMessages(kMessages), LayoutOptions{.gapAfterHeader = gap});
        ASSERT_GT(image.rootOffset, 0x80000000u);
        std::vector<Toe5_MessageInfo> messages;
        const StoreReadReport report = ReadWithReport(image, &messages);
        EXPECT_TRUE(report.Clean()) << gap;
        ASSERT_EQ(messages.size(), kMessages) << gap;
        EXPECT_GT(messages.back().SourceOffset, 0x80000000u);
        EXPECT_EQ(FReader.ReadMessageSource("m.dbx", messages.back().SourceOffset),
                  "Subject: " + std::to_string(kMessages - 1) + "\r\n\r\nBody " + std::to_string(kMessages - 1) +
                      "\r\n");
    }
}

}  // namespace
}  // namespace vellumine
