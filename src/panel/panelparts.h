#pragma once

// The two small custom controls of the panel window: the display grid and the LED.
#include <QWidget>

#include <functional>

class QPainter;

namespace k4 {

// The two-line display: 24 x 2 cells separated by black 1-pixel lines. It draws no cell itself:
// each cell is handed to the draw-cell function with a painter already clipped to that cell.
class DisplayGrid final : public QWidget {
    Q_OBJECT
public:
    using DrawCell = std::function<void(QPainter& painter, int column, int row, const QRect& cell)>;

    explicit DisplayGrid(QWidget* parent = nullptr);
    void setDrawCell(DrawCell draw) { drawCell_ = std::move(draw); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DrawCell drawCell_;
};

// The LED: a circle with a black outline, filled with a fixed colour.
class LedShape final : public QWidget {
    Q_OBJECT
public:
    explicit LedShape(QWidget* parent = nullptr);
    void setFill(const QColor& fill);
    QColor fill() const { return fill_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
};

}  // namespace k4
