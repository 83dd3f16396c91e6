// SPDX-License-Identifier: GPL-3.0-or-later
// A line on a terminal server chosen in the port dialog: a well-formed address is stored with
// its margin, a malformed one is pointed out on the dialog's warning line and OK refuses it.
#include "filebytes.h"
#include "linefixture.h"
#include "port/netaddress.h"
#include "port/portpath.h"
#include "shell/rsset.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using k4::TRSSet;
using k4test::ProgramRun;

class TestRSSetNetwork : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QVERIFY(fx_.begin()); }
    void cleanup() { fx_.end(); }
    void addressTypedForPort3_data();
    void addressTypedForPort3();

private:
    k4test::LineFixture fx_;
};

void TestRSSetNetwork::addressTypedForPort3_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QByteArray>("after");  // the settings file after OK
    const QByteArray before =
        "; by hand\n[KVT_PORTS]\nCOM2=/dev/old\nCOM2Margin=5\n[Notes]\nkeep=this";
    QTest::newRow("malformed") << "rfc2217://rack2" << false << before;
    QTest::newRow("well formed")
        << "rfc2217://rack2:2217" << true
        << QByteArray(before).replace("Margin=5\n",
                                      "Margin=5\nCOM3=rfc2217://rack2:2217\r\nCOM3Margin=120\r\n") +
               "\r\n[KVT_WORKSPACE]\r\nRS232Port=3\r\n";
}

void TestRSSetNetwork::addressTypedForPort3() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QByteArray, after);
    if (!k4::PortsNeedDeviceNames()) {
        QSKIP("ports are named by the platform: no device part");
    }
    QVERIFY(k4test::WriteBytes(fx_.settingsPath(),
                               "; by hand\n[KVT_PORTS]\nCOM2=/dev/old\n"
                               "COM2Margin=5\n[Notes]\nkeep=this"));
    ProgramRun run(fx_.folder());
    QVERIFY(run.startUp());
    int result = -1;
    const auto operate = [&](TRSSet& dialog) {
        dialog.show();
        dialog.RSBox->setCurrentIndex(dialog.RSBox->findText(QStringLiteral("COM3")));
        QVERIFY(!dialog.MarginBox->isEnabled());  // a local device has no margin
        dialog.DevicePath->setText(typed);
        QVERIFY(dialog.MarginBox->isEnabled());
        QCOMPARE(dialog.MarginBox->value(), 60);
        dialog.MarginBox->setValue(120);
        QCOMPARE(dialog.DeviceNote->text(), k4::NetAddressWarning(typed));
        QCOMPARE(dialog.DeviceNote->text().isEmpty(), accepted);
        dialog.Button1->click();
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(dialog.DeviceNote->text(), k4::NetAddressWarning(typed));
    };
    fx_.dialogs->drivers.push_back([&](QDialog& shown) {
        operate(static_cast<TRSSet&>(shown));
        return result = shown.result();
    });
    run.item("CutItem")->trigger();
    QCOMPARE(result, accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QVERIFY(fx_.dialogs->shown.isEmpty());  // never a box
    QCOMPARE(k4test::ReadBytes(fx_.settingsPath()), after);
}

QTEST_MAIN(TestRSSetNetwork)
#include "tst_rssetnetwork.moc"
