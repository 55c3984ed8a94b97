#include "cli/CliContext.h"

#include "platform/RegFile.h"

namespace vellumine::cli {

std::unique_ptr<StoreReader> MakeStoreReader(const CliOptions& options)
{
    if (!options.storeFolder.empty())
        return std::make_unique<StoreReader>(std::make_shared<FolderStoreLocation>(options.storeFolder));
    std::shared_ptr<const Registry> registry = LoadUserRegistry();
    return std::make_unique<StoreReader>(std::make_shared<RegistryStoreLocation>(registry));
}

}  // namespace vellumine::cli
