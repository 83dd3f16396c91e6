// libFuzzer target: any bytes as a profile file and as a workspace file.
#include "profilefuzzentry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    k4fuzz::CheckProfileInput(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
