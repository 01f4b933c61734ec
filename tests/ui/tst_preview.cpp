// The preview panel: it shows the flower the next run writes, follows the typing, and leaves the
// parameters' layout and keyboard order as they were.

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FakeServices.h"
#include "job/frmDXF.h"
#include "ui/controls/FormFont.h"
#include "ui/frmMAIN.h"
#include "ui/preview/FlowerPreview.h"

using namespace petalwright;

namespace {

bool sameMesh(const geometry::MeshStore& a, const geometry::MeshStore& b)
{
    if (a.rings() != b.rings() || a.petals() != b.petals())
        return false;
    for (int ring = 0; ring < a.rings(); ++ring)
        for (int petal = 0; petal < a.petals(); ++petal)
            for (int point = 0; point < geometry::kPointsPerStrip; ++point)
                for (int strip = 0; strip < geometry::kStripsPerPetal; ++strip) {
                    const std::size_t i = a.index(ring, petal, point, strip);
                    if (a.x(i) != b.x(i) || a.y(i) != b.y(i) || a.z(i) != b.z(i))
                        return false;
                }
    return true;
}

// Presses the generate button and closes the progress window once its run has finished.
bool generate(ui::frmMAIN& window)
{
    bool closed = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        job::frmDXF* dlg = window.progressWindow();
        if (!closed && dlg && dlg->isVisible() && dlg->cmdCANCEL->text() == QStringLiteral("閉じる")) {
            closed = true;
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
        }
    });
    poll.start(20);
    QTest::mouseClick(window.cmdDXF, Qt::LeftButton);
    return closed && !QApplication::activeModalWidget();
}

// The pixels where `picture` differs from the bare ground of the panel.
QImage silhouette(const QImage& picture, const QImage& ground)
{
    QImage mask(picture.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb a = picture.pixel(x, y);
            const QRgb b = ground.pixel(x, y);
            const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            mask.setPixel(x, y, d > 12 ? 255u : 0u);
        }
    return mask;
}

bool inside(const QImage& mask, int x, int y) { return qGray(mask.pixel(x, y)) != 0; }

} // namespace

class TestPreview : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installFontSubstitutes(); }
    void previewShowsWhatTheNextRunWrites();
    void invalidTextsKeepTheLastFlower_data();
    void invalidTextsKeepTheLastFlower();
    void parameterLayoutAndKeyboardOrderStay();
    void defaultFlowerPicture();
};

void TestPreview::previewShowsWhatTheNextRunWrites()
{
    QTemporaryDir dir;
    testing::FakeServices fakes;
    fakes.seed = 111;
    const QString path = dir.filePath(QStringLiteral("flower.dxf"));
    fakes.saveDialog.answers = {path, path};
    ui::frmMAIN window(fakes.services());
    window.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.jobState().ringSeed, 111u);

    // The seed source has moved on since the window opened; the run must still use the shown turns.
    fakes.seed = 222;
    window.txtPETAL->setText(QStringLiteral("8"));
    QTRY_COMPARE(window.picPREVIEW->mesh().petals(), 8);
    const geometry::MeshStore shown = window.picPREVIEW->mesh();
    QVERIFY(generate(window));
    QVERIFY(sameMesh(window.jobState().mesh, shown));

    // The file carries those points: corner 2 of face 0 of the last ring (turned) is point 1 of strip 1.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const qsizetype face = data.indexOf("8\r\nd000320\r\n");
    QVERIFY(face > 0);
    const qsizetype code = data.indexOf("\r\n12\r\n", face) + 6;
    const QByteArray x = data.mid(code, data.indexOf("\r\n", code) - code);
    QCOMPARE(x, QByteArray::number(shown.x(shown.index(5, 0, 1, 1)), 'f', 9));

    // A completed run draws new turns for the preview and the next run.
    QCOMPARE(window.jobState().ringSeed, 222u);
    QVERIFY(!sameMesh(window.picPREVIEW->mesh(), shown));
    const geometry::MeshStore afterRun = window.picPREVIEW->mesh();
    QVERIFY(generate(window));
    QVERIFY(sameMesh(window.jobState().mesh, afterRun));

    // Closed during the start delay (procState still says Finished from the last run): no run, same turns.
    fakes.seed = 444;
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<job::frmDXF*>(QApplication::activeModalWidget()))
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
    });
    QTest::mouseClick(window.cmdDXF, Qt::LeftButton);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(window.jobState().ringSeed, 222u);
    QVERIFY(sameMesh(window.picPREVIEW->mesh(), afterRun));

    // Another shape: new turns at once, same parameters.
    fakes.seed = 333;
    const geometry::MeshStore beforeClick = window.picPREVIEW->mesh();
    QTest::mouseClick(window.cmdSHAPE, Qt::LeftButton);
    QCOMPARE(window.jobState().ringSeed, 333u);
    QVERIFY(!sameMesh(window.picPREVIEW->mesh(), beforeClick));
    QCOMPARE(window.picPREVIEW->mesh().petals(), 8);
}

