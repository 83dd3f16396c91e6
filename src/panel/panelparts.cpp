// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/panelparts.h"

#include "panel/cellimage.h"
#include "panel/displaycells.h"
#include "state/formfont.h"

#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace k4 {

namespace {

QFont BoldFont(int pixelHeight) {
    QFont font = FormFont();
    font.setPixelSize(pixelHeight);
    font.setBold(true);
    return font;
}

// The size a label takes for its text. Every panel has the same four labels: the text is laid
// out once for each (that is most of a label's cost) and the size reused. The GUI thread's only.
QSize FittedSize(QLabel* label) {
    static QHash<QString, QSize> sizes;
    const QString key = label->text() + QLatin1Char('\n') + label->font().key() +
                        QLatin1Char('\n') + label->style()->name() + QLatin1Char('\n') +
                        QString::number(label->logicalDpiY());
    const auto known = sizes.constFind(key);
    if (known != sizes.constEnd()) {
        return *known;
    }
    label->adjustSize();
    return sizes.insert(key, label->size()).value();
}

// A key of the face. No layout places it (its geometry is fixed), so it skips the layout request
// a push button posts to its parent when its polish request comes: with a workspace loading, each
// such post searched the whole event queue for an earlier one to merge with, 17 times a panel.
class PanelKey final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::PolishRequest) {
            ensurePolished();
            return true;
        }
        return QPushButton::event(event);
    }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint pos,
                  const QFont* font = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (font != nullptr) {
        label->setFont(*font);
    }
    label->move(pos);
    label->resize(FittedSize(label));  // labels size themselves to their text
    return label;
}

}  // namespace

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

PanelFace BuildPanelFace(QWidget* parent, const QRect& skinRect) {
    PanelFace face;
    const QFont plus = BoldFont(16);
    const QFont minus = BoldFont(19);
    face.Label1 = MakeLabel(parent, "Label1", QStringLiteral("<<"), {104, 120});
    face.Label2 = MakeLabel(parent, "Label2", QStringLiteral(">>"), {128, 120});
    face.Label3 = MakeLabel(parent, "Label3", QStringLiteral("+"), {178, 119}, &plus);
    face.Label4 = MakeLabel(parent, "Label4", QStringLiteral("-"), {157, 114}, &minus);

    face.Diod = new LedShape(parent);
    face.Diod->setObjectName(QStringLiteral("Diod"));
    face.Diod->setGeometry(kLedRect);

    face.Skin = new QLabel(parent);
    face.Skin->setObjectName(QStringLiteral("Skin"));
    face.Skin->setGeometry(skinRect);
    face.Skin->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // natural size from the corner
    face.Skin->setScaledContents(false);

    face.StringGrid1 = new DisplayGrid(parent);
    face.StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    face.StringGrid1->setGeometry(kDisplayGridRect);
    face.StringGrid1->setEnabled(false);

    for (int i = 0; i < kPanelKeyCount; ++i) {
        const PanelKeySpec& key = kPanelKeys[static_cast<std::size_t>(i)];
        QPushButton* button = new PanelKey(QString::fromLatin1(key.caption), parent);
        button->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        button->setGeometry(key.left, key.top, kPanelKeySize, kPanelKeySize);
        face.Buttons[static_cast<std::size_t>(i)] = button;
        if (i > 0) {
            QWidget::setTabOrder(face.Buttons[static_cast<std::size_t>(i - 1)], button);
        }
    }
    return face;
}

void DrawDisplayCell(QPainter& painter, const QRect& cell, const CellLook& look) {
    painter.save();
    painter.setClipRect(cell, Qt::IntersectClip);
    // Enlarged on a screen of a higher pixel ratio block by block, never smoothed.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(cell, DisplayCellImage(cell.size(), look));
    painter.restore();
}

}  // namespace k4
