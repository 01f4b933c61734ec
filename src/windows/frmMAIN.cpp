#include "windows/frmMAIN.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "formats/FlowerReader.h"
#include "formats/PetalFile.h"
#include "formats/SizeEstimate.h"
#include "geometry/SampleFlowers.h"
#include "windows/frmDXF.h"
#include "platform/AppInfo.h"
#include "platform/QtServices.h"
#include "platform/SafeFile.h"
#include "widgets/FlowerPicture.h"
#include "windows/FlowerLink.h"
#include "windows/HelpLink.h"
#include "windows/PrintSettings.h"
#include "solid/SolidModule.h"
#include "solid/SolidOptions.h"
#include "solid/SolidSizeEstimate.h"
#include "widgets/EnterNavigation.h"
#include "widgets/ExtendsTextBox.h"
#include "widgets/FormFont.h"
#include "widgets/Twips.h"
#include "windows/preview/FlowerPreview.h"

namespace petalwright::windows {

using namespace petalwright::widgets;
namespace {

// The parameters' area keeps its size; the preview panel and its button widen the window to the right.
constexpr QSize kParameterArea(472, 251);
constexpr QRect kPreviewPanel(472, 8, 250, 250);
constexpr QSize kShapeButton(80, 25);
constexpr int kSampleLabelWidth = 32; // 見本 and a little space before the list
constexpr QSize kSampleList(130, kShapeButton.height());
constexpr int kPanelGap = 6;
constexpr int kMargin = 15;
// Two rows under 別の形: 形番号 and its box; 形を保つ and リンクをコピー.
constexpr int kSeedLabelWidth = 44;
constexpr int kKeepBoxWidth = 100;
constexpr int kLinkButtonWidth = 110;
constexpr int kKeepRows = 2 * (kShapeButton.height() + kPanelGap);
constexpr QSize kClientArea(kPreviewPanel.right() + 1 + kMargin,
                            kPreviewPanel.bottom() + 1 + kPanelGap + kShapeButton.height() + kKeepRows + kMargin / 2);

template <typename Control>
Control* makeControl(QWidget* container, const char* name, QRect geometry)
{
    auto* control = new Control(container);
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

QPushButton* makeButton(QWidget* container, const char* name, const QString& caption, QRect geometry)
{
    auto* button = makeControl<QPushButton>(container, name, geometry);
    button->setText(caption);
    // Enter presses the focused button, as Space does.
    button->setAutoDefault(true);
    return button;
}

// The save dialog's file type of a format; the default DXF file comes first and is preselected.
QString fileTypeFilter(formats::OutputFormat format)
{
    const std::string_view type = formats::formatFileType(format);
    return QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size()));
}

QLineEdit* makeBox(QWidget* container, const char* name, const QString& text, QRect geometry)
{
    auto* box = makeControl<QLineEdit>(container, name, geometry);
    box->setText(text);
    box->setFrame(true);
    return box;
}

} // namespace

