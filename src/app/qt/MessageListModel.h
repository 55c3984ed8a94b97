#pragma once
// The rows of the message list: one per message record of the folder
// shown, in the order of the sort column and direction.

#include <QAbstractTableModel>
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
    // Sorts anew; selections follow their rows.
    void Sort(int column, bool descending);

    // The index into the records of the message in `row`.
    std::size_t MessageIndexAt(int row) const { return FRows[static_cast<std::size_t>(row)].messageIndex; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const std::vector<Toe5_MessageInfo>* FMessages = nullptr;
    std::vector<MessageRow> FRows;
};

// Store text (Windows-1252) for the widgets.
QString StoreTextToQString(const std::string& bytes);

}  // namespace vellumine
