// SPDX-License-Identifier: GPL-3.0-or-later
// The port selection dialog in the running program: its layout, OK with and without a link (a
// second kvtsim line stands for port 10), the ways out that change nothing, a hand-set port, a
// settings file that cannot be written, and the device chooser.
#include "filebytes.h"
#include "linefixture.h"
#include "port/portpath.h"
#include "port/serialdevices.h"
#include "link/trs232flow.h"
#include "shell/rsset.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

using k4::App;
using k4::TRSSet;
using k4test::kPatienceMs;
using k4test::PollsSeen;
using k4test::ProgramRun;

namespace {

int LinkPort() {
    return App().Link.thread() ? App().Link.thread()->PortNumber : -99;
}

void Choose(TRSSet& dialog, const QString& port) {
    QVERIFY(dialog.RSBox->findText(port) >= 0);
    dialog.RSBox->setCurrentIndex(dialog.RSBox->findText(port));
}

// The line keeps being polled: a few more polls arrive.
bool StillPolled(k4test::KvtsimProcess& line) {
    const int polls = PollsSeen(line);
    return QTest::qWaitFor([&] { return PollsSeen(line) >= polls + 3; }, kPatienceMs);
}

}  // namespace

class TestRSSet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QVERIFY(fx_.startLine());
        QCOMPARE(second_.start({"--ids", "1,2"}), QString());
    }
    void init() { QVERIFY(fx_.begin()); }
    void cleanup() {
        fx_.end();
        for (int port = 1; port <= 16; ++port) {
            k4::SetUnsavedPortDevice(port, std::nullopt);
        }
    }
    void cleanupTestCase() {
        fx_.finish();
        second_.stop();
    }

    void layout();
    void typedDeviceSurvivesPortSwitchAndActivation();
    void okWithRunningLinkMovesPollsToPort10();
    void okWithoutLinkOnlyStores();
    void otherWaysOutChangeNothing_data();
    void otherWaysOutChangeNothing();
    void handSetPort16SurvivesOk();
    void invalidPortIsNeitherStoredNorOpened_data();
    void invalidPortIsNeitherStoredNorOpened();
    void unwritableSettingsReportedPortApplies_data();
    void unwritableSettingsReportedPortApplies();
    void deviceChooserWritesPorts();

private:
    // Opens the dialog from the menu, with operate playing the operator; returns its result.
    int openDialog(ProgramRun& run, const std::function<void(TRSSet&)>& operate) {
        int result = -1;
        fx_.dialogs->drivers.push_back([&](QDialog& dialog) {
            operate(static_cast<TRSSet&>(dialog));
            return result = dialog.result();
        });
        run.item("CutItem")->trigger();
        return result;
    }
    bool settings(const QByteArray& text) const {
        return k4test::WriteBytes(fx_.settingsPath(), text);
    }
    QByteArray settings() const { return k4test::ReadBytes(fx_.settingsPath()); }
    QByteArray rack() const {
        return fx_.writeWorkspace("rack.DID", k4test::WorkspaceText("rack.DID", {{1, "A"}}))
            .toLocal8Bit();
    }

    k4test::LineFixture fx_;
    k4test::KvtsimProcess second_;  // port 10's line
};

// Every control in its place with its text, in one opening of the dialog. Port 1 names a device
// that is not there, so the note under it has a known text.
void TestRSSet::layout() {
    const QString missing = fx_.dir->filePath(QStringLiteral("no-such-tty"));
    QVERIFY(settings("[KVT_PORTS]\r\nCOM1=" + missing.toLocal8Bit() + "\r\n"));
    const QString note = missing + " does not exist now: the port will not open until it does.";
    struct Control {
        const char* name;
        const char* parentName;
        QRect geometry;
        QString text;
    };
    const QList<Control> controls{
        {"GroupBox1", "RSSet", QRect(0, 0, 177, 65), "Select RS232"},
        {"RSBox", "GroupBox1", QRect(16, 24, 145, 21), "COM1"},
        {"Button1", "RSSet", QRect(104, 72, 75, 25), "OK"},
        {"DeviceGroup", "RSSet", QRect(0, 103, 177, 138), "Device of COM1"},
        {"DevicePath", "DeviceGroup", QRect(8, 20, 161, 21), missing},
        {"DeviceList", "DeviceGroup", QRect(8, 46, 161, 21), ""},
        {"DeviceNote", "DeviceGroup", QRect(8, 96, 161, 40), note},
    };
    const bool devices = k4::PortsNeedDeviceNames();
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    bool looked = false;
    openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("RS232 setup"));
        QCOMPARE(dialog.size(), QSize(179, devices ? 243 : 97));
        QCOMPARE(dialog.pos(), QPoint(341, 250));  // the offscreen screen has room for it
        QCOMPARE(dialog.RSBox->count(), 15);
        QCOMPARE(dialog.RSBox->itemText(14), QStringLiteral("COM15"));
        QVERIFY(!dialog.RSBox->isEditable());
        QVERIFY(dialog.Button1->isDefault());
        for (const Control& control : controls) {
            const QString name = QString::fromLatin1(control.name);
            if (!devices && name.startsWith(QStringLiteral("Device"))) {
                continue;  // ports are named by the platform: no device part
            }
            const QWidget* widget = dialog.findChild<QWidget*>(name);
            QVERIFY2(widget != nullptr && widget->isVisible(), control.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString::fromLatin1(control.parentName));
            QCOMPARE(widget->geometry(), control.geometry);
            QString shown;  // the first of these that the widget has
            for (const char* property : {"title", "currentText", "text"}) {
                if (shown.isNull() && widget->property(property).isValid()) {
                    shown = widget->property(property).toString();
                }
            }
            QCOMPARE(shown, control.text);
        }
        looked = true;
        dialog.reject();
    });
    QVERIFY(looked);
}

