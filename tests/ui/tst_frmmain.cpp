// The main window driven as a user would: mouse and keys on the real widgets, fakes behind them.

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>

#include "WindowDriver.h"
#include "ui/controls/FormFont.h"

using namespace petalwright;
using testing::ShownMessage;
using testing::WindowDriver;

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installFontSubstitutes(); }
    void defaultFlowerWritesFile();
    void validationMessages_data();
    void validationMessages();
    void largeJobQuestion_data();
    void largeJobQuestion();
    void outputFileSelection();
    void writeFailure_data();
    void writeFailure();
    void captionLayoutAndFonts();
    void helpLink();
};

void TestFrmMain::defaultFlowerWritesFile()
{
    WindowDriver d;
    const QString path = d.path(QStringLiteral("flower.dxf"));
    d.fakes.saveDialog.answers.push_back(path);

    const testing::ProgressRun run = d.press(d.window.cmdDXF);

    QVERIFY(run.shown && run.modal && run.focusOnHolder);
    QCOMPARE(run.info, QStringLiteral("flower.dxf :\r\n△288   約 67.1 KB"));
    // One text per petal (the faces before it), then one per face written.
    QCOMPARE(run.progress.size(), 36 + 288);
    QCOMPARE(run.progress.first(), QStringLiteral("△0 / 288"));
    QCOMPARE(run.progress.at(35), QStringLiteral("△280 / 288"));
    QCOMPARE(run.progress.at(36), QStringLiteral("△1 / 288"));
    QCOMPARE(run.progress.last(), QStringLiteral("△288 / 288"));
    QVERIFY(run.finished);
    QCOMPARE(run.finalText, QStringLiteral("終了しました"));
    QCOMPARE(run.buttonText, QStringLiteral("閉じる"));
    QVERIFY(!d.window.progressWindow()->isVisible());
    QVERIFY(d.fakes.messageBox.shown.empty());

    const QString text = testing::fileText(path);
    QVERIFY(text.startsWith(QStringLiteral("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\n3DFACE\r\n8\r\nd000000\r\n10\r\n")));
    QCOMPARE(text.count(QStringLiteral("\r\n3DFACE\r\n")), 288);
    QVERIFY(text.contains(QStringLiteral("\r\nd000287\r\n")));
    QVERIFY(text.endsWith(testing::defaultTrailer(QStringLiteral("flower.dxf"))));
    QCOMPARE(text.count(QLatin1Char('\n')), 5 + 28 * 288 + 13);
    QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
}

void TestFrmMain::validationMessages_data()
{
    QTest::addColumn<QStringList>("texts"); // petal, overlap, width, scale, start, end
    QTest::addColumn<QString>("message");
    const QString m1 = QStringLiteral("花びらの枚数は 2 ～ 50 です。");
    const QString m5 = QStringLiteral("花びらを生やす角度（始まり）は 0.0 ～ 180.0 です。");
    const QString m7 = QStringLiteral("花びらを生やす角度は 始まり <= 終わり にしてください。");
    QTest::addRow("empty petal count") << QStringList{"", "6", "5", "0.5", "90", "135"} << m1;
    QTest::addRow("start above end") << QStringList{"6", "6", "5", "0.5", "120", "100"} << m7;
    QTest::addRow("all seven") << QStringList{"abc", "0.5", "11", "", "200", "x"}
                               << QStringList{m1, QStringLiteral("花びらの重なりは 1 ～ 50 です。"),
                                              QStringLiteral("花びらの幅は 1 ～ 10 です。"),
                                              QStringLiteral("花びらの拡大縮小は 0.1 ～ 50.0 です。"), m5,
                                              QStringLiteral("花びらを生やす角度（終わり）は 0.0 ～ 180.0 です。"), m7}
                                      .join("\r\n");
}

void TestFrmMain::validationMessages()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    WindowDriver d;
    d.fakes.saveDialog.answers.push_back(d.path(QStringLiteral("flower.dxf")));
    const QList<QLineEdit*> boxes{d.window.txtPETAL, d.window.txtKASAN, d.window.txtPHABA,
                                  d.window.txtSYUKU, d.window.txtANGLS, d.window.txtANGLE};
    for (int i = 0; i < boxes.size(); ++i)
        WindowDriver::typeInto(boxes[i], texts[i]);

    const testing::ProgressRun run = d.press(d.window.cmdDXF);

    QCOMPARE(d.fakes.messageBox.shown.size(), 1u);
    QCOMPARE(d.fakes.messageBox.shown[0].kind, ShownMessage::Exclamation);
    QCOMPARE(d.fakes.messageBox.shown[0].text, message);
    QVERIFY(!run.shown);
    QCOMPARE(d.fakes.yields, 0);
    QVERIFY(!QFile::exists(d.path(QStringLiteral("flower.dxf"))));
}

