// SPDX-License-Identifier: GPL-3.0-or-later
// The manager window itself: its parts, its life with the link, read-only mode, the workspace
// rename, the popup, and the node pictures the link's updates set.
#include "manager/devicetree.h"
#include "manager/imagelist.h"
#include "managerfixture.h"
#include "panel/mdichild.h"
#include "link/linkpump.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>

#include <thread>

using namespace k4;
using k4test::ManagerFixture;

namespace {

QImage Picture(const QIcon& icon, QIcon::Mode mode) {
    return icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage Picture(const ImageList& list, int index) {
    return list.pixmap(index).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Returns once every timer a click made before now may have started in the tree (its delayed
// label edit) has fired: a timer started now with the same interval comes due after them, so the
// wait is on that timer, not on a guess of how long is enough.
void LetClickTimersRun() {
    bool fired = false;
    QTimer::singleShot(QApplication::doubleClickInterval(), [&fired] { fired = true; });
    QVERIFY(QTest::qWaitFor([&fired] { return fired; }, 60000));
}

// Opens the popup the way a right click at the item's label does.
void RightClick(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QPoint pos = tree->visualItemRect(item).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree->viewport()->mapToGlobal(pos));
    QCoreApplication::sendEvent(tree->viewport(), &event);
}

// A point on the item's text (past its picture), and one on the empty rest of its row.
QPoint OnLabelText(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QRect row = tree->visualItemRect(item);
    return {row.left() + tree->iconSize().width() + 12, row.center().y()};
}
QPoint BesideLabelText(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QRect row = tree->visualItemRect(item);
    return {row.right() - 4, row.center().y()};
}

QLineEdit* InPlaceEditor(QTreeWidget* tree) {
    return tree->viewport()->findChild<QLineEdit*>();
}

}  // namespace

class TestManagerWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parts() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        QCOMPARE(m->windowTitle(), QStringLiteral("K4 Manager"));
        QCOMPARE(m->subWindow()->windowTitle(), QStringLiteral("K4 Manager"));
        QVERIFY(!m->subWindow()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        // The styles draw a close box whenever the system-menu hint is set.
        QVERIFY(!m->subWindow()->windowFlags().testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(m->subWindow()->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        for (QAction* a : m->subWindow()->systemMenu()->actions()) {
            QVERIFY2(!a->text().contains(QLatin1String("Close")), qPrintable(a->text()));
        }
        QCOMPARE(m->ToolBar1->objectName(), QStringLiteral("ToolBar1"));
        QCOMPARE(m->ToolBar1->height(), 29);
        QVERIFY(m->ToolBar1->actions().isEmpty());
        QCOMPARE(m->TreeView1->objectName(), QStringLiteral("TreeView1"));
        QCOMPARE(m->TreeView1->indentation(), 19);

        const QList<QAction*> items = m->PopupMenu1->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0], m->AddNewKVT1);
        QCOMPARE(items[1], m->Delete1);
        QCOMPARE(items[2], m->Rename1);
        QCOMPARE(m->AddNewKVT1->text(), QStringLiteral("Add &New KVT"));
        QCOMPARE(m->Delete1->text(), QStringLiteral("&Edit"));
        QCOMPARE(m->Rename1->text(), QStringLiteral("&Delete"));
        QCOMPARE(m->AddNewKVT1->objectName(), QStringLiteral("AddNewKVT1"));
        QCOMPARE(m->Delete1->objectName(), QStringLiteral("Delete1"));
        QCOMPARE(m->Rename1->objectName(), QStringLiteral("Rename1"));
    }

    // Four distinct 16 x 16 pictures, each with the colour that tells it apart.
    void imageList() {
        ImageList list;
        QCOMPARE(list.objectName(), QStringLiteral("ImageList1"));
        QSet<QByteArray> distinct;
        for (int i = 0; i < ImageList::kCount; ++i) {
            const QImage image = Picture(list, i);
            QVERIFY(!image.isNull());
            QCOMPARE(image.size(), QSize(16, 16));
            distinct.insert(
                QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), 4);
        QVERIFY(list.pixmap(4).isNull());
        QVERIFY(list.pixmap(-1).isNull());

        // Display window: green when normal, red when signalling attention.
        const QColor normal = Picture(list, kIconNormal).pixelColor(5, 5);
        const QColor attention = Picture(list, kIconAttention).pixelColor(5, 5);
        QVERIFY(normal.green() > 200 && normal.red() < 100);
        QVERIFY(attention.red() > 200 && attention.green() < 100);
        // The failed device is drawn red with grey smoke above it.
        const QColor body = Picture(list, kIconCommError).pixelColor(14, 13);
        const QColor smoke = Picture(list, kIconCommError).pixelColor(5, 1);
        QVERIFY(body.red() > 150 && body.green() < 80);
        QVERIFY(smoke.alpha() == 255 && smoke.red() == smoke.green() &&
                smoke.green() == smoke.blue());
        // The workspace is a monitor with a blue screen.
        const QColor screen = Picture(list, kIconWorkspace).pixelColor(7, 7);
        QVERIFY(screen.blue() > 150 && screen.red() < 100);
    }

    void openStartsTheLinkAndCloseStopsIt() {
        ManagerFixture f;
        QVERIFY(!f.frame.workspaceItemsEnabled);
        TMDIKVTMAN* m = f.open();
        QCOMPARE(App().Manager, m);
        QVERIFY(App().Link.isRunning());
        QCOMPARE(f.portsMade->load(), 1);
        QCOMPARE(f.linkMessages, QStringList{QStringLiteral("port COM 1 open error!")});
        QVERIFY(f.frame.workspaceItemsEnabled);
        QCOMPARE(m->table().lastIndex(), -1);
        QCOMPARE(App().Views.tree(), static_cast<TreeView*>(m));
        QCOMPARE(f.frame.area.subWindowList().size(), 1);

        QTreeWidgetItem* root = App().RootNode;
        QCOMPARE(root, m->rootNode());
        QCOMPARE(root->text(0), QStringLiteral("Plant.DID"));
        QCOMPARE(DeviceTreeWidget::imageOf(root), int(kIconWorkspace));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(root), int(kIconWorkspace));
        QCOMPARE(m->TreeView1->topLevelItem(0), root);

        QPointer<QMdiSubWindow> frame = m->subWindow();
        m->closeManager();
        QVERIFY(!App().Link.isRunning());
        QCOMPARE(App().Views.tree(), nullptr);
        QCOMPARE(App().RootNode, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(frame.isNull());
        QCOMPARE(App().Manager, nullptr);
        f.manager = nullptr;
    }

    // The window refuses every close request but the program's own.
    void closeRequestsAreRefused() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        QVERIFY(!m->subWindow()->close());
        f.frame.area.closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(App().Manager, m);
        QVERIFY(m->subWindow()->isVisible());
        QVERIFY(App().Link.isRunning());
    }

