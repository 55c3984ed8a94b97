// A large attachment is counted, hashed and written from pieces of its
// decoded body; each of these must give exactly the bytes DecodeBody gives,
// also for damaged base64 and for bodies longer than one piece.

#include <gtest/gtest.h>

#include <random>

#include "TempFolder.h"
#include "mime/Base64.h"
#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "platform/FileAccess.h"
#include "platform/Sha256.h"

namespace vellumine {
namespace {

std::string RandomBytes(std::size_t count)
{
    std::mt19937 random(7);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Every 1000th character of the encoded text followed by a stray, so that
// groups go on across strays at many places, also where pieces meet.
std::string WithStrays(const std::string& text, std::string_view stray)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += 1000)
        out.append(text, at, 1000).append(stray);
    return out;
}

std::string Message(const std::string& body)
{
    return "Content-Type: application/octet-stream; name=\"daten.bin\"\r\n"
           "Content-Transfer-Encoding: Base64\r\n\r\n" + body;
}

struct DamagedBase64 {
    const char* what;
    std::string body;
};

std::vector<DamagedBase64> Bodies()
{
    const std::string large = Base64EncodeStream(RandomBytes(3'000'001));
    return {
        {"line breaks", Base64EncodeStream("Apfelkuchen mit Zimt und Zucker, 200 g Butter")},
        {"garbage characters", "QX!!Bm*ZW\xE4xr\x01dW-No-ZW4=\r\n"},
        {"missing padding", "QXBmZWxrdWNoZW4"},
        {"one character left over", "QXBmZWxrdWNoZW4=Q"},
        {"padding inside the text", "QQ==QUJD\r\nRA=\r\nRUY="},
        {"only padding and strays", "====\r\n**\r\n"},
        {"larger than a piece", large},
        {"larger than a piece with strays", WithStrays(large, "\r\n#")},
        {"larger than a piece, padding missing", large.substr(0, large.size() - 4)},
    };
}

TEST(StreamedAttachment, SizeHashAndFileAreThoseOfTheDecodedBody)
{
    testing::TempFolder folder;
    for (const DamagedBase64& each : Bodies()) {
        SCOPED_TRACE(each.what);
        TMailMessage whole;
        whole.ParseString(Message(each.body));
        whole.DecodeBody();
        const std::string decoded(whole.DecodedData());

        TMailMessage streamed;
        streamed.ParseString(Message(each.body));
        const auto attachments = ListAttachments(streamed);
        ASSERT_EQ(attachments.size(), 1u);
        EXPECT_EQ(attachments[0].size, decoded.size());
        EXPECT_FALSE(streamed.IsDecoded()) << "the listing kept the decoded body";

        Sha256Hasher hasher;
        std::string joined;
        AttachmentBytes(attachments[0])([&](std::string_view piece) {
            hasher.Add(piece);
            joined.append(piece);
        });
        EXPECT_TRUE(joined == decoded);
        EXPECT_EQ(hasher.Hex(), Sha256Hex(decoded));

        const std::string path = folder.File(std::string(each.what) + ".bin");
        WriteAttachmentTo(attachments[0], path);
        EXPECT_TRUE(*ReadFileBytes(path) == decoded);
        EXPECT_FALSE(streamed.IsDecoded());
    }
}

TEST(StreamedAttachment, ADecodedBodyIsHandedOverAsItIs)
{
    TMailMessage message;
    message.ParseString(Message("QXBm\r\nZWw="));
    message.DecodeBody();
    std::vector<std::string> pieces;
    message.ForEachDecodedPiece([&](std::string_view piece) { pieces.emplace_back(piece); });
    EXPECT_EQ(pieces, std::vector<std::string>{"Apfel"});
    EXPECT_EQ(message.DecodedSize(), 5u);
}

TEST(StreamedAttachment, AFailedWriteLeavesNoFile)
{
    testing::TempFolder folder;
    const std::string path = folder.File("halb.bin");
    const BytePieces failing = [](const PieceSink& sink) {
        sink("erster Teil");
        throw Error("Lesefehler");
    };
    EXPECT_THROW(WriteNewFileFromPieces(path, failing), Error);
    EXPECT_FALSE(ReadFileBytes(path));
    EXPECT_FALSE(WriteNewFileFromPieces(folder.Path(), [](const PieceSink&) {}));
}

TEST(Sha256Pieces, TheDigestDoesNotDependOnWhereThePiecesEnd)
{
    const std::string bytes = RandomBytes(1000);
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    for (const std::size_t pieceSize : {1u, 7u, 63u, 64u, 65u, 999u}) {
        Sha256Hasher hasher;
        for (std::size_t at = 0; at < bytes.size(); at += pieceSize)
            hasher.Add(std::string_view(bytes).substr(at, pieceSize));
        EXPECT_EQ(hasher.Hex(), Sha256Hex(bytes)) << pieceSize;
    }
}

}  // namespace
}  // namespace vellumine
