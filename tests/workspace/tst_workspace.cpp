// SPDX-License-Identifier: GPL-3.0-or-later
// Saving, loading and closing a workspace through its windows: the manager, its tree and the
// panels are built from the file and written back from what they show.
#include "filebytes.h"
#include "filesizelimit.h"
#include "workspacefixture.h"

#include "core/profilefile.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

using namespace k4;
using k4test::ReadBytes;
using k4test::RichWorkspace;
using k4test::WorkspaceFixture;
using k4test::WriteBytes;

Q_DECLARE_METATYPE(WorkspaceFileData)

namespace {

// What the screen shows of a place in the area's viewport.
QImage OnScreen(QMdiArea& area, const QRect& place) {
    QWidget* viewport = area.viewport();
    return viewport->screen()
        ->grabWindow(area.winId())
        .toImage()
        .copy(QRect(viewport->mapTo(&area, place.topLeft()), place.size()))
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestWorkspace : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadBuildsTheViews() {
        WorkspaceFixture f;
        const WorkspaceFileData data = RichWorkspace();
        const QString path = f.write(QStringLiteral("rack.DID"), data);
        LoadWorkspace(path);

        TMDIKVTMAN* m = f.manager();
        QVERIFY(m != nullptr);
        QCOMPARE(App().RootNode, m->rootNode());
        QCOMPARE(App().RootNode->text(0), QStringLiteral("rack.DID"));
        QCOMPARE(m->TreeView1->topLevelItem(0), App().RootNode);
        QCOMPARE(f.frame.title, QStringLiteral("K4mgr - rack.DID"));
        QVERIFY(f.frame.workspaceItemsEnabled);
        QCOMPARE(f.frame.stateCode, 2);
        QCOMPARE(m->managerGeometry(), QRect(500, 12, 220, 400));
        QVERIFY(App().ReadOnly);
        QVERIFY(!m->AddNewKVT1->isEnabled());
        QVERIFY(!m->Rename1->isEnabled());
        QCOMPARE(App().MacroNames.size(), kMacroCount);
        QCOMPARE(App().MacroNames[11], QStringLiteral("Macro 12"));
        QCOMPARE(App().WorkspacePath, path);
        QCOMPARE(App().LastWorkspacePath, path);

        const DeviceTable& table = m->table();
        QCOMPARE(table.lastIndex(), 2);
        QCOMPARE(App().RootNode->childCount(), 3);
        QCOMPARE(f.panelCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const WorkspaceDevice& d = data.Devices[static_cast<std::size_t>(i)];
            const QString label = DeviceLabel(d.DevID, d.DeviceName);
            QCOMPARE(m->nodeOf(i), App().RootNode->child(i));
            QCOMPARE(m->nodeOf(i)->text(0), label);
            TMDIChild* panel = m->panelOf(i);
            QVERIFY(panel != nullptr);
            QCOMPARE(panel->caption(), label);
            QCOMPARE(int(panel->DevAddress), int(d.DevID));
            QCOMPARE(panel->left(), d.Left);
            QCOMPARE(panel->top(), d.Top);
            QCOMPARE(panel->LCDColor, d.LCDColor);
            QCOMPARE(panel->LCDBackColor, d.LCDBackColor);
            QCOMPARE(int(table[i].flags.load()), int(d.flags));
            QCOMPARE(table[i].Skin, d.Skin);
        }
        QCOMPARE(m->panelOf(0)->SkinFile, QStringLiteral("blue.bmp"));
        QVERIFY(!m->panelOf(0)->Skin->pixmap().isNull());
        // A skin that is not in the folder leaves the panel bare; panel and record keep its name.
        QCOMPARE(m->panelOf(2)->SkinFile, QStringLiteral("missing.bmp"));
        QVERIFY(m->panelOf(2)->Skin->pixmap().isNull());
        QVERIFY(table[3].isEmpty());
    }

    // The windows stand as if opened one by one: the manager at the bottom, each panel over the
    // one before, the last panel active and holding the focus; the next-window order follows.
    void loadLeavesTheLastPanelActiveOnTop() {
        WorkspaceFixture f;
        f.frame.area.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.frame.area));
        LoadWorkspace(f.write(QStringLiteral("first.DID"), RichWorkspace()));
        LoadWorkspace(f.write(QStringLiteral("rack.DID"), RichWorkspace()));
        WorkspaceFixture::flush();
        TMDIKVTMAN* m = f.manager();
        const QList<QMdiSubWindow*> expected = {m->subWindow(), m->panelOf(0)->subWindow(),
                                                m->panelOf(1)->subWindow(),
                                                m->panelOf(2)->subWindow()};
        QMdiArea& area = f.frame.area;
        QCOMPARE(area.subWindowList(QMdiArea::StackingOrder), expected);
        QCOMPARE(area.subWindowList(QMdiArea::ActivationHistoryOrder), expected);
        QCOMPARE(area.activeSubWindow(), expected.back());
        for (QMdiSubWindow* sub : expected) {
            QCOMPARE(sub->isVisible(), true);
            QCOMPARE(bool(sub->windowState() & Qt::WindowActive), sub == expected.back());
        }
        QVERIFY(expected.back()->isAncestorOf(QApplication::focusWidget()));
    }

    // A loaded panel's frame works as that of a panel added by hand: the same frame geometry, and
    // a drag on its title bar moves it.
    void loadedPanelFrameWorks() {
        WorkspaceFixture f;
        f.frame.area.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f.frame.area));
        LoadWorkspace(f.write(QStringLiteral("rack.DID"), RichWorkspace()));
        TMDIChild* byHand = TMDIChild::Create(&f.frame.area);
        WorkspaceFixture::flush();
        QCoreApplication::sendPostedEvents();
        QMdiSubWindow* loaded = f.manager()->panelOf(0)->subWindow();
        QCOMPARE(loaded->size(), byHand->subWindow()->size());
        QCOMPARE(loaded->contentsMargins(), byHand->subWindow()->contentsMargins());
        QCOMPARE(loaded->minimumSizeHint(), byHand->subWindow()->minimumSizeHint());

        const QPoint before = loaded->pos();
        const QPoint grip(loaded->width() / 2, loaded->contentsMargins().top() / 2);
        const auto send = [loaded](QEvent::Type type, QPoint at, Qt::MouseButton button,
                                   Qt::MouseButtons held) {
            QMouseEvent event(type, at, loaded->mapToGlobal(at), button, held, {});
            QCoreApplication::sendEvent(loaded, &event);
        };
        // The frame picks what a press does (move, resize, a button) from where the mouse hovers.
        send(QEvent::MouseMove, grip, Qt::NoButton, {});
        send(QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, grip + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, grip + QPoint(30, 20), Qt::LeftButton, {});
        QCOMPARE(loaded->pos(), before + QPoint(30, 20));
        byHand->closePanel();
    }

    void saveWritesWhatTheViewsShow() {
        WorkspaceFixture f;
        const WorkspaceFileData data = RichWorkspace();
        LoadWorkspace(f.write(QStringLiteral("rack.DID"), data));
        TMDIKVTMAN* m = f.manager();

        // Place and colours come from the panels, not from the records.
        m->panelOf(1)->moveTo(321, 123);
        m->panelOf(2)->LCDColor = 0x00FFFFu;
        m->panelOf(2)->LCDBackColor = 0x000080u;
        m->setManagerGeometry(7, 8, 300, 350);
        f.frame.stateCode = 1;
        App().ReadOnly = false;
        App().MacroNames[3] = QStringLiteral("Reset all");

        const QString target = f.path(QStringLiteral("copy.DID"));
        QVERIFY(SaveWorkspace(target));
        QCOMPARE(App().WorkspacePath, target);
        QCOMPARE(App().LastWorkspacePath, target);

        WorkspaceFileData expected = data;
        expected.Name = QStringLiteral("copy.DID");
        expected.Devices[1].Left = 321;
        expected.Devices[1].Top = 123;
        expected.Devices[2].LCDColor = 0x00FFFFu;
        expected.Devices[2].LCDBackColor = 0x000080u;
        expected.ManLeft = 7;
        expected.ManTop = 8;
        expected.ManWidth = 300;
        expected.ManHeight = 350;
        expected.WindowState = 1;
        expected.ReadOnly = false;
        expected.MacroNames[3] = QStringLiteral("Reset all");
        const WorkspaceFileData saved = ReadWorkspaceFile(target);
        QCOMPARE(saved.Devices.size(), std::size_t{3});
        QCOMPARE(saved.Devices[1].Left, 321);
        QCOMPARE(saved.Devices[2].LCDColor, 0x00FFFFu);
        QCOMPARE(saved.ManWidth, 300);
        QVERIFY(saved == expected);
    }

    void roundTripThroughTheViews_data() {
        QTest::addColumn<WorkspaceFileData>("data");
        QTest::newRow("rich") << RichWorkspace();
        QTest::newRow("empty") << WorkspaceFileData();
        WorkspaceFileData many;
        for (int i = 0; i < 40; ++i) {
            WorkspaceDevice d;
            d.DeviceName = QStringLiteral("Device %1 \u00e9").arg(i);
            d.flags = 1;
            d.DevID = static_cast<std::uint8_t>(i);
            d.Left = i * 7;
            d.Top = i * 3;
            many.Devices.push_back(d);
        }
        many.ManWidth = 250;
        many.ManHeight = 300;
        QTest::newRow("40 devices") << many;
    }

    void roundTripThroughTheViews() {
        QFETCH(WorkspaceFileData, data);
        WorkspaceFixture f;
        const QString first = f.write(QStringLiteral("first.DID"), data);
        LoadWorkspace(first);
        const QString second = f.path(QStringLiteral("first.DID.copy"));
        QVERIFY(SaveWorkspace(second));
        WorkspaceFileData back = ReadWorkspaceFile(second);
        QCOMPARE(back.Name, QStringLiteral("first.DID.copy"));
        back.Name = QStringLiteral("first.DID");
        QCOMPARE(back.Devices.size(), data.Devices.size());
        WorkspaceFileData loaded = ReadWorkspaceFile(first);
        if (data.ManWidth == 0) {
            // A 0 x 0 manager window is shown at its least usable size, and saved so.
            QVERIFY(back.ManWidth > 0 && back.ManHeight > 0);
            loaded.ManWidth = back.ManWidth;
            loaded.ManHeight = back.ManHeight;
        }
        QVERIFY(back == loaded);
        // Saved again unchanged, the file stays byte for byte the same.
        const QByteArray bytes = ReadBytes(second);
        QVERIFY(SaveWorkspace(second));
        QCOMPARE(ReadBytes(second), bytes);
    }

    void missingFileLoadsTheErrorWorkspace() {
        WorkspaceFixture f;
        App().ReadOnly = true;
        App().MacroNames[0] = QStringLiteral("Old");
        const QString path = f.path(QStringLiteral("gone.DID"));
        LoadWorkspace(path);
        TMDIKVTMAN* m = f.manager();
        QVERIFY(m != nullptr);
        QCOMPARE(App().RootNode->text(0), QStringLiteral("Error"));
        QCOMPARE(f.frame.title, QStringLiteral("K4mgr - Error"));
        QCOMPARE(f.frame.stateCode, 0);
        QCOMPARE(m->table().lastIndex(), -1);
        QCOMPARE(App().RootNode->childCount(), 0);
        QCOMPARE(f.panelCount(), 0);
        QVERIFY(!App().ReadOnly);
        QVERIFY(m->AddNewKVT1->isEnabled());
        QCOMPARE(App().MacroNames, QStringList(kMacroCount, QStringLiteral("Undefined")));
        QCOMPARE(m->managerGeometry().topLeft(), QPoint(0, 0));
        QCOMPARE(App().WorkspacePath, path);
        QVERIFY(!QFile::exists(path));
    }

    void slotsAfterOneWithoutTheInUseFlagStayEmpty() {
        WorkspaceFixture f;
        WorkspaceFileData data = RichWorkspace();
        const QString path = f.write(QStringLiteral("gap.DID"), data);
        QVERIFY(ProfileFile::WriteString(path, "Dev1", "flags", "0"));
        LoadWorkspace(path);
        const DeviceTable& table = f.manager()->table();
        QCOMPARE(table.lastIndex(), 0);
        QCOMPARE(App().RootNode->childCount(), 1);
        QCOMPARE(f.panelCount(), 1);
        QVERIFY(table[1].isEmpty());
        QVERIFY(table[2].isEmpty());
        // The next save writes the one device.
        QVERIFY(SaveWorkspace(path));
        QCOMPARE(ReadWorkspaceFile(path).Devices.size(), std::size_t{1});
    }

    void atMost127DevicesLoad() {
        WorkspaceFixture f;
        WorkspaceFileData data;
        for (int i = 0; i < 127; ++i) {
            WorkspaceDevice d;
            d.flags = 1;
            d.DevID = static_cast<std::uint8_t>(i);
            data.Devices.push_back(d);
        }
        const QString path = f.write(QStringLiteral("full.DID"), data);
        for (int slot = 127; slot < 130; ++slot) {
            const QByteArray section = "Dev" + QByteArray::number(slot);
            QVERIFY(ProfileFile::WriteString(path, section, "flags", "1"));
        }
        QVERIFY(ProfileFile::WriteString(path, "Global", "Devices", "130"));
        LoadWorkspace(path);
        const DeviceTable& table = f.manager()->table();
        QCOMPARE(table.lastIndex(), 126);
        QVERIFY(table[127].isEmpty());
        QCOMPARE(f.panelCount(), 127);
        QVERIFY(!f.manager()->AddNewKVT1->isEnabled());
    }

    void loadingClosesTheOpenWorkspaceFirst() {
        WorkspaceFixture f;
        LoadWorkspace(f.write(QStringLiteral("a.DID"), RichWorkspace()));
        QPointer<TMDIKVTMAN> oldManager = f.manager();
        QList<QPointer<TMDIChild>> oldPanels;
        for (int i = 0; i < 3; ++i) {
            oldPanels << oldManager->panelOf(i);
        }

        WorkspaceFileData other;
        other.Devices.push_back(RichWorkspace().Devices[2]);
        other.Devices[0].Skin.clear();
        const QString path = f.write(QStringLiteral("b.DID"), other);
        QVERIFY(ProfileFile::WriteString(path, "MacroNames", "MacroName5", "Kept"));
        // Without its MacroName1 key, the old workspace's first name must not survive.
        QByteArray bytes = ReadBytes(path);
        bytes.replace("MacroName1=Undefined\r\n", "");
        QVERIFY(WriteBytes(path, bytes));

        LoadWorkspace(path);
        QVERIFY(f.manager() != oldManager.data());
        WorkspaceFixture::flush();
        QVERIFY(oldManager.isNull());
        for (const QPointer<TMDIChild>& panel : oldPanels) {
            QVERIFY(panel.isNull());
        }
        QCOMPARE(f.managerCount(), 1);
        QCOMPARE(f.panelCount(), 1);
        QCOMPARE(f.manager()->table().lastIndex(), 0);
        QCOMPARE(App().RootNode->text(0), QStringLiteral("b.DID"));
        QCOMPARE(App().MacroNames[0], QStringLiteral("Undefined"));
        QCOMPARE(App().MacroNames[1], QStringLiteral("Undefined"));
        QCOMPARE(App().MacroNames[4], QStringLiteral("Kept"));
        QVERIFY(!App().ReadOnly);
        QVERIFY(App().linkRunning());
    }

    void closeDiscardsPanelsThenManager() {
        WorkspaceFixture f;
        const QString path = f.write(QStringLiteral("a.DID"), RichWorkspace());
        LoadWorkspace(path);
        App().WorkspaceModified = true;
        TMDIKVTMAN* m = f.manager();
        DeviceTable& table = m->table();
        QPointer<TMDIKVTMAN> manager = m;
        QVERIFY(App().linkRunning());

        CloseWorkspace();
        // Until the event loop runs again the windows still exist, but the slots are released
        // and the link has stopped.
        QVERIFY(!manager.isNull());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(int(table[i].flags.load()), 0);
            QCOMPARE(table[i].Panel.load(), kNoHandle);
        }
        QVERIFY(!App().linkRunning());
        QCOMPARE(App().Manager, nullptr);
        QCOMPARE(App().RootNode, nullptr);
        WorkspaceFixture::flush();
        QVERIFY(manager.isNull());
        QCOMPARE(f.panelCount(), 0);
        QCOMPARE(f.managerCount(), 0);
        // Nothing else changes.
        QCOMPARE(App().WorkspacePath, path);
        QCOMPARE(App().LastWorkspacePath, path);
        QVERIFY(App().WorkspaceModified);
        QVERIFY(App().ReadOnly);
        QCOMPARE(App().MacroNames[0], QStringLiteral("Macro 1"));

        CloseWorkspace();  // none open: nothing happens
        QCOMPARE(App().Manager, nullptr);
        QVERIFY(f.dialogs.shown.isEmpty());
    }

    // What the screen shows after a close: the area where the panels stood, without a trace of
    // them.
    void closeLeavesNoPanelOnScreen() {
        WorkspaceFixture f;
        LoadWorkspace(f.write(QStringLiteral("a.DID"), RichWorkspace()));
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame.area));
        const QRect panel = f.manager()->panelOf(0)->subWindow()->geometry();
        const auto shot = [&] {
            QCoreApplication::processEvents();
            return OnScreen(f.frame.area, panel);
        };
        QImage before = shot();
        CloseWorkspace();
        WorkspaceFixture::flush();
        QImage empty(panel.size(), QImage::Format_RGB32);
        empty.fill(f.frame.area.background().color());
        QVERIFY(shot() != before);
        QCOMPARE(shot(), empty);
    }

    // A workspace loaded over one on screen is painted whole: the screen holds what the area
    // and its panels draw.
    void loadOverShownWorkspacePaintsIt() {
        WorkspaceFixture f;
        WorkspaceFileData bare = RichWorkspace();
        bare.Devices.clear();
        LoadWorkspace(f.write(QStringLiteral("bare.DID"), bare));
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame.area));
        QCoreApplication::processEvents();
        LoadWorkspace(f.write(QStringLiteral("a.DID"), RichWorkspace()));
        // A repaint comes as an event that other events post: all are handled.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1000);
        QWidget* viewport = f.frame.area.viewport();
        QCOMPARE(OnScreen(f.frame.area, viewport->rect()),
                 viewport->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void loadingLeavesTheModifiedFlagAlone() {
        WorkspaceFixture f;
        const QString path = f.write(QStringLiteral("a.DID"), RichWorkspace());
        App().WorkspaceModified = false;
        LoadWorkspace(path);
        QVERIFY(!App().WorkspaceModified);
        App().WorkspaceModified = true;
        LoadWorkspace(path);
        QVERIFY(App().WorkspaceModified);
        QVERIFY(SaveWorkspace(path));
        QVERIFY(App().WorkspaceModified);  // the callers clear it
    }

    void failedWriteIsReportedAndKeepsTheFile() {
        WorkspaceFixture f;
        const QString path = f.write(QStringLiteral("a.DID"), RichWorkspace());
        LoadWorkspace(path);
        const QByteArray old = ReadBytes(path);

        // A folder that cannot exist: its parent is a regular file.
        const QString impossible = f.path(QStringLiteral("a.DID/inner.DID"));
        QVERIFY(!SaveWorkspace(impossible));
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY(f.dialogs.shown[0].contains(QDir::toNativeSeparators(impossible)));
        QCOMPARE(App().WorkspacePath, path);
        QCOMPARE(App().LastWorkspacePath, path);

        // A disk that fills up during the write: the old file stays whole.
        f.manager()->panelOf(0)->moveTo(111, 222);
        App().MacroNames[0] = QString(90, QLatin1Char('x'));
        {
            k4test::FileSizeLimit limit(static_cast<rlim_t>(old.size()));
            QVERIFY(limit.active());
            QVERIFY(!SaveWorkspace(path));
        }
        QCOMPARE(f.dialogs.shown.size(), 2);
        QVERIFY(f.dialogs.shown[1].contains(QDir::toNativeSeparators(path)));
        QCOMPARE(ReadBytes(path), old);
        QCOMPARE(QDir(f.dir.path()).entryList({QStringLiteral("a.DID*")}, QDir::Files),
                 QStringList{QStringLiteral("a.DID")});

        // With room again the same save goes through.
        QVERIFY(SaveWorkspace(path));
        QCOMPARE(ReadWorkspaceFile(path).Devices[0].Left, 111);
        QCOMPARE(f.dialogs.shown.size(), 2);
    }

    void saveWithoutAWorkspaceWritesNothing() {
        WorkspaceFixture f;
        const QString path = f.path(QStringLiteral("none.DID"));
        QVERIFY(!SaveWorkspace(path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(App().LastWorkspacePath.isEmpty());
    }
};

QTEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
