// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historyreader.h"

#include "history/historyfile.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>

namespace k4 {

namespace {

constexpr char kColumns[] =
    "SELECT e.id, e.utc_ms, e.kind, e.device, e.device_name, w.path, e.text FROM events e "
    "LEFT JOIN workspaces w ON w.id = e.workspace";

// What the strips need of a row: time, kind, device (the names come from devices()).
constexpr char kStripColumns[] = "SELECT e.utc_ms, e.kind, e.device FROM events e";

QString NewConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("k4history-reader-%1").arg(++next);
}

QString LikePattern(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

bool Exec(QSqlQuery& q, const QString& sql, const QVariantList& values) {
    if (!q.prepare(sql)) {
        return false;
    }
    for (const QVariant& v : values) {
        q.addBindValue(v);
    }
    return q.exec();
}

}  // namespace

std::pair<QString, QVariantList> FilterClause(const HistoryFilter& f) {
    QStringList parts;
    QVariantList values;
    if (f.device != kNoDevice) {
        parts << QStringLiteral("e.device = ?");
        values << f.device;
    }
    if (f.group != HistoryGroup::All) {
        const KindRange r = GroupKinds(f.group);
        parts << QStringLiteral("e.kind BETWEEN ? AND ?");
        values << r.first << r.last;
    }
    if (f.fromMs > 0) {
        parts << QStringLiteral("e.utc_ms >= ?");
        values << f.fromMs;
    }
    if (f.toMs != std::numeric_limits<qint64>::max()) {
        parts << QStringLiteral("e.utc_ms < ?");
        values << f.toMs;
    }
    if (!f.contains.isEmpty()) {
        parts << QStringLiteral("(e.text LIKE ? ESCAPE '\\' OR e.device_name LIKE ? ESCAPE '\\')");
        values << LikePattern(f.contains) << LikePattern(f.contains);
    }
    if (parts.isEmpty()) {
        return {};
    }
    return {QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND ")), values};
}

HistoryReader::HistoryReader(const QString& path) : connection_(NewConnectionName()) {
    AddHistoryConnection(connection_, path, true);
}

HistoryReader::~HistoryReader() {
    QSqlDatabase::database(connection_, false).close();
    QSqlDatabase::removeDatabase(connection_);
}

bool HistoryReader::open() {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!QFileInfo::exists(db.databaseName())) {
        error_ = QStringLiteral("there is no history file yet");
        return open_ = false;
    }
    open_ = db.isOpen() || db.open();
    error_ = open_ ? QString() : db.lastError().text();
    return open_;
}

std::vector<HistoryRow> HistoryReader::selectStates(const QString& sql,
                                                    const QVariantList& values) {
    std::vector<HistoryRow> rows;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    // Plain integers: a week of a busy line is tens of thousands of rows.
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionInt64);
    if (!Exec(q, sql, values)) {
        error_ = q.lastError().text();
        return rows;
    }
    while (q.next()) {
        HistoryRow row;
        row.utcMs = q.value(0).toLongLong();
        row.kind = static_cast<HistoryKind>(q.value(1).toInt());
        row.device = q.value(2).isNull() ? kNoDevice : q.value(2).toInt();
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<HistoryRow> HistoryReader::select(const QString& sql, const QVariantList& values) {
    std::vector<HistoryRow> rows;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    if (!Exec(q, sql, values)) {
        error_ = q.lastError().text();
        return rows;
    }
    while (q.next()) {
        HistoryRow row;
        row.id = q.value(0).toLongLong();
        row.utcMs = q.value(1).toLongLong();
        row.kind = static_cast<HistoryKind>(q.value(2).toInt());
        row.device = q.value(3).isNull() ? kNoDevice : q.value(3).toInt();
        row.deviceName = q.value(4).toString();
        row.workspace = q.value(5).toString();
        row.text = q.value(6).toString();
        rows.push_back(std::move(row));
    }
    return rows;
}

qint64 HistoryReader::count(const HistoryFilter& filter) {
    const auto [where, values] = FilterClause(filter);
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!Exec(q, QStringLiteral("SELECT count(*) FROM events e") + where, values) || !q.next()) {
        error_ = q.lastError().text();
        return 0;
    }
    return q.value(0).toLongLong();
}

std::vector<HistoryRow> HistoryReader::page(const HistoryFilter& filter, qint64 first, int n,
                                            qint64 total) {
    first = std::max<qint64>(first, 0);
    n = static_cast<int>(std::clamp<qint64>(total - first, 0, n));
    if (n == 0) {
        return {};
    }
    auto [where, values] = FilterClause(filter);
    // An offset is skipped row by row: read from the nearer end.
    const bool fromEnd = first > total / 2;
    const qint64 offset = fromEnd ? total - first - n : first;
    values << n << offset;
    const QString order = fromEnd ? QStringLiteral(" ORDER BY e.utc_ms DESC, e.id DESC")
                                  : QStringLiteral(" ORDER BY e.utc_ms, e.id");
    std::vector<HistoryRow> rows =
        select(QString::fromLatin1(kColumns) + where + order + QStringLiteral(" LIMIT ? OFFSET ?"),
               values);
    if (fromEnd) {
        std::reverse(rows.begin(), rows.end());
    }
    return rows;
}

qint64 HistoryReader::firstTimeMs() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    return q.exec(QStringLiteral("SELECT min(utc_ms) FROM events")) && q.next()
               ? q.value(0).toLongLong()
               : 0;
}

