// The save dialog: the chosen file type puts its extension on the name, before the dialog asks about
// replacing a file, and comes back with the path.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/QtServices.h"

using namespace petalwright::platform;

namespace {

const QStringList kTypes = {"DXFファイル(*.dxf)", "CAD向けDXFファイル(*.dxf)", "OBJファイル(*.obj)", "STLファイル(*.stl)",
                            "glTFバイナリ(*.glb)"};

} // namespace

class TestSaveDialog : public QObject {
    Q_OBJECT
private slots:
    void suffixRules()
    {
        QStringList suffixes;
        for (const QString& type : kTypes)
            suffixes << filterSuffix(type);
        QCOMPARE(suffixes, QStringList({"dxf", "dxf", "obj", "stl", "glb"}));
        // Kept (in any case), another type's replaced (in capitals too), none or an unknown one appended, a dot in the folder.
        for (const auto& [path, suffix, result] : {std::tuple{"/d/flower.obj", "obj", "/d/flower.obj"}, {"/d/flower.OBJ", "obj", "/d/flower.OBJ"},
                                                   {"/d/flower.dxf", "stl", "/d/flower.stl"}, {"/d/flower.GLB", "dxf", "/d/flower.dxf"},
                                                   {"/d/flower", "glb", "/d/flower.glb"}, {"/d/my.flower", "obj", "/d/my.flower.obj"},
                                                   {"/d.obj/flower", "stl", "/d.obj/flower.stl"}})
            QCOMPARE(withSuffix(path, suffix, suffixes), QString(result));
    }

    // Where the dialog opens before a file is chosen ("home" and "documents" in the test's home): the last
    // output folder; the program folder when that is gone; never a folder the user cannot write (an
    // installed program's /usr/bin), but the documents folder, else home.
    void startFolder()
    {
        const struct { QString remembered, program; bool documents; QString expected; } rows[] = {
            {"remembered", "program", true, "remembered"}, {"gone", "program", true, "program"},
            {"", "/proc/self", true, "documents"}, {"gone", "/proc/self", false, "home"},
        };
        for (const auto& [remembered, program, documents, expected] : rows) {
            QTemporaryDir home;
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
            for (const char* name : {"remembered", "program", "home/Documents"})
                QVERIFY(QDir().mkpath(home.filePath(name)));
            if (!documents)
                QVERIFY(QDir(home.filePath("home/Documents")).removeRecursively());
            qputenv("HOME", QFile::encodeName(home.filePath("home")));
            const auto place = [&](const QString& name) {
                return name.startsWith('/') || name.isEmpty() ? name : home.filePath(name == "documents" ? "home/Documents" : name);
            };
            QCOMPARE(saveStartFolder(place(remembered), place(program)), place(expected));
        }
    }

    void typeSetsTheExtension()
    {
        QTemporaryDir dir;
        QtSaveDialog dialog;
        SaveRequest request{QStringLiteral("保存するDXFファイル名称の設定"), kTypes, kTypes[1], QStringLiteral("dxf"), dir.path(), QString()};
        QString nameAfterChange;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            auto* name = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* types = box->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(name && types);
            QCOMPARE(types->currentText(), kTypes[1]);
            name->setText(QStringLiteral("flower.dxf"));
            // The user picks STL: the name follows at once.
            types->setCurrentIndex(3);
            emit types->activated(3);
            nameAfterChange = name->text();
            // Then types another type's extension and saves: the chosen type still decides.
            name->setText(QStringLiteral("flower.obj"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        const SaveChoice choice = dialog.getSaveFileName(nullptr, request);
        QCOMPARE(nameAfterChange + '|' + choice.path + '|' + choice.filter, "flower.stl|" + dir.filePath(QStringLiteral("flower.stl")) + '|' + kTypes[3]);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestSaveDialog)
#include "tst_savedialog.moc"
