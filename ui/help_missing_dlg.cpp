#include "help_missing_dlg.h"

#include "dialog_units.h"
#include "hyperlink.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStyle>

QString AcrobatWebSite()
{
    QSettings store(QStringLiteral("QUORIX"), QStringLiteral("Vellumio"));
    store.beginGroup(QStringLiteral("Settings"));
    return store.value(QStringLiteral("Acrobat Web site"), QString::fromLatin1(kDefaultAcrobatWebSite)).toString();
}

CHelpMissingDlg::CHelpMissingDlg(QWidget* parent) : QDialog(parent), m_strLinkAddress(AcrobatWebSite())
{
    setWindowTitle(QStringLiteral("Vellumio"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(DialogUnitsToPixels(font(), 263, 62));

    // Created in the template's order, which is also the tab order.
    auto* resume = new QPushButton(QStringLiteral("Continue"), this);
    resume->setObjectName(QStringLiteral("1"));
    resume->setGeometry(DialogUnitsToPixels(font(), 7, 41, 72, 14));
    resume->setDefault(true);
    connect(resume, &QPushButton::clicked, this, &QDialog::accept);

    auto* explanation = new QLabel(QString::fromLatin1(kHelpMissingText), this);
    explanation->setGeometry(DialogUnitsToPixels(font(), 37, 5, 219, 17));
    explanation->setWordWrap(true);
    explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* link = new QLabel(m_strLinkAddress, this);
    link->setObjectName(QStringLiteral("1071"));
    link->setGeometry(DialogUnitsToPixels(font(), 39, 26, 184, 13));

    auto* abort = new QPushButton(QStringLiteral("Abort"), this);
    abort->setObjectName(QStringLiteral("2"));
    abort->setGeometry(DialogUnitsToPixels(font(), 184, 41, 72, 14));
    connect(abort, &QPushButton::clicked, this, &QDialog::reject);

    auto* icon = new QLabel(this);
    const QRect iconRect = DialogUnitsToPixels(font(), 7, 6, 21, 20);
    icon->setGeometry(iconRect);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(std::min(iconRect.width(), iconRect.height())));
    icon->setAccessibleName(QStringLiteral("Information"));

    ConvertToHyperlink(this, 1071);
}
