#include "platform/Registry.h"

#include "platform/Ascii.h"
#include "platform/Error.h"

namespace vellumine {
namespace {

std::string FoldName(const std::string& name)
{
    return LowerAsciiText(name);
}

}  // namespace

std::string FoldKeyPath(const std::string& keyPath)
{
    std::string folded;
    folded.reserve(keyPath.size());
    for (const char c : keyPath) {
        if (c == '\\' && (folded.empty() || folded.back() == '\\'))
            continue;
        folded += LowerAsciiChar(c);
    }
    if (!folded.empty() && folded.back() == '\\')
        folded.pop_back();
    return folded;
}

std::string Registry::ReadString(const std::string& keyPath, const std::string& valueName) const
{
    const auto value = FindValue(keyPath, valueName);
    if (!value)
        return {};
    if (value->kind == RegistryValue::Kind::Other)
        throw Error(FormatMessage("Ungültiger Datentyp für '%s'!", valueName));
    return value->text;
}

void MemoryRegistry::SetValue(const std::string& keyPath, const std::string& valueName,
                              RegistryValue value)
{
    FKeys[FoldKeyPath(keyPath)][FoldName(valueName)] = std::move(value);
}

void MemoryRegistry::CreateKey(const std::string& keyPath)
{
    FKeys[FoldKeyPath(keyPath)];
}

void MemoryRegistry::DeleteKey(const std::string& keyPath)
{
    const std::string folded = FoldKeyPath(keyPath);
    for (auto it = FKeys.begin(); it != FKeys.end();) {
        const bool below = it->first.size() > folded.size() &&
                           it->first.compare(0, folded.size(), folded) == 0 &&
                           it->first[folded.size()] == '\\';
        it = (it->first == folded || below) ? FKeys.erase(it) : std::next(it);
    }
}

void MemoryRegistry::DeleteValue(const std::string& keyPath, const std::string& valueName)
{
    const auto key = FKeys.find(FoldKeyPath(keyPath));
    if (key != FKeys.end())
        key->second.erase(FoldName(valueName));
}

bool MemoryRegistry::KeyExists(const std::string& keyPath) const
{
    const std::string folded = FoldKeyPath(keyPath);
    if (FKeys.count(folded))
        return true;
    // A key exists also when only keys below it were written.
    const auto next = FKeys.lower_bound(folded + '\\');
    return next != FKeys.end() && next->first.compare(0, folded.size() + 1, folded + '\\') == 0;
}

std::optional<RegistryValue> MemoryRegistry::FindValue(const std::string& keyPath,
                                                       const std::string& valueName) const
{
    const auto key = FKeys.find(FoldKeyPath(keyPath));
    if (key == FKeys.end())
        return std::nullopt;
    const auto value = key->second.find(FoldName(valueName));
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

}  // namespace vellumine
