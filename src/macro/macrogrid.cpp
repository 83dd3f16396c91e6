// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macrogrid.h"

#include <QMouseEvent>
#include <QPainter>

namespace k4 {

namespace {

// Qt counts the grid line into the section beside it.
constexpr int kGridLine = 1;

}  // namespace

MacroGrid::MacroGrid(int rows, int columns, QWidget* parent) : QTableWidget(rows, columns, parent) {
    verticalHeader()->hide();
    horizontalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::SelectedClicked);
    setWordWrap(false);
}

void MacroGrid::setColumnCellWidth(int column, int width) {
    setColumnWidth(column, width + kGridLine);
}

void MacroGrid::setRowCellHeight(int height) {
    verticalHeader()->setDefaultSectionSize(height + kGridLine);
    horizontalHeader()->setFixedHeight(height + kGridLine);
}

void MacroGrid::mousePressEvent(QMouseEvent* event) {
    Q_EMIT mousePressedAt(event->position().toPoint());
    QTableWidget::mousePressEvent(event);
}

void MacroGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    Q_EMIT mouseReleasedAt(event->position().toPoint());
}

void MacroGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableWidget::mouseDoubleClickEvent(event);
    Q_EMIT doubleClickedAnywhere();
}

CellDelegate::CellDelegate(CellDrawer draw, int rowOffset, QObject* parent)
    : QStyledItemDelegate(parent), draw_(std::move(draw)), rowOffset_(rowOffset) {}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    painter->save();
    draw_(*painter, index.column(), index.row() + rowOffset_, option.rect);
    painter->restore();
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    return makeEditor_ ? makeEditor_(parent, index)
                       : QStyledItemDelegate::createEditor(parent, option, index);
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex& /*index*/) const {
    // The editor covers the cell exactly, so the grid lines around it stay visible.
    editor->setGeometry(option.rect);
}

HeaderRow::HeaderRow(CellDrawer draw, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), draw_(std::move(draw)) {
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(1);
}

void HeaderRow::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    // The cell lies inside the grid lines on its right and bottom, like every other cell.
    const QRect cell = rect.adjusted(0, 0, -1, -1);
    draw_(*painter, logicalIndex, 0, cell);
    painter->setPen(palette().color(QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->restore();
}

void HeaderRow::mousePressEvent(QMouseEvent* event) {
    Q_EMIT pressed();
    QHeaderView::mousePressEvent(event);
}

}  // namespace k4
