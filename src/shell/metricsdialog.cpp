// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/metricsdialog.h"

#include "metrics/metricsexporter.h"
#include "metrics/metricssettings.h"
#include "state/appstate.h"
#include "state/dialogs.h"
#include "state/formfont.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace k4 {

namespace {

QLabel* PlainLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);  // it repeats addresses and paths typed by the operator
    label->setWordWrap(true);
    return label;
}

}  // namespace

TMetricsDialog::TMetricsDialog(MetricsExporter& exporter, QWidget* parent)
    : QDialog(parent), exporter_(exporter), refresh_(new QTimer(this)) {
    setObjectName(QStringLiteral("MetricsDialog"));
    setWindowTitle(QStringLiteral("Export to monitoring"));
    setFont(FormFont());
    setModal(true);

    ServeBox = new QCheckBox(QStringLiteral("&Serve metrics over HTTP"), this);
    ServeBox->setObjectName(QStringLiteral("ServeBox"));
    AddressEdit = new QLineEdit(this);
    AddressEdit->setObjectName(QStringLiteral("AddressEdit"));
    AddressEdit->setPlaceholderText(QLatin1String(kDefaultMetricsAddress));
    AddressEdit->setMaxLength(100);
    FolderEdit = new QLineEdit(this);
    FolderEdit->setObjectName(QStringLiteral("FolderEdit"));
    FolderEdit->setPlaceholderText(QStringLiteral("empty: no text file"));
    FolderEdit->setMaxLength(1000);
    WarningLabel = PlainLabel("WarningLabel", this);
    StateLabel = PlainLabel("StateLabel", this);
    ApplyButton = new QPushButton(QStringLiteral("&Apply"), this);
    ApplyButton->setObjectName(QStringLiteral("ApplyButton"));
    ApplyButton->setDefault(true);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));

    auto* form = new QFormLayout;
    form->addRow(ServeBox);
    form->addRow(QStringLiteral("Address (host:port)"), AddressEdit);
    form->addRow(QStringLiteral("Text-file folder"), FolderEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ApplyButton);
    buttons->addWidget(CloseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(WarningLabel);
    layout->addWidget(StateLabel);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(ServeBox, &QCheckBox::toggled, this, [this](bool on) {
        AddressEdit->setEnabled(on);
        showWarning();
    });
    connect(AddressEdit, &QLineEdit::textChanged, this, &TMetricsDialog::showWarning);
    connect(ApplyButton, &QPushButton::clicked, this, &TMetricsDialog::ApplyClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(&exporter_, &MetricsExporter::statusChanged, this, &TMetricsDialog::showState);
    // The last scrape's time moves on while the dialog is open.
    refresh_->setInterval(1000);
    connect(refresh_, &QTimer::timeout, this, &TMetricsDialog::showState);
    refresh_->start();
}

void TMetricsDialog::FormActivate() {
    const MetricsSettings settings = ReadMetricsSettings(App().SettingsPath);
    ServeBox->setChecked(!settings.address.isEmpty());
    AddressEdit->setEnabled(ServeBox->isChecked());
    AddressEdit->setText(settings.address.isEmpty() ? QLatin1String(kDefaultMetricsAddress)
                                                    : settings.address);
    FolderEdit->setText(QDir::toNativeSeparators(settings.textfileFolder));
    showWarning();
    showState();
}

void TMetricsDialog::showWarning() {
    if (!ServeBox->isChecked()) {
        WarningLabel->clear();
        return;
    }
    const ListenAddress address = ParseListenAddress(AddressEdit->text());
    WarningLabel->setText(address.ok() ? ExposureWarning(address) : address.error);
}

void TMetricsDialog::showState() {
    StateLabel->setText(ExportStateText(exporter_.status(), QDateTime::currentMSecsSinceEpoch()));
}

void TMetricsDialog::ApplyClick() {
    MetricsSettings settings;
    if (ServeBox->isChecked()) {
        settings.address = AddressEdit->text().trimmed();
        if (!ParseListenAddress(settings.address).ok()) {
            // Refused on the dialog's own warning line; the operator corrects it or closes.
            showWarning();
            AddressEdit->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    settings.textfileFolder = QDir::fromNativeSeparators(FolderEdit->text().trimmed());
    const QString path = App().SettingsPath;
    if (!SaveMetricsSettings(path, settings)) {
        UiDialogs().information(QStringLiteral("The settings file %1 could not be written. The "
                                               "export runs as set until the program ends.")
                                    .arg(QDir::toNativeSeparators(path)));
    }
    exporter_.apply(settings);
}

}  // namespace k4
