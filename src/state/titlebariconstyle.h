// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

#include <map>

namespace k4 {

// The program's style: the platform's own, except that the title-bar icons are made once. Every
// sub-window builds its system menu and window icon from them, and the style decodes their image
// files again for each: a third of the cost of a panel window, 127 times over when a workspace
// loads. They do not depend on the window that asks.
class TitleBarIconStyle final : public QProxyStyle {
public:
    explicit TitleBarIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

private:
    mutable std::map<StandardPixmap, QIcon> made_;
};

// The name of the platform style under the program's (for another proxy of the same).
QString ProgramStyleName();

// Wraps the application's style in a TitleBarIconStyle; call once, after the application object
// is made and before the first window.
void InstallProgramStyle();

}  // namespace k4
