// Date and time of the version line in regional formats.

#include <QTest>

#include "platform/LocalDateTime.h"

using namespace petalwright::platform;

class TestLocalDateTime : public QObject {
    Q_OBJECT
private slots:
    void dateTimeWithSeconds_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("text");
        QTest::addRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << "H:mm:ss" << "2006/01/15 9:05:07";
        QTest::addRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates) << "h:mm:ss AP"
                                    << "1/15/06 9:05:07 AM";
        QTest::addRow("German") << QLocale(QLocale::German, QLocale::Germany) << "HH:mm:ss" << "15.01.06 09:05:07";
        QTest::addRow("separator taken over") << QLocale(QLocale::Finnish, QLocale::Finland) << "H.mm.ss"
                                              << "15.1.2006 9.05.07";
        QTest::addRow("seconds already there") << QLocale::c() << "HH:mm:ss" << "15 Jan 2006 09:05:07";
    }
    void dateTimeWithSeconds()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, format);
        QFETCH(QString, text);
        QCOMPARE(timeFormatWithSeconds(locale), format);
        QCOMPARE(localDateTimeText(QDateTime(QDate(2006, 1, 15), QTime(9, 5, 7)), locale), text);
    }
};

QTEST_GUILESS_MAIN(TestLocalDateTime)
#include "tst_localdatetime.moc"
