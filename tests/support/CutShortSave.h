#pragma once

#include <QString>

#include <sys/types.h>

// A save of a settings file cut short in a child of the test: the child runs
// SettingsFile::writeWhole over `path` with a file size limit below what it
// writes, so the write that crosses the limit raises SIGXFSZ mid-save, with
// its new file open and locked. `killed` ends the child there with SIGKILL,
// as a user's kill could; `stopped` keeps it waiting there, a live writer,
// until this object goes (the child is then killed).
class CutShortSave {
public:
    enum class Ending { killed, stopped };

    CutShortSave(const QString& path, Ending ending);
    ~CutShortSave();
    CutShortSave(const CutShortSave&) = delete;
    CutShortSave& operator=(const CutShortSave&) = delete;

    // The save got as far as the limit (and, for `killed`, the child is gone).
    bool reached() const { return m_reached; }

private:
    pid_t m_child = -1;
    bool m_reached = false;
};
