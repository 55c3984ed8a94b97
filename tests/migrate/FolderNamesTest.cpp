// Folder names on disk, the store's inbox as INBOX, message times and
// Thunderbird's mbox entries.

#include <gtest/gtest.h>

#include <map>

#include "StoreWriter.h"
#include "migrate/FolderNames.h"
#include "migrate/Mboxrd.h"
#include "migrate/MessageTime.h"
#include "migrate/MigrationLayout.h"

namespace vellumine {
namespace {

namespace sw = storewriter;

TEST(FolderNames, ModifiedUtf7AsImapServersExpectIt)
{
    const struct {
        const char* utf8;
        const char* encoded;
    } cases[] = {
        {"Posteingang", "Posteingang"},
        {"Geschäftliches", "Gesch&AOQ-ftliches"},
        {"Älteres", "&AMQ-lteres"},
        {"Grenzfälle", "Grenzf&AOQ-lle"},
        {"Tom & Jerry", "Tom &- Jerry"},
        {"&", "&-"},
        {"台北", "&U,BTFw-"},                  // the example of RFC 3501
        {"日本語", "&ZeVnLIqe-"},
        {"Büro Äpfel", "B&APw-ro &AMQ-pfel"},  // each run of its own
        {"😀", "&2D3eAA-"},                    // a surrogate pair
        {"~/x", "~/x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ModifiedUtf7(c.utf8), c.encoded) << c.utf8;
}

TEST(FolderNames, CleanNamesKeepWhatTheUserWrote)
{
    const struct {
        const char* name;
        bool levelDots;
        const char* clean;
    } cases[] = {
        {"Geschäftliches", false, "Geschäftliches"},
        {"a/b", false, "a_b"},
        {"Archiv.2003", false, "Archiv.2003"},
        {"Archiv.2003", true, "Archiv_2003"},
        {".versteckt", false, "_versteckt"},
        {"..", false, "__"},
        {"", false, "Ordner"},
        {"Tab\there", false, "Tab_here"},
        {"Frage?*<>", false, "Frage?*<>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanFolderName(c.name, c.levelDots), c.clean) << c.name;
}

TEST(FolderNames, LongNamesAreCutAtACharacterWithAHash)
{
    std::string umlauts;
    for (int i = 0; i < 200; ++i)
        umlauts += "ä";  // 400 bytes
    const std::string cut = FitName(umlauts, 251, KeepUtf8);
    EXPECT_LE(cut.size(), 251u);
    EXPECT_EQ(cut.find("ä~"), cut.size() - 9) << "a whole character before the hash";
    EXPECT_NE(FitName(umlauts + "x", 251, KeepUtf8), cut) << "names alike at the start stay apart";
    const std::string encoded = ModifiedUtf7(FitName(umlauts, 100, ModifiedUtf7));
    EXPECT_LE(encoded.size(), 100u);
    EXPECT_EQ(FitName("kurz", 251, KeepUtf8), "kurz");
}

TEST(FolderNames, SiblingsStayApartWithoutRegardToCase)
{
    std::set<std::string> taken;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Bücher", "Bücher"}, {"Bächer", "Bächer"}, {"BÜCHER", "BÜCHER_1"}, {"bücher", "bücher_2"}, {"ÄRGER", "ÄRGER"},
        {"ärger", "ärger_1"},
    };
    for (const auto& [name, unique] : cases)
        EXPECT_EQ(UniqueFolderName(name, 251, KeepUtf8, taken), unique);
}

std::map<std::int32_t, std::string> PathsById(const std::vector<Toe5_FolderInfo>& folders, MigrationFormat format)
{
    std::map<std::int32_t, std::string> paths;
    for (const MigrationFolder& folder : PlanMigrationFolders(folders, format))
        paths[folder.storeId] = folder.placeable ? RelativeMigrationPath(folder, format) : "(nicht platzierbar)";
    return paths;
}

TEST(MigrationLayout, EachFormatNamesFoldersAsTheUserDid)
{
    const std::vector<Toe5_FolderInfo> folders = {
        {0, -1, "Lokale Ordner", "", false},
        {1, 0, "Posteingang", "Posteingang.dbx", true},
        {2, 1, "Unter", "unter.dbx", false},
        {3, 0, "Gesch\xE4""ftliches", "g.dbx", false},
        {4, 0, "Tom & Jerry.2003", "t.dbx", false},
        {5, -1, "Inbox", "inbox2.dbx", false},  // a user folder at the top
        {6, 0, "B\xFC""cher", "b1.dbx", false},
        {7, 0, "B\xE4""cher", "b2.dbx", false},
        {8, 0, "Alt.sbd", "a.dbx", false},
    };
    const struct {
        MigrationFormat format;
        std::map<std::int32_t, std::string> paths;
    } cases[] = {
        {MigrationFormat::Thunderbird,
         {{0, "Lokale Ordner"}, {1, "Inbox"}, {2, "Inbox.sbd/Unter"}, {3, "Lokale Ordner.sbd/Geschäftliches"},
          {4, "Lokale Ordner.sbd/Tom & Jerry.2003"}, {5, "Inbox_1"}, {6, "Lokale Ordner.sbd/Bücher"},
          {7, "Lokale Ordner.sbd/Bächer"}, {8, "Lokale Ordner.sbd/Alt.sbd_"}}},
        {MigrationFormat::Mboxrd,  // as Dovecot keeps names on disk
         {{0, "Lokale Ordner"}, {1, "Inbox"}, {2, "Inbox.sbd/Unter"}, {3, "Lokale Ordner.sbd/Gesch&AOQ-ftliches"},
          {4, "Lokale Ordner.sbd/Tom &- Jerry.2003"}, {5, "Inbox_1"}, {6, "Lokale Ordner.sbd/B&APw-cher"},
          {7, "Lokale Ordner.sbd/B&AOQ-cher"}, {8, "Lokale Ordner.sbd/Alt.sbd_"}}},
        {MigrationFormat::Maildir,
         {{0, ".Lokale Ordner"}, {1, "."}, {2, ".INBOX.Unter"}, {3, ".Lokale Ordner.Gesch&AOQ-ftliches"},
          {4, ".Lokale Ordner.Tom &- Jerry_2003"}, {5, ".Inbox_1"}, {6, ".Lokale Ordner.B&APw-cher"},
          {7, ".Lokale Ordner.B&AOQ-cher"}, {8, ".Lokale Ordner.Alt_sbd"}}},
        {MigrationFormat::EmlTree,
         {{0, "Lokale Ordner"}, {1, "Lokale Ordner/Posteingang"}, {2, "Lokale Ordner/Posteingang/Unter"},
          {3, "Lokale Ordner/Geschäftliches"}, {4, "Lokale Ordner/Tom & Jerry.2003"}, {5, "Inbox"},
          {6, "Lokale Ordner/Bücher"}, {7, "Lokale Ordner/Bächer"}, {8, "Lokale Ordner/Alt.sbd"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PathsById(folders, c.format), c.paths) << static_cast<int>(c.format);
}

// A chain of `depth` folders with 45-character German names.
std::vector<Toe5_FolderInfo> DeepChain(int depth)
{
    std::vector<Toe5_FolderInfo> folders;
    for (int i = 0; i < depth; ++i)
        folders.push_back({i, i - 1, "Gr\xFC\xDF""e aus dem \xC4rmelkanal und \xFC""ber M\xFCnchen " + std::to_string(10 + i),
                           "f" + std::to_string(i) + ".dbx", false});
    return folders;
}

TEST(MigrationLayout, DeepMaildirChainsFitIntoOneFileName)
{
    const struct {
        int depth;
        std::size_t placeable;
    } cases[] = {{3, 3}, {7, 7}, {14, 14}, {40, 28}};
    for (const auto& c : cases) {
        std::size_t placeable = 0;
        std::set<std::string> paths;
        for (const MigrationFolder& folder : PlanMigrationFolders(DeepChain(c.depth), MigrationFormat::Maildir)) {
            if (!folder.placeable)
                continue;
            ++placeable;
            const std::string path = RelativeMigrationPath(folder, MigrationFormat::Maildir);
            EXPECT_LE(path.size(), 255u) << path;
            paths.insert(path);
        }
        EXPECT_EQ(placeable, c.placeable) << c.depth << " levels";
        EXPECT_EQ(paths.size(), placeable) << "every level its own folder";
    }
    // Short chains keep their full names.
    const auto plan = PlanMigrationFolders(DeepChain(3), MigrationFormat::Maildir);
    EXPECT_EQ(plan.back().names.back(), ModifiedUtf7("Grüße aus dem Ärmelkanal und über München 12"));
    for (const MigrationFolder& folder : PlanMigrationFolders(DeepChain(7), MigrationFormat::Thunderbird))
        EXPECT_EQ(folder.names.back().find('~'), std::string::npos) << "each mbox level is a file name of its own";
}

TEST(MessageTime, DateHeadersAsMailProgramsWriteThem)
{
    const std::uint64_t expected = sw::FileTimeFromUtc(2002, 4, 13, 22, 27, 57);
    const struct {
        const char* text;
        std::uint64_t time;
    } cases[] = {
        {"Sun, 14 Apr 2002 00:27:57 +0200", expected},
        {"14 Apr 2002 00:27:57 +0200", expected},
        {"Sat, 13 Apr 2002 17:27:57 -0500 (EST)", expected},
        {"Sat, 13 Apr 02 22:27:57 GMT", expected},
        {"Sat, 13 Apr 2002 17:27:57 EST", expected},
        {"Sat Apr 13 22:27:57 2002", 0},  // asctime: the year comes last
        {"Sat, 13 Apr 2002 22:27 +0000", sw::FileTimeFromUtc(2002, 4, 13, 22, 27)},
        {"13 apr 2002", sw::FileTimeFromUtc(2002, 4, 13)},
        {"Sat, 13 Apr 2002 22:27:57", expected},
        {"irgendwann", 0},
        {"", 0},
        {"32 Apr 2002 10:00:00 +0000", 0},
        {"13 Apr 99999999999999999999 10:00", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseMessageDate(c.text).value_or(0), c.time) << c.text;
}

TEST(MessageTime, StoreDateThenDateHeaderThenTheRun)
{
    const std::uint64_t store = sw::FileTimeFromUtc(2004, 1, 1), run = sw::FileTimeFromUtc(2026, 12, 9);
    const struct {
        std::uint64_t storeDate;
        const char* source;
        std::uint64_t time;
    } cases[] = {
        {store, "Date: Sun, 14 Apr 2002 00:27:57 +0200\r\n\r\n", store},
        {0, "Subject: x\r\nDate: Sat, 13 Apr 2002 22:27:57\r\n +0000\r\n\r\n", sw::FileTimeFromUtc(2002, 4, 13, 22, 27, 57)},
        {0, "Subject: x\r\n\r\nDate: Sat, 13 Apr 2002 22:27:57 +0000\r\n", run},  // in the body
        {0, "Date: kaputt\n\n", run},
        {0, "", run},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MigrationTimeOf(c.storeDate, c.source, run), c.time) << c.source;
}

TEST(Thunderbird, EveryMessageStartsWithItsStatusAndComesBack)
{
    const std::vector<std::string> messages = {
        "From: a@b\r\nSubject: x\r\n\r\nFrom here\r\n",
        "not a header line\r\n\r\nbody\r\n",
        "Subject: one header line only",
        "\xEF\xBB\xBFSubject: mit BOM\n\nx\n",
        "",
        "x\r",
        "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\nSubject: had its own\n\n",
    };
    std::string file;
    for (const std::string& m : messages) {
        const std::string entry = ThunderbirdEntry(m, 0);
        EXPECT_EQ(entry.compare(entry.find('\n') + 1, 22, "X-Mozilla-Status: 0001"), 0) << "the first line after the separator";
        file += entry;
    }
    std::vector<std::string> back, expected;
    MboxrdReader reader([&](std::string_view m) { back.emplace_back(WithoutMozillaStatus(m)); });
    reader.Feed(file);
    reader.Finish();
    for (const std::string& m : messages)
        expected.push_back(MboxHeldMessage(m, true));
    EXPECT_EQ(back, expected);
    EXPECT_EQ(expected[2], "Subject: one header line only\n") << "a last line gets its break";
    EXPECT_EQ(expected[5], "x\r\n");
    // Thunderbird's reader: a separator only after a blank line.
    for (std::size_t at = file.find("\nFrom ", 1); at != std::string::npos; at = file.find("\nFrom ", at + 1))
        EXPECT_TRUE(file[at - 1] == '\n' || (file[at - 1] == '\r' && file[at - 2] == '\n'))
            << "no blank line before the separator at " << at;
    EXPECT_EQ(WithoutMozillaStatus("X-Mozilla-Status: 0001\r\nSubject: x\r\n"), "X-Mozilla-Status: 0001\r\nSubject: x\r\n")
        << "only both lines together are taken off";
}

}  // namespace
}  // namespace vellumine
