// SPDX-License-Identifier: GPL-3.0-or-later
// Names typed or pasted are kept within the bytes a profile file reads back.
#include "core/textlimit.h"

#include <QtTest>

class TestTextLimit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cut_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QString>("cut");
        QTest::newRow("fits") << QStringLiteral("abc") << 3 << QStringLiteral("abc");
        QTest::newRow("two-byte letter not split")
            << QStringLiteral("ab\u00e9") << 3 << QStringLiteral("ab");
        QTest::newRow("three-byte sign")
            << QStringLiteral("\u20ac\u20ac") << 5 << QStringLiteral("\u20ac");
        QTest::newRow("surrogate pair kept together")
            << QStringLiteral("a\U0001F600") << 4 << QStringLiteral("a");
    }
    void cut() {
        QFETCH(QString, text);
        QFETCH(int, maxBytes);
        QFETCH(QString, cut);
        QCOMPARE(k4::CutToBytesAsWritten(text, maxBytes), cut);
        QVERIFY(k4::BytesAsWritten(cut) <= maxBytes);
    }

    void typed_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("cursor");
        const QString a48(48, QLatin1Char('a'));
        QTest::newRow("49th byte typed") << a48 << a48 + "b" << a48 + "b" << 49;
        QTest::newRow("accented letter as 49th character refused")
            << a48 << a48 + QStringLiteral("\u00e9") << a48 << 48;
        QTest::newRow("paste in the middle cut to what fits")
            << QStringLiteral("xy") << QStringLiteral("x") + a48 + "y"
            << "x" + a48.left(47) + "y" << 48;
        QTest::newRow("selection replaced")
            << a48 + "b" << QStringLiteral("a") + QStringLiteral("\u00e9\u00e9") << "a\u00e9\u00e9"
            << 3;
        const QString long52 = QString(26, QChar(0x00e9));
        QTest::newRow("a longer text set by the program may shrink")
            << long52 << long52.left(25) << long52.left(25) << 25;
        QTest::newRow("but not grow") << long52 << long52 + "x" << long52 << 26;
    }
    void typed() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, kept);
        QFETCH(int, cursor);
        const k4::LimitedEdit edit = k4::LimitTypedText(before, after, 49);
        QCOMPARE(edit.text, kept);
        QCOMPARE(edit.cursor, cursor);
    }
};

QTEST_APPLESS_MAIN(TestTextLimit)
#include "tst_textlimit.moc"
