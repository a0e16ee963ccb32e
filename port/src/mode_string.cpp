#include "mode_string.h"

#include <cctype>
#include <string>
#include <vector>

namespace port {

namespace {

std::string lowerTrimmed(std::string_view text) {
    std::string out;
    for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

std::optional<uint32_t> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return value;
}

// Both forms also take the two-digit abbreviations (96 for 9600).
std::optional<uint32_t> parseBaud(std::string_view text) {
    const auto value = parseNumber(text);
    if (!value || *value == 0) return std::nullopt;
    switch (*value) {
        case 11: return 110;
        case 15: return 150;
        case 30: return 300;
        case 60: return 600;
        case 12: return 1200;
        case 24: return 2400;
        case 48: return 4800;
        case 96: return 9600;
        case 19: return 19200;
        default: return value;
    }
}

std::optional<Parity> parseParity(std::string_view text) {
    if (text == "n") return Parity::none;
    if (text == "o") return Parity::odd;
    if (text == "e") return Parity::even;
    if (text == "m") return Parity::mark;
    if (text == "s") return Parity::space;
    return std::nullopt;
}

std::optional<int> parseDataBits(std::string_view text) {
    const auto value = parseNumber(text);
    if (!value || *value < 5 || *value > 8) return std::nullopt;
    return static_cast<int>(*value);
}

std::optional<StopBits> parseStopBits(std::string_view text) {
    if (text == "1") return StopBits::one;
    if (text == "1.5") return StopBits::onePointFive;
    if (text == "2") return StopBits::two;
    return std::nullopt;
}

std::optional<bool> parseSwitch(std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

std::optional<LineControl> parseDtr(std::string_view text) {
    if (text == "on") return LineControl::on;
    if (text == "off") return LineControl::off;
    if (text == "hs") return LineControl::handshake;
    return std::nullopt;
}

std::optional<LineControl> parseRts(std::string_view text) {
    if (text == "tg") return LineControl::toggle;
    return parseDtr(text);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto end = text.find(separator, start);
        parts.push_back(lowerTrimmed(std::string_view(text).substr(start, end - start)));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// Sets one field from its text; an empty text leaves it alone.
template <class T, class Parse>
bool setField(std::optional<T>& field, const std::string& text, Parse parse) {
    if (text.empty()) return true;
    field = parse(text);
    return field.has_value();
}

// The short form's last field names the handshake; without it the line
// control is reset to plain DTR and RTS on, no flow control.
bool setHandshake(ModeSettings& settings, const std::string& letter) {
    const bool hardware = letter == "p";
    if (!letter.empty() && letter != "x" && !hardware) return false;
    settings.xonXoff = letter == "x";
    settings.outputCtsFlow = hardware;
    settings.outputDsrFlow = hardware;
    settings.dtr = hardware ? LineControl::handshake : LineControl::on;
    settings.rts = hardware ? LineControl::handshake : LineControl::on;
    return true;
}

std::optional<ModeSettings> parseShortForm(const std::string& text) {
    ModeSettings settings;
    if (text.empty()) return settings;
    const std::vector<std::string> fields = split(text, ',');
    if (fields.size() > 5) return std::nullopt;
    const std::string none;
    auto field = [&](std::size_t i) -> const std::string& { return i < fields.size() ? fields[i] : none; };
    const bool ok = setField(settings.baud, field(0), parseBaud) && setField(settings.parity, field(1), parseParity) &&
                    setField(settings.dataBits, field(2), parseDataBits) &&
                    setField(settings.stopBits, field(3), parseStopBits) && setHandshake(settings, field(4));
    if (!ok) return std::nullopt;
    return settings;
}

std::optional<ModeSettings> parseKeywordForm(const std::string& text) {
    ModeSettings settings;
    for (const std::string& word : split(text, ' ')) {
        if (word.empty()) continue;
        const auto equals = word.find('=');
        if (equals == std::string::npos) return std::nullopt;
        const std::string key = word.substr(0, equals);
        const std::string value = word.substr(equals + 1);
        if (value.empty()) return std::nullopt;
        bool ok = false;
        if (key == "baud") ok = setField(settings.baud, value, parseBaud);
        else if (key == "parity") ok = setField(settings.parity, value, parseParity);
        else if (key == "data") ok = setField(settings.dataBits, value, parseDataBits);
        else if (key == "stop") ok = setField(settings.stopBits, value, parseStopBits);
        else if (key == "to") ok = setField(settings.infiniteTimeout, value, parseSwitch);
        else if (key == "xon") ok = setField(settings.xonXoff, value, parseSwitch);
        else if (key == "odsr") ok = setField(settings.outputDsrFlow, value, parseSwitch);
        else if (key == "octs") ok = setField(settings.outputCtsFlow, value, parseSwitch);
        else if (key == "dtr") ok = setField(settings.dtr, value, parseDtr);
        else if (key == "rts") ok = setField(settings.rts, value, parseRts);
        else if (key == "idsr") ok = setField(settings.dsrSensitivity, value, parseSwitch);
        if (!ok) return std::nullopt;
    }
    return settings;
}

}  // namespace

std::optional<ModeSettings> parseModeSettings(std::string_view mode) {
    const auto colon = mode.find(':');
    const std::string text = lowerTrimmed(colon == std::string_view::npos ? mode : mode.substr(colon + 1));
    auto settings = text.find('=') != std::string::npos ? parseKeywordForm(text) : parseShortForm(text);
    // The old rate keeps the two stop bits its teleprinters needed.
    if (settings && settings->baud == 110u && !settings->stopBits) settings->stopBits = StopBits::two;
    return settings;
}

}  // namespace port
