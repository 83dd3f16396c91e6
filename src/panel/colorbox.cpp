// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/colorbox.h"

#include "panel/colorvalues.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>

namespace k4 {

namespace {

constexpr QSize kSwatchSize{14, 10};
constexpr int kCustomRole = Qt::UserRole + 1;

QPixmap Swatch(const QColor& color) {
    QPixmap pixmap(kSwatchSize);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(QRect(QPoint(0, 0), kSwatchSize - QSize(1, 1)));
    return pixmap;
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
    setIconSize(kSwatchSize);
    for (const NamedColor& color : NamedColors()) {
        addEntry(color.name, color.value);
    }
    // The box is narrow; the open list is as wide as its longest name.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
    setCurrentIndex(IndexOfNamedColor(0));
}

void ColorBox::addEntry(const QString& name, std::uint32_t value) {
    addItem(QIcon(Swatch(DisplayColor(value, palette()))), name, QVariant::fromValue(value));
}

int ColorBox::customIndex() const {
    for (int i = count() - 1; i >= 0; --i) {
        if (itemData(i, kCustomRole).toBool()) {
            return i;
        }
    }
    return -1;
}

void ColorBox::setValue(std::uint32_t value) {
    const QSignalBlocker quiet(this);
    const int named = IndexOfNamedColor(value);
    int custom = customIndex();
    if (named >= 0) {
        if (custom >= 0) {
            removeItem(custom);
        }
        setCurrentIndex(named);
        return;
    }
    if (custom < 0) {
        addEntry(QString::fromLatin1(kCustomColorName), value);
        custom = count() - 1;
        setItemData(custom, true, kCustomRole);
    }
    setItemData(custom, QVariant::fromValue(value));
    setItemIcon(custom, QIcon(Swatch(DisplayColor(value, palette()))));
    setCurrentIndex(custom);
}

std::uint32_t ColorBox::value() const {
    return currentData().value<std::uint32_t>();
}

void ColorBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    // The system colours' swatches follow the palette.
    if (event->type() == QEvent::PaletteChange) {
        refreshSwatches();
    }
}

void ColorBox::refreshSwatches() {
    for (int i = 0; i < count(); ++i) {
        setItemIcon(i, QIcon(Swatch(DisplayColor(itemData(i).value<std::uint32_t>(), palette()))));
    }
}

}  // namespace k4
