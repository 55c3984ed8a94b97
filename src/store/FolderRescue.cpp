#include "store/FolderRescue.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "platform/Ascii.h"
#include "platform/Sha256.h"
#include "store/BlockClaims.h"
#include "store/BlockScan.h"
#include "store/ChainAssembly.h"
#include "store/HeaderLine.h"
#include "store/IndexWalker.h"
#include "store/MessageSource.h"
#include "store/RecordDecoder.h"
#include "store/StoreFile.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

// The value of the header field `name` among the header lines at the start
// of `text`; empty when it is not there.
std::string HeaderValue(std::string_view text, std::string_view name)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        if (line.empty() || line == "\r")
            break;  // the end of the header
        if (line.size() > name.size() && line[name.size()] == ':' &&
            EqualIgnoringAsciiCase(std::string(line.substr(0, name.size())), std::string(name))) {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.remove_prefix(1);
            while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
                value.remove_suffix(1);
            return std::string(value);
        }
        at = end + 1;
    }
    return {};
}

}  // namespace

const char* RescueKindName(RescueKind kind)
{
    switch (kind) {
    case RescueKind::Deleted: return "gelöscht";
    case RescueKind::Orphaned: return "verwaist";
    case RescueKind::MovedCopy: return "verschobene Kopie";
    }
    return "";
}

