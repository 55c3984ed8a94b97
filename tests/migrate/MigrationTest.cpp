// The migration's formats, its folder layout and its verified runs.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <unistd.h>
#include <map>
#include <set>

#include "StoreDamage.h"
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
        "Subject: lone cr inside\n\nx\ry\n",
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

TEST(Mboxrd, ALastLineGetsItsBreakOnlyWhereReadersNeedABlankLine)
{
    const struct {
        const char* source;
        bool thunderbird;
        const char* held;
    } cases[] = {
        {"Subject: x\r\n\r\nlast", false, "Subject: x\r\n\r\nlast"},  // as stored
        {"Subject: x\r\n\r\nlast", true, "Subject: x\r\n\r\nlast\r\n"},
        {"Subject: nur eine Kopfzeile", false, "Subject: nur eine Kopfzeile\n"},  // all header
        {"Subject: a\r\nX: b", false, "Subject: a\r\nX: b\r\n"},
        {"Subject: x\n\nlone CR\r", false, "Subject: x\n\nlone CR\r\n"},
        {"Subject: nur CR\rText\r", false, "Subject: nur CR\rText\r\n"},
        {"Subject: x\n\n", false, "Subject: x\n\n"},
        {"", true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MboxHeldMessage(c.source, c.thunderbird), c.held) << c.source;
        const std::string entry = c.thunderbird ? ThunderbirdEntry(c.source, 0) : MboxrdEntry(c.source, 0);
        std::vector<std::string> back = ReadBackMbox(entry + MboxrdEntry("Subject: next\n\n", 0), entry.size());
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(c.thunderbird ? std::string(WithoutMozillaStatus(back[0])) : back[0], c.held) << c.source;
        if (std::string_view(c.held).ends_with("\n")) {
            EXPECT_TRUE(entry.ends_with("\n\n") || entry.ends_with("\n\r\n")) << "a blank line after " << c.source;
        }
    }
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
    EXPECT_EQ(byId[1].names, (std::vector<std::string>{"Lokale Ordner", "a_b"}));
    EXPECT_EQ(byId[2].names.back(), "A_B_1") << "unique among siblings, also without regard to case";
    EXPECT_EQ(byId[3].shownPath, "Lokale Ordner/a/b/Gelöscht.2003");
    EXPECT_EQ(byId[4].names.back(), "Ordner");
    const auto pathOf = [&](MigrationFormat format) {
        for (const MigrationFolder& folder : PlanMigrationFolders(folders, format))
            if (folder.storeId == 3)
                return RelativeMigrationPath(folder, format);
        return std::string();
    };
    EXPECT_EQ(pathOf(MigrationFormat::Thunderbird), "Lokale Ordner.sbd/a_b.sbd/Gelöscht.2003");
    EXPECT_EQ(pathOf(MigrationFormat::Mboxrd), "Lokale Ordner.sbd/a_b.sbd/Gel&APY-scht.2003");
    EXPECT_EQ(pathOf(MigrationFormat::Maildir), ".Lokale Ordner.a_b.Gel&APY-scht_2003");
    EXPECT_EQ(pathOf(MigrationFormat::EmlTree), "Lokale Ordner/a_b/Gelöscht.2003");
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
        std::size_t length = 0;
        for (const std::string& name : folder.names)
            length += name.size() + 1;
        longest = std::max(longest, length);
        EXPECT_EQ(static_cast<std::ptrdiff_t>(folder.names.size()) - 1,
                  std::count(folder.shownPath.begin(), folder.shownPath.end(), '/'));
    }
    EXPECT_EQ(placed, 1000u - kMaxFolderDepth);
    const MigrationFolder& last = plan.back();
    ASSERT_TRUE(last.placedAtDepthBound);
    EXPECT_EQ(last.names.size(), kMaxFolderDepth);
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

    MigrationResult Migrate(MigrationFormat format, bool resume = false, const std::string& out = {},
                            bool salvage = false)
    {
        return MigrateStore(FReader, FFolders,
                            MigrationOptions{format, out.empty() ? FOut.File("aus") : out, resume, "host", 0, salvage});
    }

    void WriteInbox(const std::vector<sw::StoreRecordDescription>& records)
    {
        sw::WriteFileBytes(FStore.File("Posteingang.dbx"), sw::BuildStoreFile(records).bytes);
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
    EXPECT_NE(result.folders[0].problems[0].find("Nachricht 1.eml"), std::string::npos) << "the file is named";

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
    // The folder file's read says it passed over a message, and the
    // message is named where it was skipped.
    ASSERT_EQ(result.folders[0].problems.size(), 2u);
    EXPECT_TRUE(result.folders[0].damaged);
    EXPECT_EQ(result.folders[0].problems[0], "beschädigt: 1 Nachricht nicht lesbar");
    EXPECT_NE(result.folders[0].problems[1].find("ohne Quelltext"), std::string::npos);
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

TEST_F(MigrationRun, ADamagedFolderFileIsCarriedIntoTheResult)
{
    std::vector<sw::StoreRecordDescription> records;
    for (int i = 0; i < 6; ++i) {
        sw::MessageDescription m;
        m.subject = "N" + std::to_string(i);
        m.source = "Subject: N" + std::to_string(i) + "\r\n\r\nx\r\n";
        records.push_back(sw::MessageRecord(m));
    }
    sw::StoreImage image = sw::BuildStoreFile(records);
    sw::BreakRecordOwnOffset(image, 2);
    sw::WriteFileBytes(FStore.File("Posteingang.dbx"), image.bytes);
    const MigrationResult result = Migrate(MigrationFormat::Maildir);
    EXPECT_FALSE(result.Complete());
    EXPECT_TRUE(result.folders[0].damaged);
    EXPECT_EQ(result.folders[0].verified, 5u);
    ASSERT_EQ(result.folders[0].problems.size(), 1u);
    EXPECT_EQ(result.folders[0].problems[0], "beschädigt: 1 Nachricht nicht lesbar");
    EXPECT_NE(MigrationTable(result).find("beschädigt: 1 Nachricht nicht lesbar"), std::string::npos);
    EXPECT_NE(MigrationReportJson(result, {}).find("\"damaged\": true"), std::string::npos);
    // What a scan finds beside the index does not make the damage go away.
    fs::remove_all(FOut.File("aus"));
    const MigrationResult salvaged = Migrate(MigrationFormat::Maildir, false, {}, true);
    EXPECT_FALSE(salvaged.Complete());
    EXPECT_TRUE(salvaged.folders[0].damaged);
    EXPECT_NE(MigrationTable(salvaged).find("Aus dem Index:"), std::string::npos);
}

// Cuts the file at `path` by `bytes` from its end, as a full disk or a
// crash leaves it.
void CutFile(const std::string& path, std::uintmax_t bytes)
{
    fs::resize_file(path, fs::file_size(path) - bytes);
}

TEST_F(MigrationRun, ResumeCutsAPartialMboxBackToItsLastWholeMessage)
{
    for (const auto format : {MigrationFormat::Mboxrd, MigrationFormat::Thunderbird}) {
        fs::remove_all(FOut.File("aus"));
        ASSERT_TRUE(Migrate(format).Complete());
        const std::string mbox = FOut.File("aus/Posteingang");
        const std::string whole = *ReadFileBytes(mbox);
        for (const std::uintmax_t cut : {std::uintmax_t{1}, std::uintmax_t{9}, std::uintmax_t{30}}) {
            CutFile(mbox, cut);
            const MigrationResult result = Migrate(format, true);
            EXPECT_TRUE(result.Complete()) << MigrationTable(result);
            EXPECT_EQ(result.folders[0].written, 1u);
            EXPECT_EQ(result.folders[0].repairs.size(), 1u);
            EXPECT_EQ(*ReadFileBytes(mbox), whole) << "cut by " << cut;
        }
        // Cut inside the first separator: nothing whole is left.
        fs::resize_file(mbox, 3);
        ASSERT_TRUE(Migrate(format, true).Complete());
        EXPECT_EQ(*ReadFileBytes(mbox), whole);
        // A whole file is left as it is.
        const MigrationResult again = Migrate(format, true);
        EXPECT_TRUE(again.Complete());
        EXPECT_TRUE(again.folders[0].repairs.empty());
        EXPECT_EQ(again.folders[0].alreadyThere, 5u);
    }
}

TEST_F(MigrationRun, ResumeRemovesEmptyAndUnfinishedFiles)
{
    const struct {
        MigrationFormat format;
        const char* messages;  // where the messages lie
        const char* leftovers[2];  // an empty file (the .eml tree: under the lost one's name), a half-written one
    } cases[] = {
        {MigrationFormat::Maildir, "aus/.Posteingang/cur",
         {"aus/.Posteingang/cur/1.M1P1.host:2,S", "aus/.Posteingang/tmp/2.M2P1.host.vellumine-teil"}},
        {MigrationFormat::EmlTree, "aus/Posteingang", {"", "aus/Posteingang/.3.M3P1.host.vellumine-teil"}},
    };
    for (const auto& c : cases) {
        fs::remove_all(FOut.File("aus"));
        ASSERT_TRUE(Migrate(c.format).Complete());
        // One message lost by a crash: its file empty or half written.
        const fs::path lost = fs::directory_iterator(FOut.File(c.messages))->path();
        fs::remove(lost);
        sw::WriteFileBytes(c.format == MigrationFormat::EmlTree ? lost.string() : FOut.File(c.leftovers[0]), "");
        sw::WriteFileBytes(FOut.File(c.leftovers[1]), "Subject: halb");
        const MigrationResult result = Migrate(c.format, true);
        EXPECT_TRUE(result.Complete()) << MigrationTable(result);
        EXPECT_EQ(result.folders[0].written, 1u);
        ASSERT_EQ(result.folders[0].repairs.size(), 2u) << MigrationTable(result);
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(FOut.File(c.messages)))
            ++files;
        EXPECT_EQ(files, 5u);
    }
}

