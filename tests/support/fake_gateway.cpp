#include "support/fake_gateway.h"

#include "gateway/codec.h"

#include <algorithm>

namespace tk::test {

FakeGateway::FakeGateway() : m_server([this](const RawRequest& r) { return handle(r); }) {}

void FakeGateway::setIp(std::string ip) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ip = std::move(ip);
}

void FakeGateway::setClock(std::string clockText) {
    setClocks({std::move(clockText)});
}

void FakeGateway::setClocks(std::vector<std::string> inTurn) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_clocks = std::move(inTurn);
    if (m_clocks.empty()) m_clocks.emplace_back();
    m_clockReads = 0;
}

void FakeGateway::setAnswer(Answer answer) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_answer = std::move(answer);
}

void FakeGateway::setTrailer(bool on) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_trailer = on;
}

std::vector<FakeGateway::Statement> FakeGateway::statements() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_statements;
}

RawReply FakeGateway::handle(const RawRequest& request) {
    std::unique_lock<std::mutex> guard(m_lock);
    const std::string& t = request.target;
    if (t.size() >= 4 && t.compare(t.size() - 4, 4, "?C=4") == 0) return RawReply{m_ip, {}};
    if (t.size() >= 4 && t.compare(t.size() - 4, 4, "?C=3") == 0) {
        const std::string& clock = m_clocks[std::min(m_clockReads, m_clocks.size() - 1)];
        ++m_clockReads;
        return RawReply{clock, {}};
    }
    if (request.method != "POST") return RawReply{"not a gateway request", {}};

    Statement s;
    if (request.body.rfind("C=1&post=", 0) == 0) s.command = 1;
    if (request.body.rfind("C=2&post=", 0) == 0) s.command = 2;
    s.post = request.body.size() > 9 ? request.body.substr(9) : "";
    std::string plain = Unscramble(s.post, false);
    // The client's symbols are letters, so a leading run of digits is the clock stamp.
    size_t digits = plain.find_first_not_of("0123456789");
    if (digits == std::string::npos) digits = plain.size();
    if (digits > 0) s.stamp = std::stoll(plain.substr(0, digits));
    s.sql = SymbolDecode(plain.substr(digits), SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c"));
    m_statements.push_back(s);
    Answer answer = m_answer;
    const bool trailer = m_trailer && s.stamp.has_value();
    guard.unlock();

    std::string text = answer ? answer(s) : std::string();
    if (s.command == 2 && !text.empty()) text = Scramble(trailer ? text + "0123456789" : text, std::nullopt);
    return RawReply{text, {}};
}

} // namespace tk::test
