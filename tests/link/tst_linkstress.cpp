// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI thread works the device table the way the manager does (Add, Delete with the link
// stopped and started again, ID edits, key clicks) while the link polls kvtsim and a LinkPump
// applies the link's effects on the GUI thread. Built to be run under ThreadSanitizer.
#include "kvtsimprocess.h"
#include "link/linkcontroller.h"
#include "link/linkupdatequeue.h"
#include "port/qtserialio.h"
#include "link/linkpump.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>

#include <random>
#include <set>

using namespace k4;
using namespace k4test;
using namespace std::chrono_literals;

namespace {

// The windows' side: counts what arrives and checks it arrives on the GUI thread, for views
// that exist or existed (effects in flight for a deleted device may still land, and go nowhere).
class GuiViews final : public ExchangeEffects {
public:
    std::set<std::uint64_t> issued;
    std::set<PanelHandle> livePanels;
    int cells = 0;
    int cellsForLivePanels = 0;
    int images = 0;
    int beeps = 0;
    int wrongThread = 0;
    int unknownHandles = 0;

    void writeCells(PanelHandle panel, const DisplayCells&, std::uint8_t) override {
        check(panel);
        ++cells;
        cellsForLivePanels += livePanels.count(panel) ? 1 : 0;
    }
    void showCommError(PanelHandle panel) override { check(panel); }
    void repaintPanel(PanelHandle panel) override { check(panel); }
    void showPanel(PanelHandle panel) override { check(panel); }
    void setNodeImage(NodeHandle node, int) override {
        check(node);
        ++images;
    }
    void repaintTree() override { check(kNoHandle); }
    void beep() override {
        check(kNoHandle);
        ++beeps;
    }

private:
    void check(std::uint64_t handle) {
        wrongThread += QThread::currentThread() == QCoreApplication::instance()->thread() ? 0 : 1;
        unknownHandles += handle == kNoHandle || issued.count(handle) ? 0 : 1;
    }
};

}  // namespace

class TestLinkStress : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void guiChurnWhileLinkPolls();
};

void TestLinkStress::guiChurnWhileLinkPolls() {
    KvtsimProcess sim;
    const QString error = sim.start({"--ids", "1,2,3,4,5,6", "--turnaround-us", "300"});
    QVERIFY2(error.isEmpty(), qPrintable(error));

    DeviceTable table;
    GuiViews views;
    LinkUpdateQueue updates;
    LinkPump pump(updates, views);
    LinkController link;
    const QString path = sim.linkPath();
    link.setPortFactory([path](int) { return std::make_unique<QtSerialIo>(path); });
    link.setEffects(&updates);
    QStringList messages;
    link.setMessageSink([&messages](const QString& text) { messages << text; });
    link.StartLink(&table, 1);

    std::mt19937 random(20240611);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    int adds = 0;
    int deletes = 0;
    int keys = 0;
    int edits = 0;
    for (int step = 0; step < 400; ++step) {
        const int op = pick(10);
        const int last = table.lastIndex();
        if ((op < 3 || last < 0) && !table.isFull() && last < 9) {
            // Add: reserve the slot, fill it, let the views come up, set the in-use flag last.
            const NodeHandle node = NewViewHandle();
            const PanelHandle panel = NewViewHandle();
            views.issued.insert(node);
            views.issued.insert(panel);
            const int slot = table.append(node, panel);
            views.livePanels.insert(panel);
            table[slot].DevID.store(static_cast<std::uint8_t>(1 + pick(8)));  // 7 and 8: silent
            QCoreApplication::processEvents();
            table.markInUse(slot);
            ++adds;
        } else if (op < 5 && last >= 0) {
            // Delete: the table changes only between StopLink and StartLink.
            const int slot = pick(last + 1);
            link.StopLink();
            views.livePanels.erase(table[slot].Panel.load());
            table.remove(slot);
            link.StartLink(&table, 1);
            // The line settles 50 ms after its open before it carries a frame; churning on at
            // once would end every restarted link before it sent anything.
            QTest::qWait(60);
            ++deletes;
        } else if (op < 9 && last >= 0) {
            const int slot = pick(last + 1);
            keys +=
                link.QueueCommand(table[slot].DevID.load(), static_cast<std::uint8_t>(1 + pick(16)))
                    ? 1
                    : 0;
        } else if (last >= 0) {
            // The editor changes an ID while the link runs: one byte store.
            table[pick(last + 1)].DevID.store(static_cast<std::uint8_t>(1 + pick(8)));
            ++edits;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(pick(4000)));
    }
    // Let the link run on the final table for a while, then wind down as the program does.
    QTest::qWait(200);
    link.StopLink();
    pump.deliverNow();
    QCOMPARE(updates.pending(), std::size_t{0});

    qInfo("adds %d deletes %d keys %d edits %d; cells %d images %d beeps %d", adds, deletes, keys,
          edits, views.cells, views.images, views.beeps);
    QCOMPARE(messages, QStringList());
    QCOMPARE(views.wrongThread, 0);
    QCOMPARE(views.unknownHandles, 0);
    QVERIFY(adds > 0 && deletes > 0 && keys > 0);
    QVERIFY(views.cellsForLivePanels > 0);
    const QString stats = sim.command("stats");
    QVERIFY2(stats.contains(" bad=0 "), qPrintable(stats));
    QVERIFY2(!stats.contains(" keys=0"), qPrintable(stats));
}

QTEST_GUILESS_MAIN(TestLinkStress)
#include "tst_linkstress.moc"
