// The output file through the real adapter: code page 932 text, and a save matrix on real file
// systems (full tmpfs, FIFO, device, long and odd names, hard and symbolic links, ACL), leftovers of
// killed saves, and the faults of the system calls' seam. Owners, modes and other users: tst_cli's saving table.

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "TestFiles.h"
#include "WrittenFlower.h"
#include "platform/SafeFile.h"
#include "platform/PathName.h"

using namespace petalwright;
using platform::SafeFile;

namespace {

QStringList entries(const QString& dir) { return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System); }

struct stat statOf(const QString& path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

const QByteArray kPrevious = "previous flower\r\n";

// The whole file of a flower as the writer makes it, written through `file`.
bool writeFlower(const geometry::ParameterTexts& texts, formats::OutputSink& file)
{
    return testing::makeFlower(texts, 3, "drawing.dxf").write(formats::OutputFormat::Dxf, file) == formats::WriteOutcome::Finished;
}

// Those bytes as they reach the file: the writer's text in code page 932.
QByteArray flowerBytes(const geometry::ParameterTexts& texts)
{
    return platform::toCodePage932(QString::fromStdString(testing::makeFlower(texts, 3, "drawing.dxf").file(formats::OutputFormat::Dxf)));
}

} // namespace

class TestSafeFile : public QObject {
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

    // Nothing reaches the file before the commit: a save given up, or abandoned, leaves it as it was.
    // (What a commit writes: the sweep below and the seam's faults.)
    void replacesOnlyOnCommit()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("flower.dxf");
        QVERIFY(writeFile(path, kPrevious));
        {
            SafeFile discarded(path), abandoned(path);
            QVERIFY(discarded.open() && discarded.write(std::string(100'000, 'c')) && readAll(path) == kPrevious); // past the buffer
            discarded.discard();
            QVERIFY(abandoned.open() && abandoned.write("never committed"));
        }
        QVERIFY(readAll(path) == kPrevious && entries(dir.path()) == QStringList{"flower.dxf"});
    }

    // The folder removed while writing: the save fails and says why. (A target that cannot be
    // replaced: the seam's rename fault below.)
    void folderRemovedWhileWriting()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("chosen"), target = folder + "/flower.dxf";
        QVERIFY(QDir().mkpath(folder) && writeFile(target, kPrevious));
        SafeFile file(target);
        bool ok = file.open() && file.write(std::string(8192, 'f')) && QDir(folder).removeRecursively();
        for (int i = 0; i < 20 && ok; ++i)
            ok = file.write(std::string(8192, 'f'));
        QVERIFY(!(ok && file.commit()));
        QVERIFY2(file.errorMessage().startsWith(QStringLiteral("ファイルを保存できませんでした。\n\nファイル: %1\n原因: 保存先のフォルダーが見つかりません。").arg(target)),
                 qPrintable(file.errorMessage()));
        QCOMPARE(entries(dir.path()), QStringList());
    }

    // A replaced file keeps its access ACL ("user::rw- user:0:rw- group::--- mask::rw- other::---" as the
    // kernel stores it) and its extended attributes. (A group the user is not in: tst_cli's saving table.)
    void aclAndAttributesKept()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("drawing.dxf");
        const QByteArray name = QFile::encodeName(path), acl = QByteArray::fromHex("02000000" "01000600ffffffff" "0200060000000000" "04000000ffffffff" "10000600ffffffff" "20000000ffffffff");
        QVERIFY(writeFile(path, kPrevious) && ::chmod(name.constData(), 0660) == 0);
        QVERIFY(::setxattr(name.constData(), "system.posix_acl_access", acl.constData(), std::size_t(acl.size()), 0) == 0);
        QVERIFY(::setxattr(name.constData(), "user.note", "kept", 4, 0) == 0);
        const ino_t inode = statOf(path).st_ino;
        SafeFile file(path);
        QVERIFY(file.open() && file.write("new") && file.commit());
        const auto attribute = [&](const char* key) {
            QByteArray value(256, '\0');
            return value.left(std::max<ssize_t>(0, ::getxattr(name.constData(), key, value.data(), std::size_t(value.size()))));
        };
        QCOMPARE(readAll(path) + attribute("system.posix_acl_access") + attribute("user.note"), "new" + acl + "kept");
        QVERIFY(statOf(path).st_ino != inode && (statOf(path).st_mode & 07777) == 0660);
    }

