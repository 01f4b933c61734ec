// The main window's keyboard: Enter along the six boxes, whole-text selection on every focus gain
// but a mouse press, a context menu or a return to the window, and the tab order.

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>

#include "WindowDriver.h"
#include "windows/preview/FlowerPreview.h"

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
    // Enter along the boxes, then Enter or Space on cmdDXF: Return, then Return or Space; or keypad Enter throughout.
    void enterChainToGenerate()
    {
        for (const auto& [enterKey, keypad, pressKey] : {std::tuple{Qt::Key_Return, false, Qt::Key_Return}, {Qt::Key_Return, false, Qt::Key_Space},
                                                         {Qt::Key_Enter, true, Qt::Key_Enter}}) {
            const Qt::KeyboardModifiers modifiers = keypad ? Qt::KeypadModifier : Qt::NoModifier;
            WindowDriver d;
            windows::frmMAIN& w = d.window;
            w.txtPETAL->setFocus();
            for (QLineEdit* box : d.boxes()) {
                QVERIFY(focused() == box && box->selectedText() == box->text());
                QTest::keyClick(box, enterKey, modifiers);
            }
            // Enter reached cmdDXF without pressing it; a further Enter or Space generates.
            QVERIFY(focused() == w.cmdDXF && d.saveDialog.requests.isEmpty());
            d.saveDialog.answers << d.path(QStringLiteral("flower.dxf"));
            QVERIFY(d.run([&] { QTest::keyClick(w.cmdDXF, pressKey, modifiers); }).finished);
        }
    }

    void tabOrderAndCaretKeys()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        // The window's own controls in their order, then the preview's, the holder and back to 設定.
        const QList<QWidget*> expected{w.txtPETAL, w.txtKASAN,   w.txtPHABA, w.txtSYUKU,   w.txtANGLS,
                                       w.txtANGLE, w.cmdDXF,     w.cmdHELP,  w.picPREVIEW, w.cboSAMPLE,
                                       w.cmdSHAPE, w.txtSEED,    w.chkKEEP,  w.cmdLINK,    w.txtTABSTOP,
                                       w.cmdOUT};
        QCOMPARE(focused(), w.cmdOUT);
        QCOMPARE(testing::tabChain(w.cmdOUT, expected.size()), expected);
        // Tab selects the whole text, so a typed digit replaces it.
        w.txtANGLS->setFocus();
        QTest::keyClick(w.txtANGLS, Qt::Key_Tab);
        QTest::keyClick(w.txtANGLE, Qt::Key_9);
        QCOMPARE(w.txtANGLE->text(), QStringLiteral("9"));

        // The filters on the boxes take Enter only: caret keys move and keep the focus, then typing inserts.
        const struct { QList<int> keys; QString text; int caret; } rows[] = { // the text and caret after the keys and a typed '9'
            {{Qt::Key_Home}, "91234", 1}, {{Qt::Key_End}, "12349", 5}, {{Qt::Key_Home, Qt::Key_Right, Qt::Key_Right}, "12934", 3},
            {{Qt::Key_End, Qt::Key_Left}, "12394", 4}, {{Qt::Key_Left}, "12394", 4}, {{Qt::Key_Right}, "12349", 5}, // from the whole selection
            {{Qt::Key_Home, Qt::Key_Up, Qt::Key_Down}, "91234", 1}, // Up and Down stay in the box
        };
        for (const auto& [keys, text, caret] : rows)
            for (QLineEdit* box : {d.window.txtPETAL, d.window.txtANGLE}) {
                box->setText(QStringLiteral("1234"));
                box->setFocus(Qt::TabFocusReason);
                QCOMPARE(box->selectedText(), QStringLiteral("1234"));
                for (const int key : keys)
                    QTest::keyClick(box, Qt::Key(key));
                QCOMPARE(focused(), box);
                QTest::keyClick(box, Qt::Key_9);
                QCOMPARE(box->text() + '|' + QString::number(box->cursorPosition()), text + '|' + QString::number(caret));
            }
    }

    void mouseFocusDoesNotSelect()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        clickAtStart(w.txtPETAL); // a press into a box without the focus keeps the caret it puts
        QVERIFY(focused() == w.txtPETAL && !w.txtPETAL->hasSelectedText() && w.txtPETAL->cursorPosition() == 0);
        // A press in the box that has the focus gains nothing; a later focus by the program still selects.
        clickAtStart(w.txtPETAL);
        QTest::keyClick(w.txtPETAL, Qt::Key_Tab);
        w.txtPETAL->setFocus();
        QCOMPARE(w.txtPETAL->selectedText(), QStringLiteral("6"));

        // A right press, then the context menu: it takes the focus and gives it back when it closes.
        QLineEdit* box = w.txtSYUKU;
        const int caret = box->cursorPosition();
        clickAtStart(box, Qt::RightButton);
        QCOMPARE(focused(), box);
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(3, 3), box->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(box, &request);
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu*>(QApplication::activePopupWidget()), 10000);
        QApplication::activePopupWidget()->close();
        QTRY_COMPARE_WITH_TIMEOUT(focused(), box, 10000);
        QVERIFY(!box->hasSelectedText() && box->cursorPosition() == caret);

        // Another window and back: the box has the focus again, the caret where the user left it.
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Right);
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow() && !w.isActiveWindow());
        w.activateWindow();
        QTRY_VERIFY(w.isActiveWindow());
        QVERIFY(focused() == box && !box->hasSelectedText() && box->cursorPosition() == 1);
    }
};

QTEST_MAIN(TestTextBoxFocus)
#include "tst_textboxfocus.moc"
