// The real services the window tests replace with fakes: the message boxes, the save dialog's names and
// the job's yield.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include "platform/QtServices.h"

using namespace petalwright::platform;

class TestQtServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installJapaneseStandardTexts(); }

    // Both boxes show the text as typed (never as markup), with CR LF as line breaks; the question
    // defaults to いいえ, and so does Esc.
    void messageBoxes_data()
    {
        QTest::addColumn<QString>("answer"); // what the user does; "" for the exclamation box
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("seen"); // default button, text format, title, text
        const QString shown = QStringLiteral("Petalwright|△1,200 / 約 281.1 KB\n<b>a</b>.dxf を作成しますか？");
        QTest::addRow("Esc") << "Esc" << false << "No|plain|" + shown;
        QTest::addRow("Enter takes the default") << "Enter" << false << "No|plain|" + shown;
        QTest::addRow("Yes clicked") << "Yes" << true << "No|plain|" + shown;
        QTest::addRow("No clicked") << "No" << false << "No|plain|" + shown;
        QTest::addRow("exclamation") << "" << false << "other|plain|" + shown;
    }
    void messageBoxes()
    {
        QFETCH(QString, answer);
        QFETCH(bool, yes);
        QFETCH(QString, seen);
        QtMessageBox boxes;
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = QStringLiteral("%1|%2|%3|%4").arg(box->defaultButton() && box->defaultButton() == box->button(QMessageBox::No) ? "No" : "other",
                                                      box->textFormat() == Qt::PlainText ? "plain" : "rich", box->windowTitle(), box->text());
            if (answer == "Esc" || answer.isEmpty())
                QTest::keyClick(box, Qt::Key_Escape);
            else if (answer == "Enter")
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(answer == "Yes" ? QMessageBox::Yes : QMessageBox::No)->click();
        });
        const QString text = QStringLiteral("△1,200 / 約 281.1 KB\r\n<b>a</b>.dxf を作成しますか？");
        if (answer.isEmpty())
            boxes.exclamation(nullptr, text);
        else
            QCOMPARE(boxes.question(nullptr, text), yes);
        QCOMPARE(shown, seen);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // The dialog refuses a name that reads the same as a name whose bytes are not text: saving
    // under it would write another file than the one picked.
    void saveDialogUsesNamesAsShown()
    {
        QTemporaryDir dir;
        const QByteArray odd = QFile::encodeName(dir.path()) + "/report\xE9.dxf";
        const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        QtSaveDialog dialog;
        const SaveRequest request{QStringLiteral("保存するDXFファイル名称の設定"), {QStringLiteral("DXFファイル(*.dxf)")}, QString(),
                                  QStringLiteral("dxf"), dir.path(), QString()};
        for (const QString& name : {QStringLiteral("report\uFFFD.dxf"), QStringLiteral("report\u00E9.dxf")}) {
            QString warned;
            QTimer::singleShot(0, [&] {
                auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(files);
                files->selectFile(name);
                QTimer::singleShot(0, files, [&warned, files] { // dropped if the dialog is gone
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box != static_cast<QWidget*>(files)) {
                        warned = box->text();
                        box->accept();
                    }
                    QTimer::singleShot(0, files, &QFileDialog::reject);
                });
                static_cast<QDialog*>(files)->accept(); // the dialog's own OK
            });
            const QString chosen = dialog.getSaveFileName(nullptr, request).path;
            if (name.contains(QChar(QChar::ReplacementCharacter))) {
                QCOMPARE(chosen, QString());
                QVERIFY2(warned.contains(QStringLiteral("report\\xE9.dxf")), qPrintable(warned));
            } else {
                QCOMPARE(chosen, dir.filePath(name));
                QCOMPARE(warned, QString());
            }
        }
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A click waiting in the queue is seen within a quarter millisecond of work, and a timer
    // fires while a long job yields after every small step.
    void yieldDuringALongJob()
    {
        SlicedYield yield;
        QPushButton button;
        int clicks = 0, ticks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(5);

        yield(); // the first call always runs the event loop
        QMetaObject::invokeMethod(&button, &QPushButton::click, Qt::QueuedConnection);
        // Runs until the click and five timer ticks were seen: a condition, not a time, so a busy
        // machine only makes the loop longer. The minute is a guard against a yield that never runs.
        QElapsedTimer guard;
        guard.start();
        qint64 stepsUntilSeen = -1;
        for (qint64 step = 0; (clicks < 1 || ticks < 5) && guard.elapsed() < 60'000; ++step) {
            QElapsedTimer work; // a step of a microsecond, as one face
            work.start();
            while (work.nsecsElapsed() < 1000)
                ;
            yield();
            if (clicks == 1 && stepsUntilSeen < 0)
                stepsUntilSeen = step;
        }
        QCOMPARE(clicks, 1);
        // A slice is a quarter of a millisecond, so at most 250 steps of a microsecond pass unseen.
        QVERIFY2(stepsUntilSeen >= 0 && stepsUntilSeen < 1000, qPrintable(QString::number(stepsUntilSeen)));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }
};

QTEST_MAIN(TestQtServices)
#include "tst_qtservices.moc"
