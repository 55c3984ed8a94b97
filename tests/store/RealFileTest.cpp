// A folder file written by Outlook Express itself (see the README beside it).

#include <gtest/gtest.h>

#include <filesystem>

#include "StoreFixture.h"

#ifndef VELLUMINE_REAL_FIXTURE
#define VELLUMINE_REAL_FIXTURE ""
#endif

namespace vellumine {
namespace {

class RealFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(VELLUMINE_REAL_FIXTURE))
            GTEST_SKIP() << "the real folder file is not here";
        FReader = std::make_unique<StoreReader>(std::make_shared<FolderStoreLocation>(
            std::filesystem::path(VELLUMINE_REAL_FIXTURE).parent_path().string()));
    }
    std::unique_ptr<StoreReader> FReader;
};

TEST_F(RealFile, RecordAndSourceHoldTheKnownValues)
{
    StoreRecords records;
    FReader->ReadStoreIndex("test.dbx", &records);
    EXPECT_EQ(FReader->FileHeader().ItemCount, 1);
    ASSERT_EQ(records.Messages.size(), 1u);
    const auto& m = records.Messages[0];
    EXPECT_EQ(m.Subject, "Please read you won't be sorry........");
    EXPECT_EQ(m.SenderName, "Wealth_Enterprises_2002");
    EXPECT_EQ(m.RecipientName, "tassilo.parseval@post.rwth-aachen.de");
    EXPECT_EQ(m.MessageDate, 0x01C1E34B3982A480u);
    EXPECT_EQ(m.SourceOffset, 60116);

    const std::string source = FReader->ReadMessageSource("test.dbx", m.SourceOffset);
    EXPECT_EQ(source.size(), 16993u);
    EXPECT_EQ(source.substr(0, source.find("\r\n")), "Return-path: <off_1@webstation.com>");
    EXPECT_EQ(std::count(source.begin(), source.end(), '\n'), 405);
    EXPECT_NE(source.find("Content-type: text/plain; charset=\"iso-8859-1\""), std::string::npos);
}

}  // namespace
}  // namespace vellumine
