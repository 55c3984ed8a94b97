#include "store/TextOrder.h"

namespace vellumine {

int CompareUpperAscii(std::string_view a, std::string_view b)
{
    const auto upper = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 'a' && byte <= 'z') ? byte - 32 : byte;
    };
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = upper(a[i]) - upper(b[i]);
        if (difference != 0)
            return difference;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace vellumine
