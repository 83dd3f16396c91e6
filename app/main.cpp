// SPDX-License-Identifier: GPL-3.0-or-later
// K4mgr: the operator console for the KVT transcoders on one RS232 line.
#include "history/historysettings.h"
#include "link/linkpump.h"
#include "manager/kvteditor.h"
#include "panel/skinselector.h"
#include "service/serviceentry.h"
#include "shell/aboutbox.h"
#include "shell/historywiring.h"
#include "shell/linkwiring.h"
#include "shell/mainform.h"
#include "shell/rsset.h"
#include "state/appstate.h"
#include "state/titlebariconstyle.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char* argv[]) {
    // --help, --version and --service are answered before any window library is touched.
    if (const std::optional<int> code = k4::HandOffToService(argc, argv)) {
        return *code;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("K4mgr"));
    QApplication::setWindowIcon(k4::ProgramIconImage());
    k4::InstallProgramStyle();

    // Declared first so it goes last: the link is stopped before the pump that serves it.
    const std::unique_ptr<k4::LinkPump> pump = k4::WireLink();

    int result = 0;
    {
        // The forms, in their fixed order; the dialogs are made once and reused all run long.
        k4::TMainForm MainForm;
        // Goes before the windows; the link's last events reach it first (below).
        const auto history = k4::WireHistory(*MainForm.statusBar(), k4::DefaultHistoryPath());
        k4::TAboutBox AboutBox(&MainForm);
        MainForm.setAboutBox(&AboutBox);
        k4::KVTEditor();
        k4::RSSet();
        k4::SkinSelector();
        // A frame large enough for the manager and a few panels side by side; where it goes is
        // the window system's choice.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            MainForm.resize(screen->availableGeometry().size() * 4 / 5);
        }
        MainForm.show();
        result = QApplication::exec();
        k4::App().Link.StopLink();
        pump->deliverNow();  // the line's closing, for the history
    }
    return result;
}
