// The port choice without a window: the port list for a configured port, what the device field
// stores, the settings file after a choice, and the rows and warnings of the device chooser.
#include "filebytes.h"
#include "link/portchoice.h"
#include "link/portpath.h"
#include "link/serialdevices.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace k4;

Q_DECLARE_METATYPE(std::optional<QString>)

class TestPortChoice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
    void deviceToStore_data();
    void deviceToStore();
    void saveKeepsEveryOtherByte_data();
    void saveKeepsEveryOtherByte();
    void saveIntoUnwritableFileFails();
    void unsavedDeviceNamesPortUntilForgotten();
    void deviceRows_data();
    void deviceRows();
    void deviceWarning_data();
    void deviceWarning();

private:
    QTemporaryDir dir_;
};

void TestPortChoice::entries_data() {
    QTest::addColumn<int>("configured");
    QTest::addColumn<QString>("extra");  // the entry after COM15, empty for none
    QTest::addColumn<QString>("selected");
    QTest::newRow("default port 1") << 1 << ""
                                    << "COM1";
    QTest::newRow("port 10") << 10 << ""
                             << "COM10";
    QTest::newRow("last listed port") << 15 << ""
                                      << "COM15";
    QTest::newRow("hand-set 16") << 16 << "COM16"
                                 << "COM16";
    QTest::newRow("port 0") << 0 << "COM0"
                            << "COM0";
    QTest::newRow("255 read as a signed byte") << -1 << "COM-1"
                                               << "COM-1";
}

void TestPortChoice::entries() {
    QFETCH(int, configured);
    QFETCH(QString, extra);
    QFETCH(QString, selected);
    const PortEntries ports = PortEntriesFor(configured);
    QCOMPARE(int(ports.entries.size()), extra.isEmpty() ? 15 : 16);
    for (int i = 0; i < 15; ++i) {
        QCOMPARE(ports.entries[i].text, QStringLiteral("COM%1").arg(i + 1));
        QCOMPARE(ports.entries[i].port, i + 1);
    }
    if (!extra.isEmpty()) {
        QCOMPARE(ports.entries.back().text, extra);
        QCOMPARE(ports.entries.back().port, configured);
    }
    QCOMPARE(ports.entries.at(ports.selected).text, selected);
    QCOMPARE(ports.entries.at(ports.selected).port, configured);
}

void TestPortChoice::deviceToStore_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("current");
    QTest::addColumn<std::optional<QString>>("stored");
    const QString platform3 = PlatformPortPath(3);
    QTest::newRow("unchanged mapping") << 3 << "/dev/ttyUSB0"
                                       << "/dev/ttyUSB0" << std::optional<QString>();
    QTest::newRow("unchanged but for blanks") << 3 << "  /dev/ttyUSB0 "
                                              << "/dev/ttyUSB0" << std::optional<QString>();
    QTest::newRow("another device") << 3 << "/dev/pts/4"
                                    << "/dev/ttyUSB0" << std::optional<QString>("/dev/pts/4");
    QTest::newRow("platform's own device typed, nothing mapped")
        << 3 << platform3 << platform3 << std::optional<QString>();
    QTest::newRow("blank, nothing mapped") << 3 << "" << platform3 << std::optional<QString>();
    QTest::newRow("blank unmaps") << 3 << " "
                                  << "/dev/ttyUSB0" << std::optional<QString>("");
    QTest::newRow("port without a device") << 0 << "/dev/pts/4"
                                           << "" << std::optional<QString>();
}

void TestPortChoice::deviceToStore() {
    QFETCH(int, port);
    QFETCH(QString, typed);
    QFETCH(QString, current);
    QFETCH(std::optional<QString>, stored);
    QCOMPARE(DeviceToStore(port, typed, current), stored);
}

void TestPortChoice::saveKeepsEveryOtherByte_data() {
    QTest::addColumn<QByteArray>("before");  // "<none>": no file
    QTest::addColumn<int>("port");
    QTest::addColumn<std::optional<QString>>("device");
    QTest::addColumn<QByteArray>("after");
    const QByteArray kept =
        "; hand notes\r\n[KVT_WORKSPACE]\r\nRS232Port=3\r\nLastFile=C:\\w\\a.DID\r\n\r\n"
        "[KVT_PORTS]\r\nCOM3=/dev/ttyS2\r\ncom10 = \"/dev/old\"\r\n[Other]\r\nx=1";
    QTest::newRow("no file: port only") << QByteArray("<none>") << 10 << std::optional<QString>()
                                        << QByteArray("[KVT_WORKSPACE]\r\nRS232Port=10\r\n");
    QTest::newRow("no file: port and device")
        << QByteArray("<none>") << 2 << std::optional<QString>("/dev/pts/7")
        << QByteArray("[KVT_WORKSPACE]\r\nRS232Port=2\r\n[KVT_PORTS]\r\nCOM2=/dev/pts/7\r\n");
    QTest::newRow("port changes in place")
        << kept << 10 << std::optional<QString>()
        << QByteArray(kept).replace("RS232Port=3", "RS232Port=10");
    QTest::newRow("device replaces its value, key as written")
        << kept << 10 << std::optional<QString>("/dev/serial/by-id/usb-X-if00")
        << QByteArray(kept)
               .replace("RS232Port=3", "RS232Port=10")
               .replace("com10 = \"/dev/old\"", "com10=/dev/serial/by-id/usb-X-if00");
    QTest::newRow("new key after the section's last line")
        << kept << 3 << std::optional<QString>("/dev/ttyUSB1")
        << QByteArray(kept)
               .replace("com10", "COM3=/dev/ttyUSB1\r\ncom10")
               .replace("COM3=/dev/ttyS2\r\n", "");
    QTest::newRow("LF file, no KVT_PORTS yet")
        << QByteArray("[KVT_WORKSPACE]\nLastFile=/w/a.DID\n") << 16
        << std::optional<QString>("/dev/ttyACM0")
        << QByteArray(
               "[KVT_WORKSPACE]\nLastFile=/w/a.DID\nRS232Port=16\r\n[KVT_PORTS]\r\n"
               "COM16=/dev/ttyACM0\r\n");
    QTest::newRow("same values: file untouched")
        << kept << 3 << std::optional<QString>("/dev/ttyS2") << kept;
}

