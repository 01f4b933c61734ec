#pragma once
// The progress window in which one generation run takes place.

#include <QDialog>

#include <functional>

#include "geometry/FlowerParameters.h"
#include "widgets/ProgressLabel.h"
#include "platform/Services.h"
#include "windows/JobState.h"

class QLabel;
class QPushButton;
class QTimer;

namespace petalwright::windows {

enum class ProcState { Working = 0, CancelRequested = 1, Finished = 2 };

class frmDXF final : public QDialog {
    Q_OBJECT
public:
    // `readBoxTexts` gives the main window's six parameter texts for the comment block.
    frmDXF(windows::JobState& job, const platform::Services& services,
           std::function<geometry::ParameterTexts()> readBoxTexts, QWidget* owner);

    // Loads the window and shows it modally over its owner; returns once it has been closed.
    void showModal();

    // Survives between showings: the next run's first tick resets it.
    ProcState procState = ProcState::Working;
    // True once the run of the current showing has written its whole file; false again at the next load.
    bool finishedThisShowing() const { return m_finishedThisShowing; }

    QTimer* tmrPROC = nullptr;
    QPushButton* cmdTABSTOP = nullptr;
    QPushButton* cmdCANCEL = nullptr;
    QLabel* lblINFO = nullptr;
    widgets::ProgressLabel* lblMSG = nullptr;

    // The delay between showing the window and starting the job.
    static constexpr int kStartDelayMs = 500;
    // A wait for another program's lock longer than this shows what is waited for.
    static constexpr int kWaitNoticeMs = 1000;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void makeDATA();
    void outputDXF();
    // Unites the petals into the printable solid; false when cancelled or failed (the window is closed then).
    bool buildSOLID();
    void cmdCANCEL_Click();
    void Form_Load();
    void tmrPROC_Timer();

    // Sets "△done / total" into lblMSG, yields, and tells whether the job goes on.
    bool progressStep(int done);
    void unload();

    windows::JobState& m_job;
    platform::Services m_services;
    std::function<geometry::ParameterTexts()> m_readBoxTexts;
    // The printable solid of this run, built between the mesh and the file.
    formats::SolidMesh m_solid;
    std::string m_solidProblem;
    bool m_running = false;
    bool m_finishedThisShowing = false;
};

} // namespace petalwright::windows
