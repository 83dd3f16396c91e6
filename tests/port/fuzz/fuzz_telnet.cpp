// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as what a terminal server sends on a network line.
#include "telnetfuzzentry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k4fuzz::CheckTelnetInput(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
