#include "picture_info_page.h"

#include "dialog_units.h"
#include "picture.h"
#include "picture_types.h"
#include "spin_button.h"
#include "user_message.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

#include <optional>

namespace {

constexpr std::int32_t kMinDimension = 0;
constexpr std::int32_t kMaxDimension = 1000;
constexpr const char* kNotAnInteger = "Please enter an integer.";
constexpr const char* kDimensionRange = "Please enter an integer between 0 and 1000.";

// Below this width the page keeps the template's own layout.
constexpr int kStretchFromWidth = 401;

std::optional<std::int32_t> ParseInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<std::int32_t>(value) : std::nullopt;
}

// Replaces a text only when it differs, so that the caret of a field being
// typed in does not jump.
bool SetTextIfChanged(QLineEdit& edit, const QString& text)
{
    if (edit.text() == text)
        return false;
    edit.setText(text);
    return true;
}

// A long path shows its beginning, the drive and top folders.
void SetPathText(QLineEdit& edit, const QString& path)
{
    if (SetTextIfChanged(edit, path))
        edit.setCursorPosition(0);
}

}  // namespace

CPictureInfoPage::CPictureInfoPage(QWidget* parent) : CDialogPage(QStringLiteral("Picture Info"), 388, 102, parent)
{
    // Created in the template's order, which is also the tab order.
    m_pInputGroup = AddGroup(1001, "Input picture info", {6, 0, 181, 92});
    m_pInputName = AddEdit(1000, {13, 15, 143, 12});
    m_pInputName->setReadOnly(true);
    m_pInputName->setAccessibleName(QStringLiteral("Input file name"));
    m_pOpenButton = AddButton(1007, {157, 15, 14, 13});
    m_pOpenButton->setAccessibleDescription(QStringLiteral("Open a picture"));
    QLabel* typeLabel = AddLabel(0, "Type", {13, 35, 22, 10});
    m_pInputType = AddEdit(1003, {43, 35, 65, 12});
    QLabel* sizeLabel = AddLabel(0, "Size", {13, 48, 22, 10});
    m_pInputSize = AddEdit(1004, {43, 48, 39, 12});
    AddLabel(0, "Bytes", {90, 50, 26, 8});
    QLabel* widthLabel = AddLabel(0, "Width", {14, 62, 20, 10});
    m_pInputWidth = AddEdit(1005, {43, 62, 39, 12});
    AddLabel(0, "Pixels", {90, 64, 26, 8});
    QLabel* heightLabel = AddLabel(0, "Height", {14, 76, 22, 10});
    m_pInputHeight = AddEdit(1006, {43, 76, 39, 12});
    AddLabel(0, "Pixels", {90, 77, 26, 9});
    Label(typeLabel, m_pInputType);
    Label(sizeLabel, m_pInputSize);
    Label(widthLabel, m_pInputWidth);
    Label(heightLabel, m_pInputHeight);
    for (QLineEdit* figure : {m_pInputType, m_pInputSize, m_pInputWidth, m_pInputHeight})
        figure->setEnabled(false);

    m_pOutputGroup = AddGroup(1002, "Output picture info", {199, 1, 182, 92});
    m_pOutputName = AddEdit(1008, {209, 15, 143, 12});
    m_pOutputName->setAccessibleName(QStringLiteral("Output file name"));
    m_pSaveAsButton = AddButton(1026, {353, 15, 14, 13});
    m_pSaveAsButton->setAccessibleDescription(QStringLiteral("Save the output picture as"));
    m_pTypeLabel = AddLabel(1010, "Type", {209, 35, 22, 10});
    // The template's 55 units of height include the dropped list.
    m_pOutputType = Add(new QComboBox(this), 1009, {240, 34, 82, 12});
    for (std::uint32_t type = 0; type < kPictureTypeCount; ++type)
        m_pOutputType->addItem(QString::fromLatin1(PictureTypeName(type)));
    m_pOutputType->setCurrentIndex(-1);
    m_pSizeLabel = AddLabel(1012, "Size", {208, 48, 22, 10});
    m_pOutputSize = AddEdit(1011, {239, 48, 39, 12});
    m_pOutputSize->setReadOnly(true);
    m_pBytesLabel = AddLabel(1013, "Bytes", {286, 50, 26, 8});
    m_pWidthLabel = AddLabel(1018, "Width", {209, 62, 20, 10});
    m_pWidth = AddEdit(1014, {239, 62, 39, 12});
    m_pWidthSpin = AddSpin(1022, m_pWidth, 1, 3000, 1, {279, 61, 9, 13});
    m_pHeightLabel = AddLabel(1019, "Height", {209, 76, 22, 10});
    m_pHeight = AddEdit(1015, {239, 76, 39, 12});
    m_pHeightSpin = AddSpin(1023, m_pHeight, 1, 3000, 1, {279, 76, 9, 12});
    m_pOffsetXLabel = AddLabel(1016, "OffsetX", {294, 64, 26, 8});
    m_pOffsetX = AddEdit(1020, {322, 62, 39, 12});
    m_pOffsetXSpin = AddSpin(1024, m_pOffsetX, -500, 500, 0, {361, 61, 9, 13});
    m_pOffsetYLabel = AddLabel(1017, "OffsetY", {294, 77, 26, 9});
    m_pOffsetY = AddEdit(1021, {322, 76, 39, 12});
    m_pOffsetYSpin = AddSpin(1025, m_pOffsetY, -500, 500, 0, {361, 76, 9, 12});
    Label(m_pTypeLabel, m_pOutputType);
    Label(m_pSizeLabel, m_pOutputSize);
    Label(m_pWidthLabel, m_pWidth);
    Label(m_pHeightLabel, m_pHeight);
    Label(m_pOffsetXLabel, m_pOffsetX);
    Label(m_pOffsetYLabel, m_pOffsetY);
    m_pWidthSpin->SetAccessibleLabel(QStringLiteral("Width"));
    m_pHeightSpin->SetAccessibleLabel(QStringLiteral("Height"));
    m_pOffsetXSpin->SetAccessibleLabel(QStringLiteral("OffsetX"));
    m_pOffsetYSpin->SetAccessibleLabel(QStringLiteral("OffsetY"));

    // Until the first input picture there are no output parameters to edit.
    for (QWidget* control : std::initializer_list<QWidget*>{m_pOutputName, m_pOutputType, m_pOutputSize, m_pWidth,
                                                            m_pHeight, m_pOffsetX, m_pOffsetY})
        control->setEnabled(false);

    WriteFields();

    // textChanged rather than textEdited: a screen reader sets the text as
    // a whole, and the spins write it too.
    for (QLineEdit* edit : {m_pWidth, m_pHeight, m_pOffsetX, m_pOffsetY})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { OnParameterEdited(*edit); });
    connect(m_pOutputType, &QComboBox::currentIndexChanged, this, [this] { OnOutputTypeSelected(); });
    // Queued, so the click has finished before a dialog opens.
    connect(m_pOpenButton, &QPushButton::clicked, this, &CPictureInfoPage::OpenRequested, Qt::QueuedConnection);
    connect(m_pSaveAsButton, &QPushButton::clicked, this, &CPictureInfoPage::SaveAsRequested, Qt::QueuedConnection);
}

