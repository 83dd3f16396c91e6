// SPDX-License-Identifier: GPL-3.0-or-later
// The program's style makes each title-bar icon once, and gives it unchanged.
#include "state/titlebariconstyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTest>

class TestTitleBarIconStyle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void titleBarIconsAreMadeOnce();
};

void TestTitleBarIconStyle::titleBarIconsAreMadeOnce() {
    const QString name = QApplication::style()->name();
    k4::InstallProgramStyle();
    QStyle* style = QApplication::style();
    QCOMPARE(k4::ProgramStyleName(), name);
    QWidget window;
    const QIcon close = style->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, &window);
    QCOMPARE(style->standardIcon(QStyle::SP_TitleBarCloseButton).cacheKey(), close.cacheKey());
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(name));
    QCOMPARE(close.pixmap(16).toImage(),
             plain->standardIcon(QStyle::SP_TitleBarCloseButton).pixmap(16).toImage());
}

QTEST_MAIN(TestTitleBarIconStyle)
#include "tst_titlebariconstyle.moc"
