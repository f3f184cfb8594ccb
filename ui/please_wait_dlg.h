#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

class QLineEdit;
class QPixmap;

inline constexpr char kPleaseWaitText[] = "Please wait during Vellumio try to communicate with the printer";

// The wait line's animation: the text between two runs of dashes that
// double every step until the line would pass 120 characters, then start
// again from one dash.
class WaitDashes {
public:
    // The next line to show around the text.
    QString NextMessage(const QString& text);
    const QString& Dashes() const { return m_strDashes; }

private:
    QString m_strDashes = QStringLiteral("-");
};

// One for the whole run, so that a later dialog goes on where the last one
// stopped.
WaitDashes& ProcessWaitDashes();

// The splash picture, 588 x 243 pixels.
QPixmap DrawSplashPicture();

// The splash window shown while start-up connects to the printer. It runs
// in the main thread while the connection blocks a worker thread, so it keeps
// animating on its own.
class CPleaseWaitDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPleaseWaitDlg(QWidget* parent = nullptr);

    // Ends the dialog with result 0; does nothing when it has already
    // closed, for instance by Escape.
    void CloseDialog();

    // One animation step; the timer runs it every second.
    void OnTimer();

    QString Message() const { return m_strMessage; }
    const QTimer& AnimationTimer() const { return m_timer; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_strMessage = QString::fromLatin1(kPleaseWaitText);
    QLineEdit* m_pMessageEdit = nullptr;
    QTimer m_timer;
};
