#include "windows/FlowerLink.h"

namespace petalwright::windows {

QString builtPageUrl() { return QStringLiteral(PETALWRIGHT_PAGE_URL); }

QString flowerLink(const QString& page, const formats::FlowerRecord& flower)
{
    // Size and thickness stay home: the page makes no printable files.
    formats::FlowerRecord shown = flower;
    shown.size.clear();
    shown.thickness.clear();
    const QString query = QString::fromStdString(formats::flowerQuery(shown));
    return page + (page.contains(QLatin1Char('?')) ? QLatin1Char('&') : QLatin1Char('?')) + query;
}

} // namespace petalwright::windows
