#pragma once
// What every command of vellumine-cli shares: the store reader, made from
// --store or from the registry.

#include <memory>
#include <string>

#include "store/StoreReader.h"

namespace vellumine::cli {

struct CliOptions {
    std::string storeFolder;  // --store; empty: the registry names the store
};

std::unique_ptr<StoreReader> MakeStoreReader(const CliOptions& options);

}  // namespace vellumine::cli
