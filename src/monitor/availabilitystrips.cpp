// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/availabilitystrips.h"

#include "core/devicetable.h"
#include "history/historycsv.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace k4 {

QColor AvailabilityColor(Availability state) {
    switch (state) {
        case Availability::Answering:
            return {0x3C, 0xB0, 0x3C};
        case Availability::Failing:
            return {0xFF, 0x00, 0x00};
        case Availability::Attention:
            return {0xF0, 0xB0, 0x00};
        case Availability::NotPolled:
            break;
    }
    return {0xB8, 0xB8, 0xB8};
}

AvailabilityStrips::AvailabilityStrips(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AvailabilityStrips"));
    setMouseTracking(true);
}

void AvailabilityStrips::setStrips(std::vector<DeviceStrip> strips, qint64 fromMs, qint64 toMs) {
    strips_ = std::move(strips);
    fromMs_ = fromMs;
    toMs_ = std::max(toMs, fromMs + 1);
    updateGeometry();
    update();
}

QSize AvailabilityStrips::sizeHint() const {
    return {kLabelWidth + 400, static_cast<int>(strips_.size()) * kRowHeight + 2};
}

int AvailabilityStrips::stripWidth() const {
    return std::max(1, width() - kLabelWidth - 2);
}

QPoint AvailabilityStrips::pointOf(int device, qint64 utcMs) const {
    int row = 0;
    while (row < static_cast<int>(strips_.size()) && strips_[row].device != device) {
        ++row;
    }
    const double share = double(utcMs - fromMs_) / double(toMs_ - fromMs_);
    return {kLabelWidth + static_cast<int>(share * stripWidth()),
            row * kRowHeight + kRowHeight / 2};
}

std::optional<AvailabilityStrips::Hit> AvailabilityStrips::hitAt(const QPoint& p) const {
    const int row = p.y() / kRowHeight;
    if (p.x() < kLabelWidth || row < 0 || row >= static_cast<int>(strips_.size())) {
        return std::nullopt;
    }
    const double share = double(p.x() - kLabelWidth) / stripWidth();
    const qint64 t = fromMs_ + static_cast<qint64>(share * double(toMs_ - fromMs_));
    const DeviceStrip& strip = strips_[static_cast<std::size_t>(row)];
    if (const AvailabilitySpan* span = SpanAt(strip, t)) {
        return Hit{strip.device, *span};
    }
    return std::nullopt;
}

void AvailabilityStrips::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double scale = double(stripWidth()) / double(toMs_ - fromMs_);
    for (std::size_t r = 0; r < strips_.size(); ++r) {
        const DeviceStrip& strip = strips_[r];
        const int y = static_cast<int>(r) * kRowHeight;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(2, y, kLabelWidth - 4, kRowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                         DeviceLabel(static_cast<std::uint8_t>(strip.device), strip.name));
        for (const AvailabilitySpan& s : strip.spans) {
            const int x0 = kLabelWidth + static_cast<int>((s.fromMs - fromMs_) * scale);
            const int x1 = kLabelWidth + static_cast<int>((s.toMs - fromMs_) * scale);
            // A span shorter than a pixel still shows: a flapping device must not vanish.
            painter.fillRect(QRect(x0, y + 2, std::max(1, x1 - x0), kRowHeight - 4),
                             AvailabilityColor(s.state));
        }
    }
}

void AvailabilityStrips::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (const auto hit = hitAt(event->position().toPoint())) {
            Q_EMIT spanClicked(hit->device, hit->span.fromMs, hit->span.toMs);
        }
    }
    QWidget::mouseReleaseEvent(event);
}

bool AvailabilityStrips::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const auto hit = hitAt(help->pos())) {
            QToolTip::showText(
                help->globalPos(),
                QStringLiteral("%1: %2 to %3")
                    .arg(AvailabilityText(hit->span.state), LocalTimeText(hit->span.fromMs),
                         LocalTimeText(hit->span.toMs)),
                this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace k4
