// Folder file names from folders.dbx and odd files under store names.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "StoreDescription.h"
#include "StoreFixture.h"
#include "platform/Error.h"
#include "store/StoreFileName.h"

namespace vellumine {
namespace {

class StoreFileNameTest : public StoreFixture {};

TEST_F(StoreFileNameTest, NamesThatLeaveTheStoreFolderAreRefused)
{
    // A real folder file one level up, named the way a hostile folders.dbx
    // would name it.
    testing::TempFolder outside;
    storewriter::WriteFileBytes(outside.File("fremd.dbx"), storewriter::BuildStoreFile(NumberedMessages(2)).bytes);
    const std::string upward = "../" + std::filesystem::path(outside.Path()).filename().string() + "/fremd.dbx";
    std::filesystem::create_directories(FFolder.File("unter"));
    Write("unter/x.dbx", storewriter::BuildStoreFile(NumberedMessages(2)));
    for (const std::string& name : {upward, std::string("unter/x.dbx"), std::string("unter\\x.dbx"),
                                   outside.File("fremd.dbx"), std::string(".."), std::string("")}) {
        StoreRecords records;
        EXPECT_THROW(FReader.ReadStoreIndex(name, &records), Error) << name;
        EXPECT_TRUE(records.Messages.empty()) << name;
        EXPECT_THROW(FReader.ReadMessageSource(name, 100), Error) << name;
    }
    EXPECT_TRUE(IsPlainStoreFileName("Gel\xF6schte Objekte.dbx"));
    EXPECT_TRUE(IsPlainStoreFileName("a..dbx"));
}

TEST_F(StoreFileNameTest, CopiedStoresAreFoundInUtf8AndAnyCase)
{
    // folders.dbx records Windows-1252 names; the copy holds UTF-8 names
    // and, from a FAT disk, other capitals.
    const std::string description = FFolder.File("store.json");
    std::filesystem::create_directories(FFolder.File("nachrichten"));
    storewriter::WriteFileBytes(FFolder.File("nachrichten/a.eml"), "Subject: a\r\n\r\nA\r\n");
    storewriter::WriteFileBytes(description, R"({"folders": [
      {"id": 1, "name": "Gelöschte Objekte", "file": "Gelöschte Objekte.dbx",
       "fileOnDisk": "Gelöschte Objekte.dbx", "messages": [{"source": "nachrichten/a.eml", "subject": "a"}]},
      {"id": 2, "name": "Entwürfe", "file": "Entwürfe.dbx", "fileOnDisk": "ENTWüRFE.DBX",
       "messages": [{"source": "nachrichten/a.eml", "subject": "b"}]},
      {"id": 3, "name": "Alt", "file": "Alt.dbx", "fileOnDisk": "Alt.dbx",
       "messages": [{"source": "nachrichten/a.eml", "subject": "c"}]}]})");
    const std::string store = FFolder.File("store");
    storewriter::WriteStoreFromDescription(description, store);
    StoreReader reader(std::make_shared<FolderStoreLocation>(store));
    StoreRecords folders;
    reader.ReadStoreIndex("folders.dbx", &folders);
    ASSERT_EQ(folders.Folders.size(), 3u);
    EXPECT_EQ(folders.Folders[0].FileName, "Gel\xF6schte Objekte.dbx");
    const std::vector<std::string> subjects{"a", "b", "c"};
    for (std::size_t i = 0; i < 3; ++i) {
        StoreRecords records;
        reader.ReadStoreIndex(folders.Folders[i].FileName, &records);
        ASSERT_EQ(records.Messages.size(), 1u) << folders.Folders[i].FileName;
        EXPECT_EQ(records.Messages[0].Subject, subjects[i]);
        EXPECT_EQ(reader.ReadMessageSource(folders.Folders[i].FileName, records.Messages[0].SourceOffset),
                  "Subject: a\r\n\r\nA\r\n");
    }
    // The name as stored wins where both spellings exist.
    storewriter::WriteFileBytes(store + "/Gel\xF6schte Objekte.dbx", storewriter::BuildStoreFile({}).bytes);
    StoreRecords records;
    reader.ReadStoreIndex("Gel\xF6schte Objekte.dbx", &records);
    EXPECT_TRUE(records.Messages.empty());
}

TEST_F(StoreFileNameTest, FifosAndFoldersUnderStoreNamesFailAtOnce)
{
    ASSERT_EQ(::mkfifo(FFolder.File("folders.dbx").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(FFolder.File("Zeitung.dbx").c_str(), 0600), 0);
    std::filesystem::create_directories(FFolder.File("Ordner.dbx"));
    const auto started = std::chrono::steady_clock::now();
    for (const char* name : {"folders.dbx", "Zeitung.dbx", "Ordner.dbx"}) {
        StoreRecords records;
        try {
            FReader.ReadStoreIndex(name, &records);
            ADD_FAILURE() << name;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), "Datei " + FFolder.File(name) + " kann nicht ge\xC3\xB6" "ffnet werden");
        }
        EXPECT_THROW(FReader.ReadMessageSource(name, 100), Error);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

}  // namespace
}  // namespace vellumine
