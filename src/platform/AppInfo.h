#pragma once
// The application's own information: title, version and where it is installed.

#include <QString>

namespace petalwright::platform {

// "Petalwright": the title of every message box.
QString applicationTitle();
// "0.7.1": major, minor and revision without leading zeros.
QString versionText();
// Folder of the running executable.
QString executableFolder();

} // namespace petalwright::platform
