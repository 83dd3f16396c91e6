// The port selection dialog in the running program: its layout, OK with and without a link (a
// second kvtsim line stands for port 10), the ways out that change nothing, a hand-set port, a
// settings file that cannot be written, and the device chooser.
#include "core/profilefile.h"
#include "filebytes.h"
#include "linefixture.h"
#include "link/portpath.h"
#include "link/serialdevices.h"
#include "link/trs232flow.h"
#include "scripteddialogs.h"
#include "shell/rsset.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <unistd.h>
#include <functional>

using k4::App;
using k4::TRSSet;
using k4test::PollsSeen;
using k4test::ProgramRun;

namespace {

const QByteArray kSettings = "KVT_WORKSPACE";

int StoredPort(const QString& settingsPath) {
    return k4::ProfileFile::GetInt(settingsPath, kSettings, "RS232Port", -99);
}

int LinkPort() {
    return App().Link.thread() ? App().Link.thread()->PortNumber : -99;
}

void Choose(TRSSet& dialog, const QString& port) {
    const int index = dialog.RSBox->findText(port);
    QVERIFY2(index >= 0, qPrintable(port));
    dialog.RSBox->setCurrentIndex(index);
}

}  // namespace

class TestRSSet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void layout_data();
    void layout();
    void choiceSurvivesActivationAndPortSwitch();
    void okWithRunningLinkMovesPollsToPort10();
    void okWithoutLinkOnlyStores();
    void otherWaysOutChangeNothing_data();
    void otherWaysOutChangeNothing();
    void handSetPort16SurvivesOk();
    void unwritableSettingsReportedPortApplies_data();
    void unwritableSettingsReportedPortApplies();
    void deviceChooserWritesPortsKeepsBytes();

private:
    // Opens the dialog from the menu; operate plays the operator. Returns the dialog's result.
    int openDialog(ProgramRun& run, const std::function<void(TRSSet&)>& operate) {
        int result = -1;
        fx_.dialogs->drivers.push_back([&](QDialog& dialog) {
            operate(static_cast<TRSSet&>(dialog));
            result = dialog.result();
            return result;
        });
        run.item("CutItem")->trigger();
        return result;
    }
    bool mapPort(int port, const QString& device) const {
        return k4::ProfileFile::WriteString(fx_.settingsPath(), "KVT_PORTS",
                                            "COM" + QByteArray::number(port), device.toLocal8Bit());
    }

    k4test::LineFixture fx_;
    k4test::KvtsimProcess second_;  // port 10's line
};

void TestRSSet::initTestCase() {
    QVERIFY(fx_.startLine());
    QCOMPARE(second_.start(k4test::KvtsimProcess::executable(), {"--ids", "1,2"}), QString());
}

void TestRSSet::init() {
    QVERIFY(fx_.begin());
}

void TestRSSet::cleanup() {
    fx_.end();
    for (int port = -1; port <= 20; ++port) {
        k4::SetUnsavedPortDevice(port, std::nullopt);
    }
}

void TestRSSet::cleanupTestCase() {
    fx_.finish();
    second_.stop();
}

void TestRSSet::layout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::newRow("GroupBox1") << "GroupBox1"
                               << "RSSet" << QRect(0, 0, 177, 65) << "Select RS232";
    QTest::newRow("RSBox") << "RSBox"
                           << "GroupBox1" << QRect(16, 24, 145, 21) << "COM1";
    QTest::newRow("Button1") << "Button1"
                             << "RSSet" << QRect(104, 72, 75, 25) << "OK";
    QTest::newRow("DeviceGroup") << "DeviceGroup"
                                 << "RSSet" << QRect(0, 103, 177, 112) << "Device of COM1";
    QTest::newRow("DevicePath") << "DevicePath"
                                << "DeviceGroup" << QRect(8, 20, 161, 21)
                                << k4::PlatformPortPath(1);
    QTest::newRow("DeviceList") << "DeviceList"
                                << "DeviceGroup" << QRect(8, 46, 161, 21) << "";
    QTest::newRow("DeviceNote") << "DeviceNote"
                                << "DeviceGroup" << QRect(8, 70, 161, 40)
                                << k4::DeviceWarning(k4::PlatformPortPath(1));
}

