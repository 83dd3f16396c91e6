// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "service/serviceoptions.h"

#include <optional>

namespace k4 {

// The service's process, once its QCoreApplication exists: runs until SIGTERM or SIGINT and
// returns the exit code.
int RunServiceProcess(const ServiceOptions& options);

// For the console's executable, before any QApplication is made: --help and --version print and
// give the exit code, --service replaces the process with the service's executable (it must not
// load the window libraries the console links), a bad argument gives 2. nullopt: the console runs.
std::optional<int> HandOffToService(int argc, char** argv);

// The service's executable for the console's executable at programPath: beside it in a build
// tree, else where the installed layout puts it. Empty when neither is there.
QString ServiceExecutableFor(const QString& programPath);

// The environment variable through which the service learns the console's folder, whose settings
// file it reads when no --settings is given.
inline constexpr char kProgramFolderVariable[] = "K4MGR_PROGRAM_FOLDER";
inline constexpr char kServiceExecutableName[] = "k4mgr-service";

}  // namespace k4
