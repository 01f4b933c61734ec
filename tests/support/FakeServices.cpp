#include "FakeServices.h"

#include <QCoreApplication>

namespace petalwright::testing {

platform::Services FakeServices::services()
{
    platform::Services s;
    s.messageBox = &messageBox;
    s.saveDialog = &saveDialog;
    s.urlOpener = &urlOpener;
    s.clock = &clock;
    s.seedForRun = [this] { return seed; };
    s.yield = [this] {
        QCoreApplication::processEvents();
        ++yields;
        if (afterYield)
            afterYield(yields);
    };
    s.executableFolder = QStringLiteral("/opt/petalwright");
    s.locale = QLocale(QLocale::Japanese, QLocale::Japan);
    return s;
}

} // namespace petalwright::testing
