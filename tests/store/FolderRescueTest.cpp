// The rescue of a damaged folder file: what the index still names, what a
// scan finds beside it, each message once and byte for byte.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "StoreFixture.h"
#include "platform/Error.h"
#include "store/FolderRescue.h"

#ifndef VELLUMINE_REAL_FIXTURE
#define VELLUMINE_REAL_FIXTURE ""
#endif

namespace vellumine {
namespace {

using storewriter::BuildStoreFile;
using storewriter::LayoutOptions;
using storewriter::PutWord;
using storewriter::StoreImage;
using storewriter::StoreRecordDescription;

// A message of `blocks` blocks whose bytes say which one it is.
std::string SourceOf(const std::string& name, std::size_t blocks)
{
    std::string source = "Subject: " + name + "\r\nFrom: absender@example.org\r\nTo: x@example.org\r\n\r\n";
    while (source.size() < blocks * 512 - 100)
        source += name + " Zeile " + std::to_string(source.size()) + "\r\n";
    return source;
}

StoreRecordDescription Message(const std::string& name, std::size_t blocks, bool indexed = true,
                               bool recordKept = true)
{
    storewriter::MessageDescription message;
    message.subject = name;
    message.sender = "Absender " + name;
    message.source = SourceOf(name, blocks);
    StoreRecordDescription record = storewriter::MessageRecord(message);
    record.indexed = indexed;
    record.recordKept = recordKept;
    return record;
}

class Rescue : public StoreFixture {
protected:
    std::unique_ptr<FolderRescue> RunRescue(const StoreImage& image)
    {
        Write("m.dbx", image);
        auto rescue = std::make_unique<FolderRescue>(FReader, "m.dbx");
        rescue->Run();
        return rescue;
    }

