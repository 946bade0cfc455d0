#include "Behaviour.h"

#include <charconv>
#include <limits>
#include <string>

namespace qv::standin {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Notepad saves "Unicode" as UTF-16LE with a byte order mark. Every name and
// value the file can usefully hold is ASCII, so keeping the low byte of each
// unit is enough; anything else turns into '?' and fails to parse.
std::string Narrowed(std::string_view bytes) {
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(bytes[i + 1] == '\0' ? bytes[i] : '?');
    return text;
}

// Lower-cased, with comments removed so a commented-out element stays out.
// An unterminated comment swallows the rest of the file, as it would for a
// real XML reader.
std::string Normalised(std::string_view xml) {
    const std::string text = Narrowed(xml);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find("<!--", pos);
        const std::size_t end = (open == std::string::npos) ? text.size() : open;
        for (std::size_t i = pos; i < end; ++i) out.push_back(LowerAscii(text[i]));
        if (open == std::string::npos) break;
        const std::size_t close = text.find("-->", open + 4);
        if (close == std::string::npos) break;
        pos = close + 3;
    }
    return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

// The text of the first <name>...</name> element (name already lower case);
// empty for <name/>; nothing when there is no such element.
std::optional<std::string_view> ElementText(std::string_view xml, std::string_view name) {
    std::size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (xml.substr(pos, name.size()) != name) continue;
        const std::size_t after = pos + name.size();
        // "<StartPendingMsX>" is a different element.
        if (after >= xml.size() || !(xml[after] == '>' || xml[after] == '/' || IsSpace(xml[after])))
            continue;
        const std::size_t tagEnd = xml.find('>', after);
        if (tagEnd == std::string_view::npos) return std::nullopt;
        if (xml[tagEnd - 1] == '/') return std::string_view{};
        const std::size_t close = xml.find("</", tagEnd + 1);
        if (close == std::string_view::npos) return std::nullopt;
        return Trimmed(xml.substr(tagEnd + 1, close - tagEnd - 1));
    }
    return std::nullopt;
}

std::optional<std::int64_t> Integer(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> Milliseconds(std::string_view xml, std::string_view name) {
    const auto text = ElementText(xml, name);
    if (!text) return std::nullopt;
    const auto value = Integer(*text);
    if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<bool> Flag(std::string_view xml, std::string_view name) {
    const auto text = ElementText(xml, name);
    if (!text) return std::nullopt;
    if (*text == "true" || *text == "yes" || *text == "1") return true;
    if (*text == "false" || *text == "no" || *text == "0") return false;
    return std::nullopt;
}

}  // namespace

Behaviour ParseBehaviour(std::string_view xml) {
    const std::string text = Normalised(xml);
    Behaviour behaviour;
    if (const auto ms = Milliseconds(text, "startpendingms")) behaviour.startPendingMs = *ms;
    if (const auto ms = Milliseconds(text, "stoppendingms")) behaviour.stopPendingMs = *ms;
    if (const auto stay = Flag(text, "staypending")) behaviour.stayPending = *stay;
    // A negative or unreadable delay is "never": the safe reading, since these
    // two only ever make the service misbehave.
    behaviour.pauseAfterMs = Milliseconds(text, "pauseafterms");
    return behaviour;
}

}  // namespace qv::standin
