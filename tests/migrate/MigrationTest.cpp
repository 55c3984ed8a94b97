// The migration's formats, its folder layout and its verified runs.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "migrate/FolderOutput.h"
#include "migrate/Mboxrd.h"
#include "migrate/StoreMigration.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "store/FolderTree.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

namespace sw = storewriter;
namespace fs = std::filesystem;

std::vector<std::string> ReadBackMbox(const std::string& text, std::size_t piece)
{
    std::vector<std::string> messages;
    MboxrdReader reader([&](std::string_view m) { messages.emplace_back(m); });
    for (std::size_t at = 0; at < text.size(); at += piece)
        reader.Feed(std::string_view(text).substr(at, piece));
    reader.Finish();
    return messages;
}

TEST(Mboxrd, EveryMessageComesBackByteForByte)
{
    const std::vector<std::string> messages = {
        "From: a@b\r\nSubject: x\r\n\r\nFrom here\r\n>From there\r\n>>From far\r\nFrom\r\n",
        "Subject: lf\n\nFrom lf\n",
        "Subject: no break at the end\r\n\r\nlast",
        "Subject: lone cr at the end\n\nx\r",
        "",
        "Subject: ends in a blank line\r\n\r\n\r\n",
        "From the very first line\r\n\r\nbody\r\n",
    };
    std::string file;
    for (const std::string& m : messages)
        file += MboxrdEntry(m, 0x01C3CA0F7F5BDE00ull);
    for (const std::size_t piece : {file.size(), std::size_t{1}, std::size_t{7}})
        EXPECT_EQ(ReadBackMbox(file, piece), messages) << "read in pieces of " << piece;
    // Separators are the only lines that start with "From ".
    std::size_t separators = 0;
    for (std::size_t at = 0; at != std::string::npos; at = file.find('\n', at), at = at == std::string::npos ? at : at + 1)
        separators += file.compare(at, 5, "From ") == 0 ? 1 : 0;
    EXPECT_EQ(separators, messages.size());
    EXPECT_NE(file.find("\r\n>From here\r\n>>From there\r\n>>>From far\r\nFrom\r\n"), std::string::npos);
}

