#include "cli/StoreCommands.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "platform/Charset.h"
#include "platform/DateTime.h"
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

Json MessageJson(std::size_t index, const Toe5_MessageInfo& message)
{
    const Json date = message.MessageDate == 0 ? Json(nullptr) : Json(FileTimeToIsoUtc(message.MessageDate));
    return Json{{"index", index},
                {"recordOffset", message.RecordOffset},
                {"sourceOffset", message.SourceOffset},
                {"date", date},
                {"dateText", DateTimeText(FileTimeToDateTime(message.MessageDate))},
                {"sender", StoreText(message.SenderName)},
                {"recipient", StoreText(message.RecipientName)},
                {"subject", StoreText(message.Subject)}};
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
    StoreRecords records;
    StoreReadReport report;
    MakeStoreReader(options)->ReadStoreIndex(fileName, &records, &report);
    // Written item by item: a large folder need not exist twice in memory.
    out << (withReport ? "{\"messages\": [" : "[");
    for (std::size_t i = 0; i < records.Messages.size(); ++i)
        out << (i ? ",\n  " : "\n  ") << MessageJson(i, records.Messages[i]).dump();
    out << (records.Messages.empty() ? "]" : "\n]");
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
