#include "virtual_receiver.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <vector>

#include "receiver_port.h"
#include "serial_names.h"
#include "virtual_receiver_edges.h"
#include "virtual_receiver_line.h"
#include "virtual_receiver_protocol.h"

namespace port {

namespace {

using virtual_receiver::BurstMessage;
using virtual_receiver::CounterRate;
using virtual_receiver::ReceiverSocket;

// A burst is meant for the next moments. One whose start lies further from
// now (a sender on the wall clock, a damaged time) would hold the line for
// ever or never show: it is dropped and counted.
constexpr int64_t MAX_START_DISTANCE_NS = 1'000'000'000;
// Between two looks into the socket while DCD is polled. A sender that
// schedules its frames this far ahead is never seen late; the look itself
// is the only system call of a DCD poll.
constexpr int64_t PICK_UP_INTERVAL_NS = 500'000;
// Messages taken in one look: a sender flooding the socket costs a poll of
// DCD no more than this; the rest wait in the socket, whose buffer the
// system bounds.
constexpr int MAX_MESSAGES_PER_LOOK = 64;

std::atomic<uint64_t> droppedMalformed{0}, droppedMistimed{0}, droppedCollided{0};

class VirtualReceiverDevice final : public ReceiverPort {
public:
    VirtualReceiverDevice(std::unique_ptr<ReceiverSocket> socket, TimingSystem& clock, std::string name)
        : socket_(std::move(socket)),
          clock_(clock),
          rate_{clock.counterFrequency()},
          name_(std::move(name)),
          line_(rate_),
          recorder_(*socket_, clock, mutex_, [this](int64_t now) { pickUpFrames(now); }) {}
    ~VirtualReceiverDevice() override { close(); }

    bool escape(LineFunction function) override {
        std::lock_guard lock(mutex_);
        switch (function) {
            case LineFunction::setRts: rts_ = true; break;
            case LineFunction::clearRts: rts_ = false; break;
            case LineFunction::setDtr: dtr_ = true; break;
            case LineFunction::clearDtr: dtr_ = false; break;
        }
        recorder_.setPowered(rts_ && !dtr_, clock_.counter());
        return true;
    }

    bool modemStatus(uint32_t& status) override {
        std::lock_guard lock(mutex_);
        const int64_t now = clock_.counter();
        if (now >= nextPickUp_) {
            recorder_.pickUp(now);
            nextPickUp_ = now + rate_.fromNs(PICK_UP_INTERVAL_NS);
        }
        const bool powered = rts_ && !dtr_;
        const bool low = line_.lowAt(now);
        status = powered && !low ? static_cast<uint32_t>(ModemLine::carrier) : 0;
        return true;
    }

    LineEdges* edges() override { return &recorder_.edges(); }

    bool close() override {
        recorder_.stop();
        if (!socket_) return false;
        socket_.reset();
        return true;
    }

private:
    // Takes the bursts that have arrived and puts them on the line; other
    // messages are dropped and counted, the first of each open port named
    // on standard error for whoever writes a sender.
    void pickUpFrames(int64_t now) {
        if (!socket_) return;
        BurstMessage message;
        std::vector<virtual_receiver::Stretch> stretches;
        const int64_t maxDistance = rate_.fromNs(MAX_START_DISTANCE_NS);
        for (int looked = 0; looked < MAX_MESSAGES_PER_LOOK; ++looked) {
            const int64_t got = socket_->receive(&message, sizeof message);
            if (got < 0) break;
            if (!virtual_receiver::readBurst(message, size_t(got), stretches)) {
                ++droppedMalformed;
                if (!toldOfDrop_)
                    reportRefusal(name_, "dropped a message that is no burst of line levels; "
                                         "further ones are dropped silently");
                toldOfDrop_ = true;
                continue;
            }
            // Over UDP the sender's clock is not ours: the burst begins when
            // it is taken (read again for each, never before it arrived).
            const int64_t taken = clock_.counter();
            const int64_t start =
                message.startNs == 0 || !socket_->sendersShareClock() ? taken : message.startNs;
            if (start > taken + maxDistance || start < taken - maxDistance) {
                ++droppedMistimed;
                continue;
            }
            // DCD and the edges show the burst at the same moment: after
            // anything either has told already, and after the bursts before.
            if (line_.schedule(stretches, std::max(start, recorder_.toldUntil() + 1)))
                recorder_.schedule(line_.lastStart(), line_.lastLevels());
            else
                ++droppedCollided;
        }
        // The edges may be all the caller reads: bursts over by now go, or
        // a line whose DCD is never polled would keep every one.
        line_.forgetBefore(now);
    }

    std::unique_ptr<ReceiverSocket> socket_;
    TimingSystem& clock_;
    const CounterRate rate_;
    const std::string name_;
    bool rts_ = false;
    bool dtr_ = false;
    bool toldOfDrop_ = false;
    int64_t nextPickUp_ = INT64_MIN;
    virtual_receiver::Line line_;
    // The thread that records the line's edges shares the device's state;
    // the lock is uncontended while DCD is polled between its wake-ups.
    std::mutex mutex_;
    virtual_receiver::LineRecorder recorder_;
};

}  // namespace

DroppedBursts virtualReceiverDropped() { return {droppedMalformed, droppedMistimed, droppedCollided}; }

std::unique_ptr<SerialDevice> virtualReceiverOn(std::unique_ptr<ReceiverSocket> socket, TimingSystem& clock,
                                                std::string name) {
    return std::make_unique<VirtualReceiverDevice>(std::move(socket), clock, std::move(name));
}

std::unique_ptr<SerialDevice> openVirtualReceiver(const std::string& address) {
    std::string why;
    const auto parsed = virtual_receiver::parseReceiverAddress(address, why);
    std::unique_ptr<ReceiverSocket> socket;
    if (parsed) socket = virtual_receiver::openReceiverSocket(*parsed, why);
    if (!socket) {
        reportRefusal("virtual:" + address, "cannot open the virtual receiver: " + why);
        return nullptr;
    }
    return virtualReceiverOn(std::move(socket), systemTiming(), "virtual:" + address);
}

}  // namespace port
