// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profilefile.h"
#include "core/profilestrings.h"
#include "core/workspacefile.h"
#include "filebytes.h"
#include "filesizelimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using k4::WorkspaceDevice;
using k4::WorkspaceFileData;
using k4test::ReadBytes;
using k4test::WriteBytes;

Q_DECLARE_METATYPE(WorkspaceFileData)

namespace {

// A workspace of two devices added in the program with the IDs 1 and 2, saved as rack.DID.
const char kSampleText[] =
    "[Global]\r\nDevices=2\r\nName=rack.DID\r\nManTop=0\r\nManLeft=0\r\nManWidth=178\r\n"
    "ManHeight=383\r\nWindowState=0\r\nReadOnly=0\r\n"
    "[Dev1]\r\nDeviceName=New device\r\nflags=1\r\nDevID=2\r\nLeft=24\r\nTop=24\r\n"
    "LCDColor=65280\r\nLCDBackColor=0\r\nSkin=\r\n"
    "[Dev0]\r\nDeviceName=New device\r\nflags=1\r\nDevID=1\r\nLeft=0\r\nTop=0\r\n"
    "LCDColor=65280\r\nLCDBackColor=0\r\nSkin=\r\n"
    "[MacroNames]\r\nMacroName1=Undefined\r\nMacroName2=Undefined\r\nMacroName3=Undefined\r\n"
    "MacroName4=Undefined\r\nMacroName5=Undefined\r\nMacroName6=Undefined\r\n"
    "MacroName7=Undefined\r\nMacroName8=Undefined\r\nMacroName9=Undefined\r\n"
    "MacroName10=Undefined\r\nMacroName11=Undefined\r\nMacroName12=Undefined\r\n";

WorkspaceDevice newDevice(std::uint8_t id, int left, int top) {
    WorkspaceDevice device;
    device.DeviceName = QStringLiteral("New device");
    device.flags = 1;
    device.DevID = id;
    device.Left = left;
    device.Top = top;
    return device;
}

WorkspaceFileData sampleData() {
    WorkspaceFileData data;
    data.Name = QStringLiteral("rack.DID");
    data.ManWidth = 178;
    data.ManHeight = 383;
    data.Devices = {newDevice(1, 0, 0), newDevice(2, 24, 24)};
    return data;
}

WorkspaceFileData devicesData(int count) {
    WorkspaceFileData data;
    data.Name = QStringLiteral("ws.DID");
    for (int i = 0; i < count; ++i) {
        WorkspaceDevice device = newDevice(static_cast<std::uint8_t>(i + 1), i * 3, i * 5);
        device.DeviceName = QStringLiteral("Device %1").arg(i);
        device.LCDColor = static_cast<std::uint32_t>(i * 0x010203);
        data.Devices.push_back(device);
    }
    return data;
}

QByteArray deviceSection(int slot, const char* name, int flags, int id) {
    return QByteArray("[Dev") + QByteArray::number(slot) + "]\r\nDeviceName=" + name +
           "\r\nflags=" + QByteArray::number(flags) + "\r\nDevID=" + QByteArray::number(id) +
           "\r\n";
}

}  // namespace

class TestWorkspaceFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void sampleLoadsAsItsTwoDevices();
    void sampleWrittenFromScratch();
    void roundTrip_data();
    void roundTrip();
    void savingTwiceGivesTheSameBytes();
    void fewerDevicesOverMoreLeaveOldSections();
    void writerEqualsKeyByKeyWrites();
    void read_data();
    void read();
    void nameOfPath_data();
    void nameOfPath();
    void encodeString_data();
    void encodeString();
    void failedWriteSaysSo();
    void eightBitFileKeepsItsForm();
    void uneditedLongNameKeepsEveryByte();

