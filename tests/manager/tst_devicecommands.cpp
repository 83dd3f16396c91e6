// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's commands on the device table: Add, Edit, Delete, double click, and building the
// views of a loaded workspace, each checked against the table, the tree and the panels.
#include "deferreddeletes.h"
#include "filebytes.h"
#include "manager/devicetree.h"
#include "managerfixture.h"
#include "mdiwindows.h"
#include "panel/mdichild.h"
#include "skinbitmap.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace k4;
using k4test::AnswerEditor;
using k4test::ManagerFixture;

namespace {

const QString kDuplicate = QStringLiteral("Error! This number already exist!!!");

int PanelCount(ManagerFixture& f) {
    return k4test::CountWindows<TMDIChild>(f.frame.area);
}

int InPlaceEditorCount(TMDIKVTMAN* m) {
    return int(m->TreeView1->viewport()->findChildren<QLineEdit*>().size());
}

}  // namespace

class TestDeviceCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addCreatesACompleteDevice() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        App().WorkspaceModified = false;
        const int s = f.add(5, QStringLiteral("Encoder A"));
        QCOMPARE(s, 0);
        const DeviceRecord& r = m->table()[0];
        QVERIFY(r.inUse());
        QCOMPARE(int(r.DevID.load()), 5);
        QCOMPARE(r.DeviceName, QStringLiteral("Encoder A"));
        QCOMPARE(r.LCDColor, 0x00FF00u);
        QCOMPARE(r.LCDBackColor, 0u);
        QCOMPARE(r.Skin, QString());
        QCOMPARE(r.Top, 0);
        QCOMPARE(r.Left, 0);

        QTreeWidgetItem* node = m->nodeOf(0);
        QCOMPARE(f.deviceNodes(), QList<QTreeWidgetItem*>{node});
        QCOMPARE(node->text(0), QStringLiteral("ID=5 Encoder A"));
        QCOMPARE(DeviceTreeWidget::imageOf(node), int(kIconNormal));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(node), int(kIconNormal));
        QVERIFY(App().RootNode->isExpanded());

        TMDIChild* panel = m->panelOf(0);
        QVERIFY(panel != nullptr);
        QCOMPARE(panel->caption(), QStringLiteral("ID=5 Encoder A"));
        QCOMPARE(int(panel->DevAddress), 5);
        QCOMPARE(panel->LCDColor, 0x00FF00u);
        QCOMPARE(panel->LCDBackColor, 0u);
        QVERIFY(App().WorkspaceModified);
        // A new panel sizes itself to its controls: the display grid is 293 wide, so the client
        // is too, and the frame shows all of it.
        QCOMPARE(panel->size(), QSize(293, 154));
        QCOMPARE(panel->subWindow()->contentsRect().size(), panel->size());
    }

    // While the editor of a new device is open, its node reads "???", its panel exists, and the
    // link does not see it; a used ID is refused until a free one is typed.
    void addWhileAnotherDeviceHasId1() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("First"));
        DeviceTable& table = m->table();
        int checks = 0;
        auto whileOpen = [&](TKVTEditor& editor) {
            QCOMPARE(table.lastIndex(), 1);
            QVERIFY(!table[1].inUse());
            QCOMPARE(int(table[1].DevID.load()), 1);
            QCOMPARE(table[1].DeviceName, QStringLiteral("New device"));
            QCOMPARE(m->nodeOf(1)->text(0), QStringLiteral("???"));
            QVERIFY(m->panelOf(1) != nullptr);
            QCOMPARE(int(m->panelOf(1)->DevAddress), 1);
            QCOMPARE(PanelCount(f), 2);
            QCOMPARE(editor.ID->text(), QStringLiteral("1"));
            QCOMPARE(editor.Title->text(), QStringLiteral("New device"));
            QCOMPARE(editor.EditIndex, 1);
            editor.EditOk->click();  // as offered: ID 1, already in use
            QCOMPARE(editor.result(), int(QDialog::Rejected));
            QVERIFY(!table[1].inUse());
            ++checks;
        };
        f.dialogs.drivers.push_back(
            AnswerEditor({QStringLiteral("1"), QStringLiteral("2")}, "Second", whileOpen));
        m->AddNewKVT1Click();
        QCOMPARE(checks, 1);
        QCOMPARE(f.dialogs.shown, (QStringList{kDuplicate, kDuplicate}));
        QVERIFY(table[1].inUse());
        QCOMPARE(int(table[1].DevID.load()), 2);
        QCOMPARE(m->nodeOf(1)->text(0), QStringLiteral("ID=2 Second"));
        QCOMPARE(m->panelOf(1)->caption(), QStringLiteral("ID=2 Second"));
        QCOMPARE(int(m->panelOf(1)->DevAddress), 2);
    }

    // An editor that comes back without accepting (only a test can do that) adds nothing.
    void addWithoutAcceptedEditorAddsNothing() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("First"));
        const int portsBefore = f.portsMade->load();
        f.dialogs.drivers.push_back([](QDialog&) { return int(QDialog::Rejected); });
        m->AddNewKVT1Click();
        k4test::FlushDeletes();
        QCOMPARE(m->table().lastIndex(), 0);
        QVERIFY(m->table()[1].isEmpty());
        QCOMPARE(f.deviceNodes().size(), 1);
        QCOMPARE(PanelCount(f), 1);
        QVERIFY(App().Link.isRunning());
        QCOMPARE(f.portsMade->load(), portsBefore + 1);  // withdrawn with the link stopped
    }

    void editChangesIdAndTitle() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        App().WorkspaceModified = false;
        m->TreeView1->setCurrentItem(m->nodeOf(1));
        f.dialogs.drivers.push_back(AnswerEditor({QStringLiteral("1"), QStringLiteral("2")},
                                                 "Renamed", [](TKVTEditor& editor) {
                                                     QCOMPARE(editor.ID->text(), "2");
                                                     QCOMPARE(editor.Title->text(), "Two");
                                                     QCOMPARE(editor.EditIndex, 1);
                                                 }));
        m->Delete1Click();
        QCOMPARE(f.dialogs.shown, QStringList{kDuplicate});
        QCOMPARE(m->nodeOf(1)->text(0), QStringLiteral("ID=2 Renamed"));
        QCOMPARE(m->table()[1].DeviceName, QStringLiteral("Renamed"));
        QVERIFY(App().WorkspaceModified);

        f.dialogs.drivers.push_back(AnswerEditor({QStringLiteral("007")}, ""));
        m->Delete1Click();
        QCOMPARE(int(m->table()[1].DevID.load()), 7);
        QCOMPARE(int(m->panelOf(1)->DevAddress), 7);
        QCOMPARE(m->nodeOf(1)->text(0), QStringLiteral("ID=7 "));
        QCOMPARE(m->panelOf(1)->caption(), QStringLiteral("ID=7 "));
        QVERIFY(m->table()[1].inUse());
    }

    // An edit whose editor comes back unaccepted keeps the device as it was.
    void editWithoutAcceptedEditorKeepsTheDevice() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(3, QStringLiteral("Three"));
        m->TreeView1->setCurrentItem(m->nodeOf(0));
        f.dialogs.drivers.push_back([](QDialog& d) {
            auto& editor = static_cast<TKVTEditor&>(d);
            editor.ID->setText(QStringLiteral("9"));
            editor.Title->setText(QStringLiteral("Typed"));
            editor.reject();
            return int(QDialog::Rejected);
        });
        m->Delete1Click();
        QCOMPARE(int(m->table()[0].DevID.load()), 3);
        QCOMPARE(m->table()[0].DeviceName, QStringLiteral("Three"));
        QCOMPARE(m->nodeOf(0)->text(0), QStringLiteral("ID=3 Three"));
        QVERIFY(m->table()[0].inUse());
    }

    // A label edit that begins while the editor is open (a delayed click on a label) leaves
    // the open editor alone.
    void noSecondEditWhileTheEditorIsOpen() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        bool nestedStarted = true;
        f.dialogs.drivers.push_back(
            AnswerEditor({QStringLiteral("2")}, "Two", [&](TKVTEditor& editor) {
                f.dialogs.drivers.push_back(AnswerEditor({QStringLiteral("9")}, "Nested"));
                nestedStarted = m->TreeView1Editing(m->nodeOf(0)) ||
                                m->TreeView1Editing(App().RootNode) ||
                                f.dialogs.drivers.size() != 1;
                m->TreeView1->editItem(m->nodeOf(0));
                nestedStarted = nestedStarted || f.dialogs.drivers.size() != 1;
                f.dialogs.drivers.clear();
                QCOMPARE(editor.EditIndex, 1);
                QCOMPARE(editor.Title->text(), QStringLiteral("New device"));
            }));
        m->AddNewKVT1Click();
        QVERIFY(!nestedStarted);
        QCOMPARE(m->nodeOf(0)->text(0), QStringLiteral("ID=1 One"));
        QCOMPARE(m->nodeOf(1)->text(0), QStringLiteral("ID=2 Two"));
        QVERIFY(m->table()[1].inUse());
        QCOMPARE(InPlaceEditorCount(m), 0);
    }

    void editWithRootOrNothingSelectedDoesNothing() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(3, QStringLiteral("Three"));
        App().WorkspaceModified = false;
        f.dialogs.drivers.push_back(AnswerEditor({QStringLiteral("9")}));
        m->TreeView1->clearSelection();
        m->Delete1Click();
        m->TreeView1->setCurrentItem(App().RootNode);
        m->Delete1Click();
        QCOMPARE(f.dialogs.drivers.size(), std::size_t(1));
        QVERIFY(!App().WorkspaceModified);
        f.dialogs.drivers.clear();
    }

    void deleteTheMiddleOfThree() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        f.add(3, QStringLiteral("Three"));
        DeviceTable& table = m->table();
        table[0].Attention.store(1);
        table[2].CommError.store(1);
        table[2].Skin = QStringLiteral("three.bmp");
        table[2].Top = 40;
        m->setNodeImage(table[2].Node.load(), kIconCommError);
        QTreeWidgetItem* one = m->nodeOf(0);
        QTreeWidgetItem* three = m->nodeOf(2);
        QPointer<TMDIChild> panelOne = m->panelOf(0);
        QPointer<TMDIChild> panelTwo = m->panelOf(1);
        QPointer<TMDIChild> panelThree = m->panelOf(2);
        const int portsBefore = f.portsMade->load();
        App().WorkspaceModified = false;
        f.linkMessages.clear();

        m->TreeView1->setCurrentItem(m->nodeOf(1));
        m->Rename1Click();
        k4test::FlushDeletes();
        // The link starts again on a port that cannot be opened: the operator is told, once.
        QCOMPARE(f.linkMessages, QStringList{QStringLiteral("port COM 1 open error!")});

        QCOMPARE(table.lastIndex(), 1);
        QVERIFY(panelTwo.isNull());
        QCOMPARE(f.deviceNodes(), (QList<QTreeWidgetItem*>{one, three}));
        QCOMPARE(m->nodeOf(0), one);
        QCOMPARE(m->nodeOf(1), three);
        QCOMPARE(m->panelOf(0), panelOne.data());
        QCOMPARE(m->panelOf(1), panelThree.data());
        QCOMPARE(int(table[0].DevID.load()), 1);
        QCOMPARE(int(table[0].Attention.load()), 1);
        QCOMPARE(int(table[1].DevID.load()), 3);
        QCOMPARE(int(table[1].CommError.load()), 1);
        QCOMPARE(table[1].Skin, QStringLiteral("three.bmp"));
        QCOMPARE(table[1].Top, 40);
        QVERIFY(table[0].inUse() && table[1].inUse());
        QVERIFY(table[2].isEmpty());
        QCOMPARE(DeviceTreeWidget::imageOf(three), int(kIconCommError));
        QCOMPARE(one->text(0), QStringLiteral("ID=1 One"));
        QCOMPARE(three->text(0), QStringLiteral("ID=3 Three"));
        QCOMPARE(PanelCount(f), 2);
        QVERIFY(App().Link.isRunning());
        QCOMPARE(f.portsMade->load(), portsBefore + 1);
        QVERIFY(App().WorkspaceModified);
        QCOMPARE(m->IndexOfNode(three), 1);
    }

    void deleteWithTheWorkspaceNodeSelected() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        const int portsBefore = f.portsMade->load();
        App().WorkspaceModified = false;
        m->TreeView1->setCurrentItem(App().RootNode);
        m->Rename1Click();
        QCOMPARE(m->table().lastIndex(), 0);
        QCOMPARE(f.deviceNodes().size(), 1);
        QCOMPARE(PanelCount(f), 1);
        QVERIFY(App().Link.isRunning());
        QCOMPARE(f.portsMade->load(), portsBefore + 1);
        QVERIFY(App().WorkspaceModified);

        m->TreeView1->clearSelection();
        m->Rename1Click();
        QCOMPARE(m->table().lastIndex(), 0);
        QCOMPARE(f.portsMade->load(), portsBefore + 2);
    }

    void deleteTheOnlyDevice() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        m->TreeView1->setCurrentItem(m->nodeOf(0));
        m->Rename1Click();
        QCOMPARE(m->table().lastIndex(), -1);
        QVERIFY(m->table()[0].isEmpty());
        QVERIFY(f.deviceNodes().isEmpty());
        // A device added afterwards starts like one in a fresh slot.
        f.add(1, QStringLiteral("Again"));
        QCOMPARE(m->table()[0].Skin, QString());
        QCOMPARE(m->nodeOf(0)->text(0), QStringLiteral("ID=1 Again"));
    }

    void doubleClickShowsThePanel() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        TMDIChild* panel = m->panelOf(0);
        panel->subWindow()->hide();
        m->TreeView1->setCurrentItem(App().RootNode);
        m->TreeView1DblClick();
        QVERIFY(!panel->subWindow()->isVisible());
        m->TreeView1->setCurrentItem(m->nodeOf(0));
        m->TreeView1DblClick();
        QVERIFY(panel->subWindow()->isVisible());
        QCOMPARE(f.frame.area.activeSubWindow(), panel->subWindow());

        // A double click on the empty space below the nodes shows the selected device's panel.
        panel->subWindow()->hide();
        QWidget* viewport = m->TreeView1->viewport();
        const QRect last = m->TreeView1->visualItemRect(m->nodeOf(1));
        const QPoint empty(last.left() + 10, last.bottom() + 12);
        QVERIFY(viewport->rect().contains(empty));
        QCOMPARE(m->TreeView1->itemAt(empty), nullptr);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, empty);
        QCOMPARE(m->TreeView1->currentItem(), m->nodeOf(0));
        QVERIFY(panel->subWindow()->isVisible());
    }

    // The loader's slots get their views one by one, up to the first slot without the in-use
    // flag; a skin is shown only when its file is a picture in the skins folder.
    void buildDeviceViews() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("SKINS")));
        QVERIFY(k4test::WriteSkinBitmap(dir.filePath(QStringLiteral("SKINS/front.bmp")), Qt::blue,
                                        QSize(20, 10)));
        QVERIFY(
            k4test::WriteBytes(dir.filePath(QStringLiteral("SKINS/junk.bmp")), "not a picture"));
        App().AppDir = dir.path() + QLatin1Char('/');

        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        DeviceTable& table = m->table();
        struct Loaded {
            int id;
            const char* name;
            const char* skin;
            bool inUse;
        };
        const Loaded loaded[] = {{5, "Encoder A", "front.bmp", true},
                                 {-3, "Signed", "missing.bmp", true},
                                 {7, "Junk", "junk.bmp", true},
                                 {9, "Beyond the hole", "", false},
                                 {10, "Never built", "", true}};
        for (int i = 0; i < 5; ++i) {
            DeviceRecord& r = table[i];
            r.DevID.store(static_cast<std::uint8_t>(loaded[i].id));
            r.DeviceName = QLatin1String(loaded[i].name);
            r.Skin = QLatin1String(loaded[i].skin);
            r.LCDColor = 0x0000FF + i;
            r.LCDBackColor = 0x102030 + i;
            r.Top = 10 * i;
            r.Left = 20 * i;
            r.CommError.store(1);
            r.Attention.store(1);
            r.flags.store(loaded[i].inUse ? (kInUseFlag | 0x10) : 0x10);
        }
        // Without a link the latches stay as the build leaves them (a running one would poll
        // the silent line and set them again at once).
        App().Link.StopLink();
        m->BuildDeviceViews();
        App().AppDir.clear();

        QCOMPARE(table.lastIndex(), 2);
        QCOMPARE(f.deviceNodes().size(), 3);
        QCOMPARE(PanelCount(f), 3);
        QVERIFY(App().RootNode->isExpanded());
        const QStringList labels = {"ID=5 Encoder A", "ID=-3 Signed", "ID=7 Junk"};
        for (int i = 0; i < 3; ++i) {
            const DeviceRecord& r = table[i];
            TMDIChild* panel = m->panelOf(i);
            QVERIFY(panel != nullptr);
            QCOMPARE(m->nodeOf(i)->text(0), labels[i]);
            QCOMPARE(DeviceTreeWidget::imageOf(m->nodeOf(i)), int(kIconNormal));
            QCOMPARE(panel->caption(), labels[i]);
            QCOMPARE(int(panel->DevAddress), int(r.DevID.load()));
            QCOMPARE(panel->LCDColor, r.LCDColor);
            QCOMPARE(panel->LCDBackColor, r.LCDBackColor);
            QCOMPARE(panel->left(), 20 * i);
            QCOMPARE(panel->top(), 10 * i);
            QCOMPARE(panel->size(), QSize(291, 154));  // loaded panels keep the design size
            QCOMPARE(int(r.CommError.load()), 0);
            QCOMPARE(int(r.Attention.load()), 0);
            QCOMPARE(int(r.flags.load()), kInUseFlag | 0x10);  // other bits kept
        }
        QCOMPARE(m->panelOf(0)->SkinFile, QStringLiteral("front.bmp"));
        QCOMPARE(m->panelOf(0)->Skin->pixmap().size(), QSize(20, 10));
        QVERIFY(m->panelOf(0)->Skin->isVisibleTo(m->panelOf(0)));
        // A missing or unreadable skin shows no picture; panel and record keep its name.
        for (int i : {1, 2}) {
            QVERIFY(m->panelOf(i)->Skin->pixmap().isNull());
            QCOMPARE(m->panelOf(i)->SkinFile, table[i].Skin);
        }
        QCOMPARE(table[1].Skin, QStringLiteral("missing.bmp"));
        QCOMPARE(table[2].Skin, QStringLiteral("junk.bmp"));
        QCOMPARE(m->nodeOf(3), nullptr);
        QCOMPARE(m->panelOf(3), nullptr);
    }

    void buildDeviceViewsOfAnEmptyTable() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        m->table()[1].flags.store(kInUseFlag);  // after a hole at slot 0: never built
        m->BuildDeviceViews();
        QCOMPARE(m->table().lastIndex(), -1);
        QVERIFY(f.deviceNodes().isEmpty());
        QCOMPARE(PanelCount(f), 0);
        QCOMPARE(m->IndexOfNode(App().RootNode), -1);
        QCOMPARE(m->IndexOfNode(nullptr), -1);
    }
};

QTEST_MAIN(TestDeviceCommands)
#include "tst_devicecommands.moc"
