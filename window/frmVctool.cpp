#include "window/frmVctool.h"

#include <algorithm>
#include <utility>

#include "language/LanguageSelection.h"
#include "service/Product.h"
#include "service/WriteGuard.h"
#include "window/Layout.h"

namespace qv {
namespace {

// Where a label's model is kept; past the end for a control that has none.
std::size_t LabelSlot(ControlId id) {
    return static_cast<std::size_t>(std::find(kLabelIds.begin(), kLabelIds.end(), id) -
                                    kLabelIds.begin());
}

template <std::size_t... I>
std::array<Label, sizeof...(I)> MakeLabels(Desktop& desktop, std::index_sequence<I...>) {
    return {Label(desktop, kLabelIds[I])...};
}

}  // namespace

frmVctool::frmVctool(NTServiceControl& service, install& installer, Desktop& desktop,
                     Process& process, ProgramWide& program, Security& security,
                     LanguageSources language, TimerIntervals intervals)
    : labels_(MakeLabels(desktop, std::make_index_sequence<kLabelIds.size()>())),
      lblStart(LabelOf(ControlId::lblStart)),
      lblStop(LabelOf(ControlId::lblStop)),
      lblRestart(LabelOf(ControlId::lblRestart)),
      lblClose(LabelOf(ControlId::lblClose)),
      lblStatus(LabelOf(ControlId::lblStatus)),
      lblts(LabelOf(ControlId::lblts)),
      Label2(LabelOf(ControlId::Label2)),
      tmrcheck(desktop, kTmrcheckId, intervals.refreshMs, true),
      Tmr_error(desktop, kTmrErrorId, intervals.watchdogMs, false),
      tmrMarkedWait(desktop, kTmrMarkedWaitId, intervals.watchdogMs, false),
      input(*this, desktop),
      service_(service),
      installer_(installer),
      desktop_(desktop),
      process_(process),
      program_(program),
      security_(security),
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

void frmVctool::imgTop_MouseDown(int, int, int, int) { FormDrag(desktop_); }

const Label* frmVctool::LabelFor(ControlId id) const {
    const std::size_t slot = LabelSlot(id);
    return slot < labels_.size() ? &labels_[slot] : nullptr;
}

Label& frmVctool::LabelOf(ControlId id) { return labels_.at(LabelSlot(id)); }

void frmVctool::EnableCommands(bool start, bool stop, bool restart) {
    offerStart_ = start;
    offerStop_ = stop;
    offerRestart_ = restart;
    ShowCommands();
}

void frmVctool::ShowCommands() {
    // A command pressed while another one waits would start its own wait
    // inside the first, and a wait left behind acts long after its command
    // seems over: while one waits, the others are grey, to the mouse, the
    // keys and a reader alike.
    const bool free = waiting_ == 0;
    lblStop.SetEnabled(free && offerStop_);
    lblRestart.SetEnabled(free && offerRestart_);
    lblStart.SetEnabled(free && offerStart_);
    input.CommandsSet();
}

frmVctool::Waiting::Waiting(frmVctool& form) : form_(form) {
    ++form_.waiting_;
    form_.ShowCommands();
}

frmVctool::Waiting::~Waiting() {
    --form_.waiting_;
    form_.ShowCommands();
}

void frmVctool::RefreshStatus() {
    // A service that is missing or cannot be read looks stopped: Start is
    // what the user needs then.
    const std::int32_t config = service_.GetServiceConfig();
    if (config == scm::kErrorServiceDoesNotExist) ++vanished_;
    if (config == 0) serviceState_ = service_.GetServiceStatus();
    const bool stopped = config != 0 || serviceState_ == scm::kStopped;
    const bool running = config == 0 && serviceState_ == scm::kRunning;
    // Pending, paused or unreadable: nothing may be pressed until the service
    // settles, and the watchdog counts. A settled service ends a pending
    // spell, so that the watchdog's 8 seconds count from the first pending
    // state of the next one, not from an earlier spell that resolved in time.
    if (config == 0) Tmr_error.SetEnabled(!stopped && !running);
    if (running) lblRestart.SetForeColor(kBlack);
    EnableCommands(stopped, running, running);
    if (stopped || running) lblStatus.SetCaption(Translate(stopped ? L"Stopped" : L"Running"));
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
    if (id == tmrcheck.Id() && tmrcheck.TakeTick())
        tmrcheck_Timer();
    else if (id == Tmr_error.Id() && Tmr_error.TakeTick())
        Tmr_error_Timer();
    else if (id == tmrMarkedWait.Id() && tmrMarkedWait.TakeTick())
        tmrMarkedWait.SetEnabled(false);
}

bool frmVctool::MayRegister() {
    // The service runs as SYSTEM at every boot: whoever can change its
    // program, its data or the folders they lie in would run code so.
    const auto exposure = FindExposure(security_, {program_.AppPath + kServiceExecutable,
                                                   program_.AppPath + kServiceDataFile});
    if (!exposure) return true;
    std::wstring text = Translate(
        L"Unable to Start: the file or folder below can be changed by the users named under "
        L"it, not by administrators alone, and the service would run whatever they put "
        L"there. Keep the server in a folder under C:\\Program Files, or take their write "
        L"access away.");
    text += L"\r\n\r\n" + exposure->path;
    for (std::size_t i = 0; i < exposure->who.size(); ++i)
        text += (i == 0 ? L"\r\n" : L", ") + exposure->who[i];
    desktop_.ShowMessage(text, kDependencyTitle);
    return false;
}

VbBool frmVctool::InstallService() {
    // The description travels in the password position; with no account
    // named the service manager ignores it.
    return installer_.InstallNTService(program_.AppPath + kServiceExecutable, kServiceKeyName,
                                       kServiceDisplayName, VbFalse, VbTrue, std::nullopt,
                                       std::nullopt, kServiceDescription, L"");
}

void frmVctool::SelectLanguage() {
    LanguageChoice choice =
        qv::SelectLanguage(language_.settings, language_.folders, language_.files, security_);
    fpath = std::move(choice.fpath);
    LanguageName = std::move(choice.LanguageName);
    LanguageText = qv::LanguageText(std::move(choice.LanguageText));
    if (LanguageName == kEnglish) return;

    // Every text with keys to translate, captions before tooltips, in the
    // order a reader meets the labels. A whole phrase the file translates
    // stands as written; else the words are joined as they always were.
    const auto translate = [this](const wchar_t* key) { return Translate(key); };
    const auto text = [&](const Words& words) {
        // An entry that is blank, as for a single word, counts as none.
        const auto whole = words.phrase ? LanguageText.Find(words.phrase) : std::nullopt;
        if (whole && whole->find_first_not_of(L' ') != std::wstring::npos) return Translate(words.phrase);
        return Compose(words, translate);
    };
    for (const ControlId id : kReadingOrder) {
        const ControlLayout& layout = LayoutOf(id);
        Label& label = LabelOf(id);
        if (layout.caption.keys[0] != nullptr) label.SetCaption(text(layout.caption));
        if (layout.tooltip.keys[0] != nullptr) label.SetToolTipText(text(layout.tooltip));
    }
}

bool frmVctool::WaitForState(std::int32_t state) {
    // A service that vanished meanwhile (another tool deleted it) will never
    // reach the state: the wait ends, or it would act much later on whatever
    // service is installed by then.
    const int vanished = vanished_;
    const Waiting waiting(*this);
    while (serviceState_ != state)
        if (!desktop_.DoEvents() || vanished_ != vanished) return false;
    return true;
}

bool frmVctool::WaitUntilGone() {
    const int vanished = vanished_;
    tmrMarkedWait.SetEnabled(true);
    bool ending = false;
    {
        const Waiting waiting(*this);
        while (!ending && vanished_ == vanished && tmrMarkedWait.Enabled())
            ending = !desktop_.DoEvents();
    }
    tmrMarkedWait.SetEnabled(false);
    return !ending;
}

bool frmVctool::Reinstall() {
    // Marked now, or by an earlier Start that gave up waiting for it.
    const std::int32_t deleted = service_.DeleteNTService();
    const bool marked = deleted == 0 || deleted == scm::kErrorServiceMarkedForDelete;
    process_.Sleep(5);
    if (InstallService() != VbFalse || !marked || service_.GetServiceConfig() != 0) return true;
    // Still there: another program holds it open, and the manager removes
    // it, refusing a new registration of its name until then, only once
    // that program lets go. Nothing can hurry that; a registration that
    // outlasts the wait is left to go on its own.
    if (!WaitUntilGone()) return false;
    if (service_.GetServiceConfig() == scm::kErrorServiceDoesNotExist) InstallService();
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
        if (!MayRegister()) return;
        InstallService();
    }