TEST(Mboxrd, SeparatorLine)
{
    const struct {
        const char* source;
        const char* sender;
    } cases[] = {
        {"From: Anna <anna@example.de>\r\n\r\nx", "anna@example.de"},
        {"from: anna@example.de (Anna)\r\n\r\nx", "anna@example.de"},
        {"Subject: x\r\nFrom: \"M, A\"\r\n <m.a@example.de>\r\n\r\n", "m.a@example.de"},
        {"Subject: x\r\n\r\nFrom: body@example.de\r\n", "MAILER-DAEMON"},
        {"From: Anna\r\n\r\n", "MAILER-DAEMON"},
        {"From: <>\r\n\r\n", "MAILER-DAEMON"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EnvelopeSender(c.source), c.sender) << c.source;
    EXPECT_EQ(AsctimeOf(sw::FileTimeFromUtc(2003, 12, 24, 13, 5, 6)), "Wed Dec 24 13:05:06 2003");
    EXPECT_EQ(AsctimeOf(sw::FileTimeFromUtc(2004, 1, 5, 9)), "Mon Jan  5 09:00:00 2004");
    EXPECT_EQ(AsctimeOf(0), "Thu Jan  1 00:00:00 1970");
    EXPECT_EQ(MboxrdEntry("Subject: x\r\n\r\ny\r\n", 0).substr(0, 19), "From MAILER-DAEMON ");
}

TEST(MigrationLayout, SafeUniqueNamesAndEachFormatsPaths)
{
    std::vector<Toe5_FolderInfo> folders(5);
    folders[0] = {0, -1, "Lokale Ordner", "", false};
    folders[1] = {1, 0, "a/b", "ab.dbx", false};
    folders[2] = {2, 0, "A_B", "AB.dbx", false};
    folders[3] = {3, 1, "Gel\xF6scht.2003", "g.dbx", false};
    folders[4] = {4, 0, "", "leer.dbx", false};
    const auto plan = PlanMigrationFolders(folders);
    std::map<std::int32_t, MigrationFolder> byId;
    for (const auto& folder : plan)
        byId[folders[folder.folderIndex].Id] = folder;
    ASSERT_EQ(plan.size(), 5u);
    EXPECT_EQ(plan[0].storeId, 0) << "parents first";
    EXPECT_EQ(byId[1].safePath, "Lokale Ordner/a_b");
    EXPECT_EQ(byId[2].safePath, "Lokale Ordner/A_B_1") << "unique among siblings, also without regard to case";
    EXPECT_EQ(byId[3].shownPath, "Lokale Ordner/a/b/Gelöscht.2003");
    EXPECT_EQ(byId[4].safePath, "Lokale Ordner/Ordner");
    EXPECT_EQ(RelativeMigrationPath(byId[3], MigrationFormat::Mboxrd), "Lokale Ordner.sbd/a_b.sbd/Gel_scht_2003");
    EXPECT_EQ(RelativeMigrationPath(byId[3], MigrationFormat::Maildir), ".Lokale Ordner.a_b.Gel_scht_2003");
    EXPECT_EQ(RelativeMigrationPath(byId[3], MigrationFormat::EmlTree), "Lokale Ordner/a_b/Gel_scht_2003");
}

TEST(MigrationLayout, DeepChainsArePlannedOnTheTreesLastLevel)
{
    // 1,000 nested folders: the plan's paths stop at the tree's last level
    // instead of growing with the chain (which made the plan quadratic).
    std::vector<Toe5_FolderInfo> folders;
    for (int id = 1; id <= 1000; ++id)
        folders.push_back({id, id - 1, "F" + std::to_string(id), "", false});
    const auto plan = PlanMigrationFolders(folders);
    ASSERT_EQ(plan.size(), 1000u);
    std::size_t placed = 0;
    std::size_t longest = 0;
    for (const auto& folder : plan) {
        placed += folder.placedAtDepthBound ? 1 : 0;
        longest = std::max(longest, folder.safePath.size());
        EXPECT_EQ(std::count(folder.safePath.begin(), folder.safePath.end(), '/'),
                  std::count(folder.shownPath.begin(), folder.shownPath.end(), '/'));
    }
    EXPECT_EQ(placed, 1000u - kMaxFolderDepth);
    const MigrationFolder& last = plan.back();
    ASSERT_TRUE(last.placedAtDepthBound);
    EXPECT_EQ(static_cast<std::size_t>(std::count(last.safePath.begin(), last.safePath.end(), '/')), kMaxFolderDepth - 1);
    EXPECT_LE(longest, kMaxFolderDepth * 6);
    const std::string mbox = RelativeMigrationPath(last, MigrationFormat::Mboxrd);
    std::size_t levels = 0;
    for (std::size_t at = mbox.find(".sbd/"); at != std::string::npos; at = mbox.find(".sbd/", at + 1))
        ++levels;
    EXPECT_EQ(levels, kMaxFolderDepth - 1);
    EXPECT_EQ(mbox.substr(mbox.rfind('/') + 1), "F" + std::to_string(folders[last.folderIndex].Id));
}

class MigrationRun : public ::testing::Test {
protected:
    MigrationRun() : FReader(std::make_shared<FolderStoreLocation>(FStore.Path()))
    {
        std::vector<sw::StoreRecordDescription> inbox;
        for (int i = 0; i < 5; ++i) {
            sw::MessageDescription m;
            m.subject = "Nachricht " + std::to_string(i);
            m.date = sw::FileTimeFromUtc(2004, 1, 1 + i, 12);
            m.source = "From: a@b\r\nSubject: " + m.subject + "\r\n\r\nFrom line " + std::to_string(i) + "\r\n";
            inbox.push_back(sw::MessageRecord(m));
        }
        sw::MessageDescription lost;  // a record without a source
        lost.subject = "ohne Quelltext";
        lost.sourceEntry = sw::MessageDescription::SourceEntry::None;
        FLost = sw::MessageRecord(lost);
        sw::WriteFileBytes(FStore.File("Posteingang.dbx"), sw::BuildStoreFile(inbox).bytes);
        sw::WriteFileBytes(FStore.File("folders.dbx"),
                           sw::BuildStoreFile({sw::FolderRecord({.id = 1, .name = "Posteingang", .fileName = "Posteingang.dbx"})}).bytes);
        FFolders = FReader.ReadStoreFolders();
    }

    MigrationResult Migrate(MigrationFormat format, bool resume = false)
    {
        return MigrateStore(FReader, FFolders, MigrationOptions{format, FOut.File("aus"), resume, "host"});
    }

    testing::TempFolder FStore, FOut;
    StoreReader FReader;
    std::vector<Toe5_FolderInfo> FFolders;
    sw::StoreRecordDescription FLost;
};

TEST_F(MigrationRun, EveryFormatIsWrittenAndVerified)
{
    for (const auto format : {MigrationFormat::Mboxrd, MigrationFormat::Maildir, MigrationFormat::EmlTree}) {
        const std::string out = FOut.File("aus");
        fs::remove_all(out);
        const MigrationResult result = Migrate(format);
        ASSERT_EQ(result.folders.size(), 1u);
        EXPECT_TRUE(result.Complete()) << MigrationTable(result);
        EXPECT_EQ(result.folders[0].verified, 5u);
        EXPECT_NE(MigrationReportJson(result, {format, out, false, "h"}).find("\"complete\": true"), std::string::npos);
    }
    // The last one: the .eml tree, date first, with the message date as file time.
    const std::string file = FOut.File("aus/Posteingang/2004-01-03 1200 Nachricht 2.eml");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, UnixTimeOf(sw::FileTimeFromUtc(2004, 1, 3, 12)));
}

TEST_F(MigrationRun, MaildirNamesCarryTheReadFlag)
{
    ASSERT_TRUE(Migrate(MigrationFormat::Maildir).Complete());
    for (const char* sub : {"cur", "new", "tmp"})
        EXPECT_TRUE(fs::is_directory(FOut.File(std::string("aus/") + sub))) << "the root is a maildir too";
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(FOut.File("aus/.Posteingang/cur"))) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.substr(name.size() - 4), ":2,S") << name;
        EXPECT_NE(name.find(".host:"), std::string::npos) << name;
        ++files;
    }
    EXPECT_EQ(files, 5u);
    EXPECT_TRUE(fs::is_empty(FOut.File("aus/.Posteingang/tmp")));
}