frmMAIN::frmMAIN(const platform::Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_services(services)
{
    setObjectName(QStringLiteral("frmMAIN"));
    setWindowTitle(platform::applicationTitle());
    static_assert(kPreviewPanel.left() >= kParameterArea.width() && kClientArea.height() >= kParameterArea.height());
    setFixedSize(kClientArea);
    const QPixmap icon = flowerPicture(QSize(32, 32));
    setWindowIcon(QIcon(icon));

    Frame2 = makeControl<QGroupBox>(this, "Frame2", twips(180, 120, 6675, 855));
    Frame2->setTitle(QStringLiteral("出力DXFファイル"));
    txtDXFFILE = makeBox(Frame2, "txtDXFFILE", QString(), twips(180, 360, 5235, 270));
    txtDXFFILE->setReadOnly(true);
    txtDXFFILE->setFocusPolicy(Qt::ClickFocus); // shown only; not a tab stop
    txtDXFFILE->setAccessibleName(QStringLiteral("ファイル名"));
    QPalette buttonFace = txtDXFFILE->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
    txtDXFFILE->setPalette(buttonFace);
    cmdOUT = makeButton(Frame2, "cmdOUT", QStringLiteral("設定"), twips(5580, 240, 855, 495));

    Frame1 = makeControl<QGroupBox>(this, "Frame1", twips(180, 1080, 4095, 2475));
    const geometry::ParameterTexts defaults = geometry::defaultParameterTexts();
    const std::array<const char*, geometry::kParameterCount> boxNames = {
        "txtPETAL", "txtKASAN", "txtPHABA", "txtSYUKU", "txtANGLS", "txtANGLE"};
    std::array<QLineEdit*, geometry::kParameterCount> boxes{};
    constexpr int kRowStep = 360;
    for (int i = 0; i < geometry::kParameterCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        boxes[n] = makeBox(Frame1, boxNames[n], QString::fromStdString(defaults[n]), twips(2640, 240 + kRowStep * i, 1155, 270));
        // Latin input only: no input method in the number boxes.
        boxes[n]->setAttribute(Qt::WA_InputMethodEnabled, false);
        boxes[n]->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    }
    txtPETAL = boxes[0];
    txtKASAN = boxes[1];
    txtPHABA = boxes[2];
    txtSYUKU = boxes[3];
    txtANGLS = boxes[4];
    txtANGLE = boxes[5];
    for (int i = 0; i < geometry::kParameterCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const int width = i < 4 ? 1875 : 2235;
        Label[n] = makeControl<QLabel>(Frame1, "Label", twips(240, 300 + kRowStep * i, width, 195));
        Label[n]->setObjectName(QStringLiteral("Label_%1").arg(i));
        Label[n]->setText(QString::fromUtf8(geometry::kParameterLabels[n].data(),
                                            static_cast<qsizetype>(geometry::kParameterLabels[n].size())));
        // A screen reader names each box by the label beside it.
        Label[n]->setBuddy(boxes[n]);
        boxes[n]->setAccessibleName(Label[n]->text());
    }

    cmdDXF = makeButton(this, "cmdDXF", QStringLiteral("DXF生成"), twips(4560, 1440, 2295, 495));
    Image1 = makeControl<QLabel>(this, "Image1", twips(5580, 2580, 360, 285));
    Image1->setPixmap(flowerPicture(QSize(19, 19)));
    Image1->setAlignment(Qt::AlignCenter);
    cmdHELP = makeButton(this, "cmdHELP", QStringLiteral("Web Help"), twips(5040, 3060, 1395, 435));
    cmdHELP->setAccessibleDescription(QStringLiteral("ヘルプのページをブラウザーで開きます。"));
    // Below the client area: never seen, it only holds the focus.
    txtTABSTOP = makeBox(this, "txtTABSTOP", QStringLiteral("Text1"), twips(420, 6780, 555, 270));
    txtTABSTOP->setAccessibleName(QStringLiteral("操作の終わり"));
    txtTABSTOP->setAccessibleDescription(QStringLiteral("Tab で「設定」に戻ります。"));
    for (QGroupBox* frame : {Frame1, Frame2})
        frame->setFocusPolicy(Qt::NoFocus);

    // The preview, its list and its button are reached with Tab after the window's own controls; a
    // click on them takes no focus, so it leaves the caret in the box being edited.
    picPREVIEW = new FlowerPreview(this);
    picPREVIEW->setGeometry(kPreviewPanel);
    cmdSHAPE = makeButton(this, "cmdSHAPE", QStringLiteral("別の形"),
                          QRect(QPoint(kPreviewPanel.right() + 1 - kShapeButton.width(), kPreviewPanel.bottom() + 1 + kPanelGap),
                                kShapeButton));
    cmdSHAPE->setFocusPolicy(Qt::TabFocus);
    tmrPREVIEW = new QTimer(this);
    tmrPREVIEW->setObjectName(QStringLiteral("tmrPREVIEW"));
    tmrPREVIEW->setSingleShot(true);
    tmrPREVIEW->setInterval(kPreviewDelayMs);
    for (QLineEdit* box : boxes)
        connect(box, &QLineEdit::textChanged, tmrPREVIEW, qOverload<>(&QTimer::start));
    connect(tmrPREVIEW, &QTimer::timeout, this, &frmMAIN::refreshPREVIEW);
    connect(cmdSHAPE, &QPushButton::clicked, this, &frmMAIN::cmdSHAPE_Click);

    // The sample list sits left of 別の形 under the preview and, like it, takes the focus only from Tab.
    const int underPreview = cmdSHAPE->y();
    lblSAMPLE = makeControl<QLabel>(this, "lblSAMPLE", QRect(kPreviewPanel.left(), underPreview, kSampleLabelWidth, kShapeButton.height()));
    lblSAMPLE->setText(QStringLiteral("見本"));
    cboSAMPLE = makeControl<QComboBox>(this, "cboSAMPLE", QRect(QPoint(lblSAMPLE->geometry().right() + 1, underPreview), kSampleList));
    cboSAMPLE->setFocusPolicy(Qt::TabFocus);
    lblSAMPLE->setBuddy(cboSAMPLE);
    cboSAMPLE->setAccessibleName(lblSAMPLE->text());
    cboSAMPLE->addItem(QStringLiteral("（自由）"));
    for (const geometry::SampleFlower& sample : geometry::sampleFlowers())
        cboSAMPLE->addItem(QString::fromUtf8(sample.japaneseName.data(), static_cast<qsizetype>(sample.japaneseName.size())),
                           QString::fromLatin1(sample.name.data(), static_cast<qsizetype>(sample.name.size())));
    // It starts on the sample of the boxes' first texts.
    if (const geometry::SampleFlower* start = geometry::sampleWithTexts(boxTexts()))
        cboSAMPLE->setCurrentIndex(static_cast<int>(start - geometry::sampleFlowers().data()) + 1);
    connect(cboSAMPLE, &QComboBox::activated, this, &frmMAIN::cboSAMPLE_Click);
    cboSAMPLE->installEventFilter(this);
    // Only an edit by the user leaves the sample; the list's own fill does not count.
    for (QLineEdit* box : boxes)
        connect(box, &QLineEdit::textEdited, cboSAMPLE, [this] { cboSAMPLE->setCurrentIndex(0); });

    // The shape number: typed numbers take effect on Enter or on leaving the box. Like 別の形, these
    // controls come after the window's own in the keyboard order; a click on the check box or the
    // button takes no focus.
    const int seedRow = underPreview + kShapeButton.height() + kPanelGap;
    lblSEED = makeControl<QLabel>(this, "lblSEED", QRect(kPreviewPanel.left(), seedRow, kSeedLabelWidth, kShapeButton.height()));
    lblSEED->setText(QStringLiteral("形番号"));
    txtSEED = makeControl<QLineEdit>(this, "txtSEED", QRect(QPoint(lblSEED->geometry().right() + 1, seedRow),
                                                            QPoint(kPreviewPanel.right(), seedRow + kShapeButton.height() - 1)));
    txtSEED->setAccessibleName(lblSEED->text());
    txtSEED->setAccessibleDescription(QStringLiteral("リングの回転を決める番号です。入力して Enter でその形になります。"));
    txtSEED->setAttribute(Qt::WA_InputMethodEnabled, false);
    lblSEED->setBuddy(txtSEED);
    connect(txtSEED, &QLineEdit::editingFinished, this, &frmMAIN::txtSEED_Apply);
    const int keepRow = seedRow + kShapeButton.height() + kPanelGap;
    chkKEEP = makeControl<QCheckBox>(this, "chkKEEP", QRect(kPreviewPanel.left(), keepRow, kKeepBoxWidth, kShapeButton.height()));
    chkKEEP->setText(QStringLiteral("形を保つ"));
    chkKEEP->setFocusPolicy(Qt::TabFocus);
    chkKEEP->setAccessibleDescription(QStringLiteral("書き出しのあとも同じ形番号を使います。"));
    cmdLINK = makeButton(this, "cmdLINK", QStringLiteral("リンクをコピー"),
                         QRect(kPreviewPanel.right() + 1 - kLinkButtonWidth, keepRow, kLinkButtonWidth, kShapeButton.height()));
    cmdLINK->setFocusPolicy(Qt::TabFocus);
    cmdLINK->setAccessibleDescription(QStringLiteral("この花を開くブラウザー版のリンクをクリップボードに入れます。"));
    connect(cmdLINK, &QPushButton::clicked, this, &frmMAIN::cmdLINK_Click);
    // A file dropped on a box opens as a flower too, instead of landing in the box as text.
    setAcceptDrops(true);
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->setAcceptDrops(false);
    // Keyboard order: the window's own controls, then the preview's, and last the holder, from
    // which Tab comes back to 設定.
    QWidget* order[] = {cmdOUT, txtPETAL, txtKASAN, txtPHABA, txtSYUKU, txtANGLS, txtANGLE, cmdDXF, cmdHELP,
                        picPREVIEW, cboSAMPLE, cmdSHAPE, txtSEED, chkKEEP, cmdLINK, txtTABSTOP};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(cmdDXF, &QPushButton::clicked, this, &frmMAIN::cmdDXF_Click);
    connect(cmdOUT, &QPushButton::clicked, this, &frmMAIN::cmdOUT_Click);
    connect(cmdHELP, &QPushButton::clicked, this, &frmMAIN::cmdHELP_Click);
    onKeyPress(txtPETAL, [this](int& k) { txtPETAL_KeyPress(k); });
    onKeyPress(txtKASAN, [this](int& k) { txtKASAN_KeyPress(k); });
    onKeyPress(txtPHABA, [this](int& k) { txtPHABA_KeyPress(k); });
    onKeyPress(txtSYUKU, [this](int& k) { txtSYUKU_KeyPress(k); });
    onKeyPress(txtANGLS, [this](int& k) { txtANGLS_KeyPress(k); });
    onKeyPress(txtANGLE, [this](int& k) { txtANGLE_KeyPress(k); });

    Form_Load();
    setSeed(m_services.seedForRun());
}

frmMAIN::~frmMAIN() = default;

void frmMAIN::Form_Load()
{
    setWindowTitle(QStringLiteral("%1 %2β").arg(platform::applicationTitle(), platform::versionText()));
    setFONT(this);
    extendTEXTBOX(this);
}

void frmMAIN::showCentred()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    activateWindow();
    cmdOUT->setFocus();
}

