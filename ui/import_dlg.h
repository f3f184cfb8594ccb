#pragma once

#include "dither.h"
#include "grey_image.h"
#include "import_options.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

// The choices of a picture import with the dots they give, shown one pixel
// per dot and redrawn on every change. The scaled grey is kept while only
// tone or method change, so a paper-wide preview follows at once.
class CImportDlg : public QDialog {
    Q_OBJECT

public:
    CImportDlg(GreyImage source, const ImportOptions& options, QWidget* parent = nullptr);

    // The options as the controls stand.
    const ImportOptions& Options() const { return m_options; }
    // The dots of the options; none while the size asked for is refused.
    const std::optional<DitheredDots>& Result() const { return m_dots; }

    // OK: refused, with the reason, while there are no dots.
    void accept() override;

private:
    void CreateControls();
    void ShowOptions();
    void ReadControls();
    void Refresh();
    void ShowPreview();

    GreyImage m_source;
    ImportOptions m_options;
    std::optional<GreyPlane> m_scaled;
    std::optional<std::uint32_t> m_scaledWidth;  // of m_scaled; 0 for the picture's own
    std::string m_strScaleMessage;
    std::optional<DitheredDots> m_dots;
    bool m_bShowing = false;

    QComboBox* m_pSize = nullptr;
    QSpinBox* m_pWidth = nullptr;
    QComboBox* m_pMethod = nullptr;
    QCheckBox* m_pAutoThreshold = nullptr;
    QSpinBox* m_pThreshold = nullptr;
    QSpinBox* m_pBrightness = nullptr;
    QSpinBox* m_pContrast = nullptr;
    QDoubleSpinBox* m_pGamma = nullptr;
    QCheckBox* m_pInvert = nullptr;
    QLabel* m_pDotCount = nullptr;
    QLabel* m_pPreview = nullptr;
};
