#include "support/server_process.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>

namespace tk::test {

ServerProcess::~ServerProcess() { stop(); }

bool ServerProcess::start(const std::string& program, const QStringList& args, int timeoutMs) {
    stop();
    m_proc = std::make_unique<QProcess>();
    m_proc->setProcessChannelMode(QProcess::SeparateChannels);
    m_proc->setProgram(QString::fromStdString(program));
    m_proc->setArguments(args);
    m_proc->start();
    if (!m_proc->waitForStarted(timeoutMs)) {
        m_error = "could not start " + program;
        return false;
    }
    static const QRegularExpression addr(R"(((?:\d+\.){3}\d+):(\d+))");
    QByteArray seen;
    while (true) {
        if (m_proc->canReadLine() || m_proc->waitForReadyRead(timeoutMs)) {
            while (m_proc->canReadLine()) {
                QByteArray line = m_proc->readLine();
                seen += line;
                auto m = addr.match(QString::fromUtf8(line));
                if (m.hasMatch()) {
                    m_hostPort = m.captured(0).toStdString();
                    m_port = m.captured(2).toInt();
                    return true;
                }
            }
            continue;
        }
        m_error = "no address line from " + program + ": " + seen.toStdString() +
                  m_proc->readAllStandardError().toStdString();
        return false;
    }
}

void ServerProcess::stop() {
    if (!m_proc) return;
    if (m_proc->state() != QProcess::NotRunning) {
        m_proc->kill();
        m_proc->waitForFinished(5000);
    }
    m_proc.reset();
}

bool ServerProcess::running() const { return m_proc && m_proc->state() == QProcess::Running; }

std::string tempPath(const std::string& name) {
    static QTemporaryDir dir;
    static std::atomic<int> counter{0};
    return QDir(dir.path()).filePath(QString::number(++counter) + "-" + QString::fromStdString(name)).toStdString();
}

} // namespace tk::test
