#include "about_dlg.h"

#include "dialog_units.h"

#include <QLabel>
#include <QPushButton>

// The resources live in a static library: naming them here keeps the
// linker from dropping them.
static void InitDialogResources()
{
    Q_INIT_RESOURCE(dialogs);
}

QIcon ApplicationIcon()
{
    static const bool initialised = (InitDialogResources(), true);
    (void)initialised;
    return QIcon(QStringLiteral(":/vellumio/app-icon.png"));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vellumio"));
    setFixedSize(DialogUnitsToPixels(font(), 235, 55));

    auto* icon = new QLabel(this);
    const QRect iconRect = DialogUnitsToPixels(font(), 11, 17, 20, 20);
    icon->setGeometry(iconRect);
    icon->setPixmap(ApplicationIcon().pixmap(std::min(iconRect.width(), iconRect.height())));
    icon->setAccessibleName(QStringLiteral("Vellumio"));

    auto* version = new QLabel(QStringLiteral("Vellumio version 1.0"), this);
    version->setGeometry(DialogUnitsToPixels(font(), 40, 10, 119, 8));

    auto* purpose = new QLabel(QStringLiteral("Logos for receipt printers"), this);
    purpose->setGeometry(DialogUnitsToPixels(font(), 40, 25, 119, 8));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(DialogUnitsToPixels(font(), 178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
