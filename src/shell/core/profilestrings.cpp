#include "profilestrings.h"

#include <QStringDecoder>

namespace k4 {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

}  // namespace

QString DecodeProfileString(const QByteArray& value, int maxBytes) {
    if (maxBytes <= 0) {
        return {};
    }
    // A stateful decoder holds back an incomplete character at the end of its input instead of
    // turning it into a replacement character.
    QStringDecoder decoder(QStringDecoder::System);
    return decoder.decode(value.left(maxBytes));
}

QByteArray EncodeProfileString(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\0') {
            bytes.truncate(i);
            break;
        }
    }
    if (bytes.isEmpty()) {
        return bytes;
    }
    const bool outerBlank = isBlank(bytes.front()) || isBlank(bytes.back());
    const bool outerQuotes =
        bytes.size() >= 2 && isQuote(bytes.front()) && bytes.back() == bytes.front();
    if (outerBlank || outerQuotes) {
        return '"' + bytes + '"';
    }
    return bytes;
}

}  // namespace k4