QPushButton* CPictureInfoPage::AddButton(int id, QRect units)
{
    auto* button = Add(new QPushButton(QStringLiteral("..."), this), id, units);
    button->setAccessibleName(button->text());
    return button;
}

CSpinButton* CPictureInfoPage::AddSpin(int id, QLineEdit* buddy, int lower, int upper, int position, QRect units)
{
    auto* spin = Add(new CSpinButton(this), id, units);
    spin->SetRange(lower, upper);
    spin->SetPos(position);
    spin->SetBuddy(buddy);
    return spin;
}

bool CPictureInfoPage::UpdateData(bool saveAndValidate)
{
    if (!saveAndValidate) {
        WriteFields();
        return true;
    }
    m_nOutputType = m_pOutputType->currentIndex();
    m_strOutputName = m_pOutputName->text().toStdString();
    return ReadInteger(*m_pOffsetX, m_nOffsetX) && ReadInteger(*m_pOffsetY, m_nOffsetY) &&
           ReadDimension(*m_pHeight, m_nOutputHeight) && ReadDimension(*m_pWidth, m_nOutputWidth);
}

void CPictureInfoPage::WriteFields()
{
    // Writing must not read the fields back half-way through.
    const QScopedValueRollback<bool> writing(m_bWriting, true);
    const bool listed = m_nOutputType >= 0 && m_nOutputType < static_cast<std::int32_t>(kPictureTypeCount);
    m_pOutputType->setCurrentIndex(listed ? m_nOutputType : -1);
    SetPathText(*m_pOutputName, QString::fromStdString(m_strOutputName));
    SetTextIfChanged(*m_pOffsetX, QString::number(m_nOffsetX));
    SetTextIfChanged(*m_pOffsetY, QString::number(m_nOffsetY));
    SetTextIfChanged(*m_pHeight, QString::number(m_nOutputHeight));
    SetTextIfChanged(*m_pWidth, QString::number(m_nOutputWidth));
}

bool CPictureInfoPage::ReadInteger(QLineEdit& edit, std::int32_t& field)
{
    const std::optional<std::int32_t> value = ParseInteger(edit.text());
    if (value) {
        field = *value;
        return true;
    }
    ShowMessage(kNotAnInteger);
    edit.setFocus();
    edit.selectAll();
    return false;
}

bool CPictureInfoPage::ReadDimension(QLineEdit& edit, std::int32_t& field)
{
    // The value is stored before the range check refuses it, so a rebuild
    // that follows uses what the user entered.
    if (!ReadInteger(edit, field))
        return false;
    if (field >= kMinDimension && field <= kMaxDimension)
        return true;
    ShowMessage(kDimensionRange);
    edit.setFocus();
    edit.selectAll();
    return false;
}