private:
    QString path(const QString& name = QStringLiteral("ws.DID")) const {
        return dir_->filePath(name);
    }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestWorkspaceFile::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestWorkspaceFile::sampleLoadsAsItsTwoDevices() {
    QVERIFY(WriteBytes(path(), kSampleText));
    const WorkspaceFileData data = k4::ReadWorkspaceFile(path());
    QCOMPARE(data.Devices.size(), std::size_t{2});
    QCOMPARE(data.Devices[0].DevID, 1);
    QCOMPARE(data.Devices[1].DevID, 2);
    QCOMPARE(data.Devices[1].Left, 24);
    QCOMPARE(data.Name, QStringLiteral("rack.DID"));
    QVERIFY(data == sampleData());
}

void TestWorkspaceFile::sampleWrittenFromScratch() {
    const QString target = path(QStringLiteral("rack.DID"));
    QVERIFY(k4::WriteWorkspaceFile(target, sampleData()));
    QCOMPARE(ReadBytes(target), QByteArray(kSampleText));
}

void TestWorkspaceFile::roundTrip_data() {
    QTest::addColumn<WorkspaceFileData>("data");

    QTest::newRow("empty workspace") << devicesData(0);
    QTest::newRow("one device") << devicesData(1);
    QTest::newRow("127 devices") << devicesData(127);

    WorkspaceFileData every = devicesData(2);
    every.ManTop = -5;
    every.ManLeft = 17;
    every.ManWidth = 640;
    every.ManHeight = 2000;
    every.WindowState = 2;
    every.ReadOnly = true;
    every.Devices[0] = WorkspaceDevice{
        QStringLiteral("Encoder A"), 0x85, 200, -40, 70000, 0xFFFFFFFFu, 0x80000000u,
        QStringLiteral("blue.bmp")};
    every.Devices[1].DevID = 0;
    every.Devices[1].Skin = QString();
    for (int i = 0; i < k4::kWorkspaceMacroCount; ++i) {
        every.MacroNames[i] = QStringLiteral("Macro number %1").arg(i + 1);
    }
    QTest::newRow("every field") << every;

    WorkspaceFileData texts = devicesData(3);
    texts.Devices[0].DeviceName = QStringLiteral("  padded  ");
    texts.Devices[1].DeviceName = QStringLiteral("\"quoted\"");
    texts.Devices[2].DeviceName = QStringLiteral("Gr\u00fc\u00dfe \u00e9t\u00e9 \u4e2d");
    texts.Devices[2].Skin = QStringLiteral("my skin.bmp");
    texts.MacroNames[0] = QString();
    texts.MacroNames[1] = QStringLiteral("'x'");
    texts.MacroNames[2] = QStringLiteral("a = b ; c [d]");
    texts.MacroNames[3] = QStringLiteral("\"");
    QTest::newRow("awkward texts") << texts;
}

void TestWorkspaceFile::roundTrip() {
    QFETCH(WorkspaceFileData, data);
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    const WorkspaceFileData back = k4::ReadWorkspaceFile(path());
    QCOMPARE(back.Devices.size(), data.Devices.size());
    for (std::size_t i = 0; i < data.Devices.size(); ++i) {
        QCOMPARE(back.Devices[i].DeviceName, data.Devices[i].DeviceName);
        QCOMPARE(back.Devices[i].Skin, data.Devices[i].Skin);
        QVERIFY2(back.Devices[i] == data.Devices[i], qPrintable(QString::number(i)));
    }
    for (int i = 0; i < k4::kWorkspaceMacroCount; ++i) {
        QCOMPARE(back.MacroNames[i], data.MacroNames[i]);
    }
    QVERIFY(back == data);
}

void TestWorkspaceFile::savingTwiceGivesTheSameBytes() {
    const WorkspaceFileData data = devicesData(5);
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    const QByteArray first = ReadBytes(path());
    QVERIFY(k4::WriteWorkspaceFile(path(), k4::ReadWorkspaceFile(path())));
    QCOMPARE(ReadBytes(path()), first);
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    QCOMPARE(ReadBytes(path()), first);
}

