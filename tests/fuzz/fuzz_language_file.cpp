// Input: one byte n, n bytes of a key, then a language file's bytes. The file
// goes through the file seam and its decoding (UTF-8 or UTF-16 after a byte
// order mark; without one well-formed UTF-8, else the ANSI code page); the
// key, the program's keys and the keys the file defines are looked up. Each
// answer must be the key itself or an entry's whole translation, never with
// a line end in it, and the case of a key's letters must not change what it
// finds.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "language/LanguageText.h"
#include "platform/Text.h"
#include "tests/fakes/FakeFiles.h"

namespace {

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

std::wstring_view Trim(std::wstring_view s) {
    const auto first = s.find_first_not_of(L' ');
    return first == std::wstring_view::npos ? L"" : s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

// Whether `value` stands after "=>" on a line that begins with a key of
// `length` characters, up to that line's end or the text's (the language
// text ends every line with one LF).
bool IsEntryValue(std::wstring_view text, std::size_t length, std::wstring_view value) {
    const std::wstring needle = L"=>" + std::wstring(value);
    for (auto at = text.find(needle); at != std::wstring_view::npos; at = text.find(needle, at + 1)) {
        const std::size_t end = at + needle.size();
        if ((end == text.size() || text[end] == L'\n') && at >= length + 1 && text[at - length - 1] == L'\n')
            return true;
    }
    return false;
}

void LookUp(const std::wstring& key, const qv::LanguageText& language) {
    std::wstring str1 = key;
    const std::wstring result = qv::changelstring(str1, language);
    Check(result == (Trim(str1).empty() ? key : str1), "the result is the translation or the key");
    if (str1 != key)
        Check(!Trim(key).empty() && str1.find_first_of(L"\r\n") == std::wstring::npos &&
                  IsEntryValue(language.Text(), Trim(key).size(), str1),
              "a translation is an entry's whole value");
    std::wstring flipped(Trim(key));
    for (wchar_t& c : flipped)
        if ((c | 0x20) >= L'a' && (c | 0x20) <= L'z') c ^= 0x20;
    Check(language.Find(Trim(key)) == language.Find(flipped), "letter case changes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t keyBytes = std::min<std::size_t>(data[0], size - 1);
    const std::string bytes = input.substr(1 + keyBytes);
    qv::fake::FakeFiles files;
    files.AddFile(L"C:\\Lang\\Fuzz.txt", bytes);
    const std::wstring text = qv::ReadTextFile(files, L"C:\\Lang\\Fuzz.txt");
    const auto utf8 = qv::DecodeWellFormedUtf8(bytes);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        Check(text.size() <= bytes.size() - 3, "a UTF-8 character takes at least a byte");
    else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        Check(text.size() == (bytes.size() - 1) / 2, "a UTF-16 unit takes two bytes, one left over one");
    else
        Check((utf8 && text == *utf8) || qv::EncodeAnsi(text) == bytes,
              "without a mark the text is well-formed UTF-8 or keeps every byte in the code page");

    const qv::LanguageText language(text);
    std::vector<std::wstring> keys{qv::DecodeAnsi(input.substr(1, keyBytes)), L"Start", L"Stopped"};
    const std::wstring& lines = language.Text();
    for (std::size_t line = lines.find(L'\n'); line != std::wstring::npos && keys.size() < 16;
         line = lines.find(L'\n', line + 1))
        keys.push_back(lines.substr(line + 1, std::min<std::size_t>(lines.find(L"=>", line) - line - 1, 256)));
    for (const std::wstring& key : keys) LookUp(key, language);
    return 0;
}
