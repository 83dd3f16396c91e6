// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace k4 {

// Draws a child window's title bar as a tool window's: the narrow caption with a close box only.
// The multiple-document frame has no tool-window type of its own, so the title bar is described
// to the style as one.
class ToolFrameStyle final : public QProxyStyle {
    Q_OBJECT
public:
    explicit ToolFrameStyle(QObject* parent);

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& pos, const QWidget* widget) const override;
};

}  // namespace k4
