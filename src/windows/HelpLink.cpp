#include "windows/HelpLink.h"

#include <QDir>
#include <QFileInfo>
#include <QUrlQuery>

namespace petalwright::windows {
namespace {

QString canonicalOrClean(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

bool liesIn(const QString& path, const QString& folder)
{
    const QString inner = canonicalOrClean(path), outer = canonicalOrClean(folder);
    return inner == outer || inner.startsWith(outer + QLatin1Char('/'));
}

} // namespace

QString builtHelpHost() { return QStringLiteral(PETALWRIGHT_HELP_HOST); }

QUrl helpPageUrl(const QString& host, const QString& executableFolder)
{
    if (host.isEmpty()) {
        // The relative step keeps an installed tree working wherever its prefix was moved.
        const QString page = liesIn(executableFolder, QStringLiteral(PETALWRIGHT_BUILD_TREE))
            ? QStringLiteral(PETALWRIGHT_SOURCE_HELP)
            : QDir::cleanPath(executableFolder + QLatin1Char('/') + QStringLiteral(PETALWRIGHT_HELP_FROM_BIN));
        return QUrl::fromLocalFile(page);
    }
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(QStringLiteral("/page.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("page"), QStringLiteral("petalwright"));
    url.setQuery(query);
    return url;
}

QString helpFailureMessage(const QUrl& page, bool missing)
{
    const QString where = page.isLocalFile()
        ? QStringLiteral("ファイル: ") + QDir::toNativeSeparators(page.toLocalFile())
        : QStringLiteral("アドレス: ") + page.toString();
    const QString reason = missing ? QStringLiteral("ヘルプページのファイルが見つかりません。インストールを確認してください。")
                                   : QStringLiteral("ブラウザーを起動できません。");
    return QStringLiteral("ヘルプページを開けませんでした。\r\n\r\n") + where + QStringLiteral("\r\n原因: ") + reason;
}

} // namespace petalwright::windows