    // Destroying the window without closing it (the program ending) still stops the link first.
    void destructionStopsTheLink() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        QVERIFY(App().Link.isRunning());
        delete m->subWindow();
        QVERIFY(!App().Link.isRunning());
        QCOMPARE(App().Manager, nullptr);
        QCOMPARE(App().Views.tree(), nullptr);
        f.manager = nullptr;
    }

    void readOnlyMode() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(4, QStringLiteral("Four"));
        QTreeWidgetItem* device = f.deviceNodes().at(0);
        App().ReadOnly = true;
        m->ApplyReadOnly();
        App().WorkspaceModified = false;

        RightClick(m->TreeView1, device);
        QVERIFY(m->PopupMenu1->isVisible());
        QCOMPARE(m->TreeView1->currentItem(), device);
        QVERIFY(!m->AddNewKVT1->isEnabled());
        QVERIFY(!m->Delete1->isEnabled());
        QVERIFY(!m->Rename1->isEnabled());
        m->PopupMenu1->hide();

        // Neither a click on the selected label, nor F2, nor a programmatic edit opens anything.
        f.dialogs.drivers.push_back(k4test::AnswerEditor({QStringLiteral("9")}));
        const QPoint at = OnLabelText(m->TreeView1, device);
        QTest::mouseClick(m->TreeView1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(m->TreeView1->viewport(), Qt::LeftButton, {}, at, 1000);
        QTest::keyClick(m->TreeView1, Qt::Key_F2);
        QTest::ignoreMessage(QtWarningMsg, "edit: editing failed");
        m->TreeView1->editItem(App().RootNode);
        LetClickTimersRun();
        QCOMPARE(f.dialogs.drivers.size(), std::size_t(1));
        QCOMPARE(InPlaceEditor(m->TreeView1), nullptr);
        QVERIFY(!App().WorkspaceModified);
        QCOMPARE(device->text(0), QStringLiteral("ID=4 Four"));

        // A double click still shows the panel.
        TMDIChild* panel = m->panelOf(0);
        panel->subWindow()->hide();
        QTest::mouseDClick(m->TreeView1->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(panel->subWindow()->isVisible());

        App().ReadOnly = false;
        m->ApplyReadOnly();
        RightClick(m->TreeView1, device);
        QVERIFY(m->AddNewKVT1->isEnabled());
        QVERIFY(m->Delete1->isEnabled());
        QVERIFY(m->Rename1->isEnabled());
        m->PopupMenu1->hide();
        f.dialogs.drivers.clear();
    }

    // The tree's own label editing: a click on the selected device label opens the editor.
    void clickOnSelectedLabelEditsTheDevice() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(4, QStringLiteral("Four"));
        QTreeWidgetItem* device = f.deviceNodes().at(0);
        App().WorkspaceModified = false;
        f.dialogs.drivers.push_back(k4test::AnswerEditor({QStringLiteral("6")}, "Six"));
        QWidget* viewport = m->TreeView1->viewport();
        const QPoint beside = BesideLabelText(m->TreeView1, device);
        QVERIFY(beside.x() > OnLabelText(m->TreeView1, device).x() + 60);
        m->TreeView1->setCurrentItem(device);
        // A click on the selected row beside its text edits nothing.
        QTest::mouseClick(viewport, Qt::LeftButton, {}, beside, 1000);
        LetClickTimersRun();
        QCOMPARE(f.dialogs.drivers.size(), std::size_t(1));
        QVERIFY(!App().WorkspaceModified);

        const QPoint at = OnLabelText(m->TreeView1, device);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at, 1000);
        QTRY_COMPARE(device->text(0), QStringLiteral("ID=6 Six"));
        QVERIFY(f.dialogs.drivers.empty());
        QVERIFY(App().WorkspaceModified);
        QCOMPARE(InPlaceEditor(m->TreeView1), nullptr);  // no editor is left open
        QCOMPARE(int(m->table()[0].DevID.load()), 6);

        // F2 does the same.
        f.dialogs.drivers.push_back(k4test::AnswerEditor({QStringLiteral("8")}, "Eight"));
        QTest::keyClick(m->TreeView1, Qt::Key_F2);
        QCOMPARE(device->text(0), QStringLiteral("ID=8 Eight"));
        QCOMPARE(InPlaceEditor(m->TreeView1), nullptr);
    }

    void renameWorkspace_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::newRow("Plant") << "Plant"
                               << "Plant.DID";
        QTest::newRow("Plant.did") << "Plant.did"
                                   << "Plant.did";
    }
    void renameWorkspace() {
        QFETCH(QString, typed);
        QFETCH(QString, label);
        ManagerFixture f;
        TMDIKVTMAN* m = f.open(QStringLiteral("Old.DID"));
        f.add(3, QStringLiteral("Three"));
        App().WorkspaceModified = false;

        m->TreeView1->setCurrentItem(App().RootNode);
        m->TreeView1->editItem(App().RootNode);
        QLineEdit* editor = InPlaceEditor(m->TreeView1);
        QVERIFY(editor != nullptr);
        QVERIFY(App().WorkspaceModified);  // set as the edit begins
        QVERIFY(f.dialogs.drivers.empty());
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);

        // The view commits a finished in-place edit from its event loop.
        QTRY_COMPARE(App().RootNode->text(0), label);
        QCOMPARE(f.frame.title, QStringLiteral("K4mgr - ") + label);
        QVERIFY(App().WorkspaceModified);
        QVERIFY(App().WorkspacePath.isEmpty());
        QCOMPARE(f.deviceNodes().at(0)->text(0), QStringLiteral("ID=3 Three"));
    }

    void renameCancelledKeepsEverything() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open(QStringLiteral("Old.DID"));
        App().WorkspaceModified = false;
        m->TreeView1->editItem(App().RootNode);
        QLineEdit* editor = InPlaceEditor(m->TreeView1);
        QVERIFY(editor != nullptr);
        editor->setText(QStringLiteral("Other"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(InPlaceEditor(m->TreeView1), nullptr);
        QCOMPARE(App().RootNode->text(0), QStringLiteral("Old.DID"));
        QCOMPARE(f.frame.title, QStringLiteral("K4mgr"));
        QCOMPARE(App().WorkspacePath, QStringLiteral("/tmp/old.DID"));
        QVERIFY(App().WorkspaceModified);  // the edit began
    }

    void rightClickSelectsTheNodeUnderTheMouse() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        m->TreeView1->setCurrentItem(f.deviceNodes().at(0));
        RightClick(m->TreeView1, f.deviceNodes().at(1));
        QCOMPARE(m->TreeView1->selectedItems(), QList<QTreeWidgetItem*>{f.deviceNodes().at(1)});
        QVERIFY(m->PopupMenu1->isVisible());
        m->PopupMenu1->hide();
        RightClick(m->TreeView1, App().RootNode);
        QCOMPARE(m->TreeView1->currentItem(), App().RootNode);
        m->PopupMenu1->hide();
    }

    // With 127 devices the table is full: the popup offers no Add, and Add does nothing.
    void fullTableDisablesAdd() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        DeviceTable& table = m->table();
        for (int i = 0; i < 126; ++i) {
            table[i].DevID.store(static_cast<std::uint8_t>(i));
            table[i].flags.store(kInUseFlag);
        }
        m->BuildDeviceViews();
        QCOMPARE(table.lastIndex(), 125);
        RightClick(m->TreeView1, App().RootNode);
        QVERIFY(m->AddNewKVT1->isEnabled());
        m->PopupMenu1->hide();

        f.add(126, QStringLiteral("Last"));
        QCOMPARE(table.lastIndex(), 126);
        QVERIFY(table[126].inUse());
        RightClick(m->TreeView1, App().RootNode);
        QVERIFY(!m->AddNewKVT1->isEnabled());
        QVERIFY(m->Delete1->isEnabled());
        m->PopupMenu1->hide();

        f.dialogs.drivers.push_back(k4test::AnswerEditor({QStringLiteral("127")}));
        m->AddNewKVT1Click();
        QCOMPARE(table.lastIndex(), 126);
        QVERIFY(table[127].isEmpty());
        QCOMPARE(f.dialogs.drivers.size(), std::size_t(1));
        QCOMPARE(App().RootNode->childCount(), 127);
        f.dialogs.drivers.clear();

        // Deleting one makes room again.
        m->TreeView1->setCurrentItem(f.deviceNodes().at(5));
        m->Rename1Click();
        RightClick(m->TreeView1, App().RootNode);
        QVERIFY(m->AddNewKVT1->isEnabled());
        m->PopupMenu1->hide();
    }

    // The link's node updates reach the tree through the queue; image and selected image move
    // together, and an update for a node that has gone lands nowhere.
    void nodePicturesFollowLinkUpdates() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        LinkPump pump(App().Updates, App().Views);
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        QTreeWidgetItem* one = f.deviceNodes().at(0);
        QTreeWidgetItem* two = f.deviceNodes().at(1);
        const NodeHandle oneHandle = m->table()[0].Node.load();
        const NodeHandle twoHandle = m->table()[1].Node.load();
        QCOMPARE(DeviceTreeWidget::imageOf(one), int(kIconNormal));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(one), int(kIconNormal));

        // From another thread, as the link sends them.
        std::thread link([&] {
            App().Updates.setNodeImage(twoHandle, kIconCommError);
            App().Updates.repaintTree();
            App().Updates.setNodeImage(oneHandle, kIconAttention);
        });
        link.join();
        QTRY_COMPARE(DeviceTreeWidget::imageOf(one), int(kIconAttention));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(one), int(kIconAttention));
        QCOMPARE(DeviceTreeWidget::imageOf(two), int(kIconCommError));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(two), int(kIconCommError));
        QCOMPARE(Picture(two->icon(0), QIcon::Normal), Picture(*m->ImageList1, kIconCommError));
        QCOMPARE(Picture(two->icon(0), QIcon::Selected), Picture(*m->ImageList1, kIconCommError));
        QCOMPARE(DeviceTreeWidget::imageOf(App().RootNode), int(kIconWorkspace));

        m->TreeView1->setCurrentItem(two);
        m->Rename1Click();
        App().Updates.setNodeImage(twoHandle, kIconNormal);
        App().Updates.setNodeImage(twoHandle + 1000, kIconNormal);
        pump.deliverNow();
        QCOMPARE(f.deviceNodes(), QList<QTreeWidgetItem*>{one});
        QCOMPARE(DeviceTreeWidget::imageOf(one), int(kIconAttention));

        App().Updates.setNodeImage(oneHandle, kIconNormal);
        pump.deliverNow();
        QCOMPARE(DeviceTreeWidget::imageOf(one), int(kIconNormal));
        QCOMPARE(DeviceTreeWidget::selectedImageOf(one), int(kIconNormal));
    }

    // A device node's tooltip shows the link's counts for it and follows them while it is shown;
    // the workspace node has none.
    void deviceTooltipFollowsHealth() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(7, QStringLiteral("Seven"));
        f.add(8, QStringLiteral("Eight"));
        // The counts are written here instead of by the link (one writer at a time).
        App().Link.StopLink();
        DeviceHealth& health = m->table()[1].Health;
        health.reset();
        health.noteReply(HealthClockNs());
        health.noteFailure(true);
        const auto hover = [m](QTreeWidgetItem* node) {
            const QPoint pos = m->TreeView1->visualItemRect(node).center();
            // The mouse rests on the node, as it does when a tooltip comes up.
            QTest::mouseMove(m->TreeView1->viewport(), pos);
            QHelpEvent event(QEvent::ToolTip, pos, m->TreeView1->viewport()->mapToGlobal(pos));
            QCoreApplication::sendEvent(m->TreeView1->viewport(), &event);
        };
        hover(f.deviceNodes().at(1));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().startsWith(
                     QStringLiteral("ID=8 Eight: 1 reply, 1 failed in 1 episode, last reply ")),
                 qPrintable(QToolTip::text()));
        for (int i = 0; i < 1233; ++i) {
            health.noteReply(HealthClockNs());
        }
        QTRY_VERIFY2(QToolTip::text().startsWith(QStringLiteral("ID=8 Eight: 1 234 replies, ")),
                     qPrintable(QToolTip::text()));
        hover(App().RootNode);
        QTRY_VERIFY(!QToolTip::isVisible());
    }

    void managerGeometry() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        m->setManagerGeometry(10, 20, 300, 200);
        QCOMPARE(m->managerGeometry(), QRect(10, 20, 300, 200));
        // A stored 0 x 0 keeps a reachable window.
        m->setManagerGeometry(5, 6, 0, 0);
        QCOMPARE(m->managerGeometry().topLeft(), QPoint(5, 6));
        QVERIFY(m->managerGeometry().width() > 0 && m->managerGeometry().height() > 0);
    }
};

QTEST_MAIN(TestManagerWindow)
#include "tst_managerwindow.moc"
