#pragma once
// The backup of a file written in place, and what killed saves left behind: the old bytes are
// written under a temporary name, synced and only then renamed to the backup's name, so a file
// named as a backup always holds a whole previous file.

#include <QByteArray>
#include <QString>

#include <ctime>

namespace petalwright::platform {

class SaveTarget;

class SaveBackup {
public:
    SaveBackup() = default;
    ~SaveBackup() { closeFolder(); }
    SaveBackup(const SaveBackup&) = delete;
    SaveBackup& operator=(const SaveBackup&) = delete;

    // Beside the target where its folder takes it, else in the user's cache folder, else in
    // $XDG_RUNTIME_DIR/petalwright. False: problem() says why (errno-based cause included).
    bool write(const SaveTarget& target, const QByteArray& bytes);
    // Removes the backup; false when it could not be removed (errno), and it stays named.
    bool remove();
    // Forgets the backup without removing it.
    void keep();

    bool exists() const { return !m_name.isEmpty(); }
    // The backup's path while one exists.
    QByteArray path() const;
    const QString& problem() const { return m_problem; }

private:
    bool writeIn(int folderFd, const QByteArray& temporaryPrefix, const QByteArray& backupPrefix, const QByteArray& bytes);
    void closeFolder();

    int m_folderFd = -1;
    bool m_ownFolderFd = false;
    QByteArray m_folder, m_name;
    QString m_problem;
};

// The Japanese note on what earlier saves of `target` left: backups (kept for the user, newest
// first with time and size) and temporary files (this user's, older than `start`, are removed).
// Empty when there is none.
QString leftoversNotice(const SaveTarget& target, const QString& shownPath, const timespec& start);

} // namespace petalwright::platform
