// The main window driven as a user would: mouse and keys on the real widgets, fakes behind them.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "FakeServices.h"
#include "job/frmDXF.h"
#include "ui/controls/FormFont.h"
#include "ui/frmMAIN.h"

using namespace petalwright;

class TestFrmMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installFontSubstitutes(); }
    void defaultFlowerWritesFile();
};

void TestFrmMain::defaultFlowerWritesFile()
{
    QTemporaryDir dir;
    testing::FakeServices fakes;
    const QString path = dir.filePath(QStringLiteral("flower.dxf"));
    fakes.saveDialog.answers.push_back(path);
    ui::frmMAIN window(fakes.services());
    window.showCentred();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool closed = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        job::frmDXF* dlg = window.progressWindow();
        if (dlg && dlg->isVisible() && dlg->procState == job::ProcState::Finished && !closed) {
            QCOMPARE(dlg->lblMSG->text(), QStringLiteral("終了しました"));
            QCOMPARE(dlg->cmdCANCEL->text(), QStringLiteral("閉じる"));
            closed = true;
            QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
        }
    });
    poll.start(20);
    QTest::mouseClick(window.cmdDXF, Qt::LeftButton);
    QVERIFY(closed);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QCOMPARE(data.count("3DFACE\r\n"), 288);
    QVERIFY(data.endsWith("//\r\n"));
    QVERIFY(data.contains("// Petalwright 0.7.1 - flower.dxf(2006/01/15 9:05:07)\r\n"));
    QCOMPARE(window.progressWindow()->lblINFO->text(), QStringLiteral("flower.dxf :\r\n△288   約 67.1 KB"));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
