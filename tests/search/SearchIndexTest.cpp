// The search index over a store with known contents: what the queries
// find, how an update follows the store, and an index file that cannot be
// trusted or is used by two connections at once.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <thread>

#include "StoreDamage.h"
#include "StoreWriter.h"
#include "TempFolder.h"
#include "search/SearchIndex.h"
#include "search/SqliteDatabase.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

namespace sw = storewriter;

const char* const kPlainUmlauts =
    "From: =?iso-8859-1?Q?J=FCrgen_M=FCller?= <juergen@example.de>\r\nTo: Anna <anna@example.de>\r\n"
    "Subject: =?utf-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=\r\nMIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
    "Liebe Anna,\r\nviele Gr=FC=DFe aus K=F6ln und Stra=DFburg!\r\n";

const char* const kHtmlOnly =
    "From: Stadtwerke <info@stadtwerke.example>\r\nTo: Anna <anna@example.de>\r\nSubject: Jahresabrechnung\r\n"
    "MIME-Version: 1.0\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
    "<html><head><style>.verborgen{}</style><script>var geheimwort=1;</script></head>"
    "<body><p>Ihre <b>Rechnung</b> &uuml;ber 12&nbsp;&euro; liegt bei.</p></body></html>\r\n";

const char* const kWithAttachment =
    "From: Verein <vorstand@verein.example>\r\nTo: Mitglieder <liste@verein.example>\r\nCc: Bernd <bernd@example.de>\r\n"
    "Subject: Protokoll\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
    "--b\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nAnbei das Protokoll der Versammlung.\r\n"
    "--b\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename*=utf-8''Protokoll%20M%C3%A4rz.pdf\r\n\r\nJVBERi0=\r\n--b--\r\n";

sw::StoreRecordDescription Message(int year, int month, const std::string& sender, const std::string& subject,
                                   const std::string& source)
{
    return sw::MessageRecord({.date = year ? sw::FileTimeFromUtc(year, month, 15, 12) : 0, .sender = sender,
                              .recipient = "Anna", .subject = subject, .source = source});
}

// A plain message whose subject and body are given.
sw::StoreRecordDescription Plain(int year, int month, const std::string& subject, const std::string& body)
{
    return Message(year, month, "Obsthof", subject,
                   "From: Obsthof <hof@example.de>\r\nSubject: " + subject +
                       "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + body + "\r\n");
}

class SearchIndexTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFolders({{"Posteingang", "Posteingang.dbx"}, {"Vereine", "Vereine.dbx"}});
        WriteFolder("Posteingang.dbx", {Message(2004, 1, "J\xFCrgen M\xFCller", "Gr\xFC\xDF" "e aus K\xF6ln", kPlainUmlauts),
                                        Message(2003, 11, "Stadtwerke", "Jahresabrechnung", kHtmlOnly)});
        WriteFolder("Vereine.dbx", {Message(2003, 3, "Verein", "Protokoll", kWithAttachment)});
    }

    void WriteFolders(const std::vector<std::pair<std::string, std::string>>& folders)
    {
        std::vector<sw::StoreRecordDescription> records{sw::FolderRecord({.id = 0, .name = "Lokale Ordner"})};
        std::int32_t id = 1;
        for (const auto& [name, file] : folders)
            records.push_back(sw::FolderRecord({.id = id++, .parentId = 0, .name = name, .fileName = file}));
        sw::WriteFileBytes(FStore.File("folders.dbx"), sw::BuildStoreFile(records).bytes);
    }

    void WriteFolder(const std::string& file, const std::vector<sw::StoreRecordDescription>& messages)
    {
        sw::WriteFileBytes(FStore.File(file), sw::BuildStoreFile(messages).bytes);
    }

    IndexUpdate Update(SearchIndex& index)
    {
        StoreReader reader(std::make_shared<FolderStoreLocation>(FStore.Path()));
        return index.Update(reader, reader.ReadStoreFolders());
    }

    std::vector<std::string> Found(SearchIndex& index, const std::string& query)
    {
        std::vector<std::string> subjects;
        for (const SearchHit& hit : index.Find(query))
            subjects.push_back(hit.info.Subject);
        return subjects;
    }

    std::string IndexPath() const { return FCache.File("index.sqlite"); }

    testing::TempFolder FStore;
    testing::TempFolder FCache;
};

using Subjects = std::vector<std::string>;
const std::string kGruesse = "Gr\xFC\xDF" "e aus K\xF6ln";

