#pragma once
// The walk of a batch run over messages of a folder file: each message's
// source is read and handed on on its own, so that one message that cannot
// be read or written fails alone and the run goes on; progress is reported
// after each message, and the run stops when asked to.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "store/StoreRecords.h"

namespace vellumine {

class StoreReader;

struct BatchCallbacks {
    // Handles one message; an Error it raises makes the message fail alone.
    // The source is the handler's: it may take it over (a parse that keeps
    // it saves a copy of a message of many megabytes).
    std::function<void(std::string& source, const Toe5_MessageInfo& info)> handle;
    // A message that failed, with the German text of why.
    std::function<void(const Toe5_MessageInfo& info, const std::string& error)> failed;
    // After each message: how many were handled so far, of how many.
    std::function<void(std::size_t handled, std::size_t total)> progress;
    // Asked before each message; true ends the walk there.
    std::function<bool()> cancelled;
};

struct BatchOutcome {
    std::size_t handled = 0;
    std::size_t failed = 0;
    bool cancelled = false;
    // A folder file that changed or was replaced during the run: the run
    // stopped before reading it further. Empty when none did.
    std::string changedFile;
};

// "Die Ordnerdatei … hat sich während des Laufs geändert …": what a run
// says when it stopped at a changed folder file.
std::string ChangedFileSentence(const std::string& fileName);

BatchOutcome RunMessageBatch(StoreReader& reader, const std::string& fileName,
                             const std::vector<Toe5_MessageInfo>& messages, const BatchCallbacks& callbacks);

// The same over messages of several folder files (the results of a
// search): `fileOf(i)` names the folder file of messages[i].
BatchOutcome RunMessageBatch(StoreReader& reader, const std::function<std::string(std::size_t)>& fileOf,
                             const std::vector<Toe5_MessageInfo>& messages, const BatchCallbacks& callbacks);

// The sentence that ends a run: "Es wurden 3 Nachrichten gespeichert!",
// and for one message "Es wurde 1 Nachricht gespeichert!".
std::string CompletionSentence(std::size_t done, const std::string& participle);

}  // namespace vellumine
