// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <functional>

class QPainter;

namespace k4 {

// Draws one cell: column, grid row and the cell's rectangle.
using CellDrawer = std::function<void(QPainter&, int column, int row, const QRect& cell)>;

// A string grid whose cells are drawn entirely by its owner and whose mouse presses, releases and
// double clicks (wherever they land, on a cell or not) are passed on with their positions.
class MacroGrid final : public QTableWidget {
    Q_OBJECT
public:
    MacroGrid(int rows, int columns, QWidget* parent);

    // Section sizes are given as the cell's own size; the grid line beside it comes on top.
    void setColumnCellWidth(int column, int width);
    void setRowCellHeight(int height);

Q_SIGNALS:
    void mousePressedAt(const QPoint& viewportPos);
    void mouseReleasedAt(const QPoint& viewportPos);
    void doubleClickedAnywhere();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// Hands painting to a CellDrawer (row offset added, for a grid whose row 0 is its header) and
// editing to the owner's editor factory.
class CellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using EditorFactory = std::function<QWidget*(QWidget* parent, const QModelIndex& index)>;

    CellDelegate(CellDrawer draw, int rowOffset, QObject* parent);
    void setEditorFactory(EditorFactory factory) { makeEditor_ = std::move(factory); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

private:
    CellDrawer draw_;
    int rowOffset_;
    EditorFactory makeEditor_;
};

// The fixed header row of a grid, drawn as its row 0 by the owner; a press on it is passed on.
class HeaderRow final : public QHeaderView {
    Q_OBJECT
public:
    HeaderRow(CellDrawer draw, QWidget* parent);

Q_SIGNALS:
    void pressed();

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    CellDrawer draw_;
};

}  // namespace k4