    // Every free-space size around the file: success with the whole file, or a failure with the
    // old file intact; never success with a short file. tmpfs counts whole 4 KiB pages.
    void freeSpaceSweep()
    {
        for (const bool largest : {false, true})
            for (const bool hardLink : {false, true}) { // written in place
                constexpr qint64 kPage = 4096;
                const geometry::ParameterTexts texts = largest ? testing::kLargestTexts : geometry::defaultParameterTexts();
                const QByteArray expected = flowerBytes(texts);
                const qint64 pages = (expected.size() + kPage - 1) / kPage;
                // The 4 KiB filler and the old file take a page each; the sweep runs from six pages short
                // of room for a temporary copy beside the old file to four pages past it.
                int successes = 0, failures = 0;
                for (qint64 size = (pages - 6) * kPage; size <= (pages + 6) * kPage; size += kPage) {
                    QTemporaryDir dir;
                    const QByteArray disk = QFile::encodeName(dir.path()); // a tmpfs of `size` bytes
                    if (::mount("tmpfs", disk.constData(), "tmpfs", 0, ("size=" + QByteArray::number(size)).constData()) != 0)
                        QSKIP("mounting a tmpfs needs root (CAP_SYS_ADMIN)");
                    const auto unmount = qScopeGuard([&] { ::umount2(disk.constData(), MNT_DETACH); });
                    const QString path = dir.filePath("drawing.dxf"), other = dir.filePath("other.dxf");
                    QVERIFY(writeFile(dir.filePath("filler"), QByteArray(4096, 'x')) && writeFile(path, kPrevious));
                    QVERIFY(!hardLink || ::link(QFile::encodeName(path).constData(), QFile::encodeName(other).constData()) == 0);
                    SafeFile file(path);
                    const bool saved = file.open() && writeFlower(texts, file) && file.commit();
                    ++(saved ? successes : failures);
                    QVERIFY2(saved ? readAll(path) == expected && (!hardLink || readAll(other) == expected)
                                   : readAll(path) == kPrevious && file.errorMessage().contains(QStringLiteral("ディスクの空き容量が足りません。")),
                             qPrintable(QStringLiteral("%1 KiB free: %2").arg(size / 1024).arg(saved ? "success with a file that is not the whole flower" : file.errorMessage())));
                    QCOMPARE(entries(dir.path()), QStringList({"drawing.dxf", "filler"}) + (hardLink ? QStringList{"other.dxf"} : QStringList()));
                }
                QVERIFY(successes > 0 && failures > 0);
            }
    }

