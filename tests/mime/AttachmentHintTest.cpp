#include <gtest/gtest.h>

#include <string>

#include "mime/AttachmentHint.h"

namespace vellumine {
namespace {

struct HintCase {
    const char* what;
    std::string source;
    bool marked;
};

class AttachmentHint : public ::testing::TestWithParam<HintCase> {};

TEST_P(AttachmentHint, GuessesFromTheSourcesStart)
{
    EXPECT_EQ(LooksLikeItCarriesAttachments(GetParam().source), GetParam().marked) << GetParam().what;
}

const std::string kPlainHeader = "From: a@b\r\nSubject: Hallo\r\n";

INSTANTIATE_TEST_SUITE_P(
    Sources, AttachmentHint,
    ::testing::Values(
        HintCase{"plain text", kPlainHeader + "\r\nNur Text.\r\n", false},
        HintCase{"no header end at all", "Subject: x", false},
        HintCase{"empty source", "", false},
        HintCase{"mixed", kPlainHeader + "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n", true},
        HintCase{"mixed, case and no blank", "content-type:Multipart/MIXED;boundary=b\n\n", true},
        HintCase{"mixed on a folded line", "Content-Type:\r\n multipart/mixed;\r\n\tboundary=b\r\n\r\n", true},
        HintCase{"mixed/other is no mixed", "Content-Type: multipart/mixedup\r\n\r\n", false},
        HintCase{"alternative without files", "Content-Type: multipart/alternative; boundary=b\r\n\r\n--b\r\n"
                                              "Content-Type: text/plain\r\n\r\nx\r\n--b--\r\n",
                 false},
        HintCase{"a file part deeper down (signed around mixed)",
                 "Content-Type: multipart/signed; boundary=s\r\n\r\n--s\r\nContent-Type: application/pdf\r\n"
                 "Content-Disposition: ATTACHMENT; filename=a.pdf\r\n\r\n",
                 true},
        HintCase{"inline disposition is no file", "Content-Type: multipart/related; boundary=r\r\n\r\n--r\r\n"
                                                  "Content-Disposition: inline\r\n\r\n",
                 false},
        HintCase{"the whole message is a file", kPlainHeader + "Content-Type: application/pdf\r\n\r\nJVBERi0=\r\n",
                 true},
        HintCase{"a text marked as attachment", kPlainHeader + "Content-Disposition: attachment\r\n\r\nx\r\n", true},
        HintCase{"an attached message alone is shown", "Content-Type: message/rfc822\r\n\r\nSubject: y\r\n\r\n", false},
        HintCase{"uuencoded", kPlainHeader + "\r\nAnbei:\r\n\r\nbegin 644 apfelkuchen.txt\r\nM86)C\r\n`\r\nend\r\n", true},
        HintCase{"uuencoded, four digits, LF only", "Subject: x\n\nbegin 0644 a b.txt\n", true},
        HintCase{"\"begin\" in a sentence", kPlainHeader + "\r\nbegin 644 is a mode\r\nbegin now\r\n", true},
        HintCase{"begin without a name", kPlainHeader + "\r\nbegin 644 \r\nbegin 644\r\n", false},
        HintCase{"begin with a mode that is no mode", kPlainHeader + "\r\nbegin 689 x\r\nbegin 64 x\r\n", false},
        HintCase{"a begin line in the header is no file", "X-Note: y\r\nbegin 644 x\r\n\r\n", false},
        HintCase{"a line break alone ends the header", "Subject: x\r\n\r\nContent-Type: multipart/mixed\r\n", false}));

TEST(AttachmentHintBound, LooksOnlyAtTheStart)
{
    // A uuencoded block beyond what is looked at leaves the message unmarked:
    // the list reads no more of each message than the bound.
    std::string source = "Subject: x\r\n\r\n";
    source.append(kAttachmentHintBytes, 'a');
    source += "\r\nbegin 644 spaet.txt\r\n";
    EXPECT_FALSE(LooksLikeItCarriesAttachments(source));
    // A header that never ends within the bound is read as far as it goes.
    std::string endless = "Content-Type: multipart/mixed\r\nX-Long: ";
    endless.append(4 * kAttachmentHintBytes, 'x');
    EXPECT_TRUE(LooksLikeItCarriesAttachments(endless));
}

}  // namespace
}  // namespace vellumine
