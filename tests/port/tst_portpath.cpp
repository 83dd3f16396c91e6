// SPDX-License-Identifier: GPL-3.0-or-later
#include "filebytes.h"
#include "port/portpath.h"
#include "port/qtserialio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;

class TestPortPath : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void path_data();
    void path();
    void factoryMakesQtPortOnPath();
};

void TestPortPath::path_data() {
    QTest::addColumn<QByteArray>("settings");  // empty: no settings file
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("expected");

    const QByteArray mapped =
        "[KVT_WORKSPACE]\r\nRS232Port=3\r\n[KVT_PORTS]\r\nCOM3=/tmp/k4-line\r\nCOM12=\r\n";
#ifdef Q_OS_WIN
    QTest::newRow("no settings file") << QByteArray() << 1 << "COM1";
    QTest::newRow("not mapped") << mapped << 2 << "COM2";
#else
    QTest::newRow("no settings file") << QByteArray() << 1 << "/dev/ttyS0";
    QTest::newRow("no settings file, port 4") << QByteArray() << 4 << "/dev/ttyS3";
    QTest::newRow("not mapped") << mapped << 2 << "/dev/ttyS1";
    QTest::newRow("mapped to nothing") << mapped << 12 << "/dev/ttyS11";
    QTest::newRow("no such section")
        << QByteArray("[KVT_WORKSPACE]\nCOM3=/tmp/elsewhere\n") << 3 << "/dev/ttyS2";
#endif
    QTest::newRow("mapped") << mapped << 3 << "/tmp/k4-line";
    QTest::newRow("names in any case")
        << QByteArray("[kvt_ports]\ncom5 = \"/dev/pts/9\"\n") << 5 << "/dev/pts/9";
    QTest::newRow("port 0") << mapped << 0 << "";
    QTest::newRow("negative port") << QByteArray() << -2 << "";
}

void TestPortPath::path() {
    QFETCH(QByteArray, settings);
    QFETCH(int, port);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("KVT.INI");
    if (!settings.isEmpty()) {
        QVERIFY(k4test::WriteBytes(file, settings));
    }
    QCOMPARE(PortPath(port, file), expected);
}

void TestPortPath::factoryMakesQtPortOnPath() {
    QTemporaryDir dir;
    const QString file = dir.filePath("KVT.INI");
    QVERIFY(k4test::WriteBytes(file, "[KVT_PORTS]\r\nCOM2=/tmp/k4-line-2\r\n"));
    const PortFactory factory = DefaultPortFactory(file);
    const std::unique_ptr<SerialIo> port = factory(2);
    const auto* qt = dynamic_cast<const QtSerialIo*>(port.get());
    QVERIFY(qt != nullptr);
    QCOMPARE(qt->path(), QStringLiteral("/tmp/k4-line-2"));
    QVERIFY(!port->isOpen());
}

QTEST_GUILESS_MAIN(TestPortPath)
#include "tst_portpath.moc"
