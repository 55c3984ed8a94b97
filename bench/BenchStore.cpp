// vellumine-benchstore OUTPUT_FOLDER [MESSAGES] [BIG_MEGABYTES] [ATTACHMENT_EVERY]
// Writes a store for the benchmarks: folders.dbx, "Bench.dbx" with many
// small messages (100,000 by default) and "Big.dbx" with one large message
// (20 MB by default). The contents are varied but reproducible. With
// ATTACHMENT_EVERY, every so many messages of Bench.dbx carry two
// attachments: one of a few pictures that recur (as a logo in a signature
// does) and a document of their own; the other messages stay as without it.

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>

#include "StoreWriter.h"
#include "ToolArguments.h"

namespace sw = vellumine::storewriter;

namespace {

const char* const kNames[] = {"Anna M\xFCller", "Bernd Sch\xE4" "fer", "Carla Weber", "Dieter Gro\xDF",
                              "Eva Becker", "Frank Hoffmann", "Greta K\xF6nig", "Hans Wagner"};
const char* const kWords[] = {"Treffen", "Rechnung", "Urlaub", "Gr\xFC\xDF" "e", "Termin", "Bericht",
                              "Einladung", "Frage", "Antwort", "Protokoll", "Angebot", "Bestellung"};

std::string SmallMessage(std::mt19937& random, std::size_t index, const std::string& from,
                         const std::string& to, const std::string& subject)
{
    std::string source = "From: " + from + " <absender@example.de>\r\nTo: " + to +
                         " <empfaenger@example.de>\r\nSubject: " + subject +
                         "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n"
                         "Message-ID: <" + std::to_string(index) + "@bench.example.de>\r\n\r\n";
    const std::size_t lines = 10 + random() % 40;
    for (std::size_t i = 0; i < lines; ++i) {
        for (int w = 0; w < 8; ++w)
            source += std::string(kWords[random() % std::size(kWords)]) + ' ';
        source += "\r\n";
    }
    return source;
}

// The pictures that recur, and each message's own document: bytes from a
// generator of their own, so that the messages without attachments stay
// the same as without the option.
constexpr std::size_t kRecurringPictures = 8;

std::string Base64Lines(const std::string& bytes)
{
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t triple = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1)
            triple |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (left > 2)
            triple |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(triple >> 18) & 63];
        out += alphabet[(triple >> 12) & 63];
        out += left > 1 ? alphabet[(triple >> 6) & 63] : '=';
        out += left > 2 ? alphabet[triple & 63] : '=';
        if ((column += 4) == 76) {
            out += "\r\n";
            column = 0;
        }
    }
    return column ? out + "\r\n" : out;
}

std::string RandomBytes(std::mt19937& random, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

// The small message's text as the first part of a multipart/mixed message
// with a recurring picture and a document of its own.
std::string WithAttachments(const std::string& source, std::mt19937& random, std::size_t index)
{
    const auto split = source.find("\r\n\r\n");
    std::string head = source.substr(0, split);
    const std::string text = source.substr(split + 4);
    const auto type = head.find("Content-Type: ");
    head.erase(type, head.find("\r\n", type) + 2 - type);
    const std::string boundary = "bench-" + std::to_string(index);
    const std::size_t picture = index % kRecurringPictures;
    std::mt19937 pictureRandom(static_cast<unsigned>(1000 + picture));
    const std::string part = "--" + boundary + "\r\n";
    return head + "\r\nContent-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n" + part +
           "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n" + text + part +
           "Content-Type: image/png; name=\"logo" + std::to_string(picture) +
           ".png\"\r\nContent-Disposition: attachment; filename=\"logo" + std::to_string(picture) +
           ".png\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64Lines(RandomBytes(pictureRandom, 6000)) + part +
           "Content-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"Rechnung " +
           std::to_string(index) + ".pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           Base64Lines(RandomBytes(random, 4000 + random() % 12000)) + "--" + boundary + "--\r\n";
}

std::string BigMessage(std::size_t megabytes)
{
    std::string source = "From: Archiv <archiv@example.de>\r\nSubject: Gro\xDF" "e Anlage\r\n"
                         "MIME-Version: 1.0\r\nContent-Type: application/octet-stream\r\n"
                         "Content-Transfer-Encoding: base64\r\n\r\n";
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::mt19937 random(42);
    while (source.size() < megabytes * 1024 * 1024) {
        for (int i = 0; i < 76; ++i)
            source += alphabet[random() % 64];
        source += "\r\n";
    }
    return source;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* usage = "vellumine-benchstore OUTPUT_FOLDER [MESSAGES] [BIG_MEGABYTES] [ATTACHMENT_EVERY]";
    if (argc < 2 || argc > 5 || vellumine::tools::RefusesOptions(argc, argv, usage)) {
        std::cerr << "usage: " << usage << "\n";
        return 2;
    }
    const auto count = argc > 2 ? vellumine::tools::PositiveNumber(argv[2]) : std::optional<unsigned long>(100000);
    const auto bigMegabytes = argc > 3 ? vellumine::tools::PositiveNumber(argv[3]) : std::optional<unsigned long>(20);
    const auto attachmentEvery = argc > 4 ? vellumine::tools::PositiveNumber(argv[4]) : std::optional<unsigned long>(0);
    if (!count || !bigMegabytes || !attachmentEvery) {
        std::cerr << "MESSAGES, BIG_MEGABYTES and ATTACHMENT_EVERY are numbers greater than 0\nusage: " << usage << "\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);

    std::mt19937 random(1);
    std::mt19937 attachmentRandom(7);
    std::vector<sw::StoreRecordDescription> messages;
    messages.reserve(*count);
    const std::uint64_t start = sw::FileTimeFromUtc(1999, 1, 1);
    for (std::size_t i = 0; i < *count; ++i) {
        sw::MessageDescription m;
        m.sender = kNames[random() % std::size(kNames)];
        m.recipient = kNames[random() % std::size(kNames)];
        m.subject = std::string(kWords[random() % std::size(kWords)]) + " " + std::to_string(i);
        m.date = start + (random() % (5ull * 365 * 86400)) * 10'000'000ull;
        m.source = SmallMessage(random, i, m.sender, m.recipient, m.subject);
        if (*attachmentEvery && i % *attachmentEvery == 0)
            m.source = WithAttachments(m.source, attachmentRandom, i);
        messages.push_back(sw::MessageRecord(m));
    }
    sw::WriteFileBytes(folder + "/Bench.dbx", sw::BuildStoreFile(messages, {.nodeFanout = 59}).bytes);

    sw::MessageDescription big{.date = start, .sender = "Archiv", .recipient = "Anna",
                               .subject = "Gro\xDF" "e Anlage", .source = BigMessage(*bigMegabytes)};
    const auto bigImage = sw::BuildStoreFile({sw::MessageRecord(big)});
    sw::WriteFileBytes(folder + "/Big.dbx", bigImage.bytes);

    sw::WriteFileBytes(folder + "/folders.dbx",
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .name = "Bench", .fileName = "Bench.dbx"}),
                                           sw::FolderRecord({.id = 2, .name = "Big", .fileName = "Big.dbx"})})
                           .bytes);
    std::cout << "Big.dbx source offset " << bigImage.blockOffsets[0][0] << '\n';
    return 0;
}
