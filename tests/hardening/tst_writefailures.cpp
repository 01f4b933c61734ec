// Write failures: a sink that runs out of room after N bytes anywhere in the file, and the real
// file adapter on a full disk, in a removed folder and over a target that cannot be replaced.
// Every failure reports Failed or a refused commit, names the path, and leaves the previous file
// byte for byte and no stray temporary file.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "dxf/FaceFileWriter.h"
#include "geometry/DaisyMesh.h"
#include "geometry/FlowerParameters.h"
#include "geometry/MeshStore.h"
#include "geometry/RandomSource.h"
#include "platform/AnsiTextFile.h"

using namespace petalwright;

namespace {

const QByteArray kPreviousFile = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n\r\n// the previous run\r\n";

// The default flower, generated once.
struct Job {
    geometry::FlowerParameters parameters;
    geometry::MeshStore mesh;
    dxf::CommentInfo info;

    Job()
    {
        info.parameterTexts = geometry::defaultParameterTexts();
        parameters = geometry::convertParameters(info.parameterTexts);
        mesh.allocate(parameters.overlapCount, parameters.petalCount);
        geometry::SeededRandom random(7);
        geometry::makeDaisyMesh(parameters, mesh, random);
        info.fileName = "flower.dxf";
        info.dateTime = [] { return std::string("2006/01/15 9:05:07"); };
    }

