// SPDX-License-Identifier: GPL-3.0-or-later
// The port choice without a window: what the device field stores, the settings
// file after a choice, and the rows and warnings of the device chooser.
#include "filebytes.h"
#include "port/portchoice.h"
#include "port/portpath.h"
#include "port/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace k4;
using Device = std::optional<QString>;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestPortChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deviceToStore_data();
    void deviceToStore();
    void saveKeepsEveryOtherByte_data();
    void saveKeepsEveryOtherByte();
    void unsavedDeviceNamesPortUntilForgotten();
    void deviceRows_data();
    void deviceRows();
    void deviceWarning_data();
    void deviceWarning();

private:
    QTemporaryDir dir_;
};

void TestPortChoice::deviceToStore_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current");
    QTest::addColumn<Device>("stored");
    const QString own = PlatformPortPath(3);
    QTest::newRow("unchanged but for blanks") << 3 << " /dev/usb0 "
                                              << "/dev/usb0" << Device();
    QTest::newRow("another device") << 3 << "/dev/pts/4"
                                    << "/dev/usb0" << Device("/dev/pts/4");
    QTest::newRow("platform's device, nothing mapped") << 3 << own << own << Device();
    QTest::newRow("blank, nothing mapped") << 3 << "" << own << Device();
    QTest::newRow("blank unmaps") << 3 << " "
                                  << "/dev/usb0" << Device("");
    QTest::newRow("port without a device") << 0 << "/dev/pts/4"
                                           << "" << Device();
}

void TestPortChoice::deviceToStore() {
    QFETCH(int, port);
    QFETCH(QString, typed);
    QFETCH(QString, current);
    QFETCH(Device, stored);
    QCOMPARE(DeviceToStore(port, typed, current), stored);
}

void TestPortChoice::saveKeepsEveryOtherByte_data() {
    QTest::addColumn<QByteArray>("before");  // "<none>": no file
    QTest::addColumn<int>("port");
    QTest::addColumn<Device>("device");
    QTest::addColumn<QByteArray>("after");
    const QByteArray kept =
        "; notes\r\n[KVT_WORKSPACE]\r\nRS232Port=3\r\nLastFile=C:\\w\\a.DID\r\n\r\n"
        "[KVT_PORTS]\r\nCOM3=/dev/ttyS2\r\ncom10 = \"/dev/old\"\r\n[Other]\r\nx=1";
    QTest::newRow("no file") << QByteArray("<none>") << 2 << Device("/dev/pts/7")
                             << QByteArray(
                                    "[KVT_WORKSPACE]\r\nRS232Port=2\r\n[KVT_PORTS]\r\n"
                                    "COM2=/dev/pts/7\r\n");
    QTest::newRow("port only") << kept << 10 << Device()
                               << QByteArray(kept).replace("Port=3", "Port=10");
    QTest::newRow("device in place, key as written")
        << kept << 10 << Device("/dev/serial/by-id/usb-X")
        << QByteArray(kept)
               .replace("Port=3", "Port=10")
               .replace("com10 = \"/dev/old\"", "com10=/dev/serial/by-id/usb-X");
    QTest::newRow("LF file, no section yet")
        << QByteArray("[KVT_WORKSPACE]\nLastFile=\n") << 16 << Device("/dev/ttyACM0")
        << QByteArray(
               "[KVT_WORKSPACE]\nLastFile=\nRS232Port=16\r\n[KVT_PORTS]\r\n"
               "COM16=/dev/ttyACM0\r\n");
    QTest::newRow("same values: untouched") << kept << 3 << Device("/dev/ttyS2") << kept;
}

void TestPortChoice::saveKeepsEveryOtherByte() {
    QFETCH(QByteArray, before);
    QFETCH(int, port);
    QFETCH(Device, device);
    QFETCH(QByteArray, after);
    const QString path = dir_.filePath(QStringLiteral("KVT.INI"));
    QFile::remove(path);
    QVERIFY(before == "<none>" || k4test::WriteBytes(path, before));
    QVERIFY(SavePortChoice(
        path, static_cast<std::uint8_t>(port),
        device ? std::map<int, QString>{{port, *device}} : std::map<int, QString>{}));
    QCOMPARE(k4test::ReadBytes(path), after);
}

void TestPortChoice::unsavedDeviceNamesPortUntilForgotten() {
    const QString path = dir_.filePath(QStringLiteral("mapped.INI"));
    QVERIFY(k4test::WriteBytes(path, "[KVT_PORTS]\r\nCOM4=/dev/in-file\r\n"));
    SetUnsavedPortDevice(4, QStringLiteral("/dev/chosen"));
    QCOMPARE(PortPath(4, path), QStringLiteral("/dev/chosen"));
    QCOMPARE(PortPath(5, path), PlatformPortPath(5));
    SetUnsavedPortDevice(4, QString());  // chosen blank: the platform's device
    QCOMPARE(PortPath(4, path), PlatformPortPath(4));
    SetUnsavedPortDevice(4, std::nullopt);
    QCOMPARE(PortPath(4, path), QStringLiteral("/dev/in-file"));
}

