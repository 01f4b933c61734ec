#pragma once
// Drives the main window as a user would and watches the modal progress window its commands open.

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "FakeServices.h"
#include "job/frmDXF.h"
#include "ui/frmMAIN.h"

namespace petalwright::testing {

// What one command showed of the progress window.
struct ProgressRun {
    bool shown = false, modal = false, focusOnHolder = false; // when it opened: focus on cmdTABSTOP
    QString info;                                             // lblINFO when it opened
    QStringList progress;                                     // lblMSG after each yield of the job
    bool finished = false;                                    // reached "閉じる"; then:
    QString finalText, buttonText;                            // lblMSG, cmdCANCEL
};

class WindowDriver {
public:
    WindowDriver() : window(fakes.services())
    {
        fakes.afterYield = [this](int) {
            job::frmDXF* dlg = window.progressWindow();
            m_run->progress << dlg->lblMSG->text();
            if (atYield)
                atYield(static_cast<int>(m_run->progress.size()), dlg);
        };
        window.showCentred();
        (void)QTest::qWaitForWindowActive(&window);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Runs `command` (a click or key on the main window) until it returns. `onShow` runs when the
    // progress window has opened, before its job starts; a finished window is closed with its button.
    ProgressRun run(const std::function<void()>& command, const std::function<void(job::frmDXF*)>& onShow = {})
    {
        ProgressRun result;
        m_run = &result;
        const QDeadlineTimer rescue(60'000);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            job::frmDXF* dlg = window.progressWindow();
            if (!dlg || !dlg->isVisible())
                return;
            if (!result.shown) {
                result.shown = true;
                result.modal = QApplication::activeModalWidget() == dlg;
                result.focusOnHolder = dlg->focusWidget() == dlg->cmdTABSTOP;
                result.info = dlg->lblINFO->text();
                if (onShow)
                    onShow(dlg);
            } else if (dlg->procState == job::ProcState::Finished && !dlg->tmrPROC->isActive()) {
                result.finished = true;
                result.finalText = dlg->lblMSG->text();
                result.buttonText = dlg->cmdCANCEL->text();
                QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
            } else if (rescue.hasExpired()) {
                dlg->done(QDialog::Rejected); // a stuck window fails the test instead of hanging it
            }
        });
        poll.start(5);
        command();
        m_run = &m_idle;
        return result;
    }

    ProgressRun press(QPushButton* button, const std::function<void(job::frmDXF*)>& onShow = {})
    {
        return run([button] { QTest::mouseClick(button, Qt::LeftButton); }, onShow);
    }

    // The focus from the program selects the whole text, so the typed text replaces it.
    static void typeInto(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        text.isEmpty() ? QTest::keyClick(box, Qt::Key_Delete) : QTest::keyClicks(box, text);
    }

    FakeServices fakes;
    QTemporaryDir dir;
    ui::frmMAIN window;
    // Runs after each yield of a job, with its 1-based number within the run: petals first, then faces.
    std::function<void(int yieldInRun, job::frmDXF* dlg)> atYield;

private:
    ProgressRun m_idle;
    ProgressRun* m_run = &m_idle;
};

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The file's text, read back from Shift_JIS; a null string when it does not decode.
inline QString fileText(const QString& path)
{
    QStringDecoder decoder("Shift_JIS");
    const QString text = decoder.decode(fileBytes(path));
    return decoder.hasError() ? QString() : text;
}

// The lines after the last face of a default flower written to `fileName` at the fixed clock.
inline QString defaultTrailer(const QString& fileName)
{
    return QStringLiteral("0\r\nENDSEC\r\n0\r\nEOF\r\n\r\n//\r\n// Petalwright 0.7.1 - %1(2006/01/15 9:05:07)\r\n"
                          "// 花びらの枚数 = 6\r\n// 花びらの重なり = 6\r\n// 花びらの幅 = 5\r\n// 花びらの拡大縮小 = 0.5\r\n"
                          "// 花びらを生やす角度（始まり） = 90\r\n// 花びらを生やす角度（終わり） = 135\r\n//\r\n")
        .arg(fileName);
}

} // namespace petalwright::testing