void TestPortChoice::saveKeepsEveryOtherByte() {
    QFETCH(QByteArray, before);
    QFETCH(int, port);
    QFETCH(std::optional<QString>, device);
    QFETCH(QByteArray, after);
    const QString path = dir_.filePath(QStringLiteral("KVT.INI"));
    QFile::remove(path);
    if (before != "<none>") {
        QVERIFY(k4test::WriteBytes(path, before));
    }
    QVERIFY(SavePortChoice(path, static_cast<std::int8_t>(port), device));
    QCOMPARE(k4test::ReadBytes(path), after);
}

void TestPortChoice::saveIntoUnwritableFileFails() {
    // A folder where the file should be stands for any settings file that cannot be replaced,
    // also for a user who may write everywhere.
    const QString path = dir_.filePath(QStringLiteral("folder/KVT.INI"));
    QVERIFY(QDir().mkpath(path));
    QVERIFY(!SavePortChoice(path, 4, QStringLiteral("/dev/pts/1")));
    QVERIFY(QFileInfo(path).isDir());
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
    QTest::addColumn<QStringList>("facts");  // location|description|maker|serial per port
    QTest::addColumn<QStringList>("rows");   // path|text; "@" the stable folder, "%" the devices
    QTest::newRow("none") << QStringList() << QStringList();
    QTest::newRow("stable name preferred, full facts")
        << QStringList{"%/ttyUSB0|FT232R USB UART|FTDI|A50285BI"}
        << QStringList{
               "@/usb-FTDI-if00|@/usb-FTDI-if00 (ttyUSB0, FT232R USB UART, FTDI, serial "
               "A50285BI)"};
    QTest::newRow("no stable name, no facts")
        << QStringList{"%/ttyS0|||"} << QStringList{"%/ttyS0|%/ttyS0"};
    QTest::newRow("sorted by path, repeated facts once")
        << QStringList{"%/ttyS1|ttyS1|  |", "%/ttyACM0|Modem|Modem|"}
        << QStringList{"%/ttyACM0|%/ttyACM0 (Modem)", "%/ttyS1|%/ttyS1 (ttyS1)"};
}

void TestPortChoice::deviceRows() {
    QFETCH(QStringList, facts);
    QFETCH(QStringList, rows);
    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    const QString stable = dev.filePath(QStringLiteral("by-id"));
    QVERIFY(QDir().mkpath(stable));
    for (const char* name : {"ttyUSB0", "ttyS0", "ttyS1", "ttyACM0"}) {
        QVERIFY(k4test::WriteBytes(dev.filePath(name), ""));
    }
    QVERIFY(QFile::link(dev.filePath("ttyUSB0"), stable + QStringLiteral("/usb-FTDI-if00")));
    QVERIFY(QFile::link(dev.filePath("gone"), stable + QStringLiteral("/usb-gone-if00")));

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
    QStringList expected;
    for (const QString& row : rows) {
        expected << expand(row);
    }
    QCOMPARE(shown, expected);
}

void TestPortChoice::deviceWarning_data() {
    QTest::addColumn<QString>("path");  // "%" is a folder of the test
    QTest::addColumn<QString>("warning");
    QTest::newRow("blank: the platform's device") << "  "
                                                  << "";
    QTest::newRow("present") << "%/tty0"
                             << "";
    QTest::newRow("link to a present device") << "%/line"
                                              << "";
    QTest::newRow("missing")
        << "%/ttyUSB9"
        << "%/ttyUSB9 does not exist now: the port will not open until it does.";
    QTest::newRow("link to nothing")
        << "%/gone"
        << "%/gone does not exist now: the port will not open until it does.";
    QTest::newRow("folder") << "%"
                            << "% is a folder, not a serial device.";
    QTest::newRow("bare name is in /dev") << "null"
                                          << "";
    QTest::newRow("bare name missing from /dev")
        << "k4-no-such-tty"
        << "k4-no-such-tty does not exist now: the port will not open until "
           "it does.";
}

void TestPortChoice::deviceWarning() {
    QFETCH(QString, path);
    QFETCH(QString, warning);
    QTemporaryDir dev;
    QVERIFY(k4test::WriteBytes(dev.filePath("tty0"), ""));
    QVERIFY(QFile::link(dev.filePath("tty0"), dev.filePath("line")));
    QVERIFY(QFile::link(dev.filePath("pts-9"), dev.filePath("gone")));
    path.replace(QLatin1Char('%'), dev.path());
    warning.replace(QLatin1Char('%'), dev.path());
    QCOMPARE(DeviceWarning(path), warning);
}

QTEST_GUILESS_MAIN(TestPortChoice)
#include "tst_portchoice.moc"
