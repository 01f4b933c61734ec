// The preview panel: it shows the flower the next run writes, follows the typing, draws new turns
// when a run completes or on request, turns with the mouse and paints near faces over far ones.

#include <QImage>
#include <QWheelEvent>

#include "WindowDriver.h"
#include "windows/preview/FlowerPreview.h"
#include "windows/preview/PreviewScene.h"

using namespace petalwright;
using testing::WindowDriver;
using testing::points;

namespace {

// Two squares, each a ring of two petals: ring 0 a small one (side 4), ring 1 a large one (side 40)
// at the centre's height. Each petal's grid of 5 x 3 points spans its square, tilted 45 degrees
// about the x axis, so it shows from above, below and the front alike.
geometry::MeshStore twoSquares(double smallHeight, double smallFront)
{
    geometry::MeshStore mesh;
    mesh.allocate(2, 2);
    for (int ring = 0; ring < 2; ++ring)
        for (int petal = 0; petal < 2; ++petal)
            for (int point = 0; point < geometry::kPointsPerStrip; ++point)
                for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
                    const double side = ring == 0 ? 4.0 : 40.0, across = (strip - 1) * side / 4;
                    mesh.set(ring, petal, point, strip, (point - 2) * side / 4, 50.0 + (ring == 0 ? smallHeight : 0.0) + across,
                             (ring == 0 ? smallFront : 0.0) + across);
                }
    return mesh;
}

