#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

// An up-down control bound to an edit field: each step reads the field's
// number, moves it by one within the range (stopping at either end) and
// writes it back as a plain decimal, so the field's own change handling
// runs as if the user had typed it. The up and down arrow keys in the field
// step too. The control follows the field's enabled state.
class CSpinButton : public QWidget {
    Q_OBJECT

public:
    explicit CSpinButton(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    // Sets the position without touching the field.
    void SetPos(int position);
    int GetPos() const { return m_nPos; }
    void SetBuddy(QLineEdit* buddy);
    QLineEdit* GetBuddy() const { return m_pBuddy; }
    // Screen readers know the control as "<name> spin" and its arrows as
    // "<name> up" and "<name> down".
    void SetAccessibleLabel(const QString& name);

    // +1 for the up arrow, -1 for the down arrow.
    void Step(int direction);

    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
    QPointer<QLineEdit> m_pBuddy;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
};
