// SPDX-License-Identifier: GPL-3.0-or-later
// A workspace's skins and display colours after the change-skin command: saved, loaded and saved
// again, with the values the operator did not touch written back exactly as they were read.
#include "filebytes.h"
#include "skinoperator.h"
#include "workspacefixture.h"

#include <QLabel>
#include <QTest>

using namespace k4;
using k4test::RichWorkspace;
using k4test::WorkspaceFixture;

namespace {

constexpr std::uint32_t kCustom = 0x00123456;
constexpr std::uint32_t kButtonFace = 0xFF00000F;  // written -16777201

}  // namespace

class TestWorkspaceSkins : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chosenSkinAndColoursSurviveSaveAndLoad() {
        WorkspaceFixture f;
        WorkspaceFileData data = RichWorkspace();
        data.ReadOnly = false;
        data.Devices[1].LCDColor = kCustom;
        data.Devices[1].LCDBackColor = kButtonFace;
        data.Devices[2].LCDColor = 0x00FF00;
        data.Devices[2].LCDBackColor = 0;
        const QString first = f.write(QStringLiteral("first.DID"), data);
        LoadWorkspace(first);
        TMDIKVTMAN* m = f.manager();
        // The system colour draws as the palette's button face, not as the near-black of its
        // low bytes.
        const QImage display = m->panelOf(1)->StringGrid1->grab().toImage();
        QCOMPARE(display.pixelColor(5, 5), m->panelOf(1)->palette().color(QPalette::Button));

        // Device 1: Ok without touching anything. Device 2: the skin from the list and two
        // standard colours.
        f.dialogs.drivers.push_back(k4test::ChooseSkin({}));
        m->panelOf(1)->ChangeSkin->trigger();
        f.dialogs.drivers.push_back(k4test::ChooseSkin(
            {1, QStringLiteral("blue.bmp"), QStringLiteral("Yellow"), QStringLiteral("Navy")}));
        m->panelOf(2)->ChangeSkin->trigger();
        QVERIFY(App().WorkspaceModified);

        const QString second = f.path(QStringLiteral("second.DID"));
        QVERIFY(SaveWorkspace(second));
        const QByteArray text = k4test::ReadBytes(second);
        QVERIFY(text.contains("[Dev1]\r\n"));
        QVERIFY(text.contains("LCDColor=1193046\r\nLCDBackColor=-16777201\r\n"));
        QVERIFY(text.contains("LCDColor=65535\r\nLCDBackColor=8388608\r\nSkin=blue.bmp\r\n"));

        WorkspaceFileData expected = data;
        expected.Name = QStringLiteral("second.DID");
        expected.Devices[2].Skin = QStringLiteral("blue.bmp");
        expected.Devices[2].LCDColor = 0x00FFFF;
        expected.Devices[2].LCDBackColor = 0x800000;
        QCOMPARE(ReadWorkspaceFile(second), expected);

        // Loaded again, the panels wear what was saved, and a save without changes writes the
        // same devices once more.
        LoadWorkspace(second);
        m = f.manager();
        QCOMPARE(m->panelOf(1)->LCDColor, kCustom);
        QCOMPARE(m->panelOf(1)->LCDBackColor, kButtonFace);
        QCOMPARE(m->panelOf(2)->SkinFile, QStringLiteral("blue.bmp"));
        QVERIFY(!m->panelOf(2)->Skin->pixmap().isNull());
        const QString third = f.path(QStringLiteral("third.DID"));
        QVERIFY(SaveWorkspace(third));
        QCOMPARE(ReadWorkspaceFile(third).Devices, expected.Devices);
    }
};

QTEST_MAIN(TestWorkspaceSkins)
#include "tst_workspaceskins.moc"
