// SPDX-License-Identifier: GPL-3.0-or-later
// console_bench: the console as an operator runs it (main window, manager, panels, and the link
// through the program's own wiring) on kvtsim, whose displays stand still (--still). Prints every
// figure as the median and the range (lowest-highest) of several runs. Offscreen unless
// QT_QPA_PLATFORM names another platform (it runs under xvfb-run too). Not a test.
// Usage: console_bench [--runs N] [--kvtsim PATH]
#include "benchfigures.h"
#include "core/devicetable.h"
#include "core/profilefile.h"
#include "core/settingsfile.h"
#include "cputime.h"
#include "kvtsimprocess.h"
#include "link/linkpump.h"
#include "link/trs232flow.h"
#include "linkthreadcpu.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "shell/aboutbox.h"
#include "shell/linkwiring.h"
#include "shell/mainform.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/titlebariconstyle.h"
#include "workspace/workspace.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using k4bench::FigureText;
using k4bench::Summarize;

constexpr int kMaxDevices = 127;

void Say(const std::string& line) {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Lets the program run (link deliveries, paints) for ms.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs) {
            return false;
        }
        RunFor(5);
    }
    return true;
}

// Message boxes would stop the run: they are printed instead.
class PrintedDialogs final : public k4::Dialogs {
public:
    void information(const QString& text) override { Say("message: " + text.toStdString()); }
    Answer question(const QString&, bool) override { return Answer::No; }
    int execModal(QDialog&) override { return 0; }
};

QByteArray RackText(int devices) {
    QByteArray text = "[Global]\r\nDevices=" + QByteArray::number(devices) +
                      "\r\nName=rack.DID\r\nManTop=0\r\nManLeft=0\r\nManWidth=178\r\n"
                      "ManHeight=383\r\nWindowState=0\r\nReadOnly=0\r\n";
    for (int i = 0; i < devices; ++i) {
        text += "[Dev" + QByteArray::number(i) + "]\r\nDeviceName=Unit " +
                QByteArray::number(i + 1) + "\r\nflags=1\r\nDevID=" + QByteArray::number(i + 1) +
                "\r\nLeft=" + QByteArray::number(190 + 4 * i) +
                "\r\nTop=" + QByteArray::number(3 * i) +
                "\r\nLCDColor=65280\r\nLCDBackColor=0\r\nSkin=\r\n";
    }
    return text;
}

long long KvtsimPolls(k4test::KvtsimProcess& line) {
    const QString stats = line.command(QStringLiteral("stats"));
    const qsizetype at = stats.indexOf(QStringLiteral("polls="));
    return at < 0 ? -1 : stats.mid(at + 6).section(QLatin1Char(' '), 0, 0).toLongLong();
}

int ObjectsUnder(const QObject& root) {
    return static_cast<int>(root.findChildren<QObject*>().size());
}

struct Cycle {
    double loadMs;
    double closeMs;
    // The GUI thread's own CPU time for each: what other programs on a busy machine cannot add.
    double loadCpuMs;
    double closeCpuMs;
};

// One load of the workspace at path, a moment of polling, and its close; each timed with the
// events it leaves behind (paints, deferred deletions) handled.
Cycle LoadAndClose(const QString& path) {
    Clock::time_point start = Clock::now();
    double cpu = k4bench::CurrentThreadCpuSeconds();
    k4::LoadWorkspace(path);
    QCoreApplication::sendPostedEvents();
    const double load = MsSince(start);
    const double loadCpu = (k4bench::CurrentThreadCpuSeconds() - cpu) * 1000.0;
    RunFor(300);
    start = Clock::now();
    cpu = k4bench::CurrentThreadCpuSeconds();
    k4::CloseWorkspace();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents();
    const double close = MsSince(start);
    const double closeCpu = (k4bench::CurrentThreadCpuSeconds() - cpu) * 1000.0;
    RunFor(50);
    return {load, close, loadCpu, closeCpu};
}

}  // namespace

// The offscreen platform warns on every window it shows; nothing else is held back.
static void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!text.contains(QLatin1String("propagateSizeHints"))) {
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }
}

