#pragma once
// The page's link of a flower: the published page's address, set when the program was built, and
// the flower's six texts and shape number as its query.

#include <QString>

#include "formats/FlowerRecord.h"

namespace petalwright::windows {

// The page's published address (PETALWRIGHT_PAGE_URL at build time).
QString builtPageUrl();

// `page` with the flower's query: "https://host/?petals=6&overlap=6&...&seed=N".
QString flowerLink(const QString& page, const formats::FlowerRecord& flower);

} // namespace petalwright::windows
