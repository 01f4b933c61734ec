#pragma once
// Drives the main window as a user would, with recording fakes of the platform services behind it,
// and watches the modal progress window its commands open.

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "TestFiles.h"
#include "WrittenFlower.h"
#include "platform/SafeFile.h"
#include "platform/LocalDateTime.h"
#include "platform/Services.h"
#include "windows/frmDXF.h"
#include "windows/frmMAIN.h"

namespace petalwright::testing {

// Recording fakes of the platform services.
class FakeMessageBox final : public platform::MessageBox {
public:
    void exclamation(QWidget*, const QString& text) override { shown << QStringLiteral("! ") + text; }
    bool question(QWidget*, const QString& text) override
    {
        shown << QStringLiteral("? ") + text;
        return !answers.isEmpty() && answers.takeFirst(); // No is the default button
    }
    QStringList shown;   // "! text" for an exclamation, "? text" for a question, in order
    QList<bool> answers; // Yes = true, in order of the questions
};

class FakeSaveDialog final : public platform::SaveDialog {
public:
    platform::SaveChoice getSaveFileName(QWidget*, const platform::SaveRequest& request) override
    {
        requests << request;
        const QString shown = request.selectedFilter.isEmpty() ? request.filters.value(0) : request.selectedFilter;
        const QString filter = filterAnswers.isEmpty() ? shown : request.filters.value(filterAnswers.takeFirst());
        return {answers.isEmpty() ? QString() : answers.takeFirst(), filter};
    }
    QList<platform::SaveRequest> requests;
    QStringList answers;    // an empty string, or none left, cancels
    QList<int> filterAnswers; // index of the type chosen, in order; none left keeps the type shown
};

class FakeUrlOpener final : public platform::UrlOpener {
public:
    bool open(const QUrl& url) override { return opened << url, starts; }
    QList<QUrl> opened;
    bool starts = true; // whether a browser starts
};

class FixedClock final : public platform::Clock {
public:
    QDateTime now() const override { return {QDate(2006, 1, 15), QTime(9, 5, 7)}; }
};

// What one command showed of the progress window.
struct ProgressRun {
    bool shown = false, modalOnHolder = false; // opened modal with the focus on cmdTABSTOP
    QString info;                                             // lblINFO when it opened
    QStringList progress;                                     // lblMSG after each yield of the job
    bool finished = false;                                    // reached "閉じる"; then lblMSG|cmdCANCEL
    QString finalTexts;
};

class WindowDriver {
public:
    WindowDriver()
        : window({&messageBox, &saveDialog, &urlOpener, &clock, [this] { return seed; }, [this] { yielded(); },
                  QStringLiteral("/opt/petalwright"), QLocale(QLocale::Japanese, QLocale::Japan),
                  QUrl::fromLocalFile(dir.filePath(QStringLiteral("help/index.html"))), settingsFile()})
    {
        window.showCentred();
        (void)QTest::qWaitForWindowActive(&window);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // The six boxes of the flower's numbers, in their order, and their texts.
    QList<QLineEdit*> boxes() const
    {
        return {window.txtPETAL, window.txtKASAN, window.txtPHABA, window.txtSYUKU, window.txtANGLS, window.txtANGLE};
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const QLineEdit* box : boxes())
            texts << box->text();
        return texts;
    }
    void setBoxes(const QStringList& texts)
    {
        for (qsizetype i = 0; i < texts.size(); ++i)
            boxes()[i]->setText(texts[i]);
    }

    // Runs `command` (a click or key on the main window) until it returns. `onShow` runs when the
    // progress window has opened, before its job starts; a finished window is closed with its button.
    ProgressRun run(const std::function<void()>& command, const std::function<void(windows::frmDXF*)>& onShow = {})
    {
        ProgressRun result;
        m_run = &result;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            windows::frmDXF* dlg = window.progressWindow();
            if (!dlg || !dlg->isVisible())
                return;
            if (!result.shown) {
                result.shown = true;
                result.modalOnHolder = QApplication::activeModalWidget() == dlg && dlg->focusWidget() == dlg->cmdTABSTOP;
                result.info = dlg->lblINFO->text();
                if (onShow)
                    onShow(dlg);
            } else if (dlg->procState == windows::ProcState::Finished && !dlg->tmrPROC->isActive()) {
                result.finished = true;
                result.finalTexts = dlg->lblMSG->text() + QLatin1Char('|') + dlg->cmdCANCEL->text();
                QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
            }
        });
        poll.start(5);
        command();
        m_run = &m_idle;
        return result;
    }

    ProgressRun press(QPushButton* button, const std::function<void(windows::frmDXF*)>& onShow = {})
    {
        return run([button] { QTest::mouseClick(button, Qt::LeftButton); }, onShow);
    }

    FakeMessageBox messageBox;
    FakeSaveDialog saveDialog;
    FakeUrlOpener urlOpener;
    FixedClock clock;
    std::uint64_t seed = 1; // what the seed source gives from now on
    QTemporaryDir dir;      // holds the help page's place, help/index.html, not created
    QTemporaryDir settings; // the remembered output folder and type of this window only
    QString settingsFile() const { return settings.filePath(QStringLiteral("petalwright.conf")); }
    windows::frmMAIN window;
    // Runs after each yield of a job, with its 1-based number within the run: petals first, then faces.
    std::function<void(int yieldInRun, windows::frmDXF* dlg)> atYield;

private:
    void yielded()
    {
        QCoreApplication::processEvents();
        m_run->progress << window.progressWindow()->lblMSG->text();
        if (atYield)
            atYield(static_cast<int>(m_run->progress.size()), window.progressWindow());
    }

    ProgressRun m_idle;
    ProgressRun* m_run = &m_idle;
};

// The default flower's file as the window writes it with seed 1 at the fixed clock: the first `faces`
// face blocks, the trailer and the comment block, in code page 932.
inline QByteArray defaultFlowerFile(const QString& path, int faces)
{
    const Flower flower = makeFlower(geometry::defaultParameterTexts(), 1, QFileInfo(path).fileName().toUtf8().constData());
    formats::MemorySink sink;
    flower.write(formats::OutputFormat::Dxf, sink, [faces](int n) { return n < faces; });
    return platform::toCodePage932(QString::fromStdString(sink.data));
}

// Every coordinate of a mesh store, spare entries (always 0.0) included.
inline std::vector<double> points(const geometry::MeshStore& mesh)
{
    std::vector<double> all;
    for (std::size_t i = 0; i < mesh.size(); ++i)
        all.insert(all.end(), {mesh.x(i), mesh.y(i), mesh.z(i)});
    return all;
}

// Where `steps` presses of Tab take the focus from `start`.
inline QList<QWidget*> tabChain(QWidget* start, qsizetype steps)
{
    start->setFocus();
    QList<QWidget*> visited;
    for (qsizetype i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    return visited;
}

// The controls of `form` whose font does not resolve to IPAPGothic 9 pt regular.
inline QStringList wrongFonts(const QWidget* form)
{
    QStringList wrong;
    for (const QWidget* c : form->findChildren<QWidget*>()) {
        const QFontInfo info(c->font());
        if (info.family() != QStringLiteral("IPAPGothic") || c->font().pointSize() != 9 || info.bold() || info.italic()
            || info.underline() || info.strikeOut())
            wrong << c->objectName() + QLatin1Char(':') + info.family();
    }
    return wrong;
}

} // namespace petalwright::testing
