// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rows of a corpus replay test: one per file of a fuzz corpus, each replayed through the fuzz
// target's own checks, so that what a fuzzer once found stays fixed in every ordinary test run.
#include <QDir>
#include <QFile>
#include <QtTest>

#include <optional>

namespace k4test {

// Adds a "file" column and a row per file of dir; fails when fewer than atLeast are there (a
// corpus that went missing would otherwise pass unseen).
inline void AddCorpusRows(const QString& dir, int atLeast) {
    QTest::addColumn<QString>("file");
    const QDir corpus(dir);
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    QVERIFY2(names.size() >= atLeast, qPrintable(QStringLiteral("corpus missing: ") + dir));
    for (const QString& name : names) {
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }
}

inline std::optional<QByteArray> ReadCorpusFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
}

}  // namespace k4test
