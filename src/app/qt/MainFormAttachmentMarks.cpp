// The paperclip column of the message list. The folder file's record does
// not say whether a message carries files, so after each refill of the
// list a worker with a reader of its own reads only the start of each
// message's source and guesses from its header (and a uuencode "begin"
// line near the top); the marks come back in batches while the list is
// already in use. A refill drops the work under way.

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "mime/AttachmentHint.h"

namespace vellumine {
namespace {

constexpr std::size_t kFirstMarks = 64;  // about the rows a list shows at once
constexpr qint64 kMarkInterval = 150;    // milliseconds between two batches

// The first bytes of a message's source; a rescued message's chain is read
// as the scan found it (whole: such lists are short).
std::string SourceStart(StoreReader& reader, const std::string& file, std::uint32_t offset,
                        const SourceRescue& rescue)
{
    if (!rescue.scanned)
        return reader.ReadMessageSourceStart(file, offset, kAttachmentHintBytes);
    Toe5_MessageInfo message;
    message.SourceOffset = offset;
    message.Rescue = rescue;
    std::string source = reader.ReadMessageSource(file, message);
    source.resize(std::min(source.size(), kAttachmentHintBytes));
    return source;
}

AttachmentMark MarkOf(StoreReader& reader, const std::string& file, std::uint32_t offset, const SourceRescue& rescue)
{
    try {
        return LooksLikeItCarriesAttachments(SourceStart(reader, file, offset, rescue)) ? AttachmentMark::Some
                                                                                       : AttachmentMark::None;
    } catch (const std::exception&) {
        // A source that does not read gets no mark; selecting it says why.
        return AttachmentMark::Unknown;
    }
}

}  // namespace

void TMainForm::ListRefilled()
{
    // What was under way belongs to the list that was shown before.
    ++FMarkRequest;
    FMarkCancel->store(true);
    if (FMarkStartQueued)
        return;
    FMarkStartQueued = true;
    // A refill often comes in two steps (emptied, then filled): start once
    // both are done, after the list is painted.
    QTimer::singleShot(0, this, [this] {
        if (!FMarkRunning)
            Guarded([this] { StartAttachmentMarks(); });
    });
}

void TMainForm::StartAttachmentMarks()
{
    FMarkStartQueued = false;
    if (FDestroying || FMessages.empty() || FListModel->rowCount() == 0)
        return;
    if (!FMarkWatcher) {
        // A pool of its own: the long walk must not hold a thread the
        // preview waits for, and it takes only the time nothing else wants,
        // so that it never slows the window down.
        FMarkPool = new QThreadPool(this);
        FMarkPool->setMaxThreadCount(1);
        FMarkPool->setThreadPriority(QThread::IdlePriority);
        FMarkWatcher = new QFutureWatcher<void>(this);
        connect(FMarkWatcher, &QFutureWatcher<void>::finished, this,
                [this] { Guarded([this] { AttachmentMarksDone(); }); });
    }
    // In the order the list shows them: the rows at the top get theirs first.
    std::vector<MarkJob> jobs;
    jobs.reserve(static_cast<std::size_t>(FListModel->rowCount()));
    for (int row = 0; row < FListModel->rowCount(); ++row) {
        const std::size_t index = FListModel->MessageIndexAt(row);
        if (index < FMessages.size())
            jobs.push_back({index, FMessages[index].SourceOffset, FMessages[index].Rescue});
    }
    FMarkRunning = true;
    FMarkCancel = std::make_shared<std::atomic<bool>>(false);
    const auto reader = FMarkReader;
    const auto cancel = FMarkCancel;
    const unsigned request = FMarkRequest;
    const std::size_t batchSize = std::max<std::size_t>(1, FMarkBatchSize);
    // Search results come from several folder files, a folder's list from one.
    const std::vector<std::string> files = FMessageFiles;
    const std::string folderFile = FCurrentFile;
    FMarkWatcher->setFuture(QtConcurrent::run(FMarkPool, [this, jobs = std::move(jobs), reader, cancel, request, batchSize, files,
                                               folderFile] {
        MarkBatch batch;
        QElapsedTimer sinceSent;
        sinceSent.start();
        bool sentAny = false;
        const auto send = [&] {
            if (batch.empty())
                return;
            // Runs on the window's thread; dropped with the window.
            QMetaObject::invokeMethod(
                this, [this, request, marks = std::move(batch)] { AttachmentMarksArrived(request, marks); },
                Qt::QueuedConnection);
            batch.clear();
            sinceSent.restart();
            sentAny = true;
        };
        for (const MarkJob& job : jobs) {
            if (cancel->load())
                return;
            const std::string& file = job.messageIndex < files.size() ? files[job.messageIndex] : folderFile;
            batch.emplace_back(job.messageIndex, MarkOf(*reader, file, job.offset, job.rescue));
            // The rows on screen soon, then a few batches a second: a flood
            // of small ones would keep the window's event loop from its timers.
            if (batch.size() >= batchSize || (!sentAny && batch.size() >= kFirstMarks) ||
                sinceSent.elapsed() >= kMarkInterval)
                send();
        }
        send();
    }));
}

void TMainForm::AttachmentMarksArrived(unsigned request, const MarkBatch& marks)
{
    if (request == FMarkRequest && !FDestroying)
        FListModel->SetAttachmentMarks(marks);
}

void TMainForm::AttachmentMarksDone()
{
    FMarkRunning = false;
    if (FDestroying)
        return;
    if (FMarkStartQueued) {  // the list was refilled meanwhile
        StartAttachmentMarks();
        return;
    }
    // A list sorted by the paperclip takes its order once all marks are in
    // (the batches are queued before this, so they have arrived).
    if (FSortColumn == kColumnAttachments && !FMarkCancel->load())
        FListModel->Sort(FSortColumn, FSortDescending);
}

void TMainForm::StopAttachmentMarks()
{
    FMarkCancel->store(true);
    if (FMarkWatcher)
        FMarkWatcher->waitForFinished();
}

}  // namespace vellumine
