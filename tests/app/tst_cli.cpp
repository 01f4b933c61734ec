// petalwright-cli end to end, and its files read back by an independent DXF reader.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "CliRun.h"

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "geometry/SampleFlowers.h"
#include "platform/SafeFile.h"

namespace {

// The head and face blocks, without the comment block that records the time of writing.
QByteArray faces(const QString& path) { return readAll(path).split('/').first(); }

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString unknownPresetMessage(const QString& name)
{
    QStringList names;
    for (const petalwright::geometry::SampleFlower& sample : petalwright::geometry::sampleFlowers())
        names << fromView(sample.name);
    return QStringLiteral("見本「%1」はありません。次のどれかを指定してください: %2\n"
                          "使い方は petalwright-cli --help で表示できます。\n").arg(name, names.join(", "));
}


const QStringList kLargest = {"--petals", "50", "--overlap", "50", "--width", "10", "--scale", "50", "--angle-start", "0", "--angle-end", "180"};

// The unprivileged user of the saving table, made when first asked for; nothing when it cannot be made.
std::optional<std::pair<uid_t, gid_t>> testUser()
{
    if (::geteuid() == 0 && !::getpwnam("petalwright-test"))
        QProcess::execute("useradd", {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", "petalwright-test"});
    const passwd* entry = ::geteuid() == 0 ? ::getpwnam("petalwright-test") : nullptr;
    return entry ? std::optional(std::pair{entry->pw_uid, entry->pw_gid}) : std::nullopt;
}

void makeFile(const QString& path, const QByteArray& bytes, uid_t owner, gid_t group, mode_t mode)
{
    QVERIFY(writeFile(path, bytes));
    QVERIFY(::chown(QFile::encodeName(path).constData(), owner, group) == 0 && ::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

struct stat statOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Files this program made (temporary files, backups) in `folders`.
QStringList ownFiles(const QStringList& folders)
{
    QStringList found;
    for (const QString& folder : folders)
        for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            if (name.contains("petalwright-"))
                found << folder + '/' + name;
    return found;
}

// True while the process waits in a write to its standard output (a full pipe): the kernel names
// the wait "pipe_write" (or "anon_pipe_write"), or the pending system call is write (1) on fd 1.
bool blockedWritingOut(qint64 pid)
{
    return readAll(QStringLiteral("/proc/%1/wchan").arg(pid)).contains("pipe_write")
        || readAll(QStringLiteral("/proc/%1/syscall").arg(pid)).startsWith("1 0x1 ");
}

// True while the process waits for the lock of `path`: it has the file open and sleeps between
// two tries (clock_nanosleep, system call 230).
bool waitsForLock(qint64 pid, const QString& path)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        if (QFile::symLinkTarget(fds + '/' + fd) == path)
            return readAll(QStringLiteral("/proc/%1/syscall").arg(pid)).startsWith("230 ");
    return false;
}

const QString kSeedMessage = "--seed には 0 から 18446744073709551615 までの整数を指定してください: %1\n";

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void writesDefaultFlowerReproducibly()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.dxf"), b = dir.filePath("b.dxf"), c = dir.filePath("c.dxf");
        const Run run = runCli({"--seed", "42", a}); // no progress bar when stderr is not a terminal
        QCOMPARE(run.codeAndErr() + run.out, QStringLiteral("0|△288 / 約 67.1 KB\n終了しました: %1\n").arg(a));
        QCOMPARE(runCli({"-q", "--seed", " 42 ", b}).out + runCli({"-q", "--seed", "18446744073709551615", c}).codeAndErr(), QStringLiteral("0|"));

        const QByteArray file = readAll(a);
        QCOMPARE(file.count("\r\n"), 5 + 288 * 28 + 13);
        QVERIFY(file.contains("\r\n//\r\n// Petalwright 0.7.1 - a.dxf(") && file.endsWith(petalwright::platform::toCodePage932("// 花びらを生やす角度（終わり） = 135\r\n//\r\n")));
        QVERIFY(faces(b) == faces(a) && faces(c) != faces(a));
    }

    void refusesWithoutWriting()
    {
        // The arguments (the output path follows), the output, the exit status and stderr (%1: the output path).
        struct Row { QStringList arguments; QString output; int exitCode; QString err; };
        std::vector<Row> rows;
        rows.push_back({{"--petals", "", "--overlap", "", "--width", "", "--scale", "", "--angle-start", "x", "--angle-end", "-1e999"}, "out.dxf", 2,
                        "花びらの枚数は 2 ～ 50 です。\n花びらの重なりは 1 ～ 50 です。\n花びらの幅は 1 ～ 10 です。\n"
                        "花びらの拡大縮小は 0.1 ～ 50.0 です。\n花びらを生やす角度（始まり）は 0.0 ～ 180.0 です。\n"
                        "花びらを生やす角度（終わり）は 0.0 ～ 180.0 です。\n花びらを生やす角度は 始まり <= 終わり にしてください。\n"});
        for (const char* seed : {"x", "-1", "18446744073709551616", "1e3"})
            rows.push_back({{"--seed", seed}, "out.dxf", 2, kSeedMessage.arg(seed)});
        for (const char* name : {"rose", "Lotus", ""})
            rows.push_back({{"--preset", name, "--petals", "8"}, "out.dxf", 2, unknownPresetMessage(name)});
        rows.push_back({{"--preset", "lotus", "--angle-start", "170"}, "out.dxf", 2, "花びらを生やす角度は 始まり <= 終わり にしてください。\n"});
        rows.push_back({{}, "gone/out.dxf", 1, "ファイルを保存できませんでした。\n\nファイル: %1\n原因: 保存先のフォルダーが見つかりません。\n"});
        const QString usage = "使い方は petalwright-cli --help で表示できます。\n";
        rows.push_back({{"--petal", "6"}, "out.dxf", 2, "不明なオプションです: --petal\n" + usage});
        rows.push_back({{"-x"}, "out.dxf", 2, "不明なオプションです: -x\n" + usage});
        rows.push_back({{"--quiet=yes"}, "out.dxf", 2, "オプション --quiet は値をとりません。\n" + usage});
        rows.push_back({{"other.dxf"}, "out.dxf", 2, "出力するファイルは一つだけ指定してください: other.dxf %1\n" + usage});
        rows.push_back({{}, "", 2, "出力するファイルの名前が空です。\n" + usage});
        for (const char* name : {"", "gltf", "cad"})
            rows.push_back({{"--format", name}, "out.dxf", 2, "--format には dxf, cad-dxf, obj, stl, glb, print-stl, 3mf, petal のいずれかを指定してください: " + QString(name) + "\n" + usage});
        // Bad thickness or size.
        const QString thickness = "厚さは 0 より大きい数（mm）にしてください: %1\n";
        for (const char* value : {"0", "thin"})
            rows.push_back({{"--thickness", value}, "out.3mf", 2, thickness.arg(value)});
        rows.push_back({{"--size=-10", "--format", "print-stl"}, "out.stl", 2, "大きさは 0 より大きい数（mm）にしてください: -10\n"});
        rows.push_back({{"--thickness", "3", "--size", "40"}, "out.3mf", 2, "厚さ 3 mm は大きさ 40 mm の花に合いません。0.4 ～ 2 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。\n"});
        rows.push_back({{"--size", "5", "--thickness", "0.25"}, "out.3mf", 2, "大きさ 5 mm の花は小さすぎて印刷できません。20 mm 以上にしてください。\n"
                                                                                 "厚さ 0.25 mm はノズルの線幅より薄く、印刷できません。0.4 mm 以上にしてください。\n"});
        rows.push_back({{"--size", "100"}, "out.stl", 2, "--thickness と --size は print-stl、3mf と petal の形式にだけ使えます。\n" + usage});
        for (const auto& [arguments, output, exitCode, err] : rows) {
            QTemporaryDir dir;
            const QString path = output.isEmpty() ? QString() : dir.filePath(output);
            QCOMPARE(runCli(QStringList(arguments) << path).codeAndErr(), QString::number(exitCode) + '|' + (err.contains("%1") ? err.arg(path) : err));
            QVERIFY(QDir(dir.path()).isEmpty());
        }
    }

    void usage()
    {
        QVERIFY(runCli({"--seed", "1"}).codeAndErr().startsWith("2|出力するファイルを一つ指定してください。\n")
                && runCli({"out.dxf", "--petals"}).codeAndErr().startsWith("2|オプション --petals には値が必要です。\n"));
        const Run help = runCli({"--help"});
        QVERIFY(help.codeAndErr() == "0|");
        for (const char* option : {"--petals", "--overlap", "--width", "--scale", "--angle-start", "--angle-end", "--seed", "--quiet",
                                   "--list-presets", "--format <FORMAT>"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        QCOMPARE(runCli({"--version"}).out, QStringLiteral("petalwright-cli 0.7.1\n"));
    }

    void standardOutput()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dxf");
        QCOMPARE(runCli({"-q", "--seed", "9", path}).exitCode, 0);
        const Run piped = runCli({"--seed", "9", "-"}, {{}, {}, dir.path(), {}, {}});
        QVERIFY(piped.bytesOut.split('/').first() == faces(path) && piped.bytesOut.contains("\r\n// Petalwright 0.7.1 - -(") && piped.bytesOut.endsWith("\r\n//\r\n"));
        // The messages for the user go to stderr, and no file is made.
        QCOMPARE(piped.codeAndErr(), QStringLiteral("0|△288 / 約 67.1 KB\n終了しました: -\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.dxf"});
    }

    // Bytes that are not UTF-8: refused before any work, shown escaped; the name the program would
    // have read instead ("report\uFFFD.dxf") is left alone.
    void namesAsGiven()
    {
        QTemporaryDir dir;
        const QString stand = dir.filePath(QStringLiteral("report\uFFFD.dxf"));
        QVERIFY(writeFile(stand, "someone else's"));
        const Launch oddName{{}, "set -- \"$@\" \"$(printf 'report\\351.dxf')\"", dir.path(), {}, {}};
        QCOMPARE(runCli({"-q"}, oddName).codeAndErr(), QStringLiteral("2|このファイル名は文字として読めないバイトを含むため、そのままでは書き込めません: "
                                                                     "report\\xE9.dxf\n使い方は petalwright-cli --help で表示できます。\n"));
        QVERIFY(readAll(stand) == "someone else's" && QDir(dir.path()).entryList(QDir::Files) == QStringList{QStringLiteral("report\uFFFD.dxf")});
    }

    // What the caller set to be ignored (nohup, a background job's Ctrl+C) stays ignored while the program runs.
    void ignoredSignalsStayIgnored()
    {
        QTemporaryDir dir;
        QProcess process;
        startCli(process, QStringList(kLargest) << dir.filePath("a.dxf"), {{}, "trap '' HUP INT", {}, {}, {}});
        QVERIFY(process.waitForReadyRead(30000)); // the first line: the program itself runs
        QVERIFY(QTest::qWaitFor([&] {
            signalProcess(process, SIGHUP);
            signalProcess(process, SIGINT);
            return process.waitForFinished(1) || process.state() == QProcess::NotRunning;
        }, 60000));
        QCOMPARE(QString::number(process.exitStatus()) + QString::number(process.exitCode()), QStringLiteral("00"));
        QCOMPARE(readAll(dir.filePath("a.dxf")).count("3DFACE"), 20000);
    }

    // The comment block records the six texts the run used: the sample's, except where an option was given.
    // The option's own default, given explicitly, still wins over the sample; the last preset wins.
    void presetAndExplicitOptions()
    {
        const struct { QStringList arguments, recorded; } rows[] = {
            {{"--preset", "lotus"}, {"8", "3", "9", "0.7", "125", "160"}},
            {{"--preset", "lotus", "--petals", "12"}, {"12", "3", "9", "0.7", "125", "160"}},
            {{"--angle-end", "170.0", "--preset", "lotus"}, {"8", "3", "9", "0.7", "125", "170.0"}},
            {{"--preset", "tulip", "--width", "5", "--scale", "0.5"}, {"6", "1", "5", "0.5", "155", "155"}},
            {{"--preset", "lotus", "--preset", "bell"}, {"8", "1", "10", "1", "30", "30"}},
        };
        for (const auto& [arguments, recorded] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath("flower.dxf");
            QCOMPARE(runCli(QStringList{"-q", "--seed", "3"} + arguments << path).exitCode, 0);
            QString block;
            for (qsizetype i = 0; i < recorded.size(); ++i)
                block += QStringLiteral("// %1 = %2\r\n").arg(fromView(petalwright::geometry::kParameterLabels[static_cast<std::size_t>(i)]), recorded[i]);
            const QByteArray file = readAll(path);
            QVERIFY2(file.endsWith(petalwright::platform::toCodePage932(block + "//\r\n")), file.right(300).constData());
        }
    }

    // Aligned columns (Japanese characters two columns wide on a terminal), values to the right.
    void listPresets()
    {
        const Run run = runCli({"--list-presets"}); // no output file needed
        QCOMPARE(run.codeAndErr() + run.out, QStringLiteral(
            "0|daisy          デイジー         6   6   5  0.5   90  135\n"
            "marguerite     マーガレット    24   1   9    1   95   95\n"
            "lotus          蓮               8   3   9  0.7  125  160\n"
            "chrysanthemum  菊              24   6  10  0.4   80  170\n"
            "dahlia         ダリア           8   8  10  0.4   95  175\n"
            "pompom         ポンポンダリア   8  12  10    1    0  180\n"
            "tulip          チューリップ     6   1  10    1  155  155\n"
            "bell           ツリガネソウ     8   1  10    1   30   30\n"));
    }

    // Saving under faults, signals and other users, through the real program, as root and as an
    // unprivileged user the test makes. In place means: as root a file with two hard links, as the
    // user their own file in root's read-only folder (the backup then goes to the cache folder).
    void savingTable_data()
    {
        QTest::addColumn<QString>("kase");
        QTest::addColumn<bool>("asUser");
        for (const char* kase : {"file size limit, replaced", "file size limit, in place",
                                 "signals while saving in place", "set-id bits kept",
                                 "own read-only file", "another user's file", "blocked pipe, SIGTERM and SIGINT",
                                 "reader goes away early", "printing to /dev/full", "Ctrl+C while generating", "standard streams closed",
                                 "lock of a program that is not saving",
                                 "deleted file through /proc/self/fd", "no home folder"})
            for (const bool user : {false, true})
                QTest::addRow("%s, %s", kase, user ? "user" : "root") << QString(kase) << user;
    }
    void savingTable()
    {
        QFETCH(QString, kase);
        QFETCH(bool, asUser);
        const auto user = testUser();
        if (asUser && !user)
            QSKIP("the unprivileged test user cannot be made (needs root and useradd)");
        const uid_t uid = asUser ? user->first : ::getuid();
        const gid_t gid = asUser ? user->second : ::getgid();
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString folder = dir.filePath("work"), cache = dir.filePath("cache"), path = folder + "/drawing.dxf";
        QVERIFY(QDir().mkdir(folder) && QDir().mkdir(cache));
        QVERIFY(::chown(QFile::encodeName(folder).constData(), uid, gid) == 0 && ::chown(QFile::encodeName(cache).constData(), uid, gid) == 0);
        Launch how{asUser ? QString("petalwright-test") : QString(), {}, folder, {}, {"XDG_CACHE_HOME=" + cache}};
        const QByteArray old = "0\r\nEOF\r\n// old one\r\n";
        const QByteArray bigOld = QByteArray(3'000'000, 'o') + "\r\n";
        // An in-place save: two hard links as root, the user's own file in root's read-only folder.
        const auto inPlace = [&](const QByteArray& bytes) {
            makeFile(path, bytes, uid, gid, 0644);
            if (asUser) {
                QVERIFY(::chown(QFile::encodeName(folder).constData(), 0, 0) == 0);
            } else {
                QFile::remove(folder + "/link.dxf");
                QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(folder + "/link.dxf").constData()) == 0);
            }
        };
        const auto sameEverywhere = [&](const QByteArray& bytes) {
            return readAll(path) == bytes && (!QFile::exists(folder + "/link.dxf") || readAll(folder + "/link.dxf") == bytes);
        };
        const QStringList largest = QStringList{"-q"} + kLargest;

        if (kase.startsWith("file size limit")) {
            // 100 KiB: the file, the temporary file or the backup meets the limit; never a silent death.
            kase.endsWith("in place") ? inPlace(old) : makeFile(path, old, uid, gid, 0644);
            how.shell = "ulimit -f 100";
            const Run run = runCli(QStringList(largest) << path, how);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("原因: ファイルが大きすぎます。\n\n以前のファイルは変更されていません。"), qPrintable(run.err));
            QVERIFY(sameEverywhere(old));
        } else if (kase == "signals while saving in place") {
            // In the window where the backup is there. (Replacing: the temporary file goes as SafeFile's
            // discard removes it; a killed save's backup: tst_safefile.)
            for (const int number : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
                bool hit = false;
                for (int attempt = 0; attempt < 20 && !hit; ++attempt) {
                    inPlace(bigOld);
                    QProcess process;
                    startCli(process, QStringList(largest) << path, how);
                    QVERIFY(process.waitForStarted());
                    bool ended = false;
                    // A short nap between looks leaves the core to the program under test on a busy machine.
                    while (!(ended = process.waitForFinished(0)) && ownFiles({folder, cache + "/petalwright"}).isEmpty())
                        ::usleep(200);
                    if (ended)
                        continue; // done before the window was seen
                    signalProcess(process, number);
                    QVERIFY(process.waitForFinished(30000));
                    if (process.exitCode() == 0)
                        continue; // the last bytes were already on their way
                    hit = true;
                    QCOMPARE(codeAndErr(process), QStringLiteral("%1|中断しました。ファイルは変更していません。\n").arg(128 + number));
                    QVERIFY(sameEverywhere(bigOld));
                }
                QVERIFY2(hit, qPrintable(QStringLiteral("signal %1 never reached the save in 20 runs").arg(number)));
            }
        } else if (kase == "set-id bits kept") {
            for (const mode_t mode : {mode_t(04755), mode_t(02755), mode_t(06700)}) {
                mode == 06700 ? inPlace(old) : makeFile(path, old, uid, gid, mode); // a write in place clears the bits the save must put back
                QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
                QCOMPARE(runCli({"-q", path}, how).exitCode, 0);
                QVERIFY((statOf(path).st_mode & 07777) == mode && readAll(path) != old);
            }
        } else if (kase == "own read-only file" || kase == "another user's file") {
            // The user may not write their read-only file, so it is not replaced; another user's file the
            // user's group may write is saved (in place). Root writes both. Owner and mode stay.
            const bool foreign = kase.startsWith("another"), refused = asUser && !foreign;
            const uid_t owner = foreign ? (asUser ? 0 : user ? user->first : 65534) : uid;
            const mode_t mode = foreign ? 0660 : 0444;
            if (foreign)
                QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
            makeFile(path, old, owner, gid, mode);
            QCOMPARE(runCli({"-q", path}, how).codeAndErr(), refused ? QStringLiteral("1|ファイルを保存できませんでした。\n\nファイル: %1\n"
                                                                                     "原因: このファイルへの書き込みが許可されていないため、置き換えません。\n").arg(path) : "0|");
            QVERIFY((readAll(path) == old) == refused && statOf(path).st_uid == owner && (statOf(path).st_mode & 07777) == mode);
        } else if (kase == "blocked pipe, SIGTERM and SIGINT" || kase == "reader goes away early") {
            const QString fifo = folder + "/pipe";
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
            const bool early = kase.startsWith("reader");
            for (const int number : early ? QList<int>{0} : QList<int>{SIGTERM, SIGINT}) {
                // A reader that never reads (the write blocks once the pipe is full), or one that reads a little and goes.
                const int reader = ::open(QFile::encodeName(fifo).constData(), (early ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_CLOEXEC); // not inherited: the program must not read its own pipe
                QVERIFY(reader >= 0);
                how.standardOutput = fifo;
                QProcess process;
                startCli(process, QStringList(largest) << "-", how);
                QVERIFY(process.waitForStarted());
                QVERIFY(QTest::qWaitFor([&] { return blockedWritingOut(process.processId()) || process.state() != QProcess::Running; }, 20000));
                QVERIFY(early ? ::close(reader) == 0 : signalProcess(process, number));
                QVERIFY(process.waitForFinished(5000)); // at once, though the pipe stays full
                QVERIFY(early || ::close(reader) == 0);
                QCOMPARE(codeAndErr(process), early ? QStringLiteral("1|標準出力に書き込めませんでした。\n原因: 受け取る側が先に終了しました。\n")
                                                    : QStringLiteral("%1|\n中断しました。ファイルの一部はすでに標準出力に送られています。\n").arg(128 + number));
            }
        } else if (kase == "printing to /dev/full") {
            how.standardOutput = "/dev/full";
            for (const QStringList& arguments : {QStringList{"--list-presets"}, QStringList{"--help"}, QStringList{"--version"}, QStringList{path}}) {
                const Run run = runCli(arguments, how);
                QVERIFY2(run.exitCode == 1 && run.err.endsWith("petalwright-cli: 標準出力に書き込めませんでした。原因: ディスクの空き容量が足りません。\n"),
                         qPrintable(arguments.join(' ') + ": " + run.err));
            }
            QVERIFY(readAll(path).contains("3DFACE")); // the file itself was saved
        } else if (kase == "standard streams closed" || kase == "lock of a program that is not saving") {
            // Closed streams are /dev/null from the start: a file opened later (the lock, Qt's own
            // descriptors) never becomes stdout or stderr, and the message of the wait for a lock held
            // by this test never lands in the file waited for.
            const bool closed = kase.startsWith("standard");
            if (closed)
                how.shell = "exec 1>&- 2>&-";
            // In place, where a stray write would land in the user's own file. (The lock itself: tst_safefile.)
            inPlace(old);
            const int held = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
            QProcess process;
            startCli(process, {"-q", path}, how);
            QVERIFY(process.waitForStarted());
            QVERIFY(QTest::qWaitFor([&] { return waitsForLock(process.processId(), path) || process.state() != QProcess::Running; }, 30000));
            ::close(held);
            QVERIFY(process.waitForFinished(30000));
            const QByteArray file = readAll(path);
            QVERIFY(sameEverywhere(file) && file.count("3DFACE") == 288 && file.startsWith("0\r\nSECTION"));
            QCOMPARE(codeAndErr(process), closed ? QStringLiteral("0|") : QStringLiteral("0|保存中ではないプログラム（tst_cli、プロセス %1）がこのファイルを"
                                                                                      "ロックしています。ロックが外れるまで待ちます: %2\n").arg(::getpid()).arg(path));
            if (closed) {
                how.shell = "exec 1>&-";
                QCOMPARE(runCli({"-q", "-"}, how).codeAndErr(), QStringLiteral("1|標準出力に書き込めませんでした。\n原因: 標準出力が閉じています。\n"));
                QCOMPARE(runCli({"--seed", "1", path}, how).codeAndErr(), // no shape number told on stderr
                         QStringLiteral("1|petalwright-cli: 標準出力に書き込めませんでした。原因: 標準出力が閉じています。\n"));
            }
        } else if (kase == "deleted file through /proc/self/fd") {
            how.shell = "exec 3>x.dxf; rm x.dxf";
            QCOMPARE(runCli({"-q", "/proc/self/fd/3"}, how).codeAndErr(), QStringLiteral("1|ファイルを保存できませんでした。\n\nファイル: /proc/self/fd/3\n原因: リンク先のファイルは削除されたか、別の名前に移されています。\n"));
            QVERIFY(QDir(folder).isEmpty());
        } else if (kase == "no home folder") {
            // In place (the user's file in root's folder): without a home folder the backup goes to the
            // runtime folder, else the save is refused and says why; a cache folder reached through a
            // link, or another user's, is not used. Root's in-place save keeps its backup beside the file.
            const QString runtime = dir.filePath("runtime"), link = dir.filePath("cache-link");
            QVERIFY(QDir().mkdir(runtime) && ::chown(QFile::encodeName(runtime).constData(), uid, gid) == 0
                    && ::symlink(QFile::encodeName(cache).constData(), QFile::encodeName(link).constData()) == 0);
            const struct { QString cacheHome, runtime, refusal; } rows[] = {
                {"", runtime, ""},
                {"", "", "控えを置けるフォルダーがありません: ホームフォルダーがありません、XDG_RUNTIME_DIR がありません"},
                {link, "", "控えを置けるフォルダーがありません: " + link + " はシンボリックリンクです、XDG_RUNTIME_DIR がありません"},
                {dir.path(), "", "控えを置けるフォルダーがありません: " + dir.path() + " はほかのユーザーのフォルダーです、XDG_RUNTIME_DIR がありません"},
            };
            for (const auto& row : rows) {
                inPlace(old);
                how.environment = QStringList{"HOME=/nonexistent", "XDG_CACHE_HOME=" + row.cacheHome, "XDG_RUNTIME_DIR=" + row.runtime};
                const Run run = runCli({"-q", path}, how);
                const bool refused = asUser && !row.refusal.isEmpty();
                QVERIFY2(run.exitCode == (refused ? 1 : 0) && run.err.contains(refused ? row.refusal : QString()), qPrintable(run.err));
                QVERIFY(refused ? sameEverywhere(old) : readAll(path).count("3DFACE") == 288);
            }
            QCOMPARE(ownFiles({runtime + "/petalwright"}), QStringList());
        } else if (kase == "Ctrl+C while generating") {
            // The signal follows the first line, printed just before the flower is generated.
            QStringList seen;
            for (int attempt = 0; attempt < 20 && !seen.contains("generating"); ++attempt) {
                makeFile(path, old, uid, gid, 0644);
                QProcess process;
                startCli(process, QStringList(kLargest) << "--seed" << "5" << path, how);
                QVERIFY(process.waitForReadyRead(30000));
                signalProcess(process, SIGINT);
                QVERIFY(process.waitForFinished(30000));
                const QString err = QString::fromUtf8(process.readAllStandardError());
                if (process.exitCode() == 0)
                    continue;
                QVERIFY2(process.exitCode() == 130 && (err == "中断しました。ファイルは書き込んでいません。\n" || err == "中断しました。ファイルは変更していません。\n"),
                         qPrintable(err));
                seen << (err.contains("書き込んでいません") ? "generating" : "writing");
                QCOMPARE(readAll(path), old);
            }
            QVERIFY2(seen.contains("generating"), qPrintable(seen.join(',')));
        }
        QCOMPARE(ownFiles({folder, cache + "/petalwright"}), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
