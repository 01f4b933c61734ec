#pragma once
// The address of the program's help page.

#include <QUrl>

namespace petalwright::ui {

// https://HOST/page.php?page=petalwright; the host is set when the program is built.
QUrl helpPageUrl();

} // namespace petalwright::ui