void TestWorkspaceFile::fewerDevicesOverMoreLeaveOldSections() {
    QVERIFY(k4::WriteWorkspaceFile(path(), devicesData(5)));
    WorkspaceFileData two = devicesData(2);
    two.Devices[0].DeviceName = QStringLiteral("Renamed");
    QVERIFY(k4::WriteWorkspaceFile(path(), two));

    const k4::ProfileFile file(path());
    QCOMPARE(file.readInt("Global", "Devices", -1), 2);
    for (int slot = 2; slot <= 4; ++slot) {
        const QByteArray section = "Dev" + QByteArray::number(slot);
        QCOMPARE(file.readString(section, "DeviceName", "", 50),
                 "Device " + QByteArray::number(slot));
    }
    QCOMPARE(file.readString("Dev0", "DeviceName", "", 50), QByteArray("Renamed"));
    QVERIFY(k4::ReadWorkspaceFile(path()) == two);
}

void TestWorkspaceFile::writerEqualsKeyByKeyWrites() {
    // An old hand-edited file: odd spacing, LF endings, a comment, sections lowest first.
    const QByteArray start(
        "; rack\n[global]\nDevices = 3\nName=old.DID\n\n[Dev0]\nDeviceName=A\nflags=1\n"
        "[Dev1]\nflags=1\n[Dev2]\nDeviceName=C\n");
    QVERIFY(WriteBytes(path("whole.DID"), start));
    QVERIFY(WriteBytes(path("keys.DID"), start));
    const WorkspaceFileData data = devicesData(2);
    QVERIFY(k4::WriteWorkspaceFile(path("whole.DID"), data));

    const QString keys = path("keys.DID");
    auto put = [&](const char* section, const char* key, const QByteArray& value) {
        QVERIFY(k4::ProfileFile::WriteString(keys, section, key, value));
    };
    put("Global", "Devices", "2");
    put("Global", "Name", "keys.DID");
    put("Global", "ManTop", "0");
    put("Global", "ManLeft", "0");
    put("Global", "ManWidth", "0");
    put("Global", "ManHeight", "0");
    put("Global", "WindowState", "0");
    put("Global", "ReadOnly", "0");
    for (int slot = 1; slot >= 0; --slot) {
        const QByteArray section = "Dev" + QByteArray::number(slot);
        const WorkspaceDevice& d = data.Devices[static_cast<std::size_t>(slot)];
        put(section, "DeviceName", d.DeviceName.toLocal8Bit());
        put(section, "flags", "1");
        put(section, "DevID", QByteArray::number(d.DevID));
        put(section, "Left", QByteArray::number(d.Left));
        put(section, "Top", QByteArray::number(d.Top));
        put(section, "LCDColor", QByteArray::number(d.LCDColor));
        put(section, "LCDBackColor", "0");
        put(section, "Skin", "");
    }
    for (int i = 1; i <= 12; ++i) {
        put("MacroNames", "MacroName" + QByteArray::number(i), "Undefined");
    }
    QByteArray expected = ReadBytes(keys);
    expected.replace("Name=keys.DID", "Name=whole.DID");
    QCOMPARE(ReadBytes(path("whole.DID")), expected);
}

