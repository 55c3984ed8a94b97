#pragma once
// A temporary store folder with a reader pointed at it.

#include <gtest/gtest.h>

#include "StoreDamage.h"
#include "StoreWriter.h"
#include "TempFolder.h"
#include "store/StoreReader.h"

namespace vellumine {

class StoreFixture : public ::testing::Test {
protected:
    StoreFixture() : FReader(std::make_shared<FolderStoreLocation>(FFolder.Path())) {}

    void Write(const std::string& fileName, const storewriter::StoreImage& image)
    {
        storewriter::WriteStoreImage(FFolder.File(fileName), image);
    }

    std::vector<Toe5_MessageInfo> ReadMessages(const std::string& fileName)
    {
        StoreRecords records;
        FReader.ReadStoreIndex(fileName, &records);
        EXPECT_TRUE(records.Folders.empty());
        return records.Messages;
    }

    std::vector<Toe5_FolderInfo> ReadFolders(const std::string& fileName = "folders.dbx")
    {
        StoreRecords records;
        FReader.ReadStoreIndex(fileName, &records);
        EXPECT_TRUE(records.Messages.empty());
        return records.Folders;
    }

    testing::TempFolder FFolder;
    StoreReader FReader;
};

// Messages whose subjects are "0", "1", ... for checking order and presence.
inline std::vector<storewriter::StoreRecordDescription> NumberedMessages(std::size_t count)
{
    std::vector<storewriter::StoreRecordDescription> records;
    for (std::size_t i = 0; i < count; ++i) {
        storewriter::MessageDescription message;
        message.subject = std::to_string(i);
        message.source = "Subject: " + std::to_string(i) + "\r\n\r\nBody " + std::to_string(i) + "\r\n";
        records.push_back(storewriter::MessageRecord(message));
    }
    return records;
}

inline std::vector<std::string> Subjects(const std::vector<Toe5_MessageInfo>& messages)
{
    std::vector<std::string> subjects;
    for (const auto& m : messages)
        subjects.push_back(m.Subject);
    return subjects;
}

inline std::vector<std::string> NumberStrings(std::size_t count)
{
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < count; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

}  // namespace vellumine