void frmMAIN::txtPETAL_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, txtKASAN); }
void frmMAIN::txtKASAN_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, txtPHABA); }
void frmMAIN::txtPHABA_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, txtSYUKU); }
void frmMAIN::txtSYUKU_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, txtANGLS); }
void frmMAIN::txtANGLS_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, txtANGLE); }
void frmMAIN::txtANGLE_KeyPress(int& KeyAscii) { enterMovesFocus(KeyAscii, cmdDXF); }

geometry::ParameterTexts frmMAIN::boxTexts() const
{
    return {txtPETAL->text().toStdString(), txtKASAN->text().toStdString(), txtPHABA->text().toStdString(),
            txtSYUKU->text().toStdString(), txtANGLS->text().toStdString(), txtANGLE->text().toStdString()};
}

void frmMAIN::cmdDXF_Click()
{
    if (!txtSEED_Apply())
        return;
    txtTABSTOP->setFocus();
    if (m_job.dxfFilePath.isEmpty()) {
        cmdOUT_Click();
        if (m_job.dxfFilePath.isEmpty())
            return;
    }
    if (!checkPRAM())
        return;
    if (formats::isFlowerFile(m_job.outputFormat)) {
        writeFlowerFile();
        return;
    }
    if (formats::isPrintable(m_job.outputFormat)) {
        const std::string problems = solid::checkSolidOptions(m_job.printThicknessText.toStdString(), m_job.printSizeText.toStdString(),
                                                              m_job.parameters, m_job.solidOptions);
        if (!problems.empty()) {
            m_services.messageBox->exclamation(this, QString::fromStdString(problems));
            return;
        }
    }
    checkSIZE();
    if (m_job.faceTotal >= formats::kConfirmFaceCount) {
        const QString prompt = QStringLiteral("△") + widgets::groupedCount(m_job.faceTotal, m_services.locale)
            + QStringLiteral(" ファイルサイズ ") + QString::fromStdString(m_job.sizeEstimateText)
            + QStringLiteral(" になります。\r\n\r\n続けますか？");
        if (!m_services.messageBox->question(this, prompt))
            return;
    }
    if (!m_frmDXF)
        m_frmDXF = std::make_unique<windows::frmDXF>(m_job, m_services, [this] { return boxTexts(); }, this);
    m_frmDXF->showModal();
    // A completed run uses up its ring turns: the next run and the preview get new ones, unless 形を保つ
    // keeps them. procState alone cannot tell: it still says Finished when the window is closed during
    // the start delay after a run.
    if (m_frmDXF->finishedThisShowing() && !chkKEEP->isChecked())
        cmdSHAPE_Click();
}

