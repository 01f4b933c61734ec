// The main window's keyboard: Enter along the six boxes, whole-text selection on every focus gain
// but a mouse press, the tab order and the hidden focus holder.

#include <QContextMenuEvent>
#include <QMenu>

#include "WindowDriver.h"
#include "ui/controls/FormFont.h"

using namespace petalwright;
using testing::WindowDriver;

namespace {

// A press near the left edge puts the caret before the first character.
void clickAtStart(QLineEdit* box, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(box, button, {}, QPoint(3, box->height() / 2));
}

QWidget* focused() { return QApplication::focusWidget(); }

} // namespace

class TestTextBoxFocus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::installFontSubstitutes(); }
    void enterChainToGenerate_data();
    void enterChainToGenerate();
    void tabSelectsAndTypingReplaces();
    void pressInFocusedBoxDoesNotStick();
    void contextMenuFocusDoesNotSelect();
    void tabOrder();
    void buttonsLeaveFocusOnHolder_data();
    void buttonsLeaveFocusOnHolder();
};

void TestTextBoxFocus::enterChainToGenerate_data()
{
    QTest::addColumn<Qt::Key>("pressKey");
    QTest::addRow("Enter on cmdDXF") << Qt::Key_Return;
    QTest::addRow("Space on cmdDXF") << Qt::Key_Space;
}

void TestTextBoxFocus::enterChainToGenerate()
{
    QFETCH(Qt::Key, pressKey);
    WindowDriver d;
    ui::frmMAIN& w = d.window;
    QCOMPARE(focused(), w.cmdOUT);
    QTest::keyClick(w.cmdOUT, Qt::Key_Tab);
    const QList<QLineEdit*> chain{w.txtPETAL, w.txtKASAN, w.txtPHABA, w.txtSYUKU, w.txtANGLS, w.txtANGLE};
    for (QLineEdit* box : chain) {
        QCOMPARE(focused(), box);
        QCOMPARE(box->selectedText(), box->text());
        QTest::keyClick(box, Qt::Key_Return);
    }
    // Enter reached cmdDXF without pressing it and without touching the texts.
    QCOMPARE(focused(), w.cmdDXF);
    QVERIFY(d.fakes.saveDialog.requests.empty());
    QCOMPARE(w.txtPETAL->text() + w.txtANGLE->text(), QStringLiteral("6135"));

    const QString path = d.path(QStringLiteral("flower.dxf"));
    d.fakes.saveDialog.answers.push_back(path);
    QVERIFY(d.run([&] { QTest::keyClick(w.cmdDXF, pressKey); }).finished);
    QVERIFY(testing::fileText(path).endsWith(testing::defaultTrailer(QStringLiteral("flower.dxf"))));
}

void TestTextBoxFocus::tabSelectsAndTypingReplaces()
{
    WindowDriver d;
    d.window.txtANGLS->setFocus();
    QTest::keyClick(d.window.txtANGLS, Qt::Key_Tab);
    QCOMPARE(focused(), d.window.txtANGLE);
    QCOMPARE(d.window.txtANGLE->selectedText(), QStringLiteral("135"));
    QTest::keyClick(d.window.txtANGLE, Qt::Key_9);
    QCOMPARE(d.window.txtANGLE->text(), QStringLiteral("9"));
}

