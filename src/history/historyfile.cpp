// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historyfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace k4 {

namespace {

// SQLite's primary result codes, as Qt hands them over in QSqlError::nativeErrorCode().
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADb = 26;

HistoryOpen Failed(const QSqlQuery& q) {
    return FaultOf(q.lastError().nativeErrorCode(), q.lastError().text());
}

bool Run(QSqlQuery& q, const QString& sql) {
    return q.exec(sql);
}

}  // namespace

QSqlDatabase AddHistoryConnection(const QString& name, const QString& path, bool readOnly) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kHistoryBusyTimeoutMs);
    if (readOnly) {
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db.setConnectOptions(options);
    return db;
}

HistoryOpen FaultOf(const QString& nativeCode, const QString& text) {
    // Extended codes carry the primary code in their low byte.
    const int code = nativeCode.toInt() & 0xFF;
    switch (code) {
        case kSqliteBusy:
        case kSqliteLocked:
            return {HistoryFault::Locked, QStringLiteral("the file is locked by another console")};
        case kSqliteReadOnly:
        case kSqliteCantOpen:
            return {HistoryFault::FolderNotWritable,
                    QStringLiteral("the file or its folder cannot be written")};
        case kSqliteCorrupt:
        case kSqliteNotADb:
            return {HistoryFault::Corrupt, QStringLiteral("the file is damaged")};
        case kSqliteFull:
            return {HistoryFault::DiskFull, QStringLiteral("the disk is full")};
        default:
            return {HistoryFault::Other, text};
    }
}

HistoryOpen PrepareHistoryFile(QSqlDatabase& db) {
    const QFileInfo file(db.databaseName());
    if (!file.absoluteDir().exists() || !QFileInfo(file.absolutePath()).isWritable()) {
        return {HistoryFault::FolderNotWritable,
                QStringLiteral("the folder %1 cannot be written").arg(file.absolutePath())};
    }
    if (!db.open()) {
        return FaultOf(db.lastError().nativeErrorCode(), db.lastError().text());
    }
    QSqlQuery q(db);
    // The first read of the header tells a file that is no database.
    if (!Run(q, QStringLiteral("PRAGMA quick_check")) || !q.next()) {
        return Failed(q);
    }
    if (q.value(0).toString() != QStringLiteral("ok")) {
        return {HistoryFault::Corrupt, QStringLiteral("the file is damaged")};
    }
    q.finish();
    // WAL lets the window read while the writer writes, and a crash leaves the file whole.
    if (!Run(q, QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next()) {
        return Failed(q);
    }
    q.finish();
    if (!Run(q, QStringLiteral("PRAGMA synchronous=NORMAL"))) {
        return Failed(q);
    }
    const char* schema[] = {
        "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS workspaces(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE)",
        ("CREATE TABLE IF NOT EXISTS events(id INTEGER PRIMARY KEY, utc_ms INTEGER NOT NULL, "
         "kind INTEGER NOT NULL, device INTEGER, device_name TEXT, workspace INTEGER, text TEXT)"),
        // By time; kind and device ride along so the strips read a range from the index alone.
        "CREATE INDEX IF NOT EXISTS events_time ON events(utc_ms, kind, device)",
        "CREATE INDEX IF NOT EXISTS events_device ON events(device, utc_ms)",
        // The line's rows are few among many device rows: the strips find the last one before a
        // time without walking back through the devices' rows. (The readers' queries repeat the
        // condition word for word, as SQLite needs to pick a partial index.)
        // A device's last row of one kind before a time: its state where the strips begin.
        "CREATE INDEX IF NOT EXISTS events_device_kind ON events(device, kind, utc_ms)",
        "CREATE INDEX IF NOT EXISTS events_line ON events(utc_ms) WHERE kind <= 19",
    };
    if (!db.transaction()) {
        return FaultOf(db.lastError().nativeErrorCode(), db.lastError().text());
    }
    for (const char* sql : schema) {
        if (!Run(q, QString::fromLatin1(sql))) {
            db.rollback();
            return Failed(q);
        }
    }
    if (!Run(q, QStringLiteral("SELECT value FROM meta WHERE key='schema'"))) {
        db.rollback();
        return Failed(q);
    }
    if (q.next()) {
        if (q.value(0).toInt() > kHistorySchemaVersion) {
            db.rollback();
            return {HistoryFault::NewerSchema,
                    QStringLiteral("the file was written by a newer version")};
        }
    } else {
        q.finish();
        q.prepare(QStringLiteral("INSERT INTO meta(key, value) VALUES('schema', ?)"));
        q.addBindValue(QString::number(kHistorySchemaVersion));
        if (!q.exec()) {
            db.rollback();
            return Failed(q);
        }
    }
    q.finish();
    if (!db.commit()) {
        return FaultOf(db.lastError().nativeErrorCode(), db.lastError().text());
    }
    return {};
}

QString CorruptFileName(const QString& path, const QDateTime& whenUtc) {
    const QFileInfo info(path);
    const QString stamp = whenUtc.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() +
           QStringLiteral(".corrupt-") + stamp + suffix;
}

bool MoveCorruptFileAside(const QString& path) {
    const QString target = CorruptFileName(path, QDateTime::currentDateTimeUtc());
    if (!QFile::rename(path, target)) {
        return false;
    }
    // The companions belong to the damaged file; a new file must not pick them up.
    for (const char* part : {"-wal", "-shm"}) {
        const QString companion = path + QLatin1String(part);
        if (QFile::exists(companion)) {
            QFile::rename(companion, target + QLatin1String(part));
        }
    }
    return true;
}

}  // namespace k4
