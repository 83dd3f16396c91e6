// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/serviceentry.h"

#include "core/programfiles.h"
#include "core/settingsfile.h"
#include "service/processcontrol.h"
#include "service/servicerunner.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace k4 {

namespace {

void WriteLine(std::FILE* to, const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    if (!bytes.endsWith('\n')) {
        bytes.append('\n');
    }
    // One write per line, so lines never interleave.
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    std::fflush(to);
}

QString ProgramFolderForSettings() {
    const QByteArray given = qgetenv(kProgramFolderVariable);
    return ProgramFolder(given.isEmpty() ? QCoreApplication::applicationDirPath()
                                         : QFile::decodeName(given));
}

}  // namespace

int RunServiceProcess(const ServiceOptions& options) {
    const QString name = QStringLiteral("K4mgr");
    switch (options.mode) {
        case ServiceOptions::Mode::Help:
            WriteLine(stdout, ServiceHelpText(name));
            return kExitOk;
        case ServiceOptions::Mode::Version:
            WriteLine(stdout, ServiceVersionText(name));
            return kExitOk;
        case ServiceOptions::Mode::Bad:
            WriteLine(stderr, name + QStringLiteral(": ") + options.error +
                                  QStringLiteral(" (see --help)"));
            return kExitBadArguments;
        case ServiceOptions::Mode::Console:
        case ServiceOptions::Mode::Service:
            break;
    }

    ServiceRunner runner([](const QString& line) { WriteLine(stderr, line); });
    ServiceRunner::Config config;
    config.settingsPath =
        options.settings.isEmpty() ? SettingsPathFor(ProgramFolderForSettings()) : options.settings;
    config.workspacePath = options.workspace;

    // Signals that come while the files are read wait in the pipe for the event loop.
    SignalPipe signalPipe([&runner](int signalNumber) {
        if (signalNumber == SignalPipe::hangUpSignal()) {
            runner.reload();
            return;
        }
        runner.stop();
        QCoreApplication::exit(kExitOk);
    });
    if (!signalPipe.isInstalled()) {
        WriteLine(stderr, name + QStringLiteral(": the signal handlers could not be installed"));
        return kExitFailure;
    }
    const QString error = runner.start(config);
    if (!error.isEmpty()) {
        WriteLine(stderr, name + QStringLiteral(": ") + error);
        return kExitFailure;
    }
    const int code = QCoreApplication::exec();
    runner.stop();
    return code;
}

QString ServiceExecutableFor(const QString& programPath) {
    const QString folder = QFileInfo(programPath).absolutePath();
    const QString beside = folder + QLatin1Char('/') + QLatin1String(kServiceExecutableName);
    if (QFileInfo(beside).isExecutable()) {
        return beside;
    }
    const QString installed = folder + QLatin1Char('/') + QStringLiteral(K4_SERVICE_FROM_BIN);
    if (QFileInfo(installed).isExecutable()) {
        return QFileInfo(installed).absoluteFilePath();
    }
    return {};
}

std::optional<int> HandOffToService(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    if (!WantsServiceMode(args)) {
        return std::nullopt;
    }
    const ServiceOptions options = ParseServiceOptions(args, false);
    if (options.mode != ServiceOptions::Mode::Service) {
        return RunServiceProcess(options);
    }
    const QString self = OwnExecutablePath();
    const QString service = ServiceExecutableFor(self);
    if (service.isEmpty()) {
        WriteLine(stderr, QStringLiteral("K4mgr: the service program %1 is not installed")
                              .arg(QLatin1String(kServiceExecutableName)));
        return kExitFailure;
    }
    qputenv(kProgramFolderVariable, QFile::encodeName(QFileInfo(self).absolutePath()));
    const QString why = ExecProgram(service, args);
    WriteLine(stderr, QStringLiteral("K4mgr: %1 could not be started: %2").arg(service, why));
    return kExitFailure;
}

}  // namespace k4
