#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;

// A tab page laid out as a template in dialog units of its own font. Each
// control is named by its numeric id ("1043") so that code and tests find
// it, and the label in front of a control names it for a screen reader.
class CDialogPage : public QWidget {
public:
    // `width` and `height` in dialog units.
    CDialogPage(const QString& title, int width, int height, QWidget* parent);

protected:
    // Names `control` by `id` (0 leaves it unnamed) and places it.
    template <typename Control>
    Control* Add(Control* control, int id, QRect units)
    {
        if (id != 0)
            control->setObjectName(QString::number(id));
        Place(control, units);
        return control;
    }
    QGroupBox* AddGroup(int id, const char* title, QRect units);
    QLineEdit* AddEdit(int id, QRect units);
    QLabel* AddLabel(int id, const char* text, QRect units);
    static void Label(QLabel* label, QWidget* control);

    // Moves `control` to its template place and remembers that place.
    void Place(QWidget* control, QRect units);
    // After a wide page has become narrow again, the stretched controls
    // would stick out of it.
    void RestoreTemplateLayout();

private:
    std::vector<std::pair<QWidget*, QRect>> m_template;
};
