// petalwright: the main window.

#include <QApplication>
#include <QFont>

#include <cstdio>

#include "platform/AppInfo.h"
#include "platform/EndSignals.h"
#include "platform/InstanceLock.h"
#include "platform/LocalDateTime.h"
#include "platform/QtServices.h"
#include "platform/StandardOutputFile.h"
#include "windows/HelpLink.h"
#include "widgets/FormFont.h"
#include "windows/frmMAIN.h"

using namespace petalwright;

int main(int argc, char* argv[])
{
    platform::openStandardDescriptors();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Petalwright"));
    QApplication::setOrganizationName(QStringLiteral("petalwright"));
    // The menu entry this window belongs to: its icon and name in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.petalwright.Petalwright"));
    // SIGTERM, a closed terminal and the like: a running save puts the previous file back (the job
    // sees the signal at its next step), then every event loop ends with 128 + the signal's number.
    constexpr int kExitSignalBase = 128;
    platform::EndSignals endSignals;
    QObject::connect(&endSignals, &platform::EndSignals::arrived, &app, [](int number) { QApplication::exit(kExitSignalBase + number); });

    // A second copy ends here, silently, before any window exists. Without a lock the program
    // still starts, and says why it could not look for another copy.
    platform::InstanceLock lock;
    switch (lock.tryAcquire()) {
    case platform::InstanceLock::Result::Acquired:
        break;
    case platform::InstanceLock::Result::HeldByOther:
        return 0;
    case platform::InstanceLock::Result::Unavailable:
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("petalwright: ロックファイルを作成できないため、ほかに起動中のコピーがあるかどうかを確認できません（%1）。このまま起動します。")
                         .arg(lock.reason())
                         .toLocal8Bit()
                         .constData());
        break;
    }

    widgets::installFontSubstitutes();
    // Qt's own dialogs and message boxes in the form font and in Japanese, like the windows.
    QApplication::setFont(QFont(widgets::formFontFace(), widgets::kFormFontPoints));
    platform::installJapaneseStandardTexts();
    const platform::SystemClock clock;
    platform::Services services = platform::systemServices(clock);
    services.helpPage = windows::helpPageUrl(windows::builtHelpHost(), platform::executableFolder());
    windows::frmMAIN window(services);
    window.showCentred();
    return QApplication::exec();
}
