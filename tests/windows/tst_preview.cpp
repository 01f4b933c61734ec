// The preview panel: it shows the flower the next run writes, follows the typing, and draws new
// turns when a run completes or on request.

#include <QImage>

#include "WindowDriver.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;
using testing::WindowDriver;

namespace {

// Every coordinate of the store, spare entries (always 0.0) included.
std::vector<double> points(const geometry::MeshStore& mesh)
{
    std::vector<double> all;
    for (std::size_t i = 0; i < mesh.size(); ++i)
        all.insert(all.end(), {mesh.x(i), mesh.y(i), mesh.z(i)});
    return all;
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
        QVERIFY(d.press(w.cmdDXF).finished);
        QVERIFY(points(w.jobState().mesh) == points(shown));
        // The file carries those points: corner 2 of face 0 of the last ring (turned) is point 1 of strip 1.
        const QByteArray data = testing::fileBytes(path);
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
        QVERIFY(w.jobState().ringSeed == 3 && points(w.picPREVIEW->mesh()) != points(afterRun));
        QCOMPARE(w.picPREVIEW->mesh().petals(), 8);
        QCOMPARE(w.focusWidget(), w.txtKASAN);
    }

    void invalidTextsKeepTheLastFlower_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addRow("too few petals") << "txtPETAL" << "1";
        QTest::addRow("empty start angle") << "txtANGLS" << "";
        QTest::addRow("start after end") << "txtANGLS" << "150";
    }

    void invalidTextsKeepTheLastFlower()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        WindowDriver d;
        windows::FlowerPreview* preview = d.window.picPREVIEW;
        const std::vector<double> shown = points(preview->mesh());
        auto* edit = d.window.findChild<QLineEdit*>(box);
        const QString before = edit->text();

        edit->setText(text);
        QVERIFY(!preview->lblNOTE->isVisible()); // not before the pause after typing
        QTRY_VERIFY(preview->lblNOTE->isVisible());
        QCOMPARE(preview->lblNOTE->text(), QStringLiteral("入力を確認してください"));
        QVERIFY(preview->isDimmed() && points(preview->mesh()) == shown && d.messageBox.shown.isEmpty());

        edit->setText(before);
        QTRY_VERIFY(!preview->lblNOTE->isVisible() && !preview->isDimmed() && points(preview->mesh()) == shown);
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
