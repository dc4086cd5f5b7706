#pragma once
#include <QProcess>
#include <QStringList>
#include <memory>
#include <string>

namespace tk::test {
// A server program of ours (taoke-gateway, sample-search) started as a child for one test.
// The program prints one line with "host:port" (possibly after other words) once it listens;
// start() waits for that line. The child is killed when the object goes.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Returns false (and leaves a reason in error()) when the program did not report its address in time.
    bool start(const std::string& program, const QStringList& args, int timeoutMs = 10000);
    void stop();
    bool running() const;

    std::string hostPort() const { return m_hostPort; }      // "127.0.0.1:PORT"
    int port() const { return m_port; }
    std::string baseUrl() const { return "http://" + m_hostPort + "/"; }
    std::string error() const { return m_error; }
    QProcess& process() { return *m_proc; }

private:
    std::unique_ptr<QProcess> m_proc;
    std::string m_hostPort;
    int m_port = 0;
    std::string m_error;
};

// A fresh temporary file name (the file itself does not exist yet) in a folder that lives for the test run.
std::string tempPath(const std::string& name);
} // namespace tk::test
