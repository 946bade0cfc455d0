#include "service/install.h"

#include "platform/Text.h"

namespace qv {
namespace {

constexpr std::uint32_t kOwnProcess = 0x10;
constexpr std::uint32_t kInteractiveProcess = 0x100;
constexpr std::uint32_t kAutoStart = 2;
constexpr std::uint32_t kDemandStart = 3;
constexpr std::uint32_t kErrorIgnore = 0;
constexpr wchar_t kLoadOrderGroup[] = L"1";
constexpr std::size_t kLongestDescription = 255;

// An absent text is handed over as a null pointer, never as an empty one.
const wchar_t* OrNull(const OptionalText& text) { return text ? text->c_str() : nullptr; }

}  // namespace

std::wstring QuotedImagePath(const std::wstring& exePath) {
    // Unquoted, "C:\Program Files\Quorvel\QVVoIPService.exe" would first be
    // tried as "C:\Program.exe", run with the service's rights.
    if (exePath.find(L' ') == std::wstring::npos || exePath.starts_with(L'"')) return exePath;
    return L'"' + exePath + L'"';
}

VbBool install::InstallNTService(const std::wstring& exePath, const std::wstring& svcName,
                                 const std::wstring& svcDisplayName, VbBool interactive,
                                 VbBool autoStart, const OptionalText& machineName,
                                 const OptionalText& accountName,
                                 const OptionalText& accountPassword, const std::wstring&) {
    const std::uint32_t serviceType =
        interactive == VbTrue ? kOwnProcess | kInteractiveProcess : kOwnProcess;
    const std::uint32_t startType = autoStart == VbTrue ? kAutoStart : kDemandStart;
    const std::optional<std::string> machine =
        machineName ? std::optional(EncodeAnsi(*machineName)) : std::nullopt;

    VbBool created = VbFalse;
    {
        const ScopedScHandle manager(
            scm_.OpenSCManagerA(machine ? machine->c_str() : nullptr, nullptr,
                                scm::kScManagerCreateService),
            {&scm_});
        // Without the right to create services the registry is left alone.
        if (!manager) return VbFalse;

        // Registered through the wide call: through the ANSI one, a folder
        // named in another script than the code page's would reach the
        // manager as question marks, a path to nowhere.
        const std::wstring imagePath = QuotedImagePath(exePath);
        std::uint32_t tag = 1;
        const ScopedScHandle service(
            scm_.CreateServiceW(manager.get(), svcName.c_str(), svcDisplayName.c_str(),
                                scm::kServiceAllAccess, serviceType, startType, kErrorIgnore,
                                imagePath.c_str(), kLoadOrderGroup, &tag, nullptr,
                                OrNull(accountName), OrNull(accountPassword)),
            {&scm_});
        created = ToVbBool(static_cast<bool>(service));
    }

    SetServiceDescription(L"", kServiceDescription, kServiceKeyPath);
    return created;
}

void install::SetServiceDescription(const std::wstring&, const std::wstring& description,
                                    const std::wstring& keyPath) {
    const std::string path = EncodeAnsi(keyPath);
    ScopedRegKey ServiceKey(nullptr, {&registry_});
    RegResult = registry_.RegOpenKeyExA(HkeyLocalMachine(), path.c_str(), 0, reg::kKeyAllAccess,
                                        ServiceKey.put());
    if (RegResult == reg::kErrorFileNotFound) {
        const SecurityAttributes security{sizeof(SecurityAttributes), nullptr, VbTrue};
        std::uint32_t disposition = 0;
        RegResult = registry_.RegCreateKeyExA(HkeyLocalMachine(), path.c_str(), 0, nullptr,
                                              reg::kOptionNonVolatile, reg::kKeyAllAccess,
                                              &security, ServiceKey.put(), &disposition);
    }
    if (RegResult != 0) return;

    // REG_SZ data carries its terminating NUL in the byte count.
    const std::string text = EncodeAnsi(description.substr(0, kLongestDescription));
    RegResult = registry_.RegSetValueExA(ServiceKey.get(), "Description", 0, reg::kRegSz,
                                         reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                         static_cast<std::uint32_t>(text.size() + 1));
}

}  // namespace qv
