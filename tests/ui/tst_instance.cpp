// One copy at a time: real petalwright processes sharing a private runtime folder.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestInstance : public QObject {
    Q_OBJECT
private slots:
    void secondCopyEndsAndStaleLockIsRecovered();
};

namespace {

constexpr int kWaitMs = 30'000;

// The lock file names its owner's process id on the first line.
QByteArray lockOwner(const QString& lockPath)
{
    QFile lock(lockPath);
    return lock.open(QIODevice::ReadOnly) ? lock.readLine().trimmed() : QByteArray();
}

} // namespace

void TestInstance::secondCopyEndsAndStaleLockIsRecovered()
{
    QTemporaryDir runtime; // 0700, as a runtime folder must be
    QVERIFY(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    env.insert(QStringLiteral("TMPDIR"), runtime.path());
    const QString lockPath = runtime.filePath(QStringLiteral("petalwright.lock"));

    std::vector<std::unique_ptr<QProcess>> copies;
    auto start = [&] {
        auto& copy = copies.emplace_back(std::make_unique<QProcess>());
        copy->setProcessEnvironment(env);
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start(QStringLiteral(PETALWRIGHT_EXECUTABLE), QStringList());
        return copy.get();
    };
    auto endsAtOnce = [&](QProcess* copy) {
        return copy->waitForFinished(kWaitMs) && copy->exitStatus() == QProcess::NormalExit && copy->exitCode() == 0;
    };
    auto cleanup = qScopeGuard([&] {
        for (auto& copy : copies) {
            copy->kill();
            copy->waitForFinished(kWaitMs);
        }
    });

    QProcess* first = start();
    QVERIFY(first->waitForStarted(kWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(lockPath), QByteArray::number(first->processId()), kWaitMs);
    QVERIFY(endsAtOnce(start()));
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(lockOwner(lockPath), QByteArray::number(first->processId()));

    // A killed copy leaves its lock behind; the next start takes it over and runs.
    first->kill();
    QVERIFY(first->waitForFinished(kWaitMs));
    QVERIFY(QFile::exists(lockPath));
    QProcess* next = start();
    QVERIFY(next->waitForStarted(kWaitMs));
    QTRY_COMPARE_WITH_TIMEOUT(lockOwner(lockPath), QByteArray::number(next->processId()), kWaitMs);
    QVERIFY(endsAtOnce(start()));
    QCOMPARE(next->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestInstance)
#include "tst_instance.moc"
