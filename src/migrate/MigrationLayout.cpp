#include "migrate/MigrationLayout.h"

#include <algorithm>
#include <set>

#include "migrate/FolderNames.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "platform/FileAccess.h"
#include "store/FolderTree.h"

namespace vellumine {
namespace {

constexpr std::size_t kMaxNameBytes = 255;
// An mbox file "Name" has "Name.sbd/" for its children and Thunderbird's
// "Name.msf" beside it.
constexpr std::size_t kMboxSuffixBytes = 4;
// What each deeper Maildir++ level keeps at least before upper levels are
// given their full names.
constexpr std::size_t kMaildirLevelReserve = 16;
constexpr std::size_t kMinimumNameBytes = 8;

const char* const kMaildirInbox = "INBOX";
const char* const kMboxInbox = "Inbox";  // as Thunderbird's Local Folders name it

std::size_t DepthBelow(const FolderNode& node)
{
    std::size_t depth = 0;
    for (const auto& child : node.children)
        depth = std::max(depth, 1 + DepthBelow(*child));
    return depth;
}

// The store's inbox: a special folder named or filed as the inbox.
bool IsInboxFolder(const Toe5_FolderInfo& info)
{
    if (!info.Special)
        return false;
    const std::string name = LowerAsciiText(info.Name);
    const std::string file = LowerAsciiText(info.FileName);
    return name == "posteingang" || name == "inbox" || file == "posteingang.dbx" || file == "inbox.dbx";
}

const FolderNode* FindInbox(const FolderTree& tree, const std::vector<Toe5_FolderInfo>& folders)
{
    for (const FolderNode* node : tree.DisplayOrder())
        if (IsInboxFolder(folders[node->folderIndex]))
            return node;
    return nullptr;
}

class Planner {
public:
    Planner(const std::vector<Toe5_FolderInfo>& folders, MigrationFormat format,
            const std::function<bool(const std::string&)>& hasRescued)
        : FFolders(folders), FFormat(format), FHasRescued(hasRescued), FWithRescued(static_cast<bool>(hasRescued))
    {
    }

    std::vector<MigrationFolder> Plan()
    {
        const FolderTree tree = FolderTree::Build(FFolders);
        FInbox = FFormat == MigrationFormat::EmlTree ? nullptr : FindInbox(tree, FFolders);
        std::set<std::string> taken;
        // The target's INBOX: a user folder of that name elsewhere gets one of its own.
        if (FFormat != MigrationFormat::EmlTree)
            taken.insert(FoldNameCase(kMaildirInbox));
        if (FInbox)
            PlanInbox(*FInbox);
        PlanLevel(tree.TopLevel(), nullptr, taken);
        return std::move(FPlan);
    }

private:
    void PlanInbox(const FolderNode& node)
    {
        MigrationFolder folder = Describe(node);
        folder.shownPath = ShownPath(node);
        folder.inbox = true;
        folder.names = {FFormat == MigrationFormat::Maildir ? kMaildirInbox : kMboxInbox};
        FPlan.push_back(folder);
        std::set<std::string> taken;
        PlanRescued(folder, taken);
        PlanLevel(node.children, &folder, taken);
    }

    void PlanLevel(const std::vector<std::unique_ptr<FolderNode>>& nodes, const MigrationFolder* parent,
                   std::set<std::string>& taken)
    {
        for (const auto& node : nodes) {
            if (node.get() == FInbox)
                continue;  // planned at the top as INBOX
            MigrationFolder folder = Describe(*node);
            folder.shownPath = (parent ? parent->shownPath + "/" : std::string()) +
                               Windows1252ToUtf8(FFolders[node->folderIndex].Name);
            folder.names = parent ? parent->names : std::vector<std::string>();
            folder.placeable = !parent || parent->placeable;
            const std::string clean = CleanName(FFolders[node->folderIndex].Name);
            const std::size_t room = NameRoom(folder.names, DepthBelow(*node) + (FWithRescued ? 1 : 0));
            folder.placeable = folder.placeable && room >= kMinimumNameBytes;
            folder.names.push_back(folder.placeable ? Encoder()(UniqueFolderName(clean, room, Encoder(), taken)) : clean);
            FPlan.push_back(folder);
            std::set<std::string> childNames;
            PlanRescued(folder, childNames);
            PlanLevel(node->children, &folder, childNames);  // recursion as deep as the tree: kMaxFolderDepth at most
        }
    }

