#include "windows/frmDXF.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

#include "formats/OutputFormat.h"
#include "geometry/DaisyMesh.h"
#include "widgets/ProgressLabel.h"
#include "platform/EndSignals.h"
#include "platform/SafeFile.h"
#include "platform/LocalDateTime.h"
#include "solid/SolidOptions.h"
#include "widgets/FormFont.h"
#include "widgets/Twips.h"

namespace petalwright::windows {

using namespace petalwright::widgets;
using widgets::twips;

frmDXF::frmDXF(windows::JobState& job, const platform::Services& services,
               std::function<geometry::ParameterTexts()> readBoxTexts, QWidget* owner)
    : QDialog(owner), m_job(job), m_services(services), m_readBoxTexts(std::move(readBoxTexts))
{
    setObjectName(QStringLiteral("frmDXF"));
    setWindowTitle(QStringLiteral("DXF生成"));
    // Title only: no close, minimize or maximize box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(twips(0, 0, 3990, 1650).size());
    setModal(true);

    tmrPROC = new QTimer(this);
    tmrPROC->setObjectName(QStringLiteral("tmrPROC"));
    tmrPROC->setInterval(kStartDelayMs);

    // Below the client area: never seen, it only holds the focus.
    cmdTABSTOP = new QPushButton(QStringLiteral("Command2"), this);
    cmdTABSTOP->setObjectName(QStringLiteral("cmdTABSTOP"));
    cmdTABSTOP->setGeometry(twips(180, 3000, 495, 255));
    cmdTABSTOP->setAccessibleName(QStringLiteral("操作の終わり"));

    cmdCANCEL = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCANCEL->setObjectName(QStringLiteral("cmdCANCEL"));
    cmdCANCEL->setGeometry(twips(1200, 1140, 1575, 435));

    lblINFO = new QLabel(this);
    lblINFO->setObjectName(QStringLiteral("lblINFO"));
    lblINFO->setGeometry(twips(180, 120, 3615, 555));
    lblINFO->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblINFO->setTextFormat(Qt::PlainText); // a file name such as "a<u>b.dxf" shows as typed

    lblMSG = new ProgressLabel(this);
    lblMSG->setObjectName(QStringLiteral("lblMSG"));
    lblMSG->setGeometry(twips(180, 720, 3615, 255));
    lblMSG->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblMSG->setLocale(m_services.locale);

    // Neither button is a default: Enter and Space act only on the focused one.
    for (QPushButton* button : {cmdTABSTOP, cmdCANCEL}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    setTabOrder(cmdTABSTOP, cmdCANCEL);

    connect(tmrPROC, &QTimer::timeout, this, &frmDXF::tmrPROC_Timer);
    connect(cmdCANCEL, &QPushButton::clicked, this, &frmDXF::cmdCANCEL_Click);
}

void frmDXF::showModal()
{
    Form_Load();
    exec();
}

void frmDXF::Form_Load()
{
    // A fresh load: the controls as laid out.
    m_finishedThisShowing = false;
    lblMSG->clear();
    lblMSG->setToolTip({});
    cmdCANCEL->setText(QStringLiteral("キャンセル"));
    widgets::setFONT(this);

    lblINFO->setText(m_job.dxfFileName + QStringLiteral(" :\r\n△")
                     + groupedCount(m_job.faceTotal, m_services.locale) + QStringLiteral("   ")
                     + QString::fromStdString(m_job.sizeEstimateText));
    cmdTABSTOP->setFocus();
    tmrPROC->start();
}

void frmDXF::tmrPROC_Timer()
{
    cmdTABSTOP->setFocus();
    tmrPROC->stop();
    procState = ProcState::Working;
    m_running = true;
    makeDATA();
    m_running = false;
}

bool frmDXF::progressStep(int done)
{
    lblMSG->setProgress(done, m_job.faceTotal);
    m_services.yield();
    return procState != ProcState::CancelRequested && platform::EndSignals::received() == 0;
}

void frmDXF::makeDATA()
{
    // A folder, FIFO or device at the target is refused before the work, not after it.
    if (const QString problem = platform::targetProblem(m_job.dxfFilePath); !problem.isEmpty()) {
        m_services.messageBox->exclamation(this, problem);
        unload();
        return;
    }
    // The seed the main window drew for this run; its preview showed the same turns.
    geometry::SeededRandom random(m_job.ringSeed);
    const bool complete = geometry::makeDaisyMesh(m_job.parameters, m_job.mesh, random,
                                                  [this](int facesBefore) { return progressStep(facesBefore); });
    if (!complete) {
        unload();
        return;
    }
    if (formats::isPrintable(m_job.outputFormat) && !buildSOLID())
        return;
    outputDXF();
}

bool frmDXF::buildSOLID()
{
    // One step per part joined: the text shows the steps, and a cancel is seen between them.
    const solid::SolidOutcome built = solid::buildPrintSolid(
        m_job.mesh, m_job.parameters.overlapCount, m_job.parameters.petalCount, m_job.solidOptions, m_solid,
        [this](int done, int total) {
            lblMSG->setText(QStringLiteral("立体にまとめています %1 / %2").arg(done).arg(total));
            m_services.yield();
            return procState != ProcState::CancelRequested && platform::EndSignals::received() == 0;
        },
        &m_solidProblem);
    if (built == solid::SolidOutcome::Finished) {
        lblMSG->setText(QString::fromStdString(solid::orientationText(m_solid.upsideDown)));
        return true;
    }
    if (built == solid::SolidOutcome::Failed)
        m_services.messageBox->exclamation(this, QString::fromStdString(m_solidProblem));
    unload();
    return false;
}

void frmDXF::outputDXF()
{
    // The yield skips passes that come too soon; a click on the last petal must still be seen
    // before the file is touched.
    QCoreApplication::processEvents();
    if (procState == ProcState::CancelRequested) {
        unload();
        return;
    }
    platform::SafeFile file(m_job.dxfFilePath);
    // A lock held by another program: wait for it, still taking the cancel, and after a second
    // say what is waited for.
    QElapsedTimer waited;
    file.keepWaiting = [this, &file, &waited] {
        if (!waited.isValid())
            waited.start();
        if (waited.elapsed() < kWaitNoticeMs)
            return progressStep(0);
        // The panel has room for one short line; the whole reason is its tool tip.
        lblMSG->setText(file.waitingForSave() ? QStringLiteral("ほかの保存が終わるのを待っています") : QStringLiteral("ロックが外れるのを待っています"));
        lblMSG->setToolTip(file.waitingFor());
        m_services.yield();
        return procState != ProcState::CancelRequested && platform::EndSignals::received() == 0;
    };
    if (!file.open()) {
        if (platform::EndSignals::received() == 0)
            m_services.messageBox->exclamation(this, file.errorMessage());
        unload();
        return;
    }
    if (!file.notice().isEmpty())
        m_services.messageBox->exclamation(this, file.notice());

    formats::CommentInfo info;
    info.fileName = m_job.dxfFileName.toStdString();
    info.dateTime = [this] {
        const QDateTime now = m_services.clock->now();
        return platform::localDateTimeText(now, m_services.locale).toStdString();
    };
    info.parameterTexts = m_readBoxTexts();
    info.seed = m_job.ringSeed;

    const formats::WriteOutcome outcome = formats::isPrintable(m_job.outputFormat)
        ? formats::writeSolidFile(m_job.outputFormat, m_solid, info, file)
        : formats::writeOutputFile(m_job.outputFormat, m_job.mesh, m_job.parameters.overlapCount, m_job.parameters.petalCount, info, file,
                                   [this](int faces) { return progressStep(faces); });
    m_solid = {};
    // The program is ending: the previous file comes back whole.
    if (platform::EndSignals::received() != 0) {
        file.discard();
        if (!file.errorMessage().isEmpty()) { // the previous file could not be put back
            std::fprintf(stderr, "%s\n", file.errorMessage().toLocal8Bit().constData());
            m_services.messageBox->exclamation(this, file.errorMessage());
        }
        unload();
        return;
    }
    // A cancelled run still leaves a well-formed file: the faces so far, trailer and comments.
    if (outcome == formats::WriteOutcome::Failed || !file.commit()) {
        file.discard();
        m_services.messageBox->exclamation(this, file.errorMessage());
        unload();
        return;
    }
    if (outcome == formats::WriteOutcome::Cancelled) {
        unload();
        return;
    }
    lblMSG->setText(QStringLiteral("終了しました"));
    cmdCANCEL->setText(QStringLiteral("閉じる"));
    procState = ProcState::Finished;
    m_finishedThisShowing = true;
}

void frmDXF::cmdCANCEL_Click()
{
    switch (procState) {
    case ProcState::Working:
    case ProcState::CancelRequested:
        procState = ProcState::CancelRequested;
        break;
    case ProcState::Finished:
        unload();
        break;
    }
}

void frmDXF::unload()
{
    tmrPROC->stop();
    done(QDialog::Accepted);
}

void frmDXF::closeEvent(QCloseEvent* event)
{
    // A close request while the job runs is a cancel request; the job closes the window itself.
    // Before the job starts the request is refused, and after it the button's close applies.
    event->ignore();
    if (m_running)
        procState = ProcState::CancelRequested;
    else if (procState == ProcState::Finished && !tmrPROC->isActive())
        unload();
}

void frmDXF::keyPressEvent(QKeyEvent* event)
{
    // Esc does nothing: the window has no cancel button. Enter presses the focused button only,
    // never a default one (a focused cmdTABSTOP does nothing).
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace petalwright::windows