bool frmMAIN::checkPRAM()
{
    const geometry::ParameterTexts texts = boxTexts();
    const geometry::FlowerParameters values = geometry::convertParameters(texts);
    m_job.parameters = values;

    const std::string problems = geometry::checkParameters(texts, values);
    if (!problems.empty()) {
        m_services.messageBox->exclamation(this, QString::fromStdString(problems));
        return false;
    }
    m_job.mesh.allocate(m_job.parameters.overlapCount, m_job.parameters.petalCount);
    return true;
}

void frmMAIN::checkSIZE()
{
    // The estimate of the chosen type's file; for the DXF type the designed one.
    const formats::SizeEstimate estimate = formats::isPrintable(m_job.outputFormat)
        ? solid::estimateSolidFileSize(m_job.outputFormat, m_job.parameters, m_job.solidOptions)
        : formats::estimateFileSize(m_job.outputFormat, m_job.parameters);
    m_job.faceTotal = estimate.faceTotal;
    m_job.sizeEstimateText = estimate.sizeEstimateText;
}

void frmMAIN::cmdOUT_Click()
{
    txtTABSTOP->setFocus();
    platform::SaveRequest request;
    request.title = QStringLiteral("保存するDXFファイル名称の設定");
    for (const formats::OutputFormat format : formats::kOutputFormats) {
        request.filters << fileTypeFilter(format);
        if (format == m_job.outputFormat)
            request.selectedFilter = request.filters.last();
    }
    const std::string_view suffix = formats::formatExtension(m_job.outputFormat);
    request.defaultSuffix = QString::fromLatin1(suffix.data(), static_cast<qsizetype>(suffix.size()));
    // Until a file is chosen in this run, the dialog opens where the user saved last time, on that type.
    QSettings remembered(m_services.settingsFile, QSettings::IniFormat);
    if (m_job.dxfFilePath.isEmpty()) {
        request.folder = platform::saveStartFolder(remembered.value(QStringLiteral("output/folder")).toString(), m_services.executableFolder);
        const QString type = remembered.value(QStringLiteral("output/type")).toString();
        if (request.filters.contains(type))
            request.selectedFilter = type;
    } else {
        request.folder = QFileInfo(m_job.dxfFilePath).absolutePath();
    }
    request.fileName = m_job.dxfFilePath;

    const platform::SaveChoice chosen = m_services.saveDialog->getSaveFileName(this, request);
    if (chosen.path.isEmpty()) {
        // The box keeps showing the earlier path, but no file is chosen any more.
        m_job.dxfFilePath.clear();
        return;
    }
    formats::OutputFormat format = formats::OutputFormat::Dxf;
    for (const formats::OutputFormat candidate : formats::kOutputFormats)
        if (chosen.filter == fileTypeFilter(candidate))
            format = candidate;
    // An existing flower file may be chosen to open it; the output stays as it was.
    if (formats::isFlowerFile(format) && QFileInfo(chosen.path).isFile()
        && m_services.messageBox->question(this, QStringLiteral("花の設定ファイル「%1」を開きますか？\r\n\r\n"
                                                                "「いいえ」を選ぶと、このファイルに今の花を保存します。")
                                                     .arg(QFileInfo(chosen.path).fileName()))) {
        openFlowerFile(chosen.path);
        return;
    }
    if (formats::isPrintable(format)) {
        // The solid's module is loaded now, so a missing one is said before any question or work.
        std::string unavailable;
        if (solid::loadSolidModule(&unavailable) == nullptr) {
            m_services.messageBox->exclamation(this, QString::fromStdString(unavailable));
            m_job.dxfFilePath.clear();
            return;
        }
        // The solid's thickness and size, asked right after the file; cancelling it cancels the choice.
        PrintTexts texts = m_job.printThicknessText.isEmpty() ? rememberedPrintTexts() : PrintTexts{m_job.printThicknessText, m_job.printSizeText};
        const auto check = [this](const PrintTexts& typed) {
            solid::SolidOptions options;
            return solid::checkSolidOptions(typed.thickness.toStdString(), typed.size.toStdString(),
                                            geometry::convertParameters(boxTexts()), options);
        };
        if (!askPrintTexts(this, *m_services.messageBox, check, texts)) {
            m_job.dxfFilePath.clear();
            return;
        }
        m_job.printThicknessText = texts.thickness;
        m_job.printSizeText = texts.size;
    }
    m_job.dxfFilePath = chosen.path;
    remembered.setValue(QStringLiteral("output/folder"), QFileInfo(chosen.path).absolutePath());
    remembered.setValue(QStringLiteral("output/type"), chosen.filter);
    txtDXFFILE->setText(QDir::toNativeSeparators(chosen.path));
    m_job.dxfFileName = QFileInfo(chosen.path).fileName();
    m_job.outputFormat = format;
}

