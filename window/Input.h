// The mouse, the keys and the keyboard focus over the window's commands:
// which press is a click, where Tab and the arrows take the focus, and where
// the focus goes when its command greys. They end in the form's handlers,
// reached through Commands.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "window/Desktop.h"
#include "window/Layout.h"

namespace qv {

// What the mouse and the keys end in: the form's handlers, and whether a
// command can be pressed now. The form is it; Input knows no more of it.
class Commands {
public:
    virtual bool Enabled(ControlId id) const = 0;
    // Runs the click handler of command `id`.
    virtual void Click(ControlId id) = 0;
    virtual void imgTop_MouseDown(int button, int shift, int x, int y) = 0;

protected:
    ~Commands() = default;
};

// The keys the window acts on.
enum class Key { Tab, Enter, Space, Escape };
enum class Direction { Up, Down, Left, Right };

// The command nearest to command `from` in `direction` as the window draws
// them, among those `candidate` accepts; none when no such command lies that
// way. The arrow keys and a screen reader's directions both ask this.
std::optional<ControlId> CommandToward(
    ControlId from, Direction direction,
    const std::function<bool(ControlId)>& candidate = [](ControlId) { return true; });

// The command whose number, its ControlId's value, is `value`; none for any
// other value. A reader's press reaches the window as a message that any
// program in the session can post with any number.
std::optional<ControlId> CommandNumbered(std::uintmax_t value);

class Input {
public:
    Input(Commands& form, Desktop& desktop) : form_(form), desktop_(desktop) {}

    // The mouse over the window's client area, in pixels. `button`: 1 left,
    // 2 right, 4 middle; `shift`: 1 Shift, 2 Ctrl, 4 Alt.
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int x, int y);
    // The window lost the mouse capture a press gave it.
    void CaptureLost() { pressed_.reset(); }
    // A screen reader's default action on a control: a click, under the
    // same rules as the mouse's.
    void DoDefaultAction(ControlId id);
    // A key pressed or released while the window has the keyboard (`shift`:
    // Shift held). As on a push button, Enter presses on the way down and
    // Space on the way up, if the focus is still where it went down.
    void KeyDown(Key key, bool shift);
    void KeyUp(Key key);
    // An arrow key: the focus moves to the enabled command drawn that way.
    void Arrow(Direction direction);

    // The command with the keyboard focus, if any.
    std::optional<ControlId> Focused() const { return focus_; }
    // The display has set the service commands: a focused one that went
    // grey gives the focus up; see the definition.
    void CommandsSet();

private:
    // A command label takes clicks while it is enabled.
    bool Clickable(ControlId id) const;
    void Click(ControlId id);
    // The next enabled command after `from` (none: from the start) in the
    // focus order, forwards or backwards, wrapping; `serviceCommandsOnly`
    // leaves Close out.
    std::optional<ControlId> NextEnabled(std::optional<ControlId> from, bool forward,
                                         bool serviceCommandsOnly) const;
    void SetFocus(std::optional<ControlId> id);
    // Where the user put the focus: nothing kept in mind is given back then.
    void MoveFocus(std::optional<ControlId> id);

    Commands& form_;
    Desktop& desktop_;
    // The command label the left button went down on, while it is held.
    std::optional<ControlId> pressed_;
    std::optional<ControlId> focus_;
    bool remembered_ = false;  // a focus the service took, to give back once it settles
    std::optional<ControlId> spaceDown_;  // the command Space went down on
    int clicking_ = 0;  // commands running, a waiting one's nested clicks too
};

}  // namespace qv
