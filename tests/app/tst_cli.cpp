// petalwright-cli end to end, and its files read back by an independent DXF reader.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/AnsiTextFile.h"

using namespace petalwright;

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runCli(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(PETALWRIGHT_CLI), arguments);
    if (!process.waitForFinished(60000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file without its version line, which carries the time of writing.
QByteArray withoutVersionLine(const QByteArray& file)
{
    QByteArrayList lines = file.split('\n');
    lines.removeIf([](const QByteArray& line) { return line.startsWith("// Petalwright "); });
    return lines.join('\n');
}

const QStringList kLargest = {"--petals", "50", "--overlap", "50", "--width", "10", "--scale", "50",
                              "--angle-start", "0", "--angle-end", "180"};

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
        QCOMPARE(runCli({"-q", "--seed", "42", b}).out, QString());
        QCOMPARE(runCli({"-q", "--seed", "43", c}).exitCode, 0);

        const QByteArray file = readAll(a);
        QCOMPARE(file.count("\r\n"), 5 + 288 * 28 + 13);
        QVERIFY(file.contains("\r\n//\r\n// Petalwright 0.7.1 - a.dxf("));
        QVERIFY(file.endsWith(platform::toCodePage932(QStringLiteral("// 花びらを生やす角度（終わり） = 135\r\n//\r\n"))));
        QCOMPARE(withoutVersionLine(readAll(b)), withoutVersionLine(file));
        QVERIFY(withoutVersionLine(readAll(c)) != withoutVersionLine(file));
    }

    void recordsTrimmedTextsAndEncodesTheName()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("花.dxf"));
        QCOMPARE(runCli({"-q", "--petals", " 06 ", "--scale", "0.50", path}).exitCode, 0);
        const QByteArray file = readAll(path);
        QVERIFY(file.contains(platform::toCodePage932(QStringLiteral("// Petalwright 0.7.1 - 花.dxf("))));
        QVERIFY(file.contains(platform::toCodePage932(QStringLiteral("\r\n// 花びらの枚数 = 06\r\n"))));
        QVERIFY(file.contains(platform::toCodePage932(QStringLiteral("\r\n// 花びらの拡大縮小 = 0.50\r\n"))));
    }

    void rejectsBadInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::addRow("petals and start angle")
            << QStringList{"--petals", "abc", "--angle-start", ""}
            << QStringLiteral("花びらの枚数は 2 ～ 50 です。\n花びらを生やす角度（始まり）は 0.0 ～ 180.0 です。\n");
        QTest::addRow("scale beyond double range") << QStringList{"--scale", "1e400"}
                                                   << QStringLiteral("花びらの拡大縮小は 0.1 ～ 50.0 です。\n");
        QTest::addRow("angles out of order") << QStringList{"--angle-start", "120", "--angle-end", "100"}
                                             << QStringLiteral("花びらを生やす角度は 始まり <= 終わり にしてください。\n");
        QTest::addRow("bad seed") << QStringList{"--seed", "x"}
                                  << QStringLiteral("--seed には 0 から 18446744073709551615 までの整数を指定してください: x\n");
    }
    void rejectsBadInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const Run run = runCli(arguments << dir.filePath("out.dxf"));
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, message);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void missingOutputArgument()
    {
        const Run run = runCli({"--seed", "1"});
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith(QStringLiteral("出力するDXFファイルを一つ指定してください。\n")));
    }

    void missingFolderNamesThePath()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("gone/out.dxf");
        const Run run = runCli({"-q", path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains(path));
        QVERIFY(run.err.contains(QStringLiteral("保存先のフォルダーが見つかりません")));
    }

    void helpAndVersion()
    {
        const Run help = runCli({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char* option : {"--petals", "--overlap", "--width", "--scale", "--angle-start", "--angle-end", "--seed", "--quiet"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        const Run version = runCli({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QStringLiteral("petalwright-cli 0.7.1\n"));
    }

    void independentReaderSeesEveryFace_data()
    {
        QTest::addColumn<QStringList>("parameters");
        QTest::addColumn<int>("faces");
        QTest::addColumn<int>("probe"); // a face whose corners are compared with the file text
        QTest::addRow("default flower") << QStringList{} << 288 << 0;
        QTest::addRow("largest flower") << kLargest << 20000 << 19999;
    }
    void independentReaderSeesEveryFace()
    {
        QFETCH(QStringList, parameters);
        QFETCH(int, faces);
        QFETCH(int, probe);
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QProcess::execute(python, {"-c", "import ezdxf"}) != 0)
            QSKIP("/usr/bin/python3 cannot import ezdxf");
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        QCOMPARE(runCli(QStringList{"-q", "--seed", "5"} + parameters << path).exitCode, 0);

        const char* const script = R"(
import sys, ezdxf
faces = ezdxf.readfile(sys.argv[1]).modelspace().query('3DFACE')
face = faces[int(sys.argv[2])]
print(len(faces), face.dxf.layer)
print(' '.join('%.9f' % c for v in (face.dxf.vtx0, face.dxf.vtx1, face.dxf.vtx2, face.dxf.vtx3) for c in v))
)";
        QProcess reader;
        reader.start(python, {"-c", script, path, QString::number(probe)});
        QVERIFY(reader.waitForFinished(120000));
        QCOMPARE(reader.exitCode(), 0);
        const QStringList seen = QString::fromLatin1(reader.readAllStandardOutput()).split('\n');
        const QString layer = QStringLiteral("d%1").arg(probe, 6, 10, QLatin1Char('0'));
        QCOMPARE(seen.value(0), QStringLiteral("%1 %2").arg(faces).arg(layer));

        // The reader's corners are the twelve values written after the face's layer line.
        const QByteArrayList lines = readAll(path).split('\n');
        const qsizetype at = lines.indexOf(layer.toLatin1() + '\r');
        QVERIFY(at > 0);
        QStringList written;
        for (int v = 0; v < 12; ++v)
            written << QString::fromLatin1(lines[at + 2 + 2 * v].trimmed());
        QCOMPARE(seen.value(1), written.join(' '));
        if (probe == 0) // corners 1 and 2 are both the flower centre
            QVERIFY(seen.value(1).startsWith("0.000000000 50.000000000 0.000000000 0.000000000 50.000000000 0.000000000 "));
        else // the last petal's tip: straight up at 40 x 50 above the centre
            QVERIFY(seen.value(1).endsWith(" 0.000000000 2050.000000000 0.000000000 0.000000000 2050.000000000 0.000000000"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
