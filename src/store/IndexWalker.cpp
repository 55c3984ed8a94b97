#include "store/IndexWalker.h"

#include <unordered_set>
#include <vector>

#include "store/ByteOrder.h"
#include "store/StoreFile.h"

namespace vellumine {
namespace {

constexpr std::size_t kNodeHeaderSize = 24;
constexpr std::size_t kNodeEntrySize = 12;

struct NodeFrame {
    enum class Stage { ParentLink, BeforeLink, Entries };
    std::uint32_t offset = 0;
    std::int32_t parentLink = 0;
    std::int32_t beforeLink = 0;
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
    }

private:
    // Pushes the node at `offset` when its own-offset field matches; a node
    // that does not match is not marked as visited.
    void Enter(std::uint32_t offset)
    {
        unsigned char header[kNodeHeaderSize];
        if (FFile.ReadAt(offset, sizeof header, header) != sizeof header)
            return;
        if (DecodeFixed32(header) != offset)
            return;
        FVisited.insert(offset);
        NodeFrame frame;
        frame.offset = offset;
        frame.beforeLink = DecodeSigned32(header + 0x08);
        frame.parentLink = DecodeSigned32(header + 0x0C);
        frame.entryCount = DecodeFixed32(header + 0x10) >> 8;
        FStack.push_back(frame);
    }

    void FollowLink(std::int32_t link)
    {
        if (link > 0 && !FVisited.count(static_cast<std::uint32_t>(link)))
            Enter(static_cast<std::uint32_t>(link));
    }

    void Step()
    {
        NodeFrame& frame = FStack.back();
        switch (frame.stage) {
        case NodeFrame::Stage::ParentLink:
            frame.stage = NodeFrame::Stage::BeforeLink;
            FollowLink(frame.parentLink);
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
        unsigned char entry[kNodeEntrySize];
        const std::uint64_t at =
            std::uint64_t{frame.offset} + kNodeHeaderSize + std::uint64_t{frame.nextEntry} * kNodeEntrySize;
        // Entries the file cannot hold end the node.
        if (frame.nextEntry >= frame.entryCount || FFile.ReadAt(at, sizeof entry, entry) != sizeof entry ||
            !FBudget.Charge(kNodeEntrySize)) {
            FStack.pop_back();
            return;
        }
        ++frame.nextEntry;
        const std::int32_t record = DecodeSigned32(entry);
        const std::int32_t child = DecodeSigned32(entry + 4);
        // A damaged index may name one record from many entries; it is one
        // message, handed out once.
        if (record > 0 && FRecordsTaken.insert(static_cast<std::uint32_t>(record)).second)
            FOnRecord(static_cast<std::uint32_t>(record));
        // Last use of the frame: following the child may grow the stack.
        FollowLink(child);
    }

    StoreFile& FFile;
    WorkBudget& FBudget;
    const std::function<void(std::uint32_t)>& FOnRecord;
    std::unordered_set<std::uint32_t> FVisited;
    std::unordered_set<std::uint32_t> FRecordsTaken;
    std::vector<NodeFrame> FStack;
};

}  // namespace

void WalkIndex(StoreFile& file, std::uint32_t rootOffset, WorkBudget& budget,
               const std::function<void(std::uint32_t recordOffset)>& onRecord)
{
    IndexWalk(file, budget, onRecord).Run(rootOffset);
}

}  // namespace vellumine
