// One copy at a time: real petalwright processes sharing a private runtime folder, the lock's
// folders, and a start without any folder for the lock.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

#include "../support/TestFiles.h"
#include "platform/InstanceLock.h"

using petalwright::platform::InstanceLock;

namespace {

// A copy of the program and room for working folders outside /tmp, which the tests below hide
// behind a mount of their own: the build tree itself may lie under /tmp.
struct StagedProgram {
    QTemporaryDir dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/petalwright-test-XXXXXX")
                                                                           : QDir::currentPath() + QStringLiteral("/staged-XXXXXX")};
    QString program = dir.filePath(QStringLiteral("petalwright"));
    bool ready = dir.isValid() && QFile::copy(QStringLiteral(PETALWRIGHT_EXECUTABLE), program);
    QString folder(const QString& name) const
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(path);
        return path;
    }
};

// Runs `script` with sh in a private mount namespace (its own /tmp); $0 is the program, $1 and
// $2 are `first` and `second`. Exit code 99: the namespace could not be made.
QProcess* inOwnMounts(const StagedProgram& staged, const QString& script, const QString& first, const QString& second = {})
{
    auto* process = new QProcess;
    process->start(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("--propagation"), QStringLiteral("private"),
                                               QStringLiteral("/bin/sh"), QStringLiteral("-c"), script, staged.program, first, second});
    return process;
}

const QString kNoRuntimeFolder = QStringLiteral("unset XDG_RUNTIME_DIR XDG_CACHE_HOME; export TMPDIR=/nonexistent QT_QPA_PLATFORM=offscreen; ");

// Qt's own runtime folder fallback (not the lock) makes "/runtime-<user>" when TMPDIR is
// missing; the tests take away what they caused.
struct QtRuntimeFolderCleanup {
    const QString path = QStringLiteral("/runtime-") + qEnvironmentVariable("USER", QStringLiteral("root"));
    const bool existed = QFileInfo::exists(path);
    ~QtRuntimeFolderCleanup()
    {
        if (!existed)
            QDir().rmdir(path);
    }
};

} // namespace

