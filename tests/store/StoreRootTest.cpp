#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/Error.h"
#include "platform/Registry.h"
#include "store/StoreReader.h"
#include "store/StoreRoot.h"

namespace vellumine {
namespace {

const std::string kOeKey = "\\Software\\Microsoft\\Outlook Express";
const std::string kIdentityKey = "\\Identities\\{AB}\\Software\\Microsoft\\Outlook Express\\5.0";

RegistryValue Text(const std::string& text, RegistryValue::Kind kind = RegistryValue::Kind::String)
{
    return {kind, text};
}

// Records which keys were asked for, to show that the identities are
// looked at only when needed.
class WatchedRegistry : public MemoryRegistry {
public:
    bool KeyExists(const std::string& keyPath) const override
    {
        asked.push_back(FoldKeyPath(keyPath));
        return MemoryRegistry::KeyExists(keyPath);
    }
    mutable std::vector<std::string> asked;
};

TEST(GetStoreRoot, FirstKeyWinsAndIdentitiesAreNotOpened)
{
    WatchedRegistry registry;
    registry.SetValue(kOeKey, "Store Root", Text("C:\\Store"));
    registry.SetValue("\\Identities", "Default User ID", Text("{AB}"));
    registry.SetValue(kIdentityKey, "Store Root", Text("C:\\Identity"));
    EXPECT_EQ(GetStoreRoot(registry), "C:\\Store");
    EXPECT_EQ(std::count(registry.asked.begin(), registry.asked.end(), "identities"), 0);
}

TEST(GetStoreRoot, EmptyFirstValueFallsBackToTheIdentity)
{
    MemoryRegistry registry;
    registry.SetValue(kOeKey, "Store Root", Text(""));
    registry.SetValue("\\Identities", "Default User ID", Text("{AB}"));
    registry.SetValue(kIdentityKey, "Store Root", Text("C:\\Identity"));
    EXPECT_EQ(GetStoreRoot(registry), "C:\\Identity");
}

TEST(GetStoreRoot, ExpandsReferencesOnlyWhereThereAreSome)
{
    testing::ScopedEnvironment profile("VELLUMINE_TEST_PROFILE", "/home/anna");
    MemoryRegistry registry;
    registry.SetValue(kOeKey, "Store Root", Text("%VELLUMINE_TEST_PROFILE%\\Mail", RegistryValue::Kind::ExpandString));
    EXPECT_EQ(GetStoreRoot(registry), "/home/anna\\Mail");
    registry.SetValue(kOeKey, "Store Root", Text("D:\\Mail\\"));
    EXPECT_EQ(GetStoreRoot(registry), "D:\\Mail\\");
}

TEST(GetStoreRoot, MissingEntriesGiveAnEmptyRoot)
{
    MemoryRegistry nothing;
    EXPECT_EQ(GetStoreRoot(nothing), "");

    MemoryRegistry unknownIdentity;
    unknownIdentity.SetValue("\\Identities", "Default User ID", Text("{gone}"));
    EXPECT_EQ(GetStoreRoot(unknownIdentity), "");

    MemoryRegistry identityWithoutRoot;
    identityWithoutRoot.SetValue("\\Identities", "Default User ID", Text("{AB}"));
    identityWithoutRoot.CreateKey(kIdentityKey);
    EXPECT_EQ(GetStoreRoot(identityWithoutRoot), "");
}

TEST(GetStoreRoot, ValueOfAnotherTypeRaisesTheGermanError)
{
    MemoryRegistry registry;
    registry.SetValue("\\Identities", "Default User ID", RegistryValue{RegistryValue::Kind::Other, {}});
    try {
        GetStoreRoot(registry);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Default User ID'!");
    }
}

TEST(StoreLocation, JoinsWithABackslashOnlyWhenNeeded)
{
    EXPECT_EQ(JoinStorePath("C:\\Mail", "folders.dbx"), "C:\\Mail\\folders.dbx");
    EXPECT_EQ(JoinStorePath("C:\\Mail\\", "folders.dbx"), "C:\\Mail\\folders.dbx");
    EXPECT_EQ(JoinStorePath("", "folders.dbx"), "\\folders.dbx");
}

TEST(StoreLocation, NoStoreFolderRaisesTheOpenErrorWithoutOpeningAnything)
{
    auto registry = std::make_shared<MemoryRegistry>();
    StoreReader reader(std::make_shared<RegistryStoreLocation>(registry));
    StoreRecords records;
    try {
        reader.ReadStoreIndex("folders.dbx", &records);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Datei \\folders.dbx kann nicht geöffnet werden");
    }
    EXPECT_TRUE(records.Folders.empty());
}

TEST(StoreLocation, RegistryIsReadAfreshForEveryFile)
{
    testing::TempFolder first, second;
    auto registry = std::make_shared<MemoryRegistry>();
    RegistryStoreLocation location(registry);
    std::string shown;
    registry->SetValue(kOeKey, "Store Root", Text(first.Path()));
    EXPECT_EQ(location.StoreFilePath("a.dbx", shown), first.File("a.dbx"));
    registry->SetValue(kOeKey, "Store Root", Text(second.Path() + "\\"));
    EXPECT_EQ(location.StoreFilePath("a.dbx", shown), second.File("a.dbx"));
}

}  // namespace
}  // namespace vellumine
