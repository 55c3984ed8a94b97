#pragma once
// The rescue of a damaged folder file, one step at a time so that a caller
// can show progress and cancel: first everything the index still names,
// every block it claims noted; then one pass over the whole file for the
// blocks and records nobody claimed; then their chains, each a message
// only when it starts with header lines; then each message once (a
// content hash; the copy the index names wins). Reads only, as every read
// of a store does.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/StoreFormat.h"
#include "store/StoreRecords.h"

namespace vellumine {

class BlockClaims;
class BlockScan;
class StoreFile;
class StoreReader;
struct ScannedChain;

enum class RescueKind {
    Deleted,    // blocks no record names any more
    Orphaned,   // a record names them, the index does not name the record
    MovedCopy,  // a copy of blocks moved as a whole
};

struct RescuedMessage {
    Toe5_MessageInfo info;  // info.Rescue says how its source is read
    RescueKind kind = RescueKind::Deleted;
};

struct RescueReport {
    StoreReadReport read;  // of the index read the rescue began with
    std::size_t fromIndex = 0;
    std::size_t deleted = 0;
    std::size_t orphaned = 0;
    std::size_t movedCopies = 0;
    std::size_t incomplete = 0;
    std::size_t fragments = 0;
    std::size_t duplicatesDropped = 0;
    std::uint64_t bytesScanned = 0;
    double seconds = 0;
    bool cancelled = false;
    std::size_t Rescued() const { return deleted + orphaned + movedCopies; }
};

class FolderRescue {
public:
    // Opens the folder file; raises "Datei %s kann nicht geöffnet werden".
    FolderRescue(StoreReader& reader, const std::string& fileName);
    ~FolderRescue();
    FolderRescue(const FolderRescue&) = delete;
    FolderRescue& operator=(const FolderRescue&) = delete;

    // Does the next step; false once the rescue is done (or cancelled).
    bool Step();
    void Run()
    {
        while (Step()) {
        }
    }
    // After a cancel the next step ends the rescue with what it has.
    void Cancel() { FCancelled = true; }
    double Progress() const;  // 0 … 1

    // The messages the index names, in index order.
    const std::vector<Toe5_MessageInfo>& Indexed() const { return FIndexed; }
    // The messages the scan found, in file order.
    const std::vector<RescuedMessage>& Rescued() const { return FRescued; }
    // Chains without header lines of their own, or running into another.
    const std::vector<RescuedMessage>& Fragments() const { return FFragments; }
    const RescueReport& Report() const { return FReport; }

private:
    enum class Stage { Index, Scan, Chains, Records, Duplicates, Done };
    void ReadIndex();
    void SortChains();
    void TakeRecords();
    void DropDuplicates();
    void AddFragment(RescuedMessage fragment);
    void Finish();
    Toe5_MessageInfo InfoForChain(const ScannedChain& chain, bool& isMessage);

    StoreReader& FReader;
    std::string FFileName;
    std::unique_ptr<StoreFile> FFile;
    std::unique_ptr<BlockClaims> FClaims;
    std::unique_ptr<BlockScan> FScan;
    std::vector<Toe5_MessageInfo> FIndexed;
    std::vector<std::uint64_t> FIndexedLengths;
    std::vector<RescuedMessage> FRescued;
    std::vector<RescuedMessage> FFragments;
    RescueReport FReport;
    Stage FStage = Stage::Index;
    bool FCancelled = false;
    std::chrono::steady_clock::time_point FStarted;
};

// The German names of the kinds, for reports and lists.
const char* RescueKindName(RescueKind kind);

// The short table a save or migration shows on standard error: what came
// from the index, what from the scan, what was dropped, how long it took.
std::string RescueTable(const RescueReport& report);

}  // namespace vellumine
