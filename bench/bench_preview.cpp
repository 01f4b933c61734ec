// Frames per second of the preview panel while the user drags: each frame turns the view and repaints.
// Runs on the offscreen platform unless another one is asked for.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWindow>

#include <cstdio>

#include "geometry/FlowerParameters.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;

namespace {

constexpr int kPanelSide = 250;
constexpr int kFrames = 300;
constexpr double kDegreesPerFrame = 1.5; // a brisk drag
constexpr double kTarget = 30.0;
constexpr std::uint64_t kSeed = 20240601;

struct Case {
    const char* name;
    geometry::ParameterTexts texts;
};

// Counts the paint events a widget receives, so a frame that was never painted does not count.
class PaintCounter final : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const Case cases[] = {
        {"default (6,6,5,0.5,90,135)", geometry::defaultParameterTexts()},
        {"largest (50,50,10,50,0,180)", {"50", "50", "10", "50", "0", "180"}},
    };
    std::printf("preview drag, %dx%d panel, %d frames, platform %s\n", kPanelSide, kPanelSide, kFrames,
                qPrintable(QGuiApplication::platformName()));
    bool allFast = true;
    for (const Case& c : cases) {
        windows::FlowerPreview preview;
        preview.resize(kPanelSide, kPanelSide);
        preview.show();
        QElapsedTimer exposing;
        exposing.start();
        while (!(preview.windowHandle() && preview.windowHandle()->isExposed()) && exposing.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        PaintCounter counter;
        preview.installEventFilter(&counter);

        QElapsedTimer build;
        build.start();
        preview.showFlower(c.texts, kSeed);
        const double buildMs = static_cast<double>(build.nsecsElapsed()) / 1e6;
        preview.repaint(); // first projection and paint outside the timing

        windows::PreviewView view = preview.view();
        QElapsedTimer timer;
        timer.start();
        for (int frame = 0; frame < kFrames; ++frame) {
            view.yaw += kDegreesPerFrame;
            view.pitch = windows::PreviewView::kDefaultPitch + (frame % 40 - 20) * 0.5;
            preview.setView(view);
            preview.repaint();
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const int painted = counter.paints - 1; // the first paint was outside the timing
        const double fps = painted / seconds;
        allFast = allFast && painted == kFrames && fps >= kTarget;
        std::printf("%-30s %6d faces  build %7.2f ms  %8.1f frames/s  (%.2f ms/frame)\n", c.name, preview.faceCount(),
                    buildMs, fps, 1000.0 * seconds / kFrames);
    }
    std::printf("target %.0f frames/s, every frame painted: %s\n", kTarget, allFast ? "met" : "NOT met");
    return allFast ? 0 : 1;
}
