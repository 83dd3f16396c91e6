// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel/skinfiles.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace k4 {

bool IsBareSkinName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    // A colon would name a drive or a stream on the platform these files come from.
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') ||
            c == QChar(0)) {
            return false;
        }
    }
    return true;
}

QString SkinPath(const QString& skinsDir, const QString& name) {
    return IsBareSkinName(name) ? skinsDir + name : QString();
}

QString FindSkinFile(const QString& skinsDir, const QString& name) {
    const QString path = SkinPath(skinsDir, name);
    if (path.isEmpty()) {
        return {};
    }
    if (QFileInfo(path).isFile()) {
        return path;
    }
    const QDir dir(skinsDir);
    if (skinsDir.isEmpty() || !dir.exists()) {
        return {};
    }
    QStringList matches;
    const QStringList files = dir.entryList(QDir::Files, QDir::NoSort);
    for (const QString& file : files) {
        if (file.compare(name, Qt::CaseInsensitive) == 0) {
            matches << file;
        }
    }
    if (matches.isEmpty()) {
        return {};
    }
    std::sort(matches.begin(), matches.end());
    return skinsDir + matches.first();
}

bool SkinFileExists(const QString& skinsDir, const QString& name) {
    return !FindSkinFile(skinsDir, name).isEmpty();
}

QStringList ListSkinFiles(const QString& skinsDir) {
    const QDir dir(skinsDir);
    if (skinsDir.isEmpty() || !dir.exists()) {
        return {};
    }
    QStringList names;
    const QStringList files = dir.entryList(QDir::Files, QDir::NoSort);
    for (const QString& file : files) {
        if (file.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive) && IsBareSkinName(file)) {
            names << file;
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int byCase = a.compare(b, Qt::CaseInsensitive);
        return byCase != 0 ? byCase < 0 : a < b;
    });
    return names;
}

}  // namespace k4
