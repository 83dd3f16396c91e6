#include "panel/panelkeyboard.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace k4 {

PanelKeyboard::PanelKeyboard(const std::array<QPushButton*, kKeyCount>& buttons, QObject* parent)
    : QObject(parent), buttons_(buttons) {
    for (int i = 0; i < kKeyCount; ++i) {
        QPushButton* button = buttons_[i];
        button->setToolTip(KeyboardHint(PanelButtonCode(i)));
        auto* timer = new QTimer(button);
        timer->setSingleShot(true);
        timer->setInterval(kPressedLookMs);
        // A button the mouse holds is the mouse's to release: lifting it here would make the
        // mouse's release find it up, and its click would be lost.
        connect(timer, &QTimer::timeout, button, [this, i] {
            if (!mouseHolds_[static_cast<std::size_t>(i)]) {
                buttons_[static_cast<std::size_t>(i)]->setDown(false);
            }
        });
        releaseTimers_[i] = timer;
        watch(button);
    }
}

void PanelKeyboard::watch(QWidget* widget) {
    widget->installEventFilter(this);
}

bool PanelKeyboard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
        event->type() == QEvent::MouseButtonRelease) {
        noteMouse(watched, *static_cast<QMouseEvent*>(event));
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const KeyDecision decision = DecideKeyPress(key->key(), key->modifiers(), key->isAutoRepeat());
    switch (decision.verdict) {
        case KeyVerdict::NotOurs:
            return false;
        case KeyVerdict::Swallow:
            return true;
        case KeyVerdict::Send:
            press(PanelButtonIndex(decision.code));
            return true;
    }
    return false;
}

void PanelKeyboard::noteMouse(QObject* watched, const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) {
        return;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i] == watched) {
            // The second press of a double click arrives as a double click.
            mouseHolds_[i] = event.type() != QEvent::MouseButtonRelease;
            if (mouseHolds_[i]) {
                releaseTimers_[i]->stop();
            }
            return;
        }
    }
}

void PanelKeyboard::press(int button) {
    if (button < 0 || button >= kKeyCount) {
        return;
    }
    // The button's own click sends the key, exactly as a mouse click does.
    buttons_[button]->click();
    buttons_[button]->setDown(true);
    releaseTimers_[button]->start();
}

}  // namespace k4
