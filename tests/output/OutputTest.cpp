#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <sys/stat.h>

#include "StoreDamage.h"
#include "StoreWriter.h"
#include "TempFolder.h"
#include "output/BatchLoop.h"
#include "store/StoreReader.h"
#include "output/ExportMessage.h"
#include "output/OutputFileName.h"
#include "output/SaveMessage.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(FileNames, SafeNamesAndBaseNames)
{
    EXPECT_EQ(MakeSafeFileName("Re: Treffen am 24.12. 24.12.2003 14:05:06"), "Re_ Treffen am 24_12_ 24_12_2003 14_05_06");
    EXPECT_EQ(MakeSafeFileName("a/b\\c?d*e\"f<g>h|i\x7F"), "a_b_c_d_e_f_g_h|i\x7F");
    EXPECT_EQ(MakeSafeFileName("Gr\xFC\xDF" "e\t"), "Gr__e_");
    EXPECT_EQ(MakeSafeFileName(""), "");
    const struct {
        const char* subject;
        const char* date;  // nullptr: without the date
        long number;
        const char* extension;
        const char* name;
    } cases[] = {
        {"Re: Treffen am 24.12.", "24.12.2003 14:05:06", -1, ".eml", "Re_ Treffen am 24_12_ 24_12_2003 14_05_06.eml"},
        {"S", nullptr, 1, ".eml", "S_1.eml"},
        // Never a blank or a dot at either end of subject and date.
        {"", "24.12.2003 14:05:06", -1, ".eml", "24_12_2003 14_05_06.eml"},
        {"", "24.12.2003 14:05:06", 0, ".htm", "24_12_2003 14_05_06_0.htm"},
        {"   ", "24.12.2003", -1, ".txt", "24_12_2003.txt"},
        {"   Leer vorn", nullptr, -1, ".eml", "Leer vorn.eml"},
        {"Hallo ", nullptr, 2, ".eml", "Hallo_2.eml"},
        {"Hallo ", "24.12.2003", -1, ".eml", "Hallo  24_12_2003.eml"},
        {"   ", nullptr, -1, ".eml", "Ohne Betreff.eml"},
        {"", nullptr, -1, ".eml", "Ohne Betreff.eml"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CandidateFileName(MakeBaseName(c.subject, c.date ? c.date : "", c.date != nullptr), c.number,
                                    c.extension),
                  c.name)
            << "\"" << c.subject << "\"";
    // Names composed elsewhere: an attachment's after its date, a mark.
    EXPECT_EQ(CandidateFileName({"2003-12-24 1305 bild ", ""}, -1, ".png"), "2003-12-24 1305 bild.png");
    EXPECT_EQ(CandidateFileName({". . bericht . ", ""}, -1, ""), "bericht");
    EXPECT_EQ(CandidateFileName({"bericht. .", ""}, 0, ".pdf"), "bericht_0.pdf");
    EXPECT_EQ(CandidateFileName({"_._.", ""}, -1, "._etc_passwd"), "_._.._etc_passwd");
    EXPECT_EQ(CandidateFileName({"", " 24_12_2003", kIncompleteMark}, -1, ".eml"), "24_12_2003 (unvollständig).eml");
}

TEST(FileNames, LongSubjectsAreCutKeepingTheDate)
{
    const BaseName base = MakeBaseName(std::string(300, 'x'), "24.12.2003 14:05:06", true);
    const std::string plain = CandidateFileName(base, -1, ".eml");
    const std::string numbered = CandidateFileName(base, 12, ".eml");
    EXPECT_EQ(plain.size(), kMaxFileNameBytes);
    EXPECT_EQ(numbered.size(), kMaxFileNameBytes);
    EXPECT_EQ(plain.substr(plain.size() - 24), " 24_12_2003 14_05_06.eml");
    EXPECT_EQ(numbered.substr(numbered.size() - 27), " 24_12_2003 14_05_06_12.eml");
}

TEST(SaveMessage, UniqueNamesAndBytes)
{
    testing::TempFolder folder;
    const std::string source = std::string("Subject: S\r\n\r\nText ohne Zeilenende \xE4", 37);
    const HeaderFields fields{"a", "b", "S", "24.12.2003"};
    for (int i = 0; i < 3; ++i)
        SaveMessageAsEml(folder.Path(), source, fields, false);
    EXPECT_EQ(FilesIn(folder.Path()), (std::set<std::string>{"S.eml", "S_0.eml", "S_1.eml"}));
    EXPECT_EQ(ReadFileBytes(folder.File("S_1.eml")), source);

    const HeaderFields empty{"a", "b", "", "24.12.2003"};
    // No subject and no date: a visible stand-in instead of the hidden ".eml".
    EXPECT_EQ(SaveMessageAsEml(folder.Path(), "x", empty, false).path, folder.File("Ohne Betreff.eml"));
    EXPECT_EQ(SaveMessageAsEml(folder.Path(), "x", empty, false).baseName, "Ohne Betreff_0");
    EXPECT_EQ(SaveMessageAsEml(folder.Path() + "/", "x", fields, true).baseName, "S 24_12_2003");
}

TEST(SaveMessage, ExistingFilesAndLinksAreNeverOverwritten)
{
    testing::TempFolder folder;
    storewriter::WriteFileBytes(folder.File("fremd"), "fremd");
    std::filesystem::create_symlink(folder.File("fremd"), folder.File("S.eml"));
    storewriter::WriteFileBytes(folder.File("S_0.eml"), "alt");
    ASSERT_EQ(::mkfifo(folder.File("S_1.eml").c_str(), 0600), 0);
    const auto saved = SaveMessageAsEml(folder.Path(), "neu", {"", "", "S", ""}, false);
    EXPECT_EQ(saved.path, folder.File("S_2.eml"));
    // The preview's own folder replaces files, but never waits on a FIFO.
    ASSERT_EQ(::mkfifo(folder.File("mail.htm").c_str(), 0600), 0);
    EXPECT_THROW(WriteFileReplacing(folder.File("mail.htm"), "x"), Error);
    EXPECT_FALSE(ReadFileBytes(folder.File("mail.htm")));
    EXPECT_EQ(ReadFileBytes(folder.File("fremd")), "fremd");
    EXPECT_EQ(ReadFileBytes(folder.File("S_0.eml")), "alt");
}

TEST(SaveMessage, RefusedNameGivesTheErrorText)
{
    testing::TempFolder folder;
    const std::string missing = folder.File("gibt/es/nicht");
    try {
        SaveMessageAsEml(missing, "x", {"", "", "S", ""}, false);
        FAIL();
    } catch (const FileNotCreated& e) {
        EXPECT_EQ(std::string(e.what()), "Die Datei \"" + missing + "/S\" konnte nicht erstellt werden!");
    }
}

const std::string kHtmlMessage =
    "Content-Type: multipart/related; boundary=r\r\n\r\n"
    "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:eins\"><img src=\"cid:zwei\">\r\n"
    "--r\r\nContent-Type: image/gif\r\nContent-ID: <eins>\r\n\r\nG1\r\n"
    "--r\r\nContent-Type: image/gif\r\nContent-ID: <zwei>\r\n\r\nG2\r\n--r--\r\n";
const std::string kUtf8Line = "<meta charset=\"utf-8\">\r\n";
const std::string kTextMessage = "Content-Type: text/plain\r\n\r\nZeile <b>1</b>\r\nZeile 2\r\n";

TEST(ExportMessage, KindsFollowTheFormatChoice)
{
    testing::TempFolder folder;
    const HeaderFields html{"a", "b", "Bilder", ""}, text{"a", "b", "Text", ""};
    ExportOptions mixed{ExportFormat::Mixed, false, false, {}};
    EXPECT_FALSE(ExportMessageFile(folder.Path(), kHtmlMessage, html, mixed).asText);
    EXPECT_TRUE(ExportMessageFile(folder.Path(), kTextMessage, text, mixed).asText);
    EXPECT_EQ(FilesIn(folder.Path()), (std::set<std::string>{"Bilder.htm", "Text.txt", "eins", "zwei"}));
    EXPECT_EQ(ReadFileBytes(folder.File("Bilder.htm")), kUtf8Line + "<img src=\"eins\"><img src=\"zwei\">\r\n");
    EXPECT_EQ(ReadFileBytes(folder.File("Text.txt")), "Zeile <b>1</b>\r\nZeile 2\r\n");

    testing::TempFolder textOnly;
    ExportMessageFile(textOnly.Path(), kHtmlMessage, html, {ExportFormat::AllText, false, false, {}});
    EXPECT_EQ(FilesIn(textOnly.Path()), (std::set<std::string>{"Bilder.txt"})) << "no images in a text export";
    EXPECT_EQ(ReadFileBytes(textOnly.File("Bilder.txt")), "");

    testing::TempFolder allHtml;
    ExportMessageFile(allHtml.Path(), kTextMessage, text, {ExportFormat::AllHtml, false, false, {}});
    EXPECT_EQ(ReadFileBytes(allHtml.File("Text.htm")), kUtf8Line + "Zeile &lt;b&gt;1&lt;/b&gt;<br>\r\nZeile 2<br>\r\n");
}

TEST(ExportMessage, DesignAndRepeatedExports)
{
    testing::TempFolder folder;
    const HeaderFields fields{"a", "b", "a:b", "d"};
    const ExportOptions withDesign{ExportFormat::AllHtml, false, true, {}};
    ExportMessageFile(folder.Path(), kHtmlMessage, fields, withDesign);
    ExportMessageFile(folder.Path(), kHtmlMessage, {"a", "b", "a?b", "d"}, withDesign);
    // The second message's images do not replace the first one's: they get
    // the next free names, and its page points at them.
    EXPECT_EQ(FilesIn(folder.Path()),
              (std::set<std::string>{"a_b.htm", "a_b_0.htm", "eins", "eins_0", "zwei", "zwei_0"}));
    const auto page = ReadFileBytes(folder.File("a_b.htm"));
    ASSERT_TRUE(page);
    EXPECT_EQ(page->rfind(kUtf8Line + "<table><tr><td><b>Von:</b></td><td>a</td></tr>", 0), 0u);
    EXPECT_NE(page->find("<img src=\"eins\"><img src=\"zwei\">"), std::string::npos);
    const auto second = ReadFileBytes(folder.File("a_b_0.htm"));
    ASSERT_TRUE(second);
    EXPECT_NE(second->find("<img src=\"eins_0\"><img src=\"zwei_0\">"), std::string::npos);
}

TEST(ExportMessage, InlinePartsNeverReplaceFiles)
{
    testing::TempFolder folder;
    storewriter::WriteFileBytes(folder.File(".bashrc"), "alias ls=ls");
    storewriter::WriteFileBytes(folder.File("bild.png"), "fremd");
    std::filesystem::create_directory(folder.File("ordner.gif"));
    const std::string message =
        "Content-Type: multipart/related; boundary=r\r\n\r\n"
        "--r\r\nContent-Type: text/html\r\n\r\n<img src=\"cid:.bashrc\"><img src=\"cid:bild.png\">"
        "<img src=\"cid:ordner.gif\">\r\n"
        "--r\r\nContent-Type: image/gif\r\nContent-ID: <.bashrc>\r\n\r\nG1\r\n"
        "--r\r\nContent-Type: image/png\r\nContent-ID: <bild.png>\r\n\r\nG2\r\n"
        "--r\r\nContent-Type: image/gif\r\nContent-ID: <ordner.gif>\r\n\r\nG3\r\n--r--\r\n";
    const auto exported = ExportMessageFile(folder.Path(), message, {"a", "b", "S", ""}, {});
    EXPECT_EQ(ReadFileBytes(folder.File(".bashrc")), "alias ls=ls");
    EXPECT_EQ(ReadFileBytes(folder.File("bild.png")), "fremd");
    EXPECT_EQ(ReadFileBytes(folder.File("bild_0.png")), "G2");
    EXPECT_EQ(ReadFileBytes(folder.File("ordner_0.gif")), "G3");
    for (const auto& name : FilesIn(folder.Path()))
        EXPECT_TRUE(name == ".bashrc" || name[0] != '.') << name;
    const auto page = ReadFileBytes(exported.file.path);
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("src=\"bild_0.png\""), std::string::npos);
    EXPECT_NE(page->find("src=\"ordner_0.gif\""), std::string::npos);
    EXPECT_EQ(page->find("src=\".bashrc\""), std::string::npos);

    ExportMessagePage(folder.Path(), {"mail", ""}, message, {"a", "b", "S", ""}, false, {});
    ExportMessagePage(folder.Path(), {"mail", ""}, message, {"a", "b", "S", ""}, false, {});
    EXPECT_TRUE(std::filesystem::exists(folder.File("mail.htm")));
    EXPECT_TRUE(std::filesystem::exists(folder.File("mail_0.htm"))) << "a second page does not replace the first";
}

