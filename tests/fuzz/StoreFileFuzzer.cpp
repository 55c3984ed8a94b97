// A store file as input: read as the folder list (and its folders built
// into the tree) and as a folder file, message sources read at the offsets
// its records name and at offsets taken from its first bytes, and the
// rescue scan over it.

#include <fstream>

#include "FuzzSupport.h"
#include "store/FolderTree.h"
#include "store/FolderRescue.h"
#include "store/StoreReader.h"

using namespace vellumine;

namespace {

// A source that does not read whole raises its German error: no finding.
void ReadSourceIfWhole(StoreReader& reader, std::uint32_t offset)
{
    try {
        reader.ReadMessageSource("Ordner.dbx", offset);
    } catch (const Error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto& folder = fuzz::WorkFolder();
    // Written twice rather than copied: libFuzzer's timer signal may
    // interrupt a copy, which is no finding.
    for (const char* name : {"folders.dbx", "Ordner.dbx"}) {
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    StoreReader reader(std::make_shared<FolderStoreLocation>(folder.string()));
    StoreRecords records;
    reader.ReadStoreIndex("folders.dbx", &records);
    FolderTree::Build(records.Folders);
    reader.ReadStoreIndex("Ordner.dbx", &records);
    std::size_t budget = 64;  // sources per input, so that one input stays quick
    for (const auto& message : records.Messages) {
        if (budget-- == 0)
            break;
        ReadSourceIfWhole(reader, message.SourceOffset);
    }
    for (std::size_t at = 0; at < 16; at += 4)
        ReadSourceIfWhole(reader, fuzz::Word(data, size, at));
    // The rescue scan over the same bytes, and what it found read back.
    FolderRescue rescue(reader, "Ordner.dbx");
    rescue.Run();
    std::size_t sources = 16;
    for (const auto* found : {&rescue.Rescued(), &rescue.Fragments()})
        for (const RescuedMessage& message : *found) {
            if (sources-- == 0)
                break;
            try {
                reader.ReadMessageSource("Ordner.dbx", message.info);
            } catch (const Error&) {
            }
        }
    return 0;
}
