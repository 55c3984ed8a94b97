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

// Safe names hold no "/", so the joined path splits back into them.
std::vector<std::string_view> SafeNames(const std::string& safePath)
{
    std::vector<std::string_view> names;
    const std::string_view path = safePath;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        names.push_back(path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (slash == std::string_view::npos)
            return names;
        start = slash + 1;
    }
}

// Each folder's paths are its parent's with its own name added, so the
// plan grows with the sum of the depths, which the tree bounds.
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
        const std::string name = UniqueSiblingName(info.Name, taken);
        folder.safePath = parent ? parent->safePath + "/" + name : name;
        folder.shownPath = (parent ? parent->shownPath + "/" : std::string()) + Windows1252ToUtf8(info.Name);
        folder.hasChildren = !node->children.empty();
        folder.placedAtDepthBound = node->placedAtDepthBound;
        plan.push_back(folder);
        PlanLevel(node->children, folders, &folder, plan);  // recursion as deep as the tree: kMaxFolderDepth at most
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
    const std::vector<std::string_view> names = SafeNames(folder.safePath);
    std::string path;
    switch (format) {
    case MigrationFormat::Mboxrd:
        for (std::size_t i = 0; i + 1 < names.size(); ++i)
            path.append(names[i]).append(".sbd/");
        return path.append(names.back());
    case MigrationFormat::Maildir:
        for (const std::string_view name : names)
            path.append(".").append(name);
        return path;
    case MigrationFormat::EmlTree:
        return folder.safePath;
    }
    return path;
}

std::string MigrationPathOf(const MigrationFolder& folder, MigrationFormat format, const std::string& outputFolder)
{
    return JoinPath(outputFolder, RelativeMigrationPath(folder, format));
}

}  // namespace vellumine
