#include "import_dlg.h"

#include "picture.h"
#include "picture_import.h"
#include "user_message.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstring>
#include <utility>

namespace {

// Entries of the size list besides the presets, by their item data.
constexpr int kOwnSize = 0;
constexpr int kOtherWidth = -1;
constexpr int kPreviewWidth = 660;
constexpr int kPreviewHeight = 420;

QImage PreviewImage(const DitheredDots& dots)
{
    QImage image(static_cast<int>(dots.width), static_cast<int>(dots.height), QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    const std::uint32_t rowBytes = CPicture::BytesPerRow(dots.width);
    for (std::uint32_t y = 0; y < dots.height; ++y)
        std::memcpy(image.scanLine(static_cast<int>(y)), &dots.bits[static_cast<std::size_t>(y) * rowBytes], rowBytes);
    return image;
}

// The form's label names its control for a screen reader too.
template <typename Control>
Control* AddRow(QFormLayout* form, const QString& label, Control* control)
{
    control->setAccessibleName(label);
    form->addRow(label, control);
    return control;
}

}  // namespace

CImportDlg::CImportDlg(GreyImage source, const ImportOptions& options, QWidget* parent)
    : QDialog(parent), m_source(std::move(source)), m_options(options)
{
    setWindowTitle(QStringLiteral("Import picture"));
    CreateControls();
    ShowOptions();
    Refresh();
}

void CImportDlg::CreateControls()
{
    auto* form = new QFormLayout;
    m_pSize = AddRow(form, QStringLiteral("Size"), new QComboBox(this));
    m_pSize->setObjectName(QStringLiteral("size"));
    m_pSize->addItem(QStringLiteral("Picture's own size (%1 pixels)").arg(m_source.width), kOwnSize);
    for (const PaperPreset& preset : kPaperPresets)
        m_pSize->addItem(QString::fromLatin1(preset.label.data(), static_cast<qsizetype>(preset.label.size())),
                         static_cast<int>(preset.width));
    m_pSize->addItem(QStringLiteral("Other width"), kOtherWidth);
    m_pWidth = AddRow(form, QStringLiteral("Width in dots"), new QSpinBox(this));
    m_pWidth->setObjectName(QStringLiteral("width"));
    m_pWidth->setRange(static_cast<int>(kMinImportWidth), static_cast<int>(kMaxImportWidth));

    m_pMethod = AddRow(form, QStringLiteral("Dithering"), new QComboBox(this));
    m_pMethod->setObjectName(QStringLiteral("method"));
    for (const DitherMethod method : kDitherMethods) {
        const std::string_view label = DitherMethodLabel(method);
        m_pMethod->addItem(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())),
                           static_cast<int>(method));
    }
    m_pAutoThreshold = new QCheckBox(QStringLiteral("Automatic threshold (Otsu)"), this);
    m_pAutoThreshold->setObjectName(QStringLiteral("auto threshold"));
    form->addRow(m_pAutoThreshold);
    m_pThreshold = AddRow(form, QStringLiteral("Threshold"), new QSpinBox(this));
    m_pThreshold->setObjectName(QStringLiteral("threshold"));
    m_pThreshold->setRange(0, 255);

    m_pBrightness = AddRow(form, QStringLiteral("Brightness"), new QSpinBox(this));
    m_pBrightness->setObjectName(QStringLiteral("brightness"));
    m_pContrast = AddRow(form, QStringLiteral("Contrast"), new QSpinBox(this));
    m_pContrast->setObjectName(QStringLiteral("contrast"));
    for (QSpinBox* adjust : {m_pBrightness, m_pContrast})
        adjust->setRange(kMinAdjust, kMaxAdjust);
    m_pGamma = AddRow(form, QStringLiteral("Gamma"), new QDoubleSpinBox(this));
    m_pGamma->setObjectName(QStringLiteral("gamma"));
    m_pGamma->setRange(kMinGamma, kMaxGamma);
    m_pGamma->setSingleStep(0.1);
    m_pGamma->setDecimals(2);
    m_pInvert = new QCheckBox(QStringLiteral("Invert"), this);
    m_pInvert->setObjectName(QStringLiteral("invert"));
    form->addRow(m_pInvert);
    m_pDotCount = new QLabel(this);
    m_pDotCount->setObjectName(QStringLiteral("dot count"));
    form->addRow(m_pDotCount);

    m_pPreview = new QLabel(this);
    m_pPreview->setObjectName(QStringLiteral("preview"));
    m_pPreview->setAccessibleName(QStringLiteral("Preview"));
    m_pPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea(this);
    scroll->setAccessibleName(QStringLiteral("Preview"));
    scroll->setWidget(m_pPreview);
    scroll->setWidgetResizable(false);
    scroll->setMinimumSize(kPreviewWidth, kPreviewHeight);
    scroll->setBackgroundRole(QPalette::Dark);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CImportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addWidget(scroll, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(buttons);

    const auto changed = [this] { Refresh(); };
    connect(m_pSize, &QComboBox::currentIndexChanged, this, changed);
    connect(m_pMethod, &QComboBox::currentIndexChanged, this, changed);
    for (QSpinBox* spin : {m_pWidth, m_pThreshold, m_pBrightness, m_pContrast})
        connect(spin, &QSpinBox::valueChanged, this, changed);
    connect(m_pGamma, &QDoubleSpinBox::valueChanged, this, changed);
    connect(m_pAutoThreshold, &QCheckBox::toggled, this, changed);
    connect(m_pInvert, &QCheckBox::toggled, this, changed);
}