int main(int argc, char* argv[]) {
    qInstallMessageHandler(QuietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    // As the program has it: its icon and its style.
    QApplication::setWindowIcon(k4::ProgramIconImage());
    k4::InstallProgramStyle();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The console on kvtsim: close, load, CPU and refresh figures.");
    parser.addHelpOption();
    parser.addOption({"runs", "Runs per figure (default 5, at least 5).", "n", "5"});
    parser.addOption({"kvtsim", "The kvtsim executable.", "path", K4_KVTSIM_DEFAULT});
    parser.addOption({"only", "Only these figures, comma separated: views, cpu, link, refresh.",
                      "list", "views,cpu,link,refresh"});
    parser.process(application);
    const int runs = std::max(5, parser.value("runs").toInt());
    const QStringList only = parser.value("only").split(QLatin1Char(','));

    k4test::KvtsimProcess line;
    QStringList ids;
    for (int id = 1; id <= kMaxDevices; ++id) {
        ids << QString::number(id);
    }
    const QString started = line.start(parser.value("kvtsim"),
                                       {"--ids", ids.join(','), "--still", "--chunk-bytes", "51"});
    if (!started.isEmpty()) {
        Say("console_bench: " + started.toStdString());
        return 1;
    }
    QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("KVT.INI"));
    std::map<int, QString> racks;
    for (int devices : {2, 32, 64, kMaxDevices}) {
        const QString path = folder.filePath(QStringLiteral("rack%1.DID").arg(devices));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(RackText(devices)) < 0) {
            Say("console_bench: cannot write " + path.toStdString());
            return 1;
        }
        racks[devices] = path;
    }
    if (!k4::ProfileFile::WriteString(settings, "KVT_PORTS", "COM1",
                                      line.linkPath().toLocal8Bit())) {
        Say("console_bench: cannot write " + settings.toStdString());
        return 1;
    }

    PrintedDialogs dialogs;
    k4::SetDialogs(&dialogs);
    k4bench::LinkThreadCpu linkCpu;
    k4::App().Link.setObserver(&linkCpu);
    auto pump = k4::WireLink();
    auto form = std::make_unique<k4::TMainForm>(folder.path());
    form->resize(1280, 1000);
    form->show();
    if (!RunUntil([] { return k4::App().StartupDone; }, 10000)) {
        Say("console_bench: the main window never started up");
        return 1;
    }
    Say("console_bench: " + std::to_string(runs) + " runs a figure, platform " +
        QGuiApplication::platformName().toStdString() + ", " + std::to_string(kMaxDevices) +
        " devices on kvtsim (displays standing still)");

    // Close and load, for growing workspaces: what grows faster than the panel count shows here.
    for (int devices : {32, 64, kMaxDevices}) {
        if (!only.contains(QStringLiteral("views"))) {
            break;
        }
        std::vector<double> loads;
        std::vector<double> closes;
        std::vector<double> loadCpus;
        std::vector<double> closeCpus;
        for (int run = 0; run < runs; ++run) {
            const Cycle cycle = LoadAndClose(racks[devices]);
            loads.push_back(cycle.loadMs);
            closes.push_back(cycle.closeMs);
            loadCpus.push_back(cycle.loadCpuMs);
            closeCpus.push_back(cycle.closeCpuMs);
        }
        Say("close of a " + std::to_string(devices) +
            "-panel workspace: " + FigureText(Summarize(closes), "ms") + ", GUI thread CPU " +
            FigureText(Summarize(closeCpus), "ms"));
        Say("load of a " + std::to_string(devices) +
            "-panel workspace with its views: " + FigureText(Summarize(loads), "ms") +
            ", GUI thread CPU " + FigureText(Summarize(loadCpus), "ms"));
    }
    // An operator opening one workspace after another: does anything pile up?
    const int objectsBefore = ObjectsUnder(*form);
    if (only.contains(QStringLiteral("views"))) {
        for (int cycle = 0; cycle < 10; ++cycle) {
            LoadAndClose(racks[kMaxDevices]);
        }
        std::vector<double> laterCloses;
        for (int run = 0; run < runs; ++run) {
            laterCloses.push_back(LoadAndClose(racks[kMaxDevices]).closeMs);
        }
        Say("close of a 127-panel workspace after " + std::to_string(10 + 3 * runs) +
            " earlier cycles: " + FigureText(Summarize(laterCloses), "ms") +
            "; objects under the main window " + std::to_string(objectsBefore) + " -> " +
            std::to_string(ObjectsUnder(*form)));
    }

    // Two devices polled, both panels visible, displays not changing.
    if (only.contains(QStringLiteral("cpu"))) {
        k4::LoadWorkspace(racks[2]);
        RunFor(1500);
        std::vector<double> shares;
        for (int run = 0; run < runs; ++run) {
            const double cpu = k4bench::ProcessCpuSeconds();
            const Clock::time_point start = Clock::now();
            RunFor(3000);
            shares.push_back(100.0 * (k4bench::ProcessCpuSeconds() - cpu) / (MsSince(start) / 1e3));
        }
        Say("whole process, 2 devices polled, both panels visible, displays not changing: " +
            FigureText(Summarize(shares), "% of a core", 2));
        k4::CloseWorkspace();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The link thread with 127 devices, the console attached (each run one link's whole life).
    if (only.contains(QStringLiteral("link"))) {
        std::vector<double> shares;
        for (int run = 0; run < runs; ++run) {
            k4::LoadWorkspace(racks[kMaxDevices]);
            RunFor(4000);
            k4::CloseWorkspace();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            shares.push_back(linkCpu.percent());
        }
        Say("link thread, 127 devices, console attached: " +
            FigureText(Summarize(shares), "% of a core", 2));
    }

    // How often the display of the panel in use is refreshed, 127 devices.
    if (only.contains(QStringLiteral("refresh"))) {
        k4::LoadWorkspace(racks[kMaxDevices]);
        const int slot = 63;
        k4::TMDIChild* panel = k4::App().Manager->panelOf(slot);
        form->mdiArea()->setActiveSubWindow(panel->subWindow());
        RunFor(500);
        const k4::DeviceRecord& record = k4::App().Manager->table()[slot];
        std::vector<double> roundMs;
        for (int run = 0; run < runs; ++run) {
            const long long polls = KvtsimPolls(line);
            const Clock::time_point start = Clock::now();
            RunFor(4000);
            const double ms = MsSince(start);
            roundMs.push_back(ms * kMaxDevices / static_cast<double>(KvtsimPolls(line) - polls));
        }
        Say("refresh of the active panel's display, 127 devices, follow off (one round): every " +
            FigureText(Summarize(roundMs), "ms", 0));
        auto* follow = form->findChild<QAction*>(QStringLiteral("FollowActive"));
        if (follow == nullptr) {
            Say("refresh with \"Follow active panel\" on: no such item in this build");
        } else {
            follow->trigger();
            RunFor(500);
            std::vector<double> everyMs;
            std::vector<double> othersMs;
            for (int run = 0; run < runs; ++run) {
                const long long polls = KvtsimPolls(line);
                const std::uint64_t replies = record.Health.counts().replies;
                const Clock::time_point start = Clock::now();
                RunFor(4000);
                const double ms = MsSince(start);
                const auto active = static_cast<double>(record.Health.counts().replies - replies);
                everyMs.push_back(ms / active);
                othersMs.push_back(ms * kMaxDevices /
                                   (static_cast<double>(KvtsimPolls(line) - polls) - active));
            }
            const k4bench::Figure every = Summarize(everyMs);
            Say("refresh of the active panel's display, 127 devices, follow on: every " +
                FigureText(every, "ms", 0) + ", " + std::to_string(1000.0 / every.median) +
                " a second; the other devices' round: " + FigureText(Summarize(othersMs), "ms", 0));
            follow->trigger();
        }
        k4::CloseWorkspace();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    k4::App().Link.StopLink();
    form.reset();
    pump.reset();
    k4::App().Link.setObserver(nullptr);
    k4::SetDialogs(nullptr);
    line.stop();
    return 0;
}
