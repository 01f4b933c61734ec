// The main window driven as a user would: mouse and keys on the real widgets, fakes behind them.

#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>

#include <csignal>
#include <unistd.h>

#include "WindowDriver.h"
#include "platform/EndSignals.h"
#include "platform/QtServices.h"
#include "widgets/FormFont.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;
using testing::WindowDriver;

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { widgets::installFontSubstitutes(); }

    void writeFailureThenDefaultFlower()
    {
        WindowDriver d;
        QDir root(d.dir.path());
        QVERIFY(root.mkdir(QStringLiteral("out")));
        const QString name = QStringLiteral("a<u>b&amp;<b>c.dxf"), path = d.path("out/" + name); // shown as typed, never as markup
        d.saveDialog.answers << path;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QVERIFY(root.rmdir(QStringLiteral("out")));

        // The folder is gone: one exclamation naming the path, and the window closes.
        const testing::ProgressRun failed = d.press(d.window.cmdDXF);
        QVERIFY(failed.shown && !failed.finished && !d.window.progressWindow()->isVisible());
        const QStringList& shown = d.messageBox.shown;
        QVERIFY2(shown.size() == 1 && shown[0].startsWith("! ") && shown[0].contains(QDir::toNativeSeparators(path)),
                 qPrintable(shown.join('\n')));

        // The main window carries on: with the folder back, the same press writes the whole file, and
        // names the backup an earlier save that ended halfway left.
        const QString leftover = d.path("out/." + name + ".petalwright-backup-abcdef");
        QVERIFY(root.mkdir(QStringLiteral("out")) && writeFile(leftover, "previous\r\n"));
        const testing::ProgressRun run = d.press(d.window.cmdDXF);
        QVERIFY(run.shown && run.modalOnHolder && run.finished && shown.size() == 2);
        QVERIFY2(shown[1].contains(leftover), qPrintable(shown[1]));
        QCOMPARE(d.window.progressWindow()->lblINFO->textFormat(), Qt::PlainText);
        QCOMPARE(run.info + '|' + run.progress.last() + '|' + run.finalTexts, name + QStringLiteral(" :\r\n△288   約 67.1 KB|△288 / 288|終了しました|閉じる"));
        QCOMPARE(readAll(path), testing::defaultFlowerFile(path, 288));
    }

    // The boxes (petal, overlap, width, scale, start, end), the message boxes of one press, and whether it runs.
    void checksBeforeTheRun()
    {
        // Every check fails: the seven messages in one box. (Their texts: tst_cli's refusals.)
        const geometry::ParameterTexts bad = {"abc", "0.5", "11", "", "200", "x"};
        const QString all = QString::fromStdString(geometry::checkParameters(bad, geometry::convertParameters(bad)));
        QCOMPARE(all.count("\r\n"), 6);
        const struct { QStringList texts, shown; bool runs; } rows[] = {
            {{"abc", "0.5", "11", "", "200", "x"}, {"! " + all}, false},
            {{"10", "15", "5", "0.5", "90", "135"}, {"? △1,200 ファイルサイズ 約 279.2 KB になります。\r\n\r\n続けますか？"}, false}, // No ends it
            {{"37", "4", "5", "0.5", "90", "135"}, {}, true}, // 1,184 faces: no question
        };
        for (const auto& [texts, shown, runs] : rows) {
            WindowDriver d;
            d.saveDialog.answers << d.path(QStringLiteral("flower.dxf"));
            d.setBoxes(texts);
            d.atYield = [](int, windows::frmDXF* dlg) { QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton); };
            QCOMPARE(d.press(d.window.cmdDXF).shown, runs);
            QCOMPARE(d.messageBox.shown, shown);
            QCOMPARE(d.window.focusWidget(), d.window.txtTABSTOP); // the window may be inactive after a modal one
        }
    }

    void outputFileSelection()
    {
        WindowDriver d;
        const QString first = d.path(QStringLiteral("first.dxf")), second = d.path(QStringLiteral("second.dxf"));

        // No file yet: the dialog comes first, and cancelling it is silent even with invalid boxes.
        d.window.txtPETAL->setText(QStringLiteral("abc"));
        QVERIFY(!d.press(d.window.cmdDXF).shown && d.messageBox.shown.isEmpty());
        d.window.txtPETAL->setText(QStringLiteral("6"));

        // A later cancel clears the choice but the box keeps the path, so the next generate asks again.
        d.saveDialog.answers << first << QString() << second;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QCOMPARE(d.window.txtDXFFILE->text(), QDir::toNativeSeparators(first));
        QCOMPARE(QApplication::focusWidget(), d.window.txtTABSTOP);
        QVERIFY(d.press(d.window.cmdDXF).finished && QFile::exists(second) && !QFile::exists(first));

        // Until a file is chosen: the last output folder, else (the program's folder does not exist
        // here) the start folder of the system; an empty name. Then the chosen file.
        const QList<platform::SaveRequest>& r = d.saveDialog.requests;
        const QString start = platform::saveStartFolder({}, QStringLiteral("/opt/petalwright"));
        QVERIFY(r.size() == 4 && r[0].fileName.isEmpty() && r[3].fileName.isEmpty());
        QCOMPARE(QStringList({r[0].title, r[0].filters.first(), r[0].defaultSuffix, r[0].folder, r[1].folder, r[3].folder}),
                 QStringList({"保存するDXFファイル名称の設定", "DXFファイル(*.dxf)", "dxf", start, start, d.dir.path()}));
        QCOMPARE(r[2].folder + '|' + r[2].fileName, d.dir.path() + '|' + first);

        // The next run of the program opens where this one saved last, on that type.
        WindowDriver next;
        d.saveDialog.answers << d.path(QStringLiteral("flower.obj"));
        d.saveDialog.filterAnswers << 2;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QVERIFY(QFile::copy(d.settingsFile(), next.settingsFile()));
        QTest::mouseClick(next.window.cmdOUT, Qt::LeftButton);
        QCOMPARE(next.saveDialog.requests.value(0).folder + '|' + next.saveDialog.requests.value(0).selectedFilter,
                 d.dir.path() + QStringLiteral("|OBJファイル(*.obj)"));
        QCOMPARE(next.window.txtPETAL->text(), QStringLiteral("6")); // the boxes keep their designed texts
    }

    // The dialog offers every type and opens on the type chosen last; CAD DXF shares the extension of the
    // default DXF file; OBJ shows its own estimate (20,747 bytes). (Each type's writer: tst_keepflower.)
    void fileTypeChoosesTheWriter()
    {
        WindowDriver d;
        const QStringList types = {"DXFファイル(*.dxf)", "CAD向けDXFファイル(*.dxf)", "OBJファイル(*.obj)", "STLファイル(*.stl)",
                                   "glTFバイナリ(*.glb)", "3Dプリント用STL(*.stl)", "3Dプリント用3MF(*.3mf)", "花の設定(*.petal)"};
        d.saveDialog.answers << d.path(QStringLiteral("flower.obj")) << d.path(QStringLiteral("cad.dxf")) << QString();
        d.saveDialog.filterAnswers << 2 << 1;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        const testing::ProgressRun objRun = d.press(d.window.cmdDXF);
        QCOMPARE(objRun.info + '|' + objRun.progress.last(), QStringLiteral("flower.obj :\r\n△288   約 20.2 KB|△288 / 288"));
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton); // cancelled
        const QList<platform::SaveRequest>& r = d.saveDialog.requests;
        QVERIFY(r.size() == 3 && r[0].filters == types);
        QCOMPARE(QStringList({r[0].selectedFilter, r[1].selectedFilter, r[2].selectedFilter, r[0].defaultSuffix, r[1].defaultSuffix, r[2].defaultSuffix}),
                 QStringList({types[0], types[2], types[1], "dxf", "obj", "dxf"}));
    }

    void captionLayoutFontsAndHelp()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Petalwright 0.7.1β"));

        // The preview sits to the right of the controls.
        QVERIFY(w.picPREVIEW->x() > w.Frame2->geometry().right() && w.width() > w.picPREVIEW->geometry().right()
                && w.txtTABSTOP->y() >= w.height()); // the focus holder is never seen

        QCOMPARE(testing::wrongFonts(&w), QStringList());
        for (QLabel* label : w.Label) // the long labels fit in that face
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));

        // Web Help: the page opens when it is there; a missing page or a browser that does not start is
        // reported with the path, and the focus goes to the holder either way.
        const QString page = d.path("help/index.html");
        const QString failure = QStringLiteral("! ヘルプページを開けませんでした。\r\n\r\nファイル: %1\r\n原因: ").arg(page);
        const auto press = [&] {
            d.window.txtPETAL->setFocus();
            QTest::mouseClick(d.window.cmdHELP, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), d.window.txtTABSTOP);
        };

        press();
        QVERIFY(d.urlOpener.opened.isEmpty() && QDir(d.dir.path()).mkpath("help") && writeFile(page, {}));
        QCOMPARE(d.messageBox.shown, QStringList{failure + "ヘルプページのファイルが見つかりません。インストールを確認してください。"});
        press();
        press(); // every press asks again
        QVERIFY(d.urlOpener.opened == QList<QUrl>(2, QUrl::fromLocalFile(page)) && d.messageBox.shown.size() == 1);

        d.urlOpener.starts = false;
        press();
        QCOMPARE(d.messageBox.shown.last(), failure + "ブラウザーを起動できません。");
    }

    // SIGTERM while a file with two hard links is written in place: both names keep the old bytes,
    // no file of the program's own is left, and the program hears of the signal to end. Last: the
    // signal stays caught for the rest of this process.
    void endSignalDuringInPlaceSave()
    {
        WindowDriver d;
        const QString path = d.path(QStringLiteral("drawing.dxf")), link = d.path(QStringLiteral("link.dxf"));
        const QByteArray old = "0\r\nEOF\r\n// old one\r\n";
        QVERIFY(writeFile(path, old));
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
        d.saveDialog.answers << path;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        platform::EndSignals endSignals;
        int arrived = 0;
        connect(&endSignals, &platform::EndSignals::arrived, this, [&](int number) { arrived = number; });
        d.atYield = [](int yield, windows::frmDXF*) {
            if (yield == 36 + 100) // face 100
                ::raise(SIGTERM);
        };
        QVERIFY(!d.press(d.window.cmdDXF).finished && readAll(path) == old && readAll(link) == old && d.messageBox.shown.isEmpty());
        QCOMPARE(QDir(d.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"drawing.dxf", "link.dxf"}));
        QTRY_COMPARE(arrived, SIGTERM);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
