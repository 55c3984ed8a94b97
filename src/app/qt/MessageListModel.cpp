#include "app/qt/MessageListModel.h"

#include <QMimeData>
#include <algorithm>

#include <QIcon>
#include <unordered_map>

#include "mime/HeaderDecoding.h"
#include "platform/DateTime.h"
#include "ui/PlainText.h"

namespace vellumine {

QString StoreTextToQString(const std::string& bytes)
{
    // Records may still hold encoded words; 8-bit text is Windows-1252.
    return QString::fromStdString(DecodeHeaderText(bytes));
}

namespace {

const QIcon& PaperclipIcon()
{
    static const QIcon paperclip(QStringLiteral(":/icons/paperclip.svg"));
    return paperclip;
}

QVariant AttachmentCellData(AttachmentMark mark, int role)
{
    if (mark != AttachmentMark::Some)
        return {};
    if (role == Qt::DecorationRole)
        return PaperclipIcon();
    if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return QStringLiteral("Mit Anlagen");
    return {};
}

}  // namespace

MessageListModel::MessageListModel(QObject* parent) : QAbstractTableModel(parent) {}

void MessageListModel::SetMessages(const std::vector<Toe5_MessageInfo>* messages, int column, bool descending)
{
    beginResetModel();
    FMessages = messages;
    FRows = messages ? MakeMessageRows(*messages) : std::vector<MessageRow>();
    FMarks.assign(FRows.size(), AttachmentMark::Unknown);
    FRowOfMessage.clear();
    if (messages)
        SortMessageRows(*messages, FRows, column, descending, &FMarks);
    endResetModel();
}

void MessageListModel::SetSortedRows(const std::vector<Toe5_MessageInfo>* messages, std::vector<MessageRow> rows)
{
    beginResetModel();
    FMessages = messages;
    FRows = messages ? std::move(rows) : std::vector<MessageRow>();
    FMarks.assign(FRows.size(), AttachmentMark::Unknown);
    FRowOfMessage.clear();
    endResetModel();
}

void MessageListModel::SetSearchTexts(const std::vector<std::string>* folders, const std::vector<std::string>* snippets)
{
    beginResetModel();
    FFolders = folders;
    FSnippets = snippets;
    endResetModel();
}

void MessageListModel::Sort(int column, bool descending)
{
    if (!FMessages)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> messageOfRow(FRows.size());
    for (std::size_t row = 0; row < FRows.size(); ++row)
        messageOfRow[row] = FRows[row].messageIndex;
    SortMessageRows(*FMessages, FRows, column, descending, &FMarks);
    FRowOfMessage.clear();
    std::vector<int> rowOfMessage(FRows.size());
    for (std::size_t row = 0; row < FRows.size(); ++row)
        rowOfMessage[FRows[row].messageIndex] = static_cast<int>(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        const int newRow = rowOfMessage[messageOfRow[static_cast<std::size_t>(index.row())]];
        after.append(this->index(newRow, index.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MessageListModel::SetAttachmentMarks(const std::vector<std::pair<std::size_t, AttachmentMark>>& marks)
{
    if (FRowOfMessage.size() != FRows.size()) {
        FRowOfMessage.assign(FRows.size(), 0);
        for (std::size_t row = 0; row < FRows.size(); ++row)
            if (FRows[row].messageIndex < FRowOfMessage.size())
                FRowOfMessage[FRows[row].messageIndex] = static_cast<int>(row);
    }
    int first = rowCount(), last = -1;
    for (const auto& [messageIndex, mark] : marks) {
        if (messageIndex >= FMarks.size() || FMarks[messageIndex] == mark)
            continue;
        FMarks[messageIndex] = mark;
        first = std::min(first, FRowOfMessage[messageIndex]);
        last = std::max(last, FRowOfMessage[messageIndex]);
    }
    // The marks come in the list's order: one signal for the few rows they
    // span (the view's work grows with the span, so never the whole list).
    if (last >= first)
        emit dataChanged(index(first, kColumnAttachments), index(last, kColumnAttachments),
                         {Qt::DecorationRole, Qt::ToolTipRole});
}

AttachmentMark MessageListModel::AttachmentMarkAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= FRows.size())
        return AttachmentMark::Unknown;
    const std::size_t messageIndex = FRows[static_cast<std::size_t>(row)].messageIndex;
    return messageIndex < FMarks.size() ? FMarks[messageIndex] : AttachmentMark::Unknown;
}

int MessageListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FRows.size());
}

int MessageListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FFolders ? 6 : 5;
}

QVariant MessageListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !FMessages)
        return {};
    const MessageRow& row = FRows[static_cast<std::size_t>(index.row())];
    const Toe5_MessageInfo& message = (*FMessages)[row.messageIndex];
    if (role == Qt::DecorationRole && index.column() == 0) {
        static const QIcon mail(QStringLiteral(":/icons/mail.svg"));
        return mail;
    }
    if (index.column() == kColumnAttachments)
        return AttachmentCellData(AttachmentMarkAt(index.row()), role);
    if (role == Qt::ToolTipRole) {
        // Tooltips read markup: store text must show as written.
        if (FSnippets && row.messageIndex < FSnippets->size())
            return PlainTipText(QString::fromStdString((*FSnippets)[row.messageIndex]));
        return PlainTipText(ColumnText(row, message, index.column()));
    }
    if (role != Qt::DisplayRole)
        return {};
    return ColumnText(row, message, index.column());
}

QString MessageListModel::ColumnText(const MessageRow& row, const Toe5_MessageInfo& message, int column) const
{
    switch (column) {
    case kColumnAttachments: return {};
    case kColumnFolder:
        return FFolders && row.messageIndex < FFolders->size() ? QString::fromStdString((*FFolders)[row.messageIndex])
                                                               : QString();
    case kColumnFrom: return StoreTextToQString(message.SenderName);
    case kColumnTo: return StoreTextToQString(message.RecipientName);
    case kColumnSubject:
        // A rescued message whose first bytes or tail are lost says so.
        return message.Rescue.incomplete ? StoreTextToQString(message.Subject) + QString::fromUtf8(" (unvollständig)")
                                         : StoreTextToQString(message.Subject);
    default: return QString::fromStdString(DateTimeText(row.date));
    }
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (section == kColumnAttachments) {
        // The column is as narrow as its paperclip; its name is the tooltip.
        if (role == Qt::DecorationRole)
            return PaperclipIcon();
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return QStringLiteral("Anlagen");
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    static const char* const titles[] = {"Von:", "An:", "Betreff", "Datum", "", "Ordner"};
    return section >= 0 && section < columnCount() ? QString::fromUtf8(titles[section]) : QVariant();
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && MakeDragData)
        flags |= Qt::ItemIsDragEnabled;
    return flags;
}

QStringList MessageListModel::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* MessageListModel::mimeData(const QModelIndexList& indexes) const
{
    if (!MakeDragData)
        return nullptr;
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid())
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());  // in the order the list shows them
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows.empty() ? nullptr : MakeDragData(rows);
}

}  // namespace vellumine
