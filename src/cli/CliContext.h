#pragma once
// What every command of vellumine-cli shares: the store reader, made from
// --store or from the registry.

#include <memory>
#include <string>

#include "platform/Error.h"
#include "store/StoreReader.h"

namespace vellumine::cli {

struct CliOptions {
    std::string storeFolder;  // --store; empty: the registry names the store
};

std::unique_ptr<StoreReader> MakeStoreReader(const CliOptions& options);

// A command line asking for what is not there (a design template of
// another name): its German error and exit status kUsageStatus, raised
// before anything is read or written.
class UsageError : public Error {
public:
    using Error::Error;
};

inline constexpr int kUsageStatus = 2;

}  // namespace vellumine::cli
