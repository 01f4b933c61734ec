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
#include <QStandardPaths>

#include "geometry/RandomSource.h"
#include "platform/AppInfo.h"
#include "platform/PathName.h"

namespace petalwright::platform {
namespace {

// The box shows line breaks; the texts join their lines with CR LF.
QString forDisplay(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Refuses, inside the dialog, a name whose folder does not exist, and gives the name the extension of
// the chosen type before the question about replacing a file is asked.
class DxfFileDialog final : public QFileDialog {
public:
    DxfFileDialog(QWidget* parent, const QString& title, const QString& folder, const QStringList& filters)
        : QFileDialog(parent, title, folder)
    {
        setNameFilters(filters);
        for (const QString& filter : filters)
            m_typeSuffixes << filterSuffix(filter);
        // Another type puts its extension on the name typed so far.
        connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
            const QString suffix = filterSuffix(filter);
            setDefaultSuffix(suffix);
            const QStringList files = selectedFiles();
            if (!suffix.isEmpty() && files.size() == 1 && !QFileInfo(files.first()).isDir())
                selectFile(QFileInfo(withSuffix(files.first(), suffix, m_typeSuffixes)).fileName());
        });
    }

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
            const QString suffix = filterSuffix(selectedNameFilter());
            if (!chosen.isDir() && !suffix.isEmpty()) {
                const QString named = withSuffix(files.first(), suffix, m_typeSuffixes);
                if (named != files.first())
                    selectFile(named);
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
    QStringList m_typeSuffixes;
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

QString filterSuffix(const QString& filter)
{
    const qsizetype start = filter.lastIndexOf(QStringLiteral("(*."));
    const qsizetype end = filter.indexOf(QLatin1Char(')'), start);
    return start < 0 || end < 0 ? QString() : filter.mid(start + 3, end - start - 3);
}

QString withSuffix(const QString& path, const QString& suffix, const QStringList& typeSuffixes)
{
    const QFileInfo info(path);
    const QString current = info.suffix();
    if (current.compare(suffix, Qt::CaseInsensitive) == 0)
        return path;
    if (!current.isEmpty() && typeSuffixes.contains(current, Qt::CaseInsensitive))
        return path.left(path.size() - current.size()) + suffix;
    return path + QLatin1Char('.') + suffix;
}

SaveChoice QtSaveDialog::getSaveFileName(QWidget* parent, const SaveRequest& request)
{
    DxfFileDialog dialog(parent, request.title, request.folder, request.filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.selectedFilter.isEmpty())
        dialog.selectNameFilter(request.selectedFilter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), dialog.selectedNameFilter()};
}

bool DesktopUrlOpener::open(const QUrl& url) { return QDesktopServices::openUrl(url); }

void SlicedYield::operator()()
{
    if (m_last->isValid() && m_last->nsecsElapsed() < kSliceNs)
        return;
    QCoreApplication::processEvents();
    m_last->start();
}

QString saveStartFolder(const QString& remembered, const QString& programFolder)
{
    const auto usable = [](const QString& folder) { return !folder.isEmpty() && QFileInfo(folder).isDir(); };
    if (usable(remembered))
        return remembered;
    if (usable(programFolder) && QFileInfo(programFolder).isWritable())
        return programFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return usable(documents) ? documents : QDir::homePath();
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
    services.settingsFile = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/petalwright/petalwright.conf");
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
