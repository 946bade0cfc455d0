#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "service/install.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"

namespace qv {
namespace {

using Texts = std::vector<std::string>;

constexpr wchar_t kSpacedPath[] = LR"(C:\Program Files\Quorvel\QVVoIPService.exe)";
const std::string kQuotedPath = R"("C:\Program Files\Quorvel\QVVoIPService.exe")";
const std::string kKey = R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)";
const std::string kOpen = "RegOpenKeyExA(" + kKey + ", 0, 983103)";
const std::string kCreate = "RegCreateKeyExA(" + kKey + ", 0, null, 0, 983103)";
const std::string kSet = "RegSetValueExA(Description, 0, 1, 26)";
const std::string kClose = "RegCloseKey()";

std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

class InstallTest : public ::testing::Test {
protected:
    VbBool Install(const std::wstring& path, VbBool interactive, VbBool autoStart,
                   const OptionalText& machine = std::nullopt,
                   const OptionalText& account = std::nullopt,
                   const OptionalText& password = std::nullopt) {
        return installer.InstallNTService(path, L"QuorvelVC", L"QV Voice Chat Server",
                                          interactive, autoStart, machine, account, password, L"");
    }
    std::string Description(const std::string& key = kKey) const {
        const fake::RegistryValue* value = registry.Value(key, "Description");
        return value ? std::string(value->data.begin(), value->data.end()) : "<none>";
    }

