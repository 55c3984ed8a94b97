#pragma once
// The stores opened last, offered again next time: kept beside options.dat
// in a file of their own ("stores.txt", one folder per line, UTF-8, the
// latest first), so that options.dat keeps its 24-byte layout.

#include <string>
#include <vector>

namespace vellumine {

inline constexpr std::size_t kRecentStoreCount = 5;

// The folders in the file; none when it cannot be read.
std::vector<std::string> ReadRecentStores(const std::string& path);

// Writes under a temporary name and renames into place; false on failure.
bool WriteRecentStores(const std::string& path, const std::vector<std::string>& stores);

// `store` first, then the others without it, at most kRecentStoreCount.
std::vector<std::string> WithRecentStore(const std::vector<std::string>& stores, const std::string& store);

}  // namespace vellumine
