// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's widget-free parts: the settings file, the program folder, the build date,
// tiling, the hint texts and a window kept on the screen.
#include "filebytes.h"
#include "shell/builddate.h"
#include "shell/menutable.h"
#include "shell/screenplace.h"
#include "core/settingsfile.h"
#include "shell/windowtiling.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using k4::TileMode;

class TestShellParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void programFolder_data();
    void programFolder();
    void readSettings_data();
    void readSettings();
    void writeLastFileKeepsTheRest_data();
    void writeLastFileKeepsTheRest();
    void writeLastFileToUnwritableFolderFails();
    void buildDate_data();
    void buildDate();
    void programBuildDate();
    void tileRects_data();
    void tileRects();
    void tilesCoverTheAreaOnce_data();
    void tilesCoverTheAreaOnce();
    void splitHint_data();
    void splitHint();
    void keepInside_data();
    void keepInside();

private:
    // The settings file holding text; "<none>" leaves no file at all.
    QString settingsFile(const QByteArray& text) {
        const QString path = dir_.filePath(QStringLiteral("KVT.INI"));
        QFile::remove(path);
        if (text != "<none>" && !k4test::WriteBytes(path, text)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    QTemporaryDir dir_;
};

void TestShellParts::programFolder_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("folder");
    const QString sep = QDir::separator();
    QTest::newRow("plain folder") << QStringLiteral("/opt/k4")
                                  << QDir::toNativeSeparators("/opt/k4") + sep;
    QTest::newRow("already ends in separator")
        << QStringLiteral("/opt/k4/") << QDir::toNativeSeparators("/opt/k4/");
}

void TestShellParts::programFolder() {
    QFETCH(QString, directory);
    QFETCH(QString, folder);
    QCOMPARE(k4::ProgramFolder(directory), folder);
}

void TestShellParts::readSettings_data() {
    QTest::addColumn<QByteArray>("text");  // "<none>" for no file at all
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("lastFile");

    const QByteArray longName(300, 'x');
    QTest::newRow("no file") << QByteArray("<none>") << 1 << QString();
    QTest::newRow("empty file") << QByteArray() << 1 << QString();
    QTest::newRow("both keys") << QByteArray(
                                      "[KVT_WORKSPACE]\r\nRS232Port=3\r\nLastFile=/w/a.DID\r\n")
                               << 3 << QStringLiteral("/w/a.DID");
    QTest::newRow("names without regard to case")
        << QByteArray("[kvt_workspace]\nrs232port=2\nlastfile=/w/b.DID\n") << 2
        << QStringLiteral("/w/b.DID");
    QTest::newRow("ports go up to 255")
        << QByteArray("[KVT_WORKSPACE]\nRS232Port=255\n") << 255 << QString();
    QTest::newRow("above 255: no port")
        << QByteArray("[KVT_WORKSPACE]\nRS232Port=257\n") << 0 << QString();
    QTest::newRow("negative: no port")
        << QByteArray("[KVT_WORKSPACE]\nRS232Port=-56\n") << 0 << QString();
    QTest::newRow("empty port reads the default")
        << QByteArray("[KVT_WORKSPACE]\nRS232Port=\n") << 1 << QString();
    QTest::newRow("port not a number")
        << QByteArray("[KVT_WORKSPACE]\nRS232Port=abc\n") << 0 << QString();
    QTest::newRow("last file trimmed") << QByteArray("[KVT_WORKSPACE]\nLastFile=   /w/c.DID  \n")
                                       << 1 << QStringLiteral("/w/c.DID");
    QTest::newRow("last file cut to 254")
        << QByteArray("[KVT_WORKSPACE]\nLastFile=" + longName + "\n") << 1
        << QString(254, QLatin1Char('x'));
    QTest::newRow("last file cut at a character")
        << QByteArray("[KVT_WORKSPACE]\nLastFile=" + QByteArray(253, 'x') + "\xc3\xa9\n") << 1
        << QString(253, QLatin1Char('x'));
    QTest::newRow("byte-order mark")
        << QByteArray("\xef\xbb\xbf[KVT_WORKSPACE]\r\nRS232Port=4\r\n") << 4 << QString();
    QTest::newRow("keys of another section ignored")
        << QByteArray("[KVT_PORTS]\nRS232Port=7\nLastFile=/w/d.DID\n") << 1 << QString();
}

