#include "platform/QtServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <QMessageBox>

#include "geometry/RandomSource.h"
#include "platform/AppInfo.h"
#include "platform/PathName.h"

namespace petalwright::platform {
namespace {

// The box shows line breaks; the texts join their lines with CR LF.
QString forDisplay(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Refuses, inside the dialog, a name whose folder does not exist.
class DxfFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo chosen(files.first());
            if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
                warn(QStringLiteral("フォルダーが見つかりません。\n%1\nフォルダー名を確認してください。")
                         .arg(QDir::toNativeSeparators(chosen.absolutePath())));
                return;
            }
            // The name is used exactly as chosen: one the list shows for a name with bytes
            // that are not text would write another file.
            if (const QString problem = ambiguousNameProblem(chosen.absoluteFilePath()); !chosen.isDir() && !problem.isEmpty()) {
                warn(problem);
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    void warn(const QString& text)
    {
        QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
};

} // namespace

void QtMessageBox::exclamation(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, applicationTitle(), forDisplay(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText); // file names and typed texts as they are, never as markup
    box.exec();
}

bool QtMessageBox::question(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, applicationTitle(), forDisplay(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtSaveDialog::getSaveFileName(QWidget* parent, const SaveRequest& request)
{
    DxfFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool DesktopUrlOpener::open(const QUrl& url) { return QDesktopServices::openUrl(url); }

void SlicedYield::operator()()
{
    if (m_last->isValid() && m_last->nsecsElapsed() < kSliceNs)
        return;
    QCoreApplication::processEvents();
    m_last->start();
}

Services systemServices(const Clock& clock)
{
    static QtMessageBox messageBox;
    static QtSaveDialog saveDialog;
    static DesktopUrlOpener urlOpener;
    Services services;
    services.messageBox = &messageBox;
    services.saveDialog = &saveDialog;
    services.urlOpener = &urlOpener;
    services.clock = &clock;
    services.seedForRun = [] { return geometry::seedFromClock(); };
    services.yield = SlicedYield();
    services.executableFolder = executableFolder();
    services.locale = QLocale::system();
    return services;
}

bool installJapaneseStandardTexts()
{
    static QTranslator translator;
    if (!translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&translator);
}

} // namespace petalwright::platform