TEST_F(SearchIndexTest, FindsByFoldedWordsPhrasesPrefixesAndFields)
{
    SearchIndex index(IndexPath(), FStore.Path());
    const IndexUpdate first = Update(index);
    EXPECT_EQ(first.filesRead, 2u);
    EXPECT_EQ(first.messagesIndexed, 3u);
    for (const char* query : {"grüße", "GRUESSE", "grusse", "straßburg", "strassburg", "köln", "koeln", "koln"})
        EXPECT_EQ(Found(index, query), Subjects{kGruesse}) << query;
    EXPECT_EQ(Found(index, "\"viele grüße\""), Subjects{kGruesse});
    EXPECT_TRUE(Found(index, "\"grüße viele\"").empty()) << "a phrase keeps its order";
    EXPECT_EQ(Found(index, "von:müller"), Subjects{kGruesse}) << "the encoded sender";
    EXPECT_EQ(Found(index, "betreff:köln"), Subjects{kGruesse}) << "the encoded subject";
    EXPECT_EQ(Found(index, "rechn*"), Subjects{"Jahresabrechnung"}) << "the HTML body";
    EXPECT_EQ(Found(index, "über"), Subjects{"Jahresabrechnung"}) << "an entity";
    EXPECT_TRUE(Found(index, "geheimwort").empty()) << "script is no text";
    EXPECT_TRUE(Found(index, "verborgen").empty());
    EXPECT_EQ(Found(index, "anhang:märz"), Subjects{"Protokoll"}) << "the attachment's encoded name";
    EXPECT_EQ(Found(index, "an:bernd"), Subjects{"Protokoll"}) << "Cc counts as recipient";
    EXPECT_EQ(Found(index, "ordner:vereine"), Subjects{"Protokoll"});
    EXPECT_TRUE(Found(index, "betreff:rechnung").empty());
    EXPECT_EQ(Found(index, "an:anna"), (Subjects{kGruesse, "Jahresabrechnung", "Protokoll"})) << "newest first";
    EXPECT_EQ(Found(index, "datum:2003"), (Subjects{"Jahresabrechnung", "Protokoll"}));
    EXPECT_EQ(Found(index, "an:anna datum:2003-06..2004-01"), (Subjects{kGruesse, "Jahresabrechnung"}));
    const auto hits = index.Find("versammlung");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].folder, "Lokale Ordner/Vereine");
    EXPECT_EQ(hits[0].file, "Vereine.dbx");
    EXPECT_GT(hits[0].info.SourceOffset, 0);
    EXPECT_NE(hits[0].snippet.find("Protokoll der Versammlung"), std::string::npos) << hits[0].snippet;
    EXPECT_EQ(index.Find("an:anna", 2).size(), 2u) << "the limit";
}

TEST_F(SearchIndexTest, UpdateRereadsOnlyChangedFilesAndDropsWhatIsGone)
{
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const IndexUpdate unchanged = Update(index);
    EXPECT_EQ(unchanged.filesRead, 0u);
    EXPECT_EQ(unchanged.filesUnchanged, 2u);

    WriteFolder("Vereine.dbx", {Message(2005, 5, "Verein", "Sommerfest", kWithAttachment)});
    std::filesystem::last_write_time(FStore.File("Vereine.dbx"),
                                     std::filesystem::last_write_time(FStore.File("Vereine.dbx")) + std::chrono::hours(1));
    const IndexUpdate changed = Update(index);
    EXPECT_EQ(changed.filesRead, 1u);
    EXPECT_EQ(changed.filesUnchanged, 1u);
    EXPECT_EQ(Found(index, "versammlung"), Subjects{"Sommerfest"}) << "the old record left, the new came";
    EXPECT_EQ(index.MessageCount(), 3u);

    WriteFolders({{"Posteingang", "Posteingang.dbx"}});
    EXPECT_EQ(Update(index).filesRemoved, 1u);
    EXPECT_TRUE(Found(index, "versammlung").empty());
    std::filesystem::remove(FStore.File("Posteingang.dbx"));
    const IndexUpdate gone = Update(index);
    EXPECT_EQ(gone.unreadable.size(), 1u);
    EXPECT_EQ(index.MessageCount(), 0u);
}

