// petalwright: the main window.

#include <QApplication>

#include "platform/InstanceLock.h"
#include "platform/LocalDateTime.h"
#include "platform/QtServices.h"
#include "ui/controls/FormFont.h"
#include "ui/frmMAIN.h"

using namespace petalwright;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Petalwright"));

    // A second copy ends here, silently, before any window exists.
    platform::InstanceLock lock;
    if (!lock.tryAcquire())
        return 0;

    ui::installFontSubstitutes();
    const platform::SystemClock clock;
    ui::frmMAIN window(platform::systemServices(clock));
    window.showCentred();
    return QApplication::exec();
}
