#include "core/profilestrings.h"

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
    const QByteArray bytes = value.left(maxBytes);
    QStringDecoder decoder(QStringDecoder::System);
    const QString text = decoder.decode(bytes);
    if (!decoder.hasError()) {
        return text;
    }
    // Not text of this system's code page: most likely a name written on Windows in its 8-bit
    // code page. Latin-1 keeps every letter readable, where replacement characters would be saved
    // back and lose the name for good.
    return QString::fromLatin1(bytes);
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
