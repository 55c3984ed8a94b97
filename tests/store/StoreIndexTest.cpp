#include <gtest/gtest.h>

#include <chrono>

#include "StoreFixture.h"
#include "platform/Error.h"
#include "store/FileTime.h"

namespace vellumine {
namespace {

using storewriter::BuildStoreFile;
using storewriter::FolderDescription;
using storewriter::FolderRecord;
using storewriter::LayoutOptions;
using storewriter::MessageDescription;
using storewriter::MessageRecord;
using storewriter::RecordField;
using storewriter::StoreRecordDescription;

using StoreIndex = StoreFixture;

TEST_F(StoreIndex, FolderRecordsCarryEveryField)
{
    Write("folders.dbx", BuildStoreFile({
        FolderRecord({.id = 0, .parentId = -1, .name = "Lokale Ordner", .fileName = "", .special = false}),
        FolderRecord({.id = 3, .parentId = 0, .name = "Posteingang", .fileName = "Posteingang.dbx", .special = true}),
        FolderRecord({.id = 7, .parentId = 3, .name = "\xDC" "bersicht", .fileName = "x.dbx", .special = false}),
    }));
    const auto folders = ReadFolders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0].Id, 0);
    EXPECT_EQ(folders[0].ParentId, -1) << "absent parent entry";
    EXPECT_EQ(folders[0].FileName, "") << "accepted through its 0x06 entry";
    EXPECT_EQ(folders[1].Name, "Posteingang");
    EXPECT_EQ(folders[1].FileName, "Posteingang.dbx");
    EXPECT_TRUE(folders[1].Special);
    EXPECT_EQ(folders[2].ParentId, 3);
    EXPECT_EQ(folders[2].Name, "\xDC" "bersicht");
    EXPECT_FALSE(folders[2].Special);
}

TEST_F(StoreIndex, FolderRecordWithoutFileEntriesIsDropped)
{
    StoreRecordDescription noFile{{RecordField::Direct(0x80, 9), RecordField::Text(0x02, "Nirgends")}, {}};
    Write("folders.dbx", BuildStoreFile({noFile, FolderRecord({.id = 1, .name = "A", .fileName = "a.dbx"})}));
    const auto folders = ReadFolders();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].Name, "A");
}

TEST_F(StoreIndex, OnlyTheExactNameFoldersDbxYieldsFolderRecords)
{
    const auto image = BuildStoreFile({FolderRecord({.id = 1, .name = "A", .fileName = "a.dbx"})});
    Write("Folders.dbx", image);
    EXPECT_EQ(ReadMessages("Folders.dbx").size(), 1u);
}

TEST_F(StoreIndex, MessageRecordsCarryEveryField)
{
    const std::uint64_t date = storewriter::FileTimeFromUtc(2003, 12, 24, 13, 5, 6);
    StoreRecordDescription record{
        {RecordField::Direct(0x80, 11), RecordField::Direct(0x81, 12), RecordField::Text(0x1B, "1b"),
         RecordField::Text(0x1A, "1a"), RecordField::Text(0x07, "07"), RecordField::Fixed64(0x02, 0x0102030405060708),
         RecordField::Fixed64(0x12, date), RecordField::Text(0x08, "Betreff"), RecordField::Text(0x0D, "Anna"),
         RecordField::Text(0x09, "09"), RecordField::Text(0x13, "Bernd"), RecordField::Text(0x0E, "0e"),
         RecordField::Text(0x0A, "0a"), RecordField::Text(0x0B, "0b"), RecordField::Direct(0x91, 0x123456),
         RecordField::Direct(0x84, 0x4242), RecordField::Direct(0x55, 1), RecordField::Text(0x30, "unknown")},
        {}};
    const auto image = BuildStoreFile({record});
    Write("Posteingang.dbx", image);
    const auto messages = ReadMessages("Posteingang.dbx");
    ASSERT_EQ(messages.size(), 1u);
    const auto& m = messages[0];
    EXPECT_EQ(m.Value80, 11u);
    EXPECT_EQ(m.Value81, 12u);
    EXPECT_EQ(m.Text1B, "1b");
    EXPECT_EQ(m.Text1A, "1a");
    EXPECT_EQ(m.Text07, "07");
    EXPECT_EQ(m.Time02, 0x0102030405060708u);
    EXPECT_EQ(m.MessageDate, date);
    EXPECT_EQ(m.Subject, "Betreff");
    EXPECT_EQ(m.SenderName, "Anna");
    EXPECT_EQ(m.Text09, "09");
    EXPECT_EQ(m.RecipientName, "Bernd");
    EXPECT_EQ(m.Text0E, "0e");
    EXPECT_EQ(m.Text0A, "0a");
    EXPECT_EQ(m.Text0B, "0b");
    EXPECT_EQ(m.Value91, 0x123456u);
    EXPECT_EQ(m.SourceOffset, 0x4242);
    EXPECT_EQ(m.RecordOffset, image.recordOffsets[0]);
}

