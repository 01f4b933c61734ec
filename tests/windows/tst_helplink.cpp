// Where Web Help goes, for a build with and without a web host, run from the build tree or installed.
// (That the source tree's page is there: the installation data's test.)

#include <QTest>

#include "windows/HelpLink.h"

using petalwright::windows::helpPageUrl;

class TestHelpLink : public QObject {
    Q_OBJECT
private slots:
    void address()
    {
        if (QStringLiteral(HELP_FROM_BIN) != QStringLiteral("../share/petalwright/help/index.html"))
            QSKIP("installed with a data folder of its own; the rows assume share/ beside bin/");
        const QString build = QStringLiteral(BUILD_TREE), installed = "/share/petalwright/help/index.html";
        const QUrl web("https://www.example.org/page.php?page=petalwright"), source = QUrl::fromLocalFile(SOURCE_TREE "/docs/help/index.html");
        // A web host, installed or in the build tree; the build tree, for the program or a tool; installed
        // in /usr or elsewhere; a folder whose name only begins with the build tree's is not inside it.
        const struct { QString host, executableFolder; QUrl page; } rows[] = {
            {"www.example.org", "/usr/bin", web}, {"www.example.org", build + "/src", web},
            {"", build + "/src", source}, {"", build + "/tools/picture/", source},
            {"", "/usr/bin", QUrl::fromLocalFile("/usr" + installed)}, {"", "/opt/pw/bin", QUrl::fromLocalFile("/opt/pw" + installed)},
            {"", build + "-other/bin", QUrl::fromLocalFile(build + "-other" + installed)},
        };
        for (const auto& [host, executableFolder, page] : rows)
            QCOMPARE(helpPageUrl(host, executableFolder), page);
    }
};

QTEST_GUILESS_MAIN(TestHelpLink)
#include "tst_helplink.moc"