std::vector<std::pair<int, QString>> HistoryReader::devices() {
    std::vector<std::pair<int, QString>> found;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    QSqlQuery name(QSqlDatabase::database(connection_, false));
    int after = -1;
    // One step through the device index per device, not a scan of every row.
    while (Exec(q, QStringLiteral("SELECT min(device) FROM events WHERE device > ?"), {after}) &&
           q.next() && !q.value(0).isNull()) {
        after = q.value(0).toInt();
        q.finish();
        QString latest;
        if (Exec(name,
                 QStringLiteral("SELECT device_name FROM events WHERE device = ? AND "
                                "device_name IS NOT NULL ORDER BY utc_ms DESC LIMIT 1"),
                 {after}) &&
            name.next()) {
            latest = name.value(0).toString();
        }
        name.finish();
        found.emplace_back(after, latest);
    }
    return found;
}

std::vector<DeviceStrip> HistoryReader::strips(qint64 fromMs, qint64 toMs,
                                               const std::vector<int>& extra) {
    const KindRange line = GroupKinds(HistoryGroup::Line);
    const KindRange devs = GroupKinds(HistoryGroup::Devices);
    // The state at fromMs: the last line row before it, and each device's last failure and
    // attention rows before it.
    static_assert(static_cast<int>(HistoryKind::LineClosed) <= 19);
    std::vector<HistoryRow> rows =
        selectStates(QStringLiteral("%1 INDEXED BY events_line WHERE e.kind <= 19 AND e.utc_ms < ? "
                                    "ORDER BY e.utc_ms DESC LIMIT 1")
                         .arg(QLatin1String(kStripColumns)),
                     {fromMs});
    std::vector<int> ids = extra;
    const auto named = devices();
    for (const auto& [id, name] : named) {
        ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // Each device's last row of each failure and attention kind before fromMs; BuildStrips
    // takes them in time order, so the later of a pair decides.
    const KindRange kinds = {static_cast<int>(HistoryKind::DeviceFailing),
                             static_cast<int>(HistoryKind::AttentionCleared)};
    for (const int id : ids) {
        for (int kind = kinds.first; kind <= kinds.last; ++kind) {
            auto before =
                selectStates(QString::fromLatin1(kStripColumns) +
                                 QStringLiteral(" WHERE e.device = ? AND e.kind = ? AND "
                                                "e.utc_ms < ? ORDER BY e.utc_ms DESC LIMIT 1"),
                             {id, kind, fromMs});
            rows.insert(rows.end(), before.begin(), before.end());
        }
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const HistoryRow& a, const HistoryRow& b) { return a.utcMs < b.utcMs; });
    const auto within =
        selectStates(QString::fromLatin1(kStripColumns) +
                         QStringLiteral(" WHERE e.utc_ms >= ? AND e.utc_ms < ? AND "
                                        "e.kind BETWEEN ? AND ? ORDER BY e.utc_ms, e.id"),
                     {fromMs, toMs, line.first, devs.last});
    rows.insert(rows.end(), within.begin(), within.end());
    // Devices the file names outside the range get a strip too (all of it not polled, or
    // whatever the rows before it say).
    std::vector<DeviceStrip> strips = BuildStrips(rows, fromMs, toMs, ids);
    for (DeviceStrip& strip : strips) {
        const auto it = std::find_if(named.begin(), named.end(),
                                     [&](const auto& n) { return n.first == strip.device; });
        if (it != named.end()) {
            strip.name = it->second;
        }
    }
    return strips;
}

}  // namespace k4