TEST_F(SearchIndexTest, DamagedOrForeignIndexIsRebuilt)
{
    {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
    }
    const auto size = std::filesystem::file_size(IndexPath());
    {
        // Garbage over the middle pages: the header still says SQLite.
        std::string bytes = testing::ReadWholeFile(IndexPath());
        std::fill(bytes.begin() + 4096, bytes.begin() + static_cast<std::ptrdiff_t>(size) - 4096, '\x5A');
        sw::WriteFileBytes(IndexPath(), bytes);
        SearchIndex index(IndexPath(), FStore.Path());
        const IndexUpdate update = Update(index);
        EXPECT_TRUE(update.rebuilt);
        EXPECT_EQ(Found(index, "köln"), Subjects{kGruesse});
    }
    {
        sw::WriteFileBytes(IndexPath(), "kein SQLite");
        SearchIndex index(IndexPath(), FStore.Path());
        EXPECT_TRUE(Update(index).rebuilt);
        EXPECT_EQ(index.MessageCount(), 3u);
    }
    {
        SearchIndex foreign(IndexPath(), FStore.Path() + "/anderswo");
        EXPECT_TRUE(Update(foreign).rebuilt) << "an index of another store";
    }
}

TEST_F(SearchIndexTest, ReaderQueriesWhileAnotherConnectionWrites)
{
    {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
    }
    std::vector<sw::StoreRecordDescription> many;
    for (int i = 0; i < 400; ++i)
        many.push_back(Message(2002, 1 + i % 12, "Verein", "Rundbrief " + std::to_string(i), kWithAttachment));
    WriteFolder("Vereine.dbx", many);
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
        writing = false;
    });
    SearchIndex reader(IndexPath(), FStore.Path());
    std::size_t queries = 0;
    do {
        const std::size_t found = reader.Find("versammlung").size();
        EXPECT_TRUE(found == 1 || found == 400) << found << ": the old state or the new, never half";
        ++queries;
    } while (writing);
    writer.join();
    EXPECT_EQ(reader.Find("versammlung").size(), 400u);
    EXPECT_GT(queries, 0u);
}

// Five messages with known words; one has no date.
std::vector<sw::StoreRecordDescription> Orchard()
{
    return {Plain(2001, 1, "alpha", "apfel birne"), Plain(2001, 2, "beta", "apfel kirsche"),
            Plain(2001, 3, "gamma", "birne kirsche"), Plain(2001, 4, "delta", "pflaume"),
            Plain(0, 0, "undatiert", "apfel")};
}

TEST_F(SearchIndexTest, OperatorsCombineAsTyped)
{
    WriteFolders({{"Obst", "Obst.dbx"}});
    WriteFolder("Obst.dbx", Orchard());
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const struct {
        const char* query;
        Subjects found;
    } cases[] = {
        {"apfel", {"beta", "alpha", "undatiert"}},
        {"apfel OR pflaume", {"delta", "beta", "alpha", "undatiert"}},
        {"apfel birne OR pflaume", {"delta", "alpha"}},
        {"apfel (birne OR pflaume)", {"alpha"}},
        {"-apfel", {"delta", "gamma"}},
        {"-apfel kirsche", {"gamma"}},
        {"NICHT apfel NICHT pflaume", {"gamma"}},
        {"(apfel OR birne) -kirsche", {"alpha", "undatiert"}},
        {"apfel ODER pflaume NICHT birne", {"delta", "beta", "alpha", "undatiert"}},
        {"apfel OR -kirsche", {"delta", "beta", "alpha", "undatiert"}},
        {"-apfel OR -kirsche", {"delta", "gamma", "alpha", "undatiert"}},
        {"betreff:(alpha OR gamma)", {"gamma", "alpha"}},
        {"betreff:(alpha OR apfel)", {"alpha"}},
        {"-betreff:beta apfel", {"alpha", "undatiert"}},
        {"dingus OR lyrics", {}},
        {"datum:..2001-02", {"beta", "alpha"}},
        {"datum:..2001-02 apfel", {"beta", "alpha"}},
        {"datum:2001.. -apfel", {"delta", "gamma"}},
        {"datum:2000..2002 -gibtesnicht", {"delta", "gamma", "beta", "alpha"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Found(index, c.query), c.found) << c.query;
}

TEST_F(SearchIndexTest, PagesAndTheTotal)
{
    WriteFolders({{"Obst", "Obst.dbx"}});
    WriteFolder("Obst.dbx", Orchard());
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const struct {
        const char* query;
        std::size_t total;
    } totals[] = {{"apfel", 3}, {"-apfel", 2}, {"apfel OR -kirsche", 4}, {"datum:..2001-02", 2}, {"", 0}, {"x", 0}};
    for (const auto& c : totals)
        EXPECT_EQ(index.Count(c.query), c.total) << c.query;
    const auto page = [&](std::size_t limit, std::size_t offset) {
        Subjects subjects;
        for (const SearchHit& hit : index.Find("apfel OR birne", limit, offset))
            subjects.push_back(hit.info.Subject);
        return subjects;
    };
    EXPECT_EQ(page(2, 0), (Subjects{"gamma", "beta"}));
    EXPECT_EQ(page(2, 2), (Subjects{"alpha", "undatiert"}));
    EXPECT_EQ(page(2, 4), Subjects{});
    EXPECT_EQ(page(0, 0), Subjects{});
    const auto hits = index.Find("birne", 1, 1);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].snippet, "apfel birne") << "a later page has its snippets too";
    ASSERT_EQ(hits[0].matches.size(), 1u);
    EXPECT_EQ(hits[0].snippet.substr(hits[0].matches[0].first, hits[0].matches[0].second), "birne");
}