void TestPreview::invalidTextsKeepTheLastFlower_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addRow("too few petals") << "txtPETAL" << "1";
    QTest::addRow("letters for petals") << "txtPETAL" << "abc";
    QTest::addRow("scale too large") << "txtSYUKU" << "50.01";
    QTest::addRow("empty start angle") << "txtANGLS" << "";
    QTest::addRow("start after end") << "txtANGLS" << "150";
}

void TestPreview::invalidTextsKeepTheLastFlower()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    testing::FakeServices fakes;
    ui::frmMAIN window(fakes.services());
    window.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ui::FlowerPreview* preview = window.picPREVIEW;
    const geometry::MeshStore shown = preview->mesh();
    auto* edit = window.findChild<QLineEdit*>(box);
    QVERIFY(edit);
    const QString before = edit->text();

    edit->clear();
    QTest::keyClicks(edit, text);
    QVERIFY(!preview->lblNOTE->isVisible()); // not before the pause after typing
    QTRY_VERIFY(preview->lblNOTE->isVisible());
    QCOMPARE(preview->lblNOTE->text(), QStringLiteral("入力を確認してください"));
    QVERIFY(preview->isDimmed());
    QVERIFY(sameMesh(preview->mesh(), shown));
    QVERIFY(fakes.messageBox.shown.empty());

    edit->setText(before);
    QTRY_VERIFY(!preview->lblNOTE->isVisible());
    QVERIFY(!preview->isDimmed());
    QVERIFY(sameMesh(preview->mesh(), shown));
}

