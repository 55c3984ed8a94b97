#include "cli/CliContext.h"

#include <iostream>

#include "platform/RegFile.h"
#include "platform/TerminalText.h"

namespace vellumine::cli {

std::unique_ptr<StoreReader> MakeStoreReader(const CliOptions& options)
{
    if (!options.storeFolder.empty())
        return std::make_unique<StoreReader>(std::make_shared<FolderStoreLocation>(options.storeFolder));
    std::shared_ptr<const Registry> registry = LoadUserRegistry();
    return std::make_unique<StoreReader>(std::make_shared<RegistryStoreLocation>(registry));
}

void ShowFolderProgress(const std::string& folder, std::size_t done, std::size_t total, std::size_t allDone,
                        std::size_t allTotal)
{
    if (done != total && done % 64 != 0)
        return;
    std::cerr << "\r\033[K" << TerminalText(folder) << ": " << done << '/' << total << "  gesamt " << allDone << '/'
              << allTotal << std::flush;
}

}  // namespace vellumine::cli
