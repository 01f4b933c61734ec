// The printable types in the window: the thickness and size dialog after the save dialog, its
// checks and memory, the solid's progress and cancel.

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cmath>

#include "FormatReaders.h"
#include "WindowDriver.h"
#include "windows/PrintSettings.h"

using namespace petalwright;

class TestPrintSettings : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_config;

    // Chooses `name` with the save dialog's type `type`, then runs `answer` on the dialog that follows.
    static void choose(testing::WindowDriver& d, const QString& name, int type, const std::function<void(QWidget*)>& answer)
    {
        d.saveDialog.answers << d.path(name);
        d.saveDialog.filterAnswers << type;
        bool asked = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            asked = dialog && dialog->objectName() == QStringLiteral("frmPRINT");
            if (asked)
                answer(dialog);
        });
        QTest::mouseClick(d.window.cmdOUT, Qt::LeftButton);
        QVERIFY(asked);
        QVERIFY(!QApplication::activeModalWidget());
    }

    static void type(QWidget* dialog, const QString& thickness, const QString& size)
    {
        dialog->findChild<QLineEdit*>(QStringLiteral("txtTHICK"))->setText(thickness);
        dialog->findChild<QLineEdit*>(QStringLiteral("txtSIZE"))->setText(size);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        // The remembered values go to a folder of this test only.
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }

    void askedCheckedRememberedAndWritten()
    {
        testing::WindowDriver d;
        QStringList shownBefore;
        choose(d, QStringLiteral("flower.3mf"), 6, [&](QWidget* dialog) {
            QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("txtTHICK"))->text(), QStringLiteral("1.2"));
            type(dialog, QStringLiteral("0"), QString());
            type(dialog, QStringLiteral("3"), QStringLiteral("50"));
            shownBefore = d.messageBox.shown;
            QVERIFY(dialog->isVisible()); // a bad value keeps the dialog open
            type(dialog, QStringLiteral("2"), QStringLiteral("60"));
        });
        QCOMPARE(shownBefore, QStringList({QStringLiteral("! 厚さは 0 より大きい数（mm）にしてください: 0"),
                                           QStringLiteral("! 厚さ 3 mm は大きさ 50 mm の花に合いません。0.4 ～ 2.5 mm（ノズルの線幅 0.4 mm 以上で、"
                                                          "大きさの 1/200 から 1/20 まで）にしてください。")}));
        QCOMPARE(d.saveDialog.requests.last().filters[6], QStringLiteral("3Dプリント用3MF(*.3mf)"));

        const testing::ProgressRun run = d.press(d.window.cmdDXF);
        QVERIFY(run.finished && run.progress.contains(QStringLiteral("立体にまとめています 1 / 8")));
        // The size typed is the solid's: the larger of its widths in X and Y.
        std::string problem;
        const std::vector<testing::ZipPart> parts = testing::readZip(readAll(d.path(QStringLiteral("flower.3mf"))).toStdString(), problem);
        QVERIFY2(parts.size() == 3, problem.c_str());
        std::vector<double> xs, ys;
        static const QRegularExpression vertex(QStringLiteral("<vertex x=\"([^\"]+)\" y=\"([^\"]+)\""));
        for (auto it = vertex.globalMatch(QString::fromStdString(parts[2].data)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            xs.push_back(m.captured(1).toDouble());
            ys.push_back(m.captured(2).toDouble());
        }
        const auto width = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end()); };
        QVERIFY2(std::abs(std::max(width(xs), width(ys)) - 60.0) < 1e-3, qPrintable(QStringLiteral("%1 x %2").arg(width(xs)).arg(width(ys))));

        const windows::PrintTexts remembered = windows::rememberedPrintTexts();
        QCOMPARE(QStringList({remembered.thickness, remembered.size}), QStringList({"2", "60"}));
    }

    void cancelledDialogOrSolidWritesNothing()
    {
        testing::WindowDriver d;
        // Cancelling the small dialog cancels the file choice.
        choose(d, QStringLiteral("none.stl"), 5, [](QWidget* dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cmdCANCEL")), Qt::LeftButton);
        });
        QVERIFY(d.window.txtDXFFILE->text().isEmpty() || !d.window.txtDXFFILE->text().endsWith(QStringLiteral("none.stl")));

        // A cancel while the solid is built: no file, and the window closes.
        choose(d, QStringLiteral("flower.stl"), 5, [](QWidget* dialog) { type(dialog, QStringLiteral("1.2"), QString()); });
        d.atYield = [](int, windows::frmDXF* dlg) {
            if (dlg->lblMSG->text().startsWith(QStringLiteral("立体")))
                QTest::mouseClick(dlg->cmdCANCEL, Qt::LeftButton);
        };
        const testing::ProgressRun run = d.press(d.window.cmdDXF);
        QVERIFY(!run.finished && !QFile::exists(d.path(QStringLiteral("flower.stl"))));
        QCOMPARE(run.progress.filter(QStringLiteral("立体")), QStringList{QStringLiteral("立体にまとめています 1 / 8")}); // no step after it
    }
};

QTEST_MAIN(TestPrintSettings)
#include "tst_printsettings.moc"
