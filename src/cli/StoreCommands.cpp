#include "cli/StoreCommands.h"

#include <nlohmann/json.hpp>
#include <charconv>
#include <cstdio>
#include <ostream>

#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/JsonText.h"
#include "store/FileTime.h"

namespace vellumine::cli {

using Json = nlohmann::ordered_json;

namespace {

// Store texts are 8-bit Windows-1252; JSON wants UTF-8.
Json StoreText(const std::string& bytes)
{
    return Windows1252ToUtf8(bytes);
}

Json FolderJson(const Toe5_FolderInfo& folder)
{
    return Json{{"id", folder.Id},
                {"parentId", folder.ParentId},
                {"name", StoreText(folder.Name)},
                {"fileName", StoreText(folder.FileName)},
                {"special", folder.Special}};
}

void AppendNumber(std::string& out, std::int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// One message of `list`, written directly: a folder of 100,000 messages
// would otherwise spend most of its time building JSON objects.
void AppendMessageJson(std::string& out, std::size_t index, const Toe5_MessageInfo& message)
{
    out += "{\"index\":";
    AppendNumber(out, static_cast<std::int64_t>(index));
    out += ",\"recordOffset\":";
    AppendNumber(out, message.RecordOffset);
    out += ",\"sourceOffset\":";
    AppendNumber(out, message.SourceOffset);
    out += ",\"date\":";
    if (message.MessageDate == 0)
        out += "null";
    else
        AppendJsonString(out, FileTimeToIsoUtc(message.MessageDate));
    out += ",\"dateText\":";
    AppendJsonString(out, DateTimeText(FileTimeToDateTime(message.MessageDate)));
    out += ",\"sender\":";
    AppendJsonString(out, Windows1252ToUtf8(message.SenderName));
    out += ",\"recipient\":";
    AppendJsonString(out, Windows1252ToUtf8(message.RecipientName));
    out += ",\"subject\":";
    AppendJsonString(out, Windows1252ToUtf8(message.Subject));
    out += '}';
}

}  // namespace

void PrintFolders(const CliOptions& options, std::ostream& out)
{
    StoreRecords records;
    MakeStoreReader(options)->ReadStoreIndex(kFolderListFileName, &records);
    Json folders = Json::array();
    for (const auto& folder : records.Folders)
        folders.push_back(FolderJson(folder));
    out << folders.dump(2) << '\n';
}

Json ReportJson(const StoreReadReport& report)
{
    return Json{{"clean", report.Clean()},
                {"nodesUnreadable", report.nodesUnreadable},
                {"nodesRevisited", report.nodesRevisited},
                {"entriesBeyondFile", report.entriesBeyondFile},
                {"recordsUnreadable", report.recordsUnreadable},
                {"recordsRepeated", report.recordsRepeated},
                {"recordsOverBudget", report.recordsOverBudget},
                {"workBudgetSpent", report.workBudgetSpent}};
}

void PrintMessageList(const CliOptions& options, const std::string& fileName, std::ostream& out, bool withReport)
{
    StoreReadReport report;
    // Each record is written as it is read: a large folder is never held.
    std::string text = withReport ? "{\"messages\": [" : "[";
    std::size_t index = 0;
    MakeStoreReader(options)->ReadMessageRecords(
        fileName,
        [&](Toe5_MessageInfo&& message) {
            text += index ? ",\n  " : "\n  ";
            AppendMessageJson(text, index++, message);
            if (text.size() > 60000) {
                out << text;
                text.clear();
            }
        },
        &report);
    text += index == 0 ? "]" : "\n]";
    out << text;
    if (withReport)
        out << ",\n\"report\": " << ReportJson(report).dump() << "}";
    out << '\n';
}

void WriteMessageSource(const CliOptions& options, const std::string& fileName, std::int32_t offset,
                        std::ostream& out)
{
    const std::string source = MakeStoreReader(options)->ReadMessageSource(fileName, offset);
    out.write(source.data(), static_cast<std::streamsize>(source.size()));
}

}  // namespace vellumine::cli
