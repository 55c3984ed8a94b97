#pragma once
// An ordered list of 8-bit lines: bodies, templates and pages. Its text is
// every line followed by CR LF; setting the text splits at CR LF, CR or LF,
// a final line break making no empty last line and a NUL ending the text.

#include <string>
#include <string_view>
#include <vector>

namespace vellumine {

class TLineList {
public:
    void SetText(std::string_view text);
    std::string Text() const;

    bool Empty() const { return FLines.empty(); }
    std::size_t Count() const { return FLines.size(); }
    void Clear() { FLines.clear(); }
    void Add(std::string line) { FLines.push_back(std::move(line)); }
    void Insert(std::size_t index, std::string line) { FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line)); }
    void Delete(std::size_t index) { FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(index)); }

    std::string& operator[](std::size_t index) { return FLines[index]; }
    const std::string& operator[](std::size_t index) const { return FLines[index]; }
    std::vector<std::string>& Lines() { return FLines; }
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
};

// Appends `text` to `out` as SetText and Text would give it (lines cut at
// CR LF, CR or LF, each ended by CR LF, nothing after a NUL), without a
// string for each line.
void AppendAsLines(std::string& out, std::string_view text);

}  // namespace vellumine
