// SPDX-License-Identifier: GPL-3.0-or-later
// history_bench: what the history costs and how fast its window reads a large file. Prints:
//  - the process's CPU share while the history records nothing (a line polling normally makes
//    no rows) and while 127 devices fail and come back every 2 s (~127 rows/s), the events fed
//    through the recorder as the GUI thread does;
//  - on a file of a million rows over 90 days: opening the window's table and reading its last
//    page, a device filter, the strips of a week, the file's size.
// Usage: history_bench [--idle-seconds N] [--storm-seconds N] [--rows N] [--window]
#include "cputime.h"
#include "history/historykeeper.h"
#include "history/historyreader.h"
#include "link/linkevent.h"
#include "monitor/historymodel.h"
#include "monitor/historywindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

using namespace k4;

namespace {

constexpr int kDevices = 127;

struct Options {
    int idleSeconds = 20;
    int stormSeconds = 600;
    qint64 rows = 1'000'000;
    bool window = false;
};

Options Parse(const QStringList& args) {
    Options o;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--idle-seconds") {
            o.idleSeconds = args[++i].toInt();
        } else if (args[i] == "--storm-seconds") {
            o.stormSeconds = args[++i].toInt();
        } else if (args[i] == "--rows") {
            o.rows = args[++i].toLongLong();
        }
    }
    o.window = args.contains("--window");
    return o;
}

// Feeds the keeper for seconds from the event loop, eventsPerSecond of them (devices failing
// and coming back in turn), and returns the process's CPU share in percent of one core.
double RecordingCost(const QString& path, int seconds, int eventsPerSecond) {
    HistoryKeeper keeper(path, {},
                         {[](std::uint8_t id) { return QStringLiteral("Dev %1").arg(id); },
                          [] { return QStringLiteral("/bench/line.kvt"); }});
    keeper.start();
    keeper.writer().flush();
    const double cpu0 = k4bench::ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer tick;
    qint64 sent = 0;
    std::vector<bool> failing(kDevices, false);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 due = wall.elapsed() * eventsPerSecond / 1000;
        for (; sent < due; ++sent) {
            const int device = static_cast<int>(sent % kDevices);
            LinkEvent e = StampedEvent(failing[device] ? LinkEvent::Kind::DeviceBack
                                                       : LinkEvent::Kind::DeviceFailing);
            e.address = static_cast<std::uint8_t>(device + 1);
            e.episode = static_cast<std::uint64_t>(sent / kDevices);
            e.failures = 25;
            e.sinceNs = e.atNs - 1'000'000'000;
            failing[device] = !failing[device];
            keeper.recorder().record(e);
        }
        if (wall.elapsed() >= seconds * 1000LL) {
            QCoreApplication::exit();
        }
    });
    if (eventsPerSecond == 0) {
        QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(); });
    } else {
        tick.start(50);
    }
    QCoreApplication::exec();
    keeper.writer().flush();
    const double cpu = k4bench::ProcessCpuSeconds() - cpu0;
    return 100.0 * cpu / (wall.elapsed() / 1000.0);
}

void Fill(const QString& path, qint64 rows) {
    HistoryWriter writer(path, {90, rows + 1});
    writer.start();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 span = 90LL * 86'400'000 - 60'000;
    HistoryRow opened;
    opened.utcMs = now - span - 1;
    opened.kind = HistoryKind::LineOpened;
    opened.text = QStringLiteral("COM1 (/dev/ttyS0): opened");
    writer.add(opened);
    for (qint64 i = 0; i < rows; ++i) {
        HistoryRow r;
        r.utcMs = now - span + span * i / rows;
        const int device = static_cast<int>(i % kDevices) + 1;
        r.device = device;
        r.deviceName = QStringLiteral("Encoder %1").arg(device);
        r.workspace = QStringLiteral("/srv/k4mgr/line-a.kvt");
        const bool back = (i / kDevices) % 2 == 1;
        r.kind = back ? HistoryKind::DeviceBack : HistoryKind::DeviceFailing;
        r.text = back ? QStringLiteral("answering again after 1.0 s, 25 failed exchanges")
                      : QStringLiteral("no reply (failure episode %1)").arg(i / kDevices / 2 + 1);
        writer.add(std::move(r));
        if (i % 50'000 == 49'999) {
            writer.flush();  // keeps the queue short
        }
    }
    writer.flush();
}

template <typename F>
double Ms(F&& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const Options o = Parse(app.arguments());
    QTemporaryDir dir;

    std::printf("history_bench: %d devices\n", kDevices);
    std::printf("recording, no events (a line polling normally), %d s: %.3f %% of a core\n",
                o.idleSeconds, RecordingCost(dir.filePath("idle.sqlite"), o.idleSeconds, 0));
    std::printf("recording, storm of ~%d rows/s, %d s: %.3f %% of a core (recorder + writer)\n",
                kDevices, o.stormSeconds,
                RecordingCost(dir.filePath("storm.sqlite"), o.stormSeconds, kDevices));

    const QString big = dir.filePath("big.sqlite");
    QElapsedTimer fill;
    fill.start();
    Fill(big, o.rows);
    std::printf("filled %lld rows over 90 days in %.1f s\n", static_cast<long long>(o.rows),
                fill.elapsed() / 1000.0);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    {
        HistoryReader reader(big);
        qint64 total = 0;
        const double open = Ms([&] {
            reader.open();
            HistoryFilter all;
            all.fromMs = 0;
            total = reader.count(all);
            reader.page(all, total - HistoryModel::kPageRows, HistoryModel::kPageRows, total);
        });
        std::printf("table: open, count %lld rows, read the last page: %.1f ms\n",
                    static_cast<long long>(total), open);
        const double device = Ms([&] {
            HistoryFilter f;
            f.device = 42;
            const qint64 n = reader.count(f);
            reader.page(f, n - HistoryModel::kPageRows, HistoryModel::kPageRows, n);
        });
        std::printf("device filter (count + last page): %.1f ms\n", device);
        std::size_t spans = 0;
        const double strips = Ms([&] {
            for (const auto& s : reader.strips(now - 7 * 86'400'000LL, now, {})) {
                spans += s.spans.size();
            }
        });
        std::printf("strips for a week (%zu spans): %.1f ms\n", spans, strips);
    }
    if (o.window) {
        const double window = Ms([&] {
            THistoryWindow w(big, nullptr, nullptr);
            w.show();
            QCoreApplication::processEvents();
        });
        std::printf(
            "History window (last day, its strips), built, shown and painted once: %.1f ms\n",
            window);
    }
    qint64 bytes = 0;
    for (const char* part : {"", "-wal", "-shm"}) {
        bytes += QFileInfo(big + QLatin1String(part)).size();
    }
    std::printf("file: %.1f MB\n", bytes / 1e6);
    return 0;
}