void frmMAIN::cmdHELP_Click()
{
    const QUrl& page = m_services.helpPage;
    if (page.isLocalFile() && !QFileInfo(page.toLocalFile()).isFile())
        m_services.messageBox->exclamation(this, helpFailureMessage(page, true));
    else if (!m_services.urlOpener->open(page))
        m_services.messageBox->exclamation(this, helpFailureMessage(page, false));
    txtTABSTOP->setFocus();
}

void frmMAIN::cmdSHAPE_Click() { setSeed(m_services.seedForRun()); }

void frmMAIN::setSeed(std::uint64_t seed)
{
    m_job.ringSeed = seed;
    txtSEED->setText(QString::number(seed));
    refreshPREVIEW();
}

bool frmMAIN::txtSEED_Apply()
{
    const QString typed = txtSEED->text();
    if (typed == QString::number(m_job.ringSeed))
        return true;
    const std::optional<std::uint64_t> seed = formats::parseShapeNumber(typed.toStdString());
    if (!seed) {
        // The box shows the current number before the message takes the focus (which ends the edit again).
        txtSEED->setText(QString::number(m_job.ringSeed));
        m_services.messageBox->exclamation(this, QString::fromUtf8(formats::messages::kShapeNumber.data(),
                                                                   static_cast<qsizetype>(formats::messages::kShapeNumber.size()))
                                                     + QStringLiteral("\r\n\r\n") + typed);
        return false;
    }
    setSeed(*seed);
    return true;
}

