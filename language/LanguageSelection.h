// Finding and loading the language file the user's settings ask for.
#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Security.h"
#include "platform/Settings.h"

namespace qv {

inline constexpr wchar_t kEnglish[] = L"English";

// The language a file in the language folder provides: the first piece of
// its name split at every ".", when the second piece is "txt" in any case
// and the whole name is not "english.txt" in any case. Nothing otherwise,
// including a name without any ".".
std::optional<std::wstring> LanguageOfFile(const std::wstring& name);

struct LanguageChoice {
    std::wstring fpath;         // the language folder from the settings
    std::wstring LanguageName;  // the language from the settings
    std::wstring LanguageText;  // the loaded file; empty when none
};

// Reads the two settings, and loads the last file of the folder that
// provides LanguageName (unless that is "English"). A missing folder is
// created for later runs; every failure leaves the text empty, as does a
// file that anyone but administrators can change.
LanguageChoice SelectLanguage(Settings& settings, Folders& folders, FileSystem& files,
                              Security& security);

}  // namespace qv
