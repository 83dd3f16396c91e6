// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plays the operator at the skin dialog: shows it, notes what it opened with, makes the choices
// asked for with mouse clicks and the colour boxes, and closes it by Ok or by its close box.
#include "panel/colorbox.h"
#include "panel/skinselector.h"

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace k4test {

struct SkinChoice {
    int useSkins = -1;  // -1 leaves the check box, 0 unchecks it, 1 checks it
    QString pick;       // a file to click in the list, empty for none
    QString color;      // a colour name to pick in the character colour box, empty for none
    QString backColor;  // the same for the background box
    bool closeBox = false;
    std::function<void(k4::TSkinSelector&)> whileOpen;  // runs last, before the dialog closes
};

// What the dialog showed when it opened.
struct SkinDialogSeen {
    bool opened = false;
    bool useSkins = false;
    QString name;
    std::uint32_t color = 0;
    std::uint32_t backColor = 0;
};

inline void ClickItem(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items.first()).center());
}

inline void PickColor(k4::ColorBox* box, const QString& name) {
    const int index = box->findText(name);
    QVERIFY2(index >= 0, qPrintable(name));
    box->setCurrentIndex(index);
}

inline std::function<int(QDialog&)> ChooseSkin(SkinChoice choice, SkinDialogSeen* seen = nullptr) {
    return [choice = std::move(choice), seen](QDialog& dialog) {
        auto& d = static_cast<k4::TSkinSelector&>(dialog);
        d.show();
        if (seen != nullptr) {
            *seen = {true, d.UseSkins->isChecked(), d.SFName->text(), d.LCDColor->value(),
                     d.LCDBackColor->value()};
        }
        if (choice.useSkins >= 0 && d.UseSkins->isChecked() != (choice.useSkins == 1)) {
            QTest::mouseClick(d.UseSkins, Qt::LeftButton, {}, QPoint(6, d.UseSkins->height() / 2));
        }
        if (!choice.pick.isEmpty()) {
            ClickItem(d.SSelector, choice.pick);
        }
        if (!choice.color.isEmpty()) {
            PickColor(d.LCDColor, choice.color);
        }
        if (!choice.backColor.isEmpty()) {
            PickColor(d.LCDBackColor, choice.backColor);
        }
        if (choice.whileOpen) {
            choice.whileOpen(d);
        }
        if (choice.closeBox) {
            d.close();
        } else {
            QTest::mouseClick(d.BOk, Qt::LeftButton);
        }
        return d.result();
    };
}

}  // namespace k4test
