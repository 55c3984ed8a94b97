#include "app/LayoutState.h"

#include <charconv>

#include "app/SettingsFile.h"
#include "platform/FileAccess.h"

namespace vellumine {
namespace {

template <typename Number>
std::optional<Number> ReadNumber(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<int> ReadWidths(std::string_view text)
{
    std::vector<int> widths;
    while (!text.empty() && widths.size() < 16) {
        const std::size_t comma = text.find(',');
        const auto width = ReadNumber<int>(text.substr(0, comma));
        widths.push_back(width && *width > 0 && *width < 10000 ? *width : 0);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return widths;
}

void Apply(LayoutState& state, std::string_view name, std::string_view value)
{
    if (name == "window")
        state.windowGeometry = value;
    else if (name == "tree")
        state.treeSplitter = value;
    else if (name == "list-percent") {
        if (const auto percent = ReadNumber<int>(value); percent && *percent >= 10 && *percent <= 90)
            state.listPercent = percent;
    } else if (name == "columns")
        state.columnWidths = ReadWidths(value);
    else if (name == "sort-column") {
        if (const auto column = ReadNumber<int>(value); column && *column >= 0 && *column <= 3)
            state.sortColumn = column;
    } else if (name == "sort-descending") {
        if (value == "0" || value == "1")
            state.sortDescending = value == "1";
    } else if (name == "store")
        state.storeFolder = value;
    else if (name == "folder")
        state.folderId = ReadNumber<std::int64_t>(value);
}

}  // namespace

LayoutState ReadLayoutState(const std::string& path)
{
    LayoutState state;
    const auto text = ReadFileBytes(path);
    if (!text || text->size() > 1024 * 1024)
        return state;
    std::string_view rest(*text);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos)
            Apply(state, line.substr(0, equals), line.substr(equals + 1));
    }
    return state;
}

bool WriteLayoutState(const std::string& path, const LayoutState& state)
{
    std::string text;
    const auto line = [&text](const char* name, const std::string& value) {
        // A folder name with a line break would end its line early.
        if (value.find_first_of("\r\n") == std::string::npos)
            text += std::string(name) + "=" + value + "\n";
    };
    line("window", state.windowGeometry);
    line("tree", state.treeSplitter);
    if (state.listPercent)
        line("list-percent", std::to_string(*state.listPercent));
    std::string widths;
    for (const int width : state.columnWidths)
        widths += (widths.empty() ? "" : ",") + std::to_string(width);
    line("columns", widths);
    if (state.sortColumn)
        line("sort-column", std::to_string(*state.sortColumn));
    if (state.sortDescending)
        line("sort-descending", *state.sortDescending ? "1" : "0");
    line("store", state.storeFolder);
    if (state.folderId)
        line("folder", std::to_string(*state.folderId));
    return ReplaceFileSafely(path, text);
}

}  // namespace vellumine
