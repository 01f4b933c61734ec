// petalwright-cli with odd argument bytes: the six texts and --seed as the shell hands them over,
// including invalid UTF-8, full-width digits, blanks, huge exponents and thousands of digits.
// Each run ends with exit 0 and a well-formed file, or exit 2, the exact messages and no file.

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string_view>
#include <vector>

#include "geometry/FlowerParameters.h"

extern char** environ;

using namespace petalwright::geometry;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 2;
constexpr int kTrailerLines = 13;

struct Run {
    int exitCode = -1;
    QByteArray err;
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Spawns the tool with the argument bytes unchanged (no conversion through QString).
Run runCli(const QByteArrayList& arguments, const QTemporaryDir& dir)
{
    QByteArray program = PETALWRIGHT_CLI_PATH;
    QByteArrayList owned = arguments;
    std::vector<char*> argv{program.data()};
    for (QByteArray& a : owned)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const QByteArray outPath = QFile::encodeName(dir.filePath(QStringLiteral("stdout.txt")));
    const QByteArray errPath = QFile::encodeName(dir.filePath(QStringLiteral("stderr.txt")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    Run run;
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid)
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.err = readAll(QString::fromLocal8Bit(errPath));
    return run;
}

QByteArray messageLines(std::initializer_list<std::string_view> lines)
{
    QByteArray text;
    for (const std::string_view line : lines)
        text += QByteArray(line.data(), static_cast<qsizetype>(line.size())) + '\n';
    return text;
}

QByteArray seedMessage(const QByteArray& seed)
{
    return "--seed には 0 から 18446744073709551615 までの整数を指定してください: " + seed + '\n';
}

} // namespace

class CliArgumentsTest : public QObject {
    Q_OBJECT

private slots:
    void oddArguments_data();
    void oddArguments();
};

void CliArgumentsTest::oddArguments_data()
{
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");

    const QByteArray thousandsOfNines(5000, '9');
    const QByteArray tinyThenDigits = "0." + QByteArray(3000, '0') + "1";

    // --seed: a whole number 0 .. 2^64 - 1 with optional blanks and '+'.
    QTest::addRow("seed largest") << QByteArrayList{"--seed", "18446744073709551615"} << kExitOk << QByteArray();
    QTest::addRow("seed with blanks") << QByteArrayList{"--seed", " 42 "} << kExitOk << QByteArray();
    QTest::addRow("seed with plus") << QByteArrayList{"--seed", "+5"} << kExitOk << QByteArray();
    for (const QByteArray& seed : {QByteArray("18446744073709551616"), QByteArray("-1"), QByteArray(""),
                                  QByteArray("abc"), QByteArray("0x10"), QByteArray("1e3"),
                                  QByteArray("\xef\xbc\x91\xef\xbc\x92")}) // full-width 12
        QTest::addRow("seed [%s]", seed.constData()) << QByteArrayList{"--seed", seed} << kExitBadInput << seedMessage(seed);
    QTest::addRow("seed beyond 64 bits") << QByteArrayList{"--seed", thousandsOfNines} << kExitBadInput
                                         << seedMessage(thousandsOfNines);

    // The six texts: converted and checked like the boxes; nothing stops the program.
    QTest::addRow("invalid UTF-8 petals") << QByteArrayList{"--petals", "\xff\xfe"} << kExitBadInput
                                          << messageLines({messages::kPetalCount});
    QTest::addRow("full-width petals") << QByteArrayList{"--petals", "\xef\xbc\x96"} << kExitBadInput
                                       << messageLines({messages::kPetalCount});
    QTest::addRow("blank width") << QByteArrayList{"--width", "  "} << kExitBadInput << messageLines({messages::kPetalWidth});
    QTest::addRow("thousands of digits scale") << QByteArrayList{"--scale", thousandsOfNines} << kExitBadInput
                                               << messageLines({messages::kPetalScale});
    QTest::addRow("thousands of digits below the scale") << QByteArrayList{"--scale", tinyThenDigits} << kExitBadInput
                                                         << messageLines({messages::kPetalScale});
    QTest::addRow("tiny exponent overlap") << QByteArrayList{"--overlap", "1e-999999999"} << kExitBadInput
                                           << messageLines({messages::kOverlapCount});
    QTest::addRow("huge exponent start") << QByteArrayList{"--angle-start", "1e999999999"} << kExitBadInput
                                         << messageLines({messages::kAngleStart, messages::kAngleOrder});
    QTest::addRow("huge negative count") << QByteArrayList{"--petals", "-1e999999999"} << kExitBadInput
                                         << messageLines({messages::kPetalCount});
    QTest::addRow("grouped start") << QByteArrayList{"--angle-start", "1,000"} << kExitBadInput
                                   << messageLines({messages::kAngleStart});
    QTest::addRow("all seven") << QByteArrayList{"--petals", "", "--overlap", "", "--width", "", "--scale", "",
                                                 "--angle-start", "x", "--angle-end", "-1e999"}
                               << kExitBadInput
                               << messageLines({messages::kPetalCount, messages::kOverlapCount, messages::kPetalWidth,
                                                messages::kPetalScale, messages::kAngleStart, messages::kAngleEnd,
                                                messages::kAngleOrder});
    QTest::addRow("number then garbage") << QByteArrayList{"--petals", "12abc", "--overlap", "1.5 rings"} << kExitOk
                                         << QByteArray();
    QTest::addRow("line break in a text") << QByteArrayList{"--petals", "6\r\nEOF", "--scale", "0.5\n"} << kExitOk
                                          << QByteArray();
    QTest::addRow("blanks around") << QByteArrayList{"--petals", " 6 ", "--angle-end", " 135 "} << kExitOk << QByteArray();
    // Only U+0020 is a blank: a full-width blank before the number leaves no number to read.
    QTest::addRow("full-width blank before") << QByteArrayList{"--scale", "\xe3\x80\x80" "0.5"} << kExitBadInput
                                             << messageLines({messages::kPetalScale});
}

void CliArgumentsTest::oddArguments()
{
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("flower.dxf"));

    const Run run = runCli(QByteArrayList{"--quiet"} + arguments + QByteArrayList{QFile::encodeName(target)}, dir);

    QVERIFY2(run.exitCode == exitCode, run.err.constData());
    QCOMPARE(run.err, err);
    if (exitCode != kExitOk) {
        QVERIFY(!QFileInfo::exists(target));
        return;
    }
    const QByteArray file = readAll(target);
    const qsizetype trailer = file.indexOf("ENDSEC\r\n");
    QVERIFY(trailer > 0);
    QCOMPARE(file.mid(trailer).count("\r\n"), kTrailerLines);
    QCOMPARE(file.mid(trailer).count('\n'), kTrailerLines);
    QCOMPARE(file.mid(trailer).count('\r'), kTrailerLines);
    QVERIFY(file.endsWith("\r\n//\r\n"));
}

QTEST_GUILESS_MAIN(CliArgumentsTest)
#include "tst_cliarguments.moc"