TEST_F(SearchIndexTest, SnippetsForAsManyResultsAsAsked)
{
    WriteFolders({{"Obst", "Obst.dbx"}});
    std::vector<sw::StoreRecordDescription> messages;
    for (int i = 0; i < 130; ++i)
        messages.push_back(Plain(2003, 1 + i % 12, "korb " + std::to_string(i), "ein korb voll quitten"));
    WriteFolder("Obst.dbx", messages);
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const auto withSnippet = [](const std::vector<SearchHit>& hits) {
        return std::count_if(hits.begin(), hits.end(), [](const SearchHit& hit) { return !hit.matches.empty(); });
    };
    EXPECT_EQ(withSnippet(index.Find("quitten")), SearchIndex::kResultsWithSnippet);
    EXPECT_EQ(withSnippet(index.Find("quitten", 1000, 0, 1000)), 130);
    EXPECT_EQ(withSnippet(index.Find("quitten", 50, 100, 50)), 30) << "the last page";
    EXPECT_EQ(withSnippet(index.Find("quitten", 50, 0, 0)), 0);
}

TEST_F(SearchIndexTest, UpdatesWriteOnlyWhatChanged)
{
    WriteFolders({{"Obst", "Obst.dbx"}});
    std::vector<sw::StoreRecordDescription> messages = Orchard();
    WriteFolder("Obst.dbx", messages);
    // Each update in a run of its own, as the command line makes them.
    const auto update = [&] {
        SearchIndex index(IndexPath(), FStore.Path());
        return Update(index);
    };
    const auto found = [&](const std::string& query) {
        SearchIndex index(IndexPath(), FStore.Path());
        return Found(index, query);
    };
    const auto later = [&] {
        const std::string file = FStore.File("Obst.dbx");
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::hours(1));
    };
    EXPECT_EQ(update().messagesIndexed, 5u);
    const std::uintmax_t before = std::filesystem::file_size(IndexPath());
    for (int round = 0; round < 3; ++round) {
        later();
        const IndexUpdate touched = update();
        EXPECT_EQ(touched.filesUnchanged, 1u) << "the records lie where they lay";
        EXPECT_EQ(touched.filesRead, 0u);
    }
    EXPECT_EQ(std::filesystem::file_size(IndexPath()), before) << "no growth without a change";

    messages.push_back(Plain(2002, 5, "epsilon", "quitte apfel"));
    WriteFolder("Obst.dbx", messages);
    later();
    const IndexUpdate added = update();
    EXPECT_EQ(added.filesRead, 1u);
    EXPECT_EQ(added.messagesIndexed, 1u) << "the new message alone";
    EXPECT_EQ(added.messagesRemoved, 0u);
    EXPECT_EQ(found("apfel"), (Subjects{"epsilon", "beta", "alpha", "undatiert"}));

    messages.erase(messages.begin() + 3, messages.end());  // delta, undatiert and epsilon go
    WriteFolder("Obst.dbx", messages);
    later();
    const IndexUpdate removed = update();
    EXPECT_EQ(removed.messagesIndexed, 0u);
    EXPECT_EQ(removed.messagesRemoved, 3u);
    EXPECT_EQ(found("apfel"), (Subjects{"beta", "alpha"}));
    EXPECT_TRUE(found("pflaume").empty()) << "its text left the full-text table too";

    WriteFolders({{"Fr\xFC" "chte", "Obst.dbx"}});
    const IndexUpdate renamed = update();
    EXPECT_EQ(renamed.filesRead, 1u);
    EXPECT_EQ(found("ordner:früchte"), (Subjects{"gamma", "beta", "alpha"})) << "the folder's new path";
    EXPECT_TRUE(found("ordner:obst").empty());
    SearchIndex index(IndexPath(), FStore.Path());
    EXPECT_EQ(index.MessageCount(), 3u);
}

