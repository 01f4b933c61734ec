#include "platform/AppInfo.h"

#include <QCoreApplication>

#include "Version.h"

namespace petalwright::platform {

QString applicationTitle()
{
    return QString::fromLatin1(version::kProductName.data(), static_cast<qsizetype>(version::kProductName.size()));
}

QString versionText()
{
    return QString::fromLatin1(version::kVersionText.data(), static_cast<qsizetype>(version::kVersionText.size()));
}

QString executableFolder() { return QCoreApplication::applicationDirPath(); }

} // namespace petalwright::platform
