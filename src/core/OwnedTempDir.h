#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder that says, for as long as it lives, that a running
// process owns it: it holds a file, kOwnerFile, with the owner's pid, on
// which the owner keeps an flock. The kernel drops that lock however the
// process ends (SIGKILL included), and no reused pid can take it over, so a
// later launch can tell the folder of a run that is gone and remove it.
class OwnedTempDir {
public:
    static constexpr auto kOwnerFile = "owner.lock";

    // As QTemporaryDir: `templatePath` ends in "XXXXXX". The folder is
    // marked at once when it can be.
    explicit OwnedTempDir(const QString& templatePath);
    ~OwnedTempDir();
    OwnedTempDir(const OwnedTempDir&) = delete;
    OwnedTempDir& operator=(const OwnedTempDir&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Makes the owner file if it is not there yet (none could be made with
    // no descriptor free, say). Whether the folder is marked now.
    bool mark();

    // Whether the open folder `folder` was left by a run that is gone: it
    // holds an owner file whose lock nobody holds. A folder without one may
    // be anybody's, whatever its name, and is never taken for ours.
    static bool isLeftOver(int folder);

private:
    QTemporaryDir m_dir;
    int m_owner = -1;
};
