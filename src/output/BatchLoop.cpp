#include "output/BatchLoop.h"

#include "platform/Error.h"
#include "store/StoreReader.h"

#include <map>
#include <optional>

namespace vellumine {

std::string ChangedFileSentence(const std::string& fileName)
{
    return "Die Ordnerdatei " + fileName +
           " hat sich während des Laufs geändert; sie wurde nicht weiter gelesen.";
}

BatchOutcome RunMessageBatch(StoreReader& reader, const std::string& fileName,
                             const std::vector<Toe5_MessageInfo>& messages, const BatchCallbacks& callbacks)
{
    return RunMessageBatch(reader, [&](std::size_t) { return fileName; }, messages, callbacks);
}

BatchOutcome RunMessageBatch(StoreReader& reader, const std::function<std::string(std::size_t)>& fileOf,
                             const std::vector<Toe5_MessageInfo>& messages, const BatchCallbacks& callbacks)
{
    BatchOutcome outcome;
    std::map<std::string, std::optional<StoreFileState>> statesAtStart;
    for (std::size_t index = 0; index < messages.size(); ++index) {
        const Toe5_MessageInfo& info = messages[index];
        if (callbacks.cancelled && callbacks.cancelled()) {
            outcome.cancelled = true;
            break;
        }
        // A folder file truncated or replaced under a run would give every
        // later message cut short or another file's bytes: the run ends.
        const std::string fileName = fileOf(index);
        const auto state = reader.StateOf(fileName);
        const auto known = statesAtStart.try_emplace(fileName, state).first;
        if (known->second != state) {
            outcome.changedFile = fileName;
            break;
        }
        try {
            std::string source = reader.ReadMessageSource(fileName, info);
            callbacks.handle(source, info);
            ++outcome.handled;
        } catch (const Error& e) {
            ++outcome.failed;
            if (callbacks.failed)
                callbacks.failed(info, e.what());
        }
        if (callbacks.progress)
            callbacks.progress(outcome.handled, messages.size());
    }
    return outcome;
}

std::string CompletionSentence(std::size_t done, const std::string& participle)
{
    if (done == 1)
        return "Es wurde 1 Nachricht " + participle + "!";
    return "Es wurden " + std::to_string(done) + " Nachrichten " + participle + "!";
}

}  // namespace vellumine