TEST_F(SearchIndexTest, ManySmallUpdatesFindEveryMessage)
{
    // Small updates leave the full-text segments unmerged until 16 lie
    // side by side: more updates than that, each adding a message and
    // taking out one added before, must find exactly what is there.
    WriteFolders({{"Obst", "Obst.dbx"}});
    std::vector<sw::StoreRecordDescription> messages = Orchard();
    WriteFolder("Obst.dbx", messages);
    const auto later = [&] {
        const std::string file = FStore.File("Obst.dbx");
        std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::hours(1));
    };
    {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
    }
    for (int round = 1; round <= 40; ++round) {
        const std::string word = "sorte" + std::to_string(round);
        messages.push_back(Plain(2003, 1 + round % 12, "runde " + std::to_string(round), word + " quitte"));
        if (round % 3 == 0)
            messages.erase(messages.end() - 2);  // the one added the round before
        WriteFolder("Obst.dbx", messages);
        later();
        SearchIndex index(IndexPath(), FStore.Path());
        const IndexUpdate update = Update(index);
        EXPECT_EQ(update.messagesIndexed, 1u) << round;
        EXPECT_EQ(Found(index, word).size(), 1u) << round;
        EXPECT_EQ(index.MessageCount(), messages.size()) << round;
        EXPECT_EQ(Found(index, "quitte").size(), messages.size() - Orchard().size()) << round;
    }
    SearchIndex index(IndexPath(), FStore.Path());
    EXPECT_TRUE(Found(index, "sorte2").empty()) << "taken out in round 3";
    EXPECT_EQ(Found(index, "sorte4").size(), 1u);
    EXPECT_EQ(Found(index, "pflaume").size(), 1u) << "the first build's messages stay";
}

TEST_F(SearchIndexTest, MailAddedToAFolderIsIndexedAsAWholeBuildWouldHaveIt)
{
    // Three records appended after the five indexed: a new message, and
    // two whose source entries name the sources of an earlier one and of
    // the new one. A whole read takes a shared source once, so must an
    // update that reads only what was added.
    WriteFolders({{"Obst", "Obst.dbx"}});
    std::vector<sw::StoreRecordDescription> messages = Orchard();
    const sw::StoreImage before = sw::BuildStoreFile(messages);
    sw::WriteFileBytes(FStore.File("Obst.dbx"), before.bytes);
    {
        SearchIndex index(IndexPath(), FStore.Path());
        EXPECT_EQ(Update(index).messagesIndexed, 5u);
    }
    messages.push_back(Plain(2002, 5, "epsilon", "quitte"));
    messages.push_back(Plain(2002, 6, "zeta", "mispel"));
    messages.push_back(Plain(2002, 7, "eta", "mispel"));
    sw::StoreImage after = sw::BuildStoreFile(messages);
    ASSERT_TRUE(std::equal(before.recordOffsets.begin(), before.recordOffsets.end(), after.recordOffsets.begin()))
        << "the indexed records lie where they lay";
    const auto nameSourceOf = [&](std::size_t record, std::size_t owner) {
        const std::uint32_t at = after.recordOffsets[record] + 12;
        for (std::uint32_t entry = at; entry < at + 4 * 8; entry += 4)
            if (static_cast<unsigned char>(after.bytes[entry]) == 0x84)
                sw::PutWord(after, entry, (after.blockOffsets[owner][0] << 8) | 0x84);
    };
    nameSourceOf(6, 0);
    nameSourceOf(7, 5);
    sw::WriteFileBytes(FStore.File("Obst.dbx"), after.bytes);

    SearchIndex updated(IndexPath(), FStore.Path());
    const IndexUpdate update = Update(updated);
    EXPECT_EQ(update.messagesIndexed, 1u);
    EXPECT_EQ(update.messagesRemoved, 0u);
    SearchIndex whole(FCache.File("whole.sqlite"), FStore.Path());
    Update(whole);
    EXPECT_EQ(updated.MessageCount(), whole.MessageCount());
    for (const char* query : {"quitte", "mispel", "apfel", "birne OR pflaume"})
        EXPECT_EQ(Found(updated, query), Found(whole, query)) << query;
}

