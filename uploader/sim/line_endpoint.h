/* Whatever sits on a simulated bridge's serial line: the converter model or
 * an external program over a socket. The bridge hands it each byte as the
 * byte leaves the transmit queue and collects what it says back. */
#ifndef VORNE_SIM_LINE_ENDPOINT_H
#define VORNE_SIM_LINE_ENDPOINT_H

#include <cstdint>
#include <string>
#include <vector>

namespace vorne::sim {

struct LineReply {
    std::string text;
    bool splittable = false; /* a protocol reply the "split" fault may cut in two */
};

class LineEndpoint {
public:
    virtual ~LineEndpoint() = default;
    /* One byte arrived at the far end at atNs. */
    virtual void receive(uint8_t byte, int64_t atNs) = 0;
    /* Lets time-driven behaviour happen; called before every look at the receive queue. */
    virtual void tick(int64_t nowNs) = 0;
    /* What the far end sent since the last call, in order. */
    virtual std::vector<LineReply> takeReplies() = 0;
    /* The far end made the bridge vanish (unplugged). */
    virtual bool unplugged() const { return false; }
};

} // namespace vorne::sim

#endif
