#pragma once

#include "dialog_page.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CPicture;
class CSpinButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Picture Info" tab: what is known of the input picture on the left,
// the parameters of the output picture on the right. Every change of the
// output size or offsets asks for a rebuild at once. Controls are named by
// their numeric ids ("1009", "1014", ...).
class CPictureInfoPage : public CDialogPage {
    Q_OBJECT

public:
    explicit CPictureInfoPage(QWidget* parent = nullptr);

    // The output parameters; the view reads them when it rebuilds the output
    // picture. m_nOutputType is the list index, -1 while nothing is selected.
    std::int32_t m_nOutputType = -1;
    std::string m_strOutputName;
    std::int32_t m_nOffsetX = 0;
    std::int32_t m_nOffsetY = 0;
    std::int32_t m_nOutputHeight = 0;
    std::int32_t m_nOutputWidth = 0;

    // true: controls to fields, in the order type, name, X offset, Y offset,
    // height, width, stopping with a message at the first refused field.
    // false: fields to controls.
    bool UpdateData(bool saveAndValidate);
    // Shows the picture's figures. A new input picture also gives the output
    // parameters their starting values; otherwise only the output size
    // changes.
    void Refresh(const CPicture& picture, bool newInput);
    // The view's new size for the page, in pixels.
    void OnResizeNotice(int width, int height);
    // A Save As was confirmed under this full path.
    void OnOutputFileSaved(const QString& path);

signals:
    // The fields have been read after a change of size or offset.
    void OutputParametersEdited();
    void OutputTypeChanged(int type);
    // The two "..." buttons; both arrive after the click has finished.
    void OpenRequested();
    void SaveAsRequested();

private:
    QPushButton* AddButton(int id, QRect units);
    CSpinButton* AddSpin(int id, QLineEdit* buddy, int lower, int upper, int position, QRect units);

    void WriteFields();
    bool ReadInteger(QLineEdit& edit, std::int32_t& field);
    bool ReadDimension(QLineEdit& edit, std::int32_t& field);
    void OnParameterEdited(QLineEdit& edit);
    void ReadAndRequestRebuild();
    void OnOutputTypeSelected();

    bool m_bWriting = false;

    QGroupBox* m_pInputGroup = nullptr;
    QLineEdit* m_pInputName = nullptr;
    QPushButton* m_pOpenButton = nullptr;
    QLineEdit* m_pInputType = nullptr;
    QLineEdit* m_pInputSize = nullptr;
    QLineEdit* m_pInputWidth = nullptr;
    QLineEdit* m_pInputHeight = nullptr;

    QGroupBox* m_pOutputGroup = nullptr;
    QLineEdit* m_pOutputName = nullptr;
    QPushButton* m_pSaveAsButton = nullptr;
    QLabel* m_pTypeLabel = nullptr;
    QComboBox* m_pOutputType = nullptr;
    QLabel* m_pSizeLabel = nullptr;
    QLineEdit* m_pOutputSize = nullptr;
    QLabel* m_pBytesLabel = nullptr;
    QLabel* m_pWidthLabel = nullptr;
    QLineEdit* m_pWidth = nullptr;
    CSpinButton* m_pWidthSpin = nullptr;
    QLabel* m_pHeightLabel = nullptr;
    QLineEdit* m_pHeight = nullptr;
    CSpinButton* m_pHeightSpin = nullptr;
    QLabel* m_pOffsetXLabel = nullptr;
    QLineEdit* m_pOffsetX = nullptr;
    CSpinButton* m_pOffsetXSpin = nullptr;
    QLabel* m_pOffsetYLabel = nullptr;
    QLineEdit* m_pOffsetY = nullptr;
    CSpinButton* m_pOffsetYSpin = nullptr;
};
