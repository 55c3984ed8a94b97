#pragma once
// What every command of vellumine-cli shares: the store reader, made from
// --store or from the registry.

#include <cstddef>
#include <memory>
#include <string>

#include "platform/Error.h"
#include "store/StoreReader.h"

namespace vellumine::cli {

struct CliOptions {
    std::string storeFolder;  // --store; empty: the registry names the store
};

std::unique_ptr<StoreReader> MakeStoreReader(const CliOptions& options);

// The progress line of a run over the whole store on standard error
// ("Posteingang: 120/4000  gesamt 5120/100000"), drawn again every 64
// messages and at each folder's end; only for a terminal, which the caller
// checks.
void ShowFolderProgress(const std::string& folder, std::size_t done, std::size_t total, std::size_t allDone,
                        std::size_t allTotal);

// A command line asking for what is not there (a design template of
// another name): its German error and exit status kUsageStatus, raised
// before anything is read or written.
class UsageError : public Error {
public:
    using Error::Error;
};

inline constexpr int kUsageStatus = 2;

}  // namespace vellumine::cli
