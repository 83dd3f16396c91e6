// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace k4 {

// The operating system's side of the service, all in one file (processcontrol_posix.cpp).

// Turns SIGTERM, SIGINT and SIGHUP into calls on the main thread: the handler only writes the
// signal's number into a pipe, and a socket notifier on the pipe's other end reads it in the
// event loop, where anything may be done. One per process.
class SignalPipe final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int signalNumber)>;
    explicit SignalPipe(Handler handler, QObject* parent = nullptr);
    ~SignalPipe() override;  // puts the default handlers back

    bool isInstalled() const { return notifier_ != nullptr; }
    static int terminateSignal();
    static int interruptSignal();
    static int hangUpSignal();

private:
    void drain();
    Handler handler_;
    QSocketNotifier* notifier_ = nullptr;
};

// The path of the running executable, empty when the system will not say.
QString OwnExecutablePath();

// Replaces this process with program, handing it args (after its own name). Returns only when
// that failed, with the system's reason.
QString ExecProgram(const QString& program, const QStringList& args);

}  // namespace k4
