#include "output/BatchLoop.h"

#include "platform/Error.h"
#include "store/StoreReader.h"

namespace vellumine {

BatchOutcome RunMessageBatch(StoreReader& reader, const std::string& fileName,
                             const std::vector<Toe5_MessageInfo>& messages, const BatchCallbacks& callbacks)
{
    BatchOutcome outcome;
    for (const Toe5_MessageInfo& info : messages) {
        if (callbacks.cancelled && callbacks.cancelled()) {
            outcome.cancelled = true;
            break;
        }
        try {
            callbacks.handle(reader.ReadMessageSource(fileName, info.SourceOffset), info);
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

}  // namespace vellumine
