// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricsexporter.h"

#include "core/devicehealth.h"
#include "link/linkeventhub.h"
#include "metrics/exposition.h"
#include "metrics/textfilewriter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QTimer>

namespace k4 {

QString ExportProblems(const ExportStatus& status) {
    QStringList problems;
    for (const QString& p : {status.serveError, status.textfileError}) {
        if (!p.isEmpty()) {
            problems << QStringLiteral("metrics: ") + p;
        }
    }
    return problems.join(QStringLiteral("; "));
}

QString ExportStateText(const ExportStatus& status, std::int64_t nowUtcMs) {
    QStringList lines;
    if (status.serving) {
        QString line = QStringLiteral("Serving http://%1/metrics").arg(status.address);
        if (status.lastScrapeUtcMs > 0) {
            const QDateTime at = QDateTime::fromMSecsSinceEpoch(status.lastScrapeUtcMs);
            line += QStringLiteral("; last scrape at %1 (%2 ago)")
                        .arg(at.toString(QStringLiteral("HH:mm:ss")),
                             ElapsedText((nowUtcMs - status.lastScrapeUtcMs) * 1'000'000));
        } else {
            line += QStringLiteral("; not scraped yet");
        }
        lines << line;
    } else if (!status.serveError.isEmpty()) {
        lines << QStringLiteral("Not serving: ") + status.serveError;
    } else {
        lines << QStringLiteral("Not serving (no address set)");
    }
    if (!status.textfileError.isEmpty()) {
        lines << QStringLiteral("Text file: ") + status.textfileError;
    } else if (!status.folder.isEmpty()) {
        lines << QStringLiteral("Text file written every 15 s into %1")
                     .arg(QDir::toNativeSeparators(status.folder));
    }
    return lines.join(QLatin1Char('\n'));
}

MetricsExporter::MetricsExporter(MetricsSources sources, QObject* parent)
    : QObject(parent),
      sources_(std::move(sources)),
      server_(new MetricsServer([this] { return QByteArray::fromStdString(exposition()); }, this)),
      textfileTimer_(new QTimer(this)),
      line_(sources_.line) {
    if (sources_.version.empty()) {
        sources_.version = K4_PROGRAM_VERSION;
    }
    connect(server_, &MetricsServer::scraped, this,
            [this] { status_.lastScrapeUtcMs = QDateTime::currentMSecsSinceEpoch(); });
    textfileTimer_->setInterval(kTextfileIntervalMs);
    connect(textfileTimer_, &QTimer::timeout, this, &MetricsExporter::writeTextfile);
    if (sources_.events != nullptr) {
        subscription_ = sources_.events->subscribe([this](const LinkEvent& e) { noteEvent(e); });
    }
}

MetricsExporter::~MetricsExporter() {
    if (sources_.events != nullptr) {
        sources_.events->unsubscribe(subscription_);
    }
}

void MetricsExporter::noteEvent(const LinkEvent& event) {
    if (!event.isLineEvent()) {
        return;
    }
    line_ = event.line;
    if (event.kind == LinkEvent::Kind::LineLost) {
        ++lineLosses_;
    }
}

std::string MetricsExporter::exposition() const {
    MetricsInput in;
    in.table = sources_.table ? sources_.table() : nullptr;
    in.workspaceFile = sources_.workspaceFile ? sources_.workspaceFile() : QString();
    in.line = line_;
    in.lineLosses = lineLosses_;
    if (sources_.polls != nullptr) {
        in.polls = sources_.polls->polls();
        in.lastRoundNs = sources_.polls->lastRoundNs();
    }
    in.version = sources_.version;
    in.nowNs = HealthClockNs();
    in.nowUtcMs = QDateTime::currentMSecsSinceEpoch();
    return ExpositionText(in);
}

void MetricsExporter::reportProblems() {
    const QString problems = ExportProblems(status_);
    if (problems != reported_) {
        reported_ = problems;
        if (!problems.isEmpty()) {
            // Also for the log of a program without a status line.
            qWarning().noquote() << problems;
        }
    }
    Q_EMIT statusChanged();
}

void MetricsExporter::apply(const MetricsSettings& settings) {
    const QString address = settings.address.trimmed();
    if (address != status_.address || !status_.serving) {
        server_->close();
        status_.address = address;
        status_.serving = false;
        status_.serveError.clear();
        if (!address.isEmpty()) {
            const ListenAddress where = ParseListenAddress(address);
            if (!where.ok()) {
                status_.serveError =
                    QStringLiteral("cannot listen on %1: %2").arg(address, where.error);
            } else if (!server_->listen(where.host, where.port)) {
                status_.serveError =
                    QStringLiteral("cannot listen on %1: %2").arg(address, server_->error());
            } else {
                status_.serving = true;
            }
        }
    }
    status_.folder = settings.textfileFolder.trimmed();
    status_.textfileError.clear();
    if (status_.folder.isEmpty()) {
        textfileTimer_->stop();
    } else {
        textfileTimer_->start();
        writeTextfile();  // at once, then every 15 s
    }
    reportProblems();
}

void MetricsExporter::writeTextfile() {
    setTextfileError(WriteTextfile(status_.folder, QByteArray::fromStdString(exposition())));
}

void MetricsExporter::setTextfileError(const QString& error) {
    if (error != status_.textfileError) {
        status_.textfileError = error;
        reportProblems();
    }
}

}  // namespace k4
