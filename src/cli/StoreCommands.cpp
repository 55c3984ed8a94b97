#include "cli/StoreCommands.h"

#include <nlohmann/json.hpp>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <ostream>

#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/JsonText.h"
#include "cli/OutputCommands.h"
#include "store/FileTime.h"
#include "store/FolderRescue.h"

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
void AppendMessageJson(std::string& out, std::size_t index, const Toe5_MessageInfo& message,
                       const char* origin = nullptr)
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
    if (origin) {
        out += ",\"origin\":";
        AppendJsonString(out, origin);
        out += message.Rescue.incomplete ? ",\"incomplete\":true" : ",\"incomplete\":false";
    }
    out += '}';
}

const char* OriginKey(RescueKind kind)
{
    switch (kind) {
    case RescueKind::Deleted: return "deleted";
    case RescueKind::Orphaned: return "orphaned";
    case RescueKind::MovedCopy: return "movedCopy";
    }
    return "";
}

Json RescueJson(const RescueReport& report)
{
    return Json{{"fromIndex", report.fromIndex},         {"deleted", report.deleted},
                {"orphaned", report.orphaned},           {"movedCopies", report.movedCopies},
                {"incomplete", report.incomplete},       {"fragments", report.fragments},
                {"duplicatesDropped", report.duplicatesDropped}, {"bytesScanned", report.bytesScanned},
                {"seconds", report.seconds}};
}

// `list --salvage`: the index's messages, then the scan's.
std::string SalvagedListJson(const FolderRescue& rescue)
{
    std::string text;
    std::size_t index = 0;
    const auto add = [&](const Toe5_MessageInfo& message, const char* origin) {
        text += index ? ",\n  " : "\n  ";
        AppendMessageJson(text, index++, message, origin);
    };
    for (const auto& message : rescue.Indexed())
        add(message, "index");
    for (const auto& found : rescue.Rescued())
        add(found.info, OriginKey(found.kind));
    return text + (index == 0 ? "]" : "\n]");
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

namespace {

// 0 for a clean read; 1, with the German sentence, for a damaged file.
int ListStatus(const StoreReadReport& report, std::ostream& out)
{
    if (report.Clean())
        return 0;
    out.flush();
    std::cerr << DamageSentence(report) << '\n';
    return 1;
}

}  // namespace

Json ReportJson(const StoreReadReport& report)
{
    return Json{{"clean", report.Clean()},
                {"itemCount", report.itemCount},
                {"messagesRead", report.messagesRead},
                {"messagesWhole", report.messagesWhole},
                {"headerForeign", report.headerForeign},
                {"rootFromCopy", report.rootFromCopy},
                {"rootUnusable", report.rootUnusable},
                {"nodesUnreadable", report.nodesUnreadable},
                {"linksPastEnd", report.linksPastEnd},
                {"nodesRevisited", report.nodesRevisited},
                {"entriesBeyondFile", report.entriesBeyondFile},
                {"recordsUnreadable", report.recordsUnreadable},
                {"recordsRepeated", report.recordsRepeated},
                {"recordsOverBudget", report.recordsOverBudget},
                {"sourcesUnreadable", report.sourcesUnreadable},
                {"sourcesShared", report.sourcesShared},
                {"workBudgetSpent", report.workBudgetSpent}};
}

int PrintMessageList(const CliOptions& options, const std::string& fileName, std::ostream& out, bool withReport,
                     bool salvage)
{
    StoreReadReport report;
    if (salvage) {
        auto reader = MakeStoreReader(options);
        const auto rescue = RunRescue(*reader, fileName);
        report = rescue->Report().read;
        out << (withReport ? "{\"messages\": [" : "[") << SalvagedListJson(*rescue);
        if (withReport) {
            Json json = ReportJson(report);
            json["rescue"] = RescueJson(rescue->Report());
            out << ",\n\"report\": " << json.dump() << "}";
        }
        out << '\n';
        return ListStatus(report, out);
    }
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
    return ListStatus(report, out);
}

void WriteMessageSource(const CliOptions& options, const std::string& fileName, std::uint32_t offset,
                        std::ostream& out)
{
    const std::string source = MakeStoreReader(options)->ReadMessageSource(fileName, offset);
    out.write(source.data(), static_cast<std::streamsize>(source.size()));
}

}  // namespace vellumine::cli
