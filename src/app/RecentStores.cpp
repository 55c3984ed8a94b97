#include "app/RecentStores.h"

#include <cstdio>

#include "platform/FileAccess.h"

namespace vellumine {

std::vector<std::string> ReadRecentStores(const std::string& path)
{
    std::vector<std::string> stores;
    const auto text = ReadFileBytes(path);
    if (!text)
        return stores;
    std::size_t at = 0;
    while (at < text->size() && stores.size() < kRecentStoreCount) {
        std::size_t end = text->find('\n', at);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            stores.push_back(line);
        at = end + 1;
    }
    return stores;
}

bool WriteRecentStores(const std::string& path, const std::vector<std::string>& stores)
{
    std::string text;
    for (const std::string& store : stores)
        text += store + "\n";
    const std::string temporary = path + ".tmp";
    try {
        WriteFileReplacing(temporary, text);
    } catch (const Error&) {
        return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::vector<std::string> WithRecentStore(const std::vector<std::string>& stores, const std::string& store)
{
    std::vector<std::string> result{store};
    for (const std::string& other : stores)
        if (other != store && result.size() < kRecentStoreCount)
            result.push_back(other);
    return result;
}

}  // namespace vellumine
