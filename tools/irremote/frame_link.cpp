#include "frame_link.h"

#include <cerrno>
#include <cstring>

#include "serial_names.h"

namespace irremote {

using port::virtual_receiver::FrameSender;

std::string receiverAddressForPort(const std::string& comName, std::string& whyNot) {
    const port::SerialTarget target = port::serialTargetFor(comName);
    if (target.backend == port::SerialTarget::Backend::virtualReceiver) return target.path;
    if (target.backend == port::SerialTarget::Backend::none)
        whyNot = comName + ": " + target.problem + " (" + target.origin + ")";
    else
        whyNot = comName + " leads to the device " + target.path + ", not to a virtual receiver";
    return {};
}

void FrameLink::send(const TimedFrame& frame) {
    const auto result = sender_.send(port::virtual_receiver::stretchesOf(rumblet::irframe::pulseTrain(frame.frame, 0)), frame.atNs + LEAD_NS);
    const bool listening = result == FrameSender::Result::sent;
    if (listening) ++sent_;
    else ++lost_;
    if (listening != listening_ && log_) {
        switch (result) {
            case FrameSender::Result::sent: log_("receiver listening at " + sender_.address()); break;
            case FrameSender::Result::noReceiver:
                log_("no receiver listening at " + sender_.address() +
                     " (frames are lost until rumblet opens its port there)");
                break;
            case FrameSender::Result::busy:
                log_("the receiver at " + sender_.address() + " is not reading its line; frames are lost");
                break;
            case FrameSender::Result::failed:
                log_("cannot send to " + sender_.address() + ": " + std::strerror(errno));
                break;
        }
    }
    listening_ = listening;
}

std::string frameText(const IrFrame& frame) {
    // Grouped as the fields: start, controller, speed 1, speed 2, start
    // frame, fire, turret, parity.
    static constexpr int groupEnds[] = {1, 3, 8, 13, 14, 15, 17, 18};
    std::string text;
    int bit = 0;
    for (int end : groupEnds) {
        if (!text.empty()) text += ' ';
        for (; bit < end; ++bit) text += frame[size_t(bit)] ? '1' : '0';
    }
    return text;
}

}  // namespace irremote
