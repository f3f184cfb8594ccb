#include "coming_page.h"

#include <QLabel>
#include <QVBoxLayout>

QWidget* MakeComingPage(const QString& title, const QString& text, QWidget* parent)
{
    auto* page = new QWidget(parent);
    page->setWindowTitle(title);
    page->setAccessibleName(title);
    auto* label = new QLabel(text, page);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(label);
    return page;
}
