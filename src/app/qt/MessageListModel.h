#pragma once
// The rows of the message list: one per message record of the folder
// shown, in the order of the sort column and direction.

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <vector>

#include "app/MessageOrder.h"
#include "store/StoreRecords.h"

namespace vellumine {

class MessageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MessageListModel(QObject* parent = nullptr);

    // Shows the records (which the caller keeps alive), sorted.
    void SetMessages(const std::vector<Toe5_MessageInfo>* messages, int column, bool descending);
    // Shows the records with rows made and sorted elsewhere (off the
    // window's thread).
    void SetSortedRows(const std::vector<Toe5_MessageInfo>* messages, std::vector<MessageRow> rows);
    // Search results: a fifth column with each message's folder, and the
    // text around the match as each row's tooltip; null for a folder's list.
    // Set before the messages; the caller keeps the vectors alive.
    void SetSearchTexts(const std::vector<std::string>* folders, const std::vector<std::string>* snippets);

    // Sorts anew; selections follow their rows.
    void Sort(int column, bool descending);

    // Marks found out after the list was shown (messageIndex, mark); every
    // refill of the list starts with all marks unknown.
    void SetAttachmentMarks(const std::vector<std::pair<std::size_t, AttachmentMark>>& marks);
    AttachmentMark AttachmentMarkAt(int row) const;

    // The index into the records of the message in `row`.
    std::size_t MessageIndexAt(int row) const { return FRows[static_cast<std::size_t>(row)].messageIndex; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rows dragged out of the list: what the drag carries comes from the
    // window (the messages as .eml files); none while it is not set.
    std::function<QMimeData*(const std::vector<int>& rows)> MakeDragData;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    QString ColumnText(const MessageRow& row, const Toe5_MessageInfo& message, int column) const;

    const std::vector<Toe5_MessageInfo>* FMessages = nullptr;
    std::vector<MessageRow> FRows;
    AttachmentMarks FMarks;          // per message index
    std::vector<int> FRowOfMessage;  // made when marks arrive; empty after each change of order
    const std::vector<std::string>* FFolders = nullptr;
    const std::vector<std::string>* FSnippets = nullptr;
};

// The column of the search results' folders (after the paperclip).
inline constexpr int kColumnFolder = 5;

// Store text (Windows-1252) for the widgets.
QString StoreTextToQString(const std::string& bytes);

}  // namespace vellumine
