/* A bridge's serial line attached to an external converter program over a
 * Unix stream socket: bytes leaving the transmit queue go to the socket,
 * bytes the socket sends become received bytes. A peer that hangs up leaves
 * a silent line. */
#ifndef VORNE_SIM_SOCKET_LINE_H
#define VORNE_SIM_SOCKET_LINE_H

#include "line_endpoint.h"

#include <memory>
#include <string>

namespace vorne::sim {

class SocketLine : public LineEndpoint {
public:
    /* Connects to the socket at path; null with error set when it can't. */
    static std::unique_ptr<SocketLine> connectTo(const std::string &path, std::string *error);
    ~SocketLine() override;
    SocketLine(const SocketLine &) = delete;
    SocketLine &operator=(const SocketLine &) = delete;

    void receive(uint8_t byte, int64_t atNs) override;
    void tick(int64_t nowNs) override;
    std::vector<LineReply> takeReplies() override;

private:
    explicit SocketLine(int fd) : fd_(fd) {}
    void flush();

    int fd_;
    std::string outgoing_;
    std::string incoming_;
};

} // namespace vorne::sim

#endif
