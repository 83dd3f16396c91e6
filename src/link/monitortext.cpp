// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/monitortext.h"

#include "link/frame.h"

#include <QDateTime>

namespace k4 {

namespace {

constexpr std::uint8_t kKeyT = 126;
constexpr std::uint8_t kKeyS = 127;
constexpr int kRowCells = 24;

QString LineText(const CapturedEntry& entry) {
    QString what;
    switch (entry.line) {
        case LineCondition::Open:
            what = entry.reopened ? QStringLiteral("Port reopened") : QStringLiteral("Port opened");
            break;
        case LineCondition::Lost:
            what = QStringLiteral("Port lost");
            break;
        case LineCondition::CannotOpen:
            what = QStringLiteral("Port cannot be opened");
            break;
        case LineCondition::Closed:
            what = QStringLiteral("Port closed");
            break;
    }
    if (!entry.device.empty()) {
        what += QLatin1Char(' ') + QString::fromStdString(entry.device);
    }
    return what;
}

QString ReplyKindText(const CapturedEntry& entry) {
    switch (entry.kind) {
        case CaptureKind::Display:
            return QStringLiteral("Display reply");
        case CaptureKind::TwoByte:
            return QStringLiteral("Two-byte reply");
        case CaptureKind::NoReply:
            return QStringLiteral("No reply");
        case CaptureKind::Bad:
            return QStringLiteral("Bad reply (%1 bytes)").arg(entry.replyLength);
        case CaptureKind::NotSent:
            return QStringLiteral("Not sent");
        case CaptureKind::Line:
            break;
    }
    return {};
}

QString WallTimeText(const CapturedEntry& entry, const QString& format) {
    return QDateTime::fromMSecsSinceEpoch(entry.wallUs / 1000).toString(format);
}

}  // namespace

QStringList MonitorHeaders() {
    return {QStringLiteral("Time"),    QStringLiteral("ID"),      QStringLiteral("Device"),
            QStringLiteral("Sent"),    QStringLiteral("Request"), QStringLiteral("Reply"),
            QStringLiteral("Display"), QStringLiteral("Attn"),    QStringLiteral("Reply ms")};
}

QString SentText(std::uint8_t key, bool probe) {
    if (key == kPollKey) {
        return probe ? QStringLiteral("Scan poll") : QStringLiteral("Poll");
    }
    QString name;
    if (key >= 1 && key <= 16) {
        name = QString::number(key);
    } else if (key == kKeyT) {
        name = QStringLiteral("T");
    } else if (key == kKeyS) {
        name = QStringLiteral("S");
    } else {
        name = QStringLiteral("?");
    }
    return QStringLiteral("Key %1 (%2)").arg(name).arg(key);
}

QString HexBytes(const std::uint8_t* bytes, std::size_t n) {
    QString text;
    text.reserve(static_cast<qsizetype>(n * 3));
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) {
            text += QLatin1Char(' ');
        }
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QString ReplyBytesText(const CapturedEntry& entry) {
    return HexBytes(entry.reply.data(), entry.replyLength);
}

QString DisplayRowText(const CapturedEntry& entry, int row) {
    if (entry.kind != CaptureKind::Display || row < 0 || row > 1) {
        return {};
    }
    QString text(kRowCells, QLatin1Char(' '));
    for (int c = 0; c < kRowCells; ++c) {
        const auto code = static_cast<char16_t>(entry.reply[1 + row * kRowCells + c] & 0x7F);
        text[c] = code >= 0x20 && code < 0x7F ? QChar(code) : QLatin1Char('.');
    }
    return text;
}

QString MonitorCellText(const CapturedEntry& entry, MonitorColumn column) {
    const bool line = entry.kind == CaptureKind::Line;
    switch (column) {
        case MonitorColumn::Time:
            return WallTimeText(entry, QStringLiteral("hh:mm:ss.zzz"));
        case MonitorColumn::Id:
            return line ? QString() : QString::number(entry.address());
        case MonitorColumn::Device:
            return line ? QString() : entry.deviceName;
        case MonitorColumn::Sent:
            return line ? LineText(entry) : SentText(entry.key(), entry.probe);
        case MonitorColumn::Request:
            return line ? QString() : HexBytes(entry.request.data(), entry.request.size());
        case MonitorColumn::Reply:
            return ReplyKindText(entry);
        case MonitorColumn::Display:
            return entry.kind == CaptureKind::Display
                       ? DisplayRowText(entry, 0) + QStringLiteral(" | ") + DisplayRowText(entry, 1)
                       : QString();
        case MonitorColumn::Attention:
            return entry.kind == CaptureKind::Display && (entry.reply[1] & kAttentionBit) != 0
                       ? QStringLiteral("yes")
                       : QString();
        case MonitorColumn::Latency:
            return entry.latencyUs < 0 ? QString()
                                       : QString::number(entry.latencyUs / 1000.0, 'f', 1);
        case MonitorColumn::Count:
            break;
    }
    return {};
}

bool IsFailure(const CapturedEntry& entry) {
    switch (entry.kind) {
        case CaptureKind::NoReply:
        case CaptureKind::Bad:
        case CaptureKind::NotSent:
            return true;
        case CaptureKind::Line:
            return entry.line == LineCondition::Lost || entry.line == LineCondition::CannotOpen;
        case CaptureKind::Display:
        case CaptureKind::TwoByte:
            break;
    }
    return false;
}

bool Passes(const CapturedEntry& entry, const MonitorFilter& filter) {
    if (filter.failuresOnly && !IsFailure(entry)) {
        return false;
    }
    return filter.device < 0 || entry.kind == CaptureKind::Line || entry.address() == filter.device;
}

QString CsvHeader() {
    QStringList fields = MonitorHeaders();
    fields.insert(static_cast<qsizetype>(MonitorColumn::Reply) + 1, QStringLiteral("Reply bytes"));
    return fields.join(QLatin1Char(','));
}

QString CsvRow(const CapturedEntry& entry) {
    QStringList fields;
    for (int c = 0; c < static_cast<int>(MonitorColumn::Count); ++c) {
        const auto column = static_cast<MonitorColumn>(c);
        // The view shows the time of day; a saved file is read on other days.
        fields << CsvCell(column == MonitorColumn::Time
                              ? WallTimeText(entry, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                              : MonitorCellText(entry, column));
        if (column == MonitorColumn::Reply) {
            fields << CsvCell(ReplyBytesText(entry));
        }
    }
    return fields.join(QLatin1Char(','));
}

QString CsvCell(const QString& text) {
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    const bool formula = !text.isEmpty() && kFormulaStarts.contains(text.front());
    const bool quoted = formula || text.contains(QLatin1Char(',')) ||
                        text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n')) ||
                        text.contains(QLatin1Char('\r'));
    if (!quoted) {
        return text;
    }
    QString cell = text;
    cell.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + (formula ? QStringLiteral("'") : QString()) + cell + QLatin1Char('"');
}

}  // namespace k4