class TestInstance : public QObject {
    Q_OBJECT
private slots:
    void secondCopyEndsAndStaleLockIsRecovered()
    {
        constexpr int kWaitMs = 30'000;
        QTemporaryDir runtime; // 0700, as a runtime folder must be
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("TMPDIR"), runtime.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), runtime.path()); // not the real cache folder's lock
        // The lock file names its owner's process id on the first line.
        const auto lockOwner = [path = runtime.filePath(QStringLiteral("petalwright.lock"))] { return readAll(path).split('\n').first().trimmed(); };
        std::vector<std::unique_ptr<QProcess>> copies; // a QProcess kills its process when destroyed
        // Starts a copy; it must end at once with code 0 unless it is the one to hold the lock.
        auto start = [&](bool holdsLock) {
            QProcess* copy = copies.emplace_back(std::make_unique<QProcess>()).get();
            copy->setProcessEnvironment(env);
            copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            copy->start(QStringLiteral(PETALWRIGHT_EXECUTABLE), QStringList());
            if (holdsLock)
                return copy->waitForStarted(kWaitMs)
                    && QTest::qWaitFor([&] { return lockOwner() == QByteArray::number(copy->processId()); }, kWaitMs);
            return copy->waitForFinished(kWaitMs) && copy->exitStatus() == QProcess::NormalExit && copy->exitCode() == 0;
        };

        QVERIFY(runtime.isValid() && start(true) && start(false));
        const QByteArray firstId = QByteArray::number(copies[0]->processId());
        QVERIFY(copies[0]->state() == QProcess::Running && lockOwner() == firstId);
        // A killed copy leaves its lock behind; the next start takes it over and runs.
        copies[0]->kill();
        QVERIFY(copies[0]->waitForFinished(kWaitMs));
        QCOMPARE(lockOwner(), firstId);
        QVERIFY(start(true) && start(false));
        QCOMPARE(copies[2]->state(), QProcess::Running);
    }

    void lockFolders_data()
    {
        QTest::addColumn<QByteArray>("runtime");
        QTest::addColumn<QByteArray>("cache");
        QTest::addColumn<QStringList>("paths");
        QTest::addRow("runtime folder first") << QByteArray("/run/user/1000") << QByteArray("/home/a/.cache")
                                              << QStringList{"/run/user/1000/petalwright.lock", "/home/a/.cache/petalwright/petalwright.lock"};
        QTest::addRow("neither set") << QByteArray() << QByteArray() << QStringList();
        QTest::addRow("relative folders never") << QByteArray("run") << QByteArray(".") << QStringList();
    }
    void lockFolders()
    {
        QFETCH(QByteArray, runtime);
        QFETCH(QByteArray, cache);
        QFETCH(QStringList, paths);
        QCOMPARE(InstanceLock::lockPaths(runtime, cache), paths);
    }

    void missingLockFolder()
    {
        QTemporaryDir dir;
        InstanceLock lock(dir.filePath(QStringLiteral("gone/petalwright.lock")));
        QCOMPARE(lock.tryAcquire(), InstanceLock::Result::Unavailable);
        QCOMPARE(lock.reason(), dir.filePath(QStringLiteral("gone/petalwright.lock: フォルダーがありません")));
        InstanceLock usable(dir.filePath(QStringLiteral("petalwright.lock")));
        QCOMPARE(usable.tryAcquire(), InstanceLock::Result::Acquired);
        QCOMPARE(InstanceLock(dir.filePath(QStringLiteral("petalwright.lock"))).tryAcquire(), InstanceLock::Result::HeldByOther);
        // Another user's file under the lock's name, holding a live process id, is no lock of this user's.
        // Nor is a folder of another user's, where they could put any lock file they like.
        if (::geteuid() == 0) {
            const QString foreign = dir.filePath(QStringLiteral("foreign.lock")), theirs = dir.filePath(QStringLiteral("theirs"));
            QVERIFY(writeFile(foreign, QByteArray::number(::getpid()) + "\npetalwright\nhost\n") && QDir().mkdir(theirs));
            for (const QString& path : {foreign, theirs})
                QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
            for (const QString& path : {foreign, theirs + QStringLiteral("/petalwright.lock")}) {
                InstanceLock blocked(path);
                QCOMPARE(blocked.tryAcquire(), InstanceLock::Result::Unavailable);
                QCOMPARE(blocked.reason(), path + QStringLiteral(": ほかのユーザーのファイルです"));
            }
        }
    }

    // A first copy that has run for an hour, far beyond the lock library's own stale time, still
    // keeps a second one out: only a dead owner frees the lock. The lock file is the one a running
    // copy writes (this process as its owner), aged by an hour and without the library's extra
    // file lock, so that its age alone could make it look stale.
    void longRunningCopyKeepsTheLock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("petalwright.lock"));
        QByteArray ownLock;
        {
            QLockFile held(path);
            QVERIFY(held.tryLock(0));
            ownLock = readAll(path);
        }
        QFile file(path);
        QVERIFY(writeFile(path, ownLock) && file.open(QIODevice::ReadWrite)
                && file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        file.close();

        QCOMPARE(InstanceLock(path).tryAcquire(), InstanceLock::Result::HeldByOther);
        QVERIFY(QFileInfo(path).lastModified() < QDateTime::currentDateTime().addSecs(-3000)); // left as it was
    }

    // No runtime folder and no home folder: the window still comes up, and stderr says why no
    // other copy could be looked for. Nothing lands in the current folder.
    void startsWithoutAnyLock()
    {
        const QtRuntimeFolderCleanup cleanup;
        const StagedProgram staged;
        QVERIFY(staged.ready);
        const QString folder = staged.folder(QStringLiteral("cwd")); // outside the hidden /tmp
        std::unique_ptr<QProcess> copy(inOwnMounts(
            staged,
            QStringLiteral("mount -t tmpfs -o ro tmpfs /tmp || exit 99; ") + kNoRuntimeFolder
                + QStringLiteral("export HOME=/nonexistent; cd \"$1\" && exec \"$0\""),
            folder));
        QVERIFY(copy->waitForStarted());
        QTest::qWait(1500);
        if (copy->state() != QProcess::Running && copy->exitCode() == 99)
            QSKIP("a private mount namespace needs root (CAP_SYS_ADMIN)");
        QCOMPARE(copy->state(), QProcess::Running);
        const QString err = QString::fromLocal8Bit(copy->readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("petalwright: ロックファイルを作成できないため、ほかに起動中のコピーがあるかどうかを確認できません（"
                                               "ホームフォルダーも XDG_RUNTIME_DIR もありません）")),
                 qPrintable(err));
        copy->kill();
        copy->waitForFinished();
        QVERIFY(QDir(folder).isEmpty());
    }

    // Copies started from two folders with different environments (a runtime folder of its own,
    // none and TMPDIR missing) still find each other's lock in the cache folder, and another
    // user's stale lock at the shared /tmp name lets no second copy run. SIGTERM ends the first
    // one cleanly: status 143 and its locks gone.
    void twoFoldersOneCopy()
    {
        const QtRuntimeFolderCleanup cleanup;
        const StagedProgram staged;
        QVERIFY(staged.ready);
        const QString a = staged.folder(QStringLiteral("a")), b = staged.folder(QStringLiteral("b"));
        std::unique_ptr<QProcess> script(inOwnMounts(
            staged,
            QStringLiteral("mount -t tmpfs tmpfs /tmp || exit 99; ") + kNoRuntimeFolder
                + QStringLiteral("echo '1\npetalwright\n' > /tmp/petalwright-$(id -u).lock; chown 65534 /tmp/petalwright-$(id -u).lock; "
                                 "export HOME=\"$1/home\"; mkdir \"$HOME\"; "
                                 "cd \"$1\" || exit 98; XDG_RUNTIME_DIR=\"$1\" \"$0\" & first=$!; i=0; "
                                 "while [ ! -e \"$HOME/.cache/petalwright/petalwright.lock\" ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; "
                                 "cd \"$2\" || exit 98; timeout 30 \"$0\"; second=$?; "
                                 "if kill -0 $first; then running=yes; else running=no; fi; kill $first; wait $first; ended=$?; "
                                 "echo \"second=$second first running=$running ended=$ended\""),
            a, b));
        QVERIFY(script->waitForFinished(60'000));
        if (script->exitCode() == 99)
            QSKIP("a private mount namespace needs root (CAP_SYS_ADMIN)");
        QCOMPARE(QString::fromLocal8Bit(script->readAllStandardOutput()), QStringLiteral("second=0 first running=yes ended=143\n"));
        QCOMPARE(QDir(a).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"home"});
        QVERIFY(QDir(b).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
