// The window's controls as the logic sees them: the properties that change at
// run time. Setters tell the window's desktop only about real changes, so the
// periodic refresh repaints nothing when nothing changed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/Types.h"
#include "window/Desktop.h"

namespace qv {

class Label {
public:
    // As designed: the layout's caption, tooltip and colour, enabled.
    Label(Desktop& desktop, ControlId id)
        : desktop_(desktop),
          id_(id),
          caption_(Compose(LayoutOf(id).caption, Untranslated)),
          tooltip_(Compose(LayoutOf(id).tooltip, Untranslated)),
          foreColor_(LayoutOf(id).colour) {}

    ControlId Id() const { return id_; }
    const std::wstring& Caption() const { return caption_; }
    const std::wstring& ToolTipText() const { return tooltip_; }
    Rgb ForeColor() const { return foreColor_; }
    bool Enabled() const { return enabled_; }

    void SetCaption(const std::wstring& value) { Change(caption_, value, LabelProperty::Caption); }
    void SetToolTipText(const std::wstring& value) {
        Change(tooltip_, value, LabelProperty::ToolTip);
    }
    void SetForeColor(Rgb value) { Change(foreColor_, value, LabelProperty::Colour); }
    void SetEnabled(bool value) { Change(enabled_, value, LabelProperty::Enabled); }

private:
    static std::wstring Untranslated(const wchar_t* key) { return key; }

    template <typename T>
    void Change(T& field, const T& value, LabelProperty what) {
        if (field == value) return;
        field = value;
        desktop_.ControlChanged(*this, what);
    }

    Desktop& desktop_;
    ControlId id_;
    std::wstring caption_;
    std::wstring tooltip_;
    Rgb foreColor_;
    bool enabled_ = true;
};

// A timer whose countdown only a real switch-on starts: switching on a timer
// that is already on leaves its running interval alone, which the watchdog
// depends on while every refresh keeps arming it. Any program in the session
// can post the window a tick, so a tick counts only when one of the timer's
// intervals has run out since it was armed that no tick has taken yet.
class Timer {
public:
    Timer(Desktop& desktop, int id, std::uint32_t intervalMs, bool enabled)
        : desktop_(desktop), id_(id), intervalMs_(intervalMs > 0 ? intervalMs : 1), enabled_(enabled) {}

    int Id() const { return id_; }
    bool Enabled() const { return enabled_; }

    // Starts the countdown of a timer enabled at design time; called once
    // when the window is created.
    void Create() {
        if (enabled_) Arm();
    }

    void SetEnabled(bool value) {
        if (value == enabled_) return;
        enabled_ = value;
        if (value)
            Arm();
        else
            desktop_.StopTimer(id_);
    }

    // A tick arrived: true if it is due, and then taken. The system's timer
    // and its clock may disagree by a clock tick or two (15.6 ms on
    // Windows), so a tick that early still counts; one that late takes its
    // interval, and the next real tick, then early by as much, is dropped.
    bool TakeTick() {
        if (!enabled_) return false;
        const std::uint64_t slack = std::min<std::uint64_t>(kSlackMs, intervalMs_ / 2);
        const std::uint64_t due = (desktop_.TickCountMs() - armedAt_ + slack) / intervalMs_;
        if (due <= taken_) return false;
        taken_ = due;
        return true;
    }

private:
    static constexpr std::uint64_t kSlackMs = 32;

    void Arm() {
        armedAt_ = desktop_.TickCountMs();
        taken_ = 0;
        desktop_.StartTimer(id_, intervalMs_);
    }

    Desktop& desktop_;
    int id_;
    std::uint32_t intervalMs_;
    bool enabled_;
    std::uint64_t armedAt_ = 0;
    std::uint64_t taken_ = 0;  // the intervals since arming that a tick has taken
};

}  // namespace qv
