#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

using storewriter::BuildStoreFile;
using storewriter::LayoutOptions;
using storewriter::RecordField;
using storewriter::StoreImage;
using storewriter::StoreRecordDescription;

using MessagePlaces = StoreFixture;

std::vector<MessagePlace> PlacesOfRecords(const std::vector<Toe5_MessageInfo>& messages)
{
    std::vector<MessagePlace> places;
    for (const auto& m : messages)
        places.push_back({m.RecordOffset, m.SourceOffset, m.MessageDate});
    return places;
}

struct PlacesCase {
    const char* name;
    StoreImage image;
};

std::vector<PlacesCase> PlacesCases()
{
    const std::uint64_t date = storewriter::FileTimeFromUtc(2003, 12, 24, 13, 5, 6);
    auto shortBody = BuildStoreFile(NumberedMessages(3));
    storewriter::SetRecordBodyLength(shortBody, 1, 3);
    auto truncated = BuildStoreFile(NumberedMessages(30), LayoutOptions{.nodeFanout = 4});
    storewriter::Truncate(truncated, truncated.bytes.size() * 2 / 3);
    return {
        {"many in a deep tree", BuildStoreFile(NumberedMessages(200), LayoutOptions{.nodeFanout = 3})},
        {"the later source entry wins",
         BuildStoreFile({{{RecordField::Fixed32(0x04, 1000), RecordField::Direct(0x84, 2000)}, {}},
                         {{RecordField::Direct(0x84, 2000), RecordField::Fixed32(0x04, 1000)}, {}},
                         {{RecordField::Text(0x08, "ohne Quelle"), RecordField::Fixed64(0x12, date)}, {}}})},
        {"values beyond the data area",
         BuildStoreFile({{{{0x04, RecordField::Kind::Direct, 500, {}},  // data-kind code, offset 500
                           {0x12, RecordField::Kind::Direct, 2, {}}},  // 8 bytes from offset 2 of 4
                          {}}})},
        {"a body shorter than its table", shortBody},
        {"a record longer than most",
         BuildStoreFile({{{RecordField::Text(0x08, std::string(3000, 'x')), RecordField::Fixed32(0x04, 1000),
                           RecordField::Fixed64(0x12, date)},
                          {}},
                         {{RecordField::Text(0x08, std::string(2000, 'y')), RecordField::Fixed64(0x12, date)}, {}}})},
        {"values beyond the data area of a long record",
         BuildStoreFile({{{RecordField::Text(0x08, std::string(2500, 'x')),  // 2501 bytes of data
                           {0x12, RecordField::Kind::Direct, 2495, {}},
                           {0x04, RecordField::Kind::Direct, 2498, {}}},
                          {}}})},
        {"cut off", truncated},
    };
}

// The lean walk must agree with the whole read on every record it keeps,
// or an update would see changes where there are none (or miss them).
TEST_F(MessagePlaces, AgreeWithTheWholeRecords)
{
    for (const PlacesCase& c : PlacesCases()) {
        Write("m.dbx", c.image);
        std::vector<MessagePlace> places;
        StoreReadReport report;
        FReader.ReadMessagePlaces("m.dbx", [&](const MessagePlace& p) { places.push_back(p); }, &report);
        EXPECT_EQ(places, PlacesOfRecords(ReadMessages("m.dbx"))) << c.name;
        EXPECT_EQ(report.messagesRead, places.size()) << c.name;
    }
}

TEST_F(MessagePlaces, RecordsAreReadByTheirOffsets)
{
    Write("m.dbx", BuildStoreFile(NumberedMessages(10)));
    const auto all = ReadMessages("m.dbx");
    ASSERT_EQ(all.size(), 10u);
    // A stale offset (no record there any more) is passed over.
    const std::vector<std::uint32_t> wanted{all[7].RecordOffset, 3, all[2].RecordOffset};
    std::vector<std::string> subjects;
    FReader.ReadMessageRecordsAt("m.dbx", wanted, [&](Toe5_MessageInfo&& m) { subjects.push_back(m.Subject); });
    EXPECT_EQ(subjects, (std::vector<std::string>{"7", "2"}));
}

TEST_F(MessagePlaces, FolderListAndMissingFiles)
{
    std::size_t calls = 0;
    Write("folders.dbx", BuildStoreFile({storewriter::FolderRecord({.id = 1, .name = "A", .fileName = "a.dbx"})}));
    FReader.ReadMessagePlaces("folders.dbx", [&](const MessagePlace&) { ++calls; });
    EXPECT_EQ(calls, 0u) << "folder records are no messages";
    EXPECT_THROW(FReader.ReadMessagePlaces("fehlt.dbx", [&](const MessagePlace&) { ++calls; }), Error);
    EXPECT_THROW(FReader.ReadMessageRecordsAt("fehlt.dbx", {100}, [&](Toe5_MessageInfo&&) { ++calls; }), Error);
    EXPECT_EQ(calls, 0u);
}

}  // namespace
}  // namespace vellumine
