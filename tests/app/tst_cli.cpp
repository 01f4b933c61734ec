// petalwright-cli end to end, and its files read back by an independent DXF reader.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "geometry/SampleFlowers.h"
#include "platform/AnsiTextFile.h"

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C.UTF-8");
    process.setProcessEnvironment(env);
    process.start(PETALWRIGHT_CLI, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The head and face blocks, without the comment block that records the time of writing.
QByteArray faces(const QString& path) { return readAll(path).split('/').first(); }

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString unknownPresetMessage(const QString& name)
{
    QStringList names;
    for (const petalwright::geometry::SampleFlower& sample : petalwright::geometry::sampleFlowers())
        names << fromView(sample.name);
    return QStringLiteral("見本「%1」はありません。次のどれかを指定してください: %2\n").arg(name, names.join(", "));
}

const QString kSeedMessage = "--seed には 0 から 18446744073709551615 までの整数を指定してください: %1\n";

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void writesDefaultFlowerReproducibly()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.dxf"), b = dir.filePath("b.dxf"), c = dir.filePath("c.dxf");
        const Run run = runCli({"--seed", "42", a});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("△288 / 約 67.1 KB\n終了しました: %1\n").arg(a));
        QCOMPARE(run.err, QString()); // no progress bar when stderr is not a terminal
        QCOMPARE(runCli({"-q", "--seed", " 42 ", b}).out, QString());
        QCOMPARE(runCli({"-q", "--seed", "18446744073709551615", c}).exitCode, 0);

        const QByteArray file = readAll(a);
        QCOMPARE(file.count("\r\n"), 5 + 288 * 28 + 13);
        QVERIFY(file.contains("\r\n//\r\n// Petalwright 0.7.1 - a.dxf("));
        QVERIFY(file.endsWith(petalwright::platform::toCodePage932("// 花びらを生やす角度（終わり） = 135\r\n//\r\n")));
        QCOMPARE(faces(b), faces(a));
        QVERIFY(faces(c) != faces(a));
    }

    void refusesWithoutWriting_data()
    {
        QTest::addColumn<QStringList>("arguments"); // the output path follows
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err"); // %1: the output path
        QTest::addRow("all seven checks")
            << QStringList{"--petals", "", "--overlap", "", "--width", "", "--scale", "", "--angle-start", "x", "--angle-end", "-1e999"}
            << "out.dxf" << 2
            << "花びらの枚数は 2 ～ 50 です。\n花びらの重なりは 1 ～ 50 です。\n花びらの幅は 1 ～ 10 です。\n"
               "花びらの拡大縮小は 0.1 ～ 50.0 です。\n花びらを生やす角度（始まり）は 0.0 ～ 180.0 です。\n"
               "花びらを生やす角度（終わり）は 0.0 ～ 180.0 です。\n花びらを生やす角度は 始まり <= 終わり にしてください。\n";
        for (const char* seed : {"x", "-1", "18446744073709551616", "1e3"})
            QTest::addRow("seed %s", seed) << QStringList{"--seed", seed} << "out.dxf" << 2 << kSeedMessage.arg(seed);
        for (const char* name : {"rose", "Lotus", ""})
            QTest::addRow("unknown preset '%s'", name) << QStringList{"--preset", name, "--petals", "8"} << "out.dxf" << 2
                                                      << unknownPresetMessage(name);
        QTest::addRow("preset, then a bad explicit value")
            << QStringList{"--preset", "lotus", "--angle-start", "170"} << "out.dxf" << 2
            << "花びらを生やす角度は 始まり <= 終わり にしてください。\n";
        QTest::addRow("missing folder") << QStringList{} << "gone/out.dxf" << 1
                                        << "DXFファイルを保存できませんでした。\n\nファイル: %1\n原因: 保存先のフォルダーが見つかりません。\n";
    }
    void refusesWithoutWriting()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const Run run = runCli(arguments << dir.filePath(output));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err, err.contains("%1") ? err.arg(dir.filePath(output)) : err);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void usage()
    {
        const Run missing = runCli({"--seed", "1"});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.startsWith("出力するDXFファイルを一つ指定してください。\n"));
        const Run help = runCli({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char* option : {"--petals", "--overlap", "--width", "--scale", "--angle-start", "--angle-end", "--seed", "--quiet"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const Run version = runCli({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("petalwright-cli 0.7.1\n"));
    }

    // The comment block records the six texts the run used: the sample's, except where an option was given.
    void presetAndExplicitOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("recorded"); // the six texts of the comment block
        QTest::addRow("preset alone") << QStringList{"--preset", "lotus"} << QStringList{"8", "3", "9", "0.7", "125", "160"};
        QTest::addRow("petals overridden") << QStringList{"--preset", "lotus", "--petals", "12"}
                                           << QStringList{"12", "3", "9", "0.7", "125", "160"};
        QTest::addRow("override given first") << QStringList{"--angle-end", "170.0", "--preset", "lotus"}
                                              << QStringList{"8", "3", "9", "0.7", "125", "170.0"};
        // The option's own default, given explicitly, still wins over the sample.
        QTest::addRow("override equal to the default") << QStringList{"--preset", "tulip", "--width", "5", "--scale", "0.5"}
                                                       << QStringList{"6", "1", "5", "0.5", "155", "155"};
        QTest::addRow("last preset wins") << QStringList{"--preset", "lotus", "--preset", "bell"}
                                          << QStringList{"8", "1", "10", "1", "30", "30"};
    }
    void presetAndExplicitOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, recorded);
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        QCOMPARE(runCli(QStringList{"-q", "--seed", "3"} + arguments << path).exitCode, 0);
        QString block;
        for (qsizetype i = 0; i < recorded.size(); ++i)
            block += QStringLiteral("// %1 = %2\r\n").arg(fromView(petalwright::geometry::kParameterLabels[static_cast<std::size_t>(i)]), recorded[i]);
        const QByteArray file = readAll(path);
        QVERIFY2(file.endsWith(petalwright::platform::toCodePage932(block + "//\r\n")), file.right(300).constData());
    }

    void listPresets()
    {
        const Run run = runCli({"--list-presets"}); // no output file needed
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        const QStringList lines = run.out.split('\n');
        const std::span<const petalwright::geometry::SampleFlower> samples = petalwright::geometry::sampleFlowers();
        QCOMPARE(lines.size(), static_cast<qsizetype>(samples.size()) + 1);
        QCOMPARE(lines.last(), QString());
        for (std::size_t i = 0; i < samples.size(); ++i) {
            QStringList expected{fromView(samples[i].name), fromView(samples[i].japaneseName)};
            for (const std::string_view text : samples[i].texts)
                expected << fromView(text);
            QCOMPARE(lines[static_cast<qsizetype>(i)].split(' ', Qt::SkipEmptyParts), expected);
        }
        // Aligned columns, values to the right: on a terminal (Japanese characters two columns wide) every
        // line ends in the same column.
        const auto columns = [](const QString& line) {
            qsizetype n = 0;
            for (const QChar c : line)
                n += c.unicode() < 0x1100 ? 1 : 2;
            return n;
        };
        for (const QString& line : lines.first(lines.size() - 1))
            QVERIFY2(columns(line) == columns(lines[0]), qPrintable(line));
        QVERIFY(runCli({"--help"}).out.contains("--list-presets"));
    }

    void independentReaderSeesEveryFace_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<QString>("seen"); // face count, last layer and, for the largest, its tip: 40 x 50 straight up
        QTest::addRow("default flower") << QStringList{} << "288 d000287";
        QTest::addRow("largest flower") << QStringList{"--petals", "50", "--overlap", "50", "--width", "10", "--scale", "50",
                                                       "--angle-start", "0", "--angle-end", "180"}
                                        << "20000 d019999 (0.0, 2050.0, 0.0)";
    }
    void independentReaderSeesEveryFace()
    {
        QFETCH(QStringList, parameters);
        QFETCH(QString, seen);
        const QString python = "/usr/bin/python3";
        if (QProcess::execute(python, {"-c", "import ezdxf"}) != 0)
            QSKIP("/usr/bin/python3 cannot import ezdxf");
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        QCOMPARE(runCli(QStringList{"-q", "--seed", "5"} + parameters << path).exitCode, 0);
        const char* const script = "import sys, ezdxf\n"
                                   "faces = ezdxf.readfile(sys.argv[1]).modelspace().query('3DFACE')\n"
                                   "print(len(faces), faces[-1].dxf.layer, faces[-1].dxf.vtx3)";
        QProcess reader;
        reader.start(python, {"-c", script, path});
        QVERIFY(reader.waitForFinished(120000));
        QCOMPARE(reader.exitCode(), 0);
        QVERIFY(QString::fromLatin1(reader.readAllStandardOutput()).startsWith(seen));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
