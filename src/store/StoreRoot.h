#pragma once
// Where the store is: the folder the mail client recorded in the current
// user's registry, or a folder named on the command line instead.

#include <memory>
#include <string>

namespace vellumine {

class Registry;

// The store folder from the registry with environment references
// expanded; empty when the registry names none. Raises
// "Ungültiger Datentyp für '%s'!" for a value that is not a string.
std::string GetStoreRoot(const Registry& registry);

// Turns a store file name into the path to open. Asked afresh for every
// file, so a changed registry takes effect with the next file opened.
class StoreLocation {
public:
    virtual ~StoreLocation() = default;
    // Empty when no store folder is known; `shownPath` then receives the
    // name the failure message shows.
    virtual std::string StoreFilePath(const std::string& fileName, std::string& shownPath) const = 0;
};

// Reads the store folder from the registry on each call.
class RegistryStoreLocation : public StoreLocation {
public:
    explicit RegistryStoreLocation(std::shared_ptr<const Registry> registry);
    std::string StoreFilePath(const std::string& fileName, std::string& shownPath) const override;

private:
    std::shared_ptr<const Registry> FRegistry;
};

// A local folder given by the user (the command line's store folder).
class FolderStoreLocation : public StoreLocation {
public:
    explicit FolderStoreLocation(std::string folder);
    std::string StoreFilePath(const std::string& fileName, std::string& shownPath) const override;

private:
    std::string FFolder;
};

// The store root joined with a file name the way the store expects it:
// a backslash appended unless the root already ends in one.
std::string JoinStorePath(const std::string& root, const std::string& fileName);

}  // namespace vellumine
