// SPDX-License-Identifier: GPL-3.0-or-later
// monitor_bench [--seconds N] [--rate R]
// What the line monitor costs. Link side: the CPU time one captured exchange adds to the link
// thread, and what that makes at R exchanges a second. GUI side: a feeder thread records
// exchanges of 127 devices at R a second, as a busy line brings them, and the GUI thread's CPU
// use is measured for N seconds without the monitor and N seconds with it open and scrolling.
#include "cputime.h"
#include "link/linecapture.h"
#include "monitor/linemonitor.h"
#include "monitor/monitormodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QTimer>

#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

using namespace k4;
using k4bench::CurrentThreadCpuSeconds;

namespace {

std::array<std::uint8_t, 51> DisplayReply(std::uint32_t n) {
    std::array<std::uint8_t, 51> reply{};
    reply.fill(' ');
    const QByteArray top = QStringLiteral("ID=%1 Device").arg(n % 127).toLatin1();
    std::copy(top.begin(), top.end(), reply.begin() + 1);
    const QByteArray bottom = QStringLiteral("Value %1").arg(n).toLatin1();
    std::copy(bottom.begin(), bottom.end(), reply.begin() + 25);
    return reply;
}

// Records exchanges of devices 0..126 round robin at rate a second until stopped.
class Feeder {
public:
    Feeder(LineCapture& capture, double rate) : capture_(capture), rate_(rate) {
        thread_ = std::thread([this] { run(); });
    }
    ~Feeder() {
        stop_ = true;
        thread_.join();
    }

private:
    void run() {
        const auto period = std::chrono::duration<double>(1.0 / rate_);
        auto next = std::chrono::steady_clock::now();
        for (std::uint32_t n = 0; !stop_; ++n) {
            const auto reply = DisplayReply(n);
            const auto address = static_cast<std::uint8_t>(n % 127);
            const auto now = LineCapture::SteadyClock::now();
            // One in 50 fails, so some rows are red.
            capture_.recordExchange({0xFD, address, 0, 0}, reply.data(), n % 50 == 0 ? 0 : 51,
                                    now - std::chrono::milliseconds(18), now);
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
            std::this_thread::sleep_until(next);
        }
    }

    LineCapture& capture_;
    double rate_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Runs the event loop for seconds; returns the GUI thread's CPU share of one core in percent.
double GuiShare(double seconds) {
    const double cpu0 = CurrentThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(static_cast<int>(seconds * 1000), qApp, &QCoreApplication::quit);
    QApplication::exec();
    return 100.0 * (CurrentThreadCpuSeconds() - cpu0) / (wall.nsecsElapsed() * 1e-9);
}

double LinkCostNs() {
    LineCapture capture;
    const auto reply = DisplayReply(1);
    constexpr int kRecords = 400000;
    const double cpu0 = CurrentThreadCpuSeconds();
    for (int i = 0; i < kRecords; ++i) {
        const auto now = LineCapture::SteadyClock::now();
        capture.recordExchange({0xFD, static_cast<std::uint8_t>(i % 127), 0, 0}, reply.data(), 51,
                               now, now);
    }
    return (CurrentThreadCpuSeconds() - cpu0) * 1e9 / kRecords;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    double seconds = 10;
    double rate = 35;  // a 28800-baud line: a tick of 10 ms and about 19 ms on the wire
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds") {
            seconds = args[i + 1].toDouble();
        } else if (args[i] == "--rate") {
            rate = args[i + 1].toDouble();
        }
    }
    const double costNs = LinkCostNs();
    std::printf("link: %.0f ns of CPU per captured exchange\n", costNs);
    std::printf("link: +%.4f %% of a core at %.0f exchanges/s\n", costNs * rate * 1e-7, rate);

    LineCapture capture;
    QMdiArea area;
    area.resize(1000, 500);
    area.show();
    Feeder feeder(capture, rate);
    const double without = GuiShare(seconds);
    QAction item(QStringLiteral("Line Monitor"));
    TLineMonitor* monitor = TLineMonitor::Create(area, capture, &item);
    monitor->subWindow()->resize(980, 480);
    const double with = GuiShare(seconds);
    std::printf(
        "gui: %.2f %% of a core without the monitor, %.2f %% with it open and scrolling "
        "(+%.2f %%), %d rows, %.0f exchanges/s, 127 devices\n",
        without, with, with - without, monitor->model().rowCount(), rate);
    return 0;
}
