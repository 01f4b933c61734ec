// Where Web Help goes, for a build with and without a web host, run from the build tree or installed.
// (That the source tree's page is there: the installation data's test.)

#include <QTest>

#include "windows/HelpLink.h"

using petalwright::windows::helpPageUrl;

class TestHelpLink : public QObject {
    Q_OBJECT
private slots:
    void address_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("executableFolder");
        QTest::addColumn<QUrl>("page");
        const QString build = QStringLiteral(BUILD_TREE), source = QStringLiteral(SOURCE_TREE);
        const QUrl web("https://www.example.org/page.php?page=petalwright");
        QTest::addRow("web host, installed") << "www.example.org" << "/usr/bin" << web;
        QTest::addRow("web host, build tree") << "www.example.org" << build + "/src" << web;
        const QUrl sourcePage = QUrl::fromLocalFile(source + "/docs/help/index.html");
        QTest::addRow("build tree") << "" << build + "/src" << sourcePage;
        QTest::addRow("build tree, a tool") << "" << build + "/tools/picture/" << sourcePage;
        QTest::addRow("installed in /usr") << "" << "/usr/bin" << QUrl("file:///usr/share/petalwright/help/index.html");
        QTest::addRow("installed elsewhere") << "" << "/opt/pw/bin" << QUrl("file:///opt/pw/share/petalwright/help/index.html");
        // A folder whose name only begins with the build tree's is not inside it.
        QTest::addRow("beside the build tree") << "" << build + "-other/bin"
                                               << QUrl::fromLocalFile(build + "-other/share/petalwright/help/index.html");
    }
    void address()
    {
        QFETCH(QString, host);
        QFETCH(QString, executableFolder);
        QFETCH(QUrl, page);
        if (QStringLiteral(HELP_FROM_BIN) != QStringLiteral("../share/petalwright/help/index.html"))
            QSKIP("installed with a data folder of its own; the rows assume share/ beside bin/");
        QCOMPARE(helpPageUrl(host, executableFolder), page);
    }
};

QTEST_GUILESS_MAIN(TestHelpLink)
#include "tst_helplink.moc"