    void onlyRegularFilesAreReplaced()
    {
        bool noDevice = false;
        const QString notRegular = "通常のファイルではないため置き換えません。";
        const std::pair<QString, QString> rows[] = {
            {"fifo", "同じ名前の名前付きパイプ（FIFO）があります。" + notRegular}, {"device", "同じ名前のデバイスがあります。" + notRegular},
            {"link to fifo", "同じ名前の名前付きパイプ（FIFO）があります。" + notRegular},
            {"folder", "同じ名前のフォルダーがあります。"},
        };
        for (const auto& [kind, cause] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath("drawing.dxf"), node = kind == "link to fifo" ? dir.filePath("pipe") : path;
            const QByteArray nodeName = QFile::encodeName(node);
            if (kind.endsWith("fifo"))
                QCOMPARE(::mkfifo(nodeName.constData(), 0644), 0);
            else if (kind == "folder")
                QVERIFY(QDir().mkdir(node));
            else if (kind == "device" && ::mknod(nodeName.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                noDevice = true;
                continue;
            }
            if (node != path)
                QCOMPARE(::symlink("pipe", QFile::encodeName(path).constData()), 0);
            const struct stat before = statOf(node);

            const QString expected = QStringLiteral("ファイルを保存できませんでした。\n\nファイル: %1\n原因: %2").arg(path, cause);
            QCOMPARE(platform::targetProblem(path), expected);
            SafeFile file(path);
            QVERIFY2(!file.open() && file.errorMessage().startsWith(expected), qPrintable(file.errorMessage())); // at once: a FIFO without a reader must not block
            QVERIFY(!file.write("x") && !file.commit() && statOf(node).st_mode == before.st_mode && statOf(node).st_ino == before.st_ino);
            QCOMPARE(entries(dir.path()).size(), node == path ? 1 : 2);
        }
        if (noDevice)
            QSKIP("mknod of a character device needs root (CAP_MKNOD)");
    }

    void names()
    {
        QTemporaryDir dir;
        // The longest name the file system takes, written and overwritten twice: 85 kanji, 255 bytes.
        const QString longName = QString(85, QChar(0x82B1));
        QCOMPARE(QFile::encodeName(longName).size(), 255);
        const QString longPath = dir.filePath(longName);
        for (const QByteArray& content : {QByteArray("first"), QByteArray("second"), QByteArray("third")}) {
            SafeFile file(longPath);
            QVERIFY2(file.open() && file.write(content.toStdString()) && file.commit(), qPrintable(file.errorMessage()));
            QVERIFY(readAll(longPath) == content && entries(dir.path()) == QStringList{longName});
        }
        // One byte more is the file system's refusal, said as such.
        SafeFile tooLong(longPath + "x");
        QVERIFY2(!tooLong.open() && tooLong.errorMessage().contains(QStringLiteral("原因: ファイル名が長すぎます。")), qPrintable(tooLong.errorMessage()));

        // A text with no bytes on disk is refused; bytes that are not UTF-8 are shown escaped (the
        // real save dialog and petalwright-cli check the names that contain them).
        SafeFile surrogate(dir.filePath("a" + QString(QChar(0xD800)) + ".dxf"));
        QVERIFY(!surrogate.open() && surrogate.errorMessage().contains(QStringLiteral("ファイル名として表せない文字が含まれています。")));
        QCOMPARE(platform::escapedName("\xE8\x8A\xB1\xC3\n\xF0\x9F\x98\x80\xED\xA0\x80"), QStringLiteral("花\\xC3\\x0A😀\\xED\\xA0\\x80"));

        // A dangling link creates its target. (Links in a shared folder: linkPlantedInASharedFolder.)
        SafeFile created(dir.filePath("dangling.dxf"));
        QVERIFY(::symlink("new.dxf", QFile::encodeName(dir.filePath("dangling.dxf")).constData()) == 0 && created.open() && created.write("made") && created.commit());
        QCOMPARE(readAll(dir.filePath("new.dxf")), QByteArray("made"));
    }

    // Faults only a broken disk shows, through the seam of system calls: which call of that kind fails
    // (1: the first; -n: the first n; 0: every one), in place (with a backup) or not, and the outcome:
    // "saved", or a part of the message.
    void faultsThroughTheSeam()
    {
        const QString unchanged = "\n\n以前のファイルは変更されていません。";
        const struct { QString call; int failing, error; bool hardLink; QString outcome; } rows[] = {
            {"fsync", 1, EIO, false, "ディスクの読み書きでエラーが起きました。" + unchanged}, // fsync before the rename
            {"open", -2, EEXIST, false, "saved"}, // temporary name taken twice
            {"open", 0, EEXIST, false, "一時ファイルの名前がすべて使われています。" + unchanged}, // every temporary name taken
            {"rename", 1, EBUSY, false, "ファイルが使用中です。" + unchanged}, // rename
            {"fsync", 2, EIO, false, "停電などがあると、新しいファイルが失われることがあります。"}, // folder sync after the rename
            {"write", -2, ENOSPC, true, "上書きする前に以前の内容の控えを作れませんでした（ディスクの空き容量が足りません。）。" + unchanged}, // backup cannot be written
            {"fsync", -2, EIO, true, "上書きする前に以前の内容の控えを作れませんでした（ディスクの読み書きでエラーが起きました。）。" + unchanged}, // backup sync
            {"write", 0, EIO, true, "以前の内容は次の控えにあります。"}, // in place, then the restore fails
            {"fsync", 0, EIO, true, "中断しました。\n\n以前のファイルを元に戻せませんでした（ディスクの読み書きでエラーが起きました。）。このファイルは不完全です。以前の内容は次の控えにあります。"}, // in place, cancelled, the restore fails
            {"unlink", 1, EIO, true, "新しいファイルは保存しましたが、上書き前の内容の控えを削除できませんでした。"}, // backup cannot be removed
        };
        for (const auto& [call, failing, error, hardLink, outcome] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath("drawing.dxf");
            QVERIFY(writeFile(path, kPrevious));
            if (hardLink)
                QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("link.dxf")).constData()), 0);
            static int s_calls, s_failing, s_error;
            static bool s_armed; // the restore case fails its writes only after the backup is made
            s_calls = 0;
            s_failing = failing;
            s_error = error;
            s_armed = !(failing == 0 && (call == "write" || outcome.startsWith("中断")));
            struct Fault {
                static bool now()
                {
                    if (!s_armed)
                        return false;
                    ++s_calls;
                    return s_failing == 0 || s_calls == s_failing || s_calls <= -s_failing;
                }
            };
            platform::SystemCalls& calls = platform::systemCalls();
            const auto restore = qScopeGuard([&calls] { calls = platform::realSystemCalls(); });
            if (call == "open")
                calls.openat = [](int at, const char* name, int flags, mode_t mode) { return Fault::now() ? (errno = s_error, -1) : ::openat(at, name, flags, mode); };
            else if (call == "write")
                calls.write = [](int fd, const void* data, std::size_t size) { return Fault::now() ? (errno = s_error, ssize_t(-1)) : ::write(fd, data, size); };
            else if (call == "fsync")
                calls.fsync = [](int fd) { return Fault::now() ? (errno = s_error, -1) : ::fsync(fd); };
            else if (call == "unlink")
                calls.unlinkat = [](int at, const char* name, int flags) { return Fault::now() ? (errno = s_error, -1) : ::unlinkat(at, name, flags); };
            else
                calls.renameat = [](int at, const char* from, int to, const char* name) { return Fault::now() ? (errno = s_error, -1) : ::renameat(at, from, to, name); };

