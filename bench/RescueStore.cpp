// vellumine-rescuestore OUTPUT_FOLDER [MESSAGES]
// Writes a store for the rescue benchmark: "Gross.dbx", a folder file of
// 2 GiB whose messages (2,000 by default) lie beyond a hole of 2 GiB, with
// its header zeroed so that only a scan finds them. The file is sparse: it
// takes a few MB of disk.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>

#include "StoreDamage.h"
#include "StoreWriter.h"
#include "ToolArguments.h"

namespace sw = vellumine::storewriter;

int main(int argc, char** argv)
{
    const char* usage = "vellumine-rescuestore OUTPUT_FOLDER [MESSAGES]";
    if (argc < 2 || argc > 3 || vellumine::tools::RefusesOptions(argc, argv, usage)) {
        std::cerr << "usage: " << usage << '\n';
        return 2;
    }
    std::size_t count = 2000;
    if (argc == 3) {
        const auto parsed = vellumine::tools::PositiveNumber(argv[2]);
        if (!parsed) {
            std::cerr << "usage: " << usage << '\n';
            return 2;
        }
        count = *parsed;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    std::vector<sw::StoreRecordDescription> records;
    for (std::size_t i = 0; i < count; ++i) {
        sw::MessageDescription message;
        message.subject = "Nachricht " + std::to_string(i);
        message.source = "From: a@example.de\r\nSubject: Nachricht " + std::to_string(i) + "\r\n\r\n" +
                         std::string(200 + (i * 37) % 3000, 'x') + "\r\n";
        records.push_back(sw::MessageRecord(message));
    }
    sw::LayoutOptions layout;
    layout.gapAfterHeader = (std::uint64_t{2} << 30) - 0x24BC;
    sw::StoreImage image = sw::BuildStoreFile(records, layout);
    std::fill(image.bytes.begin(), image.bytes.begin() + 0x24BC, '\0');
    sw::WriteStoreImage((folder / "Gross.dbx").string(), image);
    sw::WriteFileBytes((folder / "folders.dbx").string(),
                       sw::BuildStoreFile({sw::FolderRecord({1, 0, "Gross", "Gross.dbx", false})}).bytes);
    std::cout << sw::ImageFileSize(image) << '\n';
    return 0;
}
