#include "memory_size_dlg.h"

#include "dialog_units.h"
#include "printer_replies.h"
#include "user_message.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

CMemorySizeDlg::CMemorySizeDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Vellumio"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(DialogUnitsToPixels(font(), 186, 62));
    const auto place = [this](QWidget* control, int x, int y, int w, int h) {
        control->setGeometry(DialogUnitsToPixels(font(), x, y, w, h));
    };

    // Created in the template's order, which is also the tab order.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    place(ok, 7, 41, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("2"));
    place(cancel, 129, 41, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* label = new QLabel(QStringLiteral("New memory size for logo storage :"), this);
    place(label, 7, 7, 112, 13);
    m_pSizes = new QComboBox(this);
    m_pSizes->setObjectName(QStringLiteral("1067"));
    // The template's height includes the dropped list.
    place(m_pSizes, 120, 7, 33, 13);
    label->setBuddy(m_pSizes);
    // Not every Qt version takes a buddy's name for the control.
    m_pSizes->setAccessibleName(label->text());

    place(new QLabel(QStringLiteral("kbytes"), this), 155, 7, 24, 13);
    place(new QLabel(QStringLiteral("(check user's manual for available values)."), this), 7, 26, 172, 11);
}

void CMemorySizeDlg::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        m_pSizes->clear();
        // A nonzero protocol level takes the given size as the largest.
        for (const std::int32_t size : MemorySizeChoices(1, m_nLargestSize))
            m_pSizes->addItem(QString::number(size));
        m_pSizes->setCurrentIndex(-1);
    }
    QDialog::showEvent(event);
}

void CMemorySizeDlg::accept()
{
    if (m_pSizes->currentIndex() < 0) {
        ShowMessage("Please select one memory size.");
        m_pSizes->setFocus();
        return;
    }
    m_nChosenSize = m_pSizes->currentText().toInt();
    QDialog::accept();
}