void TestRSSet::typedDeviceSurvivesPortSwitchAndActivation() {
    QVERIFY(settings("[KVT_PORTS]\r\nCOM5=/dev/ttyUSB3\r\n"));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        Choose(dialog, QStringLiteral("COM5"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/ttyUSB3"));
        dialog.DevicePath->setText(QStringLiteral("/dev/pts/40"));
        Choose(dialog, QStringLiteral("COM6"));
        QCOMPARE(dialog.DevicePath->text(), k4::PlatformPortPath(6));
        Choose(dialog, QStringLiteral("COM5"));
        // Another window comes to the front and the dialog back: nothing is chosen again.
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QApplication::setActiveWindow(&dialog);
        QTRY_VERIFY(dialog.isActiveWindow());
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM5"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/pts/40"));
        dialog.close();
    });
    // The next opening starts from what is stored.
    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM1"));
        Choose(dialog, QStringLiteral("COM5"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/ttyUSB3"));
    });
}

void TestRSSet::okWithRunningLinkMovesPollsToPort10() {
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}, {2, "Beta"}}).isEmpty());
    QVERIFY(k4::ProfileFile::WriteString(fx_.settingsPath(), "KVT_PORTS", "COM10",
                                         second_.linkPath().toLocal8Bit()));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(StillPolled(fx_.line));
    const int result = openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM10"));
        QCOMPARE(dialog.DevicePath->text(), second_.linkPath());
        dialog.Button1->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(k4::ReadProgramSettings(fx_.settingsPath()).port, 10);
    QCOMPARE(int(App().RS232Port), 10);
    QCOMPARE(LinkPort(), 10);
    QVERIFY(fx_.dialogs->shown.isEmpty());
    // The polls go to the second line now, and no longer to the first.
    QVERIFY(StillPolled(second_));
    const int firstPolls = PollsSeen(fx_.line);
    QVERIFY(StillPolled(second_));
    QCOMPARE(PollsSeen(fx_.line), firstPolls);
}

void TestRSSet::okWithoutLinkOnlyStores() {
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM7"));
        dialog.Button1->click();
    });
    QCOMPARE(settings(), QByteArray("[KVT_WORKSPACE]\r\nRS232Port=7\r\n"));
    QCOMPARE(int(App().RS232Port), 7);
    QVERIFY(!App().linkRunning());
    // The next start of the link uses it.
    run.item("FileNewItem")->trigger();
    QCOMPARE(LinkPort(), 7);
}

void TestRSSet::otherWaysOutChangeNothing_data() {
    QTest::addColumn<bool>("escape");  // else the close box
    QTest::newRow("close box") << false;
    QTest::newRow("Escape") << true;
}

void TestRSSet::otherWaysOutChangeNothing() {
    QFETCH(bool, escape);
    QVERIFY(!fx_.startsWithRack({{1, "Alpha"}}).isEmpty());
    const QByteArray before = settings();
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    const k4::TRS232flow* link = App().Link.thread();
    const int result = openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        Choose(dialog, QStringLiteral("COM12"));
        dialog.DevicePath->setText(QStringLiteral("/dev/pts/12"));
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            dialog.close();
        }
        QVERIFY(!dialog.isVisible());
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(settings(), before);
    QCOMPARE(int(App().RS232Port), 1);
    QCOMPARE(App().Link.thread(), link);  // not restarted
    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM1"));
        QCOMPARE(dialog.DevicePath->text(), fx_.line.linkPath());
    });
}

void TestRSSet::handSetPort16SurvivesOk() {
    QVERIFY(settings("[KVT_WORKSPACE]\r\nRS232Port=16\r\nLastFile=" + rack() +
                     "\r\n[KVT_PORTS]\r\nCOM16=" + fx_.line.linkPath().toLocal8Bit() + "\r\n"));
    const QByteArray before = settings();
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM16"));
        dialog.Button1->click();
    });
    QCOMPARE(settings(), before);
    QCOMPARE(LinkPort(), 16);
    QVERIFY(fx_.dialogs->shown.isEmpty());
    QVERIFY(StillPolled(fx_.line));
}

