#include "cli/SearchCommands.h"

#include <unistd.h>

#include <charconv>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>

#include "mime/HeaderDecoding.h"
#include "platform/Charset.h"
#include "platform/DateTime.h"
#include "platform/TerminalText.h"
#include "search/SearchIndex.h"
#include "store/FileTime.h"

namespace vellumine::cli {
namespace {

using Json = nlohmann::ordered_json;

// "Suchindex: 5120/100000 Nachrichten" on a terminal, nothing elsewhere.
IndexCallbacks TerminalProgress()
{
    IndexCallbacks callbacks;
    if (::isatty(STDERR_FILENO))
        callbacks.progress = [](std::size_t done, std::size_t total) {
            std::cerr << "\r\033[KSuchindex: " << done << '/' << total << " Nachrichten" << std::flush;
        };
    return callbacks;
}

IndexUpdate UpdatedIndex(StoreReader& reader, SearchIndex& index)
{
    const IndexCallbacks callbacks = TerminalProgress();
    const IndexUpdate update = index.Update(reader, reader.ReadStoreFolders(), callbacks);
    if (callbacks.progress)
        std::cerr << "\r\033[K";
    if (!update.notice.empty())
        std::cerr << update.notice << '\n';
    if (update.rebuilt)
        std::cerr << "Der Suchindex war beschädigt oder gehörte nicht zu dieser Postablage; er wurde neu aufgebaut.\n";
    for (const std::string& error : update.unreadable)
        std::cerr << TerminalText(error) << '\n';
    return update;
}

std::string DateText(std::uint64_t fileTime)
{
    return DateTimeText(FileTimeToDateTime(fileTime));
}

}  // namespace

std::size_t ResultCountOption(const std::string& option, const std::string& text)
{
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits)
        throw UsageError(option + " erwartet eine Zahl ab 0, nicht '" + text + "'");
    std::size_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc::result_out_of_range ? std::numeric_limits<std::size_t>::max() : count;
}

int UpdateSearchIndex(const CliOptions& options, std::ostream& out)
{
    auto reader = MakeStoreReader(options);
    const std::string indexPath = SearchIndexPath(reader->StoreFolderPath());
    SearchIndex index(indexPath, reader->StoreFolderPath());
    const IndexUpdate update = UpdatedIndex(*reader, index);
    out << "Suchindex: " << TerminalText(indexPath) << '\n'
        << "Ordnerdateien gelesen: " << update.filesRead << ", unverändert: " << update.filesUnchanged
        << ", entfernt: " << update.filesRemoved << ", nicht lesbar: " << update.unreadable.size() << '\n'
        << "Nachrichten neu aufgenommen: " << update.messagesIndexed << ", entfernt: " << update.messagesRemoved
        << ", im Index: " << index.MessageCount() << '\n';
    return update.unreadable.empty() ? 0 : 1;
}

int SearchStore(const CliOptions& options, const SearchRequest& request, std::ostream& out)
{
    auto reader = MakeStoreReader(options);
    SearchIndex index(SearchIndexPath(reader->StoreFolderPath()), reader->StoreFolderPath());
    UpdatedIndex(*reader, index);
    if (request.count) {
        out << index.Count(request.query) << '\n';
        return 0;
    }
    const bool json = request.json;
    const std::vector<SearchHit> hits = index.Find(request.query, request.limit, request.offset);
    Json list = Json::array();
    for (const SearchHit& hit : hits) {
        const std::string sender = DecodeHeaderText(hit.info.SenderName);
        const std::string subject = DecodeHeaderText(hit.info.Subject);
        if (!json) {
            // One line per message, its fields apart: no text may add a tab or a line.
            out << TerminalText(hit.folder) << '\t' << TerminalText(DateText(hit.info.MessageDate)) << '\t'
                << TerminalText(sender) << '\t' << TerminalText(subject) << '\t' << hit.info.SourceOffset << '\t'
                << TerminalText(Windows1252ToUtf8(hit.file)) << '\t' << TerminalText(hit.snippet) << '\n';
            continue;
        }
        const Json date = hit.info.MessageDate == 0 ? Json(nullptr) : Json(FileTimeToIsoUtc(hit.info.MessageDate));
        list.push_back(Json{{"folder", hit.folder},
                            {"file", Windows1252ToUtf8(hit.file)},
                            {"sourceOffset", hit.info.SourceOffset},
                            {"date", date},
                            {"dateText", DateText(hit.info.MessageDate)},
                            {"sender", sender},
                            {"recipient", DecodeHeaderText(hit.info.RecipientName)},
                            {"subject", subject},
                            {"snippet", hit.snippet}});
    }
    if (json)
        out << list.dump(2) << '\n';
    return 0;
}

}  // namespace vellumine::cli
