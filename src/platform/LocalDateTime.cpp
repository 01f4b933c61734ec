#include "platform/LocalDateTime.h"

namespace petalwright::platform {

QString timeFormatWithSeconds(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (format.contains(QLatin1Char('s')))
        return format;
    const qsizetype minutes = format.lastIndexOf(QLatin1String("mm"));
    if (minutes < 0)
        return format + QLatin1String(":ss");
    // the separator before the minutes goes before the seconds too
    const QChar before = minutes > 0 ? format.at(minutes - 1) : QLatin1Char(':');
    const QString separator = before.isLetterOrNumber() ? QStringLiteral(":") : QString(before);
    format.insert(minutes + 2, separator + QLatin1String("ss"));
    return format;
}

QString localDateTimeText(const QDateTime& moment, const QLocale& locale)
{
    return locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(moment.time(), timeFormatWithSeconds(locale));
}

} // namespace petalwright::platform
