// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

class QSqlDatabase;

namespace k4 {

inline constexpr int kHistorySchemaVersion = 1;
// How long a connection waits for another console's write before it gives up.
inline constexpr int kHistoryBusyTimeoutMs = 2000;

// Why a history file cannot be used; None when it can.
enum class HistoryFault { None, FolderNotWritable, Corrupt, Locked, DiskFull, NewerSchema, Other };

struct HistoryOpen {
    HistoryFault fault = HistoryFault::None;
    QString reason;  // for the status bar, when fault is not None
};

// Adds a SQLite connection named name for path (not opened). The caller's thread owns it.
QSqlDatabase AddHistoryConnection(const QString& name, const QString& path, bool readOnly);

// Opens db (made by AddHistoryConnection, read-write) and makes it ready to write: WAL, the busy
// timeout, the tables and indexes, the schema version. A file that is no database or fails its
// quick check is reported Corrupt; the caller moves it aside and tries again.
HistoryOpen PrepareHistoryFile(QSqlDatabase& db);

// Maps a failed statement's SQLite error to a fault and a text.
HistoryOpen FaultOf(const QString& nativeCode, const QString& text);

// "history.sqlite" -> "history.corrupt-20261210-031200.sqlite", in the same folder.
QString CorruptFileName(const QString& path, const QDateTime& whenUtc);
// Renames path (and its -wal and -shm companions) to CorruptFileName(path, now). False when the
// rename failed.
bool MoveCorruptFileAside(const QString& path);

}  // namespace k4