    dxf::WriteOutcome writeTo(dxf::OutputSink& sink, const dxf::FaceStep& step = {}) const
    {
        return dxf::writeFaceFile(mesh, parameters.overlapCount, parameters.petalCount, info, sink, step);
    }
};

// A disk with room for `room` bytes: takes what fits, then refuses everything.
class FillingSink final : public dxf::OutputSink {
public:
    explicit FillingSink(std::size_t room) : m_room(room) {}
    bool write(std::string_view bytes) override
    {
        if (m_full) {
            ++writesAfterFailure;
            return false;
        }
        const std::size_t fits = std::min(bytes.size(), m_room - data.size());
        data.append(bytes.substr(0, fits));
        m_full = fits < bytes.size();
        return !m_full;
    }
    std::string data;
    int writesAfterFailure = 0;

private:
    std::size_t m_room;
    bool m_full = false;
};

// A mount that goes away with the test, also when it fails or skips.
class ScopedMount {
public:
    ScopedMount(const QString& source, const QString& target, const char* type, unsigned long flags, const char* options)
        : m_target(QFile::encodeName(target))
    {
        m_ok = ::mount(QFile::encodeName(source).constData(), m_target.constData(), type, flags, options) == 0;
        if (!m_ok)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~ScopedMount()
    {
        if (m_ok)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;

    bool ok() const { return m_ok; }
    QString skipReason() const
    {
        return QStringLiteral("cannot mount here (needs root with CAP_SYS_ADMIN): %1").arg(m_error);
    }

private:
    QByteArray m_target;
    bool m_ok = false;
    QString m_error;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList entriesOf(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// Runs a whole write through the adapter as a run does: open, faces, commit or discard.
// Returns whether the new file was committed.
bool runJob(const Job& job, platform::AnsiTextFile& file, const dxf::FaceStep& step = {})
{
    if (!file.open())
        return false;
    if (job.writeTo(file, step) != dxf::WriteOutcome::Finished) {
        file.discard();
        return false;
    }
    return file.commit();
}

void verifyMessageNamesPath(const platform::AnsiTextFile& file)
{
    QVERIFY(!file.errorMessage().isEmpty());
    QVERIFY2(file.errorMessage().contains(QDir::toNativeSeparators(file.path())), qPrintable(file.errorMessage()));
}

} // namespace

class WriteFailuresTest : public QObject {
    Q_OBJECT

private slots:
    void sinkFillsAfterNBytes_data();
    void sinkFillsAfterNBytes();
    void fullDiskKeepsPreviousFile_data();
    void fullDiskKeepsPreviousFile();
    void folderRemovedBeforeWriting();
    void folderRemovedWhileWriting();
    void targetIsFolder();
    void targetCannotBeReplaced();

private:
    const Job m_job;
};

void WriteFailuresTest::sinkFillsAfterNBytes_data()
{
    dxf::MemorySink complete;
    QCOMPARE(m_job.writeTo(complete), dxf::WriteOutcome::Finished);
    const auto total = static_cast<qsizetype>(complete.data.size());
    constexpr qsizetype kChunk = 60 * 1024; // the writer hands over about this much at a time

    QTest::addColumn<qsizetype>("room");
    QTest::addRow("no room") << qsizetype(0);
    QTest::addRow("inside the head") << qsizetype(10);
    QTest::addRow("one byte short of the first chunk") << kChunk - 1;
    QTest::addRow("first chunk exactly") << kChunk;
    QTest::addRow("half the file") << total / 2;
    QTest::addRow("inside the comment block") << total - 40;
    QTest::addRow("one byte short") << total - 1;
}

void WriteFailuresTest::sinkFillsAfterNBytes()
{
    QFETCH(qsizetype, room);
    FillingSink sink(static_cast<std::size_t>(room));
    QCOMPARE(m_job.writeTo(sink), dxf::WriteOutcome::Failed);
    QCOMPARE(sink.writesAfterFailure, 0);
    QVERIFY(sink.data.size() <= static_cast<std::size_t>(room));
}

void WriteFailuresTest::fullDiskKeepsPreviousFile_data()
{
    QTest::addColumn<QByteArray>("size");
    // The default flower takes about 68 KB; tmpfs counts whole pages.
    QTest::addRow("8 KB") << QByteArray("8k");
    QTest::addRow("32 KB") << QByteArray("32k");
    QTest::addRow("64 KB") << QByteArray("64k");
}

void WriteFailuresTest::fullDiskKeepsPreviousFile()
{
    QFETCH(QByteArray, size);
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const ScopedMount disk(QStringLiteral("tmpfs"), temp.path(), "tmpfs", 0, ("size=" + size).constData());
    if (!disk.ok())
        QSKIP(qPrintable(disk.skipReason()));
    const QString target = temp.filePath(QStringLiteral("flower.dxf"));
    writeFile(target, kPreviousFile);

    platform::AnsiTextFile file(target);
    QVERIFY(!runJob(m_job, file));

    verifyMessageNamesPath(file);
    QCOMPARE(readFile(target), kPreviousFile);
    QCOMPARE(entriesOf(temp.path()), QStringList{QStringLiteral("flower.dxf")});
}

void WriteFailuresTest::folderRemovedBeforeWriting()
{
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("chosen"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/flower.dxf");
    QVERIFY(QDir(folder).removeRecursively());

    platform::AnsiTextFile file(target);
    QVERIFY(!runJob(m_job, file));

    verifyMessageNamesPath(file);
    QVERIFY(!QFileInfo::exists(folder));
}

void WriteFailuresTest::folderRemovedWhileWriting()
{
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString folder = temp.filePath(QStringLiteral("chosen"));
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QStringLiteral("/flower.dxf");
    writeFile(target, kPreviousFile);

    platform::AnsiTextFile file(target);
    QVERIFY(!runJob(m_job, file, [&](int written) {
        if (written == 100)
            QDir(folder).removeRecursively();
        return true;
    }));

    verifyMessageNamesPath(file);
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(entriesOf(temp.path()), QStringList());
}

void WriteFailuresTest::targetIsFolder()
{
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString target = temp.filePath(QStringLiteral("flower.dxf"));
    QVERIFY(QDir().mkpath(target));
    writeFile(target + QStringLiteral("/inside.txt"), kPreviousFile);

    platform::AnsiTextFile file(target);
    QVERIFY(!runJob(m_job, file));

    verifyMessageNamesPath(file);
    QVERIFY(QFileInfo(target).isDir());
    QCOMPARE(entriesOf(target), QStringList{QStringLiteral("inside.txt")});
    QCOMPARE(readFile(target + QStringLiteral("/inside.txt")), kPreviousFile);
    QCOMPARE(entriesOf(temp.path()), QStringList{QStringLiteral("flower.dxf")});
}

void WriteFailuresTest::targetCannotBeReplaced()
{
    // A file with something mounted on it cannot be renamed over (EBUSY), which is what a target
    // held by the system looks like; the folder itself stays writable.
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString target = temp.filePath(QStringLiteral("flower.dxf"));
    writeFile(target, kPreviousFile);
    const ScopedMount held(target, target, nullptr, MS_BIND, nullptr);
    if (!held.ok())
        QSKIP(qPrintable(held.skipReason()));

    platform::AnsiTextFile file(target);
    QVERIFY(!runJob(m_job, file));

    verifyMessageNamesPath(file);
    QCOMPARE(readFile(target), kPreviousFile);
    QCOMPARE(entriesOf(temp.path()), QStringList{QStringLiteral("flower.dxf")});
}

QTEST_GUILESS_MAIN(WriteFailuresTest)
#include "tst_writefailures.moc"
