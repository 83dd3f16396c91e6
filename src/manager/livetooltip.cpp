// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/livetooltip.h"

#include "state/plaintip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace k4 {

LiveToolTip::LiveToolTip(QWidget* viewport, TipAt tipAt)
    : QObject(viewport), viewport_(viewport), tipAt_(std::move(tipAt)) {
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &LiveToolTip::refresh);
    viewport_->installEventFilter(this);
}

bool LiveToolTip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport_ && event->type() == QEvent::ToolTip) {
        show(static_cast<QHelpEvent*>(event)->pos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void LiveToolTip::show(const QPoint& viewportPos) {
    pos_ = viewportPos;
    const Tip tip = tipAt_(viewportPos);
    if (tip.text.isEmpty()) {
        refreshTimer_.stop();
        shown_.clear();
        QToolTip::hideText();
        return;
    }
    shown_ = PlainTip(tip.text);  // device names come from the workspace file
    QToolTip::showText(viewport_->mapToGlobal(viewportPos), shown_, viewport_, tip.area);
    refreshTimer_.start();
}

void LiveToolTip::refresh() {
    // Once the tip is gone, or another widget's tip took its place, there is nothing to refresh.
    if (!QToolTip::isVisible() || QToolTip::text() != shown_) {
        refreshTimer_.stop();
        return;
    }
    show(pos_);
}

}  // namespace k4