void CPictureInfoPage::OnParameterEdited(QLineEdit& edit)
{
    if (m_bWriting)
        return;
    // A sign on its own is a negative number on its way; refusing it would
    // select it and the next key would overwrite it.
    const QString text = edit.text().trimmed();
    if (text == QLatin1String("-") || text == QLatin1String("+"))
        return;
    ReadAndRequestRebuild();
}

void CPictureInfoPage::ReadAndRequestRebuild()
{
    // The rebuild is requested even after a refusal: it uses the fields as
    // they now stand.
    UpdateData(true);
    emit OutputParametersEdited();
}

void CPictureInfoPage::OnOutputTypeSelected()
{
    if (m_bWriting)
        return;
    UpdateData(true);
    emit OutputTypeChanged(m_nOutputType);
}

void CPictureInfoPage::Refresh(const CPicture& picture, bool newInput)
{
    const QString size = QString::number(picture.GetSize());
    m_pOutputSize->setText(size);
    if (newInput) {
        for (QWidget* control : std::initializer_list<QWidget*>{m_pOutputSize, m_pOffsetX, m_pOffsetY, m_pWidth,
                                                                m_pHeight, m_pOutputType, m_pOutputName})
            control->setEnabled(true);
        SetPathText(*m_pInputName, QString::fromStdString(picture.GetFileName()));
        m_strOutputName = picture.GetFileName();
        m_pInputSize->setText(size);
        m_nOutputWidth = static_cast<std::int32_t>(picture.GetWidth());
        m_pInputWidth->setText(QString::number(picture.GetWidth()));
        m_nOutputHeight = static_cast<std::int32_t>(picture.GetHeight());
        m_pInputHeight->setText(QString::number(picture.GetHeight()));
        const std::string_view typeName = PictureTypeName(picture.GetType());
        if (typeName.empty()) {
            m_pInputType->clear();
            ShowMessage(std::string(picture_messages::kUnknownOutputType));
        } else {
            m_pInputType->setText(QString::fromLatin1(typeName));
            m_nOutputType = static_cast<std::int32_t>(picture.GetType());
        }
        emit OutputTypeChanged(m_nOutputType);
    }
    WriteFields();
    // New output parameters make the output picture out of date, even when
    // the texts come out the same as before. A refresh without a new input
    // follows a rebuild from these very fields: requesting another one would
    // rebuild and refresh again without end.
    if (newInput)
        ReadAndRequestRebuild();
}

void CPictureInfoPage::OnOutputFileSaved(const QString& path)
{
    m_strOutputName = path.toStdString();
    WriteFields();
}

void CPictureInfoPage::OnResizeNotice(int width, int height)
{
    if (width < kStretchFromWidth) {
        RestoreTemplateLayout();
        return;
    }
    const int half = width / 2;
    m_pInputGroup->setGeometry(0, 0, half - 10, height);
    m_pOutputGroup->setGeometry(half + 10, 0, half - 10, height);
    const QRect group = m_pOutputGroup->geometry();
    const int left = group.left();

    // The name fields take the width, each with its button right after it.
    QRect name = m_pInputName->geometry();
    name.setWidth(half - 65);
    m_pInputName->setGeometry(name);
    m_pOpenButton->setGeometry(name.x() + name.width(), name.y(), 15, name.height());
    name = m_pOutputName->geometry();
    name.moveLeft(left + 20);
    name.setWidth(group.width() - 55);
    m_pOutputName->setGeometry(name);
    m_pSaveAsButton->setGeometry(name.x() + name.width(), name.y(), 15, name.height());

    for (QWidget* label : std::initializer_list<QWidget*>{m_pTypeLabel, m_pSizeLabel, m_pWidthLabel, m_pHeightLabel})
        label->move(left + 20, label->y());
    for (QWidget* control : std::initializer_list<QWidget*>{m_pOutputType, m_pOutputSize, m_pWidth, m_pHeight})
        control->move(left + 60, control->y());
    const QRect sizeField = m_pOutputSize->geometry();
    m_pBytesLabel->setGeometry(left + 130, sizeField.y(), sizeField.width(), sizeField.height());

    // Each row: the spin at the edit's right edge, then the offset's label,
    // edit and spin, all on the edit's line.
    const auto placeRow = [left](const QLineEdit& edit, CSpinButton& spin, QLabel& offsetLabel, QLineEdit& offset,
                                 CSpinButton& offsetSpin) {
        const int e = edit.width();
        const int top = edit.y();
        const int h = edit.height();
        spin.setGeometry(left + 60 + e, top, 15, h);
        // Up to the offset's edit, so that "OffsetX" is not cut short in
        // fonts wider than the one the layout was drawn for.
        offsetLabel.setGeometry(left + 90 + e, top, 40, h);
        offset.setGeometry(left + 130 + e, top, e, h);
        offsetSpin.setGeometry(left + 130 + 2 * e, top, 15, h);
    };
    placeRow(*m_pWidth, *m_pWidthSpin, *m_pOffsetXLabel, *m_pOffsetX, *m_pOffsetXSpin);
    placeRow(*m_pHeight, *m_pHeightSpin, *m_pOffsetYLabel, *m_pOffsetY, *m_pOffsetYSpin);
}

