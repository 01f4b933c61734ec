// One copy at a time: real petalwright processes sharing a private runtime folder, and the lock's folders.

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
        QVERIFY(copies[0]->waitForFinished(kWaitMs) && lockOwner() == firstId);
        QVERIFY(start(true) && start(false) && copies[2]->state() == QProcess::Running);
    }

    // The runtime folder first; neither set; relative folders never.
    void lockFolders()
    {
        const struct { QByteArray runtime, cache; QStringList paths; } rows[] = {
            {"/run/user/1000", "/home/a/.cache", {"/run/user/1000/petalwright.lock", "/home/a/.cache/petalwright/petalwright.lock"}},
            {{}, {}, {}},
            {"run", ".", {}},
        };
        for (const auto& [runtime, cache, paths] : rows)
            QCOMPARE(InstanceLock::lockPaths(runtime, cache), paths);
    }

    void missingLockFolder()
    {
        QTemporaryDir dir;
        InstanceLock lock(dir.filePath(QStringLiteral("gone/petalwright.lock")));
        QVERIFY(lock.tryAcquire() == InstanceLock::Result::Unavailable);
        QCOMPARE(lock.reason(), dir.filePath(QStringLiteral("gone/petalwright.lock: フォルダーがありません")));
        InstanceLock usable(dir.filePath(QStringLiteral("petalwright.lock")));
        QVERIFY(usable.tryAcquire() == InstanceLock::Result::Acquired
                && InstanceLock(dir.filePath(QStringLiteral("petalwright.lock"))).tryAcquire() == InstanceLock::Result::HeldByOther);
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
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
