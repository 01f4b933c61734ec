// What a screen reader gets from both windows: every control it can reach has a name (Japanese,
// or a Japanese description beside a designed Latin caption) and a role, the preview turns from the
// keyboard, and the progress label reads as the count it shows.

#include <QAccessible>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "WindowDriver.h"
#include "widgets/ProgressLabel.h"
#include "windows/preview/FlowerPreview.h"

using namespace petalwright;

namespace {

bool hasJapanese(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

// Every widget of `window` a keyboard or a screen reader can reach, with what is wrong with it.
QStringList unnamed(QWidget* window)
{
    QStringList problems;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window) || !w->isEnabled())
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        const QString name = face ? face->text(QAccessible::Name) : QString();
        const QString said = name + face->text(QAccessible::Description);
        if (!face || name.trimmed().isEmpty() || !hasJapanese(said) || face->role() == QAccessible::NoRole
            || face->role() == QAccessible::Client)
            problems << QStringLiteral("%1: \"%2\" role %3").arg(w->objectName(), name).arg(face ? face->role() : -1);
    }
    return problems;
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void bothWindowsNameEveryControl()
    {
        testing::WindowDriver d;
        windows::frmMAIN& w = d.window;
        QCOMPARE(unnamed(&w), QStringList());
        const auto nameOf = [](QWidget* x) { return QAccessible::queryAccessibleInterface(x)->text(QAccessible::Name); };
        QCOMPARE(nameOf(w.txtPETAL) + '|' + nameOf(w.txtDXFFILE) + '|' + nameOf(w.Image1), QStringLiteral("花びらの枚数|ファイル名|")); // the picture is decoration
        // The list's own name is its choice; 見本 reaches the reader as the label it is labelled by.
        const auto labels = QAccessible::queryAccessibleInterface(w.cboSAMPLE)->relations(QAccessible::Label);
        QVERIFY(std::any_of(labels.begin(), labels.end(), [&](const auto& r) { return r.first->object() == w.lblSAMPLE; }));
        QVERIFY(QAccessible::queryAccessibleInterface(w.picPREVIEW)->role() == QAccessible::Graphic
                && QAccessible::queryAccessibleInterface(w.picPREVIEW)->text(QAccessible::Description).contains("矢印キー"));

        // The preview's keys do what the mouse does: arrows as a drag of ten pixels, + and − as a wheel
        // notch, 0 resets.
        windows::FlowerPreview* preview = w.picPREVIEW;
        preview->setFocus();
        const windows::PreviewView start = preview->view();
        const double step = 10 * windows::FlowerPreview::kDegreesPerPixel;
        const auto keys = [&](std::initializer_list<Qt::Key> pressed) {
            for (const Qt::Key key : pressed)
                QTest::keyClick(preview, key);
            return preview->view();
        };
        QCOMPARE(keys({Qt::Key_Right, Qt::Key_Down, Qt::Key_Plus}),
                 (windows::PreviewView{start.yaw + step, start.pitch + step, start.zoom * windows::FlowerPreview::kZoomPerNotch}));
        QCOMPARE(keys({Qt::Key_Minus, Qt::Key_Left, Qt::Key_Up}), start);
        QCOMPARE(keys({Qt::Key_Right, Qt::Key_0}), windows::PreviewView{});
        // The focus shows as a frame in the highlight colour.
        const QImage shown = preview->grab().toImage();
        QCOMPARE(shown.pixelColor(1, preview->height() / 2), preview->palette().color(QPalette::Highlight));

        // The progress window: every control named, and the label read as the count it shows.
        d.saveDialog.answers << d.path(QStringLiteral("flower.dxf"));
        QStringList problems;
        const testing::ProgressRun run = d.run([&] { d.window.cmdDXF->click(); }, [&](windows::frmDXF* dlg) {
            problems = unnamed(dlg);
            dlg->lblMSG->setProgress(3, 288);
            QVERIFY(QAccessible::queryAccessibleInterface(dlg->lblMSG)->text(QAccessible::Name) == QStringLiteral("△3 / 288")
                    && QAccessible::queryAccessibleInterface(dlg->lblMSG)->role() == QAccessible::StaticText);
        });
        QVERIFY(run.finished);
        QCOMPARE(problems, QStringList());
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