void TestRSSet::invalidPortIsNeitherStoredNorOpened_data() {
    QTest::addColumn<QByteArray>("number");
    QTest::newRow("0") << QByteArray("0");
    QTest::newRow("negative") << QByteArray("-56");
    QTest::newRow("above 255") << QByteArray("300");
}

// A hand-set port number that no port can have: the dialog says so, and OK with it changes
// nothing and restarts nothing.
void TestRSSet::invalidPortIsNeitherStoredNorOpened() {
    QFETCH(QByteArray, number);
    QVERIFY(settings("[KVT_WORKSPACE]\r\nRS232Port=" + number + "\r\nLastFile=" + rack() + "\r\n"));
    const QByteArray before = settings();
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    const k4::TRS232flow* link = App().Link.thread();
    QVERIFY(link != nullptr);
    QCOMPARE(LinkPort(), 0);  // no port is opened for it
    fx_.dialogs->shown.clear();
    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->count(), 16);
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("Invalid port number"));
        dialog.Button1->click();
    });
    QCOMPARE(settings(), before);
    QCOMPARE(int(App().RS232Port), 0);
    QCOMPARE(App().Link.thread(), link);  // not restarted
    QVERIFY(fx_.dialogs->shown.isEmpty());
}

void TestRSSet::unwritableSettingsReportedPortApplies_data() {
    QTest::addColumn<bool>("folder");  // a folder in place of the file; else a read-only file
    QTest::newRow("read-only file") << false;
    QTest::newRow("folder in place of the file") << true;
}

void TestRSSet::unwritableSettingsReportedPortApplies() {
    QFETCH(bool, folder);
    const QByteArray workspace = rack();
    QVERIFY(folder ? QDir().mkpath(fx_.settingsPath())
                   : settings("[KVT_WORKSPACE]\r\nLastFile=" + workspace + "\r\n") &&
                         QFile::setPermissions(fx_.settingsPath(), QFile::ReadOwner));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    fx_.dialogs->fileNames = {QString::fromLocal8Bit(workspace)};
    run.item("FileOpenItem")->trigger();
    fx_.dialogs->shown.clear();  // whatever port 1 is on this machine
    openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM3"));
        dialog.DevicePath->setText(fx_.line.linkPath());
        dialog.Button1->click();
    });
    QCOMPARE(fx_.dialogs->shown,
             QStringList{QStringLiteral("The settings file %1 could not be "
                                        "written. COM3 is used until the "
                                        "program ends.")
                             .arg(QDir::toNativeSeparators(fx_.settingsPath()))});
    QCOMPARE(int(App().RS232Port), 3);
    QCOMPARE(LinkPort(), 3);
    QVERIFY(StillPolled(fx_.line));  // on the device chosen for port 3

    // Once the file can be written again, the next OK writes the device kept in memory.
    QVERIFY(folder
                ? QDir(fx_.settingsPath()).removeRecursively()
                : QFile::setPermissions(fx_.settingsPath(), QFile::ReadOwner | QFile::WriteOwner));
    openDialog(run, [](TRSSet& dialog) { dialog.Button1->click(); });
    QCOMPARE(k4::ProfileFile::GetString(fx_.settingsPath(), "KVT_PORTS", "COM3", {}, 1024),
             fx_.line.linkPath().toLocal8Bit());
}

void TestRSSet::deviceChooserWritesPorts() {
    const QByteArray before = "; by hand\n[KVT_PORTS]\nCOM2=/dev/old\n[Notes]\nkeep=this";
    QVERIFY(settings(before));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    const QString missing = fx_.dir->filePath(QStringLiteral("no-such-tty"));
    openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM2"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/old"));
        // Picking a port present now fills the field; without any, the list says so.
        if (dialog.DeviceList->count() > 0) {
            Q_EMIT dialog.DeviceList->activated(0);
            QCOMPARE(dialog.DevicePath->text(), dialog.DeviceList->itemData(0).toString());
        } else {
            QCOMPARE(dialog.DeviceList->placeholderText(), QStringLiteral("No serial ports found"));
        }
        // A device that is not there is pointed out in the dialog, and accepted.
        dialog.DevicePath->setText(missing);
        QCOMPARE(dialog.DeviceNote->text(),
                 missing + " does not exist now: the port will not open until it does.");
        // A device typed for another port in the same opening is kept too.
        Choose(dialog, QStringLiteral("COM4"));
        dialog.DevicePath->setText(QStringLiteral("/dev/pts/44"));
        Choose(dialog, QStringLiteral("COM2"));
        dialog.Button1->click();
    });
    QVERIFY(fx_.dialogs->shown.isEmpty());
    const QByteArray written = missing.toLocal8Bit() + "\nCOM4=/dev/pts/44\r\n";
    QCOMPARE(settings(), QByteArray(before).replace("/dev/old\n", written) +
                             "\r\n[KVT_WORKSPACE]\r\nRS232Port=2\r\n");
}

QTEST_MAIN(TestRSSet)
#include "tst_rsset.moc"
