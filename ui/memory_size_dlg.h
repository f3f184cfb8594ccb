#pragma once

#include <QDialog>

#include <cstdint>

class QComboBox;

// Asks for the printer's new logo memory size among the multiples of 64
// kbytes up to the largest size. The caller sets m_nLargestSize before
// showing it and reads m_nChosenSize after OK.
class CMemorySizeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMemorySizeDlg(QWidget* parent = nullptr);

    std::int32_t m_nChosenSize = 0;   // kbytes, set by OK only
    std::int32_t m_nLargestSize = 0;  // kbytes

    // OK: refused, with a message, while no size is selected.
    void accept() override;

protected:
    // The list is filled each time the dialog comes up, from the largest
    // size as it is then.
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* m_pSizes = nullptr;
};
