#include "migrate/MigrationLayout.h"

#include <set>

#include "output/OutputFileName.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/FileAccess.h"
#include "store/FolderTree.h"

namespace vellumine {
namespace {

// The safe name of a folder, made unique among the names its siblings got
// before it (without regard to case: copies to FAT or NTFS stay apart).
std::string UniqueSiblingName(const std::string& storeName, std::set<std::string>& taken)
{
    std::string base = MakeSafeFileName(storeName);
    if (base.empty())
        base = "Ordner";
    std::string name = base;
    for (int number = 1; !taken.insert(LowerAsciiText(name)).second; ++number)
        name = base + "_" + std::to_string(number);
    return name;
}

void PlanLevel(const std::vector<std::unique_ptr<FolderNode>>& nodes, const std::vector<Toe5_FolderInfo>& folders,
               const MigrationFolder* parent, std::vector<MigrationFolder>& plan)
{
    std::set<std::string> taken;
    for (const auto& node : nodes) {
        const Toe5_FolderInfo& info = folders[node->folderIndex];
        MigrationFolder folder;
        folder.folderIndex = node->folderIndex;
        folder.storeId = info.Id;
        folder.storeFile = info.FileName;
        folder.names = parent ? parent->names : std::vector<std::string>();
        folder.names.push_back(UniqueSiblingName(info.Name, taken));
        folder.shownPath = (parent ? parent->shownPath + "/" : std::string()) + Windows1252ToUtf8(info.Name);
        folder.hasChildren = !node->children.empty();
        plan.push_back(folder);
        PlanLevel(node->children, folders, &folder, plan);
    }
}

}  // namespace

std::vector<MigrationFolder> PlanMigrationFolders(const std::vector<Toe5_FolderInfo>& folders)
{
    std::vector<MigrationFolder> plan;
    const FolderTree tree = FolderTree::Build(folders);
    PlanLevel(tree.TopLevel(), folders, nullptr, plan);
    return plan;
}

std::string RelativeMigrationPath(const MigrationFolder& folder, MigrationFormat format)
{
    std::string path;
    switch (format) {
    case MigrationFormat::Mboxrd:
        for (std::size_t i = 0; i + 1 < folder.names.size(); ++i)
            path += folder.names[i] + ".sbd/";
        return path + folder.names.back();
    case MigrationFormat::Maildir:
        for (const std::string& name : folder.names)
            path += "." + name;
        return path;
    case MigrationFormat::EmlTree:
        for (std::size_t i = 0; i < folder.names.size(); ++i)
            path += (i ? "/" : "") + folder.names[i];
        return path;
    }
    return path;
}

std::string MigrationPathOf(const MigrationFolder& folder, MigrationFormat format, const std::string& outputFolder)
{
    return JoinPath(outputFolder, RelativeMigrationPath(folder, format));
}

}  // namespace vellumine
