// Code page 932 text and the output file that keeps the previous file on failure.

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

#include "geometry/FlowerParameters.h"
#include "platform/AnsiTextFile.h"

using namespace petalwright;
using platform::AnsiTextFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QStringList entries(const QString& dir) { return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

const QByteArray kPrevious = "previous flower\r\n";

enum Failure { MissingFolder, FolderRemoved, TargetIsFolder, FullDisk, Unreplaceable };

} // namespace

class TestAnsiTextFile : public QObject {
    Q_OBJECT
private slots:
    void codePage932()
    {
        const struct { QString text; QByteArray bytes; } rows[] = {
            {"3DFACE 0.5", "3DFACE 0.5"}, {"～", "\x81\x60"}, {"（）", "\x81\x69\x81\x6A"}, {"花びら", "\x89\xD4\x82\xD1\x82\xE7"},
            {"aéb", "a?b"}, {"€é", "??"}, {"a😀b", "a?b"}, // one '?' per missing character
            {QString(QChar(0xD800)), "?"}, {"a" + QString(QChar(0xDC00)) + "b", "a?b"}, // lone surrogates
        };
        for (const auto& r : rows)
            QCOMPARE(platform::toCodePage932(r.text), r.bytes);
        const int prefixBytes[] = {18, 20, 16, 22, 34, 34}; // "// label = " of the comment block
        for (std::size_t i = 0; i < geometry::kParameterLabels.size(); ++i)
            QCOMPARE(platform::toCodePage932("// " + QString::fromUtf8(geometry::kParameterLabels[i]) + " = ").size(), prefixBytes[i]);
    }

    void replacesOnlyOnCommit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        writeFile(path, kPrevious);
        {
            AnsiTextFile discarded(path), abandoned(path);
            QVERIFY(discarded.open() && discarded.write("cancelled"));
            discarded.discard();
            QVERIFY(abandoned.open() && abandoned.write("never committed"));
        }
        QCOMPARE(readAll(path), kPrevious);
        AnsiTextFile file(path);
        QVERIFY(file.open());
        QVERIFY(file.write("0\r\n"));
        QVERIFY(file.write(file.encodeText("// 花びらの枚数 = 6\r\n")));
        QCOMPARE(readAll(path), kPrevious);
        QVERIFY(file.commit());
        QCOMPARE(readAll(path), QByteArray("0\r\n// \x89\xD4\x82\xD1\x82\xE7\x82\xCC\x96\x87\x90\x94 = 6\r\n"));
        QVERIFY(file.errorMessage().isEmpty());
        QCOMPARE(entries(dir.path()), QStringList{"flower.dxf"});
    }

    void failureKeepsPreviousFile_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QByteArray>("diskSize");
        QTest::addRow("missing folder") << int(MissingFolder) << QByteArray();
        QTest::addRow("folder removed while writing") << int(FolderRemoved) << QByteArray();
        QTest::addRow("target is a folder") << int(TargetIsFolder) << QByteArray();
        QTest::addRow("full disk, 8 KB") << int(FullDisk) << QByteArray("8k");
        QTest::addRow("full disk, 64 KB") << int(FullDisk) << QByteArray("64k");
        QTest::addRow("target cannot be replaced") << int(Unreplaceable) << QByteArray();
    }
    void failureKeepsPreviousFile()
    {
        QFETCH(int, failure);
        QFETCH(QByteArray, diskSize);
        QTemporaryDir dir;
        const QString folder = dir.filePath("chosen"), target = folder + "/flower.dxf";
        const QString previous = failure == TargetIsFolder ? target + "/inside.txt" : target;
        QVERIFY(QDir().mkpath(failure == TargetIsFolder ? target : folder));
        // A small tmpfs fills up; a file with something bound onto it cannot be renamed over (EBUSY).
        const QByteArray folderName = QFile::encodeName(folder), targetName = QFile::encodeName(target);
        QByteArray mounted;
        const auto unmount = qScopeGuard([&] { if (!mounted.isEmpty()) ::umount2(mounted.constData(), MNT_DETACH); });
        if (failure == FullDisk && ::mount("tmpfs", folderName.constData(), "tmpfs", 0, ("size=" + diskSize).constData()) == 0)
            mounted = folderName;
        if (failure != MissingFolder)
            writeFile(previous, kPrevious);
        else
            QVERIFY(QDir(folder).removeRecursively());
        if (failure == Unreplaceable && ::mount(targetName.constData(), targetName.constData(), nullptr, MS_BIND, nullptr) == 0)
            mounted = targetName;
        if ((failure == FullDisk || failure == Unreplaceable) && mounted.isEmpty())
            QSKIP("mounting is not allowed here");

        AnsiTextFile file(target);
        bool ok = file.open();
        for (int i = 0; i < 20 && ok; ++i) {
            ok = file.write(std::string(8192, 'f'));
            if (failure == FolderRemoved && i == 0)
                QVERIFY(QDir(folder).removeRecursively());
        }
        QVERIFY(!(ok && file.commit()));
        QVERIFY2(file.errorMessage().startsWith(QStringLiteral("DXFファイルを保存できませんでした。")), qPrintable(file.errorMessage()));
        QVERIFY(file.errorMessage().contains(QDir::toNativeSeparators(target)));
        if (failure == MissingFolder || failure == FolderRemoved)
            QCOMPARE(entries(dir.path()), QStringList());
        else {
            QCOMPARE(readAll(previous), kPrevious);
            QCOMPARE(entries(folder), QStringList{"flower.dxf"});
        }
    }
};

QTEST_GUILESS_MAIN(TestAnsiTextFile)
#include "tst_ansitextfile.moc"
