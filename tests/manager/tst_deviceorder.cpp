// SPDX-License-Identifier: GPL-3.0-or-later
// The order in which Delete and the building of a loaded workspace hand the device table to the
// link thread, recorded through the link's own start and stop and through the windows' events.
#include <QTreeWidgetItem>

#include "link/trs232flow.h"
#include "managerfixture.h"
#include "panel/mdichild.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <mutex>

using namespace k4;
using k4test::ManagerFixture;

namespace {

// What happened, in order, with the table as it stood then. The link reports from its thread
// while the GUI thread waits for it to start or to stop.
class EventLog final : public QObject, public LinkObserver {
public:
    explicit EventLog(const DeviceTable& table) : table_(table) { clock_.start(); }

    void record(const QString& what) {
        std::lock_guard lock(mutex_);
        events << QStringLiteral("%1 %2").arg(what).arg(table_.lastIndex());
        times << clock_.elapsed();
    }
    void linkThreadStarted() override { record(QStringLiteral("start")); }
    void linkThreadFinished() override { record(QStringLiteral("stop")); }

    qint64 timeOf(const QString& event) const { return times.at(events.indexOf(event)); }

    QStringList events;
    QList<qint64> times;
    int watchedSlot = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // A closing panel window: is its slot still published to the link?
        if (event->type() == QEvent::Close) {
            const bool inUse = table_[watchedSlot].inUse();
            record(QStringLiteral("close %1 %2")
                       .arg(watched->objectName(), inUse ? "in use" : "withdrawn"));
        }
        return false;
    }

private:
    const DeviceTable& table_;
    std::mutex mutex_;
    QElapsedTimer clock_;
};

}  // namespace

class TestDeviceOrder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Delete withdraws the device, waits 100 ms, closes its panel and closes the table's gap,
    // all between stopping the link and starting it again.
    void deleteChangesTheTableOnlyWhileTheLinkIsStopped() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        f.add(1, QStringLiteral("One"));
        f.add(2, QStringLiteral("Two"));
        f.add(3, QStringLiteral("Three"));
        EventLog log(m->table());
        // The link started below reports its stop to the log: stop it while the log still lives,
        // also when a check returns early.
        struct StopLinkFirst {
            ~StopLinkFirst() { App().Link.StopLink(); }
        } stopLinkFirst;
        // The observer goes to links started from now on: restart the manager's link with it.
        App().Link.setObserver(&log);
        App().Link.StartLink(&m->table(), App().RS232Port);
        log.events.clear();
        log.times.clear();
        QMdiSubWindow* frame = m->panelOf(1)->subWindow();
        frame->setObjectName(QStringLiteral("Two"));
        frame->installEventFilter(&log);
        log.watchedSlot = 1;

        m->TreeView1->setCurrentItem(m->nodeOf(1));
        m->Rename1Click();
        App().Link.setObserver(nullptr);
        const QString close = QStringLiteral("close Two withdrawn 2");
        QCOMPARE(log.events, (QStringList{"stop 2", close, "start 1"}));
        // A lower bound only: a busy machine makes the gap longer, never shorter.
        QVERIFY(log.timeOf(close) - log.timeOf(QStringLiteral("stop 2")) >= 100);
        QCOMPARE(int(m->table()[1].DevID.load()), 3);
    }

    // Each loaded slot is published to the link (LastIndex raised to it) only once its node and
    // its panel exist, and not before the slot ahead of it is.
    void buildRaisesLastIndexSlotBySlot() {
        ManagerFixture f;
        TMDIKVTMAN* m = f.open();
        DeviceTable& table = m->table();
        for (int i = 0; i < 3; ++i) {
            table[i].DevID.store(static_cast<std::uint8_t>(i + 1));
            table[i].DeviceName = QStringLiteral("D%1").arg(i);
            table[i].flags.store(kInUseFlag);
        }
        EventLog log(table);
        connect(m->TreeView1->model(), &QAbstractItemModel::rowsInserted, &log,
                [&log](const QModelIndex& parent) {
                    if (parent.isValid()) {
                        log.record(QStringLiteral("node"));
                    }
                });
        QWidget* area = f.frame.area.viewport();
        struct PanelWatch final : QObject {
            EventLog* log = nullptr;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::ChildAdded &&
                    qobject_cast<QMdiSubWindow*>(static_cast<QChildEvent*>(event)->child())) {
                    log->record(QStringLiteral("panel"));
                }
                return false;
            }
        } watch;
        watch.log = &log;
        area->installEventFilter(&watch);

        m->BuildDeviceViews();
        area->removeEventFilter(&watch);
        QCOMPARE(log.events,
                 (QStringList{"node -1", "panel -1", "node 0", "panel 0", "node 1", "panel 1"}));
        QCOMPARE(table.lastIndex(), 2);
    }
};

QTEST_MAIN(TestDeviceOrder)
#include "tst_deviceorder.moc"