void TestShellParts::readSettings() {
    QFETCH(QByteArray, text);
    QFETCH(int, port);
    QFETCH(QString, lastFile);
    const QString path = settingsFile(text);
    const k4::ProgramSettings settings = k4::ReadProgramSettings(path);
    QCOMPARE(int(settings.port), port);
    QCOMPARE(settings.lastFile, lastFile);
}

void TestShellParts::writeLastFileKeepsTheRest_data() {
    QTest::addColumn<QByteArray>("before");  // "<none>" for no file at all
    QTest::addColumn<QString>("lastFile");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("creates the file, empty value")
        << QByteArray("<none>") << QString() << QByteArray("[KVT_WORKSPACE]\r\nLastFile=\r\n");
    QTest::newRow("replaces the value in place")
        << QByteArray("[KVT_WORKSPACE]\r\nLastFile=/old.DID\r\nRS232Port=2\r\n")
        << QStringLiteral("/new.DID")
        << QByteArray("[KVT_WORKSPACE]\r\nLastFile=/new.DID\r\nRS232Port=2\r\n");
    QTest::newRow("adds the key after the port")
        << QByteArray("[KVT_WORKSPACE]\r\nRS232Port=2\r\n[KVT_PORTS]\r\nCOM1=/tmp/x\r\n")
        << QStringLiteral("/a b.DID")
        << QByteArray(
               "[KVT_WORKSPACE]\r\nRS232Port=2\r\nLastFile=/a "
               "b.DID\r\n[KVT_PORTS]\r\nCOM1=/tmp/x\r\n");
}

void TestShellParts::writeLastFileKeepsTheRest() {
    QFETCH(QByteArray, before);
    QFETCH(QString, lastFile);
    QFETCH(QByteArray, after);
    const QString path = settingsFile(before);
    QVERIFY(k4::WriteLastFile(path, lastFile));
    QCOMPARE(k4test::ReadBytes(path), after);
    QCOMPARE(k4::ReadProgramSettings(path).lastFile, lastFile);
}

void TestShellParts::writeLastFileToUnwritableFolderFails() {
    const QString path = dir_.filePath(QStringLiteral("no such folder/KVT.INI"));
    QVERIFY(!k4::WriteLastFile(path, QStringLiteral("/w/a.DID")));
    QVERIFY(!QFile::exists(path));
}

void TestShellParts::buildDate_data() {
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("shown");
    QTest::newRow("two-digit day") << QStringLiteral("2003-10-24") << QStringLiteral("Oct 24 2003");
    QTest::newRow("one-digit day") << QStringLiteral("2003-10-04") << QStringLiteral("Oct 4 2003");
    QTest::newRow("first of the year")
        << QStringLiteral("2025-01-01") << QStringLiteral("Jan 1 2025");
    QTest::newRow("no date") << QStringLiteral("2025-02-30") << QString();
}

void TestShellParts::buildDate() {
    QFETCH(QString, day);
    QFETCH(QString, shown);
    QCOMPARE(k4::AboutBoxDate(day), shown);
}

// The stamp is made when the program is built, so it is no later than this test program itself.
void TestShellParts::programBuildDate() {
    const QDate built = QDate::fromString(k4::ProgramBuildDate(), QStringLiteral("MMM d yyyy"));
    QVERIFY2(built.isValid(), qPrintable(k4::ProgramBuildDate()));
    QVERIFY(built <= QFileInfo(QCoreApplication::applicationFilePath()).lastModified().date());
}

void TestShellParts::tileRects_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<QList<QRect>>("rects");
    const QRect all(0, 0, 300, 200);
    QTest::newRow("none") << 0 << true << QList<QRect>{};
    QTest::newRow("one fills the area") << 1 << false << QList<QRect>{all};
    QTest::newRow("two vertical: side by side")
        << 2 << true << QList<QRect>{{0, 0, 150, 200}, {150, 0, 150, 200}};
    QTest::newRow("two horizontal: one above the other")
        << 2 << false << QList<QRect>{{0, 0, 300, 100}, {0, 100, 300, 100}};
    QTest::newRow("three vertical")
        << 3 << true << QList<QRect>{{0, 0, 100, 200}, {100, 0, 100, 200}, {200, 0, 100, 200}};
    QTest::newRow("five vertical: last column takes three") << 5 << true
                                                            << QList<QRect>{{0, 0, 150, 100},
                                                                            {0, 100, 150, 100},
                                                                            {150, 0, 150, 66},
                                                                            {150, 66, 150, 67},
                                                                            {150, 133, 150, 67}};
    QTest::newRow("five horizontal: last row takes three") << 5 << false
                                                           << QList<QRect>{{0, 0, 150, 100},
                                                                           {150, 0, 150, 100},
                                                                           {0, 100, 100, 100},
                                                                           {100, 100, 100, 100},
                                                                           {200, 100, 100, 100}};
}