TEST_F(StoreIndex, MissingEntriesLeaveStartValuesAndTheLaterEntryWins)
{
    std::vector<StoreRecordDescription> records = {
        {{RecordField::Text(0x08, "leer")}, {}},
        {{RecordField::Fixed32(0x04, 1000), RecordField::Direct(0x84, 2000)}, {}},
        {{RecordField::Direct(0x84, 2000), RecordField::Fixed32(0x04, 1000)}, {}},
        {{RecordField::Text(0x08, "erst"), RecordField::Text(0x08, "dann")}, {}},
    };
    Write("m.dbx", BuildStoreFile(records));
    const auto m = ReadMessages("m.dbx");
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].MessageDate, 0u);
    EXPECT_EQ(m[0].SourceOffset, 0);
    EXPECT_EQ(m[0].SenderName, "");
    EXPECT_EQ(m[1].SourceOffset, 2000);
    EXPECT_EQ(m[2].SourceOffset, 1000);
    EXPECT_EQ(m[3].Subject, "dann");
}

TEST_F(StoreIndex, FieldsOutsideTheDataAreaKeepTheirStartValues)
{
    // Data offsets beyond the area, and a text whose NUL is missing.
    StoreRecordDescription record{{{0x08, RecordField::Kind::Direct, 500, {}},  // data-kind code, offset 500
                                   {0x12, RecordField::Kind::Direct, 2, {}},    // 8 bytes from offset 2 of 4
                                   RecordField::Bytes(0x0D, "ohne")},
                                  {}};
    record.fields[0].code = 0x08;
    Write("m.dbx", BuildStoreFile({record}));
    const auto m = ReadMessages("m.dbx");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].Subject, "");
    EXPECT_EQ(m[0].MessageDate, 0u);
    EXPECT_EQ(m[0].SenderName, "");
}

TEST_F(StoreIndex, ItemCountOfZeroOrLessReadsNothing)
{
    for (const std::int32_t count : {0, -5}) {
        Write("m.dbx", BuildStoreFile(NumberedMessages(3), LayoutOptions{.itemCount = count}));
        EXPECT_TRUE(ReadMessages("m.dbx").empty()) << count;
    }
}

TEST_F(StoreIndex, DeepTreesComeOutInIndexOrder)
{
    for (const std::size_t fanout : {1u, 2u, 3u, 59u}) {
        Write("m.dbx", BuildStoreFile(NumberedMessages(200), LayoutOptions{.nodeFanout = fanout}));
        EXPECT_EQ(Subjects(ReadMessages("m.dbx")), NumberStrings(200)) << "fanout " << fanout;
    }
}

TEST_F(StoreIndex, MissingFileRaisesTheOpenErrorAndAppendsNothing)
{
    StoreRecords records;
    records.Messages.resize(2);
    try {
        FReader.ReadStoreIndex("fehlt.dbx", &records);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "Datei " + FFolder.File("fehlt.dbx") + " kann nicht geöffnet werden");
    }
    EXPECT_EQ(records.Messages.size(), 2u);
    FReader.ReadStoreIndex("fehlt.dbx", nullptr);  // no list: nothing is read, nothing raised
}

TEST_F(StoreIndex, RecordsAreAppendedToWhatTheListHolds)
{
    Write("m.dbx", BuildStoreFile(NumberedMessages(2)));
    StoreRecords records;
    FReader.ReadStoreIndex("m.dbx", &records);
    FReader.ReadStoreIndex("m.dbx", &records);
    EXPECT_EQ(Subjects(records.Messages), (std::vector<std::string>{"0", "1", "0", "1"}));
}

