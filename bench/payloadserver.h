#pragma once

#include <QByteArray>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

// A plain blocking socket server on its own thread, so every reader a benchmark compares faces the
// same peer: each connection gets the same payload once its request line has come in, then is closed.
class PayloadServer
{
public:
    using Clock = std::chrono::steady_clock;

    // pieceSize > 0: the payload goes out in writes of that size, each sent at once (no Nagle).
    explicit PayloadServer(QByteArray payload, qsizetype pieceSize = 0)
        : m_payload(std::move(payload)), m_pieceSize(pieceSize)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        ::listen(m_fd, 8);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr *>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~PayloadServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    PayloadServer(const PayloadServer &) = delete;
    PayloadServer &operator=(const PayloadServer &) = delete;

    quint16 port() const { return m_port; }
    // Runs before every piece after the first, on the server's thread: a benchmark that wants each
    // piece to reach the client as a data event of its own waits here until the client has read.
    void setPacer(std::function<void()> pacer) { m_pacer = std::move(pacer); }
    // When the first byte of the latest reply went out.
    Clock::time_point firstByteSent() const { return Clock::time_point(Clock::duration(m_firstByte.load())); }

private:
    void serve()
    {
        while (!m_stop) {
            const int c = ::accept(m_fd, nullptr, nullptr);
            if (c < 0)
                return;
            QByteArray request;
            char buf[256];
            while (!request.contains("/CMD") && !request.contains("/GET")) {
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n <= 0)
                    break;
                request.append(buf, n);
            }
            m_firstByte = Clock::now().time_since_epoch().count();
            if (m_pieceSize > 0) {
                const int one = 1;
                ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            }
            qsizetype off = 0;
            while (off < m_payload.size()) {
                if (off > 0 && m_pieceSize > 0 && m_pacer)
                    m_pacer();
                const qsizetype want = m_pieceSize > 0 ? std::min(m_pieceSize, m_payload.size() - off)
                                                       : m_payload.size() - off;
                const ssize_t n = ::write(c, m_payload.constData() + off, size_t(want));
                if (n <= 0)
                    break;
                off += n;
            }
            ::close(c);
        }
    }

    QByteArray m_payload;
    qsizetype m_pieceSize = 0;
    std::function<void()> m_pacer;
    int m_fd = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<Clock::rep> m_firstByte{0};
    std::thread m_thread;
};