void TestRSSet::layout() {
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("RS232 setup"));
        QCOMPARE(dialog.size(), QSize(179, 217));
        QCOMPARE(dialog.pos(), QPoint(341, 250));  // the offscreen screen has room for it
        QVERIFY(dialog.isModal());
        QWidget* widget = dialog.findChild<QWidget*>(name);
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->parentWidget()->objectName(), parentName);
        QCOMPARE(widget->geometry(), geometry);
        QVERIFY(widget->isVisible());
        QString shown;
        if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            shown = box->title();
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            shown = combo->currentText();
            QVERIFY(!combo->isEditable());
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            shown = button->text();
            QVERIFY(button->isDefault());
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            shown = edit->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            shown = label->text();
        }
        QCOMPARE(shown, text);
        QStringList ports;
        for (int i = 0; i < dialog.RSBox->count(); ++i) {
            ports << dialog.RSBox->itemText(i);
        }
        QCOMPARE(ports,
                 QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8",
                              "COM9", "COM10", "COM11", "COM12", "COM13", "COM14", "COM15"}));
        dialog.reject();
    });
}

void TestRSSet::choiceSurvivesActivationAndPortSwitch() {
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(mapPort(5, QStringLiteral("/dev/ttyUSB3")));
    openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Choose(dialog, QStringLiteral("COM5"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/ttyUSB3"));
        dialog.DevicePath->setText(QStringLiteral("/dev/pts/40"));
        Choose(dialog, QStringLiteral("COM6"));
        QCOMPARE(dialog.DeviceGroup->title(), QStringLiteral("Device of COM6"));
        QCOMPARE(dialog.DevicePath->text(), k4::PlatformPortPath(6));
        Choose(dialog, QStringLiteral("COM5"));
        QCOMPARE(dialog.DevicePath->text(), QStringLiteral("/dev/pts/40"));

        // Another window comes to the front and the dialog back: the choice stays.
        QWidget other;
        other.show();
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(other.isActiveWindow());
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
    QVERIFY(mapPort(10, second_.linkPath()));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(App().linkRunning());
    QTRY_VERIFY_WITH_TIMEOUT(PollsSeen(fx_.line) > 0, k4test::kPatienceMs);
    const int secondBefore = PollsSeen(second_);

    const int result = openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM10"));
        QCOMPARE(dialog.DevicePath->text(), second_.linkPath());
        QCOMPARE(dialog.DeviceNote->text(), QString());
        dialog.Button1->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(StoredPort(fx_.settingsPath()), 10);
    QCOMPARE(int(App().RS232Port), 10);
    QVERIFY(App().linkRunning());
    QCOMPARE(LinkPort(), 10);
    QVERIFY(fx_.dialogs->shown.isEmpty());

    // The polls go to the second line now, and no longer to the first.
    QTRY_VERIFY_WITH_TIMEOUT(PollsSeen(second_) >= secondBefore + 2, k4test::kPatienceMs);
    const int firstAfter = PollsSeen(fx_.line);
    const int secondAfter = PollsSeen(second_);
    QTRY_VERIFY_WITH_TIMEOUT(PollsSeen(second_) >= secondAfter + 4, k4test::kPatienceMs);
    QCOMPARE(PollsSeen(fx_.line), firstAfter);
}

void TestRSSet::okWithoutLinkOnlyStores() {
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QVERIFY(!App().linkRunning());
    openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM7"));
        dialog.Button1->click();
    });
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()),
             QByteArray("[KVT_WORKSPACE]\r\nRS232Port=7\r\n"));
    QCOMPARE(int(App().RS232Port), 7);
    QVERIFY(!App().linkRunning());
    QVERIFY(fx_.dialogs->shown.isEmpty());

    // The next start of the link uses it.
    run.item("FileNewItem")->trigger();
    QVERIFY(App().linkRunning());
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
    const QByteArray before = k4test::ReadBytes(fx_.settingsPath());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    const k4::TRS232flow* link = App().Link.thread();
    QVERIFY(link != nullptr);

    const int result = openDialog(run, [&](TRSSet& dialog) {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Choose(dialog, QStringLiteral("COM12"));
        dialog.DevicePath->setText(QStringLiteral("/dev/pts/12"));
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            QVERIFY(dialog.close());
        }
        QVERIFY(!dialog.isVisible());
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), before);
    QCOMPARE(int(App().RS232Port), 1);
    QCOMPARE(App().Link.thread(), link);  // not restarted
    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM1"));
        QCOMPARE(dialog.DevicePath->text(), fx_.line.linkPath());
    });
}