// --- damaged files ---

TEST_F(StoreIndex, NodeReachedTwiceIsWalkedOnceAndRecordReachedTwiceIsTakenOnce)
{
    // Fanout 2 over five records: the root holds records 1 and 3, its
    // subtree-before node record 0, the children of its entries 2 and 4.
    const auto whole = BuildStoreFile(NumberedMessages(5), LayoutOptions{.nodeFanout = 2});
    ASSERT_EQ(whole.nodeOffsets.size(), 4u);
    const std::uint32_t root = whole.rootOffset;

    auto sharedNode = whole;  // the last entry's child names the subtree-before node again
    storewriter::PutWord(sharedNode, root + 24 + 12 + 4, whole.nodeOffsets[1]);
    Write("m.dbx", sharedNode);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), (std::vector<std::string>{"0", "1", "2", "3"}));

    auto sharedRecord = whole;  // the first entry names record 3 as well
    storewriter::PutWord(sharedRecord, root + 24, whole.recordOffsets[3]);
    Write("m.dbx", sharedRecord);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), (std::vector<std::string>{"0", "3", "2", "4"}));
}

TEST_F(StoreIndex, TheReportSaysWhatWasPassedOverAndWhy)
{
    auto image = BuildStoreFile(NumberedMessages(5), LayoutOptions{.nodeFanout = 2});
    StoreRecords records;
    StoreReadReport report;
    Write("m.dbx", image);
    FReader.ReadStoreIndex("m.dbx", &records, &report);
    EXPECT_TRUE(report.Clean());

    storewriter::PutWord(image, image.rootOffset + 24, image.recordOffsets[3]);  // a record named twice
    storewriter::BreakRecordOwnOffset(image, 0);
    storewriter::PutWord(image, image.rootOffset + 24 + 12 + 4, image.nodeOffsets[1]);  // a node reached twice
    Write("m.dbx", image);
    records = {};
    FReader.ReadStoreIndex("m.dbx", &records, &report);
    EXPECT_FALSE(report.Clean());
    EXPECT_EQ(report.recordsRepeated, 1u);
    EXPECT_EQ(report.recordsUnreadable, 1u);
    EXPECT_EQ(report.nodesRevisited, 1u);
    EXPECT_EQ(report.nodesUnreadable, 0u);
}

TEST_F(StoreIndex, ANodeWhoseEntriesAllNameOneRecordGivesOneMessage)
{
    // 50 MB with such a node gave 4 million messages (1.5 GB, 20 s).
    auto image = BuildStoreFile(NumberedMessages(1));
    const std::uint32_t node = static_cast<std::uint32_t>(image.bytes.size());
    const std::uint32_t entries = 200000;
    image.bytes.resize(node + 24 + std::size_t{entries} * 12, '\0');
    storewriter::PutWord(image, node, node);
    storewriter::PutWord(image, node + 0x10, entries << 8);
    for (std::uint32_t i = 0; i < entries; ++i)
        storewriter::PutWord(image, node + 24 + i * 12, image.recordOffsets[0]);
    storewriter::PutWord(image, 0x30, node);
    Write("m.dbx", image);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), (std::vector<std::string>{"0"}));
}

TEST_F(StoreIndex, WrongOwnOffsetsSkipTheNodeOrTheRecord)
{
    auto image = BuildStoreFile(NumberedMessages(3));
    storewriter::BreakRecordOwnOffset(image, 1);
    Write("m.dbx", image);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), (std::vector<std::string>{"0", "2"}));

    auto broken = BuildStoreFile(NumberedMessages(3));
    storewriter::BreakNodeOwnOffset(broken, 0);
    Write("m.dbx", broken);
    EXPECT_TRUE(ReadMessages("m.dbx").empty());
}

TEST_F(StoreIndex, CyclicLinksEndTheWalkWithEveryRecordOnce)
{
    auto image = BuildStoreFile(NumberedMessages(40), LayoutOptions{.nodeFanout = 3});
    storewriter::LinkNodesInCycle(image);
    Write("m.dbx", image);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), NumberStrings(40));
}

