// vellumine-fuzzseeds OUTPUT_FOLDER: writes the seed inputs of the fuzz
// targets: small store files, whole and damaged, into OUTPUT/store, and
// message sources into OUTPUT/message.

#include <filesystem>
#include <iostream>

#include "StoreDamage.h"
#include "StoreWriter.h"
#include "ToolArguments.h"

namespace sw = vellumine::storewriter;
namespace fs = std::filesystem;

namespace {

std::vector<sw::StoreRecordDescription> Messages(int count, std::size_t bodyBytes)
{
    std::vector<sw::StoreRecordDescription> records;
    for (int i = 0; i < count; ++i) {
        sw::MessageDescription m{.date = sw::FileTimeFromUtc(2003, 12, 1 + i), .sender = "Anna", .recipient = "Bernd",
                                 .subject = "Betreff " + std::to_string(i),
                                 .source = "Subject: " + std::to_string(i) + "\r\n\r\n" + std::string(bodyBytes, 'x')};
        m.sourceEntry = i % 2 ? sw::MessageDescription::SourceEntry::Data : sw::MessageDescription::SourceEntry::Direct;
        records.push_back(sw::MessageRecord(m));
    }
    return records;
}

// Parent links deeper than the folder tree shows.
std::vector<sw::StoreRecordDescription> DeepFolders(int depth)
{
    std::vector<sw::StoreRecordDescription> records;
    for (int id = 1; id <= depth; ++id)
        records.push_back(sw::FolderRecord({.id = id, .parentId = id - 1, .name = "F" + std::to_string(id)}));
    return records;
}

std::vector<sw::StoreRecordDescription> Folders()
{
    return {sw::FolderRecord({.id = 0, .name = "Lokale Ordner"}),
            sw::FolderRecord({.id = 1, .parentId = 0, .name = "Posteingang", .fileName = "Ordner.dbx", .special = true}),
            sw::FolderRecord({.id = 2, .parentId = 1, .name = "Archiv", .fileName = "a.dbx"})};
}

const char* const kMessages[] = {
    "Subject: schlicht\r\n\r\nHallo\r\n",
    "Content-Type: text/html\r\n\r\n<p>x</p>\r\n",
    "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nM=FCller=\r\n sagt =3D\r\n",
    "Content-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\nJSVFT0YK\r\n",
    "Content-Type: multipart/alternative; boundary=\"a\"\r\n\r\npre\r\n--a\r\nContent-Type: text/plain\r\n\r\ntext\r\n"
    "--a\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n--a--\r\nepilog\r\n",
    "Content-Type: multipart/related; boundary=r\r\n\r\n--r\r\nContent-Type: text/html\r\n\r\n"
    "<img src=\"cid:eins@x\"><img src=\"CID:../zwei\"><base href=x>\r\n"
    "--r\r\nContent-Type: image/gif\r\nContent-ID: <eins@x>\r\nContent-Transfer-Encoding: base64\r\n\r\nR0lGODlh\r\n"
    "--r\r\nContent-Type: image/gif\r\nContent-ID: <../zwei>\r\n\r\nGIF\r\n--r--\r\n",
    "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: multipart/alternative; boundary=a\r\n\r\n"
    "--a\r\nContent-Type: text/plain\r\n\r\nt\r\n--a--\r\n--m\r\nContent-Type: image/png\r\nContent-ID: x\r\n\r\np\r\n--m--\r\n",
    "Subject: uu\r\n\r\nVorher\r\nbegin 644 katze.txt\r\n#0V%T\r\n`\r\nend\r\nNachher\r\n",
    "Content-Type: text/plain\r\nContent-Transfer-Encoding: x-uuencode\r\n\r\nbegin 644 c\r\n#0V%T\r\n`\r\nend\r\n",
    "Content-Type: multipart/signed; boundary=s\r\n\r\n--s\r\n\r\nsigned\r\n--s\r\nContent-Type: application/pgp-signature\r\n\r\nS\r\n--s--\r\n",
    "To: \"A B\" <a@b>\r\nSubject:   viele    Blanks\r\n\tfortgesetzt\r\nContent-Type: text/plain; charset=\"iso-8859-1\"; format=flowed\r\n\r\n\xE4\r\n",
    "Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\n\r\nx\r\n----\r\n",
    "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\nYW Jj\r\nZG==VmZw\r\n=\r\n",
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || vellumine::tools::RefusesOptions(argc, argv, "vellumine-fuzzseeds OUTPUT_FOLDER")) {
        std::cerr << "usage: vellumine-fuzzseeds OUTPUT_FOLDER\n";
        return 2;
    }
    const fs::path out = argv[1];
    fs::create_directories(out / "store");
    fs::create_directories(out / "message");
    int n = 0;
    const auto store = [&](const sw::StoreImage& image) {
        sw::WriteFileBytes((out / "store" / ("seed" + std::to_string(n++) + ".dbx")).string(), image.bytes);
    };
    const sw::LayoutOptions small{.headerSize = 0x100};
    store(sw::BuildStoreFile(Folders(), small));
    store(sw::BuildStoreFile(Messages(1, 10), small));
    store(sw::BuildStoreFile(Messages(3, 600), small));
    store(sw::BuildStoreFile(Messages(9, 40), {.nodeFanout = 2, .headerSize = 0x100}));
    store(sw::BuildStoreFile(Messages(4, 1100), {.scatterBlocks = true, .seed = 3, .headerSize = 0x100}));
    store(sw::BuildStoreFile({}, small));
    const auto damaged = [&](int count, auto&& damage) {
        auto image = sw::BuildStoreFile(Messages(count, 700), {.nodeFanout = 2, .headerSize = 0x100});
        damage(image);
        store(image);
    };
    damaged(5, [](auto& i) { sw::LinkNodesInCycle(i); });
    damaged(2, [](auto& i) { sw::LinkBlocksInCycle(i, 0); });
    damaged(3, [](auto& i) { sw::Truncate(i, i.bytes.size() / 2); });
    damaged(3, [](auto& i) { sw::SetNodeEntryCount(i, 0, 0xFFFFFF); });
    damaged(3, [](auto& i) { sw::SetItemCount(i, -1); });
    damaged(3, [](auto& i) { sw::SetRecordBodyLength(i, 1, 0xFFFFFFFF); });
    damaged(3, [](auto& i) { sw::BreakNodeOwnOffset(i, 1); });
    damaged(3, [](auto& i) { sw::BreakRecordOwnOffset(i, 0); });
    damaged(2, [](auto& i) { sw::SetBlockDataLength(i, 0, 1, -5); });
    damaged(2, [](auto& i) { sw::SetBlockNext(i, 0, 0, 0x7FFFFFF0); });
    store(sw::BuildStoreFile(DeepFolders(300), small));
    int m = 0;
    for (const char* message : kMessages)
        sw::WriteFileBytes((out / "message" / ("seed" + std::to_string(m++) + ".eml")).string(), message);
    return 0;
}
