// Exports that carry the messages' attachments: a folder named after each
// page, the page's list linking into it, nothing existing touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "TempFolder.h"
#include "output/AttachmentFolder.h"
#include "output/ExportMessage.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;

const std::string kPdfBytes = "%PDF-1.4\n";          // base64 JVBERi0xLjQK
const std::string kBinBytes = std::string("\0\1\2", 3);  // base64 AAEC

std::string Part(const std::string& type, const std::string& disposition, const std::string& base64)
{
    return "Content-Type: " + type + "\r\nContent-Disposition: " + disposition +
           "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64 + "\r\n";
}

std::string Mixed(const std::string& boundary, const std::vector<std::string>& parts)
{
    std::string body;
    for (const std::string& part : parts)
        body += "--" + boundary + "\r\n" + part;
    return body + "--" + boundary + "--\r\n";
}

std::string MessageWith(const std::vector<std::string>& attachments, const std::string& subject = "S")
{
    std::vector<std::string> parts{"Content-Type: text/plain; charset=utf-8\r\n\r\nHallo\r\n"};
    parts.insert(parts.end(), attachments.begin(), attachments.end());
    return "Subject: " + subject + "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n" +
           Mixed("b", parts);
}

const std::string kInvoice =
    Part("application/pdf", "attachment; filename*=utf-8''Rechnung%20M%C3%A4rz.pdf", "JVBERi0xLjQK");
const std::string kData = Part("application/octet-stream", "attachment; filename=\"daten.bin\"", "AAEC");

std::string AttachedMessage(const std::string& inner)
{
    return "Content-Type: message/rfc822\r\n\r\nSubject: Innen\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"c\"\r\n\r\n" +
           Mixed("c", {"Content-Type: text/plain\r\n\r\ninnen\r\n", inner});
}

