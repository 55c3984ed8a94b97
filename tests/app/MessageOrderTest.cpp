#include <gtest/gtest.h>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "app/MessageOrder.h"
#include "app/SettingsFile.h"
#include "store/TextOrder.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

Toe5_MessageInfo Message(const std::string& subject, std::uint64_t date = 0, const std::string& sender = "")
{
    Toe5_MessageInfo m;
    m.Subject = subject;
    m.MessageDate = date;
    m.SenderName = sender;
    return m;
}

std::vector<std::string> SortedSubjects(const std::vector<Toe5_MessageInfo>& messages, int column, bool descending,
                                        const AttachmentMarks* marks = nullptr)
{
    auto rows = MakeMessageRows(messages);
    SortMessageRows(messages, rows, column, descending, marks);
    std::vector<std::string> subjects;
    for (const auto& row : rows)
        subjects.push_back(messages[row.messageIndex].Subject);
    return subjects;
}

TEST(MessageOrder, TextsIgnoreCaseForAToZOnly)
{
    const std::vector<Toe5_MessageInfo> messages = {Message("\xC4pfel"), Message("Birne"), Message("apfel"),
                                                    Message("")};
    EXPECT_EQ(SortedSubjects(messages, kColumnSubject, false),
              (std::vector<std::string>{"", "apfel", "Birne", "\xC4pfel"}));
    EXPECT_EQ(SortedSubjects(messages, kColumnSubject, true),
              (std::vector<std::string>{"\xC4pfel", "Birne", "apfel", ""}));
    EXPECT_LT(CompareUpperAscii("abc", "ABCD"), 0);
    EXPECT_EQ(CompareUpperAscii("abc", "ABC"), 0);
}

TEST(MessageOrder, DatesSortByValueNotByText)
{
    using storewriter::FileTimeFromUtc;
    const std::vector<Toe5_MessageInfo> messages = {
        Message("sekunde 9", FileTimeFromUtc(2003, 12, 24, 14, 5, 9)),
        Message("sekunde 6", FileTimeFromUtc(2003, 12, 24, 14, 5, 6)),
        Message("tag 3", FileTimeFromUtc(2003, 12, 3)),
        Message("tag 24 im november", FileTimeFromUtc(2003, 11, 24)),
        Message("ohne datum", 0),
    };
    EXPECT_EQ(SortedSubjects(messages, kColumnDate, true),
              (std::vector<std::string>{"sekunde 9", "sekunde 6", "tag 3", "tag 24 im november", "ohne datum"}));
    EXPECT_EQ(SortedSubjects(messages, kColumnDate, false).front(), "ohne datum");
}

TEST(MessageOrder, AttachmentsFirstThenNewestFirst)
{
    using storewriter::FileTimeFromUtc;
    const std::vector<Toe5_MessageInfo> messages = {
        Message("alt ohne", FileTimeFromUtc(2001, 1, 1)),  Message("neu mit", FileTimeFromUtc(2004, 1, 1)),
        Message("neu ohne", FileTimeFromUtc(2004, 2, 1)),  Message("alt mit", FileTimeFromUtc(2001, 2, 1)),
        Message("unbekannt", FileTimeFromUtc(2003, 1, 1)),
    };
    // The last message's mark has not arrived (and the marks are one short).
    const AttachmentMarks marks = {AttachmentMark::None, AttachmentMark::Some, AttachmentMark::None,
                                   AttachmentMark::Some};
    EXPECT_EQ(SortedSubjects(messages, kColumnAttachments, false, &marks),
              (std::vector<std::string>{"neu mit", "alt mit", "neu ohne", "unbekannt", "alt ohne"}));
    EXPECT_EQ(SortedSubjects(messages, kColumnAttachments, true, &marks),
              (std::vector<std::string>{"alt ohne", "unbekannt", "neu ohne", "alt mit", "neu mit"}));
    // Without any marks the column orders by date alone.
    EXPECT_EQ(SortedSubjects(messages, kColumnAttachments, false).front(), "neu ohne");
}

TEST(MessageOrder, SenderColumn)
{
    const std::vector<Toe5_MessageInfo> messages = {Message("1", 0, "carla"), Message("2", 0, "Anna"),
                                                    Message("3", 0, "bernd")};
    EXPECT_EQ(SortedSubjects(messages, kColumnFrom, false), (std::vector<std::string>{"2", "3", "1"}));
}

TEST(SettingsFile, RoundTripAndLayout)
{
    testing::TempFolder folder;
    const std::string path = folder.File("options.dat");
    ViewOptions written{2, true, true, true, false, true};
    ASSERT_TRUE(WriteOptionsFile(path, written));
    EXPECT_EQ(ReadFileBytes(path), std::string("\2\0\0\0\1\0\0\0\1\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0", 24));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    ViewOptions read;
    ReadOptionsFile(path, read);
    EXPECT_EQ(read.designIndex, 2);
    EXPECT_FALSE(read.showSubject);
    EXPECT_TRUE(read.showDate);
}

TEST(SettingsFile, AnyNonZeroChecksAndShortFilesKeepDefaults)
{
    testing::TempFolder folder;
    const std::string path = folder.File("options.dat");
    storewriter::WriteFileBytes(path, std::string("\xFF\xFF\xFF\xFF\2\0\0\0\0\0\0\0", 12));
    ViewOptions read{1, false, false, false, false, false};
    ReadOptionsFile(path, read);
    EXPECT_EQ(read.designIndex, -1);
    EXPECT_TRUE(read.showHead);
    EXPECT_FALSE(read.showFrom);
    EXPECT_FALSE(read.showTo) << "missing values keep what they had";
    ViewOptions untouched;
    ReadOptionsFile(folder.File("fehlt.dat"), untouched);
    EXPECT_EQ(untouched.designIndex, -1);
    EXPECT_FALSE(WriteOptionsFile(folder.File("kein/ordner/options.dat"), untouched));
}

}  // namespace
}  // namespace vellumine
