#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"
#include "platform/EnvironmentExpansion.h"
#include "platform/WindowsPath.h"

namespace vellumine {
namespace {

TEST(EnvironmentExpansion, ReplacesKnownNamesAndKeepsTheRest)
{
    testing::ScopedEnvironment profile("VELLUMINE_PROFILE", "/home/anna");
    testing::ScopedEnvironment empty("VELLUMINE_EMPTY", "");
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"%VELLUMINE_PROFILE%\\Mail", "/home/anna\\Mail"},
        {"%vellumine_profile%", "/home/anna"},  // names match without regard to case
        {"C:\\Mail", "C:\\Mail"},
        {"%VELLUMINE_UNKNOWN%\\x", "%VELLUMINE_UNKNOWN%\\x"},
        {"%VELLUMINE_UNKNOWN%%VELLUMINE_PROFILE%", "%VELLUMINE_UNKNOWN%/home/anna"},
        {"50% of %VELLUMINE_PROFILE%", "50% of /home/anna"},
        {"100%", "100%"},
        {"%%", "%%"},
        {"[%VELLUMINE_EMPTY%]", "[]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExpandEnvironmentStrings(c.in), c.out) << c.in;
}

TEST(EnvironmentExpansion, HasNoLengthLimit)
{
    const std::string longValue(5000, 'x');
    testing::ScopedEnvironment variable("VELLUMINE_LONG", longValue.c_str());
    EXPECT_EQ(ExpandEnvironmentStrings("%VELLUMINE_LONG%/%VELLUMINE_LONG%"), longValue + "/" + longValue);
}

TEST(WindowsPath, BackslashesBecomeSlashesAndDrivesGoThroughWine)
{
    testing::TempFolder prefix;
    std::filesystem::create_directories(prefix.File("drive_c/Mail"));
    std::filesystem::create_directories(prefix.File("dosdevices"));
    std::filesystem::create_directory_symlink("../drive_c", prefix.File("dosdevices/c:"));
    testing::ScopedEnvironment wine("WINEPREFIX", prefix.Path().c_str());

    EXPECT_EQ(MapWindowsPath("/home/anna/store\\folders.dbx"), "/home/anna/store/folders.dbx");
    EXPECT_EQ(MapWindowsPath("C:\\Mail\\folders.dbx"), prefix.File("dosdevices/c:/Mail/folders.dbx"));
    EXPECT_TRUE(std::filesystem::exists(MapWindowsPath("c:\\Mail")));
    EXPECT_EQ(MapWindowsPath("D:\\Mail"), "D:/Mail") << "a drive Wine does not have stays as it is";
}

}  // namespace
}  // namespace vellumine
