// The sample list under the preview: choosing a sample fills the six boxes and redraws the preview,
// and nothing else; the user's own edit of a box afterwards shows the free-input entry.

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QWheelEvent>

#include "WindowDriver.h"
#include "geometry/SampleFlowers.h"
#include "widgets/FormFont.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;
using testing::WindowDriver;
using testing::points;

namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QStringList sampleTexts(const char* name)
{
    QStringList texts;
    for (const std::string_view t : geometry::findSampleFlower(name)->texts)
        texts << fromView(t);
    return texts;
}

// Opens the list with the mouse and clicks the entry `text` in it, as a user does.
void choose(QComboBox* list, const QString& text)
{
    QTest::mouseClick(list, Qt::LeftButton);
    QAbstractItemView* view = list->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex entry = list->model()->index(list->findText(text), 0);
    view->scrollTo(entry);
    // The list ignores a release that comes within a double-click time of the press that opened it.
    const QPoint at = view->visualRect(entry).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(!view->isVisible());
}

} // namespace

class TestSampleList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { widgets::installFontSubstitutes(); }

    void choosingFillsTheBoxesAndNothingElse()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        const QString path = d.path(QStringLiteral("lotus.dxf"));
        d.saveDialog.answers << path;
        QTest::mouseClick(w.cmdOUT, Qt::LeftButton);
        const std::uint64_t seed = w.jobState().ringSeed;
        d.seed = 99; // a new draw would show
        const QList<QWidget*> chain = testing::tabChain(w.cmdOUT, 10);
        w.txtKASAN->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.txtKASAN);

        choose(w.cboSAMPLE, QStringLiteral("蓮"));
        QCOMPARE(d.boxTexts() << w.cboSAMPLE->currentText(), sampleTexts("lotus") << QStringLiteral("蓮")); // the fill itself is no edit
        // The preview shows the lotus at once, with the same ring turns.
        windows::FlowerPreview expected;
        QVERIFY(expected.showFlower(geometry::findSampleFlower("lotus")->parameterTexts(), seed));
        QVERIFY(!w.tmrPREVIEW->isActive() && !w.picPREVIEW->isDimmed() && points(w.picPREVIEW->mesh()) == points(expected.mesh()));

        // The file, the seed, the focus and the keyboard order are as they were.
        QVERIFY(w.jobState().ringSeed == seed && d.saveDialog.requests.size() == 1 && QApplication::focusWidget() == w.txtKASAN);
        QCOMPARE(w.jobState().dxfFilePath + '|' + w.txtDXFFILE->text(), path + '|' + QDir::toNativeSeparators(path));
        QCOMPARE(testing::tabChain(w.cmdOUT, 10), chain);

        // The free-input entry changes no box.
        choose(w.cboSAMPLE, QStringLiteral("（自由）"));
        QCOMPARE(d.boxTexts(), sampleTexts("lotus"));
    }

    // A digit typed, Backspace, the same text typed over, a cut (a negative key is pressed with Ctrl).
    void editingAfterAChoiceShowsFreeInput()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        choose(w.cboSAMPLE, QStringLiteral("マーガレット"));
        const struct { QString box; QList<int> keys; QString text; } rows[] = {
            {"txtPETAL", {Qt::Key_End, Qt::Key_2}, "242"}, {"txtANGLE", {Qt::Key_End, Qt::Key_Backspace}, "9"},
            {"txtSYUKU", {Qt::Key_Home, Qt::Key_Delete, Qt::Key_1}, "1"}, {"txtKASAN", {-Qt::Key_A, -Qt::Key_X}, ""},
        };
        for (const auto& [box, keys, text] : rows) {
            auto* edit = w.findChild<QLineEdit*>(box);
            QTest::mouseClick(edit, Qt::LeftButton);
            for (const int key : keys)
                QTest::keyClick(edit, static_cast<Qt::Key>(std::abs(key)), key < 0 ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(edit->text() + '|' + w.cboSAMPLE->currentText(), text + QStringLiteral("|（自由）"));

            // The wheel over the list leaves the user's texts alone.
            const QStringList edited = d.boxTexts();
            QWheelEvent wheel(QPointF(10, 10), w.cboSAMPLE->mapToGlobal(QPointF(10, 10)), {}, QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.cboSAMPLE, &wheel);
            QCOMPARE(d.boxTexts() << w.cboSAMPLE->currentText(), QStringList(edited) << QStringLiteral("（自由）"));

            // Choosing again fills every box anew.
            choose(w.cboSAMPLE, QStringLiteral("マーガレット"));
            QCOMPARE(d.boxTexts() << w.cboSAMPLE->currentText(), sampleTexts("marguerite") << QStringLiteral("マーガレット"));
        }
    }

    // The entries, the daisy's texts at the start, the layout and the fonts.
    void entriesLayoutAndFonts()
    {
        WindowDriver d;
        windows::frmMAIN& w = d.window;
        QStringList entries, expected{"（自由）="};
        for (int i = 0; i < w.cboSAMPLE->count(); ++i)
            entries << w.cboSAMPLE->itemText(i) + '=' + w.cboSAMPLE->itemData(i).toString();
        for (const geometry::SampleFlower& s : geometry::sampleFlowers())
            expected << fromView(s.japaneseName) + '=' + fromView(s.name);
        QCOMPARE(entries << w.cboSAMPLE->currentText(), expected << QStringLiteral("デイジー"));
        const QRect label = w.lblSAMPLE->geometry(), list = w.cboSAMPLE->geometry(), shape = w.cmdSHAPE->geometry();
        // Under the preview, in the row of 別の形, left of it, inside the window.
        QVERIFY(w.lblSAMPLE->text() == QStringLiteral("見本") && label.top() > w.picPREVIEW->geometry().bottom() && label.left() >= w.picPREVIEW->x());
        QVERIFY(list.top() == shape.top() && list.height() == shape.height() && label.center().y() == list.center().y());
        QVERIFY(label.right() < list.left() && list.right() < shape.left() && QRect(QPoint(), w.size()).contains(list));
        QCOMPARE(w.cboSAMPLE->focusPolicy(), Qt::TabFocus); // a click leaves the caret in the box

        QVERIFY(QFontMetrics(w.lblSAMPLE->font()).horizontalAdvance(w.lblSAMPLE->text()) <= label.width());
        QVERIFY2(w.cboSAMPLE->minimumSizeHint().width() <= list.width(), qPrintable(QString::number(w.cboSAMPLE->minimumSizeHint().width())));
        QTest::mouseClick(w.cboSAMPLE, Qt::LeftButton);
        QTRY_VERIFY(w.cboSAMPLE->view()->isVisible() && QFontInfo(w.cboSAMPLE->view()->font()).family() == QStringLiteral("IPAPGothic"));
        QTest::keyClick(w.cboSAMPLE->view(), Qt::Key_Escape);
        QTRY_VERIFY(!w.cboSAMPLE->view()->isVisible());
        QCOMPARE(d.boxTexts(), sampleTexts("daisy"));
    }
};

QTEST_MAIN(TestSampleList)
#include "tst_samplelist.moc"
