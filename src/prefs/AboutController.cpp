#include "AboutController.h"

#include "Links.h"
#include "common/Log.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tavolin {

AboutController::AboutController(PrefsContext &context, const QString &paletteExecutable, QWidget *parent)
    : Pane(parent), m_context(context), m_versionLabel(new QLabel(this))
{
    log::info(QStringLiteral("app url: %1").arg(paletteExecutable));
    m_versionLabel->setText(tr("version %1").arg(QCoreApplication::applicationVersion()));

    auto *title = new QLabel(QStringLiteral("Tavolin"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    title->setFont(big);
    auto *blurb = new QLabel(tr("A keyboard command palette for your applications' menus."), this);

    auto *links = new QHBoxLayout;
    const auto addLink = [&](const QString &text, void (AboutController::*slot)()) {
        auto *button = new QPushButton(text, this);
        button->setFlat(true);
        connect(button, &QPushButton::clicked, this, slot);
        links->addWidget(button);
    };
    addLink(tr("Support"), &AboutController::openSupport);
    addLink(tr("License Agreement"), &AboutController::openLicenseAgreement);
    addLink(tr("Credits"), &AboutController::openCredits);
    addLink(tr("Contact"), &AboutController::openContact);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(m_versionLabel, 0, Qt::AlignHCenter);
    layout->addWidget(blurb, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    layout->addLayout(links);
    layout->addStretch();
}

void AboutController::openSupport()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kDocumentation)));
}

void AboutController::openLicenseAgreement()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kLicense)));
}

void AboutController::openCredits()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kCredits)));
}

void AboutController::openContact()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kContact)));
}

} // namespace tavolin
