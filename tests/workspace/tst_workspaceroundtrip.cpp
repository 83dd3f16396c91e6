// SPDX-License-Identifier: GPL-3.0-or-later
// Names and skin names of a workspace made elsewhere come back from a load, an edit and a save as
// they went: an 8-bit name reads back as the text it was, a skin keeps its name whether its file
// is found under another case or not found at all.
#include "filebytes.h"
#include "skinoperator.h"
#include "workspacefixture.h"

#include <QLabel>
#include <QTest>

using namespace k4;
using k4test::WorkspaceFixture;

class TestWorkspaceRoundTrip : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesAndSkinsComeBackAsTheyWent_data() {
        QTest::addColumn<QByteArray>("device");  // keys of [Dev0] in the file, 8-bit
        QTest::addColumn<QString>("renamed");    // the first macro's new name; empty: untouched
        QTest::addColumn<bool>("recolour");      // the skin dialog changes the text colour only
        QTest::addColumn<bool>("picture");       // the panel shows the skin
        QTest::addColumn<QByteArray>("saved");   // held by the saved file
        QTest::addColumn<QString>("skin");       // the skin name read back
        QTest::addColumn<QString>("macro");      // the first macro name read back
        const QString untouched = QStringLiteral("Alt\u00e9");
        QTest::newRow("8-bit text that is valid UTF-8")
            << QByteArray("DeviceName=Caf\xe9\r\nSkin=\r\n") << QStringLiteral("Gru\u00df\u2026")
            << false << false << QByteArray("DeviceName=Caf\xe9\r\n") << QString()
            << QStringLiteral("Gru\u00df\u2026");
        QTest::newRow("skin named in another case")
            << QByteArray("DeviceName=A\r\nSkin=Steel.BMP\r\n") << QString() << true << true
            << QByteArray("Skin=Steel.BMP\r\n") << QStringLiteral("Steel.BMP") << untouched;
        QTest::newRow("missing skin, then a colour change")
            << QByteArray("DeviceName=A\r\nSkin=gone.bmp\r\n") << QString() << true << false
            << QByteArray("Skin=gone.bmp\r\n") << QStringLiteral("gone.bmp") << untouched;
    }

    void namesAndSkinsComeBackAsTheyWent() {
        QFETCH(QByteArray, device);
        QFETCH(QString, renamed);
        QFETCH(bool, recolour);
        QFETCH(bool, picture);
        QFETCH(QByteArray, saved);
        QFETCH(QString, skin);
        QFETCH(QString, macro);
        WorkspaceFixture f;
        QImage steel(291, 154, QImage::Format_RGB32);
        steel.fill(Qt::gray);
        QVERIFY(steel.save(f.path(QStringLiteral("SKINS/steel.bmp")), "BMP"));
        // Written where the code page is 8-bit: the macro name's é is one byte.
        const QString path = f.path(QStringLiteral("made elsewhere.DID"));
        QVERIFY(k4test::WriteBytes(path,
                                   "[Global]\r\nDevices=1\r\nName=x.DID\r\n[Dev0]\r\nflags=1\r\n"
                                   "DevID=5\r\n" +
                                       device + "[MacroNames]\r\nMacroName1=Alt\xe9\r\n"));
        QVERIFY(LoadWorkspace(path));
        TMDIChild* panel = f.manager()->panelOf(0);
        QVERIFY(panel);
        QCOMPARE(!panel->Skin->pixmap().isNull() && !panel->Skin->isHidden(), picture);

        if (!renamed.isEmpty()) {
            App().MacroNames[0] = renamed;
        }
        if (recolour) {
            f.dialogs.drivers.push_back(k4test::ChooseSkin({-1, {}, QStringLiteral("Yellow")}));
            panel->ChangeSkin->trigger();
            QCOMPARE(panel->LCDColor, std::uint32_t(0x00FFFF));
        }
        QVERIFY(SaveWorkspace(path));
        QVERIFY(f.dialogs.shown.isEmpty());
        const QByteArray text = k4test::ReadBytes(path);
        QVERIFY2(text.contains(saved), text.constData());

        const WorkspaceFileData back = ReadWorkspaceFile(path);
        QCOMPARE(back.Devices.size(), std::size_t(1));
        QCOMPARE(back.Devices[0].Skin, skin);
        QCOMPARE(back.MacroNames[0], macro);
        QCOMPARE(back.Devices[0].LCDColor, recolour ? 0x00FFFFu : 0x00FF00u);
    }
};

QTEST_MAIN(TestWorkspaceRoundTrip)
#include "tst_workspaceroundtrip.moc"
