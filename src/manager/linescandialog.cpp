// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/linescandialog.h"

#include "manager/kvtmanager.h"
#include "state/appstate.h"
#include "state/dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace k4 {

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QSpinBox* MakeAddressBox(QWidget* parent, const char* name, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, 127);
    box->setValue(value);
    return box;
}

}  // namespace

TLineScanDialog::TLineScanDialog(LineScan& scan, QWidget* parent) : QDialog(parent), scan_(scan) {
    setObjectName(QStringLiteral("LineScan"));
    setWindowTitle(QStringLiteral("Scan line"));
    setModal(true);

    FromAddress = MakeAddressBox(this, "FromAddress", 0);
    ToAddress = MakeAddressBox(this, "ToAddress", 127);
    StartButton = MakeButton(this, "StartButton", QStringLiteral("Start"));
    StopButton = MakeButton(this, "StopButton", QStringLiteral("Stop"));
    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("Addresses from"), this));
    range->addWidget(FromAddress);
    range->addWidget(new QLabel(QStringLiteral("to"), this));
    range->addWidget(ToAddress);
    range->addStretch();
    range->addWidget(StartButton);
    range->addWidget(StopButton);

    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 1);
    Progress->setValue(0);
    Progress->setFormat(QStringLiteral("Not started"));

    Found = new QTreeWidget(this);
    Found->setObjectName(QStringLiteral("Found"));
    Found->setRootIsDecorated(false);
    Found->setHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("Answer"), QStringLiteral("In workspace")});
    Found->header()->resizeSection(kIdColumn, 60);
    Found->header()->resizeSection(kAnswerColumn, 280);

    Note = new QLabel(this);
    Note->setObjectName(QStringLiteral("Note"));
    AddButton = MakeButton(this, "AddButton", QStringLiteral("Add to workspace"));
    CloseButton = MakeButton(this, "CloseButton", QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Note, 1);
    buttons->addWidget(AddButton);
    buttons->addWidget(CloseButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(range);
    layout->addWidget(Progress);
    layout->addWidget(Found, 1);
    layout->addLayout(buttons);
    resize(520, 380);

    connect(StartButton, &QPushButton::clicked, this, &TLineScanDialog::StartClick);
    connect(StopButton, &QPushButton::clicked, this, &TLineScanDialog::StopClick);
    connect(AddButton, &QPushButton::clicked, this, &TLineScanDialog::AddClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    timer_ = new QTimer(this);
    timer_->setInterval(kPollIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TLineScanDialog::refresh);
    updateButtons();
}

TLineScanDialog::~TLineScanDialog() {
    scan_.stop();
}

void TLineScanDialog::StartClick() {
    if (!App().linkRunning()) {
        return;
    }
    if (FromAddress->value() > ToAddress->value()) {
        UiDialogs().information(QStringLiteral("No addresses to scan: From (%1) is above To (%2).")
                                    .arg(FromAddress->value())
                                    .arg(ToAddress->value()));
        return;
    }
    Found->clear();
    findings_.clear();
    if (!scan_.start(FromAddress->value(), ToAddress->value())) {
        return;
    }
    timer_->start();
    refresh();
}

void TLineScanDialog::StopClick() {
    scan_.stop();
    refresh();
}

void TLineScanDialog::refresh() {
    for (const ScanFinding& finding : scan_.takeFindings()) {
        auto* row = new QTreeWidgetItem(Found);
        row->setText(kIdColumn, QString::number(finding.id));
        row->setText(kAnswerColumn, ScanAnswerText(finding));
        row->setText(kWorkspaceColumn,
                     finding.inWorkspace ? QStringLiteral("yes") : QStringLiteral("no"));
        if (!finding.inWorkspace) {
            row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
            row->setCheckState(kIdColumn, Qt::Checked);
        }
        findings_.push_back(finding);
    }
    const LineScan::Progress progress = scan_.progress();
    Progress->setRange(0, std::max(progress.total, 1));
    Progress->setValue(progress.done);
    if (progress.running) {
        Progress->setFormat(QStringLiteral("Address %1").arg(std::max(progress.address, 0)));
    } else if (progress.lineLost) {
        Progress->setFormat(QStringLiteral("Line lost: scan stopped after %1 of %2 addresses")
                                .arg(progress.done)
                                .arg(progress.total));
        timer_->stop();
    } else if (progress.total > 0) {
        Progress->setFormat(QStringLiteral("%1 of %2 addresses, %3 answered")
                                .arg(progress.done)
                                .arg(progress.total)
                                .arg(findings_.size()));
        timer_->stop();
    }
    updateButtons();
}

void TLineScanDialog::AddClick() {
    TMDIKVTMAN* manager = App().Manager;
    if (manager == nullptr) {
        return;
    }
    if (App().ReadOnly) {
        UiDialogs().information(QStringLiteral("Not possible in ReadOnly mode."));
        return;
    }
    for (int i = 0; i < Found->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = Found->topLevelItem(i);
        ScanFinding& finding = findings_[static_cast<std::size_t>(i)];
        if (finding.inWorkspace || row->checkState(kIdColumn) != Qt::Checked) {
            continue;
        }
        if (manager->AddFoundDevice(finding.id, FoundDeviceName(finding))) {
            finding.inWorkspace = true;
            row->setText(kWorkspaceColumn, QStringLiteral("added"));
            row->setData(kIdColumn, Qt::CheckStateRole, QVariant());
            row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
        }
    }
    updateButtons();
}

void TLineScanDialog::updateButtons() {
    const bool running = scan_.progress().running && timer_->isActive();
    const bool linkUp = App().linkRunning();
    StartButton->setEnabled(!running && linkUp);
    StopButton->setEnabled(running);
    FromAddress->setEnabled(!running);
    ToAddress->setEnabled(!running);
    const bool anyNew = std::any_of(findings_.begin(), findings_.end(),
                                    [](const ScanFinding& f) { return !f.inWorkspace; });
    AddButton->setEnabled(App().workspaceOpen() && anyNew);
    Note->setText(linkUp ? QString() : QStringLiteral("No line: open a workspace to scan."));
}

void TLineScanDialog::done(int result) {
    scan_.stop();
    timer_->stop();
    QDialog::done(result);
}

}  // namespace k4
