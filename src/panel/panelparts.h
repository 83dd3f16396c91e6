// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The face of a panel window, shared by the panel itself and by the skin dialog's preview: the
// layout of its controls, the two small custom controls (the display grid and the LED), and the
// drawing of one display cell.
#include <QRect>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QLabel;
class QPainter;
class QPushButton;

namespace k4 {

struct CellLook;

// Key codes of the two keys that are not numbered; numbered keys send their own number.
inline constexpr std::uint8_t kKeyT = 126;
inline constexpr std::uint8_t kKeyS = 127;
inline constexpr int kPanelKeyCount = 18;
inline constexpr int kPanelClientWidth = 291;
inline constexpr int kPanelClientHeight = 154;
inline constexpr int kPanelKeySize = 17;
inline constexpr QRect kDisplayGridRect{0, 24, 293, 49};
inline constexpr QRect kLedRect{0, 104, 9, 9};

// One key of the face: Button1 .. Button18 in tab order.
struct PanelKeySpec {
    const char* caption;
    int left;
    int top;
};
inline constexpr std::array<PanelKeySpec, kPanelKeyCount> kPanelKeys{{
    {"1", 104, 104},
    {"2", 128, 104},
    {"3", 152, 104},
    {"4", 176, 104},
    {"5", 200, 104},
    {"6", 224, 104},
    {"7", 248, 104},
    {"8", 272, 104},
    {"9", 104, 136},
    {"10", 128, 136},
    {"11", 152, 136},
    {"12", 176, 136},
    {"13", 200, 136},
    {"14", 224, 136},
    {"15", 248, 136},
    {"16", 272, 136},
    {"T", 16, 104},
    {"S", 64, 104},
}};

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

// The controls of one face, named as their object names.
struct PanelFace {
    QLabel* Skin = nullptr;
    DisplayGrid* StringGrid1 = nullptr;
    LedShape* Diod = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    std::array<QPushButton*, kPanelKeyCount> Buttons{};  // Button1 .. Button18, in tab order
};

// Builds the face on parent. Creation order is stacking order: the labels and the LED lie under
// the skin image (at skinRect, empty, showing a picture from its top-left corner unscaled), the
// display grid (disabled, drawing no cells yet) and the keys above it. The keys have no action.
PanelFace BuildPanelFace(QWidget* parent, const QRect& skinRect);

// Draws one display cell as look says, clipped to cell, in the display font.
void DrawDisplayCell(QPainter& painter, const QRect& cell, const CellLook& look);

}  // namespace k4