TEST_F(MigrationRun, ANonEmptyTargetIsRefusedAndResumeWritesWhatIsMissing)
{
    ASSERT_TRUE(Migrate(MigrationFormat::EmlTree).Complete());
    EXPECT_THROW(Migrate(MigrationFormat::EmlTree), Error);
    // One file lost, one changed by hand: resume writes the lost one again,
    // and the check finds the changed one.
    fs::remove(FOut.File("aus/Posteingang/2004-01-01 1200 Nachricht 0.eml"));
    sw::WriteFileBytes(FOut.File("aus/Posteingang/2004-01-02 1200 Nachricht 1.eml"), "verändert");
    const MigrationResult result = Migrate(MigrationFormat::EmlTree, true);
    EXPECT_EQ(result.folders[0].alreadyThere, 3u);
    EXPECT_EQ(result.folders[0].written, 2u);
    EXPECT_EQ(result.folders[0].verified, 5u);
    EXPECT_FALSE(result.Complete()) << "the changed file is not in the store";
    ASSERT_EQ(result.folders[0].problems.size(), 1u);
    EXPECT_NE(result.folders[0].problems[0].find("1 Nachrichten der Ausgabe"), std::string::npos);

    fs::remove(FOut.File("aus/Posteingang/2004-01-02 1200 Nachricht 1.eml"));
    EXPECT_TRUE(Migrate(MigrationFormat::EmlTree, true).Complete());
}

TEST_F(MigrationRun, AMessageThatCannotBeReadIsReportedAndSkipped)
{
    std::vector<sw::StoreRecordDescription> records = {FLost};
    sw::MessageDescription kept;
    kept.subject = "lesbar";
    kept.source = "Subject: lesbar\r\n\r\nx\r\n";
    records.push_back(sw::MessageRecord(kept));
    sw::WriteFileBytes(FStore.File("Posteingang.dbx"), sw::BuildStoreFile(records).bytes);
    const MigrationResult result = Migrate(MigrationFormat::Mboxrd);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.folders[0].unreadable, 1u);
    EXPECT_EQ(result.folders[0].verified, 1u);
    ASSERT_EQ(result.folders[0].problems.size(), 1u);
    EXPECT_NE(result.folders[0].problems[0].find("ohne Quelltext"), std::string::npos);
}

TEST_F(MigrationRun, FoldersBelowTheLastLevelAreWrittenThereAndReported)
{
    std::vector<sw::StoreRecordDescription> chain;
    for (int id = 1; id <= 260; ++id)
        chain.push_back(sw::FolderRecord({.id = id, .parentId = id - 1, .name = "F" + std::to_string(id),
                                          .fileName = id == 260 ? "Posteingang.dbx" : ""}));
    sw::WriteFileBytes(FStore.File("folders.dbx"), sw::BuildStoreFile(chain).bytes);
    const MigrationResult result = MigrateStore(FReader, FReader.ReadStoreFolders(),
                                                MigrationOptions{MigrationFormat::EmlTree, FOut.File("aus"), false, "h"});
    EXPECT_TRUE(result.Complete()) << MigrationTable(result);
    ASSERT_EQ(result.folders.size(), 260u);
    const FolderMigration& deepest = result.folders.back();
    EXPECT_TRUE(deepest.placedAtDepthBound);
    EXPECT_EQ(deepest.verified, 5u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(deepest.output.begin(), deepest.output.end(), '/')),
              kMaxFolderDepth - 1);
    EXPECT_NE(MigrationTable(result).find("tiefer als 256 Ebenen"), std::string::npos);
    EXPECT_NE(MigrationReportJson(result, {MigrationFormat::EmlTree, "aus", false, "h"}).find("\"placedAtDepthBound\": true"),
              std::string::npos);
}

TEST_F(MigrationRun, AStoreWithoutFolderListOpensFromItsFolderFiles)
{
    fs::remove(FStore.File("folders.dbx"));
    sw::WriteFileBytes(FStore.File("Gelöscht.dbx"), sw::BuildStoreFile({}).bytes);
    const auto folders = FReader.ReadStoreFolders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].Name, "Gel\xF6scht");
    EXPECT_EQ(folders[0].FileName, "Gelöscht.dbx");
    EXPECT_EQ(folders[1].Name, "Posteingang");
    const auto result = MigrateStore(FReader, folders, MigrationOptions{MigrationFormat::Mboxrd, FOut.File("x"), false, "h"});
    EXPECT_TRUE(result.Complete());
    fs::remove(FStore.File("Gelöscht.dbx"));
    fs::remove(FStore.File("Posteingang.dbx"));
    EXPECT_THROW(FReader.ReadStoreFolders(), Error) << "no folder list and no folder files";
}

}  // namespace
}  // namespace vellumine
