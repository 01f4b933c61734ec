// The progress window on the largest flower (50, 50, 10, 50, 0, 180: 20,000 faces): time from
// the job's first timer tick to its finished state, next to the same job without a window and a
// naive progress display (QLabel::setText + processEvents per petal and per face), all measured in
// this run. Run offscreen and under xvfb-run:
//   QT_QPA_PLATFORM=offscreen build/bench/petalwright-bench-window
//   xvfb-run -a build/bench/petalwright-bench-window

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "formats/FaceFileWriter.h"
#include "formats/SizeEstimate.h"
#include "geometry/DaisyMesh.h"
#include "windows/frmDXF.h"
#include "platform/SafeFile.h"
#include "platform/QtServices.h"
#include "widgets/FormFont.h"

using namespace petalwright;

namespace {

constexpr int kRepeats = 5;
const geometry::ParameterTexts kLargest = {"50", "50", "10", "50", "0", "180"};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class SilentMessageBox final : public platform::MessageBox {
public:
    void exclamation(QWidget*, const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
    bool question(QWidget*, const QString&) override { return true; }
};

double headlessMs(const QString& path)
{
    const geometry::FlowerParameters p = geometry::convertParameters(kLargest);
    QElapsedTimer timer;
    timer.start();
    geometry::MeshStore mesh;
    mesh.allocate(p.overlapCount, p.petalCount);
    geometry::SeededRandom random(1);
    geometry::makeDaisyMesh(p, mesh, random);
    platform::SafeFile file(path);
    formats::CommentInfo info{"flower.dxf", [] { return std::string("2006/01/15 9:05:07"); }, kLargest};
    if (!file.open() || formats::writeFaceFile(mesh, p.overlapCount, p.petalCount, info, file) != formats::WriteOutcome::Finished
        || !file.commit())
        std::fprintf(stderr, "headless write failed\n");
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// What a window that repaints a QLabel at every step costs: 2,500 petals and 20,000 faces.
double naiveMs()
{
    QDialog dialog;
    dialog.resize(266, 110);
    QLabel label(&dialog);
    label.setGeometry(12, 48, 241, 17);
    label.setAlignment(Qt::AlignHCenter);
    dialog.show();
    QCoreApplication::processEvents();
    const QLocale locale = QLocale::system();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 2500 + 20000; ++i) {
        label.setText(QStringLiteral("△%1 / %2").arg(locale.toString(i), locale.toString(20000)));
        QCoreApplication::processEvents();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Watches the job's timer: the tick reaches this filter just before the job starts.
class TickWatch final : public QObject {
public:
    QElapsedTimer clock;
    qint64 tickAt = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Timer)
            tickAt = clock.nsecsElapsed();
        return false;
    }
};

double windowMs(const QString& path, const platform::Services& services)
{
    windows::JobState job;
    const geometry::FlowerParameters p = geometry::convertParameters(kLargest);
    job.parameters = p;
    job.dxfFilePath = path;
    job.dxfFileName = QStringLiteral("flower.dxf");
    const formats::SizeEstimate size = formats::estimateSize(p.petalCount, p.overlapCount);
    job.faceTotal = size.faceTotal;
    job.sizeEstimateText = size.sizeEstimateText;
    job.mesh.allocate(p.overlapCount, p.petalCount);

    windows::frmDXF window(job, services, [] { return kLargest; }, nullptr);
    TickWatch watch;
    watch.clock.start();
    window.tmrPROC->installEventFilter(&watch);
    qint64 doneAt = 0;
    // Connected after the window's own handler: runs when the job has returned.
    QObject::connect(window.tmrPROC, &QTimer::timeout, [&] {
        doneAt = watch.clock.nsecsElapsed();
        if (window.procState != windows::ProcState::Finished || window.lblMSG->text() != QStringLiteral("終了しました"))
            std::fprintf(stderr, "the job did not finish\n");
        QTimer::singleShot(0, window.cmdCANCEL, &QPushButton::click);
    });
    window.showModal();
    return static_cast<double>(doneAt - watch.tickAt) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    widgets::installFontSubstitutes();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flower.dxf"));

    SilentMessageBox messageBox;
    const platform::SystemClock clock;
    platform::Services services = platform::systemServices(clock);
    services.messageBox = &messageBox;

    std::vector<double> headless, naive, window;
    for (int i = 0; i < kRepeats; ++i) {
        headless.push_back(headlessMs(path));
        window.push_back(windowMs(path, services));
        naive.push_back(naiveMs());
    }
    const double h = median(headless), w = median(window), n = median(naive);
    std::printf("platform %s, %s, median of %d runs, largest flower (20,000 faces)\n",
                qPrintable(QGuiApplication::platformName()), qPrintable(QDateTime::currentDateTime().toString(Qt::ISODate)),
                kRepeats);
    std::printf("| measure | ms | x headless |\n|---|---:|---:|\n");
    std::printf("| headless generate + write | %.1f | 1.0 |\n", h);
    std::printf("| progress window, first tick to finished | %.1f | %.1f |\n", w, w / h);
    std::printf("| naive setText + processEvents per step | %.1f | %.1f |\n", n, n / h);
    return 0;
}