void TestFrmMain::largeJobQuestion_data()
{
    QTest::addColumn<int>("petals");
    QTest::addColumn<int>("overlap");
    QTest::addColumn<QString>("faces");
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("asked");
    QTest::addRow("10 x 15") << 10 << 15 << "1,200" << "約 279.2 KB" << true;
    QTest::addRow("50 x 3") << 50 << 3 << "1,200" << "約 279.2 KB" << true;
    QTest::addRow("37 x 4") << 37 << 4 << "1,184" << "約 275.5 KB" << false;
    QTest::addRow("50 x 50") << 50 << 50 << "20,000" << "約 4.6 MB" << true;
}

void TestFrmMain::largeJobQuestion()
{
    QFETCH(int, petals);
    QFETCH(int, overlap);
    QFETCH(QString, faces);
    QFETCH(QString, size);
    QFETCH(bool, asked);
    WindowDriver d;
    d.fakes.saveDialog.answers.push_back(d.path(QStringLiteral("big.dxf")));
    WindowDriver::typeInto(d.window.txtPETAL, QString::number(petals));
    WindowDriver::typeInto(d.window.txtKASAN, QString::number(overlap));
    d.atYield = [](int n, job::frmDXF* dlg) { // a run that opens is cancelled at its first petal
        if (n == 1)
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
    };
    const QString info = QStringLiteral("big.dxf :\r\n△%1   %2").arg(faces, size);
    auto& shown = d.fakes.messageBox.shown;
    if (!asked) {
        QCOMPARE(d.press(d.window.cmdDXF).info, info);
        QVERIFY(shown.empty());
        return;
    }
    // No (the default) ends the command; the next press asks again, and Yes opens the window.
    QVERIFY(!d.press(d.window.cmdDXF).shown);
    QVERIFY(!d.press(d.window.cmdDXF).shown);
    d.fakes.messageBox.answers.push_back(true);
    QCOMPARE(d.press(d.window.cmdDXF).info, info);
    QCOMPARE(shown.size(), 3u);
    for (const ShownMessage& message : shown) {
        QCOMPARE(message.kind, ShownMessage::Question);
        QCOMPARE(message.text, QStringLiteral("△%1 ファイルサイズ %2 になります。\r\n\r\n続けますか？").arg(faces, size));
    }
}

void TestFrmMain::outputFileSelection()
{
    WindowDriver d;
    auto& dialog = d.fakes.saveDialog;
    const QString first = d.path(QStringLiteral("first.dxf"));
    const QString second = d.path(QStringLiteral("second.dxf"));

    // No file yet: the dialog comes first, and cancelling it is silent even with invalid boxes.
    WindowDriver::typeInto(d.window.txtPETAL, QStringLiteral("abc"));
    QVERIFY(!d.press(d.window.cmdDXF).shown);
    QCOMPARE(dialog.requests.size(), 1u);
    const platform::SaveRequest& request = dialog.requests[0];
    QCOMPARE(request.title + request.filter + request.defaultSuffix,
             QStringLiteral("保存するDXFファイル名称の設定DXFファイル(*.dxf)dxf"));
    QVERIFY(d.fakes.messageBox.shown.empty());
    QCOMPARE(QApplication::focusWidget(), d.window.txtTABSTOP);
    WindowDriver::typeInto(d.window.txtPETAL, QStringLiteral("6"));

    dialog.answers.push_back(first);
    QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
    QCOMPARE(d.window.txtDXFFILE->text(), QDir::toNativeSeparators(first));

    // The next request opens at the previous file; cancelling clears the choice, not the box.
    QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
    QCOMPARE(d.window.txtDXFFILE->text(), QDir::toNativeSeparators(first));

    // So the next generate asks again, and a choice goes straight on into the run.
    dialog.answers.push_back(second);
    const testing::ProgressRun run = d.press(d.window.cmdDXF);
    QVERIFY(run.finished);
    // Folder and name each request opened with: the program's folder until a file is chosen.
    QStringList opened;
    for (const platform::SaveRequest& r : dialog.requests)
        opened << r.folder + "|" + r.fileName;
    const QString program = QStringLiteral("/opt/petalwright|");
    QCOMPARE(opened, QStringList({program, program, d.dir.path() + "|" + first, program}));
    QCOMPARE(run.info, QStringLiteral("second.dxf :\r\n△288   約 67.1 KB"));
    QVERIFY(QFile::exists(second));
    QVERIFY(!QFile::exists(first));
}

void TestFrmMain::writeFailure_data()
{
    QTest::addColumn<int>("moveFolderAtYield"); // 0: the folder is removed before the run
    QTest::addRow("folder removed before the run") << 0;
    QTest::addRow("folder moved away at face 100") << 36 + 100;
}

