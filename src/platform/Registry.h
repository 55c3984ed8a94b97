#pragma once
// Read-only access to the current user's registry hive. On Windows this is
// the real registry; on Linux a registry file stands in for it.

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace vellumine {

struct RegistryValue {
    enum class Kind { String, ExpandString, Other };
    Kind kind = Kind::String;
    std::string text;  // UTF-8; meaningful for the two string kinds
};

class Registry {
public:
    virtual ~Registry() = default;

    // Key paths are taken from the hive's root, with or without a leading
    // backslash; letter case does not matter.
    virtual bool KeyExists(const std::string& keyPath) const = 0;
    virtual std::optional<RegistryValue> FindValue(const std::string& keyPath,
                                                   const std::string& valueName) const = 0;

    // A string or expandable-string value; a missing value (or key) reads as
    // empty text. Any other kind of value raises "Ungültiger Datentyp für '%s'!".
    std::string ReadString(const std::string& keyPath, const std::string& valueName) const;
};

// Keys and values held in memory, as read from a registry file.
class MemoryRegistry : public Registry {
public:
    void SetValue(const std::string& keyPath, const std::string& valueName, RegistryValue value);
    void CreateKey(const std::string& keyPath);
    void DeleteKey(const std::string& keyPath);
    void DeleteValue(const std::string& keyPath, const std::string& valueName);

    bool KeyExists(const std::string& keyPath) const override;
    std::optional<RegistryValue> FindValue(const std::string& keyPath,
                                           const std::string& valueName) const override;

private:
    using ValueMap = std::map<std::string, RegistryValue>;
    std::map<std::string, ValueMap> FKeys;  // by folded key path, values by folded name
};

// Lower-cases A to Z and drops leading, trailing and doubled backslashes.
std::string FoldKeyPath(const std::string& keyPath);

}  // namespace vellumine
