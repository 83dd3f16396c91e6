// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panel/panelkeymap.h"

#include <QObject>

#include <array>

class QMouseEvent;
class QPushButton;
class QTimer;
class QWidget;

namespace k4 {

// Drives a panel's 18 key buttons from the PC keyboard: a mapped key press clicks its button
// (one click per press, whatever the auto-repeat does) and holds the button down for a moment,
// so the operator sees which key went out. Watches every widget that may hold the focus while
// the panel is the active child window.
class PanelKeyboard final : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeyCount = 18;
    static constexpr int kPressedLookMs = 150;

    // buttons in the panel's order (1 to 16, T, S); each gets its keys as tooltip.
    PanelKeyboard(const std::array<QPushButton*, kKeyCount>& buttons, QObject* parent);

    void watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void press(int button);
    QTimer* releaseTimer(int button);
    void noteMouse(QObject* watched, const QMouseEvent& event);

    std::array<QPushButton*, kKeyCount> buttons_;
    std::array<QTimer*, kKeyCount> releaseTimers_{};
    std::array<bool, kKeyCount> mouseHolds_{};  // the left mouse button holds the key down
};

}  // namespace k4
