// SPDX-License-Identifier: GPL-3.0-or-later
#include "linepacer.h"

#include <algorithm>

namespace kvtsim {

void LinePacer::Enqueue(const std::vector<std::uint8_t>& bytes, Nanos earliestStart) {
    if (bytes.empty()) {
        return;
    }
    const Nanos start = std::max(earliestStart, lineFreeAt_);
    for (std::size_t first = 0; first < bytes.size(); first += chunkBytes_) {
        const std::size_t end = std::min(bytes.size(), first + chunkBytes_);
        Chunk chunk;
        chunk.releaseAt = start + static_cast<Nanos>(end) * kByteTimeNs;
        chunk.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(first),
                           bytes.begin() + static_cast<std::ptrdiff_t>(end));
        chunks_.push_back(std::move(chunk));
    }
    lineFreeAt_ = start + static_cast<Nanos>(bytes.size()) * kByteTimeNs;
}

std::vector<std::uint8_t> LinePacer::TakeDue(Nanos now) {
    std::vector<std::uint8_t> due;
    while (!chunks_.empty() && chunks_.front().releaseAt <= now) {
        const Chunk& chunk = chunks_.front();
        due.insert(due.end(), chunk.bytes.begin(), chunk.bytes.end());
        const Nanos late = now - chunk.releaseAt;
        ++pacing_.writes;
        pacing_.lateSum += late;
        pacing_.lateMax = std::max(pacing_.lateMax, late);
        pacing_.lateOverMs += late > 1'000'000 ? 1 : 0;
        chunks_.pop_front();
    }
    return due;
}

}  // namespace kvtsim
