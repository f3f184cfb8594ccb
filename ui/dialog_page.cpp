#include "dialog_page.h"

#include "dialog_units.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

CDialogPage::CDialogPage(const QString& title, int width, int height, QWidget* parent) : QWidget(parent)
{
    setWindowTitle(title);
    resize(DialogUnitsToPixels(font(), width, height));
}

QGroupBox* CDialogPage::AddGroup(int id, const char* title, QRect units)
{
    return Add(new QGroupBox(QString::fromLatin1(title), this), id, units);
}

QLineEdit* CDialogPage::AddEdit(int id, QRect units)
{
    return Add(new QLineEdit(this), id, units);
}

QLabel* CDialogPage::AddLabel(int id, const char* text, QRect units)
{
    return Add(new QLabel(QString::fromLatin1(text), this), id, units);
}

void CDialogPage::Label(QLabel* label, QWidget* control)
{
    label->setBuddy(control);
    // Not every Qt version takes a buddy's name for the control.
    control->setAccessibleName(label->text());
}

void CDialogPage::Place(QWidget* control, QRect units)
{
    const QRect pixels = DialogUnitsToPixels(font(), units.x(), units.y(), units.width(), units.height());
    control->setGeometry(pixels);
    m_template.emplace_back(control, pixels);
}

void CDialogPage::RestoreTemplateLayout()
{
    for (const auto& [control, place] : m_template)
        control->setGeometry(place);
}
