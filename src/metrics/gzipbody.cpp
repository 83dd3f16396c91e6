// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/gzipbody.h"

#include <zlib.h>

namespace k4 {

QByteArray GzipBody(const QByteArray& body) {
    z_stream stream{};
    constexpr int kGzipWindow = 15 + 16;  // the largest window, with a gzip header and trailer
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return {};
    }
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(body.size()))),
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.constData()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    const auto written = static_cast<qsizetype>(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return {};
    }
    out.truncate(written);
    return out;
}

}  // namespace k4