    fake::FakeServiceManager manager;
    fake::FakeRegistry registry;
    install installer{manager, registry};
};

TEST_F(InstallTest, WithoutCreateRightsNothingElseHappens) {
    manager.managerAccess = scm::kScManagerConnect;
    EXPECT_EQ(Install(kSpacedPath, VbTrue, VbTrue, L"BUILD01"), VbFalse);
    EXPECT_EQ(manager.CallTexts(), Texts{"OpenSCManagerA(BUILD01, null, 0x2)"});
    EXPECT_TRUE(manager.creates.empty());
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(InstallTest, CreatesWithExactArgumentsAndWritesTheDescriptionAfterClosing) {
    std::vector<std::size_t> registryCallsAtClose;
    manager.onCall = [&](const std::string& call) {
        if (call == "CloseServiceHandle") registryCallsAtClose.push_back(registry.calls.size());
    };
    EXPECT_EQ(Install(kSpacedPath, VbFalse, VbTrue), VbTrue);

    const fake::CreateCall expected{"QuorvelVC", "QV Voice Chat Server", 0xF01FF, 16, 2, 0,
                                    kQuotedPath, "1", 1u, std::nullopt, std::nullopt,
                                    std::nullopt};
    ASSERT_EQ(manager.creates.size(), 1u);
    EXPECT_EQ(manager.creates[0], expected);
    EXPECT_EQ(manager.CallTexts(),
              (Texts{"OpenSCManagerA(null, null, 0x2)", "CreateServiceA(#1, QuorvelVC, 0xf01ff, 2)",
                     "CloseServiceHandle(#2)", "CloseServiceHandle(#1)"}));
    EXPECT_EQ(registryCallsAtClose, (std::vector<std::size_t>{0, 0}));
    EXPECT_EQ(manager.OpenHandleCount(), 0);
    EXPECT_EQ(registry.calls, (Texts{kOpen, kCreate, kSet, kClose}));
    EXPECT_EQ(Description(), std::string("Quorvel Voice Chat Server") + '\0');
}

TEST_F(InstallTest, FlagsCountAsTrueOnlyWhenTheyHoldMinusOne) {
    struct Case { VbBool interactive, autoStart; std::uint32_t type, start; };
    const Case cases[] = {{0, 0, 16, 3}, {1, 1, 16, 3}, {-1, -1, 272, 2}, {-1, 0, 272, 3},
                          {0, -1, 16, 2}};
    for (const Case& c : cases) {
        manager = {};
        Install(kSpacedPath, c.interactive, c.autoStart);
        ASSERT_EQ(manager.creates.size(), 1u);
        EXPECT_EQ(manager.creates[0].serviceType, c.type) << c.interactive;
        EXPECT_EQ(manager.creates[0].startType, c.start) << c.autoStart;
    }
}

TEST_F(InstallTest, AbsentAccountAndPasswordDifferFromEmptyOnes) {
    Install(kSpacedPath, VbFalse, VbTrue, std::nullopt, std::nullopt, std::nullopt);
    Install(kSpacedPath, VbFalse, VbTrue, std::nullopt, L"", L"");
    Install(kSpacedPath, VbFalse, VbTrue, std::nullopt, LR"(.\qv)", L"secret");
    ASSERT_EQ(manager.creates.size(), 3u);
    EXPECT_EQ(manager.creates[0].account, std::nullopt);
    EXPECT_EQ(manager.creates[0].password, std::nullopt);
    EXPECT_EQ(manager.creates[1].account, "");
    EXPECT_EQ(manager.creates[1].password, "");
    EXPECT_EQ(manager.creates[2].account, R"(.\qv)");
    EXPECT_EQ(manager.creates[2].password, "secret");
}

TEST_F(InstallTest, RefusedCreationReturnsFalseButStillWritesTheDescription) {
    manager.AddService("QuorvelVC");
    EXPECT_EQ(Install(kSpacedPath, VbFalse, VbTrue), VbFalse);
    EXPECT_EQ(manager.Calls()[1].error, static_cast<std::uint32_t>(scm::kErrorServiceExists));
    EXPECT_EQ(manager.OpenHandleCount(), 0);
    EXPECT_EQ(Description(), std::string("Quorvel Voice Chat Server") + '\0');
}

TEST_F(InstallTest, BlankPathsAreQuotedOnce) {
    struct Case { std::wstring path; std::string registered; };
    const Case cases[] = {{kSpacedPath, kQuotedPath},
                          {LR"(C:\Quorvel\QVVoIPService.exe)", R"(C:\Quorvel\QVVoIPService.exe)"},
                          {LR"("C:\Program Files\Quorvel\QVVoIPService.exe")", kQuotedPath}};
    for (const Case& c : cases) {
        manager = {};
        Install(c.path, VbFalse, VbTrue);
        ASSERT_EQ(manager.creates.size(), 1u);
        EXPECT_EQ(manager.creates[0].binaryPath, c.registered);
    }
    EXPECT_EQ(QuotedImagePath(L"a b"), L"\"a b\"");
    EXPECT_EQ(QuotedImagePath(L"ab"), L"ab");
    EXPECT_EQ(QuotedImagePath(L"\"a b\""), L"\"a b\"");
}

TEST_F(InstallTest, ExistingKeyIsOpenedWrittenAndClosed) {
    registry.keys[Folded(kKey)]["ImagePath"] = {1, {'x', 0}};
    installer.SetServiceDescription(L"", kServiceDescription, kServiceKeyPath);
    EXPECT_EQ(registry.calls, (Texts{kOpen, kSet, kClose}));
    EXPECT_EQ(installer.RegResult, 0);
    EXPECT_EQ(registry.OpenKeys(), 0);
    EXPECT_EQ(registry.Value(kKey, "Description")->type, reg::kRegSz);
    EXPECT_EQ(registry.keys[Folded(kKey)].size(), 2u);
}

TEST_F(InstallTest, MissingKeyIsCreatedHoldingOnlyTheDescription) {
    installer.SetServiceDescription(L"", kServiceDescription, kServiceKeyPath);
    EXPECT_EQ(registry.calls, (Texts{kOpen, kCreate, kSet, kClose}));
    ASSERT_TRUE(registry.lastSecurity.has_value());
    EXPECT_EQ(registry.lastSecurity->nLength, sizeof(void*) == 8 ? 24u : 12u);
    EXPECT_EQ(registry.lastSecurity->lpSecurityDescriptor, nullptr);
    EXPECT_EQ(registry.lastSecurity->bInheritHandle, -1);
    EXPECT_EQ(registry.keys[Folded(kKey)].size(), 1u);
    EXPECT_EQ(Description(), std::string("Quorvel Voice Chat Server") + '\0');
    EXPECT_EQ(installer.RegResult, 0);
    EXPECT_EQ(registry.OpenKeys(), 0);
}

TEST_F(InstallTest, RegResultKeepsTheLastCallsFailure) {
    struct Case { std::string call; std::int32_t status; Texts calls; };
    const Case cases[] = {{"RegOpenKeyExA", 5, {kOpen}},
                          {"RegCreateKeyExA", 5, {kOpen, kCreate}},
                          {"RegSetValueExA", 87, {kOpen, kCreate, kSet, kClose}}};
    for (const Case& c : cases) {
        fake::FakeRegistry failing;
        install writer(manager, failing);
        failing.FailNext(c.call, c.status);
        writer.SetServiceDescription(L"", kServiceDescription, kServiceKeyPath);
        EXPECT_EQ(failing.calls, c.calls) << c.call;
        EXPECT_EQ(writer.RegResult, c.status) << c.call;
        EXPECT_EQ(failing.Value(kKey, "Description"), nullptr) << c.call;
        EXPECT_EQ(failing.OpenKeys(), 0) << c.call;
    }
}

TEST_F(InstallTest, DescriptionIsCutTo255CharactersPlusItsTerminator) {
    const std::wstring key = L"SOFTWARE\\T";
    installer.SetServiceDescription(L"", std::wstring(300, L'x'), key);
    EXPECT_EQ(registry.calls[2], "RegSetValueExA(Description, 0, 1, 256)");
    EXPECT_EQ(Description("SOFTWARE\\T"), std::string(255, 'x') + '\0');

    installer.SetServiceDescription(L"", std::wstring(255, L'y'), key);
    EXPECT_EQ(Description("SOFTWARE\\T"), std::string(255, 'y') + '\0');

    installer.SetServiceDescription(L"", L"", key);
    EXPECT_EQ(registry.calls.back(), kClose);
    EXPECT_EQ(registry.calls[registry.calls.size() - 2], "RegSetValueExA(Description, 0, 1, 1)");
    EXPECT_EQ(Description("SOFTWARE\\T"), std::string(1, '\0'));
}

}  // namespace
}  // namespace qv