            SafeFile file(path);
            bool saved = file.open();
            const QString backup = file.backupPath();
            s_armed = true;
            const bool cancel = outcome.startsWith("中断"), savedAnyway = outcome.startsWith("新しい");
            saved = saved && file.write(std::string(100'000, 'n')) && (cancel ? (file.discard(), false) : file.commit());
            calls = platform::realSystemCalls();
            QVERIFY2(saved == (outcome == "saved") && (saved || file.errorMessage().contains(outcome)), qPrintable(file.errorMessage()));
            QVERIFY(saved || savedAnyway || file.errorMessage().startsWith(QStringLiteral("ファイルを保存できませんでした。\n\nファイル: %1\n原因: ").arg(path)));
            const bool inBackup = savedAnyway || outcome.contains("以前の内容は次の控え");
            if (saved || savedAnyway || outcome.startsWith("停電")) // 停電: in place, but said to be unsafe
                QCOMPARE(readAll(path), QByteArray(100'000, 'n'));
            else if (!inBackup)
                QCOMPARE(readAll(path), kPrevious);
            // The backup that could not go, or the one neither the new bytes nor the restore replaced: kept, named.
            if (inBackup)
                QVERIFY(!backup.isEmpty() && file.errorMessage().contains(backup) && readAll(backup) == kPrevious && QFile::remove(backup));
            QCOMPARE(entries(dir.path()), hardLink ? QStringList({"drawing.dxf", "link.dxf"}) : QStringList{"drawing.dxf"});
        }
    }

    // Two saves of a file not yet there meet at the name's lock file, which goes with the save, as does
    // one a killed save left; another user's lock file is never used (it could keep this one waiting).
    void newFileLock()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("drawing.dxf"), lockFile = dir.filePath(".drawing.dxf.petalwright-lock");
        SafeFile first(path), second(path), killed(path), past(path);
        QVERIFY(first.open() && first.write("first"));
        int waits = 0;
        second.keepWaiting = [&] { return ++waits < 3; };
        QVERIFY(!second.open() && waits == 3 && !QFile::exists(path));
        QVERIFY(first.commit() && !QFile::exists(lockFile));
        QVERIFY(writeFile(lockFile, {}) && killed.open() && killed.write("x") && killed.commit() && !QFile::exists(lockFile));
        QVERIFY(QFile::remove(path) && writeFile(lockFile, {}) && ::chown(QFile::encodeName(lockFile).constData(), 65534, 65534) == 0);
        const int foreign = ::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_CLOEXEC);
        const auto release = qScopeGuard([&] { ::close(foreign); });
        QVERIFY(foreign >= 0 && ::flock(foreign, LOCK_EX) == 0);
        QVERIFY2(past.open() && past.write("past") && past.commit(), qPrintable(past.errorMessage()));
        QVERIFY(readAll(path) == "past" && statOf(lockFile).st_uid == 65534);
    }

