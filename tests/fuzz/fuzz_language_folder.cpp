// Input: fields separated by the byte 0x1E: flags, the Language setting, the
// LFOLDER setting, then (file name, file bytes) pairs in the folder's listing
// order. A text field starting with 0xFF is UTF-16LE, any other is ANSI, so
// names and settings reach beyond the code page. The flags byte: bit 0 the
// folder exists, bit 1 its listing is readable, bit 2 the Language setting is
// present, bit 3 run the whole window start-up as well; each later flags
// byte, one per file, picks how reading it goes.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "language/LanguageSelection.h"
#include "language/LanguageText.h"
#include "platform/Text.h"
#include "tests/fakes/FakeDesktop.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "tests/fuzz/FuzzChecks.h"
#include "window/frmVctool.h"

namespace {

using qv::fuzz::Check;
using qv::fake::FakeFileSystem;

std::wstring Wide(std::string_view field) {
    if (field.empty() || static_cast<unsigned char>(field[0]) != 0xFF) return qv::DecodeAnsi(field);
    std::wstring text;
    for (std::size_t i = 1; i + 1 < field.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(field[i]) |
                                            static_cast<unsigned char>(field[i + 1]) << 8));
    return text;
}

std::wstring LowerAscii(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return s;
}

// The rule a language file's name follows, written out independently.
bool Provides(const std::wstring& name, const std::wstring& language) {
    const auto dot = name.find(L'.');
    if (dot == std::wstring::npos || LowerAscii(name) == L"english.txt") return false;
    const auto next = name.find(L'.', dot + 1);
    const std::wstring second = name.substr(dot + 1, next == std::wstring::npos ? next : next - dot - 1);
    return LowerAscii(second) == L"txt" && name.substr(0, dot) == language;
}

struct File {
    std::wstring name;
    std::string bytes;
    FakeFileSystem::ReadFailure read = FakeFileSystem::ReadFailure::None;
    bool exists = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> fields;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0;;) {
        const std::size_t end = input.find('\x1E', start);
        fields.push_back(input.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos || fields.size() == 40) break;
        start = end + 1;
    }
    while (fields.size() < 3) fields.emplace_back();
    const std::string_view flags = fields[0];
    const unsigned mode = flags.empty() ? 7u : static_cast<unsigned char>(flags[0]);
    const std::wstring language = (mode & 4) ? Wide(fields[1]) : std::wstring(qv::kEnglish);
    const std::wstring folder = Wide(fields[2]);

    qv::fake::FakeSettings settings;
    qv::fake::FakeFolders folders;
    FakeFileSystem files;
    if (mode & 4) settings.Set(L"Language", Wide(fields[1]));
    settings.Set(L"LFOLDER", folder);
    if (mode & 1) folders.folders[folder];
    if (!(mode & 2)) folders.unreadable.insert(folder);

    std::vector<File> listing;
    std::set<std::wstring> seen;  // the fake's paths ignore ASCII case, as NTFS does
    for (std::size_t i = 3; i < fields.size(); i += 2) {
        File file{Wide(fields[i]), i + 1 < fields.size() ? std::string(fields[i + 1]) : ""};
        const std::size_t index = (i - 3) / 2 + 1;
        const unsigned how = index < flags.size() ? static_cast<unsigned char>(flags[index]) % 4 : 0;
        file.read = how == 1 ? FakeFileSystem::ReadFailure::Fail
                  : how == 2 ? FakeFileSystem::ReadFailure::OutOfMemory
                             : FakeFileSystem::ReadFailure::None;
        file.exists = how != 3;
        if (!seen.insert(LowerAscii(file.name)).second) continue;
        const std::wstring path = folder + L"\\" + file.name;
        if (file.exists) files.AddFile(path, file.bytes);
        files.FailReads(path, file.read);
        if (mode & 1) folders.folders[folder].push_back(file.name);
        listing.push_back(std::move(file));
    }

    const qv::LanguageChoice choice = qv::SelectLanguage(settings, folders, files);
    Check(choice.fpath == folder && choice.LanguageName == language, "the settings as read");
    Check(folders.makeAttempts == ((mode & 1) ? 0 : 1), "a missing folder is made, once");

    std::string expected;
    for (const File& file : listing) {
        const bool provides = Provides(file.name, language);
        const auto of = qv::LanguageOfFile(file.name);
        Check((of && *of == language) == provides, "the file's language follows its name");
        if (provides && language != qv::kEnglish && (mode & 3) == 3)
            expected = file.exists && file.read == FakeFileSystem::ReadFailure::None ? file.bytes : "";
    }
    if (language == qv::kEnglish) Check(files.reads == 0, "English reads no file");
    Check(choice.LanguageText.size() == expected.size() &&
              qv::EncodeAnsi(choice.LanguageText) == expected,
          "the text is the last providing file's, or empty");

    if (mode & 8) {
        qv::fake::FakeServiceManager manager;
        qv::fake::FakeDesktop desktop;
        qv::fake::FakeRegistry registry;
        qv::ProgramWide program;
        qv::NTServiceControl service(manager, files, program);
        qv::install installer(manager, registry);
        qv::frmVctool form(service, installer, desktop, program, {settings, folders, files});
        form.Load();
        const std::wstring& text = choice.LanguageText;
        Check(form.fpath == folder, "the window keeps the folder it read");
        Check(form.lblStatus.Caption() == L"Stopped", "the first status text is English");
        Check(form.lblStart.Caption() == L"Start" ||
                  (!text.empty() && qv::fuzz::IsEntryValue(text, 5, form.lblStart.Caption())),
              "Start's caption is English or an entry of the file");
        Check(form.lblts.Caption().starts_with(L"Quorvel "), "the title keeps its prefix");
        Check(manager.OpenHandleCount() == 0, "no service handle left open");
    }
    return 0;
}