void TestWorkspaceFile::read_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<WorkspaceFileData>("expected");

    const QByteArray sample(kSampleText);
    QTest::newRow("no file") << QByteArray() << WorkspaceFileData();
    QTest::newRow("empty file") << QByteArray("") << WorkspaceFileData();
    QTest::newRow("binary garbage")
        << QByteArray("\x00\xff\x01[\x80]\n=\r\r\n", 10) << WorkspaceFileData();

    QByteArray lf = sample;
    lf.replace("\r\n", "\n");
    QTest::newRow("LF line ends") << lf << sampleData();

    const qsizetype dev1 = sample.indexOf("[Dev1]");
    const qsizetype dev0 = sample.indexOf("[Dev0]");
    const qsizetype macros = sample.indexOf("[MacroNames]");
    const QByteArray lowestFirst = sample.left(dev1) + sample.mid(dev0, macros - dev0) +
                                   sample.mid(dev1, dev0 - dev1) + sample.mid(macros);
    QTest::newRow("device sections lowest first") << lowestFirst << sampleData();

    QByteArray blanks = sample;
    blanks.replace("DevID=2", "  devid  =   2   ").replace("[Dev0]", "\r\n [ dev0 ] ");
    QTest::newRow("blanks and case") << blanks << sampleData();

    WorkspaceFileData id44 = sampleData();
    id44.Devices[1].DevID = 44;
    QTest::newRow("DevID 300 keeps its low 8 bits")
        << QByteArray(sample).replace("DevID=2", "DevID=300") << id44;

    WorkspaceFileData negativeId = sampleData();
    negativeId.Devices[1].DevID = 200;
    QTest::newRow("DevID written signed")
        << QByteArray(sample).replace("DevID=2", "DevID=-56") << negativeId;

    WorkspaceFileData sameIds = sampleData();
    sameIds.Devices[1].DevID = 1;
    QTest::newRow("duplicate DevID both load")
        << QByteArray(sample).replace("DevID=2", "DevID=1") << sameIds;

    WorkspaceFileData defaults = sampleData();
    defaults.Devices[1].DeviceName = QStringLiteral("Error");
    defaults.Devices[1].LCDColor = 0x00FF00;
    defaults.Devices[1].LCDBackColor = 0;
    QByteArray missing = sample;
    missing.replace(
        "DeviceName=New device\r\nflags=1\r\nDevID=2\r\nLeft=24\r\nTop=24\r\n"
        "LCDColor=65280\r\nLCDBackColor=0\r\n",
        "flags=1\r\nDevID=2\r\nLeft=24\r\nTop=24\r\n");
    QTest::newRow("missing keys take their defaults") << missing << defaults;

    WorkspaceFileData colours = sampleData();
    colours.Devices[0].LCDColor = 0xFFFFFFFFu;
    colours.Devices[0].LCDBackColor = 255;
    QByteArray colourText = sample;
    colourText.replace(dev0, sample.size() - dev0,
                       QByteArray(sample.mid(dev0))
                           .replace("LCDColor=65280", "LCDColor=-1")
                           .replace("LCDBackColor=0", "LCDBackColor=255"));
    QTest::newRow("colours as signed decimal") << colourText << colours;

    WorkspaceFileData macro = sampleData();
    macro.MacroNames[6] = QStringLiteral("Undefined");
    QTest::newRow("missing macro key")
        << QByteArray(sample).replace("MacroName7=Undefined\r\n", "") << macro;

    QTest::newRow("Devices missing") << QByteArray(sample).replace("Devices=2\r\n", "") << [] {
        WorkspaceFileData d = sampleData();
        d.Devices.clear();
        return d;
    }();
    QTest::newRow("Devices negative")
        << QByteArray(sample).replace("Devices=2", "Devices=-3") << [] {
               WorkspaceFileData d = sampleData();
               d.Devices.clear();
               return d;
           }();

    WorkspaceFileData flags = sampleData();
    flags.Devices[0].flags = 0x85;
    flags.ReadOnly = true;
    QTest::newRow("other flag bits kept, any ReadOnly sets the mark")
        << QByteArray(sample)
               .replace("flags=1\r\nDevID=1", "flags=-123\r\nDevID=1")
               .replace("ReadOnly=0", "ReadOnly=7")
        << flags;

    QByteArray gap = "[Global]\r\nDevices=3\r\n" + deviceSection(0, "A", 1, 1) +
                     deviceSection(1, "B", 2, 2) + deviceSection(2, "C", 1, 3);
    WorkspaceFileData gapData;
    gapData.Devices.push_back(WorkspaceDevice{QStringLiteral("A"), 1, 1});
    QTest::newRow("device list ends at a slot without the in-use flag") << gap << gapData;
    QTest::newRow("missing flags ends the list too")
        << QByteArray(gap).replace("flags=2\r\n", "") << gapData;

    QByteArray many = "[Global]\r\nDevices=100000\r\n";
    WorkspaceFileData manyData;
    for (int slot = 0; slot < 130; ++slot) {
        many += deviceSection(slot, "D", 1, slot % 128);
        if (slot < 127) {
            manyData.Devices.push_back(
                WorkspaceDevice{QStringLiteral("D"), 1, static_cast<std::uint8_t>(slot % 128)});
        }
    }
    QTest::newRow("at most 127 devices") << many << manyData;

    WorkspaceFileData cut;
    cut.Name = QString(49, QLatin1Char('n'));
    cut.MacroNames[0] = QString(99, QLatin1Char('m'));
    cut.Devices.push_back(WorkspaceDevice{QString(48, QLatin1Char('d')), 1, 9});
    cut.Devices[0].Skin = QString(254, QLatin1Char('s'));
    WorkspaceFileData windowsText;
    windowsText.Name = QStringLiteral("Halle S\u00fcd.DID");
    windowsText.Devices.push_back(WorkspaceDevice{QStringLiteral("Ger\u00e4t 1"), 1, 9});
    QTest::newRow("8-bit text written on Windows keeps its letters")
        << QByteArray(
               "[Global]\r\nDevices=1\r\nName=Halle S\xfc"
               "d.DID\r\n"
               "[Dev0]\r\nDeviceName=Ger\xe4t 1\r\nflags=1\r\nDevID=9\r\n")
        << windowsText;

    WorkspaceFileData cp1252;
    cp1252.Name = QStringLiteral("\u20ac \u201cQ\u201d.DID");
    QTest::newRow("8-bit text is Windows-1252, not Latin-1")
        << QByteArray("[Global]\r\nName=\x80 \x93Q\x94.DID\r\n") << cp1252;
    QTest::newRow("byte-order mark") << "\xef\xbb\xbf" + sample << sampleData();

    QTest::newRow("strings cut, never through a character")
        << "[Global]\r\nDevices=1\r\nName=" + QByteArray(60, 'n') + "\r\n" +
               "[Dev0]\r\nDeviceName=" + QByteArray(48, 'd') + "\xc3\xa9" +
               "\r\nflags=1\r\nDevID=9\r\nSkin=" + QByteArray(300, 's') +
               "\r\n[MacroNames]\r\nMacroName1=" + QByteArray(150, 'm') + "\r\n"
        << cut;
}

