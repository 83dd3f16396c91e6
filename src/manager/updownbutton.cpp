// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/updownbutton.h"

#include <QKeyEvent>
#include <QToolButton>

namespace k4 {

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setArrowType(arrow);
    b->setAutoRaise(false);
    // The pair takes the focus as one control; its halves are clicked, not tabbed to.
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

UpDownButton::UpDownButton(QWidget* parent)
    : QWidget(parent),
      up_(MakeArrow(this, Qt::UpArrow, "Up")),
      down_(MakeArrow(this, Qt::DownArrow, "Down")) {
    setFocusPolicy(Qt::TabFocus);
    connect(up_, &QToolButton::clicked, this, &UpDownButton::upClicked);
    connect(down_, &QToolButton::clicked, this, &UpDownButton::downClicked);
}

void UpDownButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

void UpDownButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            Q_EMIT upClicked();
            break;
        case Qt::Key_Down:
            Q_EMIT downClicked();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

}  // namespace k4
