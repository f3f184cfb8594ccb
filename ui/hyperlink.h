#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>

class QLabel;
class QWidget;

// Turns a plain label into a link: blue text, a hand cursor, underlined
// while the pointer is over it (or while it has the keyboard focus), and a
// click, Enter or Space opens the label's text as an address. The dialog
// stays open.

inline constexpr char kHyperlinkMark[] = "_Hyperlink_From_Static_";
inline const QColor kHyperlinkColour{0, 0, 192};

// Opens an address. The desktop's opener by default; a test puts its own in
// place. An empty opener restores the default; the previous one is returned.
using LinkOpener = std::function<void(const QUrl&)>;
LinkOpener SetLinkOpener(LinkOpener opener);

// Converts the label. Converting a label again changes nothing. Returns
// false only when there is no label.
bool ConvertToHyperlink(QWidget* parentDialog, QLabel* label);
// The same for the dialog's child label with this control id.
bool ConvertToHyperlink(QWidget* dialog, int controlId);

// The part installed once per dialog: every link of the dialog reports its
// activation here, the way the links' clicks reach their dialog.
class HyperlinkParent : public QObject {
    Q_OBJECT

public:
    // The dialog's part, created on first use.
    static HyperlinkParent* Of(QWidget* dialog);

    // Opens the link's address and tells the dialog.
    void Activate(QLabel* link);

signals:
    void linkActivated(QLabel* link);

private:
    explicit HyperlinkParent(QWidget* dialog);
};

// The part installed on each link label, the counterpart of the label's
// replaced event handler.
class HyperlinkLabelFilter : public QObject {
    Q_OBJECT

public:
    HyperlinkLabelFilter(QLabel* label, HyperlinkParent* parentPart);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUnderlined(bool underlined);

    QLabel* m_pLabel;
    QPointer<HyperlinkParent> m_pParentPart;
    bool m_bOwnFont;
    bool m_bHovered = false;
    bool m_bPressed = false;
};
