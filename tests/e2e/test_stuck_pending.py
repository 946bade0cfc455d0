"""A service that never leaves START_PENDING trips the tool's watchdog: it
deletes the service, tells the user to re-install, clears the status text
and stops following the service altogether.

Two ways in, each its own ctest test (and prefix):
  StuckPendingTest.test_stuck_when_the_tool_starts
  StuckPendingTest.test_stuck_after_the_tool_showed_a_status
"""

import time
import unittest

import qve2e
from qve2e import MESSAGE_TITLE, RUNNING, START_PENDING, WATCHDOG_MESSAGE, log, wait_until

# The watchdog gives up 8 s after it first sees the service pending; this is
# only where the test stops waiting, not a pass mark.
WATCHDOG_DEADLINE = 60.0
# Nor can it give up sooner: a box earlier than this after the service went
# pending (measured from before the service was started or the tool
# launched, so load only makes it later) means it did not wait.
WATCHDOG_EARLIEST = 7.0
# How long the window is watched for a refresh that must not come: five
# times the tool's 0.8 s refresh interval, during which the window's thread
# is seen handling messages again and again (so its timers would be served).
QUIET_SECONDS = 4.0
QUIET_ANSWERS = 4


def overlaps(a, b) -> bool:
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class StuckPendingTest(unittest.TestCase):
    def start_stuck_service(self, s: qve2e.Session) -> float:
        """Installs and starts the stand-in so that it stays START_PENDING;
        returns when it was started."""
        s.write_standin_config(StayPending=True)
        s.install_service()
        started = time.monotonic()
        s.start_service()
        s.wait_service_state(START_PENDING)
        return started

    def assert_watchdog_fires(self, s: qve2e.Session, pending_since: float) -> qve2e.Display:
        """The message box, the empty status text and the service's deletion;
        returns what the window shows once the box is up."""
        boxes = wait_until(lambda: s.windows_titled(MESSAGE_TITLE), WATCHDOG_DEADLINE,
                           f"a message box titled {MESSAGE_TITLE!r}")
        waited = time.monotonic() - pending_since
        log(f"message box up {s.since_launch():.1f} s after the tool was started, "
            f"{waited:.1f} s after the service went pending")
        self.assertGreaterEqual(waited, WATCHDOG_EARLIEST, "the watchdog did not wait")

        self.assertEqual(len(boxes), 1, boxes)
        box = boxes[0]
        self.assertTrue(box.visible, box)
        self.assertIn(WATCHDOG_MESSAGE, [c.text for c in box.children], box)
        self.assertEqual([c.text for c in box.children if c.cls == "Button"], ["OK"], box)
        # Screen pixels of a covered window would prove nothing.
        self.assertFalse(overlaps(box.rect, s.window_rect),
                         f"the box {box.rect} covers the window {s.window_rect}")

        frozen = s.wait_for_display(lambda d: d.blue == 0, "an empty status text")
        log(f"with the box up it shows {frozen}")

        # A service that takes no stop request outlives its deletion until its
        # process ends; then the service manager drops it, which it does only
        # with a service marked for deletion.
        self.assertEqual(s.service_state(), START_PENDING)
        s.end_service_process()
        s.wait_service_state(None)
        self.assertFalse(s.service_registered(), "the service's key is still there")
        return frozen

    def assert_display_stays(self, s: qve2e.Session, frozen: qve2e.Display, when: str):
        start = time.monotonic()
        answers = 0
        while answers < QUIET_ANSWERS or time.monotonic() - start < QUIET_SECONDS:
            self.assertTrue(s.window_answers(), f"the window stopped answering {when}")
            answers += 1
            shown = s.display()
            self.assertEqual(shown.blue, 0, f"status text came back {when}: {shown}")
            self.assertEqual(shown.labels, frozen.labels, f"labels changed {when}: {shown}")
        log(f"unchanged for {time.monotonic() - start:.1f} s ({answers} answers) {when}")

    def assert_refresh_stopped(self, s: qve2e.Session, frozen: qve2e.Display):
        # A healthy service again: a live display would show "Running".
        s.write_standin_config()
        s.install_service()
        s.start_service()
        s.wait_service_state(RUNNING)
        self.assert_display_stays(s, frozen, "while the box is up")

        s.click_ok(MESSAGE_TITLE)
        wait_until(lambda: s.windows_titled(MESSAGE_TITLE), qve2e.CHANGE_DEADLINE,
                   "the message box to close", accept=lambda boxes: not boxes)
        self.assert_display_stays(s, frozen, "after the box was closed")
        self.assertEqual(s.service_state(), RUNNING)

    def test_stuck_when_the_tool_starts(self):
        with qve2e.session("stuck_at_start") as s:
            self.start_stuck_service(s)
            pending_since = time.monotonic()
            s.launch_tool()
            s.wait_for_window()
            frozen = self.assert_watchdog_fires(s, pending_since)
            self.assert_refresh_stopped(s, frozen)

    def test_stuck_after_the_tool_showed_a_status(self):
        with qve2e.session("stuck_later") as s:
            s.launch_tool()
            s.wait_for_window()
            shown = s.wait_for_display(lambda d: d.status == "Stopped", "'Stopped'")
            log(f"before the service: {shown}")

            pending_since = self.start_stuck_service(s)
            frozen = self.assert_watchdog_fires(s, pending_since)
            self.assert_refresh_stopped(s, frozen)


if __name__ == "__main__":
    unittest.main(verbosity=2)
