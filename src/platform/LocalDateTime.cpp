#include "platform/LocalDateTime.h"

#include <QStringEncoder>

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
    const QString text = locale.toString(moment.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(moment.time(), timeFormatWithSeconds(locale));
    // The file is in code page 932: digits or signs it cannot hold would turn into '?'.
    QStringEncoder codePage932("CP932");
    const QByteArray encoded = codePage932.encode(text);
    if (!codePage932.hasError() && !encoded.isEmpty())
        return text;
    return QLocale::c().toString(moment, QStringLiteral("yyyy/MM/dd H:mm:ss"));
}

} // namespace petalwright::platform
