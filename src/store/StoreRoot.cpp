#include "store/StoreRoot.h"

#include "platform/EnvironmentExpansion.h"
#include "platform/Registry.h"
#include "platform/WindowsPath.h"

namespace vellumine {
namespace {
constexpr const char* kOutlookExpressKey = "\\Software\\Microsoft\\Outlook Express";
constexpr const char* kIdentitiesKey = "\\Identities";
constexpr const char* kStoreRootValue = "Store Root";
}  // namespace

std::string GetStoreRoot(const Registry& registry)
{
    std::string stored;
    if (registry.KeyExists(kOutlookExpressKey))
        stored = registry.ReadString(kOutlookExpressKey, kStoreRootValue);
    if (stored.empty() && registry.KeyExists(kIdentitiesKey)) {
        const std::string identity = registry.ReadString(kIdentitiesKey, "Default User ID");
        const std::string identityKey =
            std::string("\\Identities\\") + identity + "\\Software\\Microsoft\\Outlook Express\\5.0";
        if (registry.KeyExists(identityKey))
            stored = registry.ReadString(identityKey, kStoreRootValue);
    }
    if (stored.empty())
        return {};
    return ExpandEnvironmentStrings(stored);
}

std::string JoinStorePath(const std::string& root, const std::string& fileName)
{
    if (!root.empty() && root.back() == '\\')
        return root + fileName;
    return root + "\\" + fileName;
}

RegistryStoreLocation::RegistryStoreLocation(std::shared_ptr<const Registry> registry)
    : FRegistry(std::move(registry))
{
}

std::string RegistryStoreLocation::StoreFilePath(const std::string& fileName, std::string& shownPath) const
{
    const std::string root = GetStoreRoot(*FRegistry);
    shownPath = JoinStorePath(root, fileName);
    // Without a store folder the name alone would be looked up at the file
    // system's root; nothing is opened then, and the open error follows.
    if (root.empty())
        return {};
    shownPath = MapWindowsPath(shownPath);
    return shownPath;
}

FolderStoreLocation::FolderStoreLocation(std::string folder) : FFolder(std::move(folder)) {}

std::string FolderStoreLocation::StoreFilePath(const std::string& fileName, std::string& shownPath) const
{
    shownPath = FFolder.empty() || FFolder.back() == '/' ? FFolder + fileName : FFolder + "/" + fileName;
    return shownPath;
}

}  // namespace vellumine