    // Subject → source of every message the rescue gives, index and scan.
    std::map<std::string, std::string> SourcesBySubject(const FolderRescue& rescue)
    {
        std::map<std::string, std::string> sources;
        const auto take = [&](const Toe5_MessageInfo& info) {
            EXPECT_TRUE(sources.emplace(info.Subject, FReader.ReadMessageSource("m.dbx", info)).second)
                << "twice: " << info.Subject;
        };
        for (const auto& info : rescue.Indexed())
            if (info.SourceOffset != 0)
                take(info);
        for (const auto& found : rescue.Rescued())
            take(found.info);
        return sources;
    }
};

// Indexed, orphaned and deleted messages of one, two and five blocks.
std::vector<StoreRecordDescription> MixedFolder()
{
    return {Message("eins", 1),          Message("zwei", 2),           Message("drei", 5),
            Message("waise1", 1, false), Message("waise2", 3, false),  Message("geloescht1", 1, true, false),
            Message("geloescht2", 4, true, false), Message("vier", 2)};
}

TEST_F(Rescue, OrphanedAndDeletedMessagesComeBackByteForByte)
{
    const auto records = MixedFolder();
    const auto rescue = RunRescue(BuildStoreFile(records));
    const RescueReport& report = rescue->Report();
    EXPECT_EQ(report.fromIndex, 4u);
    EXPECT_EQ(report.orphaned, 2u);
    EXPECT_EQ(report.deleted, 2u);
    EXPECT_EQ(report.fragments, 0u);
    EXPECT_EQ(report.duplicatesDropped, 0u);
    const auto sources = SourcesBySubject(*rescue);
    ASSERT_EQ(sources.size(), records.size());
    for (const auto& record : records) {
        const std::string name = record.source->substr(9, record.source->find('\r') - 9);
        EXPECT_EQ(sources.at(name), *record.source) << name;
    }
    for (const auto& found : rescue->Rescued()) {
        // An orphan keeps its record's texts; a deleted message gets them
        // from its header lines.
        if (found.kind == RescueKind::Orphaned)
            EXPECT_EQ(found.info.SenderName, "Absender " + found.info.Subject);
        else
            EXPECT_EQ(found.info.SenderName, "absender@example.org");
        EXPECT_FALSE(found.info.Rescue.incomplete);
    }
}

TEST_F(Rescue, EveryIndexDamageLeavesTheScanAllMessages)
{
    std::vector<StoreRecordDescription> records;
    for (int i = 0; i < 30; ++i)
        records.push_back(Message("m" + std::to_string(i), 1 + i % 4));
    const StoreImage whole = BuildStoreFile(records, LayoutOptions{.nodeFanout = 4});
    struct Case {
        const char* name;
        std::function<void(StoreImage&)> damage;
    };
    const std::vector<Case> cases = {
        {"intact", [](StoreImage&) {}},
        {"header zeroed", [](StoreImage& i) { std::fill(i.bytes.begin(), i.bytes.begin() + 0x24BC, '\0'); }},
        {"both roots garbage",
         [](StoreImage& i) {
             PutWord(i, 0x30, 0x12345678);
             PutWord(i, 0xE4, 0x12345678);
         }},
        {"root node zeroed", [&](StoreImage& i) { PutWord(i, whole.rootOffset, 0); }},
        {"every node zeroed",
         [&](StoreImage& i) {
             for (const auto node : whole.nodeOffsets)
                 PutWord(i, node, 0);
         }},
    };
    for (const Case& c : cases) {
        StoreImage image = whole;
        c.damage(image);
        const auto rescue = RunRescue(image);
        EXPECT_EQ(rescue->Report().fromIndex + rescue->Report().Rescued(), records.size()) << c.name;
        EXPECT_EQ(rescue->Report().fragments, 0u) << c.name;
        auto sources = SourcesBySubject(*rescue);
        for (std::size_t r = 0; r < records.size(); ++r)
            EXPECT_EQ(sources["m" + std::to_string(r)], *records[r].source) << c.name << " " << r;
    }
}

TEST_F(Rescue, BlocksThatAreNotFourByteAlignedAreFound)
{
    std::vector<StoreRecordDescription> records = {Message("a", 2), Message("b", 1), Message("c", 3)};
    StoreImage image = BuildStoreFile(records, LayoutOptions{.headerSize = 0x24BD});
    ASSERT_NE(image.blockOffsets[0][0] % 4, 0u);
    PutWord(image, 0x30, 0);
    PutWord(image, 0xE4, 0);
    const auto rescue = RunRescue(image);
    EXPECT_EQ(rescue->Report().fromIndex, 0u);
    const auto sources = SourcesBySubject(*rescue);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(sources.at("c"), *records[2].source);
}

TEST_F(Rescue, CopiesAreTakenOnceAndTheIndexedCopyWins)
{
    std::vector<StoreRecordDescription> records = {Message("named", 3), Message("orphan", 2, false),
                                                   Message("other", 1)};
    StoreImage image = BuildStoreFile(records);
    storewriter::AppendMovedCopy(image, 0);  // a copy of what the index names
    storewriter::AppendMovedCopy(image, 1);  // and of the orphan
    const auto rescue = RunRescue(image);
    const RescueReport& report = rescue->Report();
    EXPECT_EQ(report.duplicatesDropped, 2u);
    ASSERT_EQ(rescue->Rescued().size(), 1u);
    EXPECT_EQ(rescue->Rescued()[0].kind, RescueKind::Orphaned);  // the orphan, not its copy
    EXPECT_EQ(SourcesBySubject(*rescue).size(), 3u);
}

TEST_F(Rescue, AMovedCopyOfAMessageFoundNowhereElseIsRescued)
{
    std::vector<StoreRecordDescription> records = {Message("bleibt", 1), Message("weg", 3, true, false)};
    StoreImage image = BuildStoreFile(records);
    const std::uint32_t copy = storewriter::AppendMovedCopy(image, 1);
    // The original is overwritten: only the moved copy is left.
    for (const auto block : image.blockOffsets[1])
        PutWord(image, block + 4, 0);
    const auto rescue = RunRescue(image);
    ASSERT_EQ(rescue->Rescued().size(), 1u);
    const auto& found = rescue->Rescued()[0];
    EXPECT_EQ(found.kind, RescueKind::MovedCopy);
    EXPECT_EQ(found.info.SourceOffset, copy);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", found.info), *records[1].source);
}

TEST_F(Rescue, OverwrittenStartsAreIncompleteAndHeadlessTailsAreFragments)
{
    std::vector<StoreRecordDescription> records = {Message("ok", 1), Message("angefangen", 2, true, false),
                                                   Message("kopflos", 3, true, false)};
    StoreImage image = BuildStoreFile(records);
    const std::size_t firstLine = records[1].source->find('\n') + 1;
    storewriter::OverwriteSourceStart(image, 1, firstLine);
    storewriter::ZeroBlockHeader(image, 2, 0);  // the tail of "kopflos" has no head
    const auto rescue = RunRescue(image);
    ASSERT_EQ(rescue->Rescued().size(), 1u);
    const auto& found = rescue->Rescued()[0];
    EXPECT_TRUE(found.info.Rescue.incomplete);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", found.info), records[1].source->substr(firstLine));
    EXPECT_EQ(rescue->Report().incomplete, 1u);
    EXPECT_EQ(rescue->Report().fragments, 1u);
}

TEST_F(Rescue, ATailCutOffByTheEndIsIncomplete)
{
    std::vector<StoreRecordDescription> records = {Message("ganz", 1), Message("abgeschnitten", 4, true, false)};
    StoreImage image = BuildStoreFile(records);
    storewriter::Truncate(image, image.blockOffsets[1][2] + 100);  // the index with it
    const auto rescue = RunRescue(image);
    EXPECT_FALSE(rescue->Report().read.Clean());
    ASSERT_EQ(rescue->Rescued().size(), 2u);
    EXPECT_FALSE(rescue->Rescued()[0].info.Rescue.incomplete);
    EXPECT_TRUE(rescue->Rescued()[1].info.Rescue.incomplete);
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", rescue->Rescued()[1].info), records[1].source->substr(0, 1024));
}

TEST_F(Rescue, ACancelledRescueEndsAtOnce)
{
    const auto image = BuildStoreFile(MixedFolder());
    Write("m.dbx", image);
    FolderRescue rescue(FReader, "m.dbx");
    rescue.Step();
    rescue.Cancel();
    EXPECT_FALSE(rescue.Step());
    EXPECT_TRUE(rescue.Report().cancelled);
    EXPECT_EQ(rescue.Progress(), 1.0);
}

TEST_F(Rescue, TheRealFileHoldsAnOlderMovedCopyOfAnotherMessage)
{
    if (!std::filesystem::exists(VELLUMINE_REAL_FIXTURE))
        GTEST_SKIP() << "the real folder file is not here";
    StoreReader reader(std::make_shared<FolderStoreLocation>(
        std::filesystem::path(VELLUMINE_REAL_FIXTURE).parent_path().string()));
    FolderRescue rescue(reader, "test.dbx");
    rescue.Run();
    EXPECT_EQ(rescue.Report().fromIndex, 1u);
    EXPECT_TRUE(rescue.Report().read.Clean());
    ASSERT_EQ(rescue.Rescued().size(), 1u);
    const auto& found = rescue.Rescued()[0];
    EXPECT_EQ(found.kind, RescueKind::MovedCopy);
    EXPECT_EQ(found.info.SourceOffset, 0x6AD4u);
    EXPECT_EQ(found.info.Rescue.displacement, 0x8000);
    const std::string source = reader.ReadMessageSource("test.dbx", found.info);
    EXPECT_EQ(source.rfind("Return-path: <noreply@fr", 0), 0u);
    EXPECT_EQ(source.size(), 5u * 512 + 0x96);
}

}  // namespace
}  // namespace vellumine

