// The product as Windows and its users know it; each name is spelled here
// once, and nowhere else in the program.
#pragma once

namespace qv {

// The service's key name: the ANSI form opens it, the wide form registers it
// and names its registry key.
#define QV_SERVICE_KEY_NAME "QuorvelVC"
inline constexpr char ServiceName[] = QV_SERVICE_KEY_NAME;
inline constexpr wchar_t kServiceKeyName[] = L"" QV_SERVICE_KEY_NAME;
inline constexpr wchar_t kServiceKeyPath[] = L"SYSTEM\\CurrentControlSet\\Services\\" QV_SERVICE_KEY_NAME;
#undef QV_SERVICE_KEY_NAME

inline constexpr wchar_t kServiceDisplayName[] = L"QV Voice Chat Server";
inline constexpr wchar_t kServiceDescription[] = L"Quorvel Voice Chat Server";

// The service's two files, expected beside the program.
inline constexpr wchar_t kServiceExecutable[] = L"QVVoIPService.exe";
inline constexpr wchar_t kServiceDataFile[] = L"TesmoVoIP.xml";

// The window's caption, which its task bar button shows.
inline constexpr wchar_t kWindowCaption[] = L"Voice Chat Service Status Tool";
// Titles of the two message boxes: the watchdog's carries the program's
// name, the missing-file one the company's.
inline constexpr wchar_t kApplicationTitle[] = L"QVStatusTool";
inline constexpr wchar_t kDependencyTitle[] = L"Quorvel";

}  // namespace qv
