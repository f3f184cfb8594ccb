#include "hyperlink.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <utility>

namespace {

const char kParentPartName[] = "_Hyperlink_Parent_";
const char kLabelPartName[] = "_Hyperlink_Label_";

void OpenWithDesktop(const QUrl& address)
{
    // A failure is not reported: the dialog simply stays as it is.
    QDesktopServices::openUrl(address);
}

LinkOpener& CurrentOpener()
{
    static LinkOpener opener = OpenWithDesktop;
    return opener;
}

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener)
{
    if (!opener)
        opener = OpenWithDesktop;
    return std::exchange(CurrentOpener(), std::move(opener));
}

HyperlinkParent::HyperlinkParent(QWidget* dialog) : QObject(dialog)
{
    setObjectName(QString::fromLatin1(kParentPartName));
    // So that linkActivated also travels through queued connections.
    qRegisterMetaType<QLabel*>();
}

HyperlinkParent* HyperlinkParent::Of(QWidget* dialog)
{
    if (auto* existing = dialog->findChild<HyperlinkParent*>(QString::fromLatin1(kParentPartName),
                                                             Qt::FindDirectChildrenOnly))
        return existing;
    return new HyperlinkParent(dialog);
}

void HyperlinkParent::Activate(QLabel* link)
{
    const QString address = link->text().trimmed();
    if (!address.isEmpty())
        CurrentOpener()(QUrl::fromUserInput(address));
    emit linkActivated(link);
}

HyperlinkLabelFilter::HyperlinkLabelFilter(QLabel* label, HyperlinkParent* parentPart)
    : QObject(label), m_pLabel(label), m_pParentPart(parentPart), m_bOwnFont(label->testAttribute(Qt::WA_SetFont))
{
    setObjectName(QString::fromLatin1(kLabelPartName));
}

void HyperlinkLabelFilter::SetUnderlined(bool underlined)
{
    QFont font = m_pLabel->font();
    if (font.underline() == underlined)
        return;
    if (!underlined && !m_bOwnFont) {
        // Back to the dialog's font, so that later changes of it still reach
        // the label.
        m_pLabel->setFont(QFont());
        return;
    }
    font.setUnderline(underlined);
    m_pLabel->setFont(font);
}

bool HyperlinkLabelFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pLabel)
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        m_bHovered = true;
        SetUnderlined(true);
        break;
    case QEvent::Leave:
        m_bHovered = false;
        SetUnderlined(m_pLabel->hasFocus());
        break;
    case QEvent::FocusIn:
        SetUnderlined(true);
        break;
    case QEvent::FocusOut:
        SetUnderlined(m_bHovered);
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_bPressed = true;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !std::exchange(m_bPressed, false))
            break;
        // Like a button: releasing elsewhere takes the click back.
        if (m_pLabel->rect().contains(mouse->position().toPoint()) && m_pParentPart)
            m_pParentPart->Activate(m_pLabel);
        return true;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            if (m_pParentPart)
                m_pParentPart->Activate(m_pLabel);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return false;
}

bool ConvertToHyperlink(QWidget* parentDialog, QLabel* label)
{
    if (label == nullptr)
        return false;
    if (label->property(kHyperlinkMark).toInt() == 1)
        return true;
    QWidget* dialog = parentDialog != nullptr ? parentDialog : label->window();
    HyperlinkParent* parentPart = HyperlinkParent::Of(dialog);

    QPalette blue = label->palette();
    blue.setColor(QPalette::WindowText, kHyperlinkColour);
    label->setPalette(blue);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::TabFocus);
    label->setAccessibleName(label->text());
    label->setAccessibleDescription(QStringLiteral("link"));
    label->installEventFilter(new HyperlinkLabelFilter(label, parentPart));
    label->setProperty(kHyperlinkMark, 1);
    return true;
}

bool ConvertToHyperlink(QWidget* dialog, int controlId)
{
    if (dialog == nullptr)
        return false;
    return ConvertToHyperlink(dialog, dialog->findChild<QLabel*>(QString::number(controlId)));
}