void TestTextBoxFocus::pressInFocusedBoxDoesNotStick()
{
    WindowDriver d;
    ui::frmMAIN& w = d.window;
    clickAtStart(w.txtPETAL); // a press into a box without the focus keeps the caret it puts
    QCOMPARE(focused(), w.txtPETAL);
    QVERIFY(!w.txtPETAL->hasSelectedText());
    QCOMPARE(w.txtPETAL->cursorPosition(), 0);
    QTest::keyClick(w.txtPETAL, Qt::Key_Tab);
    QCOMPARE(w.txtKASAN->selectedText(), QStringLiteral("6"));
    clickAtStart(w.txtKASAN); // a press in the box that has the focus: no focus gain follows
    QVERIFY(!w.txtKASAN->hasSelectedText());
    QTest::keyClick(w.txtKASAN, Qt::Key_Tab);
    QCOMPARE(focused(), w.txtPHABA);
    // Back by Enter from the box above: a focus move by the program selects despite the old press.
    clickAtStart(w.txtPETAL);
    QTest::keyClick(w.txtPETAL, Qt::Key_Return);
    QCOMPARE(focused(), w.txtKASAN);
    QCOMPARE(w.txtKASAN->selectedText(), QStringLiteral("6"));
    // And back by Backtab after another press.
    clickAtStart(w.txtKASAN);
    QTest::keyClick(w.txtKASAN, Qt::Key_Tab);
    QTest::keyClick(w.txtPHABA, Qt::Key_Backtab);
    QCOMPARE(focused(), w.txtKASAN);
    QCOMPARE(w.txtKASAN->selectedText(), QStringLiteral("6"));
}

void TestTextBoxFocus::contextMenuFocusDoesNotSelect()
{
    WindowDriver d;
    QLineEdit* box = d.window.txtSYUKU;
    const int caret = box->cursorPosition();
    clickAtStart(box, Qt::RightButton);
    QCOMPARE(focused(), box);

    // The menu takes the focus and gives it back when it closes.
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(3, 3), box->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(box, &request);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), 10000);
    QApplication::activePopupWidget()->close();
    QTRY_COMPARE_WITH_TIMEOUT(focused(), box, 10000);
    QVERIFY(!box->hasSelectedText());
    QCOMPARE(box->cursorPosition(), caret);
}

void TestTextBoxFocus::tabOrder()
{
    WindowDriver d;
    ui::frmMAIN& w = d.window;
    const QList<QWidget*> expected{w.txtPETAL, w.txtKASAN, w.txtPHABA, w.txtSYUKU, w.txtANGLS,
                                   w.txtANGLE, w.cmdDXF,   w.cmdHELP,  w.txtTABSTOP, w.cmdOUT};
    QCOMPARE(focused(), w.cmdOUT);
    QList<QWidget*> visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        visited << focused();
        // Every box reached by Tab, the hidden holder too, has its whole text selected.
        if (auto* box = qobject_cast<QLineEdit*>(focused()))
            QVERIFY2(box->selectedText() == box->text(), qPrintable(box->objectName()));
    }
    QCOMPARE(visited, expected);
}

void TestTextBoxFocus::buttonsLeaveFocusOnHolder_data()
{
    QTest::addColumn<QString>("button");
    QTest::addRow("cmdOUT, dialog cancelled") << QStringLiteral("cmdOUT");
    QTest::addRow("cmdDXF, dialog cancelled") << QStringLiteral("cmdDXF");
    QTest::addRow("cmdDXF, invalid boxes") << QStringLiteral("cmdDXF invalid");
    QTest::addRow("cmdHELP") << QStringLiteral("cmdHELP");
}

void TestTextBoxFocus::buttonsLeaveFocusOnHolder()
{
    QFETCH(QString, button);
    WindowDriver d;
    if (button.endsWith(QStringLiteral("invalid"))) {
        d.fakes.saveDialog.answers.push_back(d.path(QStringLiteral("flower.dxf")));
        WindowDriver::typeInto(d.window.txtPHABA, QStringLiteral("0"));
    }
    d.window.txtPETAL->setFocus();
    auto* target = d.window.findChild<QPushButton*>(button.section(QLatin1Char(' '), 0, 0));
    QVERIFY(target);
    QVERIFY(!d.press(target).shown);
    QCOMPARE(focused(), d.window.txtTABSTOP);
    QVERIFY(d.window.txtTABSTOP->y() >= d.window.height());
}

QTEST_MAIN(TestTextBoxFocus)
#include "tst_textboxfocus.moc"
