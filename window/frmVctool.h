// The status window's logic: start-up, the status display and its refresh,
// the watchdog and the commands, with the mouse and keys in `input`. It works
// on a model of its controls and never calls Win32 itself; the view draws the
// model and forwards events here.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "language/LanguageText.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Security.h"
#include "platform/Settings.h"
#include "service/NTServiceControl.h"
#include "service/ProgramWide.h"
#include "service/install.h"
#include "window/Controls.h"
#include "window/Desktop.h"
#include "window/Input.h"

namespace qv {

inline constexpr int kTmrcheckId = 1;
inline constexpr int kTmrErrorId = 2;
inline constexpr int kTmrMarkedWaitId = 3;
inline constexpr std::uint32_t kRefreshIntervalMs = 800;
inline constexpr std::uint32_t kWatchdogIntervalMs = 8000;

// The two timers' intervals. The program uses the defaults; a soak run
// shortens the refresh to run thousands of ticks.
struct TimerIntervals {
    std::uint32_t refreshMs = kRefreshIntervalMs;
    std::uint32_t watchdogMs = kWatchdogIntervalMs;
};

// Where the start-up finds the language: the settings store, the language
// folder and its files.
struct LanguageSources {
    Settings& settings;
    Folders& folders;
    FileSystem& files;
};

class frmVctool final : public Commands {
    // The labels' models in kLabelIds' order; first, as the names below refer to them.
    std::array<Label, kLabelIds.size()> labels_;

public:
    frmVctool(NTServiceControl& service, install& installer, Desktop& desktop, Process& process,
              ProgramWide& program, Security& security, LanguageSources language,
              TimerIntervals intervals = {});

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
    // Routes a tick of timer `id` to its handler, if that timer is due.
    void OnTimer(int id);

    std::wstring changelstring(std::wstring& str1) const;

    // The window moved to a screen of another density and took its size
    // there: its rounded outline follows.
    void DensityChanged();
    // Clips the window to a rectangle whose corners are lValue-pixel ellipses.
    void MakeRound(Desktop& pForm, const std::int32_t& lValue);
    // Hands a press on the drag strip to the system's move loop, as if it had
    // landed on a title bar; returns when the move ends.
    void FormDrag(Desktop& TheForm);
    // A press of any button on the drag strip; (x, y) in the client area, in
    // pixels. Nothing but the press itself matters.
    void imgTop_MouseDown(int button, int shift, int x, int y) override;
    bool Enabled(ControlId id) const override { return LabelFor(id)->Enabled(); }
    void Click(ControlId id) override;

    // The label model of a control; null for the lines and images.
    const Label* LabelFor(ControlId id) const;
    std::int32_t ServiceState() const { return serviceState_; }

    std::wstring fpath;  // the language folder read at start-up

    Label& lblStart;
    Label& lblStop;
    Label& lblRestart;
    Label& lblClose;
    Label& lblStatus;
    Label& lblts;
    Label& Label2;
    Timer tmrcheck;
    Timer Tmr_error;
    // The longest Start waits for a registration marked for deletion to go:
    // the watchdog's interval, one shot.
    Timer tmrMarkedWait;
    Input input;

private:
    // A command's wait, for as long as it lets window events run.
    class Waiting {
    public:
        explicit Waiting(frmVctool& form);
        ~Waiting();
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;

    private:
        frmVctool& form_;
    };

    Label& LabelOf(ControlId id);
    void RefreshStatus();
    // The commands the service's state offers; shown at once unless a
    // command waits.
    void EnableCommands(bool start, bool stop, bool restart);
    // Stop, Restart, then Start: the order the display has always set them;
    // then the focus leaves a command they greyed.
    void ShowCommands();
    // Stop's and Restart's first step: `pressed` greys and waits, `other`
    // turns black, the service is asked to stop; false when the request was
    // refused or the wait gave up.
    bool StopAndWait(Label& pressed, Label& other);
    // Whether nobody but administrators can change what the service would
    // run; otherwise a box says what and who, and false.
    bool MayRegister();
    VbBool InstallService();
    // Start's retry: the refused registration deleted and made afresh;
    // false when the program ends meanwhile.
    bool Reinstall();
    // Reads the language settings, loads the language file and, for a
    // language other than English, translates the captions and tooltips.
    void SelectLanguage();
    // Lets window events run until the refresh sees `state`; false when the
    // program ends first or a refresh finds the service gone.
    bool WaitForState(std::int32_t state);
    // Lets window events run until a refresh finds the service gone or
    // tmrMarkedWait runs out; false when the program ends first.
    bool WaitUntilGone();
    // changelstring of a fixed English text.
    std::wstring Translate(const wchar_t* text) const;

    NTServiceControl& service_;
    install& installer_;
    Desktop& desktop_;
    Process& process_;
    ProgramWide& program_;
    Security& security_;

    std::int32_t serviceState_ = 0;
    LanguageSources language_;
    std::wstring LanguageName;
    qv::LanguageText LanguageText;
    bool watchdogMessageOpen_ = false;
    int vanished_ = 0;  // refreshes that found the service not installed
    int waiting_ = 0;   // commands' waits running
    // What the last refresh offered: Start, Stop, Restart.
    bool offerStart_ = true, offerStop_ = true, offerRestart_ = true;
};

}  // namespace qv
