// The window's temporary folder: one per window, gone when the window
// closes, and a folder left by a process that ended without closing is
// removed by the next start while folders in use stay.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "TempFolder.h"
#include "platform/Error.h"
#include "render/WindowTempFolder.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnvironment;
using testing::TempFolder;

void Touch(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0) << path;
    ::close(fd);
}

TEST(WindowTempFolderTest, TwoWindowsGetTwoFoldersAndEachTakesOnlyItsOwn)
{
    TempFolder root;
    const std::string base = root.File("laufzeit");
    auto first = std::make_unique<WindowTempFolder>(base);
    WindowTempFolder second(base);
    ASSERT_NE(first->Path(), second.Path());
    EXPECT_EQ(first->Path().back(), '/');
    Touch(first->Path() + "mail.htm");
    Touch(second.Path() + "mail.htm");
    struct stat info {};
    ASSERT_EQ(::stat(base.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);  // pages of private mail: the user's alone

    const std::string firstPath = first->Path();
    first.reset();
    EXPECT_FALSE(fs::exists(firstPath));
    EXPECT_TRUE(fs::exists(second.Path() + "mail.htm"));
}

TEST(WindowTempFolderTest, PrivateFoldersInsideAreNewEachTimeAndGoWithIt)
{
    TempFolder root;
    auto window = std::make_unique<WindowTempFolder>(root.File("laufzeit"));
    ::mkdir((window->Path() + "anlage-2").c_str(), 0755);  // taken already: skipped, not reused
    const std::string first = window->NewPrivateFolder("anlage-");
    const std::string second = window->NewPrivateFolder("anlage-");
    EXPECT_EQ(first, window->Path() + "anlage-1/");
    EXPECT_EQ(second, window->Path() + "anlage-3/");
    struct stat info {};
    ASSERT_EQ(::stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    Touch(second + "rechnung.pdf");
    const std::string path = window->Path();
    window->Remove();
    EXPECT_FALSE(fs::exists(path));
    EXPECT_THROW(window->NewPrivateFolder("anlage-"), Error);
}

TEST(WindowTempFolderTest, FoldersLeftByEndedProcessesGoAtTheNextStart)
{
    TempFolder root;
    const std::string base = root.File("laufzeit") + "/";
    WindowTempFolder running(base);
    // Left by crashes: one with its (free) lock, one that crashed before
    // its lock was made.
    fs::create_directories(base + "window-1-abcdef");
    Touch(base + "window-1-abcdef/.in-use");
    Touch(base + "window-1-abcdef/bild.png");
    fs::create_directories(base + "window-2-ghijkl");
    fs::create_directories(base + "anderes");  // not a window's: left alone

    WindowTempFolder next(base);
    EXPECT_FALSE(fs::exists(base + "window-1-abcdef"));
    EXPECT_FALSE(fs::exists(base + "window-2-ghijkl"));
    EXPECT_TRUE(fs::exists(base + "anderes"));
    EXPECT_TRUE(fs::exists(running.Path()));  // its lock is held
    EXPECT_EQ(RemoveLeftTempFolders(base), 0);
}

TEST(WindowTempFolderTest, ARootThatIsALinkIsRefused)
{
    TempFolder root;
    fs::create_directories(root.File("ziel"));
    fs::create_directory_symlink(root.File("ziel"), root.File("laufzeit"));
    EXPECT_THROW(WindowTempFolder(root.File("laufzeit")), Error);
    EXPECT_TRUE(fs::is_empty(root.File("ziel")));
}

TEST(WindowTempFolderTest, RootFollowsTheRuntimeFolderElseTheTemporaryOne)
{
    TempFolder runtime;
    {
        const ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime.Path().c_str());
        EXPECT_EQ(TempFolderRoot(), runtime.Path() + "/vellumine/");
    }
    const ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", nullptr);
    {
        const ScopedEnvironment tmp("TMPDIR", runtime.Path().c_str());
        EXPECT_EQ(TempFolderRoot(), runtime.Path() + "/vellumine-" + std::to_string(::geteuid()) + "/");
    }
    const ScopedEnvironment missingTmp("TMPDIR", "/gibt/es/nicht");
    EXPECT_EQ(TempFolderRoot(), "/tmp/vellumine-" + std::to_string(::geteuid()) + "/");
}

}  // namespace
}  // namespace vellumine
