// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/profilestrings.h"

#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <optional>

namespace k4 {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

// Windows-1252 where it differs from Latin-1. The five bytes it leaves undefined map to the C1
// controls of the same number, as Windows' own conversion does, so every byte reads and writes
// back unchanged.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

std::optional<char> toCp1252(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return static_cast<char>(u);
    }
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == u) {
            return static_cast<char>(0x80 + i);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> toCp1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> b = toCp1252(text[i]);
        if (!b) {
            return std::nullopt;
        }
        bytes[i] = *b;
    }
    return bytes;
}

// An incomplete character at the very end counts as an error too.
bool isUtf8(const QByteArray& bytes) {
    return bytes.isValidUtf8();
}

bool isAscii(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// text in Windows-1252 where it reads back as the same text; empty where it does not: a character
// outside the code page, or bytes that the reader takes as UTF-8 and so as other characters
// ("Gruß…" ends in DF 85, valid UTF-8). Plain ASCII reads the same either way.
QByteArray eightBitForm(const QString& text) {
    const std::optional<QByteArray> bytes = toCp1252(text);
    if (!bytes || (!isAscii(*bytes) && isUtf8(*bytes))) {
        return {};
    }
    return *bytes;
}

}  // namespace

ProfileTextForm ProfileTextFormOf(const QByteArray& bytes) {
    return isUtf8(bytes) ? ProfileTextForm::Utf8 : ProfileTextForm::EightBit;
}

QString DecodeProfileString(const QByteArray& value, int maxBytes) {
    if (maxBytes <= 0) {
        return {};
    }
    const QByteArray bytes = value.left(maxBytes);
    if (isAscii(bytes)) {
        return QString::fromLatin1(bytes);  // the same text in every form the reader takes
    }
    if (!isUtf8(value)) {
        return fromCp1252(bytes);
    }
    // A stateful decoder holds back an incomplete character at the end of its input instead of
    // turning it into a replacement character.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    return text;
}

QByteArray EncodeProfileString(const QString& text, ProfileTextForm form) {
    QByteArray bytes = form == ProfileTextForm::EightBit ? eightBitForm(text) : QByteArray();
    if (bytes.isEmpty()) {
        bytes = text.toUtf8();
    }
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
