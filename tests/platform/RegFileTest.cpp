#include <gtest/gtest.h>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "platform/Error.h"
#include "platform/RegFile.h"

namespace vellumine {
namespace {

const std::string kOeKey = "\\Software\\Microsoft\\Outlook Express";

std::string Utf16LeWithBom(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

TEST(RegFile, Regedit4StringsWithEscapesAndCaseFreeLookup)
{
    const auto registry = ParseRegFile(
        "REGEDIT4\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express]\r\n"
        "\"Store Root\"=\"C:\\\\Mail \\\"alt\\\"\\\\Store\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express]\r\n"
        "\"Other\"=\"machine\"\r\n");
    EXPECT_TRUE(registry.KeyExists("\\software\\MICROSOFT\\outlook express"));
    EXPECT_EQ(registry.ReadString(kOeKey, "store root"), "C:\\Mail \"alt\"\\Store");
    EXPECT_EQ(registry.ReadString(kOeKey, "Other"), "") << "keys of other hives are not read";
    EXPECT_EQ(registry.ReadString("\\Missing", "Store Root"), "");
}

TEST(RegFile, Version5FileInUtf16WithExpandableHexValueOverSeveralLines)
{
    // "%A%\x" as UTF-16LE, split over two lines as regedit writes long lists.
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_CURRENT_USER\\Identities]\r\n"
        "\"Default User ID\"=\"{1234}\"\r\n"
        "[HKEY_CURRENT_USER\\Identities\\{1234}\\Software\\Microsoft\\Outlook Express\\5.0]\r\n"
        "\"Store Root\"=hex(2):25,00,41,00,25,00,\\\r\n"
        "  5c,00,78,00,00,00\r\n"
        "\"Count\"=dword:00000001\r\n";
    const auto registry = ParseRegFile(Utf16LeWithBom(text));
    const std::string identityKey = "\\Identities\\{1234}\\Software\\Microsoft\\Outlook Express\\5.0";
    EXPECT_EQ(registry.ReadString("\\Identities", "Default User ID"), "{1234}");
    const auto value = registry.FindValue(identityKey, "Store Root");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->kind, RegistryValue::Kind::ExpandString);
    EXPECT_EQ(value->text, "%A%\\x");
    try {
        registry.ReadString(identityKey, "Count");
        FAIL() << "a dword is not a string";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Count'!");
    }
}

TEST(RegFile, Regedit4HexExpandableIsAnsiAndLatin1FileIsDecoded)
{
    const auto registry = ParseRegFile(
        "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n"
        "\"A\"=hex(2):43,3a,5c,e4,00\n"
        "\"B\"=\"M\xFCller\"\n");
    EXPECT_EQ(registry.ReadString("K", "A"), "C:\\\xC3\xA4");
    EXPECT_EQ(registry.ReadString("K", "B"), "M\xC3\xBCller");
}

TEST(RegFile, WineUserRegWithRelativeKeysAndEscapes)
{
    const auto registry = ParseRegFile(
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
        "#arch=win64\n\n"
        "[Software\\\\Microsoft\\\\Outlook Express] 1700000000\n"
        "#time=1d9a0b0c0d0e0f0\n"
        "\"Store Root\"=str(2):\"%UserProfile%\\\\Mail\\x00e4\"\n"
        "\"Plain\"=\"a\\tb\"\n"
        "\"Multi\"=str(7):\"a\\0b\\0\"\n");
    const auto value = registry.FindValue(kOeKey, "Store Root");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->kind, RegistryValue::Kind::ExpandString);
    EXPECT_EQ(value->text, "%UserProfile%\\Mail\xC3\xA4");
    EXPECT_EQ(registry.ReadString(kOeKey, "Plain"), "a\tb");
    EXPECT_THROW(registry.ReadString(kOeKey, "Multi"), Error);
}

TEST(RegFile, DeletionLinesRemoveKeysAndValues)
{
    const auto registry = ParseRegFile(
        "REGEDIT4\n"
        "[HKEY_CURRENT_USER\\A]\n\"x\"=\"1\"\n\"y\"=\"2\"\n"
        "[HKEY_CURRENT_USER\\A\\B]\n\"z\"=\"3\"\n"
        "[HKEY_CURRENT_USER\\A]\n\"y\"=-\n"
        "[-HKEY_CURRENT_USER\\A\\B]\n");
    EXPECT_EQ(registry.ReadString("A", "x"), "1");
    EXPECT_FALSE(registry.FindValue("A", "y"));
    EXPECT_FALSE(registry.KeyExists("A\\B"));
}

TEST(RegFile, OwnFileComesBeforeWines)
{
    testing::TempFolder folder;
    std::filesystem::create_directories(folder.File("config/vellumine"));
    std::filesystem::create_directories(folder.File("wine"));
    storewriter::WriteFileBytes(folder.File("wine/user.reg"),
                               "WINE REGISTRY Version 2\n[Software\\\\Microsoft\\\\Outlook Express]\n"
                               "\"Store Root\"=\"wine\"\n");
    testing::ScopedEnvironment config("XDG_CONFIG_HOME", folder.File("config").c_str());
    testing::ScopedEnvironment wine("WINEPREFIX", folder.File("wine").c_str());
    EXPECT_EQ(UserRegistryFilePath(), folder.File("wine/user.reg"));
    EXPECT_EQ(LoadUserRegistry()->ReadString(kOeKey, "Store Root"), "wine");

    storewriter::WriteFileBytes(folder.File("config/vellumine/user.reg"),
                               "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express]\n"
                               "\"Store Root\"=\"own\"\n");
    EXPECT_EQ(LoadUserRegistry()->ReadString(kOeKey, "Store Root"), "own");
}

TEST(RegFile, NoFileGivesAnEmptyRegistry)
{
    testing::TempFolder folder;
    testing::ScopedEnvironment config("XDG_CONFIG_HOME", folder.Path().c_str());
    testing::ScopedEnvironment wine("WINEPREFIX", folder.Path().c_str());
    EXPECT_EQ(UserRegistryFilePath(), "");
    EXPECT_FALSE(LoadUserRegistry()->KeyExists(kOeKey));
}

}  // namespace
}  // namespace vellumine
