// petalwright-cli's --format and the choice by the output's extension.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "CliRun.h"

class TestCliFormats : public QObject {
    Q_OBJECT
private slots:
    void formatByOptionOrExtension_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QByteArray>("start"); // first bytes of the file
        const QByteArray plain = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
        const QByteArray cad = "0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$ACADVER\r\n";
        const QByteArray obj = "#\n# Petalwright 0.7.1 - ";
        const QByteArray stl = "Petalwright 0.7.1 flower, binary STL";
        const QByteArray glb = "glTF\x02";
        QTest::addRow("dxf by default") << QStringList{} << "flower.dxf" << plain;
        QTest::addRow("no extension") << QStringList{} << "flower" << plain;
        QTest::addRow("another extension") << QStringList{} << "flower.gltf" << plain;
        QTest::addRow("obj") << QStringList{} << "flower.obj" << obj;
        QTest::addRow("STL in capitals") << QStringList{} << "FLOWER.STL" << stl;
        QTest::addRow("Glb") << QStringList{} << "flower.Glb" << glb;
        QTest::addRow("cad-dxf") << QStringList{"--format", "cad-dxf"} << "flower.dxf" << cad;
        QTest::addRow("the option wins") << QStringList{"--format", "dxf"} << "flower.obj" << plain;
        QTest::addRow("the name as given") << QStringList{"--format", "glb"} << "flower.stl" << glb;
        QTest::addRow("name in any case") << QStringList{"--format=OBJ"} << "flower" << obj;
        QTest::addRow("print-stl") << QStringList{"--format", "print-stl", "--petals", "3", "--overlap", "1"} << "flower.stl"
                                   << QByteArray("Petalwright 0.7.1 printable flower, face up, binary STL");
        QTest::addRow("3mf by its extension") << QStringList{"--thickness", "2", "--size", "50", "--overlap", "1"} << "flower.3MF"
                                              << QByteArray("PK\x03\x04");
    }
    void formatByOptionOrExtension()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QByteArray, start);
        QTemporaryDir dir;
        const Run run = runCli(arguments << "--seed" << "3" << dir.filePath(output));
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.endsWith(QStringLiteral("終了しました: %1\n").arg(dir.filePath(output))));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{output});
        QVERIFY(readAll(dir.filePath(output)).startsWith(start));
    }

    void unknownFormatRefused()
    {
        QTemporaryDir dir;
        for (const char* name : {"", "gltf", "cad"}) {
            const Run run = runCli({"--format", name, dir.filePath("flower.dxf")});
            QCOMPARE(run.exitCode, 2);
            QCOMPARE(run.err, QStringLiteral("--format には dxf, cad-dxf, obj, stl, glb, print-stl, 3mf のいずれかを指定してください: %1\n"
                                      "使い方は petalwright-cli --help で表示できます。\n").arg(name));
        }
        QVERIFY(QDir(dir.path()).isEmpty());
        QVERIFY(runCli({"--help"}).out.contains("--format <FORMAT>"));
    }

    // Bad thickness or size: status 2, the message, and no file.
    void badSolidValuesRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::addRow("zero") << QStringList{"--thickness", "0", "flower.3mf"} << "厚さは 0 より大きい数（mm）にしてください: 0\n";
        QTest::addRow("negative size") << QStringList{"--size=-10", "--format", "print-stl", "flower.stl"}
                                       << "大きさは 0 より大きい数（mm）にしてください: -10\n";
        QTest::addRow("not a number") << QStringList{"--thickness", "thin", "flower.3mf"} << "厚さは 0 より大きい数（mm）にしてください: thin\n";
        QTest::addRow("too thick") << QStringList{"--thickness", "3", "--size", "40", "flower.3mf"}
                                   << "厚さ 3 mm は大きさ 40 mm の花に合いません。0.4 ～ 2 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。\n";
        QTest::addRow("too small to print") << QStringList{"--size", "5", "--thickness", "0.25", "flower.3mf"}
                                            << "大きさ 5 mm の花は小さすぎて印刷できません。20 mm 以上にしてください。\n"
                                               "厚さ 0.25 mm はノズルの線幅より薄く、印刷できません。0.4 mm 以上にしてください。\n";
        QTest::addRow("not a printable format") << QStringList{"--size", "100", "flower.stl"}
                                                << "--thickness と --size は print-stl と 3mf の形式にだけ使えます。\n"
                                                   "使い方は petalwright-cli --help で表示できます。\n";
    }
    void badSolidValuesRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        arguments.last() = dir.filePath(arguments.last());
        const Run run = runCli(arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.err, message);
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCliFormats)
#include "tst_cli_formats.moc"
