#include "panel/panelkeyboard.h"

#include <QKeyEvent>
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
        connect(timer, &QTimer::timeout, button, [button] { button->setDown(false); });
        releaseTimers_[i] = timer;
        watch(button);
    }
}

void PanelKeyboard::watch(QWidget* widget) {
    widget->installEventFilter(this);
}

bool PanelKeyboard::eventFilter(QObject* watched, QEvent* event) {
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
