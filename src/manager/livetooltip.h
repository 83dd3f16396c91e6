// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

namespace k4 {

// A tooltip on a view's viewport whose text is asked for again while it is shown, so that the
// counts and ages in it stay current under a resting mouse.
class LiveToolTip final : public QObject {
    Q_OBJECT
public:
    struct Tip {
        QString text;  // empty: no tooltip at that point
        QRect area;    // the tooltip closes when the mouse leaves it (viewport coordinates)
    };
    using TipAt = std::function<Tip(const QPoint& viewportPos)>;

    static constexpr int kRefreshMs = 250;

    LiveToolTip(QWidget* viewport, TipAt tipAt);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void show(const QPoint& viewportPos);
    void refresh();

    QWidget* viewport_;
    TipAt tipAt_;
    QTimer refreshTimer_;
    QPoint pos_;
    QString shown_;
};

}  // namespace k4