std::string RescueTable(const RescueReport& report)
{
    const auto row = [](const char* what, std::uint64_t count) {
        std::string line = what;
        // Padded by characters: the UTF-8 continuation bytes take no column.
        const auto columns = static_cast<std::size_t>(
            std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
        line.append(columns < 34 ? 34 - columns : 1, ' ');
        return line + std::to_string(count) + "\n";
    };
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", report.seconds);
    return row("Aus dem Index:", report.fromIndex) + row("Gerettet, gelöscht:", report.deleted) +
           row("Gerettet, verwaist:", report.orphaned) + row("Gerettet, verschobene Kopien:", report.movedCopies) +
           row("Davon unvollständig:", report.incomplete) + row("Fragmente:", report.fragments) +
           row("Doppelte verworfen:", report.duplicatesDropped) +
           "Durchsucht:                       " + std::to_string(report.bytesScanned) + " Bytes in " + seconds +
           " s\n";
}

FolderRescue::FolderRescue(StoreReader& reader, const std::string& fileName)
    : FReader(reader), FFileName(fileName), FFile(reader.OpenForReading(fileName)),
      FClaims(std::make_unique<BlockClaims>()), FStarted(std::chrono::steady_clock::now())
{
}

FolderRescue::~FolderRescue() = default;

double FolderRescue::Progress() const
{
    switch (FStage) {
    case Stage::Index: return 0;
    case Stage::Scan:
        return FFile->Size() == 0 ? 0.9 : 0.05 + 0.85 * static_cast<double>(FScan->Scanned()) /
                                                      static_cast<double>(FFile->Size());
    case Stage::Chains:
    case Stage::Records: return 0.9;
    case Stage::Duplicates: return 0.95;
    case Stage::Done: return 1;
    }
    return 1;
}

bool FolderRescue::Step()
{
    if (FCancelled && FStage != Stage::Done) {
        FReport.cancelled = true;
        Finish();
    }
    switch (FStage) {
    case Stage::Index:
        ReadIndex();
        FStage = Stage::Scan;
        break;
    case Stage::Scan:
        if (!FScan->Step())
            FStage = Stage::Chains;
        break;
    case Stage::Chains:
        SortChains();
        FStage = Stage::Records;
        break;
    case Stage::Records:
        TakeRecords();
        FStage = Stage::Duplicates;
        break;
    case Stage::Duplicates:
        DropDuplicates();
        Finish();
        break;
    case Stage::Done: return false;
    }
    return FStage != Stage::Done;
}

void FolderRescue::ReadIndex()
{
    std::vector<std::uint32_t> records;
    FReader.ReadIndexedMessages(
        FFileName, *FClaims,
        [&](Toe5_MessageInfo&& info, std::uint64_t length) {
            records.push_back(info.RecordOffset);
            FIndexed.push_back(std::move(info));
            FIndexedLengths.push_back(length);
        },
        &FReport.read);
    FReport.fromIndex = FIndexed.size();
    FScan = std::make_unique<BlockScan>(*FFile, *FClaims, std::move(records));
}

Toe5_MessageInfo FolderRescue::InfoForChain(const ScannedChain& chain, bool& isMessage)
{
    Toe5_MessageInfo info;
    info.SourceOffset = chain.head;
    info.Rescue.scanned = true;
    info.Rescue.displacement = chain.displacement;
    info.Rescue.blockLimit = chain.blocks;
    const BlockChain first = FollowBlockChain(*FFile, chain.head, chain.displacement, nullptr, 1);
    const std::string text = ReadChainText(*FFile, first);
    const auto start = HeaderLinesStart(text);
    isMessage = start.has_value() && chain.end != ScannedChainEnd::RunsInto;
    info.Rescue.headSkip = start ? static_cast<std::uint32_t>(*start) : 0;
    info.Rescue.incomplete = info.Rescue.headSkip > 0 || chain.end != ScannedChainEnd::Whole;
    if (start) {
        const std::string_view header = std::string_view(text).substr(*start);
        info.Subject = HeaderValue(header, "Subject");
        info.SenderName = HeaderValue(header, "From");
        info.RecipientName = HeaderValue(header, "To");
    }
    return info;
}

void FolderRescue::SortChains()
{
    for (const ScannedChain& chain : AssembleChains(FScan->Blocks())) {
        bool isMessage = false;
        RescuedMessage found{InfoForChain(chain, isMessage),
                             chain.displacement != 0 ? RescueKind::MovedCopy : RescueKind::Deleted};
        if (isMessage)
            FRescued.push_back(std::move(found));
        else
            AddFragment(std::move(found));
    }
}

void FolderRescue::TakeRecords()
{
    // A record the index does not name gives the chain it names the date,
    // sender and subject the list shows.
    std::unordered_map<std::uint32_t, std::size_t> byHead;
    for (std::size_t i = 0; i < FRescued.size(); ++i)
        if (FRescued[i].info.Rescue.displacement == 0)
            byHead.emplace(FRescued[i].info.SourceOffset, i);
    WorkBudget budget(FFile->Size());
    for (const std::uint32_t at : FScan->RecordCandidates()) {
        if (budget.Spent())
            break;
        auto record = ReadMessageRecord(*FFile, at, budget);
        if (!record)
            continue;
        const auto found = byHead.find(record->SourceOffset);
        if (found == byHead.end())
            continue;
        RescuedMessage& message = FRescued[found->second];
        record->Rescue = message.info.Rescue;
        message.info = std::move(*record);
        message.kind = RescueKind::Orphaned;
        byHead.erase(found);
    }
}

void FolderRescue::DropDuplicates()
{
    // Only index messages as long as a rescued one can be its equal.
    std::unordered_set<std::uint64_t> rescuedLengths;
    std::vector<std::string> rescuedDigests(FRescued.size());
    for (std::size_t i = 0; i < FRescued.size(); ++i) {
        try {
            const std::string source = FReader.ReadMessageSource(FFileName, FRescued[i].info);
            rescuedLengths.insert(source.size());
            rescuedDigests[i] = Sha256Bytes(source);
        } catch (const Error&) {
        }
    }
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < FIndexed.size(); ++i) {
        if (!rescuedLengths.count(FIndexedLengths[i]))
            continue;
        try {
            seen.insert(Sha256Bytes(FReader.ReadMessageSource(FFileName, FIndexed[i])));
        } catch (const Error&) {
        }
    }
    std::vector<RescuedMessage> kept;
    for (std::size_t i = 0; i < FRescued.size(); ++i) {
        if (rescuedDigests[i].empty() || !seen.insert(rescuedDigests[i]).second) {
            if (!rescuedDigests[i].empty())
                ++FReport.duplicatesDropped;
            else
                AddFragment(std::move(FRescued[i]));  // what cannot be read as found is no message
            continue;
        }
        kept.push_back(std::move(FRescued[i]));
    }
    FRescued = std::move(kept);
}

void FolderRescue::AddFragment(RescuedMessage fragment)
{
    // A fragment is kept as it lies: every byte of its own blocks.
    fragment.info.Rescue.headSkip = 0;
    fragment.info.Rescue.incomplete = true;
    FFragments.push_back(std::move(fragment));
}

void FolderRescue::Finish()
{
    FStage = Stage::Done;
    FReport.bytesScanned = FScan ? FScan->Scanned() : 0;
    FReport.deleted = FReport.orphaned = FReport.movedCopies = FReport.incomplete = 0;
    for (const RescuedMessage& message : FRescued) {
        switch (message.kind) {
        case RescueKind::Deleted: ++FReport.deleted; break;
        case RescueKind::Orphaned: ++FReport.orphaned; break;
        case RescueKind::MovedCopy: ++FReport.movedCopies; break;
        }
        if (message.info.Rescue.incomplete)
            ++FReport.incomplete;
    }
    FReport.fragments = FFragments.size();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - FStarted;
    FReport.seconds = took.count();
}

}  // namespace vellumine
