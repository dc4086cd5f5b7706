#pragma once
#include "support/raw_http_server.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tk::test {

// A gateway page for client tests: answers ?C=4 and ?C=3 with set texts, decodes every POSTed statement with
// the built-in symbol list and answers it through a test-given function. Query answers are scrambled (with the
// 10-character trailer when the request carried a clock stamp); execute answers go back as they are.
class FakeGateway {
public:
    struct Statement {
        int command = 0;                // 1 = execute, 2 = query
        std::string post;               // the scrambled text after "post="
        std::optional<std::string> sql; // decoded; nothing when it did not decode
        std::optional<int64_t> stamp;   // the clock stamp, when the request carried one
    };
    using Answer = std::function<std::string(const Statement&)>;

    FakeGateway();
    std::string baseUrl() const { return m_server.baseUrl(); }
    int port() const { return m_server.port(); }
    RawHttpServer& server() { return m_server; }

    void setIp(std::string ip);
    void setClock(std::string clockText);
    void setClocks(std::vector<std::string> inTurn); // one per ?C=3 request, the last one repeating
    void setAnswer(Answer answer);
    void setTrailer(bool on); // off: stamped query answers come without the trailer (a broken gateway)
    std::vector<Statement> statements() const;
    size_t count(const std::string& target) const { return m_server.count(target); }

private:
    RawReply handle(const RawRequest& request);

    mutable std::mutex m_lock;
    std::string m_ip = "127.0.0.1";
    std::vector<std::string> m_clocks{"1700000000"};
    size_t m_clockReads = 0;
    Answer m_answer;
    bool m_trailer = true;
    std::vector<Statement> m_statements;
    RawHttpServer m_server; // last: its threads call handle()
};

} // namespace tk::test
