#include "ScanProgressPanel.h"

#include "Foundation/Bundle.h"
#include "View/Extension/KPLExtension.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

ScanProgressPanel buildScanProgressPanel(QWidget* owner, QTimer* timer, double* elapsedSeconds)
{
    ScanProgressPanel panel;
    panel.title = new QLabel(owner);
    QFont big = panel.title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    panel.title->setFont(big);
    panel.path = new QLabel(owner);
    panel.path->setMinimumWidth(1);
    panel.elapsed = new QLabel(owner);
    panel.progress = new QProgressBar(owner);
    panel.progress->setRange(0, 1000);
    panel.stopButton = new QPushButton(localized("Stop"), owner);
    panel.backButton = new QPushButton(localized("Back"), owner);
    panel.backButton->hide();

    timer->setInterval(100);
    QLabel* elapsed = panel.elapsed;
    QObject::connect(timer, &QTimer::timeout, owner, [elapsed, elapsedSeconds] {
        *elapsedSeconds += 0.1;
        elapsed->setText(localized("Elapsed time") + QStringLiteral(": ")
                         + formatDateEn(static_cast<int64_t>(*elapsedSeconds)));
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(panel.stopButton);
    buttons->addWidget(panel.backButton);
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addStretch(1);
    layout->addWidget(panel.title);
    layout->addWidget(panel.progress);
    layout->addWidget(panel.path);
    layout->addWidget(panel.elapsed);
    layout->addStretch(1);
    layout->addLayout(buttons);
    return panel;
}
