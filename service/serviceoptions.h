// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace k4 {

// What a run of the program was asked for on its command line.
struct ServiceOptions {
    enum class Mode { Console, Service, Help, Version, Bad };
    Mode mode = Mode::Console;
    QString workspace;  // --workspace FILE; empty: the settings file's LastFile
    QString settings;   // --settings FILE; empty: the console's own settings file
    QString error;      // Bad: what is wrong, for the operator
};

// The process's exit codes, as --help lists them.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitBadArguments = 2;

// Reads the arguments after the program's name. No arguments is the console. The service's own
// executable reads the same arguments with or without --service (serviceOnly); the console's
// executable keeps every argument it does not know for Qt (-platform, -style), so only --service,
// --help and --version take it off the console's way.
ServiceOptions ParseServiceOptions(const QStringList& args, bool serviceOnly);
// True when the console's executable is to hand its arguments to the service.
bool WantsServiceMode(const QStringList& args);

QString ServiceHelpText(const QString& programName);
QString ServiceVersionText(const QString& programName);

}  // namespace k4
