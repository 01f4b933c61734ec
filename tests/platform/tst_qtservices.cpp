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
    // defaults to いいえ, and so does Esc. Esc, Enter, Yes and No clicked on the question; the exclamation box ("").
    void messageBoxes()
    {
        for (const auto& [answerText, yes] : {std::pair{"Esc", false}, {"Enter", false}, {"Yes", true}, {"No", false}, {"", false}}) {
            const QString answer = QString::fromLatin1(answerText);
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
            QCOMPARE(shown, (answer.isEmpty() ? "other" : "No") + QStringLiteral("|plain|Petalwright|△1,200 / 約 281.1 KB\n<b>a</b>.dxf を作成しますか？"));
            QVERIFY(!QApplication::activeModalWidget());
        }
    }

    // The dialog refuses a name that reads the same as a name whose bytes are not text: saving
    // under it would write another file than the one picked.
    void saveDialogUsesNamesAsShown()
    {
        QTemporaryDir dir;
        const QByteArray odd = QFile::encodeName(dir.path()) + "/report\xE9.dxf";
        const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0 && ::close(fd) == 0);
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

    // A click waiting in the queue is seen by a long job that yields after every step of a
    // microsecond: a slice is a quarter of a millisecond, so at most 250 steps pass unseen.
    void yieldDuringALongJob()
    {
        SlicedYield yield;
        QPushButton button;
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
        QMetaObject::invokeMethod(&button, &QPushButton::click, Qt::QueuedConnection);
        qint64 step = 0;
        for (QElapsedTimer work; clicks == 0 && step < 1'000'000; ++step, yield())
            for (work.start(); work.nsecsElapsed() < 1000;)
                ;
        QVERIFY2(clicks == 1 && step < 1000, qPrintable(QString::number(step)));
    }
};

QTEST_MAIN(TestQtServices)
#include "tst_qtservices.moc"
