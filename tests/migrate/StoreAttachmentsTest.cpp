// The attachments of a store taken out: which a selection takes, the date
// in their names, each content written once, links inside the output
// refused, and a folder file that changes during the run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "migrate/StoreAttachments.h"
#include "mime/MailMessage.h"
#include "output/BatchLoop.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

namespace sw = storewriter;

TEST(StoreAttachments, TypePatternsAsTyped)
{
    const struct {
        const char* text;
        bool valid;
        const char* type;
        const char* subtype;
    } cases[] = {
        {"image/*", true, "image", "*"},
        {"IMAGE/PNG", true, "image", "png"},
        {"application/vnd.ms-excel", true, "application", "vnd.ms-excel"},
        {"image", false, "", ""},
        {"*/*", false, "", ""},
        {"/png", false, "", ""},
        {"image/", false, "", ""},
        {"image/png/x", false, "", ""},
        {"image/p ng", false, "", ""},
        {"image/png;x=1", false, "", ""},
        {"image/p*", false, "", ""},
        {"", false, "", ""},
    };
    for (const auto& c : cases) {
        const auto pattern = ParseAttachmentTypePattern(c.text);
        ASSERT_EQ(pattern.has_value(), c.valid) << c.text;
        if (pattern) {
            EXPECT_EQ(pattern->type, c.type) << c.text;
            EXPECT_EQ(pattern->subtype, c.subtype) << c.text;
        }
    }
}

TEST(StoreAttachments, SelectionByTypeAndDecodedSize)
{
    const struct {
        const char* pattern;  // "" none
        std::uint64_t minSize;
        const char* contentType;
        std::size_t size;
        bool taken;
    } cases[] = {
        {"", 0, "application/pdf", 0, true},
        {"image/*", 0, "image/png", 10, true},
        {"image/*", 0, "imagex/png", 10, false},
        {"image/png", 0, "image/pngx", 10, false},
        {"Image/JPEG", 0, "image/jpeg", 10, true},
        {"", 100, "image/png", 99, false},
        {"", 100, "image/png", 100, true},
        {"image/*", 100, "image/png", 1000, true},
        {"image/*", 100, "text/plain", 1000, false},
    };
    for (const auto& c : cases) {
        AttachmentSelection selection;
        if (*c.pattern)
            selection.type = ParseAttachmentTypePattern(c.pattern);
        selection.minSize = c.minSize;
        TAttachment attachment;
        attachment.contentType = c.contentType;
        attachment.size = c.size;
        EXPECT_EQ(selection.Takes(attachment), c.taken) << c.pattern << " " << c.minSize << " " << c.contentType;
    }
}

TEST(StoreAttachments, DateFromTheStoreElseTheHeaderElseNone)
{
    const testing::ScopedEnvironment utc("TZ", "UTC");
    ::tzset();
    const std::string withHeader = "Date: Wed, 24 Dec 2003 14:05:00 +0100\r\n\r\n";
    EXPECT_EQ(AttachmentDatePrefix(sw::FileTimeFromUtc(2004, 2, 3, 4, 5), withHeader), "2004-02-03 0405");
    EXPECT_EQ(AttachmentDatePrefix(0, withHeader), "2003-12-24 1305");
    EXPECT_EQ(AttachmentDatePrefix(0, "Date: kein Datum\r\n\r\n"), "");
    EXPECT_EQ(AttachmentDatePrefix(0, "Subject: x\r\n\r\n"), "");
}

std::string MessageWith(const std::vector<std::pair<std::string, std::string>>& files)
{
    std::string source = "Subject: x\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                         "--b\r\nContent-Type: text/plain\r\n\r\nText\r\n";
    for (const auto& [name, bytes] : files)
        source += "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" +
                  name + "\"\r\n\r\n" + bytes + "\r\n";
    return source + "--b--\r\n";
}

TEST(StoreAttachments, EachContentWrittenOnceTheCopiesPointAtIt)
{
    testing::TempFolder out;
    AttachmentWriter writer(out.Path());
    TMailMessage first, second;
    first.ParseString(MessageWith({{"a.bin", "gleich"}, {"b.bin", "anders"}}));
    first.IndexParts();
    second.ParseString(MessageWith({{"c.bin", "gleich"}}));
    second.IndexParts();
    std::vector<TakenAttachment> taken;
    writer.Take(ListAttachments(first), {}, "Eins", "2004-01-01 1200", taken);
    writer.Take(ListAttachments(second), {}, "Zwei/Drei", "", taken);
    ASSERT_EQ(taken.size(), 3u);
    EXPECT_EQ(taken[0].path, "Eins/2004-01-01 1200 a.bin");
    EXPECT_FALSE(taken[0].duplicate);
    EXPECT_EQ(taken[2].path, "Eins/2004-01-01 1200 a.bin");
    EXPECT_TRUE(taken[2].duplicate);
    EXPECT_EQ(taken[2].sha256, taken[0].sha256);
    EXPECT_EQ(writer.FilesWritten(), 2u);
    EXPECT_EQ(writer.DuplicatesRecorded(), 1u);
    EXPECT_FALSE(std::filesystem::exists(out.File("Zwei")));  // no folder made for a copy alone
    EXPECT_EQ(testing::ReadWholeFile(out.File("Eins/2004-01-01 1200 b.bin")), "anders");
}

TEST(StoreAttachments, LinkInsideTheOutputIsNeverWrittenThrough)
{
    testing::TempFolder out, elsewhere;
    std::filesystem::create_directory_symlink(elsewhere.Path(), out.File("Eins"));
    AttachmentWriter writer(out.Path());
    TMailMessage message;
    message.ParseString(MessageWith({{"a.bin", "x"}}));
    message.IndexParts();
    std::vector<TakenAttachment> taken;
    EXPECT_THROW(writer.Take(ListAttachments(message), {}, "Eins", "", taken), Error);
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.Path()));
    EXPECT_TRUE(taken.empty());
}

TEST(StoreAttachments, FolderFileChangedDuringTheRunEndsIt)
{
    testing::TempFolder store, out;
    std::vector<sw::StoreRecordDescription> records;
    for (int i = 0; i < 3; ++i) {
        sw::MessageDescription m;
        m.subject = "N" + std::to_string(i);
        m.source = MessageWith({{"f" + std::to_string(i) + ".bin", "Inhalt " + std::to_string(i)}});
        records.push_back(sw::MessageRecord(m));
    }
    sw::WriteFileBytes(store.File("Post.dbx"), sw::BuildStoreFile(records).bytes);
    sw::WriteFileBytes(store.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .name = "Post", .fileName = "Post.dbx"})}).bytes);
    StoreReader reader(std::make_shared<FolderStoreLocation>(store.Path()));
    StoreAttachmentCallbacks callbacks;
    std::vector<std::string> said;
    callbacks.problem = [&](const std::string& sentence) { said.push_back(sentence); };
    callbacks.progress = [&](const std::string&, std::size_t done, std::size_t, std::size_t, std::size_t) {
        if (done == 1)
            std::ofstream(store.File("Post.dbx"), std::ios::app) << "mehr";
    };
    const StoreAttachmentResult result =
        TakeStoreAttachments(reader, reader.ReadStoreFolders(), {out.Path(), {}, {}}, callbacks);
    EXPECT_EQ(result.changedFile, "Post.dbx");
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.filesWritten, 1u);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], ChangedFileSentence("Post.dbx"));
    const std::string listing = testing::ReadWholeFile(result.listingPath);
    EXPECT_NE(listing.find("\"complete\": false"), std::string::npos);
}

}  // namespace
}  // namespace vellumine
