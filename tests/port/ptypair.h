// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A pseudo-terminal for tests of the serial port code: the program opens the terminal side by
// path, the test plays the device on the controlling side. The POSIX-only code lives in
// ptypair.cpp alone.
#include <QByteArray>
#include <QString>

namespace k4test {

struct LineSettings {
    unsigned speed = 0;  // bits per second, as set on the terminal side
    int dataBits = 0;
    bool parity = false;
    bool twoStopBits = false;
    bool hardwareFlow = false;
    bool softwareFlow = false;
};

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    // The path the program opens.
    QString path() const { return path_; }

    // Device side: sends bytes to the program.
    void send(const QByteArray& bytes);
    // Device side: what the program sent within timeoutMs (stops early once expect bytes came).
    QByteArray receive(int expect, int timeoutMs);
    // Device side: sends bytes and returns once the program has read every one of them, so a
    // test knows the program's read has begun. False when that did not happen within timeoutMs.
    bool sendAndWaitTaken(const QByteArray& bytes, int timeoutMs);

    // The settings the program left on the line.
    LineSettings settings() const;

private:
    int master_ = -1;
    int slave_ = -1;  // kept open so the terminal outlives the program's open and close
    QString path_;
};

}  // namespace k4test
