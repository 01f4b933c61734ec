// petalwright-cli end to end, and its files read back by an independent DXF reader.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "CliRun.h"

#include <csignal>
#include <sys/stat.h>

#include "geometry/SampleFlowers.h"
#include "platform/SafeFile.h"

namespace {

// The head and face blocks, without the comment block that records the time of writing.
QByteArray faces(const QString& path) { return readAll(path).split('/').first(); }

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString unknownPresetMessage(const QString& name)
{
    QStringList names;
    for (const petalwright::geometry::SampleFlower& sample : petalwright::geometry::sampleFlowers())
        names << fromView(sample.name);
    return QStringLiteral("見本「%1」はありません。次のどれかを指定してください: %2\n"
                          "使い方は petalwright-cli --help で表示できます。\n").arg(name, names.join(", "));
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
                                        << "ファイルを保存できませんでした。\n\nファイル: %1\n原因: 保存先のフォルダーが見つかりません。\n";
        const QString usage = "使い方は petalwright-cli --help で表示できます。\n";
        QTest::addRow("unknown option") << QStringList{"--petal", "6"} << "out.dxf" << 2 << "不明なオプションです: --petal\n" + usage;
        QTest::addRow("unknown short option") << QStringList{"-x"} << "out.dxf" << 2 << "不明なオプションです: -x\n" + usage;
        QTest::addRow("value for a switch") << QStringList{"--quiet=yes"} << "out.dxf" << 2 << "オプション --quiet は値をとりません。\n" + usage;
        QTest::addRow("two outputs") << QStringList{"other.dxf"} << "out.dxf" << 2
                                     << "出力するファイルは一つだけ指定してください: other.dxf %1\n" + usage;
        QTest::addRow("empty output") << QStringList{} << "" << 2 << "出力するファイルの名前が空です。\n" + usage;
    }
    void refusesWithoutWriting()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(int, exitCode);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString path = output.isEmpty() ? QString() : dir.filePath(output);
        const Run run = runCli(arguments << path);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.err, err.contains("%1") ? err.arg(path) : err);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void usage()
    {
        const Run missing = runCli({"--seed", "1"});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY(missing.err.startsWith("出力するファイルを一つ指定してください。\n"));
        const Run noValue = runCli({"out.dxf", "--petals"});
        QCOMPARE(noValue.exitCode, 2);
        QVERIFY(noValue.err.startsWith("オプション --petals には値が必要です。\n"));
        const Run help = runCli({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char* option : {"--petals", "--overlap", "--width", "--scale", "--angle-start", "--angle-end", "--seed", "--quiet"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const Run version = runCli({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("petalwright-cli 0.7.1\n"));
    }

    void standardOutput()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dxf");
        QCOMPARE(runCli({"-q", "--seed", "9", path}).exitCode, 0);
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(PETALWRIGHT_CLI, {"--seed", "9", "-"});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray piped = process.readAllStandardOutput();
        QCOMPARE(piped.split('/').first(), faces(path));
        QVERIFY(piped.contains("\r\n// Petalwright 0.7.1 - -("));
        QVERIFY(piped.endsWith("\r\n//\r\n"));
        // The messages for the user go to stderr, and no file is made.
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QStringLiteral("△288 / 約 67.1 KB\n終了しました: -\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.dxf"});
    }

    void namesAsGiven()
    {
        QTemporaryDir dir;
        // Bytes that are not UTF-8: refused before any work, shown escaped; the name the program
        // would have read instead ("report\uFFFD.dxf") is left alone.
        const QString stand = dir.filePath(QStringLiteral("report\uFFFD.dxf"));
        QFile other(stand);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("someone else's") == 14);
        other.close();
        QProcess shell;
        shell.setWorkingDirectory(dir.path());
        shell.start("/bin/sh", {"-c", "exec \"$0\" -q \"$(printf 'report\\351.dxf')\"", PETALWRIGHT_CLI});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(shell.readAllStandardError()),
                 QStringLiteral("このファイル名は文字として読めないバイトを含むため、そのままでは書き込めません: report\\xE9.dxf\n"
                                "使い方は petalwright-cli --help で表示できます。\n"));
        QCOMPARE(readAll(stand), QByteArray("someone else's"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("report\uFFFD.dxf")});

        // A line break in the name is a blank in the comment block, which keeps its thirteen lines.
        const QString broken = dir.filePath("a\nb.dxf");
        QCOMPARE(runCli({"-q", broken}).exitCode, 0);
        const QByteArray file = readAll(broken);
        QVERIFY(file.contains("\r\n// Petalwright 0.7.1 - a b.dxf("));
        QCOMPARE(file.count('\n'), 5 + 288 * 28 + 13);
    }

    void fifoIsNotReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("pipe.dxf");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        const Run run = runCli({"-q", path});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("ファイルを保存できませんでした。\n\nファイル: %1\n原因: 同じ名前の名前付きパイプ（FIFO）があります。"
                                         "通常のファイルではないため置き換えません。\n").arg(path));
        QVERIFY(QFileInfo(path).isFile() == false && QFileInfo::exists(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(), 1);
    }

    // Ctrl+C while the largest flower is being written: exit 130, the old file as it was, no
    // temporary file. The signal is sent as soon as the temporary file appears.
    void interruptWhileWriting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("drawing.dxf");
        const QByteArray old = "0\r\nEOF\r\n// old one\r\n";
        QFile previous(path);
        QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write(old) == old.size());
        previous.close();
        const QStringList largest = {"-q", "--petals", "50", "--overlap", "50", "--width", "10", "--scale", "50",
                                     "--angle-start", "0", "--angle-end", "180", path};
        const auto all = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); };
        bool interrupted = false;
        for (int attempt = 0; attempt < 10 && !interrupted; ++attempt) {
            QProcess process;
            process.start(PETALWRIGHT_CLI, largest);
            QVERIFY(process.waitForStarted());
            QElapsedTimer waited;
            waited.start();
            bool ended = false;
            while (!(ended = process.waitForFinished(0)) && all().size() < 2 && waited.elapsed() < 30'000)
                ;
            if (ended || all().size() < 2)
                continue; // finished before it was seen: try again
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
            QVERIFY(process.waitForFinished(60000));
            if (process.exitCode() == 0)
                continue; // the last bytes were already on their way
            interrupted = true;
            QCOMPARE(process.exitCode(), 130);
            QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QStringLiteral("中断しました。ファイルは変更していません。\n"));
        }
        QVERIFY2(interrupted, "the writing was never caught in ten runs");
        QCOMPARE(readAll(path), old);
        QCOMPARE(all(), QStringList{"drawing.dxf"});
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
