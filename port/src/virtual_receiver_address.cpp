#include "virtual_receiver_address.h"

#include <cctype>

namespace port::virtual_receiver {

namespace {

constexpr const char* EXAMPLE = " (virtual:udp:127.0.0.1:<port>)";

// A decimal number of at most `maxDigits` digits no larger than `max`.
std::optional<uint32_t> number(std::string_view text, std::size_t maxDigits, uint32_t max) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + uint32_t(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

std::optional<uint32_t> ipv4Of(std::string_view text) {
    if (text == "localhost") return 0x7F00'0001;
    uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const auto end = part < 3 ? text.find('.') : text.size();
        if (end == std::string_view::npos) return std::nullopt;
        const auto byte = number(text.substr(0, end), 3, 255);
        if (!byte) return std::nullopt;
        address = address << 8 | *byte;
        text = part < 3 ? text.substr(end + 1) : std::string_view{};
    }
    return address;
}

bool startsWithUdp(std::string_view text) {
    return text.size() >= 4 && std::tolower(static_cast<unsigned char>(text[0])) == 'u' &&
           std::tolower(static_cast<unsigned char>(text[1])) == 'd' &&
           std::tolower(static_cast<unsigned char>(text[2])) == 'p' && text[3] == ':';
}

}  // namespace

std::string ReceiverAddress::text() const {
    if (kind == Kind::unixSocket) return socketPath;
    return "udp:" + std::to_string(ipv4 >> 24) + "." + std::to_string(ipv4 >> 16 & 0xFF) + "." +
           std::to_string(ipv4 >> 8 & 0xFF) + "." + std::to_string(ipv4 & 0xFF) + ":" + std::to_string(port);
}

std::optional<ReceiverAddress> parseReceiverAddress(std::string_view text, std::string& problem) {
    if (text.empty()) {
        problem = "no address for the virtual receiver";
        return std::nullopt;
    }
    ReceiverAddress address;
    if (!startsWithUdp(text)) {
        address.socketPath = std::string(text);
        return address;
    }
    address.kind = ReceiverAddress::Kind::udp;
    const std::string_view rest = text.substr(4);
    const auto colon = rest.rfind(':');
    const std::string_view host = colon == std::string_view::npos ? std::string_view{} : rest.substr(0, colon);
    const std::string_view portText = colon == std::string_view::npos ? rest : rest.substr(colon + 1);
    if (portText.empty() || (colon == std::string_view::npos && portText.find('.') != std::string_view::npos)) {
        problem = "no UDP port number" + std::string(EXAMPLE);
        return std::nullopt;
    }
    const auto port = number(portText, 5, 65535);
    if (!port || *port == 0) {
        problem = "not a UDP port number (1 to 65535): \"" + std::string(portText) + "\"" + EXAMPLE;
        return std::nullopt;
    }
    address.port = uint16_t(*port);
    if (colon != std::string_view::npos) {
        const auto ipv4 = ipv4Of(host);
        if (!ipv4) {
            problem = "not an IPv4 address: \"" + std::string(host) + "\"" + EXAMPLE;
            return std::nullopt;
        }
        address.ipv4 = *ipv4;
    }
    return address;
}

}  // namespace port::virtual_receiver
