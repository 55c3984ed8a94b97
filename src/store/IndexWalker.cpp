#include "store/IndexWalker.h"

#include <vector>

#include "store/OffsetSet.h"
#include "store/StoreFile.h"

namespace vellumine {
namespace {

struct NodeFrame {
    enum class Stage { ParentLink, BeforeLink, Entries };
    std::uint32_t offset = 0;
    std::uint32_t parentLink = 0;
    std::uint32_t beforeLink = 0;
    std::uint32_t entryCount = 0;
    std::uint32_t nextEntry = 0;
    Stage stage = Stage::ParentLink;
};

class IndexWalk {
public:
    IndexWalk(StoreFile& file, WorkBudget& budget, const std::function<void(std::uint32_t)>& onRecord)
        : FFile(file), FBudget(budget), FOnRecord(onRecord)
    {
    }

    void Run(std::uint32_t rootOffset)
    {
        Enter(rootOffset);
        while (!FStack.empty() && !FBudget.Spent())
            Step();
        if (FBudget.Spent())
            FBudget.Report().workBudgetSpent = true;
    }

private:
    // Pushes the node at `offset` when its own-offset field matches; a node
    // that does not match is not marked as visited.
    void Enter(std::uint32_t offset)
    {
        if (offset >= FFile.Size()) {
            ++FBudget.Report().linksPastEnd;
            return;
        }
        unsigned char bytes[NodeHeader::kEncodedLength];
        const auto header = NodeHeader::Decode(bytes, FFile.ReadAt(offset, sizeof bytes, bytes), offset);
        if (!header) {
            ++FBudget.Report().nodesUnreadable;
            return;
        }
        FVisited.Insert(offset);
        NodeFrame frame;
        frame.offset = offset;
        frame.beforeLink = header->beforeLink;
        frame.parentLink = header->parentLink;
        frame.entryCount = header->entryCount;
        FStack.push_back(frame);
    }

    // A parent link names a node walked before in every sound file; any
    // other link that does so is damage the report counts.
    void FollowLink(std::uint32_t link, bool isParentLink = false)
    {
        if (link == 0)
            return;
        if (!FVisited.Contains(link))
            Enter(link);
        else if (!isParentLink)
            ++FBudget.Report().nodesRevisited;
    }

    void Step()
    {
        NodeFrame& frame = FStack.back();
        switch (frame.stage) {
        case NodeFrame::Stage::ParentLink:
            frame.stage = NodeFrame::Stage::BeforeLink;
            FollowLink(frame.parentLink, true);
            return;
        case NodeFrame::Stage::BeforeLink:
            frame.stage = NodeFrame::Stage::Entries;
            FollowLink(frame.beforeLink);
            return;
        case NodeFrame::Stage::Entries:
            StepEntry();
            return;
        }
    }

    void StepEntry()
    {
        NodeFrame& frame = FStack.back();
        if (frame.nextEntry >= frame.entryCount) {
            FStack.pop_back();
            return;
        }
        unsigned char bytes[NodeEntry::kEncodedLength];
        const std::uint64_t at = std::uint64_t{frame.offset} + NodeHeader::kEncodedLength +
                                 std::uint64_t{frame.nextEntry} * NodeEntry::kEncodedLength;
        // Entries the file cannot hold end the node.
        const auto entry = NodeEntry::Decode(bytes, FFile.ReadAt(at, sizeof bytes, bytes));
        if (!entry || !FBudget.Charge(NodeEntry::kEncodedLength)) {
            if (!entry)
                ++FBudget.Report().entriesBeyondFile;
            FStack.pop_back();
            return;
        }
        ++frame.nextEntry;
        const std::uint32_t record = entry->record;
        const std::uint32_t child = entry->child;
        // A damaged index may name one record from many entries; it is one
        // message, handed out once.
        if (record != 0) {
            if (FRecordsTaken.Insert(record))
                FOnRecord(record);
            else
                ++FBudget.Report().recordsRepeated;
        }
        // Last use of the frame: following the child may grow the stack.
        FollowLink(child);
    }

    StoreFile& FFile;
    WorkBudget& FBudget;
    const std::function<void(std::uint32_t)>& FOnRecord;
    OffsetSet FVisited;
    OffsetSet FRecordsTaken;
    std::vector<NodeFrame> FStack;
};

}  // namespace

bool IsIndexNode(StoreFile& file, std::uint32_t offset)
{
    // A record's header starts with its own offset too: a node must also
    // have a first entry that names places within the file. (Its entry
    // count may run past the end: the entries there are walked.)
    unsigned char bytes[NodeHeader::kEncodedLength + NodeEntry::kEncodedLength];
    const std::size_t arrived = offset == 0 ? 0 : file.ReadAt(offset, sizeof bytes, bytes);
    const auto header = NodeHeader::Decode(bytes, arrived, offset);
    if (!header || header->entryCount == 0)
        return false;
    const auto first = NodeEntry::Decode(bytes + NodeHeader::kEncodedLength, arrived - NodeHeader::kEncodedLength);
    return first && first->record < file.Size() && first->child < file.Size() && header->beforeLink < file.Size();
}

void WalkIndex(StoreFile& file, std::uint32_t rootOffset, WorkBudget& budget,
               const std::function<void(std::uint32_t recordOffset)>& onRecord)
{
    IndexWalk(file, budget, onRecord).Run(rootOffset);
}

}  // namespace vellumine
