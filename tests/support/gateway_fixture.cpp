#include "support/gateway_fixture.h"

#include "support/paths.h"

#include <QProcess>

namespace tk::test {

GatewayFixture::GatewayFixture() : m_dbPath(tempPath("gateway.db")) {}

GatewayFixture::~GatewayFixture() { stop(); }

bool GatewayFixture::start(const QStringList& extraArgs) {
    const std::string program = gatewayBinary();
    if (program.empty()) {
        m_error = "taoke-gateway was not built";
        return false;
    }
    QStringList args{"serve", "--db", QString::fromStdString(m_dbPath), "--listen", "127.0.0.1:0"};
    args += extraArgs;
    if (!m_server.start(program, args)) {
        m_error = m_server.error();
        return false;
    }
    return true;
}

void GatewayFixture::stop() { m_server.stop(); }

bool GatewayFixture::admin(const QStringList& args, std::string* output) {
    QProcess proc;
    proc.setProgram(QString::fromStdString(gatewayBinary()));
    proc.setArguments(args + QStringList{"--db", QString::fromStdString(m_dbPath)});
    proc.start();
    if (!proc.waitForStarted(10000) || !proc.waitForFinished(30000)) {
        proc.kill();
        proc.waitForFinished(5000);
        m_error = "taoke-gateway admin command did not finish";
        return false;
    }
    if (output) *output = proc.readAllStandardOutput().toStdString();
    if (proc.exitStatus() != QProcess::NormalExit || proc.exitCode() != 0) {
        m_error = proc.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

} // namespace tk::test
