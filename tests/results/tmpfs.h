#pragma once

#include <QDir>
#include <QProcess>

// A small disk of its own (tmpfs, so mounting needs root) for one test, to fill up or make
// read-only; unmounted at the end. isMounted() is false where the test may not mount.
class Tmpfs
{
public:
    // No path: nothing is mounted.
    Tmpfs(const QString &path, const QString &size) : m_path(path)
    {
        m_mounted = !path.isEmpty() && QDir().mkpath(path)
            && mount({"-t", "tmpfs", "-o", "size=" + size, "tmpfs", path});
    }
    ~Tmpfs()
    {
        if (m_mounted)
            mount({"-l", m_path}, QStringLiteral("umount"));
    }
    bool isMounted() const { return m_mounted; }
    bool makeReadOnly() { return m_mounted && mount({"-o", "remount,ro", m_path}); }
    bool resize(const QString &size) { return m_mounted && mount({"-o", "remount,size=" + size, m_path}); }

private:
    static bool mount(const QStringList &arguments, const QString &program = QStringLiteral("mount"))
    {
        QProcess run;
        run.setStandardErrorFile(QProcess::nullDevice()); // "only root can do that" is expected
        run.start(program, arguments);
        return run.waitForFinished(10000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0;
    }

    QString m_path;
    bool m_mounted = false;
};
