#pragma once
// Parse progress of a message: reported by the message itself (never by
// its child parts) when it has an OnProgress handler, as the position of
// the line just read within the source.

#include "mime/LineWalker.h"
#include "mime/MailMessage.h"

namespace vellumine {

class TMailPart::ParseProgress {
public:
    ParseProgress(TMailPart& part, std::size_t total)
        : FMessage(dynamic_cast<TMailMessage*>(&part)), FTotal(static_cast<long long>(total))
    {
        if (FMessage && !FMessage->OnProgress)
            FMessage = nullptr;
        if (FMessage)
            FMessage->OnProgress(*FMessage, FTotal, 0);
    }

    void Report(const LineWalker& lines)
    {
        if (FMessage && !lines.AtEnd())
            FMessage->OnProgress(*FMessage, FTotal, static_cast<long long>(lines.Start()) + 1);
    }

    void Finish()
    {
        if (FMessage)
            FMessage->OnProgress(*FMessage, FTotal, FTotal);
    }

private:
    TMailMessage* FMessage;
    long long FTotal;
};

}  // namespace vellumine