// After project(): per face in painting order, 's' for a face of the small square and 'L' for one of
// the large square (a hundred times its area); and the middle of the small square's faces.
QString paintingOrder(const windows::PreviewScene& scene, QPointF* smallMiddle = nullptr)
{
    const std::vector<QPoint>& corners = scene.projectedCorners();
    QString order;
    QPointF sum;
    for (std::size_t f = 0; f < corners.size() / 4; ++f) {
        qint64 twiceArea = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const QPoint a = corners[f * 4 + k], b = corners[f * 4 + (k + 1) % 4];
            twiceArea += qint64{a.x()} * b.y() - qint64{b.x()} * a.y();
        }
        const bool small = std::abs(twiceArea) < 400;
        order += small ? QLatin1Char('s') : QLatin1Char('L');
        for (std::size_t k = 0; small && k < 4; ++k)
            sum += QPointF(corners[f * 4 + k]) / 64.0;
    }
    if (smallMiddle)
        *smallMiddle = sum;
    return order;
}

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void previewShowsWhatTheNextRunWrites()
    {
        WindowDriver d; // opened with seed 1
        windows::frmMAIN& w = d.window;
        const QString path = d.path(QStringLiteral("flower.dxf"));
        d.saveDialog.answers << path;

        // The seed source has moved on since the window opened; the run must still use the shown turns.
        d.seed = 2;
        w.txtPETAL->setText(QStringLiteral("8"));
        QTRY_COMPARE(w.picPREVIEW->mesh().petals(), 8);
        const geometry::MeshStore shown = w.picPREVIEW->mesh();
        QVERIFY(d.press(w.cmdDXF).finished && points(w.jobState().mesh) == points(shown));
        // The file carries those points: corner 2 of face 0 of the last ring (turned) is point 1 of strip 1.
        const QByteArray data = readAll(path);
        const qsizetype code = data.indexOf("\r\n12\r\n", data.indexOf("8\r\nd000320\r\n")) + 6;
        QCOMPARE(data.mid(code, data.indexOf("\r\n", code) - code), QByteArray::number(shown.x(shown.index(5, 0, 1, 1)), 'f', 9));

        // A completed run draws new turns at once; a close during the start delay after it does not.
        const geometry::MeshStore afterRun = w.picPREVIEW->mesh();
        QVERIFY(w.jobState().ringSeed == 2 && points(afterRun) != points(shown));
        d.seed = 3;
        QVERIFY(d.press(w.cmdDXF, [](windows::frmDXF* dlg) { QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton); }).shown);
        QVERIFY(w.jobState().ringSeed == 2 && points(w.picPREVIEW->mesh()) == points(afterRun));

        // Another shape: new turns at once, same parameters, and the caret stays where the user types.
        w.txtKASAN->setFocus();
        QTest::mouseClick(w.cmdSHAPE, Qt::LeftButton);
        QVERIFY(w.jobState().ringSeed == 3 && points(w.picPREVIEW->mesh()) != points(afterRun) && w.picPREVIEW->mesh().petals() == 8);
        QCOMPARE(w.focusWidget(), w.txtKASAN);
    }

    // Too few petals, an empty start angle, start after end: said after the pause, and the last flower stays, dimmed.
    void invalidTextsKeepTheLastFlower()
    {
        WindowDriver d;
        windows::FlowerPreview* preview = d.window.picPREVIEW;
        const std::vector<double> shown = points(preview->mesh());
        for (const auto& [edit, text] : {std::pair{d.window.txtPETAL, "1"}, {d.window.txtANGLS, ""}, {d.window.txtANGLS, "150"}}) {
            const QString before = edit->text();
            edit->setText(QString::fromLatin1(text));
            QVERIFY(!preview->lblNOTE->isVisible()); // not before the pause after typing
            QTRY_VERIFY(preview->lblNOTE->isVisible());
            QVERIFY(preview->lblNOTE->text() == QStringLiteral("入力を確認してください") && preview->isDimmed() && points(preview->mesh()) == shown
                    && d.messageBox.shown.isEmpty());
            edit->setText(before);
            QTRY_VERIFY(!preview->lblNOTE->isVisible() && !preview->isDimmed() && points(preview->mesh()) == shown);
        }
    }

    // A drag turns the flower with the hand: the side facing the user follows the pointer, down
    // shows more of the top, and the tilt stops at straight above and straight below. The wheel
    // zooms in on a notch forward; a double-click puts the view back.
    void mouseTurnsTheFlower()
    {
        const struct { QPoint drag; double yaw, pitch; } rows[] = {
            {{0, 20}, -20.0, 42.0}, {{0, -30}, -20.0, 17.0}, {{40, 0}, 0.0, 32.0}, {{-30, 0}, -35.0, 32.0},
            {{0, 400}, -20.0, 90.0}, {{-10, -400}, -25.0, -90.0}, // far down, to straight above; far up, to straight below
        };
        for (const auto& [drag, yaw, pitch] : rows) {
            windows::FlowerPreview preview;
            preview.resize(250, 250);
            QVERIFY(preview.showFlower(geometry::defaultParameterTexts(), 7));
            preview.show();
            QVERIFY(QTest::qWaitForWindowExposed(&preview));
            const windows::PreviewView before = preview.view();
            const QPoint from(125, 125);
            QTest::mousePress(&preview, Qt::LeftButton, {}, from);
            QTest::mouseMove(&preview, from + drag / 2);
            QTest::mouseMove(&preview, from + drag);
            QTest::mouseRelease(&preview, Qt::LeftButton, {}, from + drag);
            QCOMPARE(preview.view(), (windows::PreviewView{yaw, pitch, 1.0}));

            // A mark in front of the flower's middle moves the way the pointer went.
            if (std::abs(drag.y()) < 100) {
                windows::PreviewScene scene;
                scene.setMesh(twoSquares(0.0, 15.0), 2, 2);
                QPointF was, now;
                scene.project(before, QSizeF(250, 250));
                paintingOrder(scene, &was);
                scene.project(preview.view(), QSizeF(250, 250));
                paintingOrder(scene, &now);
                const QPointF moved = now - was;
                QVERIFY2(moved.x() * drag.x() >= 0 && moved.y() * drag.y() >= 0 && moved.manhattanLength() > 2,
                         qPrintable(QStringLiteral("moved %1, %2").arg(moved.x()).arg(moved.y())));
            }

            QWheelEvent notch(QPointF(from), preview.mapToGlobal(QPointF(from)), {}, QPoint(0, 120), Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(&preview, &notch);
            QVERIFY(preview.view().zoom > 1.1);
            QTest::mouseDClick(&preview, Qt::LeftButton, {}, from);
            QCOMPARE(preview.view(), windows::PreviewView{});
        }
    }

    // Painter's order: of the two squares, the one nearer the eye for the view comes last, over the other.
    void nearFacesPaintedLast()
    {
        // The large square lies at height 0; the small one's front is towards the viewer of pitch 0.
        const struct { double pitch, smallHeight, smallFront; bool smallLast; } rows[] = {
            {90.0, 10.0, 0.0, true}, {90.0, -10.0, 0.0, false},  // from above: higher, lower
            {0.0, 0.0, 10.0, true}, {0.0, 0.0, -10.0, false},    // from the front: in front, behind
            {-90.0, 10.0, 0.0, false}, {60.0, 16.0, -6.0, true}, // from below; looking down steeply on one higher and behind
        };
        for (const auto& [pitch, smallHeight, smallFront, smallLast] : rows) {
            windows::PreviewScene scene;
            scene.setMesh(twoSquares(smallHeight, smallFront), 2, 2);
            scene.project({0.0, pitch, 1.0}, QSizeF(400, 400));
            QCOMPARE(paintingOrder(scene), smallLast ? QString(16, 'L') + QString(16, 's') : QString(16, 's') + QString(16, 'L'));
        }
    }

    void defaultFlowerPicture()
    {
        constexpr int kSide = 250;
        windows::FlowerPreview preview;
        preview.resize(kSide, kSide);
        const QImage ground = preview.grab().toImage();
        QVERIFY(preview.showFlower(geometry::defaultParameterTexts(), 7));

        // Seen from straight above, six petals make the flower point symmetric: a half turn of the picture.
        preview.setView({0.0, 90.0, 1.0});
        const QImage picture = preview.grab().toImage();
        const auto inside = [&](int x, int y) {
            const QRgb a = picture.pixel(x, y), b = ground.pixel(x, y);
            return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 12;
        };
        int covered = 0, unmatched = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                covered += inside(x, y) ? 1 : 0;
                unmatched += inside(x, y) != inside(kSide - 1 - x, kSide - 1 - y) ? 1 : 0;
            }
        QVERIFY2(covered > kSide * kSide / 5 && covered < kSide * kSide * 4 / 5, qPrintable(QString::number(covered)));
        QVERIFY2(unmatched < covered / 50, qPrintable(QStringLiteral("%1 of %2").arg(unmatched).arg(covered)));
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
