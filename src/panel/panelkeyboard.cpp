// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/panelkeyboard.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace k4 {

namespace {

// The same 18 hints on every panel: worked out once.
const QString& HintOf(int button) {
    static const std::array<QString, PanelKeyboard::kKeyCount> hints = [] {
        std::array<QString, PanelKeyboard::kKeyCount> all;
        for (int i = 0; i < PanelKeyboard::kKeyCount; ++i) {
            all[static_cast<std::size_t>(i)] = KeyboardHint(PanelButtonCode(i));
        }
        return all;
    }();
    return hints[static_cast<std::size_t>(button)];
}

}  // namespace

PanelKeyboard::PanelKeyboard(const std::array<QPushButton*, kKeyCount>& buttons, QObject* parent)
    : QObject(parent), buttons_(buttons) {
    for (int i = 0; i < kKeyCount; ++i) {
        buttons_[i]->setToolTip(HintOf(i));
        watch(buttons_[i]);
    }
}

QTimer* PanelKeyboard::releaseTimer(int button) {
    // Made on the key's first press from the keyboard: most keys of most panels never have one,
    // and a workspace's panels come and go by the hundred.
    QTimer*& timer = releaseTimers_[static_cast<std::size_t>(button)];
    if (timer == nullptr) {
        timer = new QTimer(buttons_[button]);
        timer->setSingleShot(true);
        timer->setInterval(kPressedLookMs);
        // A button the mouse holds is the mouse's to release: lifting it here would make the
        // mouse's release find it up, and its click would be lost.
        connect(timer, &QTimer::timeout, buttons_[button], [this, button] {
            if (!mouseHolds_[static_cast<std::size_t>(button)]) {
                buttons_[static_cast<std::size_t>(button)]->setDown(false);
            }
        });
    }
    return timer;
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
            if (mouseHolds_[i] && releaseTimers_[i] != nullptr) {
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
    releaseTimer(button)->start();
}

}  // namespace k4
