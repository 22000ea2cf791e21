// The file list's model: a changed cell tells the view about that cell alone, an unchanged one
// about nothing; rows come, go and swap their leading cells; what is out of range is ignored.
#include <gtest/gtest.h>

#include <QObject>
#include <vector>

#include "ui/file_list_model.h"

namespace mirelk::test {

namespace {

using ui::TFileListModel;

TFileListModel::TRow Row(const QString& name)
{
    TFileListModel::TRow row;
    row.Cells[TFileListModel::colName] = name;
    row.Cells[TFileListModel::colProgress] = name + " %";
    row.ToolTips[TFileListModel::colName] = "/in/" + name;
    row.Cells[TFileListModel::colOutputSize] = name + " KB";
    return row;
}

}  // namespace

TEST(FileListModel, ChangesOnlyWhatChangedAndIgnoresWhatIsOutOfRange)
{
    TFileListModel model(nullptr);
    for (const char* name : {"a", "b", "c"}) model.AppendRow(Row(name));
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.columnCount(), 7);
    std::vector<std::pair<QModelIndex, QModelIndex>> changes;
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) { changes.emplace_back(from, to); });

    model.SetCell(1, TFileListModel::colProgress, "50%");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, model.index(1, TFileListModel::colProgress));
    EXPECT_EQ(changes[0].second, model.index(1, TFileListModel::colProgress));
    EXPECT_EQ(model.data(model.index(1, TFileListModel::colProgress), Qt::DisplayRole).toString(), "50%");
    model.SetCell(1, TFileListModel::colProgress, "50%");
    model.SetCell(3, 0, "x");
    model.SetCell(0, 7, "x");
    model.SetCell(-1, 0, "x");
    EXPECT_EQ(changes.size(), 1u) << "an unchanged cell or one out of range told the view";

    model.SwapCells(0, 2, TFileListModel::colProgress + 1);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "c");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), "/in/c");
    EXPECT_EQ(model.data(model.index(0, TFileListModel::colProgress), Qt::DisplayRole).toString(), "c %");
    // Beyond the swapped columns the rows keep their cells.
    EXPECT_EQ(model.data(model.index(0, TFileListModel::colOutputSize), Qt::DisplayRole).toString(), "a KB");

    model.RemoveRow(1);
    model.RemoveRow(5);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(1, 0), Qt::DisplayRole).toString(), "a");
    EXPECT_FALSE(model.data(model.index(2, 0), Qt::DisplayRole).isValid());
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
}

}  // namespace mirelk::test
