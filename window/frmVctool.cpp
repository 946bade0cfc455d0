#include "window/frmVctool.h"

#include <utility>

#include "language/LanguageSelection.h"
#include "service/Product.h"
#include "window/Layout.h"

namespace qv {
namespace {

// Which member models each label, and which handler its click runs.
struct Binding {
    ControlId id;
    Label frmVctool::*label;
    void (frmVctool::*click)();
};

constexpr Binding kBindings[] = {
    {ControlId::lblStart, &frmVctool::lblStart, &frmVctool::lblStart_Click},
    {ControlId::lblStop, &frmVctool::lblStop, &frmVctool::lblStop_Click},
    {ControlId::lblRestart, &frmVctool::lblRestart, &frmVctool::lblRestart_Click},
    {ControlId::lblClose, &frmVctool::lblClose, &frmVctool::lblClose_Click},
    {ControlId::lblStatus, &frmVctool::lblStatus, nullptr},
    {ControlId::lblts, &frmVctool::lblts, nullptr},
    {ControlId::Label2, &frmVctool::Label2, nullptr},
};

const Binding* BindingOf(ControlId id) {
    for (const Binding& binding : kBindings)
        if (binding.id == id) return &binding;
    return nullptr;
}

constexpr int kLeftButton = 1;

}  // namespace

frmVctool::frmVctool(NTServiceControl& service, install& installer, Desktop& desktop,
                     Process& process, ProgramWide& program, LanguageSources language,
                     TimerIntervals intervals)
    : lblStart(*this, ControlId::lblStart),
      lblStop(*this, ControlId::lblStop),
      lblRestart(*this, ControlId::lblRestart),
      lblClose(*this, ControlId::lblClose),
      lblStatus(*this, ControlId::lblStatus),
      lblts(*this, ControlId::lblts),
      Label2(*this, ControlId::Label2),
      tmrcheck(desktop, kTmrcheckId, intervals.refreshMs, true),
      Tmr_error(desktop, kTmrErrorId, intervals.watchdogMs, false),
      service_(service),
      installer_(installer),
      desktop_(desktop),
      process_(process),
      program_(program),
      language_(language) {}

void frmVctool::Load() {
    Tmr_error.Create();
    tmrcheck.Create();
    Form_Load();
}

void frmVctool::Form_Load() {
    DensityChanged();

    lblStart.SetForeColor(kBlack);

    std::wstring appPath = process_.ProgramFolder();
    if (appPath.empty() || appPath.back() != L'\\') appPath += L'\\';
    program_.AppPath = appPath;

    RefreshStatus();

    // Last, so the first status text is always English.
    SelectLanguage();
}

void frmVctool::DensityChanged() {
    MakeRound(desktop_, TwipsToPixels(kCornerEllipseTwips, desktop_.TwipsPerPixelX()));
}

void frmVctool::MakeRound(Desktop& pForm, const std::int32_t& lValue) {
    const std::int32_t width = TwipsToPixels(pForm.WidthTwips(), pForm.TwipsPerPixelX());
    const std::int32_t height = TwipsToPixels(pForm.HeightTwips(), pForm.TwipsPerPixelY());
    pForm.SetWindowRgn(pForm.CreateRoundRectRgn(0, 0, width, height, lValue, lValue), true);
}

void frmVctool::FormDrag(Desktop& TheForm) {
    // A press on a title bar (HTCAPTION) starts the system's move loop.
    constexpr std::uint32_t kWmNcLButtonDown = 0xA1;
    constexpr std::uintptr_t kHtCaption = 2;
    TheForm.ReleaseCapture();
    TheForm.SendMessageA(kWmNcLButtonDown, kHtCaption, 0);
}

void frmVctool::imgTop_MouseDown(int, int, float, float) { FormDrag(desktop_); }

void frmVctool::MouseDown(int button, int shift, int x, int y) {
    const float twipsPerPixel = desktop_.TwipsPerPixelX();
    const ControlLayout* target = ControlAt(x, y, twipsPerPixel);
    if (target == nullptr) return;
    if (target->id == ControlId::imgTop) {
        const PixelRect strip = ControlRect(*target, twipsPerPixel);
        imgTop_MouseDown(button, shift, static_cast<float>(x - strip.left) * twipsPerPixel,
                         static_cast<float>(y - strip.top) * twipsPerPixel);
        return;
    }
    // A disabled label does not react: a press on it starts no click, even
    // if the label is enabled by the time the button comes up.
    if (button == kLeftButton && Clickable(target->id)) {
        pressed_ = target->id;
        desktop_.SetCapture();
    }
}

void frmVctool::MouseUp(int x, int y) {
    if (!pressed_) return;
    const ControlId pressed = *pressed_;
    pressed_.reset();
    desktop_.ReleaseCapture();
    // A click is a press and a release on the same label, which must still
    // be enabled: a command started meanwhile may have disabled it.
    const ControlLayout* target = ControlAt(x, y, desktop_.TwipsPerPixelX());
    if (target != nullptr && target->id == pressed && Clickable(pressed)) OnClick(pressed);
}

void frmVctool::DoDefaultAction(ControlId id) {
    if (Clickable(id)) OnClick(id);
}

void frmVctool::KeyDown(Key key, bool shift) {
    switch (key) {
        case Key::Tab:
            SetFocus(NextEnabled(focus_, !shift, false));
            break;
        case Key::Enter:
        case Key::Space:
            if (focus_ && Clickable(*focus_)) OnClick(*focus_);
            break;
        case Key::Escape:
            lblClose_Click();
            break;
    }
}

std::optional<ControlId> frmVctool::NextEnabled(std::optional<ControlId> from, bool forward,
                                                bool serviceCommandsOnly) const {
    constexpr auto order = kFocusOrder;
    const int count = static_cast<int>(order.size());
    int at = forward ? -1 : count;
    for (int i = 0; from && i < count; ++i)
        if (order[static_cast<std::size_t>(i)] == *from) at = i;
    for (int step = 1; step <= count; ++step) {
        const int i = ((forward ? at + step : at - step) % count + count) % count;
        const ControlId id = order[static_cast<std::size_t>(i)];
        if (serviceCommandsOnly && id == ControlId::lblClose) continue;
        if (LabelFor(id)->Enabled()) return id;
    }
    return std::nullopt;
}

void frmVctool::SetFocus(std::optional<ControlId> id) {
    if (id == focus_) return;
    const std::optional<ControlId> before = std::exchange(focus_, id);
    if (before) desktop_.ControlChanged(*before, LabelProperty::Focus);
    if (focus_) desktop_.ControlChanged(*focus_, LabelProperty::Focus);
}

void frmVctool::LabelChanged(ControlId id, LabelProperty what) { desktop_.ControlChanged(id, what); }

bool frmVctool::Clickable(ControlId id) const {
    return LayoutOf(id).command && LabelFor(id)->Enabled();
}

void frmVctool::OnClick(ControlId id) {
    ++pressing_;
    // Only commands get here, and each has its handler.
    (this->*BindingOf(id)->click)();
    --pressing_;
}

const Label* frmVctool::LabelFor(ControlId id) const {
    const Binding* binding = BindingOf(id);
    return binding != nullptr ? &(this->*binding->label) : nullptr;
}

void frmVctool::EnableCommands(bool start, bool stop, bool restart) {
    lblStop.SetEnabled(stop);
    lblRestart.SetEnabled(restart);
    lblStart.SetEnabled(start);
    // A greyed command cannot keep the focus. Greyed by a press (a command,
    // its wait), it goes to none: a second Enter typed after the first then
    // presses nothing, as a second click lands on the grey label. Greyed by
    // the service changing, it moves on to the next service command that can
    // be pressed, never to Close, or to none. Set here, once the display has
    // settled all three, readers hear no command that is about to go grey too.
    if (focus_ && !LabelFor(*focus_)->Enabled())
        SetFocus(pressing_ > 0 ? std::nullopt : NextEnabled(*focus_, true, true));
}

void frmVctool::RefreshStatus() {
    // A service that is missing or cannot be read looks stopped: Start is
    // what the user needs then.
    if (const std::int32_t config = service_.GetServiceConfig(); config != 0) {
        if (config == scm::kErrorServiceDoesNotExist) ++vanished_;
        EnableCommands(true, false, false);
        lblStatus.SetCaption(Translate(L"Stopped"));
        return;
    }

    serviceState_ = service_.GetServiceStatus();
    switch (serviceState_) {
        // A settled service ends a pending spell, so that the watchdog's
        // 8 seconds count from the first pending state of the next one, not
        // from an earlier spell that resolved in time.
        case scm::kStopped:
            Tmr_error.SetEnabled(false);
            EnableCommands(true, false, false);
            lblStatus.SetCaption(Translate(L"Stopped"));
            break;
        case scm::kRunning:
            Tmr_error.SetEnabled(false);
            lblRestart.SetForeColor(kBlack);
            EnableCommands(false, true, true);
            lblStatus.SetCaption(Translate(L"Running"));
            break;
        default:
            // Pending, paused or unreadable: nothing may be pressed until the
            // service settles, and the watchdog starts counting.
            EnableCommands(false, false, false);
            Tmr_error.SetEnabled(true);
            break;
    }
}

void frmVctool::tmrcheck_Timer() { RefreshStatus(); }

void frmVctool::Tmr_error_Timer() {
    // The message box below runs a modal loop that keeps delivering this
    // timer's ticks; without this guard each one would stack another box.
    if (watchdogMessageOpen_) return;

    serviceState_ = service_.GetServiceStatus();
    if (serviceState_ == 0 || serviceState_ == scm::kStopped ||
        serviceState_ == scm::kRunning) {
        Tmr_error.SetEnabled(false);
        return;
    }

    service_.DeleteNTService();
    RefreshStatus();
    tmrcheck.SetEnabled(false);
    lblStatus.SetCaption(L"");
    watchdogMessageOpen_ = true;
    desktop_.ShowMessage(
        Translate(L"Problem in running Quorvel Voice Chat Service Tool. Please re-install Voice "
                  L"Chat Service Tool"),
        kApplicationTitle);
    watchdogMessageOpen_ = false;
    Tmr_error.SetEnabled(false);
}

void frmVctool::OnTimer(int id) {
    if (id == tmrcheck.Id() && tmrcheck.Enabled())
        tmrcheck_Timer();
    else if (id == Tmr_error.Id() && Tmr_error.Enabled())
        Tmr_error_Timer();
}

void frmVctool::InstallService() {
    // The description travels in the password position; with no account
    // named the service manager ignores it.
    installer_.InstallNTService(program_.AppPath + kServiceExecutable, kServiceKeyName,
                                kServiceDisplayName, VbFalse, VbTrue, std::nullopt, std::nullopt,
                                kServiceDescription, L"");
}

void frmVctool::SelectLanguage() {
    LanguageChoice choice =
        qv::SelectLanguage(language_.settings, language_.folders, language_.files);
    fpath = std::move(choice.fpath);
    LanguageName = std::move(choice.LanguageName);
    LanguageText = qv::LanguageText(std::move(choice.LanguageText));
    if (LanguageName == kEnglish) return;

    // Every text with keys to translate, captions before tooltips, in the
    // order a reader meets the labels.
    const auto translate = [this](const wchar_t* key) { return Translate(key); };
    for (const ControlId id : kReadingOrder) {
        const ControlLayout& layout = LayoutOf(id);
        Label& label = this->*BindingOf(id)->label;
        if (layout.caption.keys[0] != nullptr) label.SetCaption(Compose(layout.caption, translate));
        if (layout.tooltip.keys[0] != nullptr)
            label.SetToolTipText(Compose(layout.tooltip, translate));
    }
}

bool frmVctool::WaitForState(std::int32_t state) {
    // A service that vanished meanwhile (another tool deleted it) will never
    // reach the state: the wait ends, or it would act much later on whatever
    // service is installed by then.
    const int vanished = vanished_;
    while (serviceState_ != state)
        if (!desktop_.DoEvents() || vanished_ != vanished) return false;
    return true;
}

void frmVctool::lblStart_Click() {
    if (service_.GetServiceConfig() != 0) {
        // Both files are looked for, whichever is missing.
        const VbBool haveData = service_.FileExists(program_.AppPath + kServiceDataFile);
        const VbBool haveExecutable = service_.FileExists(program_.AppPath + kServiceExecutable);
        if (haveData == VbFalse || haveExecutable == VbFalse) {
            desktop_.ShowMessage(Translate(L"Unable to Start due to a dependency file missing. "
                                           L"Please re-install Voice Chat Service Tool"),
                                 kDependencyTitle);
            process_.EndProgram();
            return;
        }
        InstallService();
    }

    lblStop.SetForeColor(kBlack);
    lblStart.SetForeColor(kBusyGrey);
    lblRestart.SetForeColor(kBlack);
    RefreshStatus();
    if (!lblStart.Enabled()) return;

    lblStart.SetEnabled(false);
    if (serviceState_ == scm::kRunning) {
        service_.StopNTService();
    } else if (serviceState_ == scm::kStopped) {
        // Only this start's own refusal may lead to the retry below: a
        // refusal left over from an earlier Restart would otherwise delete
        // the service that has just started.
        program_.StartFailed = VbFalse;
        service_.StartNTService();
        if (program_.StartFailed != VbFalse) {
            // One retry with a fresh registration: a refused start usually
            // means a broken or disabled one.
            program_.StartFailed = VbFalse;
            service_.DeleteNTService();
            process_.Sleep(5);
            InstallService();
            service_.StartNTService();
        }
    }
    RefreshStatus();
}

void frmVctool::lblStop_Click() {
    lblStart.SetForeColor(kBlack);
    lblStop.SetForeColor(kBusyGrey);
    lblStop.SetEnabled(false);
    if (serviceState_ == scm::kRunning) service_.StopNTService();
    if (!WaitForState(scm::kStopped)) return;
    service_.DeleteNTService();
}

void frmVctool::lblRestart_Click() {
    lblStop.SetForeColor(kBlack);
    lblRestart.SetForeColor(kBusyGrey);
    lblRestart.SetEnabled(false);
    if (serviceState_ == scm::kRunning) service_.StopNTService();
    if (!WaitForState(scm::kStopped)) return;
    service_.StartNTService();
    if (!WaitForState(scm::kRunning)) return;
    lblRestart.SetEnabled(true);
    lblRestart.SetForeColor(kBlack);
}

void frmVctool::lblClose_Click() { process_.EndProgram(); }

std::wstring frmVctool::changelstring(std::wstring& str1) const {
    return qv::changelstring(str1, LanguageText);
}

std::wstring frmVctool::Translate(const wchar_t* text) const {
    std::wstring str1 = text;
    return changelstring(str1);
}

}  // namespace qv
