// One copy at a time: real petalwright processes sharing a private runtime folder.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
        // The lock file names its owner's process id on the first line.
        const auto lockOwner = [path = runtime.filePath(QStringLiteral("petalwright.lock"))] {
            QFile lock(path);
            return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed() : QByteArray();
        };
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
};

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
