// vellumine-benchstore OUTPUT_FOLDER [MESSAGES] [BIG_MEGABYTES]
// Writes a store for the benchmarks: folders.dbx, "Bench.dbx" with many
// small messages (100,000 by default) and "Big.dbx" with one large message
// (20 MB by default). The contents are varied but reproducible.

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
    const char* usage = "vellumine-benchstore OUTPUT_FOLDER [MESSAGES] [BIG_MEGABYTES]";
    if (argc < 2 || argc > 4 || vellumine::tools::RefusesOptions(argc, argv, usage)) {
        std::cerr << "usage: " << usage << "\n";
        return 2;
    }
    const auto count = argc > 2 ? vellumine::tools::PositiveNumber(argv[2]) : std::optional<unsigned long>(100000);
    const auto bigMegabytes = argc > 3 ? vellumine::tools::PositiveNumber(argv[3]) : std::optional<unsigned long>(20);
    if (!count || !bigMegabytes) {
        std::cerr << "MESSAGES and BIG_MEGABYTES are numbers greater than 0\nusage: " << usage << "\n";
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);

    std::mt19937 random(1);
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