    // In a sticky folder everyone may write, a third user's link is not followed, whatever the kernel's
    // fs.protected_symlinks says (set here, as on a stock system): neither one there at the start nor
    // one put there before the commit. This user's own link there is followed, and stays a link.
    void linkPlantedInASharedFolder()
    {
        QFile setting("/proc/sys/fs/protected_symlinks");
        if (!setting.open(QIODevice::ReadWrite))
            QSKIP("setting fs.protected_symlinks and a third user's link need root");
        const QByteArray before = setting.readAll();
        const auto restore = qScopeGuard([&] { setting.write(before); setting.close(); });
        QVERIFY(setting.write("1\n") == 2 && setting.flush());
        QTemporaryDir dir;
        const QString shared = dir.filePath("shared"), secret = dir.filePath("secret"), race = shared + "/race.dxf";
        QVERIFY(QDir().mkdir(shared) && ::chmod(QFile::encodeName(shared).constData(), 01777) == 0 && writeFile(secret, "root's alone"));
        const auto plant = [&](const QString& target, uid_t owner) {
            const QByteArray name = QFile::encodeName(shared + "/planted");
            return ::symlink(QFile::encodeName(target).constData(), name.constData()) == 0 && ::lchown(name.constData(), owner, owner) == 0
                && ::rename(name.constData(), QFile::encodeName(race).constData()) == 0;
        };
        SafeFile planted(race), racing(race), own(race);
        QVERIFY(plant(secret, 65534) && !planted.open());
        QVERIFY2(planted.errorMessage().contains(QStringLiteral("原因: 誰でも書き込めるフォルダーにある、ほかのユーザーのシンボリックリンクはたどりません。")),
                 qPrintable(planted.errorMessage()));
        QVERIFY(QFile::remove(race) && writeFile(race, kPrevious) && ::chown(QFile::encodeName(race).constData(), 65534, 65534) == 0);
        QVERIFY(racing.open() && racing.write("new") && plant(secret, 65534) && !racing.commit());
        QVERIFY(readAll(secret) == "root's alone" && QFileInfo(race).isSymLink());
        QVERIFY(QFile::remove(race) && writeFile(dir.filePath("mine.dxf"), kPrevious) && plant(dir.filePath("mine.dxf"), ::geteuid()));
        QVERIFY(own.open() && own.write("mine") && own.commit());
        QVERIFY(readAll(dir.filePath("mine.dxf")) == "mine" && QFileInfo(race).isSymLink());
    }

