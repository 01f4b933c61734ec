// The progress window over the main window: cancel at petal k or face k, keys and close requests
// during the job, and procState carried from one showing to the next.

#include <QFontInfo>

#include "WindowDriver.h"
#include "ui/controls/FormFont.h"

using namespace petalwright;
using testing::WindowDriver;

namespace {

constexpr int kPetals = 36; // default flower: 6 petals x 6 rings, yields 1..36; faces follow
constexpr int kFaces = 288;
const QByteArray kPrevious("previous file\r\n");

enum class Stop { Press, TwoPresses, CloseRequest };

QString layer(int face) { return QStringLiteral("\r\nd%1\r\n").arg(face, 6, 10, QLatin1Char('0')); }

} // namespace

class TestFrmDxf : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installFontSubstitutes(); }
    void cancel_data();
    void cancel();
    void keysDoNothing_data();
    void keysDoNothing();
    void pressBeforeFirstTick();
    void layoutAndFonts();
};

void TestFrmDxf::cancel_data()
{
    QTest::addColumn<int>("atYield");
    QTest::addColumn<Stop>("stop");
    QTest::addColumn<int>("faces"); // -1: no file written, the previous one untouched
    QTest::addRow("press at petal 1") << 1 << Stop::Press << -1;
    QTest::addRow("press at the last petal") << kPetals << Stop::Press << -1;
    QTest::addRow("close request at petal 5") << 5 << Stop::CloseRequest << -1;
    QTest::addRow("press at face 1") << kPetals + 1 << Stop::Press << 1;
    QTest::addRow("close request at face 10") << kPetals + 10 << Stop::CloseRequest << 10;
    QTest::addRow("two presses at face 150") << kPetals + 150 << Stop::TwoPresses << 150;
    QTest::addRow("press at the last face") << kPetals + kFaces << Stop::Press << kFaces;
}

void TestFrmDxf::cancel()
{
    QFETCH(int, atYield);
    QFETCH(Stop, stop);
    QFETCH(int, faces);
    WindowDriver d;
    const QString path = d.path(QStringLiteral("flower.dxf"));
    testing::writeBytes(path, kPrevious);
    d.fakes.saveDialog.answers.push_back(path);
    d.atYield = [&](int n, job::frmDXF* dlg) {
        if (n != atYield)
            return;
        if (stop == Stop::CloseRequest) {
            dlg->close(); // what the window manager's close button asks
            QVERIFY(dlg->isVisible());
            return;
        }
        QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
        if (stop == Stop::TwoPresses)
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
    };

    const testing::ProgressRun run = d.press(d.window.cmdDXF);

    QVERIFY(run.shown && !run.finished);
    QCOMPARE(run.progress.size(), atYield); // the job stops at the next test of procState
    QVERIFY(!d.window.progressWindow()->isVisible());
    QVERIFY(d.fakes.messageBox.shown.empty());
    if (faces < 0) {
        QCOMPARE(testing::fileBytes(path), kPrevious);
        return;
    }
    QCOMPARE(run.progress.last(), QStringLiteral("△%1 / 288").arg(faces));
    const QString text = testing::fileText(path);
    QCOMPARE(text.count(QStringLiteral("\r\n3DFACE\r\n")), faces);
    QVERIFY(text.contains(layer(faces - 1)));
    QVERIFY(!text.contains(layer(faces)));
    QVERIFY(text.endsWith(testing::defaultTrailer(QStringLiteral("flower.dxf"))));
    QCOMPARE(text.count(QLatin1Char('\n')), 5 + 28 * faces + 13);
}

void TestFrmDxf::keysDoNothing_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::addRow("Esc") << Qt::Key_Escape;
    QTest::addRow("Return") << Qt::Key_Return;
    QTest::addRow("Enter") << Qt::Key_Enter;
    QTest::addRow("Space") << Qt::Key_Space;
}

