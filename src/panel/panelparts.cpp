#include "panel/panelparts.h"

#include "panel/displaycells.h"

#include <QPainter>

namespace k4 {

DisplayGrid::DisplayGrid(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted here, so the panel behind never needs repainting for it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void DisplayGrid::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    // The lines between the cells (and the margin right and below the last cell) stay black.
    painter.fillRect(rect(), Qt::black);
    if (!drawCell_) {
        return;
    }
    for (int row = 0; row < kDisplayRows; ++row) {
        for (int column = 0; column < kDisplayColumns; ++column) {
            const QRect cell = CellRect(column, row);
            painter.save();
            painter.setClipRect(cell);
            drawCell_(painter, column, row, cell);
            painter.restore();
        }
    }
}

LedShape::LedShape(QWidget* parent) : QWidget(parent) {}

void LedShape::setFill(const QColor& fill) {
    fill_ = fill;
    update();
}

void LedShape::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(fill_);
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

}  // namespace k4
