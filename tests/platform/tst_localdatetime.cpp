// Date and time of the version line in regional formats.

#include <QTest>

#include "platform/LocalDateTime.h"

using namespace petalwright::platform;

class TestLocalDateTime : public QObject {
    Q_OBJECT
private slots:
    void dateTimeWithSeconds()
    {
        const struct { QLocale locale; const char* format; const char* text; } rows[] = {
            {QLocale(QLocale::Japanese, QLocale::Japan), "H:mm:ss", "2006/01/15 9:05:07"},
            {QLocale(QLocale::English, QLocale::UnitedStates), "h:mm:ss AP", "1/15/06 9:05:07 AM"},
            {QLocale(QLocale::Finnish, QLocale::Finland), "H.mm.ss", "15.1.2006 9.05.07"}, // separator taken over
        };
        for (const auto& r : rows) {
            QCOMPARE(timeFormatWithSeconds(r.locale), QString::fromLatin1(r.format));
            QCOMPARE(localDateTimeText(QDateTime(QDate(2006, 1, 15), QTime(9, 5, 7)), r.locale), QString::fromLatin1(r.text));
        }
    }

    void digitsTheFileCannotHold()
    {
        // Arabic-Indic and Persian digits are not in code page 932: ASCII digits instead of '?'.
        for (const QLocale& locale : {QLocale(QLocale::Arabic, QLocale::Egypt), QLocale(QLocale::Persian, QLocale::Iran)}) {
            QVERIFY2(locale.zeroDigit() != QLatin1Char('0'), qPrintable(locale.name()));
            QCOMPARE(localDateTimeText(QDateTime(QDate(2006, 1, 15), QTime(19, 5, 7)), locale), QStringLiteral("2006/01/15 19:05:07"));
        }
    }
};

QTEST_GUILESS_MAIN(TestLocalDateTime)
#include "tst_localdatetime.moc"
