// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "history/availability.h"

#include <QWidget>

#include <optional>
#include <vector>

namespace k4 {

// One strip per device over a time range: answering, failing, attention and not polled as
// coloured spans. Hovering a span names its times; clicking it reports the span.
class AvailabilityStrips final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 14;
    static constexpr int kLabelWidth = 150;

    explicit AvailabilityStrips(QWidget* parent = nullptr);

    void setStrips(std::vector<DeviceStrip> strips, qint64 fromMs, qint64 toMs);
    const std::vector<DeviceStrip>& strips() const { return strips_; }

    // The device and span under a point of the widget.
    struct Hit {
        int device;
        AvailabilitySpan span;
    };
    std::optional<Hit> hitAt(const QPoint& point) const;
    // Where a time of a device's strip is drawn (for tests and tooltips).
    QPoint pointOf(int device, qint64 utcMs) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void spanClicked(int device, qint64 fromMs, qint64 toMs);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    int stripWidth() const;

    std::vector<DeviceStrip> strips_;
    qint64 fromMs_ = 0;
    qint64 toMs_ = 1;
};

QColor AvailabilityColor(Availability state);

}  // namespace k4
