#include "orsadprocess.h"

#include <QtCore/QDeadlineTimer>
#include <QtCore/QFile>

#include <cerrno>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

OrsadProcess::OrsadProcess(const QString& database) : m_database(database)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QFile password(m_dir.filePath(QStringLiteral("admin-password")));
    if (password.open(QIODevice::WriteOnly))
        password.write(adminPassword() + '\n');
    password.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

OrsadProcess::~OrsadProcess()
{
    kill();
}

bool OrsadProcess::start(const QStringList& extraArguments, const QString& host)
{
    m_log.clear();
    m_partial.clear();
    QStringList arguments{QStringLiteral("--database")};
    if (m_database.isEmpty())
        arguments << m_dir.filePath(QStringLiteral("orsa.db"));
    else
        arguments << m_database << QStringLiteral("--state-dir") << m_dir.path();
    arguments << QStringList{
        QStringLiteral("--listen"), QStringLiteral("[%1]:%2").arg(host).arg(m_port),
        QStringLiteral("--admin-password-file"), m_dir.filePath(QStringLiteral("admin-password"))};
    m_process.start(QStringLiteral(ORSAD_PATH), arguments + extraArguments);
    if (!m_process.waitForStarted(20000))
        return false;
    static const QRegularExpression listening(QStringLiteral("listening on \\S+:(\\d+)"));
    if (!waitForLog(listening))
        return false;
    for (const QString& line : m_log) {
        const QRegularExpressionMatch match = listening.match(line);
        if (match.hasMatch())
            m_port = quint16(match.captured(1).toUInt());
    }
    return m_port != 0;
}

int OrsadProcess::waitForExit()
{
    if (!m_process.waitForFinished(20000) && m_process.state() != QProcess::NotRunning)
        return -1;
    collect();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void OrsadProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(20000);
    collect();
}

int OrsadProcess::terminate()
{
    if (m_process.state() == QProcess::NotRunning)
        return -1;
    m_process.terminate();
    return waitForExit();
}

void OrsadProcess::pause(bool paused)
{
    const pid_t pid = pid_t(m_process.processId());
    if (pid <= 0 || ::kill(pid, paused ? SIGSTOP : SIGCONT) != 0 || !paused)
        return;
    // The signal is only queued: until the process has stopped, its threads
    // may still answer. WNOWAIT leaves the state for QProcess to collect.
    siginfo_t info{};
    while (::waitid(P_PID, id_t(pid), &info, WSTOPPED | WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
}

bool OrsadProcess::waitForLog(const QRegularExpression& pattern, int timeoutMs, int lines)
{
    QDeadlineTimer deadline(timeoutMs);
    int checked = 0;
    int matched = 0;
    for (;;) {
        collect();
        for (; checked < m_log.size(); ++checked)
            if (pattern.match(m_log.at(checked)).hasMatch() && ++matched == lines)
                return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

void OrsadProcess::collect()
{
    m_partial += m_process.readAll();
    int end = 0;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_log << QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
    }
}

quint16 closedLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}
