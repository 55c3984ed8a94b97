#pragma once
// A message's source text, kept in a chain of 528-byte blocks: own offset,
// a word not used, the data length, the next block's offset, 512 data bytes.

#include <cstdint>
#include <string>

namespace vellumine {

class StoreFile;

// The bytes of the chain that starts at `firstBlock`, exactly as stored.
// The chain ends at a next offset of 0, at a block whose own-offset field
// does not match, at a block the file cannot hold in full, at a block it has
// already read, and once the text has grown to the size of the file (which
// blocks of an intact file never reach).
std::string ReadBlockChain(StoreFile& file, std::uint32_t firstBlock);

}  // namespace vellumine
