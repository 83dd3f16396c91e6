// SPDX-License-Identifier: GPL-3.0-or-later
// Adds, edits and deletes devices while the link polls a line of emulated devices (kvtsim) and
// keys are sent from the panels: the table, the tree and the panels stay in step, and the node
// pictures end up telling answering devices from silent ones.
#include "filebytes.h"
#include "kvtsimprocess.h"
#include "port/portpath.h"
#include "manager/devicetree.h"
#include "managerfixture.h"
#include "panel/mdichild.h"
#include "link/linkpump.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

using namespace k4;
using k4test::AnswerEditor;
using k4test::ManagerFixture;

namespace {

// The line answers for these IDs; the others stay silent.
const QList<int> kAnswering = {1, 2, 3, 4, 5};
constexpr int kHighestUsedId = 8;

}  // namespace

class TestManagerStress : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    k4test::KvtsimProcess sim_;
    QString settingsPath_;

    QList<int> usedIds(TMDIKVTMAN* m) const {
        QList<int> ids;
        for (int i = 0; i <= m->table().lastIndex(); ++i) {
            ids << m->table()[i].DevID.load();
        }
        return ids;
    }
    int freeId(TMDIKVTMAN* m, QRandomGenerator& random) const {
        const QList<int> used = usedIds(m);
        QList<int> free;
        for (int id = 1; id <= kHighestUsedId; ++id) {
            if (!used.contains(id)) {
                free << id;
            }
        }
        return free.isEmpty() ? -1 : free[random.bounded(int(free.size()))];
    }

    void checkConsistent(ManagerFixture& f) {
        TMDIKVTMAN* m = f.manager;
        DeviceTable& table = m->table();
        const int count = table.lastIndex() + 1;
        QCOMPARE(App().RootNode->childCount(), count);
        QSet<int> ids;
        for (int i = 0; i < count; ++i) {
            const DeviceRecord& r = table[i];
            QVERIFY(r.inUse());
            QCOMPARE(App().RootNode->child(i), m->nodeOf(i));
            const QString label = DeviceLabel(r.DevID.load(), r.DeviceName);
            QCOMPARE(m->nodeOf(i)->text(0), label);
            QVERIFY(m->panelOf(i) != nullptr);
            QCOMPARE(m->panelOf(i)->caption(), label);
            QCOMPARE(int(m->panelOf(i)->DevAddress), int(r.DevID.load()));
            ids.insert(r.DevID.load());
        }
        QCOMPARE(ids.size(), count);
        QVERIFY(table[count].isEmpty());
    }

private Q_SLOTS:
    void initTestCase() {
        const QString failure = sim_.start({QStringLiteral("--ids"), QStringLiteral("1,2,3,4,5")});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(dir_.isValid());
        settingsPath_ = dir_.filePath(QStringLiteral("KVT.INI"));
        QVERIFY(k4test::WriteBytes(
            settingsPath_, "[KVT_PORTS]\r\nCOM1=" + sim_.linkPath().toLocal8Bit() + "\r\n"));
    }

    void cleanupTestCase() { sim_.stop(); }

    void addEditDeleteWhileTheLinkPolls() {
        ManagerFixture f;
        App().RS232Port = 1;
        App().Link.setPortFactory(DefaultPortFactory(settingsPath_));
        App().Link.setEffects(&App().Updates);
        LinkPump pump(App().Updates, App().Views);
        TMDIKVTMAN* m = f.open();
        QVERIFY(f.linkMessages.isEmpty());  // the line opened

        QRandomGenerator random(20240607);
        for (int round = 0; round < 60; ++round) {
            const int count = m->table().lastIndex() + 1;
            const int choice = random.bounded(10);
            if (count == 0 || (choice < 5 && count < 6)) {
                // Offer ID 1 first: while it is taken, the editor refuses it.
                f.dialogs.drivers.push_back(
                    AnswerEditor({QStringLiteral("1"), QString::number(freeId(m, random))},
                                 QStringLiteral("Dev %1").arg(round)));
                m->AddNewKVT1Click();
            } else if (choice < 8) {
                const int s = random.bounded(count);
                const int id = freeId(m, random);
                m->TreeView1->setCurrentItem(m->nodeOf(s));
                f.dialogs.drivers.push_back(
                    AnswerEditor({QString::number(id < 0 ? m->table()[s].DevID.load() : id)},
                                 QStringLiteral("Edited %1").arg(round)));
                m->Delete1Click();
            } else {
                m->TreeView1->setCurrentItem(m->nodeOf(random.bounded(count)));
                m->Rename1Click();
            }
            QVERIFY(f.dialogs.drivers.empty());
            if (m->table().lastIndex() >= 0) {
                m->panelOf(random.bounded(m->table().lastIndex() + 1))->SendKey(kKeyT);
            }
            QTest::qWait(random.bounded(5, 40));
            checkConsistent(f);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        QVERIFY(App().Link.isRunning());

        // At least one answering and one silent device, whatever the rounds left.
        for (const QList<int>& kind : {kAnswering, QList<int>{6, 7, 8}}) {
            const QList<int> used = usedIds(m);
            if (std::none_of(kind.begin(), kind.end(), [&](int id) { return used.contains(id); })) {
                f.add(kind.front(), QStringLiteral("Kind"));
            }
        }
        checkConsistent(f);

        // Given time, every node shows whether its device answers.
        DeviceTable& table = m->table();
        for (int i = 0; i <= table.lastIndex(); ++i) {
            const bool answers = kAnswering.contains(table[i].DevID.load());
            const int image = answers ? kIconNormal : kIconCommError;
            QTRY_COMPARE_WITH_TIMEOUT(DeviceTreeWidget::imageOf(m->nodeOf(i)), image, 15000);
            QCOMPARE(DeviceTreeWidget::selectedImageOf(m->nodeOf(i)), image);
            QTRY_COMPARE_WITH_TIMEOUT(int(table[i].CommError.load()), answers ? 0 : 1, 15000);
        }

        m->closeManager();
        App().Manager = nullptr;
        f.manager = nullptr;
        QVERIFY(!App().Link.isRunning());
        App().Link.setEffects(nullptr);
        pump.deliverNow();  // what was still queued lands nowhere
    }
};

QTEST_MAIN(TestManagerStress)
#include "tst_managerstress.moc"
