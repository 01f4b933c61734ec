#include "ui/HelpLink.h"

#include <QUrlQuery>

namespace petalwright::ui {

QUrl helpPageUrl()
{
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(QStringLiteral(PETALWRIGHT_HELP_HOST));
    url.setPath(QStringLiteral("/page.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("page"), QStringLiteral("petalwright"));
    url.setQuery(query);
    return url;
}

} // namespace petalwright::ui