std::set<std::string> EntriesIn(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

std::string PercentDecoded(const std::string& href)
{
    std::string path;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size()) {
            path += static_cast<char>(std::stoi(href.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += href[i];
        }
    }
    return path;
}

// The bytes of every file the page links to, by the link's relative path.
std::map<std::string, std::string> LinkedFiles(const std::string& pagePath)
{
    const std::string page = testing::ReadWholeFile(pagePath);
    const std::string folder = fs::path(pagePath).parent_path().string();
    std::map<std::string, std::string> files;
    static const std::regex link("href=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), link); it != std::sregex_iterator(); ++it) {
        const std::string relative = PercentDecoded((*it)[1]);
        const auto bytes = ReadFileBytes(folder + "/" + relative);
        files[relative] = bytes ? *bytes : "<fehlt>";
    }
    return files;
}

ExportOptions WithAttachments(ExportFormat format = ExportFormat::AllHtml)
{
    ExportOptions options;
    options.format = format;
    options.withDate = false;
    options.withDesign = false;
    options.withAttachments = true;
    return options;
}

const HeaderFields kFields{"a", "b", "S", "24.12.2003"};

TEST(ExportAttachments, PagesLinkToTheirFilesByteForByte)
{
    struct Case {
        const char* what;
        std::string source;
        std::map<std::string, std::string> linked;  // relative path -> bytes
    };
    const std::vector<Case> cases = {
        {"two attachments", MessageWith({kInvoice, kData}),
         {{"S Anlagen/Rechnung März.pdf", kPdfBytes}, {"S Anlagen/daten.bin", kBinBytes}}},
        {"the same name twice", MessageWith({kData, Part("application/octet-stream", "attachment; filename=daten.bin", "AAECAw==")}),
         {{"S Anlagen/daten.bin", kBinBytes}, {"S Anlagen/daten_0.bin", std::string("\0\1\2\3", 4)}}},
        {"inside an attached message", MessageWith({kInvoice, AttachedMessage(kData)}),
         {{"S Anlagen/Rechnung März.pdf", kPdfBytes}, {"S Anlagen/daten.bin", kBinBytes}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempFolder folder;
        const ExportedFile page = ExportMessageFile(folder.Path(), c.source, kFields, WithAttachments());
        EXPECT_EQ(page.file.path, folder.File("S.htm"));
        EXPECT_EQ(LinkedFiles(page.file.path), c.linked);
        EXPECT_EQ(EntriesIn(folder.File("S Anlagen")).size(), c.linked.size());
    }
}

TEST(ExportAttachments, EachPageOfOneSubjectHasItsOwnFolder)
{
    testing::TempFolder folder;
    UniqueFileNamer names;
    for (int i = 0; i < 3; ++i)
        ExportMessageFile(folder.Path(), MessageWith({kData}), kFields, WithAttachments(), &names);
    EXPECT_EQ(EntriesIn(folder.Path()),
              (std::set<std::string>{"S.htm", "S Anlagen", "S_0.htm", "S_0 Anlagen", "S_1.htm", "S_1 Anlagen"}));
    EXPECT_EQ(LinkedFiles(folder.File("S_1.htm")),
              (std::map<std::string, std::string>{{"S_1 Anlagen/daten.bin", kBinBytes}}));
}

TEST(ExportAttachments, TakenNamesStayAsTheyAre)
{
    testing::TempFolder folder;
    // A folder of the page's name from an earlier run (its page deleted),
    // and a page whose folder is gone: both stay untouched.
    fs::create_directory(folder.File("S Anlagen"));
    WriteNewFile(folder.File("S Anlagen/daten.bin"), "alt");
    WriteNewFile(folder.File("S_0.htm"), "alte Seite");
    const ExportedFile page = ExportMessageFile(folder.Path(), MessageWith({kData}), kFields, WithAttachments());
    EXPECT_EQ(page.file.path, folder.File("S_1.htm"));
    EXPECT_EQ(EntriesIn(folder.Path()), (std::set<std::string>{"S Anlagen", "S_0.htm", "S_1.htm", "S_1 Anlagen"}));
    EXPECT_EQ(ReadFileBytes(folder.File("S Anlagen/daten.bin")), "alt");
    EXPECT_EQ(ReadFileBytes(folder.File("S_0.htm")), "alte Seite");
}

TEST(ExportAttachments, TextFilesEndWithTheSavedNamesAndTheFolder)
{
    testing::TempFolder folder;
    const std::string source =
        MessageWith({kData, Part("application/octet-stream", "attachment; filename=daten.bin", "AAEC")});
    const ExportedFile text = ExportMessageFile(folder.Path(), source, kFields, WithAttachments(ExportFormat::AllText));
    EXPECT_TRUE(text.asText);
    EXPECT_EQ(text.file.path, folder.File("S.txt"));
    const std::string written = testing::ReadWholeFile(text.file.path);
    const std::string ending = "Anlagen:\r\n  daten.bin (application/octet-stream, 3 Bytes)\r\n"
                               "  daten_0.bin (application/octet-stream, 3 Bytes)\r\n"
                               "Die Dateien liegen im Ordner \"S Anlagen\".\r\n";
    ASSERT_GE(written.size(), ending.size());
    EXPECT_EQ(written.substr(written.size() - ending.size()), ending);
    EXPECT_EQ(ReadFileBytes(folder.File("S Anlagen/daten_0.bin")), kBinBytes);
}

TEST(ExportAttachments, NoFolderWithoutAttachmentsOrWithoutTheOption)
{
    struct Case {
        const char* what;
        std::string source;
        bool option;
        std::set<std::string> files;
    };
    const std::string plain = "Subject: S\r\n\r\nnur Text\r\n";
    const std::vector<Case> cases = {
        {"no attachments, html", plain, true, {"S.htm"}},
        {"no attachments, text", plain, true, {"S.txt"}},
        {"option off", MessageWith({kData}), false, {"S.htm"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempFolder folder;
        ExportOptions options = WithAttachments(c.files.count("S.txt") ? ExportFormat::AllText : ExportFormat::AllHtml);
        options.withAttachments = c.option;
        const ExportedFile file = ExportMessageFile(folder.Path(), c.source, kFields, options);
        EXPECT_EQ(EntriesIn(folder.Path()), c.files);
        // A list without files beside it never links.
        EXPECT_EQ(testing::ReadWholeFile(file.file.path).find("href="), std::string::npos);
    }
}

TEST(ExportAttachments, LongSubjectsLeaveRoomForTheFolderName)
{
    testing::TempFolder folder;
    const HeaderFields fields{"a", "b", std::string(300, 'x'), "24.12.2003"};
    UniqueFileNamer names;
    for (int i = 0; i < 2; ++i) {
        const ExportedFile page = ExportMessageFile(folder.Path(), MessageWith({kData}), fields, WithAttachments(), &names);
        const std::string folderName = fs::path(page.file.path).stem().string() + kAttachmentFolderSuffix;
        EXPECT_LE(folderName.size(), kMaxFileNameBytes);
        EXPECT_EQ(LinkedFiles(page.file.path),
                  (std::map<std::string, std::string>{{folderName + "/daten.bin", kBinBytes}}));
    }
}

TEST(ExportAttachments, AFailureLeavesNoPageAndSaysWhereTheFilesLie)
{
    testing::TempFolder folder;
    UniqueFileNamer names;
    const PageWithFolder empty = ReservePageWithFolder(folder.Path(), BaseName{"S", {}}, ".htm", names);
    EXPECT_THROW(AbandonPageWithFolder(empty, "kaputt"), FileNotCreated);
    EXPECT_TRUE(EntriesIn(folder.Path()).empty());

    const PageWithFolder partly = ReservePageWithFolder(folder.Path(), BaseName{"S", {}}, ".htm", names);
    EXPECT_EQ(partly.folderName, "S_0 Anlagen");
    WriteNewFile(partly.folderPath + "/a.bin", "a");
    try {
        AbandonPageWithFolder(partly, "Die Datei \"b.bin\" konnte nicht erstellt werden!");
        ADD_FAILURE() << "no error";
    } catch (const FileNotCreated& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.find("Die Datei \"b.bin\""), 0u) << text;
        EXPECT_NE(text.find(partly.folderPath), std::string::npos) << text;
    }
    EXPECT_EQ(EntriesIn(folder.Path()), (std::set<std::string>{"S_0 Anlagen"}));
}

TEST(ExportAttachments, AnAttachmentThatCannotBeWrittenFailsTheMessageWithoutAPage)
{
    // A target so deep that the page and the folder fit the longest path
    // the system takes, but a long attachment name does not.
    testing::TempFolder top;
    std::string deep = top.Path();
    constexpr std::size_t kDepth = 3950;  // the page's path fits PATH_MAX (4096), folder + 244 bytes do not
    while (deep.size() + 201 < kDepth)
        deep += "/" + std::string(200, 'd');
    deep += "/" + std::string(kDepth - deep.size() - 1, 'e');
    fs::create_directories(deep);
    const std::string longName = std::string(240, 'n') + ".bin";
    const std::string tooLong = Part("application/octet-stream", "attachment; filename=" + longName, "AAEC");
    struct Case {
        const char* what;
        std::vector<std::string> attachments;
        std::set<std::string> left;  // in the target afterwards
    };
    const std::vector<Case> cases = {
        {"the first one fails: nothing stays", {tooLong, kData}, {}},
        {"a later one fails: the folder stays and is named", {kData, tooLong}, {"S Anlagen"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(deep))
            fs::remove_all(entry.path());
        try {
            ExportMessageFile(deep, MessageWith(c.attachments), kFields, WithAttachments());
            ADD_FAILURE() << "no error";
        } catch (const FileNotCreated& e) {
            const std::string text = e.what();
            EXPECT_NE(text.find("konnte nicht erstellt werden"), std::string::npos) << text;
            EXPECT_EQ(text.find(deep + "/S Anlagen\"") != std::string::npos, !c.left.empty()) << text;
        }
        EXPECT_EQ(EntriesIn(deep), c.left);
    }
}

}  // namespace
}  // namespace vellumine
