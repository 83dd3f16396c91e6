// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a profile file, read and written key by key.
#include "profilefuzzentry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k4fuzz::CheckProfileText(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