void CImportDlg::ShowOptions()
{
    m_bShowing = true;
    int sizeIndex = m_pSize->findData(kOtherWidth);
    if (!m_options.width)
        sizeIndex = m_pSize->findData(kOwnSize);
    else if (const int preset = m_pSize->findData(static_cast<int>(*m_options.width)); preset >= 0)
        sizeIndex = preset;
    m_pSize->setCurrentIndex(sizeIndex);
    m_pWidth->setValue(static_cast<int>(m_options.width.value_or(std::min(m_source.width, kMaxImportWidth))));
    m_pMethod->setCurrentIndex(m_pMethod->findData(static_cast<int>(m_options.method)));
    m_pAutoThreshold->setChecked(!m_options.threshold);
    m_pThreshold->setValue(m_options.threshold.value_or(128));
    m_pBrightness->setValue(m_options.brightness);
    m_pContrast->setValue(m_options.contrast);
    m_pGamma->setValue(m_options.gamma);
    m_pInvert->setChecked(m_options.invert);
    m_bShowing = false;
}

void CImportDlg::ReadControls()
{
    const int size = m_pSize->currentData().toInt();
    m_pWidth->setEnabled(size == kOtherWidth);
    if (size == kOwnSize)
        m_options.width.reset();
    else
        m_options.width = static_cast<std::uint32_t>(size == kOtherWidth ? m_pWidth->value() : size);
    m_options.method = static_cast<DitherMethod>(m_pMethod->currentData().toInt());
    const bool threshold = m_options.method == DitherMethod::Threshold;
    m_pAutoThreshold->setEnabled(threshold);
    m_pThreshold->setEnabled(threshold && !m_pAutoThreshold->isChecked());
    if (m_pAutoThreshold->isChecked())
        m_options.threshold.reset();
    else
        m_options.threshold = m_pThreshold->value();
    m_options.brightness = m_pBrightness->value();
    m_options.contrast = m_pContrast->value();
    m_options.gamma = m_pGamma->value();
    m_options.invert = m_pInvert->isChecked();
}

void CImportDlg::Refresh()
{
    if (m_bShowing)
        return;
    ReadControls();
    const std::uint32_t width = m_options.width.value_or(0);
    if (m_scaledWidth != width) {
        ScaledGrey scaled = ScaleForImport(m_source, m_options);
        m_scaled = std::move(scaled.plane);
        m_strScaleMessage = std::move(scaled.message);
        m_scaledWidth = width;
    }
    if (m_scaled)
        m_dots = DotsFromPlane(*m_scaled, m_options);
    else
        m_dots.reset();
    ShowPreview();
}

void CImportDlg::ShowPreview()
{
    if (!m_dots) {
        m_pPreview->clear();
        m_pPreview->adjustSize();
        m_pDotCount->setText(QString::fromStdString(m_strScaleMessage));
        return;
    }
    m_pPreview->setPixmap(QPixmap::fromImage(PreviewImage(*m_dots)));
    m_pPreview->adjustSize();
    m_pDotCount->setText(QStringLiteral("%1 x %2 dots").arg(m_dots->width).arg(m_dots->height));
}

void CImportDlg::accept()
{
    if (!m_dots) {
        ShowMessage(m_strScaleMessage);
        return;
    }
    QDialog::accept();
}
