#include <gtest/gtest.h>

#include "MessageBuilder.h"
#include "mime/Base64.h"
#include "mime/MailMessage.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "platform/FileText.h"

#include <unistd.h>

namespace vellumine {
namespace {

using testing::Crlf;

TEST(MailPart, HeaderBlockIsUnfoldedAndNormalized)
{
    TMailMessage m;
    m.ParseString(Crlf("subject:   Hello    World\n"
                       "content-type: text/html;\n"
                       "\tcharset=\"iso-8859-1\"\n"
                       "X-Empty:\n"
                       "\n"
                       "<p>x</p>\n"));
    EXPECT_EQ(m.Headers().Lines(), (std::vector<std::string>{"Subject: Hello World",
                                                            "Content-Type: text/html; charset=\"iso-8859-1\"",
                                                            "X-Empty: "}));
    EXPECT_EQ(m.GetHeader("content-type"), "text/html");
    EXPECT_EQ(m.GetHeaderParam("Content-Type", "CHARSET"), "iso-8859-1");
    EXPECT_EQ(m.GetHeader("Content-ID"), "");
    EXPECT_FALSE(m.HasHeader("Content-ID"));
    EXPECT_EQ(m.Body(), "<p>x</p>\r\n");
}

TEST(MailPart, SetHeaderAddsReplacesAndDeletes)
{
    TMailMessage m;
    m.SetHeader("Content-Type", "text/plain");
    m.SetHeaderParam("Content-Type", "charset", "\"x\"");
    EXPECT_EQ(m.Headers()[0], "Content-Type: text/plain; charset=\"x\"");
    m.SetHeader("content-type", "text/html");
    EXPECT_EQ(m.Headers()[0], "Content-Type: text/html; charset=\"x\"");
    m.SetHeader("CONTENT-TYPE", "");
    EXPECT_TRUE(m.Headers().Empty());
    EXPECT_EQ(m.GetHeader("X"), "");
}

TEST(MailPart, QuotesAroundValuesAreDropped)
{
    TMailMessage m;
    m.ParseString(Crlf("Content-ID: '<a@b>'\nX-Short: \"\"\n\n"));
    EXPECT_EQ(m.GetHeader("Content-ID"), "<a@b>");
    EXPECT_EQ(m.GetHeader("X-Short"), "");
}

TEST(MailPart, PlainMessageKeepsEverythingAfterTheHeaderInItsBody)
{
    TMailMessage m;
    const std::string body = Crlf("Hallo,\n--not a boundary\nbegin without six\n");
    m.ParseString(Crlf("Subject: x\n\n") + body);
    EXPECT_EQ(m.Body(), body);
    EXPECT_TRUE(m.SubParts().empty());
}

TEST(MailPart, MissingBlankLineLeavesEverythingInTheHeaders)
{
    TMailMessage m;
    m.ParseString(Crlf("Subject: x\nFrom: y"));
    EXPECT_EQ(m.Headers().Count(), 2u);
    EXPECT_EQ(m.Body(), "");
}

TEST(MailPart, MultipartChildrenEndBeforeTheCrLfOfTheNextDelimiter)
{
    TMailMessage m;
    m.ParseString(Crlf("Content-Type: multipart/alternative; boundary=\"b1\"\n\n"
                       "preamble\n"
                       "--b1\n"
                       "Content-Type: text/plain\n\nplain\n"
                       "--b1\n"
                       "Content-Type: text/html\n\n<b>html</b>\n\n"
                       "--b1--\n"
                       "epilogue\n"));
    EXPECT_EQ(m.Body(), "preamble\r\n");
    ASSERT_EQ(m.SubParts().size(), 2u);
    EXPECT_EQ(m.SubParts()[0]->Body(), "plain");
    EXPECT_EQ(m.SubParts()[1]->Body(), "<b>html</b>\r\n");
    EXPECT_EQ(m.SubParts()[1]->ParentBoundary(), "b1");
    EXPECT_EQ(m.SubParts()[1]->ParentPart(), &m);
    EXPECT_EQ(m.SubParts()[1]->OwnerMessage(), &m);
}

TEST(MailPart, DelimiterOddities)
{
    TMailMessage m;
    // Two delimiters in a row make no child; one empty line makes an empty
    // child; text after the last delimiter without a closing one is the
    // last child, to the end of the text.
    m.ParseString(Crlf("Content-Type: multipart/mixed; boundary=b\n\n"
                       "--b\n--b\n\n--b\nContent-Type: text/plain\n\nkept\n"));
    ASSERT_EQ(m.SubParts().size(), 2u);
    EXPECT_TRUE(m.SubParts()[0]->Headers().Empty());
    EXPECT_EQ(m.SubParts()[0]->Body(), "");
    EXPECT_EQ(m.SubParts()[1]->Body(), "kept\r\n");

    TMailMessage noDelimiter;
    const std::string body = Crlf("no delimiter here\n");
    noDelimiter.ParseString(Crlf("Content-Type: multipart/mixed; boundary=zz\n\n") + body);
    EXPECT_EQ(noDelimiter.Body(), body);
    EXPECT_TRUE(noDelimiter.SubParts().empty());
}

TEST(MailPart, OnlyDelimitersAtALineStartSplitWhateverTheLineBreaks)
{
    TMailMessage m;
    m.ParseString("Content-Type: multipart/mixed; boundary=b\n\n--b\n\nx --b inside\n-b\n--bb--\r\r\n"
                  "--b\n\nzwei\n\n--b--\n");
    ASSERT_EQ(m.SubParts().size(), 2u);
    EXPECT_EQ(m.SubParts()[0]->Body(), "x --b inside\n-b") << "\"--bb--\" begins with the delimiter";
    EXPECT_EQ(m.SubParts()[1]->Body(), "zwei\n");
}

TEST(MailPart, NestedMultipartIsSplitByItsOwnBoundary)
{
    TMailMessage m;
    m.ParseString(Crlf("Content-Type: multipart/mixed; boundary=outer\n\n"
                       "--outer\n"
                       "Content-Type: multipart/related; boundary=inner\n\n"
                       "--inner\nContent-Type: text/html\n\n<img src=cid:a>\n"
                       "--inner\nContent-Type: image/gif\nContent-ID: <a>\n\nGIF\n"
                       "--inner--\n"
                       "--outer--\n"));
    ASSERT_EQ(m.SubParts().size(), 1u);
    const auto& related = *m.SubParts()[0];
    EXPECT_EQ(related.LowerContentType(), "multipart/related");
    ASSERT_EQ(related.SubParts().size(), 2u);
    EXPECT_EQ(related.SubParts()[1]->GetHeader("Content-ID"), "<a>");
}

TEST(MailPart, BoundariesOfAnyLength)
{
    const std::string boundary(2000, 'q');
    TMailMessage m;
    m.ParseString(Crlf("Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n--" + boundary +
                       "\nContent-Type: text/plain\n\nx\n--" + boundary + "--\n"));
    ASSERT_EQ(m.SubParts().size(), 1u);
    EXPECT_EQ(m.SubParts()[0]->Body(), "x");
}

TEST(MailPart, NestingEndsAtTheDepthLimitWithTheTextKept)
{
    std::string source;
    const int depth = 10000;
    for (int i = 0; i < depth; ++i)
        source += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "x\r\n\r\n--b" +
                  std::to_string(i) + "x\r\n";
    source += "Content-Type: text/plain\r\n\r\ndeep text";
    for (int i = depth - 1; i >= 0; --i)
        source += "\r\n--b" + std::to_string(i) + "x--";
    TMailMessage m;
    m.ParseString(source);
    const TMailPart* part = &m;
    int levels = 0;
    while (!part->SubParts().empty()) {
        part = part->SubParts()[0].get();
        ++levels;
    }
    EXPECT_EQ(levels, TMailPart::kMaxNestingDepth);
    EXPECT_NE(part->Body().find("deep text"), std::string::npos);
}

TEST(MailPart, UUEncodedBlocksBecomeParts)
{
    TMailMessage m;
    m.ParseString(Crlf("Subject: Bild\n\n"
                       "Hier ist die Datei:\n"
                       "begin 644 katze.txt\n#0V%T\n`\nend\n"
                       "Text dazwischen bleibt.\n"
                       "begin 600 ../../etc/zweite.gif\n#0V%T\n`\nend\n"
                       "begin 644 offen.txt\nText danach auch.\n"));
    EXPECT_EQ(m.Body(), "Hier ist die Datei:\r\n");
    EXPECT_EQ(m.LowerContentType(), "multipart/mixed");
    const std::string boundary = m.BoundaryParam();
    ASSERT_EQ(boundary.size(), 16u);
    EXPECT_EQ(boundary.substr(0, 8), "boundary");
    ASSERT_EQ(m.SubParts().size(), 3u);

    auto& text = *m.SubParts()[0];
    EXPECT_EQ(text.Headers()[0], "Content-Type: text/plain; charset=\"iso-8859-1\"");
    EXPECT_EQ(text.GetHeader("Content-Transfer-Encoding"), "quoted-printable");
    text.DecodeBody();
    // The text around the blocks, in order; a block without "end" is text.
    EXPECT_EQ(text.DecodedData(),
              "Hier ist die Datei:\r\nText dazwischen bleibt.\r\nbegin 644 offen.txt\r\nText danach auch.\r\n");
    EXPECT_TRUE(text.SubParts().empty());

    auto& file = *m.SubParts()[1];
    EXPECT_EQ(file.LowerContentType(), "text/plain");
    EXPECT_EQ(file.DecodedData(), "Cat");
    EXPECT_EQ(file.Body(), "Q2F0\r\n");
    EXPECT_EQ(file.GetHeader("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(file.GetHeaderParam("Content-Disposition", "filename"), "katze.txt");
    EXPECT_EQ(file.GetHeaderParam("X-Vellumine-Attachment", "embedded"), "no");
    EXPECT_EQ(file.ParentBoundary(), boundary);

    auto& second = *m.SubParts()[2];
    EXPECT_EQ(second.LowerContentType(), "image/gif");
    EXPECT_EQ(second.GetHeaderParam("Content-Type", "name"), "../../etc/zweite.gif");
}

TEST(MailPart, DecodeBodyByTransferEncoding)
{
    TMailMessage m;
    m.ParseString(Crlf("Content-Type: application/octet-stream\nContent-Transfer-Encoding: BASE64\n\nYWJj\nZGVm\n"));
    EXPECT_TRUE(m.DecodeBody());
    EXPECT_EQ(m.DecodedData(), "abcdef");
    EXPECT_TRUE(m.IsDecoded());
    m.EncodeBase64();  // from the decoded bytes, whatever holds them
    EXPECT_EQ(m.Body(), "YWJjZGVm\r\n");
    EXPECT_EQ(m.DecodedData(), "abcdef");

    TMailMessage qp;
    qp.ParseString(Crlf("Content-Type: text/plain\nContent-Transfer-Encoding: quoted-printable\n\nM=FCller=\n sagt\n"));
    qp.DecodeBody();
    EXPECT_EQ(qp.DecodedData(), "M\xFCller sagt\r\n");

    TMailMessage uu;
    uu.ParseString(Crlf("Content-Type: text/plain\nContent-Transfer-Encoding: x-uuencode\n\nbegin 644 c\n#0V%T  \n`\nend\n"));
    uu.DecodeBody();
    EXPECT_EQ(uu.DecodedData(), "Cat");
    EXPECT_EQ(uu.GetHeader("Content-Transfer-Encoding"), "base64");
    EXPECT_EQ(uu.Body(), "Q2F0\r\n");

    TMailMessage raw;
    raw.ParseString(Crlf("Content-Type: text/plain\nContent-Transfer-Encoding: 8bit\n\n\xE4\n"));
    raw.DecodeBody();
    EXPECT_EQ(raw.DecodedData(), "\xE4\r\n");
}

TEST(MailPart, PartWithoutMessageRefusesToParse)
{
    TMailPart orphan(nullptr);
    orphan.Name = "Teil1";
    try {
        orphan.ParseString("Subject: x\r\n\r\n");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Teil1: TMailPart must be owned by a TMailMessage");
    }
}

TEST(MailPart, ProgressIsReportedByTheMessageOnly)
{
    TMailMessage m;
    std::vector<long long> reports;
    long long total = -1;
    m.OnProgress = [&](TMailMessage& sender, long long all, long long current) {
        EXPECT_EQ(&sender, &m);
        total = all;
        reports.push_back(current);
    };
    const std::string source = Crlf("Content-Type: multipart/mixed; boundary=b\n\n--b\n\nx\n--b--\n");
    m.ParseString(source);
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(total, static_cast<long long>(source.size()));
    EXPECT_EQ(reports.front(), 0);
    EXPECT_EQ(reports.back(), total);
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
}

TEST(MailPart, SourceEndsAtItsFirstNul)
{
    TMailMessage m;
    m.ParseString(std::string("Subject: a\r\n\r\nbody\0hidden", 25));
    EXPECT_EQ(m.Body(), "body");
}

// A message read from a large file is parsed from the mapped file itself:
// the same parts and bytes as from a copy, and the file stays held while
// the message needs it, also after a parse of another source let go of it.
TEST(MailPart, MessageFromAFileKeepsTheFile)
{
    char folder[] = "/tmp/vellumine-mailpart-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/gross.eml";
    const std::string attachment(FileText::kWorthMapping, 'q');
    const std::string source = Crlf("Content-Type: multipart/mixed; boundary=b\n\n--b\n\nText\n--b\n"
                                    "Content-Transfer-Encoding: base64\n\n") +
                               Base64EncodeStream(attachment) + "--b--\r\n";
    WriteFileReplacing(path, source);
    TMailMessage fromCopy;
    fromCopy.ParseString(source);
    auto file = FileText::Read(path);
    ::unlink(path.c_str());
    ::rmdir(folder);
    ASSERT_TRUE(file && file->Mapped());
    TMailMessage m;
    m.ParseFile(file);
    file.reset();
    ASSERT_EQ(m.SubParts().size(), 2u);
    EXPECT_EQ(m.SubParts()[0]->Body(), fromCopy.SubParts()[0]->Body());
    TMailPart& attached = *m.SubParts()[1];
    EXPECT_TRUE(attached.Body() == fromCopy.SubParts()[1]->Body());
    attached.DecodeBody();
    EXPECT_TRUE(attached.DecodedData() == attachment);
    m.ParseString("Subject: b\r\n\r\nneu");
    EXPECT_EQ(m.Body(), "neu");
}

}  // namespace
}  // namespace vellumine

namespace vellumine {
namespace {

// Messages written to hurt: each must parse, index and decode in bounded
// time and memory, within its buffers.
TEST(HostileMessages, EndCleanly)
{
    const std::string hugeHeader = "Subject: " + std::string(5 * 1024 * 1024, 'x') + "\r\n\r\nbody\r\n";
    const std::string manyBlanks = "Subject:" + std::string(1024 * 1024, ' ') + "x\r\n\r\n";
    const std::string openQuote = "Content-Type: multipart/mixed; boundary=\"never closed\r\n\r\n--never\r\n";
    const std::string onlyEquals =
        "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" + std::string(100000, '=');
    const std::string badBase64 = "Content-Type: image/gif\r\nContent-Transfer-Encoding: base64\r\n\r\n=====\r\n!!!!";
    const std::string foldedForever = "Subject: a\r\n" + [] {
        std::string lines;
        for (int i = 0; i < 100000; ++i)
            lines += " x\r\n";
        return lines;
    }() + "\r\n";
    const std::string wideMultipart = [] {
        std::string m = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
        for (int i = 0; i < 100000; ++i)
            m += "--b\r\n\r\nx\r\n";
        return m + "--b--\r\n";
    }();
    for (const std::string* source :
         {&hugeHeader, &manyBlanks, &openQuote, &onlyEquals, &badBase64, &foldedForever, &wideMultipart}) {
        TMailMessage m;
        m.ParseString(*source);
        m.IndexParts();
        for (TMailPart* part : m.AttachmentParts)
            part->DecodeBody();
    }
    TMailMessage wide;
    wide.ParseString(wideMultipart);
    EXPECT_EQ(wide.SubParts().size(), 100000u);
}

}  // namespace
}  // namespace vellumine