TEST_F(MigrationRun, ResumeNeverWritesThroughALink)
{
    const struct {
        MigrationFormat format;
        const char* link;
    } cases[] = {
        {MigrationFormat::Maildir, "aus/.Posteingang"},
        {MigrationFormat::Maildir, "aus/.Posteingang/cur"},
        {MigrationFormat::EmlTree, "aus/Posteingang"},
        {MigrationFormat::Mboxrd, "aus/Posteingang"},
    };
    for (const auto& c : cases) {
        fs::remove_all(FOut.File("aus"));
        fs::remove_all(FOut.File("anderswo"));
        fs::create_directories(FOut.File("anderswo"));
        fs::create_directories(FOut.File("aus"));
        fs::create_directories(fs::path(FOut.File(c.link)).parent_path());
        fs::create_directory_symlink(FOut.File("anderswo"), FOut.File(c.link));
        const MigrationResult result = Migrate(c.format, true);
        EXPECT_FALSE(result.Complete());
        ASSERT_FALSE(result.folders[0].problems.empty());
        EXPECT_NE(result.folders[0].problems[0].find("symbolische Verknüpfung"), std::string::npos)
            << result.folders[0].problems[0];
        EXPECT_TRUE(fs::is_empty(FOut.File("anderswo"))) << c.link;
    }
}

