#include "spin_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* objectName)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setArrowType(arrow);
    // Like the platform's up-down control: no tab stop, and holding the
    // button keeps stepping.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    return button;
}

}  // namespace

CSpinButton::CSpinButton(QWidget* parent)
    : QWidget(parent),
      m_pUp(MakeArrow(this, Qt::UpArrow, "up")),
      m_pDown(MakeArrow(this, Qt::DownArrow, "down"))
{
    connect(m_pUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CSpinButton::SetRange(int lower, int upper)
{
    m_nLower = std::min(lower, upper);
    m_nUpper = std::max(lower, upper);
    m_nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
}

void CSpinButton::SetPos(int position)
{
    m_nPos = std::clamp(position, m_nLower, m_nUpper);
}

void CSpinButton::SetBuddy(QLineEdit* buddy)
{
    if (m_pBuddy)
        m_pBuddy->removeEventFilter(this);
    m_pBuddy = buddy;
    if (!buddy)
        return;
    buddy->installEventFilter(this);
    setEnabled(buddy->isEnabled());
}

void CSpinButton::SetAccessibleLabel(const QString& name)
{
    setAccessibleName(name + QStringLiteral(" spin"));
    m_pUp->setAccessibleName(name + QStringLiteral(" up"));
    m_pDown->setAccessibleName(name + QStringLiteral(" down"));
}

void CSpinButton::Step(int direction)
{
    int position = m_nPos;
    if (m_pBuddy) {
        // What the user typed counts; a text that is no number leaves the
        // last position to step from.
        bool ok = false;
        const int typed = m_pBuddy->text().trimmed().toInt(&ok, 10);
        if (ok)
            position = std::clamp(typed, m_nLower, m_nUpper);
    }
    const long long next = static_cast<long long>(position) + (direction > 0 ? 1 : -1);
    m_nPos = static_cast<int>(std::clamp<long long>(next, m_nLower, m_nUpper));
    if (m_pBuddy)
        m_pBuddy->setText(QString::number(m_nPos));
}

bool CSpinButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pBuddy) {
        if (event->type() == QEvent::EnabledChange) {
            setEnabled(m_pBuddy->isEnabled());
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                Step(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSpinButton::resizeEvent(QResizeEvent* event)
{
    const int upper = height() / 2;
    m_pUp->setGeometry(0, 0, width(), upper);
    m_pDown->setGeometry(0, upper, width(), height() - upper);
    QWidget::resizeEvent(event);
}
