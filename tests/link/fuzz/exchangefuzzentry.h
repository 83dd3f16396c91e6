// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace k4fuzz {

// Runs a short session of exchanges on a small device table against a line whose replies (their
// bytes, lengths, the pieces they arrive in and the pauses between them) all come from input, and
// checks after each exchange what must hold whatever the line sends: cells only to a panel and
// only from a whole display reply, latches changed only as a reply of that
// kind allows, the rest of the table untouched. A broken rule aborts with a message. Shared by the
// libFuzzer target and the corpus replay test.
void CheckExchangeInput(const QByteArray& input);

// How many exchanges of the last call read a whole display reply.
struct SessionCounts {
    int displayReplies = 0;
};
SessionCounts LastSessionCounts();

}  // namespace k4fuzz