    lblStop.SetForeColor(kBlack);
    lblStart.SetForeColor(kBusyGrey);
    lblRestart.SetForeColor(kBlack);
    RefreshStatus();
    if (!lblStart.Enabled()) return;

    lblStart.SetEnabled(false);
    input.CommandsSet();
    if (serviceState_ == scm::kRunning) {
        service_.StopNTService();
    } else if (serviceState_ == scm::kStopped) {
        // Only this start's own refusal may lead to the retry below: a
        // refusal left over from an earlier Restart would otherwise delete
        // the service that has just started.
        program_.StartFailed = VbFalse;
        // Already running: another program started it since the refresh
        // above, which says nothing against its registration.
        const bool alreadyRunning = service_.StartNTService() == scm::kErrorServiceAlreadyRunning;
        if (program_.StartFailed != VbFalse && !alreadyRunning) {
            // One retry with a fresh registration: a refused start usually
            // means a broken or disabled one.
            program_.StartFailed = VbFalse;
            // Looked at before the delete: a registration that may not be
            // made again is kept as it is.
            if (MayRegister()) {
                if (!Reinstall()) return;
                service_.StartNTService();
            }
        }
    }
    RefreshStatus();
}

bool frmVctool::StopAndWait(Label& pressed, Label& other) {
    other.SetForeColor(kBlack);
    pressed.SetForeColor(kBusyGrey);
    pressed.SetEnabled(false);
    input.CommandsSet();
    // A refused stop ends the command: waiting on, it would delete or start
    // the service whenever it next stops, long after anyone expects it.
    // Refused because the service has already stopped, it is no refusal.
    if (serviceState_ == scm::kRunning) {
        const std::int32_t refused = service_.StopNTService();
        if (refused != 0 && refused != scm::kErrorServiceNotActive) return false;
    }
    return WaitForState(scm::kStopped);
}