    // One writer at a time; a FIFO put at the name while a save runs is not replaced; a backup a
    // killed save left is reported by the next save of the file; own names stay within 255 bytes.
    void turnsLastLookAndLeftovers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("drawing.dxf");
        QVERIFY(writeFile(path, kPrevious));
        SafeFile first(path), second(path);
        QVERIFY(first.open() && first.write("first"));
        int waits = 0;
        second.keepWaiting = [&] { return ++waits < 3; };
        // Gives up while the first holds the file; then the first finishes while the second waits.
        QVERIFY(!second.open() && waits == 3 && second.errorMessage().contains(QStringLiteral("ほかのプログラムがこのファイルを保存している間に中断しました。")));
        second.keepWaiting = [&] { return first.commit(), true; };
        QVERIFY(second.open() && second.write("second") && second.commit() && readAll(path) == "second");

        SafeFile racing(path);
        QVERIFY(racing.open() && racing.write("new"));
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
        QVERIFY(!racing.commit() && racing.errorMessage().contains(QStringLiteral("同じ名前の名前付きパイプ（FIFO）があります。")) && S_ISFIFO(statOf(path).st_mode));
        QCOMPARE(entries(dir.path()), QStringList{"drawing.dxf"});
        QVERIFY(QFile::remove(path));

        const QString longName = QString(85, QChar(0x82B1)); // 255 bytes
        // Two long names alike but for their last character never share their own files' names.
        QVERIFY(platform::backupPrefix(QFile::encodeName(longName)) != platform::backupPrefix(QFile::encodeName(longName.chopped(1) + "x")));
        for (const QString& name : {QStringLiteral("drawing.dxf"), longName}) {
            const QByteArray prefix = platform::backupPrefix(QFile::encodeName(name));
            QVERIFY(prefix.size() + 6 <= 255 && platform::temporaryPrefix(QFile::encodeName(name)).size() + 6 <= 255);
            QVERIFY(!QString::fromUtf8(prefix).contains(QChar::ReplacementCharacter));
            QVERIFY(writeFile(dir.filePath(name), kPrevious));
            const QString leftover = dir.filePath(QFile::decodeName(prefix) + "abc123");
            // A killed save's temporary file: this user's goes, another user's (or one still being written) is only named.
            const QString temporary = dir.filePath(QFile::decodeName(platform::temporaryPrefix(QFile::encodeName(name)))), killed = temporary + "killed", theirs = temporary + "theirs";
            const timespec old[2] = {{std::time(nullptr) - 600, 0}, {std::time(nullptr) - 600, 0}};
            QVERIFY(writeFile(leftover, "what a killed save kept") && writeFile(killed, "part") && writeFile(theirs, "their part"));
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(killed).constData(), old, 0) == 0 && ::chown(QFile::encodeName(theirs).constData(), 65534, 65534) == 0);
            SafeFile next(dir.filePath(name));
            QVERIFY(next.open());
            for (const QString& named : {"控え: " + leftover, "を削除しました。\n\nファイル: " + dir.filePath(name) + "\n一時ファイル: " + killed,
                                         "ほかのユーザーのものか、保存中のものです。\n\nファイル: " + dir.filePath(name) + "\n一時ファイル: " + theirs})
                QVERIFY2(next.notice().contains(named), qPrintable(next.notice()));
            QVERIFY(next.write("x") && next.commit() && !QFile::exists(killed) && QFile::remove(theirs));
        }
    }
};


QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
