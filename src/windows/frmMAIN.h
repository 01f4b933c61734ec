#pragma once
// The main window: the six parameter boxes, the output file, the generate and help commands.

#include <QWidget>

#include <array>
#include <memory>

#include "geometry/FlowerParameters.h"
#include "platform/Services.h"
#include "windows/JobState.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace petalwright::windows {

class frmDXF;
class FlowerPreview;

class frmMAIN final : public QWidget {
    Q_OBJECT
public:
    explicit frmMAIN(const platform::Services& services, QWidget* parent = nullptr);
    ~frmMAIN() override;

    // Centres the window on its screen and shows it with the focus on cmdOUT.
    void showCentred();

    JobState& jobState() { return m_job; }
    // The progress window, once the first run has created it.
    windows::frmDXF* progressWindow() const { return m_frmDXF.get(); }

    QGroupBox* Frame2 = nullptr;
    QLineEdit* txtDXFFILE = nullptr;
    QPushButton* cmdOUT = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLineEdit* txtPETAL = nullptr;
    QLineEdit* txtKASAN = nullptr;
    QLineEdit* txtPHABA = nullptr;
    QLineEdit* txtSYUKU = nullptr;
    QLineEdit* txtANGLS = nullptr;
    QLineEdit* txtANGLE = nullptr;
    std::array<QLabel*, geometry::kParameterCount> Label{};
    QPushButton* cmdDXF = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* cmdHELP = nullptr;
    QLineEdit* txtTABSTOP = nullptr;

    // The preview to the right of the parameters, the button under it, and the pause after typing.
    FlowerPreview* picPREVIEW = nullptr;
    QPushButton* cmdSHAPE = nullptr;
    QTimer* tmrPREVIEW = nullptr;
    static constexpr int kPreviewDelayMs = 150;
    // The sample flowers beside 別の形: entry 0 is free input, each other entry fills the six boxes.
    QLabel* lblSAMPLE = nullptr;
    QComboBox* cboSAMPLE = nullptr;
    // Under them: the shape number (shown, copied, typed), 形を保つ, and the page's link of the flower.
    QLabel* lblSEED = nullptr;
    QLineEdit* txtSEED = nullptr;
    QCheckBox* chkKEEP = nullptr;
    QPushButton* cmdLINK = nullptr;

    void cmdDXF_Click();
    void cmdOUT_Click();
    void cmdHELP_Click();
    // Draws new ring turns for the preview and the next run.
    void cmdSHAPE_Click();
    // Fills the six boxes with the texts of the chosen sample; the free-input entry changes nothing.
    void cboSAMPLE_Click(int index);
    // Takes the shape number typed into txtSEED; a bad one gets the message box and the box shows
    // the current one again. False for a bad one.
    bool txtSEED_Apply();
    // Puts the page's link of the flower (six texts and shape number) on the clipboard.
    void cmdLINK_Click();
    // Shows the flower a file Petalwright wrote names: the six boxes, the shape number, the print
    // size and thickness. Runs nothing and writes nothing; a bad file gets the message box.
    bool openFlowerFile(const QString& path);

protected:
    // Keeps the wheel off the sample list: one stray notch would overwrite all six boxes.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A file dropped on the window is opened as a flower.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Form_Load();
    bool checkPRAM();
    void checkSIZE();
    geometry::ParameterTexts boxTexts() const;
    // Shows the flower of the boxes with the seed of the next run.
    void refreshPREVIEW();
    // The ring turns of the preview and the next run, shown in txtSEED.
    void setSeed(std::uint64_t seed);
    // Writes the flower file chosen in 設定: no progress window, no new ring turns.
    void writeFlowerFile();

    void txtPETAL_KeyPress(int& KeyAscii);
    void txtKASAN_KeyPress(int& KeyAscii);
    void txtPHABA_KeyPress(int& KeyAscii);
    void txtSYUKU_KeyPress(int& KeyAscii);
    void txtANGLS_KeyPress(int& KeyAscii);
    void txtANGLE_KeyPress(int& KeyAscii);

    platform::Services m_services;
    JobState m_job;
    std::unique_ptr<windows::frmDXF> m_frmDXF;
};

} // namespace petalwright::windows