TEST(UniqueFileNamer, RemembersTheNextNumberAcrossARun)
{
    // 4,000 messages with one subject: each name is tried about once, so
    // the run takes about as long as 4,000 messages with distinct subjects.
    // The two runs go by turns, 100 names at a time, so that a busy machine
    // slows both alike; trying every taken number again made the one
    // subject about 2,000 times slower.
    const auto timed = [](auto&& run) {
        const auto started = std::chrono::steady_clock::now();
        run();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    testing::TempFolder distinctFolder;
    testing::TempFolder folder;
    UniqueFileNamer distinctNames;
    UniqueFileNamer names;
    double distinct = 0;
    double seconds = 0;
    for (int from = 0; from < 4000; from += 100) {
        distinct += timed([&] {
            for (int i = from; i < from + 100; ++i)
                distinctNames.Create(distinctFolder.Path(), {"Betreff " + std::to_string(i), ""}, ".eml", "x");
        });
        seconds += timed([&] {
            for (int i = from; i < from + 100; ++i)
                names.Create(folder.Path(), {"Gleich", ""}, ".eml", "x");
        });
    }
    EXPECT_TRUE(std::filesystem::exists(folder.File("Gleich_3998.eml")));
    EXPECT_LT(seconds, 20 * distinct + 0.5) << "quadratic naming took 19 s here";
    // A name taken behind the namer's back is still never overwritten.
    storewriter::WriteFileBytes(folder.File("Gleich_3999.eml"), "fremd");
    EXPECT_EQ(names.Create(folder.Path(), {"Gleich", ""}, ".eml", "y").path, folder.File("Gleich_4000.eml"));
    EXPECT_EQ(ReadFileBytes(folder.File("Gleich_3999.eml")), "fremd");
}

TEST(ExportMessage, UnwritableFolderEndsTheRunWithTheGermanError)
{
    testing::TempFolder folder;
    const std::string missing = folder.File("fehlt");
    EXPECT_THROW(ExportMessageFile(missing, kHtmlMessage, {"a", "b", "s", ""}, {}), Error);
    try {
        ExportMessageFile(missing, kTextMessage, {"a", "b", "s", ""}, {ExportFormat::AllText, false, false, {}});
        FAIL();
    } catch (const FileNotCreated& e) {
        EXPECT_EQ(std::string(e.what()), "Die Datei \"" + missing + "/s\" konnte nicht erstellt werden!");
    }
}

}  // namespace
}  // namespace vellumine

