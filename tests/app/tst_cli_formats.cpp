// petalwright-cli's --format and the choice by the output's extension, --flower, and the solid module.
// (Refused values and names: tst_cli's table.)

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "CliRun.h"

class TestCliFormats : public QObject {
    Q_OBJECT
private slots:
    // The arguments, the output's name and the first bytes of the file.
    void formatByOptionOrExtension()
    {
        const QByteArray plain = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
        const QByteArray cad = "999\r\npetalwright-flower 1 petals=6&overlap=6&width=5&scale=0.5&angle-start=90&angle-end=135&seed=3\r\n0\r\nSECTION\r\n2\r\nHEADER\r\n";
        const QByteArray obj = "#\n# Petalwright 0.7.1 - ";
        const QByteArray stl = "Petalwright 0.7.1 flower=6,6,5,0.5,90,135,3 ";
        const QByteArray glb = "glTF\x02";
        const struct { QStringList arguments; QString output; QByteArray start; } rows[] = {
            {{}, "flower.dxf", plain}, // dxf by default
            {{}, "flower.obj", obj}, // obj
            {{}, "FLOWER.STL", stl}, // STL in capitals
            {{"--format", "cad-dxf"}, "flower.dxf", cad}, // cad-dxf
            {{"--format", "dxf"}, "flower.obj", plain}, // the option wins
            {{"--format", "glb"}, "flower.stl", glb}, // the name as given
            {{"--format=OBJ"}, "flower", obj}, // name in any case
            {{"--format", "print-stl", "--petals", "3", "--overlap", "1"}, "flower.stl", QByteArray("Petalwright 0.7.1 print=3,1,5,0.5,90,135,3 ")}, // print-stl
            {{"--thickness", "2", "--size", "50", "--overlap", "1"}, "flower.3MF", QByteArray("PK\x03\x04")}, // 3mf by its extension
            {{"--petals", "9"}, "flower.petal", QByteArray("petalwright-flower 1\npetals=9\noverlap=6\nwidth=5\nscale=0.5\nangle-start=90\nangle-end=135\nseed=3\n")}, // petal by its extension
            {{"--format", "petal", "--overlap", "50", "--scale", "50"}, "flower.txt", QByteArray("petalwright-flower 1\npetals=6\noverlap=50\n")}, // petal of the largest flower
        };
        for (const auto& [arguments, output, start] : rows) {
            QTemporaryDir dir;
            QVERIFY(runCli(QStringList(arguments) << "--seed" << "3" << dir.filePath(output)).out.endsWith(QStringLiteral("終了しました: %1\n").arg(dir.filePath(output))));
            QVERIFY(QDir(dir.path()).entryList(QDir::Files) == QStringList{output} && readAll(dir.filePath(output)).startsWith(start));
        }
    }

    // --flower: the file's flower and shape number, the options on the line over them; the shape
    // number used is told only when none was given.
    void flowerFileAndShapeNumber()
    {
        // The arguments, the flower file written up to its shape number, and whether the number is told.
        const struct { QStringList arguments; QByteArray petal; bool toldShape; } rows[] = {
            {{"--flower", "in.petal", "--overlap", "2"}, QByteArray("petals=12\noverlap=2\nwidth=5\nscale=0.5\nangle-start=90\nangle-end=135\nseed=77\n"), false}, // options over the file
            {{"--petals", "12"}, QByteArray("petals=12\noverlap=6\n"), true}, // no shape number told
            {{"-q", "--petals", "12"}, QByteArray("petals=12\noverlap=6\n"), false}, // quiet tells nothing
            {{"-q", "--scale", "50"}, QByteArray("petals=6\noverlap=6\nwidth=5\nscale=50\n"), false}, // no print size, no print check
            {{"--flower", "in.dxf"}, QByteArray("petals=12\noverlap=4\n"), true}, // a designed DXF has no shape number
        };
        for (auto [arguments, petal, toldShape] : rows) {
            QTemporaryDir dir;
            for (const char* name : {"in.petal", "in.dxf"})
                QCOMPARE(runCli({"-q", "--petals", "12", "--overlap", "4", "--seed", "77", dir.filePath(name)}).exitCode, 0);
            for (QString& argument : arguments)
                argument = argument.startsWith("in.") ? dir.filePath(argument) : argument;
            const Run run = runCli(arguments << dir.filePath("out.petal"));
            const QByteArray written = readAll(dir.filePath("out.petal"));
            QVERIFY2(run.exitCode == 0 && written.startsWith("petalwright-flower 1\n" + petal), written.constData());
            const QByteArray seed = written.mid(written.indexOf("seed=") + 5).trimmed();
            QCOMPARE(run.err, toldShape ? QStringLiteral("形番号: %1\n").arg(QString::fromLatin1(seed)) : QString());
        }
    }

    void badFlowerFileRefused()
    {
        QTemporaryDir dir;
        const QString bad = dir.filePath("bad.petal");
        QVERIFY(writeFile(bad, "petalwright-flower 1\npetals=6\npetals=7\n"));
        QCOMPARE(runCli({"--flower", bad, dir.filePath("out.dxf")}).codeAndErr(), QStringLiteral("2|花の設定を読めませんでした。\nファイル: %1\n原因: 「petals」が二度あります。\n").arg(bad));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"bad.petal"});
    }

    // A copy of the program in a folder of its own finds the module where an installed one would:
    // missing or broken, a printable type is refused naming the file, and the others still write.
    void withoutTheSolidModule()
    {
        // The file put where the module belongs (empty: none), and the cause told.
        for (const auto& [module, cause] : {std::pair{QByteArray(), "cannot open shared object file"}, {QByteArray("not a module"), "file too short"}}) {
            QTemporaryDir dir;
            const QString program = dir.filePath("bin/petalwright-cli");
            const QString modulePath = dir.filePath("bin/" PETALWRIGHT_MODULE_FROM_BIN "/petalwright-solid.so");
            QVERIFY(QDir().mkpath(dir.filePath("bin")) && QDir().mkpath(QFileInfo(modulePath).path()) && QFile::copy(cliUnderTest(), program));
            if (!module.isEmpty())
                QVERIFY(writeFile(modulePath, module));
            qputenv("PETALWRIGHT_CLI_UNDER_TEST", program.toLocal8Bit());
            const Run printable = runCli({"--format", "3mf", dir.filePath("flower.3mf")});
            const Run drawing = runCli({"-q", dir.filePath("flower.dxf")});
            qunsetenv("PETALWRIGHT_CLI_UNDER_TEST");
            QVERIFY2(printable.exitCode == 1 && printable.err.startsWith(QStringLiteral("3Dプリント用の立体を作るモジュールを読み込めませんでした。ほかの形式は書き出せます。\n"
                                                             "ファイル: %1\n原因: ").arg(QDir::cleanPath(modulePath)))
                         && printable.err.contains(cause),
                     qPrintable(printable.err));
            QVERIFY(!QFile::exists(dir.filePath("flower.3mf")) && drawing.exitCode == 0 && readAll(dir.filePath("flower.dxf")).contains("3DFACE"));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliFormats)
#include "tst_cli_formats.moc"
