// The status window's logic: start-up, the status display and its refresh,
// the watchdog, the commands and the mouse. It works on a model of its
// controls and never calls Win32 itself; the view draws the model and
// forwards events here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "language/LanguageText.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "platform/Settings.h"
#include "service/NTServiceControl.h"
#include "service/ProgramWide.h"
#include "service/install.h"
#include "window/Controls.h"
#include "window/Desktop.h"

namespace qv {

inline constexpr int kTmrcheckId = 1;
inline constexpr int kTmrErrorId = 2;
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

// The keys the window acts on.
enum class Key { Tab, Enter, Space, Escape };

class frmVctool final : private LabelObserver {
public:
    frmVctool(NTServiceControl& service, install& installer, Desktop& desktop, Process& process,
              ProgramWide& program, LanguageSources language, TimerIntervals intervals = {});

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

    // The mouse over the window's client area, in pixels. `button`: 1 left,
    // 2 right, 4 middle; `shift`: 1 Shift, 2 Ctrl, 4 Alt.
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int x, int y);
    // The window lost the mouse capture a press gave it.
    void CaptureLost() { pressed_.reset(); }
    // A screen reader's default action on a control: a click, under the
    // same rules as the mouse's.
    void DoDefaultAction(ControlId id);

    // A key pressed while the window has the keyboard (`shift`: Shift held).
    // Tab and Shift+Tab move the focus among the enabled commands, Enter and
    // Space press the focused one as a click does, Escape closes.
    void KeyDown(Key key, bool shift);
    // The command with the keyboard focus, if any.
    std::optional<ControlId> Focused() const { return focus_; }

    std::wstring changelstring(std::wstring& str1) const;

    // The window moved to a screen of another density and took its size
    // there: its rounded outline follows.
    void DensityChanged();
    // Clips the window to a rectangle whose corners are lValue-pixel ellipses.
    void MakeRound(Desktop& pForm, const std::int32_t& lValue);
    // Hands a press on the drag strip to the system's move loop, as if it had
    // landed on a title bar; returns when the move ends.
    void FormDrag(Desktop& TheForm);
    void imgTop_MouseDown(int button, int shift, float x, float y);

    // The label model of a control; null for the lines and images.
    const Label* LabelFor(ControlId id) const;
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
    // Stop, Restart, then Start: the order the display has always set them;
    // then the focus leaves a command they greyed.
    void EnableCommands(bool start, bool stop, bool restart);
    void InstallService();
    // Reads the language settings, loads the language file and, for a
    // language other than English, translates the captions and tooltips.
    void SelectLanguage();
    // Lets window events run until the refresh sees `state`; false when the
    // program ends first or a refresh finds the service gone.
    bool WaitForState(std::int32_t state);
    // changelstring of a fixed English text.
    std::wstring Translate(const wchar_t* text) const;
    // A command label takes clicks while it is enabled.
    bool Clickable(ControlId id) const;
    void OnClick(ControlId id);
    void LabelChanged(ControlId id, LabelProperty what) override;
    // The next enabled command after `from` (none: from the start) in the
    // focus order, forwards or backwards, wrapping; `serviceCommandsOnly`
    // leaves Close out.
    std::optional<ControlId> NextEnabled(std::optional<ControlId> from, bool forward,
                                         bool serviceCommandsOnly) const;
    void SetFocus(std::optional<ControlId> id);

    NTServiceControl& service_;
    install& installer_;
    Desktop& desktop_;
    Process& process_;
    ProgramWide& program_;

    std::int32_t serviceState_ = 0;
    LanguageSources language_;
    std::wstring LanguageName;
    qv::LanguageText LanguageText;
    bool watchdogMessageOpen_ = false;
    int vanished_ = 0;  // refreshes that found the service not installed
    // The command label the left button went down on, while it is held.
    std::optional<ControlId> pressed_;
    std::optional<ControlId> focus_;
    int pressing_ = 0;  // commands running, a waiting one's nested presses too
};

}  // namespace qv