void frmMAIN::cmdLINK_Click()
{
    if (!txtSEED_Apply())
        return;
    const geometry::ParameterTexts texts = boxTexts();
    const std::string problems = geometry::checkParameters(texts, geometry::convertParameters(texts));
    if (!problems.empty()) {
        m_services.messageBox->exclamation(this, QString::fromStdString(problems));
        return;
    }
    QGuiApplication::clipboard()->setText(flowerLink(builtPageUrl(), formats::flowerRecord(texts, m_job.ringSeed)));
}

void frmMAIN::writeFlowerFile()
{
    formats::FlowerRecord flower = formats::flowerRecord(boxTexts(), m_job.ringSeed);
    flower.size = m_job.printSizeText.trimmed().toStdString();
    flower.thickness = m_job.printThicknessText.trimmed().toStdString();
    platform::SafeFile file(m_job.dxfFilePath);
    // Without a progress window there is no cancel: another program saving the same file ends the try.
    file.keepWaiting = [] { return false; };
    if (!file.open()) {
        m_services.messageBox->exclamation(this, file.errorMessage());
        return;
    }
    if (!file.write(formats::petalFileText(flower)) || !file.commit()) {
        file.discard();
        m_services.messageBox->exclamation(this, file.errorMessage());
        return;
    }
    if (!file.notice().isEmpty())
        m_services.messageBox->exclamation(this, file.notice());
}