TEST_F(MigrationRun, AFolderThatCannotBeWrittenIsSkippedAndTheRunGoesOn)
{
    std::vector<sw::StoreRecordDescription> folders = {
        sw::FolderRecord({.id = 1, .name = "Posteingang", .fileName = "Posteingang.dbx"}),
        sw::FolderRecord({.id = 2, .name = "Zweiter", .fileName = "Zweiter.dbx"})};
    sw::MessageDescription m;
    m.source = "Subject: zwei\r\n\r\nx\r\n";
    sw::WriteFileBytes(FStore.File("Zweiter.dbx"), sw::BuildStoreFile({sw::MessageRecord(m)}).bytes);
    sw::WriteFileBytes(FStore.File("folders.dbx"), sw::BuildStoreFile(folders).bytes);
    FFolders = FReader.ReadStoreFolders();
    fs::create_directories(FOut.File("aus"));
    sw::WriteFileBytes(FOut.File("aus/Posteingang"), "kein Ordner");  // where the first folder belongs
    const MigrationResult result = Migrate(MigrationFormat::EmlTree, true);
    ASSERT_EQ(result.folders.size(), 2u);
    EXPECT_FALSE(result.Complete());
    EXPECT_FALSE(result.folders[0].problems.empty());
    EXPECT_EQ(result.folders[1].verified, 1u);
    EXPECT_TRUE(result.folders[1].problems.empty());
}

