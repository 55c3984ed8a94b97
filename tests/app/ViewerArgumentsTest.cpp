#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TempFolder.h"
#include "app/ViewerArguments.h"
#include "platform/Version.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;
using Kind = ViewerRequest::Kind;

TEST(ViewerArguments, HelpAndVersionWinOverEverythingBeforeTheEndOfOptions)
{
    const struct {
        std::vector<std::string> arguments;
        Kind expected;
    } cases[] = {
        {{}, Kind::OpenStore},
        {{"--version"}, Kind::ShowVersion},
        {{"/some/store", "--help"}, Kind::ShowHelp},
        {{"-h"}, Kind::ShowHelp},
        {{"--bogus", "--version"}, Kind::ShowVersion},  // an unknown option does not hide them
        {{"a", "b", "--version"}, Kind::ShowVersion},
        {{"--man-page"}, Kind::ShowManPageOptions},
        {{"--", "--help"}, Kind::OpenStore},  // a folder that happens to be called so
        {{"--bogus"}, Kind::Refuse},
        {{"-x", "/store"}, Kind::Refuse},
        {{"/one", "/two"}, Kind::Refuse},
    };
    for (const auto& c : cases) {
        const ViewerRequest request = ReadViewerArguments(c.arguments);
        EXPECT_EQ(request.kind, c.expected) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(request.kind == Kind::Refuse, !request.problem.empty());
    }
}

TEST(ViewerArguments, AStoreFileOpensTheFolderItLiesIn)
{
    testing::TempFolder root;
    fs::create_directories(root.File("Ablage/Store.dbx"));  // a folder, though named like a file
    std::ofstream(root.File("Ablage/folders.dbx")) << "x";
    std::ofstream(root.File("Ablage/notiz.txt")) << "x";
    const std::string store = root.File("Ablage");
    const struct {
        std::string argument;
        std::string expected;
        std::string startFile;
    } cases[] = {
        {store, store, ""},
        {store + "/", store, ""},
        {root.File("Ablage/../Ablage"), store, ""},
        {root.File("Ablage/folders.dbx"), store, "folders.dbx"},
        {root.File("Ablage/./folders.dbx"), store, "folders.dbx"},
        {root.File("Ablage/Posteingang.DBX"), store, "Posteingang.DBX"},  // not there: still a file of that folder
        {root.File("Ablage/notiz.txt"), store, "notiz.txt"},              // any file: its folder
        {root.File("Ablage/Store.dbx"), root.File("Ablage/Store.dbx"), ""},
        {root.File("Ablage/fehlt"), root.File("Ablage/fehlt"), ""},  // the window says it cannot open it
        {"-", (fs::current_path() / "-").string(), ""},
    };
    for (const auto& c : cases) {
        const ViewerRequest request = ReadViewerArguments({c.argument});
        EXPECT_EQ(request.kind, Kind::OpenStore) << c.argument;
        EXPECT_EQ(request.storeFolder, c.expected) << c.argument;
        EXPECT_EQ(request.startFile, c.startFile) << c.argument;
    }
}

TEST(ViewerArguments, RelativePathsBecomeAbsoluteSoTheRecentStoresListStaysValid)
{
    testing::TempFolder root;
    std::ofstream(root.File("folders.dbx")) << "x";
    const fs::path before = fs::current_path();
    fs::current_path(root.Path());
    const ViewerRequest file = ReadViewerArguments({"folders.dbx"});
    const ViewerRequest folder = ReadViewerArguments({"."});
    fs::current_path(before);
    EXPECT_EQ(file.storeFolder, fs::path(root.Path()).lexically_normal().string());
    EXPECT_EQ(folder.storeFolder, file.storeFolder);
}

TEST(ViewerArguments, HelpAndManPageNameTheSameArgumentsAndTheVersionIsTheBuildsOwn)
{
    EXPECT_EQ(ViewerVersionText(), std::string("vellumine ") + kVellumineVersion);
    const std::string help = ViewerHelpText();
    const std::string man = ViewerManPageOptions();
    for (const char* term : {"ORDNER", "DATEI", "--version", "--help"}) {
        EXPECT_NE(help.find(term), std::string::npos) << term;
        EXPECT_NE(man.find(term), std::string::npos) << term;
    }
    EXPECT_EQ(help.back(), '\n');
}

}  // namespace
}  // namespace vellumine
