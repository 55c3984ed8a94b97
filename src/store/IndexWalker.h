#pragma once
// The walk over a store file's index tree. Each node is entered once (a
// hash set of visited node offsets ends cyclic links); the record offsets
// of its entries are handed out in index order: the node's parent link,
// the subtree before its first entry, then each entry's record followed by
// the subtree after it. The walk keeps its own stack, so a deep or long
// chain of nodes cannot exhaust the program's stack.

#include <cstdint>
#include <functional>

#include "store/StoreFormat.h"

namespace vellumine {

class StoreFile;
class WorkBudget;

// True when an index node lies at `offset` (its own-offset field matches).
bool IsIndexNode(StoreFile& file, std::uint32_t offset);

// Calls onRecord for every entry with a record offset greater than 0, once
// per offset. Stops early when the budget runs out.
void WalkIndex(StoreFile& file, std::uint32_t rootOffset, WorkBudget& budget,
               const std::function<void(std::uint32_t recordOffset)>& onRecord);

// Bounds the work one read of a store file may do, in bytes touched, at a
// small multiple of the file size: an intact file never comes near it, and
// a damaged one whose nodes and records overlap cannot make the reader run
// for long or fill the memory with copies.
//
// Records of a sound file do not share bytes, so the records one read takes
// cannot together be larger than the file: that bounds their number (and
// the memory of the list) to what the file could hold.
class WorkBudget {
public:
    explicit WorkBudget(std::uint64_t fileSize) : FLeft(4 * fileSize + (1u << 20)), FRecordBytesLeft(fileSize) {}
    // False once the budget is spent.
    bool Charge(std::uint64_t bytes)
    {
        FLeft = bytes > FLeft ? 0 : FLeft - bytes;
        return FLeft > 0;
    }
    bool Spent() const { return FLeft == 0; }
    // What the read passed over so far, and why.
    StoreReadReport& Report() { return FReport; }
    // False when a record of this size no longer fits into the file beside
    // the records taken before.
    bool TakeRecord(std::uint64_t bytes)
    {
        if (bytes > FRecordBytesLeft)
            return false;
        FRecordBytesLeft -= bytes;
        return true;
    }

private:
    std::uint64_t FLeft;
    std::uint64_t FRecordBytesLeft;
    StoreReadReport FReport;
};

}  // namespace vellumine
