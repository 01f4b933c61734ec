// Keeping a flower: the window with 形を保つ and the command line with --seed or --flower write the
// same bytes (date aside) for the same flower; the shape number box, the link, and opening files.

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>

#include "../app/CliRun.h"
#include "WindowDriver.h"
#include "formats/FlowerReader.h"
#include "windows/FlowerLink.h"

using namespace petalwright;
using testing::WindowDriver;

namespace {

const QStringList kFlowers[] = {{"6", "6", "5", "0.5", "90", "135"}, {"12", "4", "3", "1.25", "45.5", "172.5"}, {" 3", "2", "8", "2 ", "10", "170"}};

// The file with its date text taken out (the window's clock is fixed, the command line's is not).
QByteArray withoutDate(QByteArray bytes)
{
    // In the local format, which differs between the window's fixed locale and the command line's.
    static const QRegularExpression date(QStringLiteral("\\([^()\\r\\n\"]*\\d{1,2}:\\d\\d:\\d\\d\\)"));
    if (!bytes.startsWith("glTF"))
        return QString::fromLatin1(bytes).replace(date, QStringLiteral("(date)")).toLatin1();
    // glTF: the JSON chunk, whose length follows the date's, then the binary chunk as it is.
    quint32 length = 0;
    std::memcpy(&length, bytes.constData() + 12, sizeof length);
    return withoutDate(bytes.mid(20, length).trimmed()) + bytes.mid(20 + length);
}

void type(QLineEdit* box, const QString& text)
{
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// Chooses `path` with the save dialog's type `typeIndex` and generates.
void save(WindowDriver& d, const QString& path, int typeIndex)
{
    d.saveDialog.answers << path;
    d.saveDialog.filterAnswers << typeIndex;
    QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
    d.press(d.window.cmdDXF);
}

void drop(QWidget* target, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}


} // namespace

class TestKeepFlower : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); }

    void sameFlowerEveryRoute_data()
    {
        QTest::addColumn<int>("flower");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("typeIndex");
        const std::pair<const char*, int> formats[] = {{"dxf", 0}, {"cad-dxf", 1}, {"obj", 2}, {"stl", 3}, {"glb", 4}, {"petal", 7}};
        for (int f = 0; f < int(std::size(formats)); ++f) // each format once, the flowers in turn
            QTest::addRow("flower %d %s", f % 3, formats[f].first) << f % 3 << QString::fromLatin1(formats[f].first) << formats[f].second;
    }
    void sameFlowerEveryRoute()
    {
        QFETCH(int, flower);
        QFETCH(QString, format);
        QFETCH(int, typeIndex);
        const QString seed = QStringLiteral("1765%1").arg(flower * 7919 + typeIndex);
        WindowDriver d;
        for (const char* folder : {"window", "seed", "flower"})
            QVERIFY(QDir(d.dir.path()).mkpath(folder));
        const QString name = "flower." + (format == "cad-dxf" ? "dxf" : format);

        // The window: the six texts, the shape number typed, 形を保つ, the flower file, then the format twice.
        d.setBoxes(kFlowers[flower]);
        type(d.window.txtSEED, seed);
        QTest::mouseClick(d.window.chkKEEP, Qt::LeftButton, {}, QPoint(8, d.window.chkKEEP->height() / 2));
        QVERIFY(d.window.chkKEEP->isChecked());
        save(d, d.path("window/kept.petal"), 7);
        save(d, d.path("window/" + name), typeIndex);
        const QByteArray first = readAll(d.path("window/" + name));
        save(d, d.path("window/" + name), typeIndex);
        QVERIFY(!first.isEmpty() && readAll(d.path("window/" + name)) == first);
        QCOMPARE(d.messageBox.shown.filter(QRegularExpression("^!")), QStringList()); // the flower file's own row asks before saving over

        // The command line with --seed and with the window's flower file.
        QStringList bySeed = {"-q", "--format", format, "--seed", seed};
        for (const char* option : {"--petals=", "--overlap=", "--width=", "--scale=", "--angle-start=", "--angle-end="})
            bySeed << option + kFlowers[flower][int(bySeed.size()) - 5];
        QCOMPARE(runCli(bySeed << d.path("seed/" + name)).exitCode, 0);
        QCOMPARE(runCli({"-q", "--format", format, "--flower", d.path("window/kept.petal"), d.path("flower/" + name)}).exitCode, 0);
        QCOMPARE(withoutDate(readAll(d.path("seed/" + name))) + '|' + withoutDate(readAll(d.path("flower/" + name))), withoutDate(first) + '|' + withoutDate(first));
    }

    void shapeNumberBoxAndLink()
    {
        WindowDriver d;
        d.seed = 99;
        QTest::mouseClick(d.window.cmdSHAPE, Qt::LeftButton);
        QCOMPARE(d.window.txtSEED->text(), QStringLiteral("99"));
        type(d.window.txtSEED, QStringLiteral("12a"));
        QCOMPARE(QStringList(d.messageBox.shown) << d.window.txtSEED->text(), QStringList({QStringLiteral("! 形番号は 0 ～ 18446744073709551615 の整数です。\r\n\r\n12a"), "99"}));
        type(d.window.txtSEED, QStringLiteral(" 18446744073709551615 "));
        QVERIFY(d.window.jobState().ringSeed == 18446744073709551615u && d.window.txtSEED->text() == QStringLiteral("18446744073709551615"));
        d.window.txtSYUKU->setText(QStringLiteral("0.5 倍"));
        QTest::mouseClick(d.window.cmdLINK, Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 windows::builtPageUrl() + "?petals=6&overlap=6&width=5&scale=0.5%20%E5%80%8D&angle-start=90&angle-end=135&seed=18446744073709551615");
    }

    // Save DXF, tick 形を保つ, save 3MF: the same flower; dropped back on the window, the 3MF gives
    // the six values and the shape again, and nothing runs or is written.
    void saveKeepSaveAgainAndDropBack()
    {
        WindowDriver d;
        d.seed = 4242;
        d.setBoxes({"5", "2", "6", "0.8", "60", "120"});
        QTest::mouseClick(d.window.cmdSHAPE, Qt::LeftButton);
        save(d, d.path("flower.dxf"), 0);
        QTest::mouseClick(d.window.chkKEEP, Qt::LeftButton, {}, QPoint(8, d.window.chkKEEP->height() / 2));
        d.seed = 1; // what 別の形 would give now
        d.saveDialog.answers << d.path("flower.3mf");
        d.saveDialog.filterAnswers << 6;
        QTimer::singleShot(0, [] {
            if (QWidget* dialog = QApplication::activeModalWidget())
                QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QVERIFY(d.press(d.window.cmdDXF).finished);
        const formats::FlowerRead read = formats::readFlowerFile(readAll(d.path("flower.3mf")).toStdString());
        QVERIFY2(read.flower, read.problem.c_str());
        QCOMPARE(read.flower->seed, std::optional<std::uint64_t>(4242));

        d.setBoxes({"9", "9", "9", "9", "9", "99"});
        QTest::mouseClick(d.window.cmdSHAPE, Qt::LeftButton);
        const QStringList before = QDir(d.dir.path()).entryList(QDir::Files);
        drop(&d.window, d.path("flower.3mf"));
        QCOMPARE(d.boxTexts() << d.window.txtSEED->text(), QStringList({"5", "2", "6", "0.8", "60", "120", "4242"}));
        QVERIFY(QDir(d.dir.path()).entryList(QDir::Files) == before && d.messageBox.shown.isEmpty());

        // The designed DXF gives its six values and, said so, a new shape.
        d.setBoxes({"9", "9", "9", "9", "9", "99"});
        d.seed = 777;
        drop(d.window.txtPETAL, d.path("flower.dxf"));
        QCOMPARE(d.boxTexts() << d.window.txtSEED->text(), QStringList({"5", "2", "6", "0.8", "60", "120", "777"}));
        QCOMPARE(d.messageBox.shown, QStringList{QStringLiteral("! このファイルには形番号が記録されていません。新しい形で表示します。")});
        QVERIFY(!d.window.progressWindow() || !d.window.progressWindow()->isVisible());
    }

    void badFilesChangeNothing()
    {
        WindowDriver d;
        QVERIFY(writeFile(d.path("notes.txt"), "shopping list\n") && QDir().mkpath(d.path("folder")));
        d.setBoxes(kFlowers[1]);
        const QString seed = d.window.txtSEED->text();
        QStringList expected;
        for (const auto& [name, problem] : {std::pair{"notes.txt", "Petalwright が書いたファイルではありません。"}, {"folder", "フォルダーです。"},
                                            {"gone.petal", "ファイルがありません。"}}) {
            drop(&d.window, d.path(name));
            expected << QStringLiteral("! 花の設定を読めませんでした。\r\n\r\nファイル: %1\r\n原因: %2").arg(d.path(name), QString::fromUtf8(problem));
        }
        QCOMPARE(d.messageBox.shown, expected);
        QCOMPARE(d.boxTexts() << d.window.txtSEED->text(), QStringList(kFlowers[1]) << seed);
    }

    // An existing flower file chosen in 設定 with its type opens on Yes; on No it is saved over.
    void flowerFileChosenInTheDialog()
    {
        WindowDriver d;
        const QString path = d.path("kept.petal");
        QVERIFY(writeFile(path, "petalwright-flower 1\npetals=12\noverlap=4\nwidth=3\nscale=1.25\nangle-start=45.5\nangle-end=172.5\nseed=31\n"));
        d.saveDialog.answers << path << path;
        d.saveDialog.filterAnswers << 7 << 7;
        d.messageBox.answers << true << false;
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QCOMPARE(d.boxTexts() << d.window.txtSEED->text() << d.window.txtDXFFILE->text(), QStringList(kFlowers[1]) << "31" << "");
        d.setBoxes(kFlowers[0]);
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QTest::mouseClick(d.window.cmdDXF, Qt::LeftButton);
        QCOMPARE(readAll(path), QByteArray("petalwright-flower 1\npetals=6\noverlap=6\nwidth=5\nscale=0.5\nangle-start=90\nangle-end=135\nseed=31\n"));
        QCOMPARE(d.messageBox.shown.size(), 2);
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(TestKeepFlower)
#include "tst_keepflower.moc"
