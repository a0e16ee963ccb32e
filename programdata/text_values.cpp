#include "programdata/text_values.h"

#include <limits>

namespace rumblet {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isFieldSeparator(char c) { return isBlank(c) || c == ',' || c == '\r' || c == '\n'; }

}  // namespace

std::string formatNumberLine(int32_t value) {
    const int64_t wide = value;  // the magnitude of INT32_MIN does not fit 32 bits
    std::string line = wide < 0 ? "-" : " ";
    line += std::to_string(wide < 0 ? -wide : wide);
    line += ' ';
    line += LINE_END;
    return line;
}

int32_t parseLeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) return 0;
    }
    if (digits == 0) return 0;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) return 0;
    return static_cast<int32_t>(value);
}

std::string textField(std::string_view line) {
    line = line.substr(0, line.find(','));
    size_t first = 0;
    while (first < line.size() && isBlank(line[first])) ++first;
    size_t last = line.size();
    while (last > first && isBlank(line[last - 1])) --last;
    return std::string(line.substr(first, last - first));
}

bool LineReader::next(std::string& line) {
    line.clear();
    std::streambuf* buf = in_.rdbuf();
    if (!buf) return false;
    using traits = std::streambuf::traits_type;
    int c = buf->sbumpc();
    if (c == traits::eof()) return false;
    for (; c != traits::eof(); c = buf->sbumpc()) {
        if (c == '\n') return true;
        if (c == '\r') {
            if (buf->sgetc() == '\n') buf->sbumpc();
            return true;
        }
        if (line.size() < MAX_LINE_CHARS) line += static_cast<char>(c);
    }
    return true;
}

bool NumberReader::next(int32_t& value) {
    std::streambuf* buf = in_.rdbuf();
    if (!buf) return false;
    using traits = std::streambuf::traits_type;
    int c = buf->sbumpc();
    while (c != traits::eof() && isFieldSeparator(static_cast<char>(c))) c = buf->sbumpc();
    if (c == traits::eof()) return false;
    std::string field;
    for (; c != traits::eof() && !isFieldSeparator(static_cast<char>(c)); c = buf->sbumpc()) {
        if (field.size() < MAX_FIELD_CHARS) field += static_cast<char>(c);
    }
    value = parseLeadingNumber(field);
    return true;
}

}  // namespace rumblet
