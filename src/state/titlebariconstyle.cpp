// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/titlebariconstyle.h"

#include <QApplication>
#include <QStyleFactory>

namespace k4 {

namespace {

bool IsTitleBarIcon(QStyle::StandardPixmap icon) {
    switch (icon) {
        case QStyle::SP_TitleBarMenuButton:
        case QStyle::SP_TitleBarMinButton:
        case QStyle::SP_TitleBarMaxButton:
        case QStyle::SP_TitleBarCloseButton:
        case QStyle::SP_TitleBarNormalButton:
        case QStyle::SP_TitleBarShadeButton:
        case QStyle::SP_TitleBarUnshadeButton:
        case QStyle::SP_TitleBarContextHelpButton:
            return true;
        default:
            return false;
    }
}

}  // namespace

TitleBarIconStyle::TitleBarIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon TitleBarIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
    if (option != nullptr || !IsTitleBarIcon(icon)) {
        return QProxyStyle::standardIcon(icon, option, widget);
    }
    auto made = made_.find(icon);
    if (made == made_.end()) {
        made = made_.emplace(icon, QProxyStyle::standardIcon(icon, nullptr, nullptr)).first;
    }
    return made->second;
}

QString ProgramStyleName() {
    const QStyle* style = QApplication::style();
    if (const auto* proxy = qobject_cast<const QProxyStyle*>(style); proxy && proxy->baseStyle()) {
        return proxy->baseStyle()->name();
    }
    return style->name();
}

void InstallProgramStyle() {
    // A fresh copy of the style in use as the base: the proxy owns its base.
    QApplication::setStyle(new TitleBarIconStyle(QStyleFactory::create(ProgramStyleName())));
}

}  // namespace k4