void TestPreview::parameterLayoutAndKeyboardOrderStay()
{
    struct Control {
        const char* name;
        QRect twips;
        QString caption;
    };
    const Control controls[] = {
        {"Frame2", {180, 120, 6675, 855}, QStringLiteral("出力DXFファイル")},
        {"txtDXFFILE", {180, 360, 5235, 270}, QString()},
        {"cmdOUT", {5580, 240, 855, 495}, QStringLiteral("設定")},
        {"Frame1", {180, 1080, 4095, 2475}, QString()},
        {"txtPETAL", {2640, 240, 1155, 270}, QStringLiteral("6")},
        {"txtKASAN", {2640, 600, 1155, 270}, QStringLiteral("6")},
        {"txtPHABA", {2640, 960, 1155, 270}, QStringLiteral("5")},
        {"txtSYUKU", {2640, 1320, 1155, 270}, QStringLiteral("0.5")},
        {"txtANGLS", {2640, 1680, 1155, 270}, QStringLiteral("90")},
        {"txtANGLE", {2640, 2040, 1155, 270}, QStringLiteral("135")},
        {"Label_0", {240, 300, 1875, 195}, QStringLiteral("花びらの枚数")},
        {"Label_5", {240, 2100, 2235, 195}, QStringLiteral("花びらを生やす角度（終わり）")},
        {"cmdDXF", {4560, 1440, 2295, 495}, QStringLiteral("DXF生成")},
        {"Image1", {5580, 2580, 360, 285}, QString()},
        {"cmdHELP", {5040, 3060, 1395, 435}, QStringLiteral("Web Help")},
        {"txtTABSTOP", {420, 6780, 555, 270}, QStringLiteral("Text1")},
    };
    testing::FakeServices fakes;
    ui::frmMAIN window(fakes.services());
    window.showCentred();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    for (const Control& c : controls) {
        auto* w = window.findChild<QWidget*>(QString::fromLatin1(c.name));
        QVERIFY2(w, c.name);
        const QRect pixels(c.twips.x() / 15, c.twips.y() / 15, c.twips.width() / 15, c.twips.height() / 15);
        QCOMPARE(w->geometry(), pixels);
        QString caption;
        if (auto* b = qobject_cast<QPushButton*>(w))
            caption = b->text();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            caption = e->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            caption = l->pixmap().isNull() ? l->text() : QString();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            caption = g->title();
        QCOMPARE(caption, c.caption);
        QVERIFY2(!w->geometry().intersects(window.picPREVIEW->geometry()), c.name);
    }
    QVERIFY(window.picPREVIEW->x() >= 472 && window.picPREVIEW->width() >= 200);
    QVERIFY(window.width() > window.picPREVIEW->geometry().right());
    QVERIFY(window.txtTABSTOP->y() >= window.height()); // still out of sight

    // Tab walks the parameters' controls only, and comes back round to cmdOUT.
    const QStringList order = {"txtPETAL", "txtKASAN", "txtPHABA", "txtSYUKU", "txtANGLS",
                               "txtANGLE", "cmdDXF", "cmdHELP", "txtTABSTOP", "cmdOUT"};
    QCOMPARE(QApplication::focusWidget(), window.cmdOUT);
    for (const QString& next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
    // The button under the preview leaves the caret where the user is typing.
    window.txtKASAN->setFocus();
    QTest::mouseClick(window.cmdSHAPE, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), window.txtKASAN);
}

void TestPreview::defaultFlowerPicture()
{
    constexpr int kSide = 250;
    ui::FlowerPreview preview;
    preview.resize(kSide, kSide);
    const QImage ground = preview.grab().toImage();
    QVERIFY(preview.showFlower(geometry::defaultParameterTexts(), 7));

    // Seen obliquely: a good share of the panel, and with an even petal count the flower is point
    // symmetric about its axis, so it reaches equally far left and right of the middle.
    const QImage oblique = silhouette(preview.grab().toImage(), ground);
    int count = 0, left = kSide, right = -1, golden = 0;
    const QImage colours = preview.grab().toImage();
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            if (!inside(oblique, x, y))
                continue;
            ++count;
            left = std::min(left, x);
            right = std::max(right, x);
            const QRgb c = colours.pixel(x, y);
            golden += qRed(c) - qBlue(c) > 100 ? 1 : 0;
        }
    QVERIFY2(count > kSide * kSide / 5 && count < kSide * kSide * 4 / 5, qPrintable(QString::number(count)));
    QVERIFY2(std::abs(left - (kSide - 1 - right)) <= 2, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    QVERIFY(golden > 0 && golden < count / 3); // a golden heart among light petals

    // Seen from straight above, the same symmetry is a half turn of the picture about its middle.
    preview.setView({0.0, 90.0, 1.0});
    const QImage above = silhouette(preview.grab().toImage(), ground);
    int covered = 0, unmatched = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            covered += inside(above, x, y) ? 1 : 0;
            unmatched += inside(above, x, y) != inside(above, kSide - 1 - x, kSide - 1 - y) ? 1 : 0;
        }
    QVERIFY(covered > kSide * kSide / 5);
    QVERIFY2(unmatched < covered / 50, qPrintable(QStringLiteral("%1 of %2").arg(unmatched).arg(covered)));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
