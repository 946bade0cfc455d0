#include "platform/win32/SecurityWin32.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/win32/Handles.h"

namespace qv {
namespace {

using UniqueLocal = UniqueAny<HLOCAL, CloseWith<&::LocalFree>>;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) return {};
    const UniqueLocal owned(text);
    return text;
}

}  // namespace

std::optional<std::wstring> SecurityWin32::FinalPath(const std::wstring& path) {
    // Backup semantics open a folder as well as a file; no access is asked.
    const UniqueFile object(CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!object) return std::nullopt;
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(object.get(), buffer.data(),
                                                       static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            std::wstring final(buffer.data(), length);
            if (final.starts_with(LR"(\\?\UNC\)")) return L"\\" + final.substr(7);
            if (final.starts_with(LR"(\\?\)")) return final.substr(4);
            return final;
        }
        buffer.resize(length);
    }
}

std::optional<ObjectSecurity> SecurityWin32::SecurityOf(const std::wstring& path) {
    // The link itself, when the path ends in one: who can change where it
    // leads is what counts for it.
    const UniqueFile object(CreateFileW(path.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!object) return std::nullopt;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object.get(), SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                        &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueLocal owned(descriptor);

    ObjectSecurity security{SidText(owner), std::nullopt};
    if (dacl == nullptr) return security;
    security.allowed.emplace();
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return std::nullopt;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        const bool inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            // Both lay out the mask and the SID alike.
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            security.allowed->push_back({SidText(&allowed->SidStart), allowed->Mask, inheritOnly});
            break;
        }
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
            // Not met on files; counted as someone unnamed, so never trusted.
            security.allowed->push_back({L"", static_cast<ACCESS_ALLOWED_OBJECT_ACE*>(ace)->Mask,
                                         inheritOnly});
            break;
        default:
            break;  // denials and audits
        }
    }
    return security;
}

std::wstring SecurityWin32::CurrentUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return {};
    return SidText(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
}

std::wstring SecurityWin32::AccountName(const std::wstring& sid) {
    PSID binary = nullptr;
    if (sid.empty() || !ConvertStringSidToSidW(sid.c_str(), &binary)) return sid;
    const UniqueLocal owned(binary);
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use{};
    if (!LookupAccountSidW(nullptr, binary, name, &nameSize, domain, &domainSize, &use)) return sid;
    return domain[0] != L'\0' ? std::wstring(domain) + L'\\' + name : std::wstring(name);
}

}  // namespace qv
