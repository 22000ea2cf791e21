#include "ui/file_list_model.h"

#include <utility>

#include "ui/language.h"

namespace mirelk::ui {

int TFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

bool TFileListModel::Valid(int row, int column) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) && column >= 0 && column < kColumns;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const
{
    if (!Valid(index.row(), index.column())) return {};
    const TRow& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.Cells[static_cast<std::size_t>(index.column())];
    case Qt::ToolTipRole:
        return row.ToolTips[static_cast<std::size_t>(index.column())];
    case Qt::TextAlignmentRole:
        // Numbers line up on the right; names on the left.
        if (index.column() != colName && index.column() != colOutput)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case colName: return Tr("TfrmMain", "File Name");
    case colDuration: return Tr("TfrmMain", "Duration");
    case colSize: return Tr("TfrmMain", "Size");
    case colOutput: return Tr("TfrmMain", "Output Name");
    case colProgress: return Tr("TfrmMain", "Progress");
    case colConverted: return Tr("TfrmMain", "Converted");
    case colOutputSize: return Tr("TfrmMain", "Output Size");
    default: return {};
    }
}

void TFileListModel::AppendRow(TRow row)
{
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void TFileListModel::RemoveRow(int row)
{
    if (!Valid(row, 0)) return;
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void TFileListModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void TFileListModel::SetCell(int row, int column, const QString& text)
{
    if (!Valid(row, column)) return;
    QString& cell = m_rows[static_cast<std::size_t>(row)].Cells[static_cast<std::size_t>(column)];
    if (cell == text) return;
    cell = text;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void TFileListModel::SetToolTip(int row, int column, const QString& tip)
{
    if (!Valid(row, column)) return;
    QString& cell = m_rows[static_cast<std::size_t>(row)].ToolTips[static_cast<std::size_t>(column)];
    if (cell == tip) return;
    cell = tip;
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {Qt::ToolTipRole});
}

void TFileListModel::SwapCells(int first, int second, int columns)
{
    if (!Valid(first, 0) || !Valid(second, 0) || columns <= 0) return;
    TRow& a = m_rows[static_cast<std::size_t>(first)];
    TRow& b = m_rows[static_cast<std::size_t>(second)];
    for (int column = 0; column < columns && column < kColumns; ++column) {
        std::swap(a.Cells[static_cast<std::size_t>(column)], b.Cells[static_cast<std::size_t>(column)]);
        std::swap(a.ToolTips[static_cast<std::size_t>(column)], b.ToolTips[static_cast<std::size_t>(column)]);
    }
    emit dataChanged(index(first, 0), index(first, columns - 1));
    emit dataChanged(index(second, 0), index(second, columns - 1));
}

void TFileListModel::Retranslate() { emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1); }

}  // namespace mirelk::ui
