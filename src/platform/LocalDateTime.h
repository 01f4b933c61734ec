#pragma once
// The date and time of the file's version line, in the user's regional formats.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace petalwright::platform {

// The locale's time format with seconds: its short format with ":ss" after the minutes when
// that format has none ("H:mm" gives "H:mm:ss").
QString timeFormatWithSeconds(const QLocale& locale);

// Short date, one blank, time with seconds: "2006/01/15 9:05:07" on a Japanese system. A text
// that code page 932 cannot hold (Arabic digits, say) gives "yyyy/MM/dd H:mm:ss" in ASCII digits.
QString localDateTimeText(const QDateTime& moment, const QLocale& locale = QLocale::system());

// The current local time; replaced in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace petalwright::platform
