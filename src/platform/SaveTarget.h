#pragma once
// The name a save replaces: symbolic links followed once, where the kernel's protected_symlinks
// rules would follow them, and the folder held open from then on, so that nothing put at a name
// later is followed.

#include <QByteArray>
#include <QString>

namespace petalwright::platform {

class SaveTarget {
public:
    SaveTarget() = default;
    ~SaveTarget() { close(); }
    SaveTarget(const SaveTarget&) = delete;
    SaveTarget& operator=(const SaveTarget&) = delete;

    // Follows the links of `path` and opens the folder it ends in. False: problem() says why.
    bool resolve(const QByteArray& path);
    void close();

    // The folder, held open; every later look at the file goes through it (openat, renameat).
    int folderFd() const { return m_folderFd; }
    const QByteArray& folder() const { return m_folder; }
    const QByteArray& name() const { return m_name; }
    // folder/name, for messages and for telling files of one name apart.
    QByteArray path() const;
    // The Japanese cause of a failed resolve.
    const QString& problem() const { return m_problem; }
    int error() const { return m_error; }

private:
    bool failWith(int error);
    bool fail(const QString& problem);

    int m_folderFd = -1;
    QByteArray m_folder, m_name;
    QString m_problem;
    int m_error = 0;
};

// The folder part of `path` ("." when there is none) and the name in it.
QByteArray folderOf(const QByteArray& path);
QByteArray baseName(const QByteArray& path);

} // namespace petalwright::platform