namespace vellumine {
namespace {

TEST_F(Rescue, AShortMessageWhoseSubjectLineWasOverwrittenIsIncomplete)
{
    const std::string source = "Subject: weg\r\nFrom: anna@example.org\r\n\r\nText\r\n";
    std::vector<StoreRecordDescription> records = {Message("da", 1)};
    records.push_back(storewriter::MessageRecord({.subject = "weg", .source = source}));
    records.back().recordKept = false;
    StoreImage image = BuildStoreFile(records);
    storewriter::OverwriteSourceStart(image, 1, std::string("Subject: weg\r\n").size());
    const auto rescue = RunRescue(image);
    ASSERT_EQ(rescue->Rescued().size(), 1u);
    EXPECT_TRUE(rescue->Rescued()[0].info.Rescue.incomplete);
    EXPECT_EQ(rescue->Rescued()[0].info.SenderName, "anna@example.org");
    EXPECT_EQ(FReader.ReadMessageSource("m.dbx", rescue->Rescued()[0].info), source.substr(14));
}

}  // namespace
}  // namespace vellumine

namespace vellumine {
namespace {

// Fuzz-shaped files: every word its own offset (a record and node
// everywhere), or a block header every 4 bytes linking to the next.
TEST_F(Rescue, FilesOfHeadersEverywhereEndQuicklyAndBounded)
{
    for (const bool blocks : {false, true}) {
        StoreImage image{std::string(2 << 20, '\0'), 0, {}, {}, {}};
        for (std::uint32_t at = 0x100; at + 16 <= image.bytes.size(); at += 4) {
            PutWord(image, at, at);
            if (blocks && at % 16 == 0) {
                PutWord(image, at + 4, 512);
                PutWord(image, at + 8, 512);
                PutWord(image, at + 12, at + 16);
            }
        }
        const auto began = std::chrono::steady_clock::now();
        const auto rescue = RunRescue(image);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
        EXPECT_LT(took.count(), 5.0) << "sanitizer builds included";
        std::uint64_t total = 0;
        for (const auto& found : rescue->Rescued())
            total += FReader.ReadMessageSource("m.dbx", found.info).size();
        EXPECT_LE(total, image.bytes.size());
    }
}

}  // namespace
}  // namespace vellumine
