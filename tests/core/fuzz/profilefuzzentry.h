#pragma once

#include <QByteArray>

namespace k4fuzz {

// Feeds one input through the profile-file reader and writer and the workspace reader and
// writer, checking what must hold for any input; a broken rule aborts with a message. Shared by
// the libFuzzer target and the corpus replay test.
void CheckProfileInput(const QByteArray& input);

}  // namespace k4fuzz
