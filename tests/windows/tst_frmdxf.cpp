// The progress window over the main window: cancel at petal k or face k, keys and close requests
// during the job, and procState carried from one showing to the next.

#include <QKeySequence>
#include <QScopeGuard>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include "WindowDriver.h"
#include "widgets/FormFont.h"

using namespace petalwright;
using testing::WindowDriver;

namespace {

constexpr int kPetals = 36; // default flower: 6 petals x 6 rings, yields 1..36; faces follow
constexpr int kFaces = 288;

void pressCancel(windows::frmDXF* dlg) { QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton); }

// The file an earlier run left, which a run that writes nothing must not touch.
bool writePrevious(const QString& path) { return writeFile(path, "previous\r\n"); }

} // namespace

class TestFrmDxf : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { widgets::installFontSubstitutes(); }

    // At which yield (petals first, then faces) what is done: "press", "press twice", "queued press"
    // (behind that yield's pass, as a click just after it: the real yield may skip the pass after the
    // last petal, and the click must still be seen before the file is opened), "close" (the window's
    // close button), a key, or "Tab, " and a key; and the faces in the file (-1: the previous file untouched).
    void duringTheJob()
    {
        const struct { int atYield; QString act; int faces; } rows[] = {
            {1, "press", -1}, // press at petal 1
            {kPetals, "close", -1}, // close request at the last petal
            {kPetals + 1, "press", 1}, // press at face 1
            {kPetals + 10, "close", 10}, // close request at face 10
            {kPetals + 150, "press twice", 150}, // two presses at face 150
            {kPetals + kFaces, "press", kFaces}, // press at the last face
            {5, "Esc", kFaces}, // Esc at petal 5 does nothing
            {kPetals + 40, "Return", kFaces}, // Return at face 40 does nothing
            {kPetals + 40, "Space", kFaces}, // Space at face 40 does nothing
            {3, "Tab, Enter", -1}, // Tab and keypad Enter at petal 3
            {kPetals + 20, "Tab, Return", 20}, // Tab and Return at face 20
            {kPetals, "queued press", -1}, // press queued after the last petal
        };
        for (const auto& [atYield, act, faces] : rows) {
            const bool tab = act.startsWith(QStringLiteral("Tab, "));
            const bool key = !tab && !act.contains(QStringLiteral("press")) && act != QStringLiteral("close");
            WindowDriver d;
            const QString path = d.path(QStringLiteral("flower.dxf"));
            QVERIFY(writePrevious(path));
            d.saveDialog.answers << path;
            d.atYield = [&](int n, windows::frmDXF* dlg) {
                if (n != atYield)
                    return;
                if (key) { // the key goes where the focus is: the hidden holder
                    QCOMPARE(dlg->focusWidget(), dlg->cmdTABSTOP);
                    QTest::keyClick(dlg->cmdTABSTOP, QKeySequence(act)[0].key());
                } else if (tab) { // Tab reaches キャンセル; Enter, of either kind, presses it
                    QTest::keyClick(dlg->cmdTABSTOP, Qt::Key_Tab);
                    QCOMPARE(dlg->focusWidget(), dlg->cmdCANCEL);
                    const bool keypad = act.endsWith(QStringLiteral("Enter"));
                    QTest::keyClick(dlg->cmdCANCEL, keypad ? Qt::Key_Enter : Qt::Key_Return, keypad ? Qt::KeypadModifier : Qt::NoModifier);
                } else if (act == QStringLiteral("queued press")) { // behind this yield's pass, as a click just after it
                    QTimer::singleShot(0, dlg, [dlg] { pressCancel(dlg); });
                } else if (act == QStringLiteral("close")) {
                    dlg->close();
                    QVERIFY(dlg->isVisible()); // the job closes the window itself
                } else {
                    pressCancel(dlg);
                    if (act == QStringLiteral("press twice"))
                        pressCancel(dlg);
                }
            };

            const testing::ProgressRun run = d.press(d.window.cmdDXF);

            QVERIFY(run.shown && run.finished == key && !d.window.progressWindow()->isVisible() && d.messageBox.shown.isEmpty());
            QCOMPARE(run.progress.size(), key ? kPetals + kFaces : atYield); // a cancel stops at the next test of procState
            if (faces >= 0)
                QCOMPARE(readAll(path), testing::defaultFlowerFile(path, faces));
            else // untouched, and no file of the run left beside it
                QVERIFY(readAll(path) == "previous\r\n" && QDir(d.dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList{"flower.dxf"});
        }
    }

    // The kind of target, the cause told, and the yields (the FIFO is refused before the work). Held by a
    // program that is not saving (this test): after a second the panel says so, and キャンセル ends the wait.
    void targetThatCannotBeSaved()
    {
        const struct { QString kind, cause; int yields; } rows[] = {
            {"fifo", "同じ名前の名前付きパイプ（FIFO）があります。通常のファイルではないため置き換えません。", 0},
            {"locked", "ほかのプログラムがこのファイルを保存している間に中断しました。", -1}, // cancelled while waiting
            {"full", "ディスクの空き容量が足りません。", kPetals + kFaces}, // at the last piece (72 KiB tmpfs); last, as it may skip
        };
        for (const auto& [kind, cause, yields] : rows) {
            WindowDriver d;
            const QString folder = d.path(QStringLiteral("disk")), path = folder + QStringLiteral("/drawing.dxf");
            QVERIFY(QDir().mkdir(folder));
            const QByteArray folderName = QFile::encodeName(folder);
            bool mounted = false;
            const auto unmount = qScopeGuard([&] { if (mounted) ::umount2(folderName.constData(), MNT_DETACH); });
            int held = -1;
            const auto release = qScopeGuard([&] { if (held >= 0) ::close(held); });
            if (kind == QStringLiteral("fifo")) {
                QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
            } else if (kind == QStringLiteral("locked")) {
                QVERIFY(writePrevious(path));
                held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
                QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
                d.atYield = [](int, windows::frmDXF* dlg) {
                    if (dlg->lblMSG->text() != QStringLiteral("ロックが外れるのを待っています"))
                        return;
                    QVERIFY(dlg->lblMSG->toolTip().startsWith(QStringLiteral("保存中ではないプログラム（tst_frmdxf、プロセス %1）").arg(::getpid())));
                    pressCancel(dlg);
                };
            } else {
                mounted = ::mount("tmpfs", folderName.constData(), "tmpfs", 0, "size=72k") == 0;
                if (!mounted)
                    QSKIP("mounting a tmpfs needs root (CAP_SYS_ADMIN)");
                QVERIFY(writeFile(folder + QStringLiteral("/filler"), QByteArray(4096, 'x')) && writePrevious(path));
            }
            const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
            d.saveDialog.answers << path;
            const testing::ProgressRun run = d.press(d.window.cmdDXF);
            QVERIFY(run.shown && !run.finished && d.messageBox.shown.size() == 1);
            QVERIFY2(yields >= 0 ? run.progress.size() == yields : run.progress.indexOf(QStringLiteral("ロックが外れるのを待っています")) > kPetals,
                     qPrintable(QString::number(run.progress.size())));
            QVERIFY2(d.messageBox.shown.first().startsWith(
                         QStringLiteral("! ファイルを保存できませんでした。\n\nファイル: %1\n原因: %2").arg(path, cause)),
                     qPrintable(d.messageBox.shown.first()));
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System), before);
            if (kind != QStringLiteral("fifo")) // which a read would wait on
                QCOMPARE(readAll(path), QByteArray("previous\r\n"));
        }
    }

    void pressBeforeFirstTick()
    {
        WindowDriver d;
        const QString path = d.path(QStringLiteral("flower.dxf"));
        d.saveDialog.answers << path;
        QVERIFY(d.press(d.window.cmdDXF).finished);
        const windows::frmDXF* dlg = d.window.progressWindow();
        QCOMPARE(testing::wrongFonts(dlg), QStringList());
        QVERIFY(dlg->cmdTABSTOP->y() >= dlg->height() && QFile::remove(path)); // the focus holder is never seen

        QString atShow;
        auto pressAtShow = [&](windows::frmDXF* shown) {
            atShow = QStringLiteral("%1|%2|%3").arg(shown->tmrPROC->isActive() ? QStringLiteral("before tick") : QString(),
                                                     shown->lblMSG->text(), shown->cmdCANCEL->text());
            pressCancel(shown);
        };
        // After a finished run the press closes the freshly loaded window at once: no job, no file.
        const testing::ProgressRun closed = d.press(d.window.cmdDXF, pressAtShow);
        QCOMPARE(atShow, QStringLiteral("before tick||キャンセル"));
        QVERIFY(closed.modalOnHolder && closed.progress.isEmpty() && !dlg->isVisible() && !QFile::exists(path));

        // After a cancelled run the press only repeats the cancel request, which the first tick clears.
        d.atYield = [](int, windows::frmDXF* shown) { pressCancel(shown); };
        QVERIFY(!d.press(d.window.cmdDXF).finished);
        d.atYield = {};
        QVERIFY(d.press(d.window.cmdDXF, pressAtShow).finished);
        QVERIFY(atShow == QStringLiteral("before tick||キャンセル") && readAll(path) == testing::defaultFlowerFile(path, kFaces));
    }
};

QTEST_MAIN(TestFrmDxf)
#include "tst_frmdxf.moc"
