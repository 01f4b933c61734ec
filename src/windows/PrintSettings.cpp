#include "windows/PrintSettings.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "platform/Services.h"
#include "solid/SolidOptions.h"
#include "widgets/FormFont.h"

namespace petalwright::windows {
namespace {

const QString kThicknessKey = QStringLiteral("print/thickness");
const QString kSizeKey = QStringLiteral("print/size");

} // namespace

PrintTexts rememberedPrintTexts()
{
    const QSettings store(QStringLiteral("petalwright"), QStringLiteral("petalwright"));
    const QString fallback = QString::fromLatin1(solid::kDefaultThicknessText.data(), static_cast<qsizetype>(solid::kDefaultThicknessText.size()));
    return {store.value(kThicknessKey, fallback).toString(), store.value(kSizeKey, QString()).toString()};
}

bool askPrintTexts(QWidget* parent, platform::MessageBox& messageBox, const std::function<std::string(const PrintTexts&)>& check,
                   PrintTexts& texts)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmPRINT"));
    dialog.setWindowTitle(QStringLiteral("3Dプリント用の設定"));
    auto* layout = new QFormLayout(&dialog);
    auto* thickness = new QLineEdit(texts.thickness, &dialog);
    thickness->setObjectName(QStringLiteral("txtTHICK"));
    auto* size = new QLineEdit(texts.size, &dialog);
    size->setObjectName(QStringLiteral("txtSIZE"));
    size->setPlaceholderText(QStringLiteral("空欄: 図面の単位を mm として"));
    layout->addRow(QStringLiteral("花びらの厚さ (mm)"), thickness);
    layout->addRow(QStringLiteral("花の大きさ (mm)"), size);
    layout->addRow(new QLabel(QStringLiteral("大きさは X と Y の幅の大きい方です。"), &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCANCEL"));
    layout->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        const PrintTexts typed{thickness->text().trimmed(), size->text().trimmed()};
        if (const std::string problems = check(typed); !problems.empty()) {
            messageBox.exclamation(&dialog, QString::fromStdString(problems));
            return;
        }
        dialog.accept();
    });
    widgets::setFONT(&dialog);
    // Wide enough for the whole hint in the form font.
    size->setMinimumWidth(size->fontMetrics().horizontalAdvance(size->placeholderText()) + 3 * size->fontMetrics().averageCharWidth());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    texts = {thickness->text().trimmed(), size->text().trimmed()};
    QSettings store(QStringLiteral("petalwright"), QStringLiteral("petalwright"));
    store.setValue(kThicknessKey, texts.thickness);
    store.setValue(kSizeKey, texts.size);
    return true;
}

} // namespace petalwright::windows
