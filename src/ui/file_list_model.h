// The main window's file list as a table model: one row a file, seven columns of text with
// their tool tips. Changing one cell tells the view about that cell only, so that a run of many
// files repaints only the rows that report.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

namespace mirelk::ui {

class TFileListModel final : public QAbstractTableModel {
public:
    enum TColumn { colName, colDuration, colSize, colOutput, colProgress, colConverted, colOutputSize, kColumns };
    struct TRow {
        std::array<QString, kColumns> Cells;
        std::array<QString, kColumns> ToolTips;
    };

    explicit TFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void AppendRow(TRow row);
    void RemoveRow(int row);
    void Clear();
    const TRow& Row(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    // Out-of-range rows and columns are ignored; an unchanged text tells the view nothing.
    void SetCell(int row, int column, const QString& text);
    void SetToolTip(int row, int column, const QString& tip);
    // Exchanges the first `columns` cells (and their tips) of two rows.
    void SwapCells(int first, int second, int columns);
    // The column heads in the language now installed.
    void Retranslate();

private:
    bool Valid(int row, int column) const;
    std::vector<TRow> m_rows;
};

}  // namespace mirelk::ui
