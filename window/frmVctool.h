// The status window's logic: start-up, the status display and its refresh,
// and the watchdog. It works on a model of its controls and never calls
// Win32 itself; the view draws the model and forwards events here.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Settings.h"
#include "platform/Types.h"
#include "service/NTServiceControl.h"
#include "service/install.h"
#include "service/ProgramWide.h"
#include "window/Controls.h"
#include "window/Desktop.h"

namespace qv {

// A colour that names a system colour rather than an RGB value: the high bit
// set and the GetSysColor index below it.
inline constexpr Rgb kSystemButtonText = 0x80000012;

inline constexpr Rgb kBlack = MakeRgb(0, 0, 0);
inline constexpr Rgb kStatusBlue = MakeRgb(0, 0, 192);
inline constexpr Rgb kHeadingGrey = MakeRgb(128, 128, 128);
// A command label's text while its command is in progress.
inline constexpr Rgb kBusyGrey = MakeRgb(120, 120, 120);

inline constexpr std::int32_t kCornerEllipse = 26;
inline constexpr std::uint32_t kWmNcLButtonDown = 0xA1;
inline constexpr std::uintptr_t kHtCaption = 2;

inline constexpr int kTmrcheckId = 1;
inline constexpr int kTmrErrorId = 2;
inline constexpr std::uint32_t kRefreshIntervalMs = 800;
inline constexpr std::uint32_t kWatchdogIntervalMs = 8000;

// Title of the boxes the window itself raises.
inline constexpr wchar_t kApplicationTitle[] = L"QVStatusTool";
inline constexpr wchar_t kDependencyTitle[] = L"Quorvel";

inline constexpr wchar_t kServiceKeyName[] = L"QuorvelVC";
inline constexpr wchar_t kServiceDisplayName[] = L"QV Voice Chat Server";

// The service's two files, expected beside the program.
inline constexpr wchar_t kServiceExecutable[] = L"QVVoIPService.exe";
inline constexpr wchar_t kServiceDataFile[] = L"TesmoVoIP.xml";

// Where the start-up finds the language: the settings store, the language
// folder and its files.
struct LanguageSources {
    Settings& settings;
    Folders& folders;
    FileSystem& files;
};

// The two timers' intervals. The shipped program always uses the defaults;
// only the soak test's build shortens the refresh to run thousands of ticks.
struct TimerIntervals {
    std::uint32_t refreshMs = kRefreshIntervalMs;
    std::uint32_t watchdogMs = kWatchdogIntervalMs;
};

class frmVctool {
public:
    frmVctool(NTServiceControl& service, install& installer, Desktop& desktop, ProgramWide& program,
              LanguageSources language, TimerIntervals intervals = {});

    // Creates the window's timers in their design state, then runs the load
    // handler. The view calls it once its window exists.
    void Load();

    void Form_Load();
    void tmrcheck_Timer();
    void Tmr_error_Timer();
    void lblStart_Click();
    void lblStop_Click();
    void lblRestart_Click();
    void lblClose_Click();
    // Routes a tick of timer `id` to its handler.
    void OnTimer(int id);
    // Routes a click on an enabled label to its handler.
    void OnClick(ControlId id);

    std::wstring changelstring(std::wstring& str1) const;

    // Clips the window to a rectangle whose corners are lValue-pixel ellipses.
    void MakeRound(Desktop& pForm, const std::int32_t& lValue);
    // Hands a press on the drag strip to the system's move loop, as if it had
    // landed on a title bar; returns when the move ends.
    void FormDrag(Desktop& TheForm);
    void imgTop_MouseDown(int button, int shift, float x, float y);

    std::int32_t ServiceState() const { return serviceState_; }

    std::wstring fpath;  // the language folder read at start-up

    Label lblStart;
    Label lblStop;
    Label lblRestart;
    Label lblClose;
    Label lblStatus;
    Label lblts;
    Label Label2;
    Timer tmrcheck;
    Timer Tmr_error;

private:
    void RefreshStatus();
    // Stop, Restart, then Start: the order the display has always set them.
    void EnableCommands(bool start, bool stop, bool restart);
    void InstallService();
    // Reads the language settings, loads the language file and, for a
    // language other than English, translates the captions and tooltips.
    void SelectLanguage();
    // Lets window events run until the refresh sees `state`; false when the
    // program ends first.
    bool WaitForState(std::int32_t state);
    // changelstring of a fixed English text.
    std::wstring Translate(const wchar_t* text) const;

    NTServiceControl& service_;
    install& installer_;
    Desktop& desktop_;
    ProgramWide& program_;

    std::int32_t serviceState_ = 0;
    LanguageSources language_;
    std::wstring LanguageName;
    std::wstring LanguageText;
    bool watchdogMessageOpen_ = false;
};

}  // namespace qv
