#pragma once
// Parse progress: reported through a callback (the message's OnProgress;
// parts inside a message have none) as the position of the line just read
// within the source.

#include <functional>

#include "mime/LineWalker.h"

namespace vellumine {

// Total source length, position reached.
using ParseProgressReport = std::function<void(long long total, long long current)>;

class ParseProgress {
public:
    ParseProgress(ParseProgressReport report, std::size_t total)
        : FReport(std::move(report)), FTotal(static_cast<long long>(total))
    {
        if (FReport)
            FReport(FTotal, 0);
    }

    void Report(const LineWalker& lines)
    {
        if (FReport && !lines.AtEnd())
            FReport(FTotal, static_cast<long long>(lines.Start()) + 1);
    }

    void Finish()
    {
        if (FReport)
            FReport(FTotal, FTotal);
    }

private:
    ParseProgressReport FReport;
    long long FTotal;
};

}  // namespace vellumine
