// SPDX-License-Identifier: GPL-3.0-or-later
// Setup > Export to monitoring on the main window: the choice lands in the settings file and at
// work, a taken port shows in the dialog and on the status line, a bad address is refused where
// it was typed.
#include "metrics/metricsexporter.h"
#include "metrics/metricssettings.h"
#include "programfixture.h"
#include "shell/metricsdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
#include <QTemporaryDir>

class TestMetricsDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void takenPortShownBadAddressRefused();
};

void TestMetricsDialog::takenPortShownBadAddressRefused() {
    QTemporaryDir folder;
    k4test::ProgramRun run(folder.path());
    QVERIFY(run.startUp());
    auto* exporter = run.form->findChild<k4::MetricsExporter*>();
    QVERIFY(exporter != nullptr);
    QVERIFY(!exporter->status().serving);  // off until asked for

    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    const QString taken = QStringLiteral("127.0.0.1:%1").arg(holder.serverPort());
    k4::TMetricsDialog dialog(*exporter, run.form.get());
    dialog.FormActivate();
    QVERIFY(!dialog.ServeBox->isChecked());
    QCOMPARE(dialog.AddressEdit->text(), QStringLiteral("127.0.0.1:9745"));
    dialog.ServeBox->setChecked(true);
    dialog.AddressEdit->setText(taken);
    dialog.ApplyButton->click();
    const QString message = "metrics: cannot listen on " + taken + ": address in use";
    QCOMPARE(run.form->StatusBar->currentMessage(), message);
    QVERIFY(dialog.StateLabel->text().contains("address in use"));
    QCOMPARE(k4::ReadMetricsSettings(k4::App().SettingsPath).address, taken);

    dialog.AddressEdit->setText(QStringLiteral("*:9745"));
    QVERIFY(dialog.WarningLabel->text().contains("no authentication"));
    dialog.AddressEdit->setText(QStringLiteral("127.0.0.1:99999"));
    dialog.ApplyButton->click();
    QVERIFY(dialog.WarningLabel->text().contains("99999"));
    QCOMPARE(k4::ReadMetricsSettings(k4::App().SettingsPath).address, taken);
}

QTEST_MAIN(TestMetricsDialog)
#include "tst_metricsdialog.moc"