bool frmMAIN::openFlowerFile(const QString& path)
{
    QFile file(path);
    QByteArray bytes;
    std::string problem;
    if (QFileInfo(path).isDir())
        problem = "フォルダーです。";
    else if (!file.open(QIODevice::ReadOnly))
        problem = file.error() == QFileDevice::OpenError && !QFileInfo::exists(path) ? "ファイルがありません。" : "読み取れません。";
    else
        bytes = file.readAll();
    formats::FlowerRead read;
    if (problem.empty())
        read = formats::readFlowerFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    else
        read.problem = problem;
    if (!read.flower) {
        m_services.messageBox->exclamation(this, QStringLiteral("花の設定を読めませんでした。\r\n\r\nファイル: %1\r\n原因: %2")
                                                     .arg(QDir::toNativeSeparators(path), QString::fromStdString(read.problem)));
        return false;
    }
    QLineEdit* const boxes[] = {txtPETAL, txtKASAN, txtPHABA, txtSYUKU, txtANGLS, txtANGLE};
    for (std::size_t i = 0; i < std::size(boxes); ++i)
        boxes[i]->setText(QString::fromStdString(read.flower->texts[i]));
    const geometry::SampleFlower* sample = geometry::sampleWithTexts(boxTexts());
    cboSAMPLE->setCurrentIndex(sample ? static_cast<int>(sample - geometry::sampleFlowers().data()) + 1 : 0);
    if (!read.flower->thickness.empty())
        m_job.printThicknessText = QString::fromStdString(read.flower->thickness);
    if (!read.flower->size.empty())
        m_job.printSizeText = QString::fromStdString(read.flower->size);
    setSeed(read.flower->seed.value_or(m_services.seedForRun()));
    if (!read.flower->seed)
        m_services.messageBox->exclamation(this, QString::fromUtf8(formats::messages::kNoShapeNumber.data(),
                                                                   static_cast<qsizetype>(formats::messages::kNoShapeNumber.size())));
    return true;
}

void frmMAIN::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void frmMAIN::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    openFlowerFile(urls.first().toLocalFile());
}

void frmMAIN::cboSAMPLE_Click(int index)
{
    const std::span<const geometry::SampleFlower> samples = geometry::sampleFlowers();
    if (index < 1 || static_cast<std::size_t>(index) > samples.size())
        return;
    const geometry::SampleFlower& sample = samples[static_cast<std::size_t>(index - 1)];
    QLineEdit* const boxes[] = {txtPETAL, txtKASAN, txtPHABA, txtSYUKU, txtANGLS, txtANGLE};
    for (std::size_t i = 0; i < std::size(boxes); ++i)
        boxes[i]->setText(QString::fromUtf8(sample.texts[i].data(), static_cast<qsizetype>(sample.texts[i].size())));
    // The whole flower changed at once: no pause as after typing.
    refreshPREVIEW();
}

bool frmMAIN::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboSAMPLE && event->type() == QEvent::Wheel)
        return true;
    return QWidget::eventFilter(watched, event);
}

void frmMAIN::refreshPREVIEW()
{
    tmrPREVIEW->stop();
    picPREVIEW->showFlower(boxTexts(), m_job.ringSeed);
}

} // namespace petalwright::windows
