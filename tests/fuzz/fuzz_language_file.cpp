// Input: one byte n, then n bytes of an arbitrary key, then the language
// file's bytes. The file goes through the file seam and its decoding (UTF-8
// after the byte order mark, else the ANSI code page),
// then every key the window translates, the arbitrary one and the keys the
// file itself defines are looked up.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "language/LanguageText.h"
#include "platform/Text.h"
#include "tests/fakes/FakeFiles.h"
#include "tests/fuzz/FuzzChecks.h"

namespace {

using qv::changelstring;
using qv::fuzz::Check;
using qv::fuzz::IsEntryValue;

constexpr std::wstring_view kCrLf = L"\r\n";
constexpr std::wstring_view kArrow = L"=>";

const wchar_t* const kProgramKeys[] = {
    L"Voice Chat Server", L"Tool", L"Service", L"Status", L"Start", L"Stop", L"Restart",
    L"Stopped", L"Running",
    L"Unable to Start due to a dependency file missing. Please re-install Voice Chat Service Tool",
    (L"Problem in running Quorvel Voice Chat Service Tool. Please re-install Voice Chat Service "
     L"Tool")};

std::wstring_view Trim(std::wstring_view s) {
    const auto first = s.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

std::wstring FlipAsciiCase(std::wstring_view s) {
    std::wstring out(s);
    for (wchar_t& c : out)
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) c ^= 0x20;
    return out;
}

// Looks key up and returns what the argument holds afterwards.
std::wstring LookUp(const std::wstring& key, const qv::LanguageText& language) {
    const std::wstring_view text = language.Text();
    std::wstring str1 = key;
    const std::wstring result = changelstring(str1, language);
    const std::wstring_view trimmed = Trim(key);
    const bool changed = str1 != key;
    const bool present =
        !trimmed.empty() &&
        text.find(std::wstring(kCrLf) + std::wstring(trimmed) + std::wstring(kArrow)) !=
            std::wstring_view::npos;

    Check(result == (Trim(str1).empty() ? key : str1), "result is the translation or the key");
    if (trimmed.empty() || text.empty()) Check(!changed, "a blank key or no text changes nothing");
    if (changed || present) {
        // The match may be an earlier entry whose key differs only in case.
        Check(str1.find(kCrLf) == std::wstring::npos, "a translation holds no line break");
        Check(IsEntryValue(text, trimmed.size(), str1), "a translation is an entry's value");
    }
    return str1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t keyBytes = std::min<std::size_t>(data[0], size - 1);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view keyPart = input.substr(1, keyBytes);
    const std::string_view fileBytes = input.substr(1 + keyBytes);

    qv::fake::FakeFiles files;
    const std::wstring path = LR"(C:\Lang\Fuzz.txt)";
    files.AddFile(path, std::string(fileBytes));
    const std::wstring text = qv::ReadTextFile(files, path);
    if (fileBytes.starts_with("\xEF\xBB\xBF")) {
        Check(text.size() <= fileBytes.size() - 3, "a UTF-8 character takes at least a byte");
    } else {
        Check(text.size() == fileBytes.size(), "one character per byte in a single-byte code page");
        Check(qv::EncodeAnsi(text) == fileBytes, "the decoding keeps every byte");
    }

    // Each lookup scans the whole text: on the huge inputs a few keys check
    // the same invariants at a quarter of the cost, which keeps the fuzzer's
    // pace when its corpus fills with them; the key variants do not depend on
    // the text's size at all.
    const bool huge = text.size() > 64 * 1024;
    std::vector<std::wstring> keys(std::begin(kProgramKeys),
                                   huge ? std::begin(kProgramKeys) + 2 : std::end(kProgramKeys));
    keys.push_back(qv::DecodeAnsi(keyPart));
    // The keys the file defines: each line's text before its first "=>".
    for (std::size_t line = text.find(kCrLf), n = 0; line != std::wstring::npos && n < 16;
         line = text.find(kCrLf, line + 2), ++n) {
        const std::size_t start = line + 2;
        const std::size_t arrow = text.find(kArrow, start);
        const std::size_t next = text.find(kCrLf, start);
        if (arrow != std::wstring::npos && arrow < next && arrow - start <= 512)
            keys.push_back(text.substr(start, arrow - start));
    }

    const bool variants = text.size() <= 16 * 1024;
    const qv::LanguageText language(text);
    for (const std::wstring& key : keys) {
        const std::wstring found = LookUp(key, language);
        if (!variants || Trim(key).empty()) continue;
        // Blanks around a key and the case of its ASCII letters do not change
        // which entry it finds; only the unchanged argument differs.
        for (const std::wstring& variant : {L"  " + key + L" ", FlipAsciiCase(key)}) {
            const std::wstring variantFound = LookUp(variant, language);
            if (variantFound != variant) Check(found == variantFound, "a variant finds more");
            if (found != key) Check(variantFound == found, "a variant finds another entry");
        }
    }
    return 0;
}