void TestFrmMain::writeFailure()
{
    QFETCH(int, moveFolderAtYield);
    WindowDriver d;
    QDir root(d.dir.path());
    QVERIFY(root.mkdir(QStringLiteral("out")));
    const QString path = d.path(QStringLiteral("out/flower.dxf"));
    const QByteArray previous("previous file\r\n");
    d.fakes.saveDialog.answers.push_back(path);
    QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);

    if (moveFolderAtYield == 0) {
        QVERIFY(root.rmdir(QStringLiteral("out")));
    } else {
        testing::writeBytes(path, previous);
        d.atYield = [&](int n, job::frmDXF*) {
            if (n == moveFolderAtYield)
                root.rename(QStringLiteral("out"), QStringLiteral("moved"));
        };
    }
    const testing::ProgressRun failed = d.press(d.window.cmdDXF);

    QVERIFY(failed.shown && !failed.finished);
    QVERIFY(!d.window.progressWindow()->isVisible());
    QCOMPARE(d.fakes.messageBox.shown.size(), 1u);
    const ShownMessage& message = d.fakes.messageBox.shown[0];
    QCOMPARE(message.kind, ShownMessage::Exclamation);
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(path)), qPrintable(message.text));
    QVERIFY2(message.text.contains(QStringLiteral("保存できませんでした")), qPrintable(message.text));
    if (moveFolderAtYield != 0) {
        QCOMPARE(testing::fileBytes(d.path(QStringLiteral("moved/flower.dxf"))), previous);
        QCOMPARE(QDir(d.path(QStringLiteral("moved"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("flower.dxf")}); // and no temporary file beside it
    }

    // The main window carries on: with the folder back, the same press writes the file.
    d.atYield = {};
    QVERIFY(root.mkdir(QStringLiteral("out")));
    const testing::ProgressRun again = d.press(d.window.cmdDXF);
    QVERIFY(again.finished);
    QCOMPARE(testing::fileText(path).count(QStringLiteral("\r\n3DFACE\r\n")), 288);
    QCOMPARE(d.fakes.messageBox.shown.size(), 1u);
}

void TestFrmMain::captionLayoutAndFonts()
{
    WindowDriver d;
    ui::frmMAIN& w = d.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Petalwright 0.7.1β"));
    QCOMPARE(QApplication::focusWidget(), w.cmdOUT);

    // Twips over 15, each relative to its container.
    const std::pair<QWidget*, QRect> layout[] = {
        {w.Frame2, {12, 8, 445, 57}},     {w.txtDXFFILE, {12, 24, 349, 18}}, {w.cmdOUT, {372, 16, 57, 33}},
        {w.Frame1, {12, 72, 273, 165}},   {w.txtPETAL, {176, 16, 77, 18}},   {w.txtANGLE, {176, 136, 77, 18}},
        {w.Label[0], {16, 20, 125, 13}},  {w.Label[5], {16, 140, 149, 13}},  {w.cmdDXF, {304, 96, 153, 33}},
        {w.Image1, {372, 172, 24, 19}},   {w.cmdHELP, {336, 204, 93, 29}},   {w.txtTABSTOP, {28, 452, 37, 18}},
    };
    for (const auto& [control, rect] : layout)
        QVERIFY2(control->geometry() == rect, qPrintable(control->objectName()));
    QVERIFY(w.txtTABSTOP->y() >= w.height()); // never seen

    // Every control with text: the form face, resolved to the installed IPA proportional Gothic.
    QList<QWidget*> texts{w.Frame1, w.Frame2, w.txtDXFFILE, w.cmdOUT, w.cmdDXF, w.cmdHELP, w.txtTABSTOP,
                          w.txtPETAL, w.txtKASAN, w.txtPHABA, w.txtSYUKU, w.txtANGLS, w.txtANGLE};
    texts.append(QList<QWidget*>(w.Label.begin(), w.Label.end()));
    for (QWidget* control : texts) {
        const QFontInfo info(control->font());
        QVERIFY2(info.family() == QStringLiteral("IPAPGothic") && control->font().pointSize() == 9 && !info.bold()
                     && !info.italic() && !info.underline() && !info.strikeOut(),
                 qPrintable(control->objectName() + ": " + info.family()));
    }
    for (QLabel* label : w.Label) // the two long labels fit too
        QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
    QVERIFY(!w.Image1->testAttribute(Qt::WA_SetFont) && !w.Image1->pixmap().isNull()); // a picture: left alone
}

void TestFrmMain::helpLink()
{
    WindowDriver d;
    const QUrl expected(QStringLiteral("https://" PETALWRIGHT_HELP_HOST "/page.php?page=petalwright"));
    for (int press = 1; press <= 2; ++press) {
        d.window.txtPETAL->setFocus();
        QTest::mouseClick(d.window.cmdHELP, Qt::LeftButton);
        QCOMPARE(d.fakes.urlOpener.opened.size(), std::size_t(press));
        QCOMPARE(d.fakes.urlOpener.opened.back(), expected);
        QCOMPARE(QApplication::focusWidget(), d.window.txtTABSTOP);
    }
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
