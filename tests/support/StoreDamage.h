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

}  // namespace vellumine::storewriter