    // Taken first among the children, so that a user's own folder of the
    // same name is the one that gets another.
    void PlanRescued(const MigrationFolder& parent, std::set<std::string>& taken)
    {
        if (!FWithRescued || parent.storeFile.empty() || !FHasRescued(parent.storeFile))
            return;
        MigrationFolder folder = parent;
        folder.rescued = true;
        folder.inbox = false;
        folder.hasChildren = false;
        folder.placedAtDepthBound = false;
        folder.shownPath = parent.shownPath + "/" + kRescuedFolderName;
        const std::string clean = CleanName(kRescuedFolderName);
        const std::size_t room = NameRoom(parent.names, 0);
        folder.placeable = parent.placeable && room >= kMinimumNameBytes;
        folder.names.push_back(folder.placeable ? Encoder()(UniqueFolderName(clean, room, Encoder(), taken)) : clean);
        FPlan.push_back(folder);
    }

    MigrationFolder Describe(const FolderNode& node) const
    {
        const Toe5_FolderInfo& info = FFolders[node.folderIndex];
        MigrationFolder folder;
        folder.folderIndex = node.folderIndex;
        folder.storeId = info.Id;
        folder.storeFile = info.FileName;
        folder.hasChildren = !node.children.empty() || (FWithRescued && !info.FileName.empty() && FHasRescued(info.FileName));
        folder.placedAtDepthBound = node.placedAtDepthBound;
        return folder;
    }

    // The store's names from the top, for the inbox moved out of its place;
    // every other folder's path is its parent's with its own name added.
    std::string ShownPath(const FolderNode& node) const
    {
        std::string path = Windows1252ToUtf8(FFolders[node.folderIndex].Name);
        for (const FolderNode* up = node.parent; up; up = up->parent)
            path = Windows1252ToUtf8(FFolders[up->folderIndex].Name) + "/" + path;
        return path;
    }

    std::string CleanName(const std::string& storeName) const
    {
        std::string name = CleanFolderName(Windows1252ToUtf8(storeName), FFormat == MigrationFormat::Maildir);
        // "Name.sbd" and "Name.msf" are Thunderbird's own files beside an mbox file.
        const std::string end = LowerAsciiText(name.size() >= 4 ? name.substr(name.size() - 4) : name);
        if (IsMboxFormat(FFormat) && (end == ".sbd" || end == ".msf"))
            name += '_';
        return name;
    }

    // The bytes a name may take on disk below `above`, with `levelsBelow`
    // levels still to come under it. In Maildir++ one file name holds the
    // whole chain: upper levels keep their names while every deeper level
    // keeps room of its own.
    std::size_t NameRoom(const std::vector<std::string>& above, std::size_t levelsBelow) const
    {
        if (FFormat == MigrationFormat::EmlTree)
            return kMaxNameBytes;
        if (IsMboxFormat(FFormat))
            return kMaxNameBytes - kMboxSuffixBytes;
        std::size_t used = 0;
        for (const std::string& name : above)
            used += 1 + name.size();
        if (used + 1 >= kMaxNameBytes)
            return 0;
        const std::size_t room = kMaxNameBytes - used - 1;
        const std::size_t reserved = levelsBelow * (kMaildirLevelReserve + 1);
        const std::size_t share = room / (levelsBelow + 1);
        // A chain too deep for all of it still gets its upper levels in,
        // each with a short name; what no longer fits is reported.
        return std::max({share > 0 ? share - (levelsBelow > 0 ? 1 : 0) : 0, room > reserved ? room - reserved : 0,
                         std::min(room, kMinimumNameBytes)});
    }

    // Dovecot keeps folder names in modified UTF-7 on disk, in Maildir++ and
    // in mbox trees alike, and opens no other; Thunderbird and the .eml tree
    // take UTF-8.
    NameEncoder Encoder() const
    {
        return FFormat == MigrationFormat::Maildir || FFormat == MigrationFormat::Mboxrd ? ModifiedUtf7 : KeepUtf8;
    }

    const std::vector<Toe5_FolderInfo>& FFolders;
    MigrationFormat FFormat;
    const std::function<bool(const std::string&)>& FHasRescued;
    bool FWithRescued;
    const FolderNode* FInbox = nullptr;
    std::vector<MigrationFolder> FPlan;
};

}  // namespace

std::vector<MigrationFolder> PlanMigrationFolders(const std::vector<Toe5_FolderInfo>& folders, MigrationFormat format,
                                                  const std::function<bool(const std::string&)>& hasRescued)
{
    return Planner(folders, format, hasRescued).Plan();
}

std::string RelativeMigrationPath(const MigrationFolder& folder, MigrationFormat format)
{
    std::string path;
    switch (format) {
    case MigrationFormat::Mboxrd:
    case MigrationFormat::Thunderbird:
        for (std::size_t i = 0; i + 1 < folder.names.size(); ++i)
            path += folder.names[i] + ".sbd/";
        return path + folder.names.back();
    case MigrationFormat::Maildir:
        if (folder.inbox)
            return ".";
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
    const std::string relative = RelativeMigrationPath(folder, format);
    return relative == "." ? outputFolder : JoinPath(outputFolder, relative);
}

}  // namespace vellumine
