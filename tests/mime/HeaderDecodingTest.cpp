// Header words and parameter values decoded for display, and text of any
// charset turned into UTF-8.

#include <gtest/gtest.h>

#include "mime/HeaderDecoding.h"
#include "mime/MailMessage.h"
#include "platform/CharsetConversion.h"

namespace vellumine {
namespace {

TEST(HeaderDecoding, EncodedWords)
{
    const struct {
        const char* raw;
        const char* shown;
    } cases[] = {
        {"=?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=", "Grüße aus Köln"},
        {"=?utf-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", "Grüße aus Köln"},
        {"=?UTF-8?b?R3LDvMOfZSBhdXMgS8O2bG4=?=", "Grüße aus Köln"},
        {"Re: =?iso-8859-15?Q?Preis_5_=A4?= (netto)", "Re: Preis 5 € (netto)"},
        {"=?windows-1252?Q?=80_=93Zitat=94?=", "€ “Zitat”"},
        {"=?iso-8859-1?Q?=80?=", "€"},  // read as browsers read ISO-8859-1
        {"=?koi8-r?Q?=F0=D2=C9=D7=C5=D4?=", "Привет"},
        {"=?shift_jis?B?k/qWe4zq?=", "日本語"},
        {"=?utf-8*de?Q?=C3=A4?=", "ä"},  // a language after "*"
        // Adjacent words: the blank or fold between them goes, a character
        // split between them stays whole.
        {"=?iso-8859-1?Q?Gr=FC?= =?iso-8859-1?Q?=DFe?=", "Grüße"},
        {"=?utf-8?Q?=C3?=\r\n =?utf-8?Q?=A4?=", "ä"},
        {"=?utf-8?Q?a?=  \t =?utf-8?Q?b?= c", "ab c"},
        // Mixed charsets in one field, text between words kept.
        {"=?iso-8859-1?Q?M=FCller?= und =?koi8-r?Q?=F0=D2=C9=D7=C5=D4?=", "Müller und Привет"},
        {"Anna =?utf-8?Q?M=C3=BCller?= <anna@example.de>", "Anna Müller <anna@example.de>"},
        // Malformed words stay as they stand.
        {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"=?utf-8?Q?a b?=", "=?utf-8?Q?a b?="},
        {"=?utf-8?B?***?=", "=?utf-8?B?***?="},
        {"=?utf-8?Q?a=Z?=", "=?utf-8?Q?a=Z?="},
        {"=?utf-8?Q?offen", "=?utf-8?Q?offen"},
        {"=??Q?x?=", "=??Q?x?="},
        // Unknown charsets and plain 8-bit text fall back: UTF-8 where valid,
        // else Windows-1252.
        {"=?x-unbekannt?Q?Gr=C3=BC=C3=9Fe?=", "Grüße"},
        {"=?x-unbekannt?Q?Gr=FC=DFe?=", "Grüße"},
        {"M\xFCller", "Müller"},
        {"Müller", "Müller"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeHeaderText(c.raw), c.shown) << c.raw;
}

TEST(HeaderDecoding, BodyTextFallsBackWhereTheCharsetDoesNotFit)
{
    EXPECT_EQ(TextToUtf8("Gr\xFC\xDF" "e", "iso-8859-1"), "Grüße");
    EXPECT_EQ(TextToUtf8("\xA4", "ISO-8859-15"), "€");
    EXPECT_EQ(TextToUtf8("\x80", "windows-1252"), "€");
    EXPECT_EQ(TextToUtf8("Grüße", "utf-8"), "Grüße");
    EXPECT_EQ(TextToUtf8("Gr\xFC\xDF" "e", "utf-8"), "Grüße") << "not UTF-8 after all: Windows-1252";
    EXPECT_EQ(TextToUtf8("Grüße", "us-ascii"), "Grüße") << "8-bit in ASCII: valid UTF-8 stays";
    EXPECT_EQ(TextToUtf8("Grüße", ""), "Grüße");
    EXPECT_EQ(TextToUtf8("Gr\xFC\xDF" "e", "x-gibt-es-nicht"), "Grüße");
    EXPECT_EQ(TextToUtf8("\x93\xFA\x96\x7B", "Shift_JIS"), "日本");
    EXPECT_EQ(TextToUtf8("\x93", "Shift_JIS"), "“") << "cut-off sequence: not valid, Windows-1252";
    EXPECT_FALSE(ConvertToUtf8("x", "x-gibt-es-nicht"));
    EXPECT_FALSE(ConvertToUtf8("\xFF", "utf-8"));
}

TEST(HeaderDecoding, ParameterValues)
{
    EXPECT_EQ(DecodeParameterValue("Content-Disposition: attachment; filename*=utf-8''%E2%82%AC%20Rechnung.pdf",
                                   "filename"),
              "€ Rechnung.pdf");
    EXPECT_EQ(DecodeParameterValue("Content-Disposition: attachment; filename*0*=iso-8859-1'de'Gr%FC;"
                                   " filename*1=sse; filename*2*=%2Etxt",
                                   "filename"),
              "Grüsse.txt");
    EXPECT_EQ(DecodeParameterValue("Content-Type: image/png; name=\"=?utf-8?Q?Bild_=C3=A4.png?=\"", "name"),
              "Bild ä.png");
    EXPECT_EQ(DecodeParameterValue("Content-Type: text/plain; charset=\"a;b\"; name=x.txt", "name"), "x.txt");
    EXPECT_EQ(DecodeParameterValue("Content-Type: text/plain", "name"), "");

    TMailMessage message;
    message.ParseString("Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nx\r\n"
                        "--b\r\nContent-Type: application/pdf; name=alt.pdf\r\n"
                        "Content-Disposition: attachment;\r\n filename*=utf-8''K%C3%B6ln.pdf\r\n\r\nPDF\r\n--b--\r\n");
    message.IndexParts();
    ASSERT_EQ(message.AttachmentParts.size(), 1u);
    EXPECT_EQ(AttachmentFileName(*message.AttachmentParts[0]), "Köln.pdf");
}

}  // namespace
}  // namespace vellumine
