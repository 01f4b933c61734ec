#pragma once
// Where Web Help goes: the help page installed with the program, or a page on a web host.

#include <QString>
#include <QUrl>

namespace petalwright::windows {

// The web host set when the program was built; empty when the help page ships with it.
QString builtHelpHost();

// https://HOST/page.php?page=petalwright when `host` is set; else the page that ships with the
// program as a file address: the sources' page when `executableFolder` lies in the build tree,
// otherwise the one in the data folder installed beside the program's bin folder.
QUrl helpPageUrl(const QString& host, const QString& executableFolder);

// The message shown when `page` cannot be opened: the file is missing, or no browser started.
QString helpFailureMessage(const QUrl& page, bool missing);

} // namespace petalwright::windows
