// Code page 932 text and the output file that keeps the previous file on failure.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

#include "geometry/FlowerParameters.h"
#include "platform/AnsiTextFile.h"

using namespace petalwright;
using platform::AnsiTextFile;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QByteArray kPrevious = "previous flower\r\n";

} // namespace

class TestAnsiTextFile : public QObject {
    Q_OBJECT
private slots:
    void codePage932_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("ASCII") << QStringLiteral("3DFACE 0.5") << QByteArray("3DFACE 0.5");
        QTest::addRow("full-width tilde") << QStringLiteral("～") << QByteArray("\x81\x60");
        QTest::addRow("full-width parentheses") << QStringLiteral("（）") << QByteArray("\x81\x69\x81\x6A");
        QTest::addRow("kanji and kana") << QStringLiteral("花びら") << QByteArray("\x89\xD4\x82\xD1\x82\xE7");
        QTest::addRow("full-width minus") << QStringLiteral("－") << QByteArray("\x81\x7C");
        QTest::addRow("circled digit") << QStringLiteral("①") << QByteArray("\x87\x40");
        QTest::addRow("missing character") << QStringLiteral("aéb") << QByteArray("a?b");
        QTest::addRow("two missing") << QStringLiteral("€é") << QByteArray("??");
        QTest::addRow("emoji") << QStringLiteral("a😀b") << QByteArray("a?b");
        QTest::addRow("lone surrogate at end") << QString(QChar(0xD800)) << QByteArray("?");
        QTest::addRow("lone surrogate inside") << "a" + QString(QChar(0xD800)) + "b" << QByteArray("a?b");
    }
    void codePage932()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(platform::toCodePage932(text), bytes);
    }

    void labelPrefixLengths()
    {
        const int expected[] = {18, 20, 16, 22, 34, 34};
        for (std::size_t i = 0; i < geometry::kParameterLabels.size(); ++i) {
            const std::string_view label = geometry::kParameterLabels[i];
            const QString prefix = "// " + QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())) + " = ";
            QCOMPARE(platform::toCodePage932(prefix).size(), expected[i]);
        }
    }

    void writesAndReplaces()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        writeFile(path, QByteArray(5000, 'x'));
        AnsiTextFile file(path);
        QVERIFY(file.open());
        QVERIFY(file.write("0\r\n"));
        QVERIFY(file.write(file.encodeText("// 花びらの枚数 = 6\r\n")));
        QCOMPARE(readAll(path), QByteArray(5000, 'x')); // untouched until the commit
        QVERIFY(file.commit());
        QCOMPARE(readAll(path), QByteArray("0\r\n// \x89\xD4\x82\xD1\x82\xE7\x82\xCC\x96\x87\x90\x94 = 6\r\n"));
        QVERIFY(file.errorMessage().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flower.dxf"});
    }

    void discardKeepsPrevious()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        writeFile(path, kPrevious);
        {
            AnsiTextFile discarded(path);
            QVERIFY(discarded.open());
            QVERIFY(discarded.write("cancelled"));
            discarded.discard();
            AnsiTextFile abandoned(path);
            QVERIFY(abandoned.open());
            QVERIFY(abandoned.write("never committed"));
        }
        QCOMPARE(readAll(path), kPrevious);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flower.dxf"});
    }

    void missingFolderFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("gone/flower.dxf");
        AnsiTextFile file(path);
        QVERIFY(!file.open());
        QVERIFY(file.errorMessage().contains(QDir::toNativeSeparators(path)));
        QVERIFY(file.errorMessage().contains(QStringLiteral("保存先のフォルダーが見つかりません")));
        QVERIFY(!file.write("0\r\n"));
        QVERIFY(!file.commit());
        QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    }

    void fullDiskKeepsPrevious()
    {
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP(qPrintable(QStringLiteral("cannot mount a small tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))));
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString path = dir.filePath("flower.dxf");
        const QByteArray previous = kPrevious.repeated(1000); // 17 kB of the 64 kB
        writeFile(path, previous);

        AnsiTextFile file(path);
        QVERIFY(file.open());
        bool written = true;
        for (int i = 0; i < 20 && written; ++i)
            written = file.write(std::string(8192, 'f'));
        QVERIFY(!(written && file.commit()));
        QVERIFY(file.errorMessage().contains(path));
        QCOMPARE(readAll(path), previous);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"flower.dxf"});
    }
};

QTEST_GUILESS_MAIN(TestAnsiTextFile)
#include "tst_ansitextfile.moc"
