// Attachments written as files: safe names with their characters kept,
// the bytes as decoded, and never over an existing file.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"
#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

TEST(AttachmentFileNames, SafeInAnyFolderWithTheirCharacters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Rechnung März.pdf", "Rechnung März.pdf"},
        {"..", "Anlage"},
        {"../../etc/passwd", "_._.._etc_passwd"},
        {".bashrc", "_bashrc"},
        {"a:b*c?d\"e<f>g|h.txt", "a_b_c_d_e_f_g_h.txt"},
        {"bericht. . ", "bericht"},
        {"C:\\Windows\\win.ini", "C__Windows_win.ini"},
        {"zeile\r\nzwei\t.txt", "zeile__zwei_.txt"},
        {"", "Anlage"},
        {"   ", "Anlage"},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(SafeAttachmentFileName(name), safe) << name;
}

TEST(AttachmentFileNames, LongNamesAreCutBeforeACharacterAndKeepTheirExtension)
{
    std::string name;
    for (int i = 0; i < 150; ++i)
        name += "ä";  // two bytes each: 300 bytes
    const std::string safe = SafeAttachmentFileName(name + ".pdf");
    EXPECT_LE(safe.size(), kMaxFileNameBytes);
    EXPECT_EQ(safe.substr(safe.size() - 4), ".pdf");
    EXPECT_EQ(safe.substr(0, safe.size() - 4).size() % 2, 0u) << "a character was split";

    const std::string third = CandidateFileName(SplitFileName(safe).first, 0, ".pdf");
    EXPECT_LE(third.size(), kMaxFileNameBytes);
    EXPECT_EQ((third.size() - 6) % 2, 0u) << "the numbered name split a character";
}

std::vector<TAttachment> Attachments(TMailMessage& message, const std::string& source)
{
    message.ParseString(source);
    return ListAttachments(message);
}

const std::string kTwoOfOneName =
    "Content-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
    "--m\r\nContent-Type: text/plain\r\n\r\nText\r\n"
    "--m\r\nContent-Type: image/png; name=\"bild.png\"\r\nContent-Transfer-Encoding: base64\r\n\r\niVBORw0KGgo=\r\n"
    "--m\r\nContent-Type: image/png; name=\"bild.png\"\r\nContent-Transfer-Encoding: base64\r\n\r\nAAECAw==\r\n"
    "--m\r\nContent-Type: application/pdf; name=\".hidden\"\r\n\r\n%PDF\r\n"
    "--m--\r\n";

TEST(AttachmentFiles, EachUnderAFreeNameWithItsDecodedBytes)
{
    testing::TempFolder folder;
    WriteFileReplacing(folder.File("bild.png"), "schon da");
    TMailMessage message;
    const auto attachments = Attachments(message, kTwoOfOneName);
    UniqueFileNamer names;
    const auto files = WriteAttachmentFiles(attachments, folder.Path(), names);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].path, folder.File("bild_0.png"));
    EXPECT_EQ(files[1].path, folder.File("bild_1.png"));
    EXPECT_EQ(files[2].path, folder.File("_hidden"));
    EXPECT_EQ(*ReadFileBytes(folder.File("bild.png")), "schon da");
    EXPECT_EQ(*ReadFileBytes(files[0].path), std::string("\x89PNG\r\n\x1A\n", 8));
    EXPECT_EQ(*ReadFileBytes(files[1].path), std::string("\0\1\2\3", 4));
}

TEST(AttachmentFiles, AChosenPathIsNeverReplaced)
{
    testing::TempFolder folder;
    TMailMessage message;
    const auto attachments = Attachments(message, kTwoOfOneName);
    WriteAttachmentTo(attachments[1], folder.File("neu.bin"));
    EXPECT_EQ(*ReadFileBytes(folder.File("neu.bin")), std::string("\0\1\2\3", 4));
    try {
        WriteAttachmentTo(attachments[0], folder.File("neu.bin"));
        FAIL() << "an existing file was replaced";
    } catch (const FileNotCreated& error) {
        EXPECT_NE(std::string(error.what()).find("gibt es schon"), std::string::npos);
    }
    EXPECT_EQ(*ReadFileBytes(folder.File("neu.bin")), std::string("\0\1\2\3", 4));
    EXPECT_THROW(WriteAttachmentTo(attachments[0], folder.File("fehlt/neu.bin")), FileNotCreated);
}

TEST(AttachmentFiles, UuencodedFilesAreWrittenDecoded)
{
    testing::TempFolder folder;
    TMailMessage message;
    const auto attachments = Attachments(message, "Subject: uu\r\n\r\nVorher\r\nbegin 644 kuchen.txt\r\n#86)C\r\n`\r\nend\r\n");
    ASSERT_EQ(attachments.size(), 1u);
    UniqueFileNamer names;
    EXPECT_EQ(*ReadFileBytes(WriteAttachmentFile(attachments[0], folder.Path(), names).path), "abc");
}

}  // namespace
}  // namespace vellumine