void TestFrmDxf::keysDoNothing()
{
    QFETCH(Qt::Key, key);
    WindowDriver d;
    const QString path = d.path(QStringLiteral("flower.dxf"));
    d.fakes.saveDialog.answers.push_back(path);
    // Before the job starts and while it writes, the key goes where the focus is: the hidden holder.
    QStringList focused;
    auto sendKey = [&](job::frmDXF* dlg) {
        QWidget* target = dlg->focusWidget();
        focused << (target ? target->objectName() : QString());
        QTest::keyClick(target ? target : dlg, key);
    };
    d.atYield = [&](int n, job::frmDXF* dlg) {
        if (n == kPetals + 40)
            sendKey(dlg);
    };

    const testing::ProgressRun run = d.press(d.window.cmdDXF, sendKey);

    QCOMPARE(focused, QStringList({QStringLiteral("cmdTABSTOP"), QStringLiteral("cmdTABSTOP")}));
    QVERIFY(run.finished);
    QCOMPARE(run.progress.size(), kPetals + kFaces);
    QCOMPARE(testing::fileText(path).count(QStringLiteral("\r\n3DFACE\r\n")), kFaces);
}

void TestFrmDxf::pressBeforeFirstTick()
{
    WindowDriver d;
    const QString path = d.path(QStringLiteral("flower.dxf"));
    d.fakes.saveDialog.answers.push_back(path);
    QVERIFY(d.press(d.window.cmdDXF).finished);
    QVERIFY(QFile::remove(path));

    struct AtShow {
        bool beforeTick = false;
        QString message, button;
    } seen;
    auto pressAtShow = [&](job::frmDXF* dlg) {
        seen = {dlg->tmrPROC->isActive(), dlg->lblMSG->text(), dlg->cmdCANCEL->text()};
        QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
    };

    // After a finished run the press closes the window at once: no job, no file.
    const int yields = d.fakes.yields;
    const testing::ProgressRun closed = d.press(d.window.cmdDXF, pressAtShow);
    QVERIFY(closed.shown && seen.beforeTick);
    QVERIFY(closed.focusOnHolder); // although the button was clicked last time
    QCOMPARE(seen.message + seen.button, QStringLiteral("キャンセル")); // a fresh load
    QVERIFY(!d.window.progressWindow()->isVisible());
    QCOMPARE(d.fakes.yields, yields);
    QVERIFY(!QFile::exists(path));

    // After a cancelled run the press only repeats the cancel request, which the first tick clears.
    d.atYield = [](int n, job::frmDXF* dlg) {
        if (n == 1)
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
    };
    QVERIFY(!d.press(d.window.cmdDXF).finished);
    d.atYield = {};
    const testing::ProgressRun ran = d.press(d.window.cmdDXF, pressAtShow);
    QVERIFY(seen.beforeTick);
    QVERIFY(ran.finished);
    QCOMPARE(testing::fileText(path).count(QStringLiteral("\r\n3DFACE\r\n")), kFaces);
}

void TestFrmDxf::layoutAndFonts()
{
    WindowDriver d;
    d.fakes.saveDialog.answers.push_back(d.path(QStringLiteral("flower.dxf")));
    QVERIFY(d.press(d.window.cmdDXF).finished);
    const job::frmDXF& dlg = *d.window.progressWindow();

    QCOMPARE(dlg.windowTitle(), QStringLiteral("DXF生成"));
    QCOMPARE(dlg.size(), QSize(266, 110));
    QCOMPARE(dlg.cmdCANCEL->geometry(), QRect(80, 76, 105, 29));
    QCOMPARE(dlg.lblINFO->geometry(), QRect(12, 8, 241, 37));
    QCOMPARE(dlg.lblMSG->geometry(), QRect(12, 48, 241, 17));
    QCOMPARE(dlg.cmdTABSTOP->geometry(), QRect(12, 200, 33, 17)); // below the client area
    for (QWidget* control : std::initializer_list<QWidget*>{dlg.cmdTABSTOP, dlg.cmdCANCEL, dlg.lblINFO, dlg.lblMSG}) {
        const QFontInfo info(control->font());
        QVERIFY2(info.family() == QStringLiteral("IPAPGothic") && control->font().pointSize() == 9 && !info.bold(),
                 qPrintable(control->objectName() + ": " + info.family()));
    }
}

QTEST_MAIN(TestFrmDxf)
#include "tst_frmdxf.moc"
