// An orsad started by a test on a free loopback port, with its own database
// (or one it is given), self-signed certificate and first-account password
// in a temporary directory. Waits are bounded and end on orsad's own log
// lines.
#ifndef ORSADPROCESS_H
#define ORSADPROCESS_H

#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>

class OrsadProcess
{
public:
    // The password orsad gives "admin" in the databases it creates here.
    static QByteArray adminPassword() { return QByteArrayLiteral("admin"); }

    // database: empty for a SQLite file of its own, or a postgresql:// URI,
    // which gets the temporary directory as its state directory.
    explicit OrsadProcess(const QString& database = {});
    ~OrsadProcess();
    OrsadProcess(const OrsadProcess&) = delete;
    OrsadProcess& operator=(const OrsadProcess&) = delete;

    // Starts orsad and waits until it listens on host (a loopback literal);
    // the first start picks a free port, later starts reuse it.
    bool start(const QStringList& extraArguments = {},
               const QString& host = QStringLiteral("127.0.0.1"));
    // The port the next start() listens on instead of a free one.
    void setPort(quint16 port) { m_port = port; }
    // Waits for a started orsad to end by itself; its exit code, or -1.
    int waitForExit();
    // SIGKILL, then waits for the process to end.
    void kill();
    // SIGTERM; the exit code, or -1 when it did not exit normally in time.
    int terminate();
    // SIGSTOP, returning once the process has stopped; SIGCONT.
    void pause(bool paused);

    quint16 port() const { return m_port; }
    QString directory() const { return m_dir.path(); }
    QString certificate() const { return m_dir.filePath(QStringLiteral("orsad-cert.pem")); }
    // Waits until that many log lines since start() match pattern.
    bool waitForLog(const QRegularExpression& pattern, int timeoutMs = 20000, int lines = 1);
    QStringList log() const { return m_log; }

private:
    void collect();

    QTemporaryDir m_dir;
    QString m_database;
    QProcess m_process;
    quint16 m_port = 0;
    QStringList m_log;
    QByteArray m_partial;
};

// A loopback port that nothing listens on (bound, then released at once).
quint16 closedLoopbackPort();

#endif // ORSADPROCESS_H