namespace vellumine {
namespace {

TEST(SaveMessage, AnIncompleteMessageSaysSoAtTheEndOfItsName)
{
    testing::TempFolder folder;
    HeaderFields fields{"a", "b", "S", "24.12.2003"};
    fields.incomplete = true;
    SaveMessageAsEml(folder.Path(), "x", fields, true);
    SaveMessageAsEml(folder.Path(), "x", fields, true);
    EXPECT_EQ(FilesIn(folder.Path()), (std::set<std::string>{"S 24_12_2003 (unvollständig).eml",
                                                             "S 24_12_2003_0 (unvollständig).eml"}));
    // Cut to the longest name with the mark kept.
    BaseName base = MakeBaseName(std::string(300, 'x'), "", false);
    base.markPart = kIncompleteMark;
    const std::string name = CandidateFileName(base, 3, ".eml");
    EXPECT_EQ(name.size(), kMaxFileNameBytes);
    EXPECT_EQ(name.substr(name.size() - 23), "_3 (unvollständig).eml");
}

// A folder file of messages whose subjects are "0", "1", ...
storewriter::StoreImage NumberedFolder(int count)
{
    std::vector<storewriter::StoreRecordDescription> records;
    for (int i = 0; i < count; ++i)
        records.push_back(storewriter::MessageRecord({.subject = std::to_string(i),
                                                      .source = "Subject: " + std::to_string(i) + "\r\n\r\nx"}));
    return storewriter::BuildStoreFile(records);
}

// A folder file replaced or cut during a run: the run stops before the next
// message and names the file; nothing more is read from it.
TEST(BatchLoop, AFolderFileChangedDuringTheRunIsNotReadFurther)
{
    testing::TempFolder folder;
    const auto image = NumberedFolder(4);
    storewriter::WriteFileBytes(folder.File("m.dbx"), image.bytes);
    StoreReader reader(std::make_shared<FolderStoreLocation>(folder.Path()));
    StoreRecords list;
    reader.ReadStoreIndex("m.dbx", &list);
    ASSERT_EQ(list.Messages.size(), 4u);
    std::size_t handled = 0;
    BatchCallbacks callbacks;
    callbacks.handle = [&](const std::string&, const Toe5_MessageInfo&) {
        if (++handled == 2)  // replaced by a shorter file under the same name
            storewriter::WriteFileBytes(folder.File("m.dbx"), image.bytes.substr(0, image.bytes.size() / 2));
    };
    const BatchOutcome outcome = RunMessageBatch(reader, "m.dbx", list.Messages, callbacks);
    EXPECT_EQ(outcome.handled, 2u);
    EXPECT_EQ(outcome.changedFile, "m.dbx");
    EXPECT_NE(ChangedFileSentence("m.dbx").find("m.dbx"), std::string::npos);
}

TEST(BatchLoop, AMessageThatDoesNotReadWholeFailsAloneWithoutAFile)
{
    testing::TempFolder folder;
    auto image = NumberedFolder(3);
    storewriter::SetBlockNext(image, 1, 0, static_cast<std::uint32_t>(image.bytes.size() + 100));
    storewriter::WriteFileBytes(folder.File("m.dbx"), image.bytes);
    StoreReader reader(std::make_shared<FolderStoreLocation>(folder.Path()));
    StoreRecords list;
    reader.ReadStoreIndex("m.dbx", &list);
    const std::string out = folder.File("out");
    CreateFolders(out);
    BatchCallbacks callbacks;
    callbacks.handle = [&](const std::string& source, const Toe5_MessageInfo& info) {
        SaveMessageAsEml(out, source, HeaderFieldsOf(info), false);
    };
    std::vector<std::string> errors;
    callbacks.failed = [&](const Toe5_MessageInfo&, const std::string& error) { errors.push_back(error); };
    const BatchOutcome outcome = RunMessageBatch(reader, "m.dbx", list.Messages, callbacks);
    EXPECT_EQ(outcome.handled, 2u);
    EXPECT_EQ(outcome.failed, 1u);
    EXPECT_EQ(FilesIn(out), (std::set<std::string>{"0.eml", "2.eml"}));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("nicht vollständig lesbar"), std::string::npos);
}

}  // namespace
}  // namespace vellumine
