// What the installation ships beside the programs: the manual page and the completion know every
// option petalwright-cli has, the completion completes, the icons are there, and the
// help page finds everything it refers to.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>


#include "../support/TestFiles.h"

namespace {

QString readText(const QString& path) { return QString::fromUtf8(readAll(path)); }

QString source(const QString& relative) { return QStringLiteral(SOURCE_TREE "/") + relative; }

// The options `petalwright-cli --help` lists, such as "-q" and "--quiet".
QStringList helpOptions()
{
    QProcess cli;
    cli.start(QStringLiteral(PETALWRIGHT_CLI), {QStringLiteral("--help")});
    if (!cli.waitForFinished(30000))
        return {};
    QStringList options;
    static const QRegularExpression line(QStringLiteral("^\\s+(-.*?)(\\s{2,}|$)"));
    static const QRegularExpression option(QStringLiteral("--?[a-z][a-z-]*"));
    for (const QString& text : QString::fromUtf8(cli.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(text);
        for (auto it = option.globalMatch(m.captured(1)); it.hasNext();)
            options << it.next().captured();
    }
    return options;
}

struct Completion {
    QStringList words;
    QString err;
};

// Runs the completion as bash would on Tab, for `line` (the words so far, the last one being
// completed) typed to the program `program`, in the folder `folder`.
Completion complete(const QString& program, const QStringList& line, const QString& folder)
{
    QStringList words{program};
    words += line;
    QString quoted;
    for (const QString& w : words)
        quoted += QStringLiteral(" '") + QString(w).replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
    const QString script = QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=%3; _petalwright_cli; "
                                          "printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(source(QStringLiteral("data/completion/petalwright-cli")), quoted)
                               .arg(words.size() - 1);
    QProcess bash;
    bash.setWorkingDirectory(folder);
    bash.start(QStringLiteral("bash"), {QStringLiteral("--norc"), QStringLiteral("-c"), script});
    if (!bash.waitForFinished(30000))
        return {{QStringLiteral("(bash did not finish)")}, {}};
    return {QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            QString::fromUtf8(bash.readAllStandardError())};
}

bool writeProgram(const QString& path, const QByteArray& body)
{
    return writeFile(path, "#!/bin/sh\n" + body) && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

class TestInstallData : public QObject {
    Q_OBJECT
private slots:
    void everyHelpOptionIsDocumented()
    {
        const QStringList options = helpOptions();
        QVERIFY2(options.contains("--petals") && options.contains("-q"), qPrintable(options.join(' ')));
        const QString completion = readText(source("data/completion/petalwright-cli"));
        const QString manual = readText(source("data/man/petalwright-cli.1"));
        for (const QString& option : options) {
            const QRegularExpression word(QStringLiteral("(^|[\\s\"])%1([\\s\"]|$)").arg(QRegularExpression::escape(option)));
            QVERIFY2(word.match(completion).hasMatch(), qPrintable(option + " is not completed"));
            // Option dashes are escaped in the manual page, \-\-petals, and "\-\-help" is not "\-\-help\-all".
            const QString roff = QRegularExpression::escape(QString(option).replace(QLatin1Char('-'), QStringLiteral("\\-")));
            const QRegularExpression inManual(QStringLiteral("(^|[\\s\"]|\\\\fB)%1(?![a-z]|\\\\-)").arg(roff),
                                              QRegularExpression::MultilineOption);
            QVERIFY2(inManual.match(manual).hasMatch(), qPrintable(option + " is not in the manual page"));
        }
    }

    // The program: "real", "lists" (a stand-in that knows --list-presets) or "refuses" (one that does not);
    // the line typed, and the words offered.
    void completes()
    {
        const struct { QString program; QStringList line, words; } rows[] = {
            {"real", {"--fo"}, {"--format"}}, // an option
            {"real", {"--seed", "3", "--an"}, {"--angle-start", "--angle-end"}}, // options after a value
            {"real", {"--format", ""}, {"dxf", "cad-dxf", "obj", "stl", "glb", "print-stl", "3mf", "petal"}}, // format names
            {"real", {"--format", "c"}, {"cad-dxf"}}, // a format name
            {"real", {"--petals", ""}, {}}, // no guess at a value
            {"real", {"--seed", "1", "fl"}, {"flower.dxf"}}, // output file
            {"lists", {"--preset", ""}, {"rose", "wild-daisy"}}, // sample names
            {"lists", {"--preset", "w"}, {"wild-daisy"}}, // a sample name
            {"refuses", {"--preset", ""}, {}}, // no samples, quietly
        };
        for (const auto& [program, line, words] : rows) {
            QTemporaryDir dir;
            QVERIFY(QFile(dir.filePath("flower.dxf")).open(QIODevice::WriteOnly));
            const QString path = program == "real" ? QStringLiteral(PETALWRIGHT_CLI) : dir.filePath("petalwright-cli");
            QVERIFY(program == "real" || writeProgram(path, program == "lists" ? "[ \"$1\" = --list-presets ] || exit 2\n"
                                                                                   "printf 'rose バラ 6 6 5 0.5 90 135\\nwild-daisy 野菊 12 3 2 0.8 60 150\\n'\n"
                                                                                 : "echo \"Unknown option '$1'.\" >&2\necho 'Usage: x' \nexit 1\n"));
            const Completion got = complete(path, line, dir.path());
            QCOMPARE(QStringList(got.words) << got.err, QStringList(words) << QString());
        }
    }

    // The shipped icons: every size, and the scalable one.
    void iconsAreThere()
    {
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            QCOMPARE(QImage(source(QStringLiteral("data/icons/hicolor/%1x%1/apps/petalwright.png").arg(side))).size(), QSize(side, side));
        QVERIFY(readText(source("data/icons/hicolor/scalable/apps/petalwright.svg")).contains("<svg"));
    }

    // Every picture, style sheet and page the help page refers to is there, in the sources and
    // (the install rules copy the same folders) when installed.
    void helpPageFindsWhatItRefersTo()
    {
        const QString page = source("docs/help/index.html");
        const QString html = readText(page);
        QVERIFY(html.contains("<html lang=\"ja\">") && !html.contains("<script", Qt::CaseInsensitive));
        static const QRegularExpression reference(QStringLiteral("(?:src|href)=\"([^\"#:]+)\""));
        int count = 0;
        for (auto it = reference.globalMatch(html); it.hasNext(); ++count) {
            const QString target = QDir(source("docs/help")).filePath(it.next().captured(1));
            QVERIFY2(QFile::exists(target), qPrintable(target));
        }
        QVERIFY(count >= 20); // the style sheet, the screenshot and 18 pictures of the six numbers
    }
};

QTEST_MAIN(TestInstallData)
#include "tst_installdata.moc"
