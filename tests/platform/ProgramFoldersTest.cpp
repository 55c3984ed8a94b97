#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "TempFolder.h"
#include "platform/ProgramFolders.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolders, ProgramDirectoryEndsInASlashAndHoldsTheTest)
{
    const std::string dir = ProgramDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "platform_tests"));
}

// A prefix with a bin folder and, as each case asks, templates beside the
// program and in the installed data folder.
struct Layout {
    bool besideTemplates;
    bool installedTemplates;
};

std::string MakeLayout(const testing::TempFolder& root, const Layout& layout)
{
    fs::create_directories(root.File("prefix/bin"));
    if (layout.besideTemplates)
        fs::create_directories(root.File("prefix/bin/vorlagen"));
    if (layout.installedTemplates)
        fs::create_directories(root.File("prefix/share/vellumine/vorlagen"));
    return root.File("prefix/bin");
}

TEST(ProgramFolders, TemplatesBesideTheProgramComeFirstThenTheInstalledDataFolder)
{
    const struct {
        Layout layout;
        const char* expected;  // below the temporary root
    } cases[] = {
        {{true, false}, "prefix/bin/vorlagen/"},
        {{false, true}, "prefix/share/vellumine/vorlagen/"},
        {{true, true}, "prefix/bin/vorlagen/"},
        {{false, false}, "prefix/bin/vorlagen/"},  // lists nothing, as before
    };
    for (const auto& c : cases) {
        testing::TempFolder root;
        const std::string bin = MakeLayout(root, c.layout);
        EXPECT_EQ(TemplateFolderFor(bin), root.File(c.expected)) << c.expected;
        EXPECT_EQ(TemplateFolderFor(bin + "/"), root.File(c.expected)) << "with a trailing slash";
    }
}

TEST(ProgramFolders, UserConfigFolderFollowsXdgConfigHomeWhenItIsAbsolute)
{
    testing::ScopedEnvironment home("HOME", "/home/anna");
    const struct {
        const char* xdg;  // nullptr: unset
        const char* expected;
    } cases[] = {
        {"/cfg", "/cfg/vellumine/"},
        {"/cfg/", "/cfg/vellumine/"},
        {nullptr, "/home/anna/.config/vellumine/"},
        {"", "/home/anna/.config/vellumine/"},
        {"relative/cfg", "/home/anna/.config/vellumine/"},  // relative values are ignored
    };
    for (const auto& c : cases) {
        testing::ScopedEnvironment config("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(UserConfigFolder(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(ProgramFolders, SettingsStayBesideAPortableCopyAndGoToTheConfigFolderWhenInstalled)
{
    const struct {
        Layout layout;
        bool besideExpected;
    } cases[] = {
        {{true, false}, true},    // the build tree, an unpacked folder
        {{false, false}, true},   // a folder without templates keeps its settings as before
        {{true, true}, true},     // templates beside win: still the portable copy
        {{false, true}, false},   // installed: bin/ is no place for a user's files
    };
    for (const auto& c : cases) {
        testing::TempFolder root;
        testing::ScopedEnvironment config("XDG_CONFIG_HOME", root.File("cfg").c_str());
        const std::string bin = MakeLayout(root, c.layout);
        const std::string expected = c.besideExpected ? bin + "/" : root.File("cfg/vellumine/");
        EXPECT_EQ(SettingsFolderFor(bin), expected) << c.layout.besideTemplates << c.layout.installedTemplates;
        EXPECT_EQ(fs::exists(root.File("cfg/vellumine")), !c.besideExpected)
            << "the config folder is made only when it is used";
    }
}

TEST(ProgramFolders, TheConfigFolderIsMadePrivateWithItsParents)
{
    testing::TempFolder root;
    testing::ScopedEnvironment config("XDG_CONFIG_HOME", root.File("deep/er/cfg").c_str());
    EXPECT_EQ(SettingsFolderFor(root.File("missing/bin")), root.File("deep/er/cfg/vellumine/"))
        << "a program folder that is not there cannot hold the settings";
    for (const char* made : {"deep", "deep/er/cfg", "deep/er/cfg/vellumine"}) {
        struct stat info{};
        ASSERT_EQ(::stat(root.File(made).c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }
}

TEST(ProgramFolders, AnExistingConfigFolderIsUsedAsItIs)
{
    testing::TempFolder root;
    fs::create_directories(root.File("cfg/vellumine"));
    ::chmod(root.File("cfg/vellumine").c_str(), 0750);
    testing::ScopedEnvironment config("XDG_CONFIG_HOME", root.File("cfg").c_str());
    const std::string bin = MakeLayout(root, {false, true});
    EXPECT_EQ(SettingsFolderFor(bin), root.File("cfg/vellumine/"));
    struct stat info{};
    ASSERT_EQ(::stat(root.File("cfg/vellumine").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0750u) << "the user's own choice of mode stays";
}

}  // namespace
}  // namespace vellumine
