// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/toolframestyle.h"

#include "state/titlebariconstyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionTitleBar>

#include <optional>

namespace k4 {

namespace {

// The title-bar description with the window type turned into a tool window's; nothing for other
// controls.
std::optional<QStyleOptionTitleBar> AsToolTitle(const QStyleOption* option) {
    const auto* title = qstyleoption_cast<const QStyleOptionTitleBar*>(option);
    if (title == nullptr) {
        return std::nullopt;
    }
    QStyleOptionTitleBar tool = *title;
    tool.titleBarFlags = (tool.titleBarFlags & ~Qt::WindowType_Mask) | Qt::Tool;
    tool.titleBarFlags &= ~(Qt::WindowMinMaxButtonsHint | Qt::WindowShadeButtonHint |
                            Qt::WindowContextHelpButtonHint);
    // No system-menu icon: the hint stays only because the styles draw the close box for it.
    tool.subControls &= ~QStyle::SC_TitleBarSysMenu;
    tool.icon = QIcon();
    return tool;
}

}  // namespace

ToolFrameStyle::ToolFrameStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(ProgramStyleName())) {
    setParent(parent);
}

int ToolFrameStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                const QWidget* widget) const {
    if (metric == PM_TitleBarHeight) {
        // A tool window's caption is as high as its text and no less than its close box.
        const QFontMetrics metrics =
            widget ? widget->fontMetrics() : QFontMetrics(QApplication::font());
        return std::max(metrics.height() + 4, 16);
    }
    if (const auto tool = AsToolTitle(option)) {
        return QProxyStyle::pixelMetric(metric, &*tool, widget);
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

void ToolFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                        QPainter* painter, const QWidget* widget) const {
    if (const auto tool = AsToolTitle(option)) {
        QProxyStyle::drawComplexControl(control, &*tool, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect ToolFrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                     SubControl sub, const QWidget* widget) const {
    if (const auto tool = AsToolTitle(option)) {
        if (sub == SC_TitleBarSysMenu) {
            return {};
        }
        return QProxyStyle::subControlRect(control, &*tool, sub, widget);
    }
    return QProxyStyle::subControlRect(control, option, sub, widget);
}

QStyle::SubControl ToolFrameStyle::hitTestComplexControl(ComplexControl control,
                                                         const QStyleOptionComplex* option,
                                                         const QPoint& pos,
                                                         const QWidget* widget) const {
    if (const auto tool = AsToolTitle(option)) {
        return QProxyStyle::hitTestComplexControl(control, &*tool, pos, widget);
    }
    return QProxyStyle::hitTestComplexControl(control, option, pos, widget);
}

}  // namespace k4