void TestShellParts::tileRects() {
    QFETCH(int, count);
    QFETCH(bool, vertical);
    QFETCH(QList<QRect>, rects);
    const std::vector<QRect> got = k4::TileRects(
        count, QRect(0, 0, 300, 200), vertical ? TileMode::Vertical : TileMode::Horizontal);
    QCOMPARE(QList<QRect>(got.begin(), got.end()), rects);
}

void TestShellParts::tilesCoverTheAreaOnce_data() {
    QTest::addColumn<bool>("vertical");
    QTest::newRow("vertical") << true;
    QTest::newRow("horizontal") << false;
}

void TestShellParts::tilesCoverTheAreaOnce() {
    QFETCH(bool, vertical);
    const QRect area(10, 20, 997, 613);
    for (int count = 1; count <= 40; ++count) {
        const std::vector<QRect> rects =
            k4::TileRects(count, area, vertical ? TileMode::Vertical : TileMode::Horizontal);
        QCOMPARE(int(rects.size()), count);
        qint64 covered = 0;
        for (std::size_t i = 0; i < rects.size(); ++i) {
            QVERIFY2(area.contains(rects[i]), qPrintable(QString::number(count)));
            QVERIFY(!rects[i].isEmpty());
            covered += qint64(rects[i].width()) * rects[i].height();
            for (std::size_t j = i + 1; j < rects.size(); ++j) {
                QVERIFY2(!rects[i].intersects(rects[j]), qPrintable(QString::number(count)));
            }
        }
        QCOMPARE(covered, qint64(area.width()) * area.height());
    }
}

void TestShellParts::splitHint_data() {
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("shortHint");
    QTest::addColumn<QString>("longHint");
    QTest::newRow("both parts") << "New|Create a new workspace"
                                << "New"
                                << "Create a new workspace";
    QTest::newRow("one part is both") << "Read only mode"
                                      << "Read only mode"
                                      << "Read only mode";
    QTest::newRow("none") << QString() << QString() << QString();
    QTest::newRow("only the first bar splits") << "a|b|c"
                                               << "a"
                                               << "b|c";
}

void TestShellParts::splitHint() {
    QFETCH(QString, hint);
    QFETCH(QString, shortHint);
    QFETCH(QString, longHint);
    const k4::HintParts parts = k4::SplitHint(hint);
    QCOMPARE(parts.shortHint, shortHint);
    QCOMPARE(parts.longHint, longHint);
}

void TestShellParts::keepInside_data() {
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("place");
    const QRect screen(0, 0, 1280, 1024);
    QTest::newRow("fits where designed") << QRect(341, 250, 179, 217) << screen << QPoint(341, 250);
    QTest::newRow("small screen: moved left and up")
        << QRect(341, 250, 179, 217) << QRect(0, 0, 400, 300) << QPoint(221, 83);
    QTest::newRow("panel at the top and left")
        << QRect(10, 5, 179, 217) << QRect(64, 32, 1216, 992) << QPoint(64, 32);
    QTest::newRow("second screen's area")
        << QRect(341, 250, 179, 217) << QRect(1280, 0, 1024, 768) << QPoint(1280, 250);
    QTest::newRow("larger than the area: top left kept")
        << QRect(341, 250, 500, 500) << QRect(0, 0, 400, 300) << QPoint(0, 0);
    QTest::newRow("no area known") << QRect(341, 250, 179, 217) << QRect() << QPoint(341, 250);
}

void TestShellParts::keepInside() {
    QFETCH(QRect, wanted);
    QFETCH(QRect, available);
    QFETCH(QPoint, place);
    QCOMPARE(k4::KeepInside(wanted, available), place);
}

QTEST_GUILESS_MAIN(TestShellParts)
#include "tst_shellparts.moc"