TEST_F(SearchIndexTest, SmallUpdatesOfALargeIndexStayInItsLogUntilLater)
{
    WriteFolders({{"Obst", "Obst.dbx"}});
    std::vector<sw::StoreRecordDescription> messages;
    for (int i = 0; i < 3000; ++i)
        messages.push_back(Plain(2000 + i % 5, 1 + i % 12, "sorte " + std::to_string(i), "obst nummer" + std::to_string(i)));
    WriteFolder("Obst.dbx", messages);
    const std::string log = IndexPath() + "-wal";
    {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
    }
    EXPECT_FALSE(std::filesystem::exists(log)) << "a new index lives in its own file";
    messages.push_back(Plain(2004, 2, "nachzuegler", "mispel"));
    WriteFolder("Obst.dbx", messages);
    {
        SearchIndex index(IndexPath(), FStore.Path());
        EXPECT_EQ(Update(index).messagesIndexed, 1u);
    }
    ASSERT_TRUE(std::filesystem::exists(log));
    EXPECT_GT(std::filesystem::file_size(log), 0u);
    // It holds the latest mail: as private as the index, even where an
    // older version left it readable.
    std::filesystem::permissions(log, std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    SearchIndex index(IndexPath(), FStore.Path());
    EXPECT_EQ(std::filesystem::status(log).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(Found(index, "mispel"), Subjects{"nachzuegler"}) << "the next connection reads the log";
    EXPECT_EQ(index.MessageCount(), 3001u);
    EXPECT_EQ(Update(index).filesUnchanged, 1u);
}

TEST_F(SearchIndexTest, CancelledBuildKeepsTheFilesDoneAndGoesOnLater)
{
    std::vector<sw::StoreRecordDescription> many;
    for (int i = 0; i < 600; ++i)
        many.push_back(Plain(2002, 1 + i % 12, "Rundbrief " + std::to_string(i), "apfel"));
    WriteFolder("Vereine.dbx", many);
    SearchIndex index(IndexPath(), FStore.Path());
    StoreReader reader(std::make_shared<FolderStoreLocation>(FStore.Path()));
    bool stop = false;
    IndexCallbacks callbacks;
    callbacks.progress = [&](std::size_t done, std::size_t) { stop = stop || done > 0; };
    callbacks.cancelled = [&] { return stop; };
    const IndexUpdate cancelled = index.Update(reader, reader.ReadStoreFolders(), callbacks);
    EXPECT_EQ(cancelled.filesRead, 1u) << "Posteingang.dbx, before the first progress";
    EXPECT_EQ(index.MessageCount(), 2u) << "the file under way is not half in the index";
    const IndexUpdate resumed = Update(index);
    EXPECT_EQ(resumed.filesRead, 1u);
    EXPECT_EQ(resumed.filesUnchanged, 1u);
    EXPECT_EQ(index.Count("apfel"), 600u);
}

TEST_F(SearchIndexTest, EveryRecipientHeaderAndBothSubjects)
{
    WriteFolders({{"Post", "Post.dbx"}});
    const std::string source =
        "From: Taro <taro@example.jp>\r\nTo: Anna <anna@example.de>\r\nTo: Bernd <bernd@example.de>\r\n"
        "Cc: Carla <carla@example.de>\r\ncc: Dora <dora@example.de>\r\n"
        "Subject: =?utf-8?B?5p2x5Lqs44GL44KJ?=\r\nContent-Type: text/plain\r\n\r\nhallo\r\n";
    WriteFolder("Post.dbx", {Message(2005, 1, "Taro", "?????????", source), Plain(2005, 2, "Gleich", "x")});
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    for (const char* query : {"an:bernd", "an:carla", "an:dora", "betreff:東京"})
        EXPECT_EQ(Found(index, query), Subjects{"?????????"}) << query;
    const auto hits = index.Find("betreff:gleich");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].snippet, "Gleich") << "a subject the header repeats is there once";
}

TEST_F(SearchIndexTest, StemsAndCjkPairs)
{
    WriteFolders({{"Post", "Post.dbx"}});
    WriteFolder("Post.dbx", {Plain(2005, 1, "Rechnungen", "Anbei die Rechnungen der Häuser."),
                             Plain(2005, 2, "Grüße", "東京からこんにちは"), Plain(2005, 3, "Rechnung", "eine Rechnung")});
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const struct {
        const char* query;
        Subjects found;
    } cases[] = {
        {"rechnung", {"Rechnung", "Rechnungen"}},
        {"Rechnungen", {"Rechnung", "Rechnungen"}},
        {"\"rechnung\"", {"Rechnung"}},
        {"\"rechnungen\"", {"Rechnungen"}},
        {"haus", {"Rechnungen"}},
        {"haeuser", {"Rechnungen"}},
        {"\"die rechnungen\"", {"Rechnungen"}},
        {"rechnungen*", {"Rechnungen"}},
        {"東京", {"Grüße"}},
        {"京か", {"Grüße"}},
        {"こんにちは", {"Grüße"}},
        {"\"東京から\"", {"Grüße"}},
        {"大阪", {}},
        {"京東", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Found(index, c.query), c.found) << c.query;
    const auto hits = index.Find("東京");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].snippet, "東京からこんにちは");
}