void TestPortChoice::deviceRows_data() {
    QTest::addColumn<QStringList>("facts");  // location|description|maker|serial, per port
    QTest::addColumn<QStringList>("rows");   // path|text; "@" the stable folder, "%" the devices
    QTest::newRow("stable name preferred, every fact")
        << QStringList{"%/ttyUSB0|USB UART|FTDI|A502"}
        << QStringList{"@/usb-FTDI|@/usb-FTDI (ttyUSB0, USB UART, FTDI, serial A502)"};
    QTest::newRow("no stable name, no facts")
        << QStringList{"%/ttyS0|||"} << QStringList{"%/ttyS0|%/ttyS0"};
    QTest::newRow("sorted by path, a fact once")
        << QStringList{"%/ttyS1|ttyS1| |", "%/ttyACM0|Modem|Modem|"}
        << QStringList{"%/ttyACM0|%/ttyACM0 (Modem)", "%/ttyS1|%/ttyS1 (ttyS1)"};
}

void TestPortChoice::deviceRows() {
    QFETCH(QStringList, facts);
    QFETCH(QStringList, rows);
    QTemporaryDir dev;
    const QString stable = dev.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(stable));
    for (const char* name : {"ttyUSB0", "ttyS0", "ttyS1", "ttyACM0"}) {
        QVERIFY(k4test::WriteBytes(dev.filePath(name), ""));
    }
    QVERIFY(QFile::link(dev.filePath("ttyUSB0"), stable + QStringLiteral("/usb-FTDI")));
    QVERIFY(QFile::link(dev.filePath("gone"), stable + QStringLiteral("/usb-gone")));
    const auto expand = [&](QString text) {
        return text.replace(QLatin1Char('@'), stable).replace(QLatin1Char('%'), dev.path());
    };
    std::vector<SerialPortFacts> ports;
    for (const QString& fact : facts) {
        const QStringList parts = expand(fact).split(QLatin1Char('|'));
        ports.push_back({parts[0], parts[1], parts[2], parts[3]});
    }
    QStringList shown;
    for (const SerialDeviceRow& row : SerialDeviceRows(ports, stable)) {
        shown << row.path + QLatin1Char('|') + row.text;
    }
    for (QString& row : rows) {
        row = expand(row);
    }
    QCOMPARE(shown, rows);
}

void TestPortChoice::deviceWarning_data() {
    QTest::addColumn<QString>("path");  // "%" is a folder of the test
    QTest::addColumn<QString>("warning");
    const QString missing =
        QStringLiteral(" does not exist now: the port will not open until it does.");
    QTest::newRow("blank: the platform's device") << "  "
                                                  << "";
    QTest::newRow("link to a present device") << "%/line"
                                              << "";
    QTest::newRow("missing") << "%/ttyUSB9"
                             << "%/ttyUSB9" + missing;
    QTest::newRow("link to nothing") << "%/gone"
                                     << "%/gone" + missing;
    QTest::newRow("folder") << "%"
                            << "% is never opened: a folder, not a serial device.";
    QTest::newRow("file") << "%/tty0"
                          << "%/tty0 is never opened: a file, not a serial device.";
    QTest::newRow("link to a file") << "%/file-link"
                                    << "%/file-link is never opened: a file, not a serial device.";
    QTest::newRow("network address") << "rfc2217://k4-no-host:4001"
                                     << "";
    QTest::newRow("bare name is in /dev") << "null"
                                          << "";
    QTest::newRow("bare name missing from /dev") << "k4-no-tty"
                                                 << "k4-no-tty" + missing;
}

void TestPortChoice::deviceWarning() {
    QFETCH(QString, path);
    QFETCH(QString, warning);
    QTemporaryDir dev;
    QVERIFY(k4test::WriteBytes(dev.filePath("tty0"), ""));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), dev.filePath("line")));
    QVERIFY(QFile::link(dev.filePath("tty0"), dev.filePath("file-link")));
    QVERIFY(QFile::link(dev.filePath("pts-9"), dev.filePath("gone")));
    QCOMPARE(DeviceWarning(path.replace(QLatin1Char('%'), dev.path())),
             warning.replace(QLatin1Char('%'), dev.path()));
}

QTEST_GUILESS_MAIN(TestPortChoice)
#include "tst_portchoice.moc"
