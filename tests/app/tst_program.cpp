// SPDX-License-Identifier: GPL-3.0-or-later
// The program as shipped: its own main, with the link's wiring and the forms made in their order,
// run offscreen against kvtsim. Its folder holds a settings file that maps port 1 to kvtsim's
// line and names rack.DID (devices 1 and 2 on the line, 3 that never answers) as the last file.
// A watcher inside the program's event loop waits for a panel to fill, a tree picture to change
// and a clicked key to reach kvtsim, then ends the program with Exit; any step that does not come
// ends it with a failure.
#define main K4mgrMain
#include "main.cpp"
#undef main

#include "core/profilefile.h"
#include "displaytext.h"
#include "filebytes.h"
#include "kvtsimprocess.h"
#include "manager/devicetree.h"
#include "manager/kvtmanager.h"
#include "panel/mdichild.h"
#include "core/settingsfile.h"
#include "workspacetext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Only so that nothing waits for ever; no result depends on it.
constexpr qint64 kPatienceMs = 30000;

struct Step {
    const char* what;
    std::function<bool()> done;  // polled until it holds
};

struct Watch {
    k4test::KvtsimProcess line;
    std::vector<Step> steps;
    std::size_t next = 0;
    QElapsedTimer sinceStep;
    QString failure;
};

Watch& TheWatch() {
    static Watch watch;
    return watch;
}

k4::TMainForm* MainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* form = qobject_cast<k4::TMainForm*>(widget); form && form->isVisible()) {
            return form;
        }
    }
    return nullptr;
}

void Fail(const QString& why) {
    TheWatch().failure = why;
    QCoreApplication::exit(1);
}

void Tick() {
    Watch& w = TheWatch();
    if (w.next == w.steps.size() || !w.failure.isEmpty()) {
        return;
    }
    if (w.steps[w.next].done()) {
        std::printf("PASS   %s\n", w.steps[w.next].what);
        ++w.next;
        w.sinceStep.restart();
    } else if (w.sinceStep.elapsed() > kPatienceMs) {
        Fail(QStringLiteral("never came: ") + QString::fromLatin1(w.steps[w.next].what));
    }
}

bool KeyReachedLine(int address) {
    return !TheWatch().line.keysTo(address).isEmpty();
}

// Posted while the program's application object is made, so it runs first in the event loop,
// before the main window's start-up step reads the settings file.
void Prepare() {
    Watch& w = TheWatch();
    if (k4::App().StartupDone) {
        Fail(QStringLiteral("the start-up step ran before the program's files were written"));
        return;
    }
    const QString error = w.line.start(k4test::KvtsimProcess::executable(),
                                       {"--ids", "1,2", "--name", "1=Alpha", "--name", "2=Beta"});
    if (!error.isEmpty()) {
        std::fprintf(stderr, "FAIL   %s\n", qPrintable(error));
        std::exit(1);
    }
    const QDir folder(QStringLiteral(K4_PROGRAM_FOLDER));
    const QString settings = folder.filePath(QStringLiteral("KVT.INI"));
    const QString rack = folder.filePath(QStringLiteral("rack.DID"));
    QFile::remove(settings);
    if (!k4test::WriteBytes(
            rack, k4test::WorkspaceText("rack.DID", {{1, "Alpha"}, {2, "Beta"}, {3, "Gone"}})) ||
        !k4::ProfileFile::WriteString(settings, "KVT_PORTS", "COM1",
                                      w.line.linkPath().toLocal8Bit()) ||
        !k4::WriteLastFile(settings, rack)) {
        std::fprintf(stderr, "FAIL   cannot write the program's files in %s\n", K4_PROGRAM_FOLDER);
        std::exit(1);
    }

    const auto manager = [] { return k4::App().Manager; };
    w.steps = {
        {"the main window starts with the last workspace",
         [&] { return MainWindow() != nullptr && manager() != nullptr && k4::App().StartupDone; }},
        {"the panel of device 1 shows its display",
         [&] {
             const k4::TMDIChild* panel = manager()->panelOf(0);
             return panel && k4test::DisplayText(panel->LCDBuffer).contains("Alpha");
         }},
        {"the tree picture of device 3 turns to the error picture",
         [&] { return k4::DeviceTreeWidget::imageOf(manager()->nodeOf(2)) == k4::kIconCommError; }},
        {"a key clicked on panel 1 reaches kvtsim",
         [&] {
             k4::TMDIChild* panel = manager()->panelOf(0);
             if (!KeyReachedLine(1)) {
                 panel->Buttons[0]->click();
                 return KeyReachedLine(1);
             }
             return true;
         }},
        {"Exit ends the program",
         [&] {
             MainWindow()->findChild<QAction*>(QStringLiteral("FileExitItem"))->trigger();
             return true;
         }},
    };
    w.sinceStep.start();
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, &Tick);
    timer->start();
}

void PrepareLater() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &Prepare, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(PrepareLater)

int main(int argc, char* argv[]) {
    const int result = K4mgrMain(argc, argv);
    Watch& w = TheWatch();
    w.line.stop();
    if (!w.failure.isEmpty()) {
        std::fprintf(stderr, "FAIL   %s\n", qPrintable(w.failure));
        return 1;
    }
    if (w.next != w.steps.size() || result != 0) {
        std::fprintf(stderr, "FAIL   the program ended early (exit code %d)\n", result);
        return 1;
    }
    return 0;
}