TEST_F(StoreIndex, HugeCountsAndLengthsEndCleanly)
{
    auto image = BuildStoreFile(NumberedMessages(4));
    storewriter::SetNodeEntryCount(image, 0, 0xFFFFFF);
    storewriter::SetItemCount(image, 0x7FFFFFFF);
    storewriter::SetRecordBodyLength(image, 2, 0xFFFFFFFF);
    Write("m.dbx", image);
    // The root's real entries come first; what follows them in the file is
    // not a valid entry list, and the damaged record is skipped.
    const auto subjects = Subjects(ReadMessages("m.dbx"));
    EXPECT_EQ(std::vector<std::string>(subjects.begin(), subjects.begin() + 3),
              (std::vector<std::string>{"0", "1", "3"}));
}

TEST_F(StoreIndex, OverlappingNodesEverywhereEndWithinTheWorkBudget)
{
    // Every word holds its own offset: every position is a node with a
    // matching own offset, many entries and links to further nodes.
    storewriter::StoreImage image{std::string(1 << 20, '\0'), 0, {}, {}, {}};
    for (std::uint32_t at = 0; at + 4 <= image.bytes.size(); at += 4)
        storewriter::PutWord(image, at, at);
    storewriter::SetItemCount(image, 1);
    storewriter::PutWord(image, 0x30, 0x100);
    Write("m.dbx", image);
    const auto began = std::chrono::steady_clock::now();
    const auto messages = ReadMessages("m.dbx");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    EXPECT_LT(took.count(), 3.0) << "sanitizer builds included";
    for (const auto& m : messages)
        EXPECT_LT(m.RecordOffset, image.bytes.size());
    // Overlapping records count as much as the file could hold, no more.
    EXPECT_LE(messages.size() * 12, image.bytes.size());
}

TEST_F(StoreIndex, BodyShorterThanItsEntryTableIsSkipped)
{
    auto image = BuildStoreFile(NumberedMessages(2));
    storewriter::SetRecordBodyLength(image, 0, 3);
    Write("m.dbx", image);
    EXPECT_EQ(Subjects(ReadMessages("m.dbx")), (std::vector<std::string>{"1"}));
}

TEST_F(StoreIndex, TruncatedFilesNeverYieldRecordsFromBeyondTheCut)
{
    const auto whole = BuildStoreFile(NumberedMessages(30), LayoutOptions{.nodeFanout = 4});
    for (std::size_t cut = 0; cut <= whole.bytes.size(); cut += 97) {
        auto image = whole;
        storewriter::Truncate(image, cut);
        Write("m.dbx", image);
        for (const auto& m : ReadMessages("m.dbx"))
            EXPECT_LT(m.RecordOffset, cut);
    }
}

TEST(FileTimeToDateTime, ZeroTimeDependsOnTheZone)
{
    {
        testing::ScopedEnvironment tz("TZ", "XYZ-1");
        const SystemTime t = DecodeDateTime(FileTimeToDateTime(0));
        EXPECT_EQ(std::tie(t.Year, t.Month, t.Day, t.Hour), std::make_tuple(1601, 1, 1, 1));
        const SystemTime top = DecodeDateTime(FileTimeToDateTime(UINT64_MAX - 1000));
        EXPECT_EQ(std::tie(top.Year, top.Month, top.Day, top.Hour, top.Minute, top.Second),
                  std::make_tuple(1601, 1, 1, 0, 0, 0));
    }
    {
        testing::ScopedEnvironment tz("TZ", "XYZ+3");
        const SystemTime t = DecodeDateTime(FileTimeToDateTime(0));
        EXPECT_EQ(std::tie(t.Year, t.Month, t.Day, t.Hour), std::make_tuple(1601, 1, 1, 0));
        const SystemTime real = DecodeDateTime(FileTimeToDateTime(0x01C1E34B3982A480));
        EXPECT_EQ(std::tie(real.Year, real.Month, real.Day, real.Hour, real.Minute),
                  std::make_tuple(2002, 4, 13, 21, 27));
    }
}

}  // namespace
}  // namespace vellumine