void frmVctool::lblStop_Click() {
    if (StopAndWait(lblStop, lblStart)) service_.DeleteNTService();
}

void frmVctool::lblRestart_Click() {
    if (!StopAndWait(lblRestart, lblStop)) return;
    // So is a refused start, unless the service already runs.
    const std::int32_t refused = service_.StartNTService();
    if (refused != 0 && refused != scm::kErrorServiceAlreadyRunning) return;
    if (!WaitForState(scm::kRunning)) return;
    lblRestart.SetEnabled(true);
    lblRestart.SetForeColor(kBlack);
}

void frmVctool::lblClose_Click() { process_.EndProgram(); }

void frmVctool::Click(ControlId id) {
    if (id == ControlId::lblStart)
        lblStart_Click();
    else if (id == ControlId::lblStop)
        lblStop_Click();
    else if (id == ControlId::lblRestart)
        lblRestart_Click();
    else if (id == ControlId::lblClose)
        lblClose_Click();
    // Anything else names no command: a press of it does nothing, rather
    // than end the program as Close would.
}

std::wstring frmVctool::changelstring(std::wstring& str1) const {
    return qv::changelstring(str1, LanguageText);
}

std::wstring frmVctool::Translate(const wchar_t* text) const {
    std::wstring str1 = text;
    return changelstring(str1);
}

}  // namespace qv