// Messages are written in batches sorted by date; what is found, and its
// order (newest first, those of one second in the file's order), is that
// of messages written one by one in the file's order.
// `count` messages of 2005-01-01, about 2.6 a second, written out of
// date order; message i says "gemeinsam wort<i>", but for those `alone`
// picks, which say "einzeln wort<i>". Returns the subjects newest first.
Subjects WriteOutOfOrder(const std::function<void(const std::vector<sw::StoreRecordDescription>&)>& write, int count,
                         const std::function<bool(int)>& alone = [](int) { return false; })
{
    const std::uint64_t start = sw::FileTimeFromUtc(2005, 1, 1);
    std::vector<sw::StoreRecordDescription> messages;
    std::vector<std::pair<std::uint64_t, int>> newestFirst;  // second, place in the file
    for (int i = 0; i < count; ++i) {
        const std::uint64_t second = static_cast<std::uint64_t>(i) * 7919 % 1000;
        const std::string subject = "Nr " + std::to_string(i);
        messages.push_back(sw::MessageRecord(
            {.date = start + second * 10'000'000 + static_cast<std::uint64_t>(count - i), .sender = "Hof",
             .recipient = "Anna", .subject = subject,
             .source = "From: Hof <hof@example.de>\r\nSubject: " + subject + "\r\nContent-Type: text/plain\r\n\r\n" +
                       (alone(i) ? "einzeln" : "gemeinsam") + " wort" + std::to_string(i) + "\r\n"}));
        newestFirst.push_back({second, i});
    }
    std::sort(newestFirst.rbegin(), newestFirst.rend());
    write(messages);
    Subjects expected;
    for (const auto& [second, i] : newestFirst)
        expected.push_back("Nr " + std::to_string(i));
    return expected;
}

TEST_F(SearchIndexTest, ManyMessagesOutOfDateOrderKeepTheirOrder)
{
    constexpr int kMessages = 2600;  // more than two batches
    WriteFolders({{"Post", "Post.dbx"}});
    const Subjects expected =
        WriteOutOfOrder([&](const auto& messages) { WriteFolder("Post.dbx", messages); }, kMessages);
    SearchIndex index(IndexPath(), FStore.Path());
    EXPECT_EQ(Update(index).messagesIndexed, static_cast<std::size_t>(kMessages));
    Subjects found;
    for (const SearchHit& hit : index.Find("gemeinsam", kMessages))
        found.push_back(hit.info.Subject);
    EXPECT_EQ(found, expected);
    for (const int i : {0, 1023, 1024, 2047, 2048, kMessages - 1})
        EXPECT_EQ(Found(index, "wort" + std::to_string(i)), Subjects{"Nr " + std::to_string(i)});
}

// A negated query walks the messages beside the matches: the first few
// thousand from the table, the rest read at once. Its results, pages and
// counts are the same on both sides of that change.
TEST_F(SearchIndexTest, NegatedQueriesOverManyMessages)
{
    constexpr int kMessages = 4500;
    const auto alone = [](int i) { return i % 1000 == 7; };
    WriteFolders({{"Post", "Post.dbx"}});
    const Subjects newestFirst =
        WriteOutOfOrder([&](const auto& messages) { WriteFolder("Post.dbx", messages); }, kMessages, alone);
    SearchIndex index(IndexPath(), FStore.Path());
    Update(index);
    const auto without = [&](const std::string& subject) {
        Subjects kept;
        for (const std::string& s : newestFirst)
            if (s != subject)
                kept.push_back(s);
        return kept;
    };
    Subjects alones;
    for (const std::string& s : newestFirst)
        if (alone(std::stoi(s.substr(3))))
            alones.push_back(s);
    const auto found = [&](const std::string& query, std::size_t limit, std::size_t offset) {
        Subjects subjects;
        for (const SearchHit& hit : index.Find(query, limit, offset))
            subjects.push_back(hit.info.Subject);
        return subjects;
    };
    const auto slice = [](const Subjects& all, std::size_t from, std::size_t count) {
        return Subjects(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                        all.begin() + static_cast<std::ptrdiff_t>(std::min(from + count, all.size())));
    };
    const struct {
        std::string query;
        Subjects all;  // newest first
    } cases[] = {
        {"-gemeinsam", alones},
        {"-einzeln -gemeinsam", {}},
        {"-wort4007", without("Nr 4007")},
        {"-" + newestFirst[4095].substr(3).insert(0, "wort"), without(newestFirst[4095])},
        {"-" + newestFirst[4096].substr(3).insert(0, "wort"), without(newestFirst[4096])},
        {"-gibtesnicht", newestFirst},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(index.Count(c.query), c.all.size()) << c.query;
        EXPECT_EQ(found(c.query, kMessages, 0), c.all) << c.query;
        for (const std::size_t offset : {0u, 4000u, 4095u, 4096u, 4499u})
            EXPECT_EQ(found(c.query, 100, offset), slice(c.all, offset, 100)) << c.query << " from " << offset;
    }
    // Counts of found terms: the first 4,096 matches joined with the
    // messages, the rest compared with the message ids read at once.
    EXPECT_EQ(index.Count("gemeinsam"), newestFirst.size() - alones.size());
    EXPECT_EQ(index.Count("wort*"), newestFirst.size());
    EXPECT_EQ(index.Count("gemeinsam OR einzeln"), newestFirst.size());
    // A row of the full-text table whose message is gone is no message:
    // the oldest (joined) and the newest (compared) are taken out of
    // the message table alone.
    {
        SqliteDatabase database(IndexPath(), 1000);
        database.Execute("DELETE FROM messages WHERE id IN ((SELECT min(id) FROM messages), "
                         "(SELECT max(id) FROM messages))");
    }
    Subjects remaining(newestFirst.begin() + 1, newestFirst.end() - 1);
    EXPECT_EQ(index.Count("wort*"), remaining.size());
    EXPECT_EQ(index.Count("-gibtesnicht"), remaining.size());
    EXPECT_EQ(found("-gibtesnicht", kMessages, 0), remaining);
}

