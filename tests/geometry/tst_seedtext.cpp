// The seed's text is read as the command line's --seed always read it: Qt's trimmed() and toULongLong().

#include <QTest>

#include "geometry/SeedText.h"

using petalwright::geometry::parseSeedText;

class TestSeedText : public QObject {
    Q_OBJECT
private slots:
    void likeTheCommandLine()
    {
        const char* const rows[] = {
            "", " ", "+", "0", "+0", "-0", "-1", "++1", "+ 1", " 1 ", "\t1\n", "\v1\f\r", "\u30007\u3000", "\u00a07",
            "\u20287\u2029", "\u00857", "\u200b7", "1\u2003", "007", "0x10", "1e3", "1.0", "1,000", "1 000", "\uff11\uff12",
            "\u0663", "abc", "18446744073709551615", "+18446744073709551615", "000000000000018446744073709551615",
            "18446744073709551616", "18446744073709551620", "99999999999999999999999", "-18446744073709551615",
        };
        for (const char* row : rows) {
            const QString text = QString::fromUtf8(row);
            bool ok = false;
            const quint64 expected = text.trimmed().toULongLong(&ok, 10);
            const auto parsed = parseSeedText(text.toStdString());
            QVERIFY2(parsed.has_value() == ok && (!ok || *parsed == expected), QByteArray(row).toHex().constData());
        }
    }
};

QTEST_GUILESS_MAIN(TestSeedText)
#include "tst_seedtext.moc"