void TestWorkspaceFile::read() {
    QFETCH(QByteArray, text);
    QFETCH(WorkspaceFileData, expected);
    if (!text.isNull()) {
        QVERIFY(WriteBytes(path(), text));
    }
    const WorkspaceFileData data = k4::ReadWorkspaceFile(path());
    QCOMPARE(data.Name, expected.Name);
    QCOMPARE(data.Devices.size(), expected.Devices.size());
    for (std::size_t i = 0; i < expected.Devices.size(); ++i) {
        QCOMPARE(data.Devices[i].DeviceName, expected.Devices[i].DeviceName);
        QCOMPARE(data.Devices[i].DevID, expected.Devices[i].DevID);
        QVERIFY2(data.Devices[i] == expected.Devices[i], qPrintable(QString::number(i)));
    }
    QVERIFY(data == expected);
}

void TestWorkspaceFile::nameOfPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("backslashes") << QStringLiteral("C:\\racks\\rack.DID")
                                 << QStringLiteral("rack.DID");
    QTest::newRow("slashes") << QStringLiteral("/home/op/racks/rack.DID")
                             << QStringLiteral("rack.DID");
    QTest::newRow("mixed, slash last") << QStringLiteral("C:\\a/b.DID") << QStringLiteral("b.DID");
    QTest::newRow("mixed, backslash last")
        << QStringLiteral("/a\\b.DID") << QStringLiteral("b.DID");
    QTest::newRow("no separator") << QStringLiteral("rack.DID") << QStringLiteral("rack.DID");
    QTest::newRow("ends in separator") << QStringLiteral("/racks/") << QString();
}

void TestWorkspaceFile::nameOfPath() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(k4::WorkspaceNameOfPath(path), name);
}

