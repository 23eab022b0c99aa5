#include "socket_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace vorne::sim {

std::unique_ptr<SocketLine> SocketLine::connectTo(const std::string &path, std::string *error) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) {
        *error = "socket path empty or too long: " + path;
        return nullptr;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return nullptr;
    }
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        *error = "cannot connect to " + path + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<SocketLine>(new SocketLine(fd));
}

SocketLine::~SocketLine() {
    flush();
    ::close(fd_);
}

void SocketLine::receive(uint8_t byte, int64_t) { outgoing_.push_back(static_cast<char>(byte)); }

void SocketLine::flush() {
    while (!outgoing_.empty() && fd_ >= 0) {
        ssize_t n = ::send(fd_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL);
        if (n > 0) {
            outgoing_.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            /* Peer full or gone: a serial line drops what the far end can't take. */
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                outgoing_.clear();
            return;
        }
    }
}

void SocketLine::tick(int64_t) {
    flush();
    char buf[512];
    for (;;) {
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            incoming_.append(buf, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

std::vector<LineReply> SocketLine::takeReplies() {
    std::vector<LineReply> replies;
    if (!incoming_.empty()) {
        replies.push_back({incoming_, false});
        incoming_.clear();
    }
    return replies;
}

} // namespace vorne::sim