void TestRSSet::handSetPort16SurvivesOk() {
    const QString rack = fx_.writeWorkspace(QStringLiteral("rack.DID"),
                                            k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    QVERIFY(k4test::WriteBytes(fx_.settingsPath(),
                               "[KVT_WORKSPACE]\r\nRS232Port=16\r\nLastFile=" + rack.toLocal8Bit() +
                                   "\r\n[KVT_PORTS]\r\nCOM16=" + fx_.line.linkPath().toLocal8Bit() +
                                   "\r\n"));
    const QByteArray before = k4test::ReadBytes(fx_.settingsPath());
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    QCOMPARE(LinkPort(), 16);

    openDialog(run, [&](TRSSet& dialog) {
        QCOMPARE(dialog.RSBox->count(), 16);
        QCOMPARE(dialog.RSBox->currentText(), QStringLiteral("COM16"));
        QCOMPARE(dialog.DevicePath->text(), fx_.line.linkPath());
        dialog.Button1->click();
    });
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), before);
    QCOMPARE(int(App().RS232Port), 16);
    QCOMPARE(LinkPort(), 16);
    QVERIFY(fx_.dialogs->shown.isEmpty());
    const int polls = PollsSeen(fx_.line);
    QTRY_VERIFY_WITH_TIMEOUT(PollsSeen(fx_.line) >= polls + 2, k4test::kPatienceMs);
}

void TestRSSet::unwritableSettingsReportedPortApplies_data() {
    QTest::addColumn<bool>("folder");  // a folder in place of the file; else a read-only file
    QTest::newRow("read-only file") << false;
    QTest::newRow("folder in place of the file") << true;
}

void TestRSSet::unwritableSettingsReportedPortApplies() {
    QFETCH(bool, folder);
    if (!folder && geteuid() == 0) {
        QSKIP("root may write any file");
    }
    const QString rack = fx_.writeWorkspace(QStringLiteral("rack.DID"),
                                            k4test::WorkspaceText("rack.DID", {{1, "Alpha"}}));
    QVERIFY(!rack.isEmpty());
    if (folder) {
        QVERIFY(QDir().mkpath(fx_.settingsPath()));
    } else {
        QVERIFY(k4::WriteLastFile(fx_.settingsPath(), QString()));
        QVERIFY(QFile::setPermissions(fx_.settingsPath(), QFile::ReadOwner));
    }
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    fx_.dialogs->fileNames = {rack};
    run.item("FileOpenItem")->trigger();
    QVERIFY(App().linkRunning());
    fx_.dialogs->shown.clear();  // whatever port 1 is on this machine

    openDialog(run, [&](TRSSet& dialog) {
        Choose(dialog, QStringLiteral("COM3"));
        dialog.DevicePath->setText(fx_.line.linkPath());
        dialog.Button1->click();
    });
    QCOMPARE(fx_.dialogs->shown,
             QStringList{QStringLiteral("The settings file %1 could not be written. COM3 is "
                                        "used until the program ends.")
                             .arg(QDir::toNativeSeparators(fx_.settingsPath()))});
    QCOMPARE(int(App().RS232Port), 3);
    QCOMPARE(LinkPort(), 3);
    // The device chosen for port 3 applies too: the polls reach the line.
    const int polls = PollsSeen(fx_.line);
    QTRY_VERIFY_WITH_TIMEOUT(PollsSeen(fx_.line) >= polls + 2, k4test::kPatienceMs);
    if (!folder) {
        QCOMPARE(k4test::ReadBytes(fx_.settingsPath()),
                 QByteArray("[KVT_WORKSPACE]\r\nLastFile=\r\n"));
    }
}

void TestRSSet::deviceChooserWritesPortsKeepsBytes() {
    const QByteArray before =
        "; set by hand\n[KVT_WORKSPACE]\nLastFile=\nRS232Port=1\n\n[KVT_PORTS]\nCOM1=/dev/ttyS0\n"
        "COM2=/dev/old\n[Notes]\nkeep=this";
    QVERIFY(k4test::WriteBytes(fx_.settingsPath(), before));
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
            QCOMPARE(dialog.DeviceList->currentIndex(), -1);
        } else {
            QVERIFY(!dialog.DeviceList->isEnabled());
            QCOMPARE(dialog.DeviceList->placeholderText(), QStringLiteral("No serial ports found"));
        }
        // A device that is not there is pointed out in the dialog and accepted.
        dialog.DevicePath->setText(missing);
        QCOMPARE(dialog.DeviceNote->text(), k4::DeviceWarning(missing));
        QVERIFY(!dialog.DeviceNote->text().isEmpty());
        dialog.Button1->click();
    });
    QVERIFY(fx_.dialogs->shown.isEmpty());
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()),
             QByteArray(before)
                 .replace("RS232Port=1", "RS232Port=2")
                 .replace("COM2=/dev/old", "COM2=" + missing.toLocal8Bit()));
    QCOMPARE(k4::PortPath(2, fx_.settingsPath()), missing);
}

QTEST_MAIN(TestRSSet)
#include "tst_rsset.moc"