void TestWorkspaceFile::encodeString_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("plain") << QStringLiteral("New device") << QByteArray("New device");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("inner blanks and quotes")
        << QStringLiteral("a \"b\" c") << QByteArray("a \"b\" c");
    QTest::newRow("outer blank") << QStringLiteral(" a") << QByteArray("\" a\"");
    QTest::newRow("outer quotes") << QStringLiteral("'a'") << QByteArray("\"'a'\"");
    QTest::newRow("quotes that do not pair") << QStringLiteral("\"a'") << QByteArray("\"a'");
    QTest::newRow("line break ends it") << QStringLiteral("a\r\n[Evil]") << QByteArray("a");
    QTest::newRow("utf-8") << QStringLiteral("\u00e9") << QByteArray("\xc3\xa9");
}

void TestWorkspaceFile::encodeString() {
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(k4::EncodeProfileString(text), encoded);
}

// A write that cannot be made says so; how a failed save leaves the old file is the profile
// file's.
void TestWorkspaceFile::failedWriteSaysSo() {
    QVERIFY(WriteBytes(path("plain"), "x"));
    QVERIFY(!k4::WriteWorkspaceFile(path("plain/ws.DID"), sampleData()));
}

// A file written on Windows in its 8-bit code page: saved without edits it keeps every byte; an
// edited name stays 8-bit when every character fits, else it is written as UTF-8.
void TestWorkspaceFile::eightBitFileKeepsItsForm() {
    const QByteArray windows = "[Global]\r\nDevices=2\r\nName=ws.DID\r\n" +
                               deviceSection(0, "Ger\xe4t \x80", 1, 1) +
                               deviceSection(1, "\"Quoted \x93\"", 1, 2);
    QVERIFY(WriteBytes(path(), windows));
    WorkspaceFileData data = k4::ReadWorkspaceFile(path());
    QCOMPARE(data.Devices[1].DeviceName, QStringLiteral("Quoted \u201c"));
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    const QByteArray saved = ReadBytes(path());
    QVERIFY(saved.contains("\r\nDeviceName=Ger\xe4t \x80\r\n"));
    QVERIFY(saved.contains("\r\nDeviceName=\"Quoted \x93\"\r\n"));

    data.Devices[0].DeviceName = QStringLiteral("Gr\u00fc\u00df \u2122");
    data.Devices[1].DeviceName = QStringLiteral("\u03a9 \u00e9");
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    const k4::ProfileFile file(path());
    QCOMPARE(file.readString("Dev0", "DeviceName", "", 100), QByteArray("Gr\xfc\xdf \x99"));
    QCOMPARE(file.readString("Dev1", "DeviceName", "", 100), QByteArray("\xce\xa9 \xc3\xa9"));
    QVERIFY(k4::ReadWorkspaceFile(path()) == data);

    // A UTF-8 file stays UTF-8.
    QVERIFY(k4::WriteWorkspaceFile(path("utf8.DID"), data));
    data.Devices[1].DeviceName = QStringLiteral("\u00e9");
    QVERIFY(k4::WriteWorkspaceFile(path("utf8.DID"), data));
    QCOMPARE(k4::ProfileFile(path("utf8.DID")).readString("Dev1", "DeviceName", "", 100),
             QByteArray("\xc3\xa9"));
}

// A name longer than the reader hands over, saved without edits: the tail the reader cut off stays
// in the file.
void TestWorkspaceFile::uneditedLongNameKeepsEveryByte() {
    const QByteArray name = QByteArray("Rack 7, left bay: ").leftJustified(60, 'x');
    QVERIFY(WriteBytes(path(), "[Global]\r\nDevices=1\r\nName=ws.DID\r\n" +
                                   deviceSection(0, name.constData(), 1, 1)));
    const WorkspaceFileData data = k4::ReadWorkspaceFile(path());
    QCOMPARE(data.Devices[0].DeviceName.toLatin1(), name.left(k4::kDeviceNameBytes));
    QVERIFY(k4::WriteWorkspaceFile(path(), data));
    QCOMPARE(k4::ProfileFile(path()).readString("Dev0", "DeviceName", "", 100), name);
}

QTEST_APPLESS_MAIN(TestWorkspaceFile)
#include "tst_workspacefile.moc"