TEST_F(MigrationRun, AFolderTooDeepForMaildirIsReportedNotFatal)
{
    std::vector<sw::StoreRecordDescription> folders;
    for (int i = 1; i <= 40; ++i)
        folders.push_back(sw::FolderRecord({.id = i, .parentId = i - 1,
                                            .name = "Ein ziemlich langer Ordnername der Ebene " + std::to_string(i),
                                            .fileName = i == 40 ? "Posteingang.dbx" : ""}));
    sw::WriteFileBytes(FStore.File("folders.dbx"), sw::BuildStoreFile(folders).bytes);
    FFolders = FReader.ReadStoreFolders();
    const MigrationResult result = Migrate(MigrationFormat::Maildir);
    ASSERT_EQ(result.folders.size(), 40u);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(result.folders.back().inStore, 5u);
    ASSERT_EQ(result.folders.back().problems.size(), 1u);
    EXPECT_NE(result.folders.back().problems[0].find("zu tief"), std::string::npos);
    EXPECT_TRUE(result.folders.front().problems.empty());
    EXPECT_TRUE(Migrate(MigrationFormat::Thunderbird, false, FOut.File("mbox")).Complete())
        << "each mbox level is a name of its own";
}

// A small file system of its own (tmpfs), for a disk that fills up; only
// where this process may mount one.
class SmallDisk {
public:
    SmallDisk(const std::string& path, const char* options) : FPath(path)
    {
        fs::create_directories(path);
        FMounted = ::geteuid() == 0 && std::system(("mount -t tmpfs -o " + std::string(options) + " tmpfs '" + path +
                                                    "' 2>/dev/null").c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (FMounted)
            [[maybe_unused]] const int ignored = std::system(("umount -l '" + FPath + "'").c_str());
    }
    bool Mounted() const { return FMounted; }

private:
    std::string FPath;
    bool FMounted = false;
};

TEST_F(MigrationRun, AFullDiskStopsTheRunAndNamesTheTarget)
{
    std::vector<sw::StoreRecordDescription> records;
    for (int i = 0; i < 4; ++i) {
        sw::MessageDescription m;
        m.subject = "Gross " + std::to_string(i);
        m.date = sw::FileTimeFromUtc(2004, 1, 1 + i, 12);
        m.source = "Subject: Gross " + std::to_string(i) + "\r\n\r\n" + std::string(40000, 'a' + i) + "\r\n";
        records.push_back(sw::MessageRecord(m));
    }
    WriteInbox(records);
    for (const auto format : {MigrationFormat::Mboxrd, MigrationFormat::Maildir, MigrationFormat::EmlTree}) {
        const std::string out = FOut.File("voll" + FormatName(format));
        SmallDisk disk(out, "size=96k");
        if (!disk.Mounted())
            GTEST_SKIP() << "a small file system for the full disk needs root and tmpfs";
        const MigrationResult result = Migrate(format, false, out + "/aus");
        EXPECT_FALSE(result.Complete());
        EXPECT_NE(result.stopped.find("kein Platz"), std::string::npos) << MigrationTable(result);
        EXPECT_NE(result.stopped.find(out), std::string::npos) << "the target is named";
        EXPECT_EQ(result.folders[0].unreadable, 0u) << "a full disk is no message that cannot be read";
        for (const std::string& problem : result.folders[0].problems)
            EXPECT_EQ(problem.find("Nicht lesbar"), std::string::npos) << problem;
    }
}

TEST_F(MigrationRun, TheReportGoesIntoTheTargetWhenItsParentTakesNoFile)
{
    const std::string parent = FOut.File("nur-lesen");
    SmallDisk outer(parent, "size=1m");
    if (!outer.Mounted())
        GTEST_SKIP() << "a read-only parent needs root and tmpfs";
    fs::create_directories(parent + "/aus");
    SmallDisk inner(parent + "/aus", "size=1m");
    ASSERT_EQ(std::system(("mount -o remount,ro '" + parent + "'").c_str()), 0);
    const MigrationOptions options{MigrationFormat::Maildir, parent + "/aus", false, "host"};
    const MigrationResult result = MigrateStore(FReader, FFolders, options);
    EXPECT_TRUE(result.Complete());
    EXPECT_EQ(WriteMigrationReport(result, options), parent + "/aus/migration-report.json");
}

// A message of `blocks` blocks of the store, kept by the index or not.
sw::StoreRecordDescription SalvageRecord(const std::string& name, std::size_t blocks, bool indexed = true,
                                         bool recordKept = true)
{
    sw::MessageDescription m;
    m.subject = name;
    m.source = "Subject: " + name + "\r\nFrom: a@example.org\r\n\r\n";
    while (m.source.size() < blocks * 512 - 100)
        m.source += name + " Zeile " + std::to_string(m.source.size()) + "\r\n";
    sw::StoreRecordDescription record = sw::MessageRecord(m);
    record.indexed = indexed;
    record.recordKept = recordKept;
    return record;
}

// The messages of one folder of the output, read straight from the disk.
std::multiset<std::string> MessagesOnDisk(MigrationFormat format, const std::string& path)
{
    std::multiset<std::string> messages;
    if (format == MigrationFormat::Mboxrd) {
        for (const std::string& m : ReadBackMbox(testing::ReadWholeFile(path), 1000))
            messages.insert(m);
        return messages;
    }
    const std::string folder = format == MigrationFormat::Maildir ? path + "/cur" : path;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            messages.insert(testing::ReadWholeFile(entry.path().string()));
    return messages;
}

class SalvagingRun : public MigrationRun {
protected:
    // Posteingang: two messages its index names, an orphan and a deleted
    // one; below it a user folder that has the rescue folder's name.
    SalvagingRun()
    {
        FRecords = {SalvageRecord("eins", 1), SalvageRecord("waise", 2, false), SalvageRecord("zwei", 1),
                    SalvageRecord("geloescht", 3, true, false)};
        WriteInbox(FRecords);
        sw::WriteFileBytes(FStore.File("Eigene.dbx"), sw::BuildStoreFile({SalvageRecord("eigene", 1)}).bytes);
        sw::WriteFileBytes(
            FStore.File("folders.dbx"),
            sw::BuildStoreFile({sw::FolderRecord({.id = 1, .name = "Posteingang", .fileName = "Posteingang.dbx"}),
                                sw::FolderRecord({.id = 2, .parentId = 1, .name = kRescuedFolderName,
                                                  .fileName = "Eigene.dbx"})})
                .bytes);
        FFolders = FReader.ReadStoreFolders();
    }
    std::vector<sw::StoreRecordDescription> FRecords;
};

TEST_F(SalvagingRun, RescuedMessagesLandByteForByteInTheirSubFolder)
{
    const struct {
        MigrationFormat format;
        const char* rescuedPath;  // inside the output folder
    } cases[] = {
        {MigrationFormat::Mboxrd, "Posteingang.sbd/Gerettete Nachrichten"},
        {MigrationFormat::Maildir, ".Posteingang.Gerettete Nachrichten"},
        {MigrationFormat::EmlTree, "Posteingang/Gerettete Nachrichten"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FormatName(c.format));
        fs::remove_all(FOut.File("aus"));
        const MigrationResult result = Migrate(c.format, false, {}, true);
        EXPECT_TRUE(result.Complete()) << MigrationTable(result);
        ASSERT_EQ(result.folders.size(), 3u) << MigrationTable(result);
        const FolderMigration& inbox = result.folders[0];
        const FolderMigration& rescued = result.folders[1];
        const FolderMigration& own = result.folders[2];
        EXPECT_EQ(inbox.verified, 2u);
        ASSERT_TRUE(inbox.rescue.has_value());
        EXPECT_EQ(inbox.rescue->Rescued(), 2u);
        EXPECT_TRUE(rescued.rescued);
        EXPECT_EQ(rescued.output, c.rescuedPath);
        EXPECT_EQ(rescued.written, 2u);
        EXPECT_EQ(rescued.verified, 2u);
        // The user's folder of that name keeps its message under a name of its own.
        EXPECT_FALSE(own.rescued);
        EXPECT_NE(own.output, rescued.output);
        EXPECT_EQ(own.verified, 1u);
        EXPECT_EQ(MessagesOnDisk(c.format, FOut.File("aus/" + rescued.output)),
                  (std::multiset<std::string>{*FRecords[1].source, *FRecords[3].source}));
        EXPECT_EQ(MessagesOnDisk(c.format, FOut.File("aus/" + inbox.output)).size(), 2u);
        EXPECT_NE(MigrationTable(result).find("Gerettet, verwaist:"), std::string::npos);
        EXPECT_NE(MigrationReportJson(result, {}).find("\"rescued\": true"), std::string::npos);
    }
    // A resumed run finds everything there, the rescued messages too.
    const MigrationResult again = Migrate(MigrationFormat::EmlTree, true, {}, true);
    EXPECT_TRUE(again.Complete()) << MigrationTable(again);
    EXPECT_EQ(again.folders[1].alreadyThere, 2u);
    EXPECT_EQ(again.folders[1].written, 0u);
}

TEST_F(SalvagingRun, WithoutSalvageOrRescuesThereIsNoRescueFolder)
{
    EXPECT_EQ(Migrate(MigrationFormat::EmlTree).folders.size(), 2u);
    fs::remove_all(FOut.File("aus"));
    WriteInbox({SalvageRecord("eins", 1)});
    const MigrationResult result = Migrate(MigrationFormat::EmlTree, false, {}, true);
    ASSERT_EQ(result.folders.size(), 2u) << MigrationTable(result);
    EXPECT_TRUE(result.Complete()) << MigrationTable(result);
    // The user's folder keeps its name: no rescue folder took it.
    EXPECT_EQ(result.folders[1].output, "Posteingang/Gerettete Nachrichten");
    EXPECT_FALSE(result.folders[1].rescued);
}

TEST_F(SalvagingRun, IncompleteMessagesAreMarkedAndFragmentsStayOut)
{
    std::vector<sw::StoreRecordDescription> records = {SalvageRecord("ok", 1), SalvageRecord("angefangen", 2, true, false),
                                                       SalvageRecord("kopflos", 3, true, false)};
    sw::StoreImage image = sw::BuildStoreFile(records);
    const std::size_t firstLine = records[1].source->find('\n') + 1;
    sw::OverwriteSourceStart(image, 1, firstLine);
    sw::ZeroBlockHeader(image, 2, 0);  // the tail of "kopflos" has no head: a fragment
    sw::WriteFileBytes(FStore.File("Posteingang.dbx"), image.bytes);
    const MigrationResult result = Migrate(MigrationFormat::EmlTree, false, {}, true);
    ASSERT_GE(result.folders.size(), 2u);
    ASSERT_TRUE(result.folders[1].rescued) << MigrationTable(result);
    EXPECT_EQ(result.folders[1].verified, 1u);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(FOut.File("aus/" + result.folders[1].output)))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].filename().string().find("(unvollständig).eml"), std::string::npos) << files[0];
    EXPECT_EQ(testing::ReadWholeFile(files[0].string()), records[1].source->substr(firstLine));
    EXPECT_EQ(result.folders[0].rescue->fragments, 1u);
}

}  // namespace
}  // namespace vellumine
