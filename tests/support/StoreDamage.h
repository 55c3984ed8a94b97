#pragma once
// Damage done on purpose to a written store image, as old disks and broken
// programs do it: wrong own-offsets, links that form cycles, cut-off files,
// and counts and lengths far beyond what the file holds.

#include <cstdint>
#include <string>

#include "StoreWriter.h"

namespace vellumine::storewriter {

void PutWord(StoreImage& image, std::uint32_t at, std::uint32_t value);

void SetItemCount(StoreImage& image, std::int32_t count);
void BreakNodeOwnOffset(StoreImage& image, std::size_t node);
void BreakRecordOwnOffset(StoreImage& image, std::size_t record);
void SetNodeEntryCount(StoreImage& image, std::size_t node, std::uint32_t count);
void SetRecordBodyLength(StoreImage& image, std::size_t record, std::uint32_t length);
void SetBlockDataLength(StoreImage& image, std::size_t record, std::size_t block, std::int32_t length);
void SetBlockNext(StoreImage& image, std::size_t record, std::size_t block, std::uint32_t next);

// Every link a node leaves empty (parent, subtree before, child after an
// entry) is pointed back at the root or the node itself: a walk that
// followed links blindly would never end, yet every record stays reachable.
void LinkNodesInCycle(StoreImage& image);

// The last block of a record's chain leads back to its first block.
void LinkBlocksInCycle(StoreImage& image, std::size_t record);

void Truncate(StoreImage& image, std::size_t size);

// A copy of a record's blocks (which must lie one after another) appended
// to the file as they are, their own-offset and next fields still naming
// where they were: what a program leaves that moves blocks as a whole.
// Returns where the copy's first block lies.
std::uint32_t AppendMovedCopy(StoreImage& image, std::size_t record);

// The first `count` data bytes of a record's first block overwritten with
// bytes that are no header line (as a free list's bookkeeping does it).
void OverwriteSourceStart(StoreImage& image, std::size_t record, std::size_t count);

// The whole block header of a record's `block` zeroed.
void ZeroBlockHeader(StoreImage& image, std::size_t record, std::size_t block);

}  // namespace vellumine::storewriter