TEST_F(SearchIndexTest, IndexIsPrivateAndNeverThroughALink)
{
    const std::string folder = FCache.File("neu/vellumine");
    const std::string path = folder + "/index.sqlite";
    {
        SearchIndex index(path, FStore.Path());
        Update(index);
    }
    const auto mode = [](const std::string& p) {
        return std::filesystem::status(p).permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(mode(folder), std::filesystem::perms::owner_all);
    EXPECT_EQ(mode(FCache.File("neu")), std::filesystem::perms::owner_all);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        if (std::filesystem::exists(path + suffix)) {
            EXPECT_EQ(mode(path + suffix), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
                << suffix;
        }
    }
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    {
        SearchIndex index(path, FStore.Path());
        EXPECT_TRUE(Update(index).notice.empty());
    }
    EXPECT_EQ(mode(path), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
        << "an index an older version left readable";

    const std::string secret = FCache.File("geheim.txt");
    sw::WriteFileBytes(secret, "nicht anfassen");
    const std::string linked = FCache.File("link.sqlite");
    std::filesystem::create_symlink(secret, linked);
    const std::string folderAtPath = FCache.File("ordner.sqlite");
    std::filesystem::create_directory(folderAtPath);
    const std::string fifo = FCache.File("fifo.sqlite");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& unusable : {linked, folderAtPath, fifo}) {
        SearchIndex index(unusable, FStore.Path());
        const IndexUpdate update = Update(index);
        EXPECT_NE(update.notice.find(unusable), std::string::npos) << update.notice;
        EXPECT_TRUE(Update(index).notice.empty()) << "said once";
        EXPECT_EQ(Found(index, "köln"), Subjects{kGruesse});
    }
    EXPECT_EQ(testing::ReadWholeFile(secret), "nicht anfassen");
    EXPECT_TRUE(std::filesystem::is_symlink(linked));
    EXPECT_TRUE(std::filesystem::exists(FCache.File("link-1.sqlite")));
}

TEST_F(SearchIndexTest, TwoProcessesRebuildingADamagedIndexTakeTurns)
{
    {
        SearchIndex index(IndexPath(), FStore.Path());
        Update(index);
    }
    for (int round = 0; round < 4; ++round) {
        sw::WriteFileBytes(IndexPath(), std::string(8192, 'Z'));
        for (const char* suffix : {"-wal", "-shm"})
            std::filesystem::remove(IndexPath() + suffix);
        std::atomic<int> failures{0};
        std::vector<std::thread> runs;
        for (int i = 0; i < 2; ++i)
            runs.emplace_back([&] {
                try {
                    SearchIndex index(IndexPath(), FStore.Path());
                    Update(index);
                    if (index.MessageCount() != 3)
                        ++failures;
                } catch (const std::exception&) {
                    ++failures;
                }
            });
        for (std::thread& run : runs)
            run.join();
        EXPECT_EQ(failures, 0) << "round " << round;
    }
}

}  // namespace
}  // namespace vellumine
