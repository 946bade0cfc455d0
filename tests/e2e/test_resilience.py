"""The tool against a service that misbehaves or is taken away behind its
back, under Wine's real service manager. Each case is its own ctest test
(and prefix):

  ResilienceTest.test_deleted_while_running
  ResilienceTest.test_deleted_while_a_stop_waits
  ResilienceTest.test_standin_crashes_while_running
  ResilienceTest.test_standin_pauses_itself
  ResilienceTest.test_start_pending_resolves_before_the_watchdog_ticks

What Wine 8's service manager does here, as these tests found it:
- `sc delete` of a running service only marks it: it stays RUNNING, with
  its registry key, and opening and querying it still work. Once it stops
  the service manager drops it at once, key and all.
- It does not watch a service's process: a stand-in that ends abruptly is
  RUNNING for ever after; a stop request fails (232) and `sc delete` then
  removes it at once, there being no process left to wait for.

The tool's service calls are traced (qve2e_stress), which is how a test
tells a refresh from a watchdog tick and counts refreshes instead of
sleeping.
"""

import time
import unittest

import qve2e
from qve2e import (CHANGE_DEADLINE, MESSAGE_TITLE, RUNNING, SERVICE_NAME, STOP_PENDING,
                   WATCHDOG_MESSAGE, WINDOW_TITLE, log, wait_until)
from qve2e_stress import (CLOSE_SPOT, PAUSED, STOP_SPOT, assert_no_service, click, sc,
                          standin_processes, traced_session)

# Where a wait for the watchdog gives up; not a pass mark.
WATCHDOG_DEADLINE = 60.0
# The watchdog waits 8 s; a box sooner than this after the earliest moment
# the service can have paused means it did not wait.
WATCHDOG_EARLIEST = 7.0
# Refreshes (0.8 s apart) that cover more than one watchdog period (8 s): a
# watchdog still switched on would tick again within them.
REFRESHES_PAST_A_WATCHDOG_PERIOD = 15


def shows_running(d: qve2e.Display) -> bool:
    return (d.status == "Running" and d.label("Start") == "disabled"
            and d.label("Stop") == "enabled" and d.label("Restart") == "enabled")


def shows_stopped(d: qve2e.Display) -> bool:
    return (d.status == "Stopped" and d.label("Start") == "enabled"
            and d.label("Stop") == "disabled" and d.label("Restart") == "disabled")


class ResilienceTest(unittest.TestCase):
    def start_running_service(self, s: qve2e.Session, **standin: object) -> float:
        """Installs and starts the stand-in; returns when it was started."""
        s.write_standin_config(**standin)
        s.install_service()
        started = time.monotonic()
        s.start_service()
        s.wait_service_state(RUNNING)
        return started

    def launch_showing(self, s, tool, accept, what: str) -> qve2e.Display:
        tool.launch()
        s.wait_for_window()
        shown = s.wait_for_display(accept, what)
        log(f"shows {shown}")
        return shown

    def assert_alive(self, s, tool, when: str) -> None:
        self.assertTrue(tool.alive(), f"the tool ended {when}")
        self.assertTrue(s.window_answers(), f"the window stopped answering {when}")

    def close_by_its_label(self, s, tool) -> None:
        """Close ends the program whatever command is waiting."""
        click(s, CLOSE_SPOT)
        code = wait_until(s.tool.poll, CHANGE_DEADLINE, "the tool to end after Close",
                          accept=lambda rc: rc is not None)
        log(f"Close ended the tool with exit code {code}")
        self.assertEqual(code, 0)
        self.assertEqual(s.windows_titled(WINDOW_TITLE), [], "its window outlived it")

    # ------------------------------------------------------------------------

    def test_deleted_while_running(self):
        with traced_session("resilience_deleted_running") as (s, tool):
            self.start_running_service(s)
            self.launch_showing(s, tool, shows_running, "'Running' with Stop enabled")

            before = tool.trace.counts()
            self.assertEqual(sc(s, "delete", SERVICE_NAME).returncode, 0)
            tool.trace.wait_for(tool.trace.counts(), "three refreshes after the deletion",
                                refreshes=3)
            marked = s.service_state()
            log(f"after sc delete the service manager reports state {marked}, "
                f"key present: {s.service_registered()}")
            if marked is not None:
                # Marked for deletion, still there: the tool follows what the
                # service manager says.
                self.assertEqual(marked, RUNNING)
                shown = s.display()
                self.assertTrue(shows_running(shown), f"while marked for deletion: {shown}")
                self.assertEqual(sc(s, "stop", SERVICE_NAME).returncode, 0)
                s.wait_service_state(None)
            self.assertFalse(s.service_registered(), "the service's key outlived it")

            shown = s.wait_for_display(shows_stopped, "'Stopped' with only Start enabled")
            log(f"with the service gone it shows {shown}")

            # It keeps refreshing, and puts nothing back.
            tool.trace.wait_for(tool.trace.counts(), "three more refreshes", refreshes=3)
            self.assert_alive(s, tool, "after the service went")
            self.assertIsNone(s.service_state(), "the service came back")
            grown = tool.trace.counts() - before
            self.assertEqual((grown.starts, grown.stops, grown.deletions), (0, 0, 0), grown)
            assert_no_service(s)

    def test_deleted_while_a_stop_waits(self):
        with traced_session("resilience_deleted_stopping") as (s, tool):
            self.start_running_service(s, StopPendingMs=4000)
            self.launch_showing(s, tool, shows_running, "'Running' with Stop enabled")

            before = tool.trace.counts()
            click(s, STOP_SPOT)
            tool.trace.wait_for(before, "the tool's stop request", stops=1)
            s.wait_service_state(STOP_PENDING)
            self.assertEqual(sc(s, "delete", SERVICE_NAME).returncode, 0)

            # Marked for deletion, it goes once it has stopped.
            s.wait_service_state(None)
            self.assertFalse(s.service_registered(), "the service's key outlived it")
            tool.trace.wait_for(tool.trace.counts(), "five refreshes after the service went",
                                refreshes=5)
            self.assert_alive(s, tool, "with its Stop waiting for a vanished service")
            shown = s.wait_for_display(shows_stopped, "'Stopped' with only Start enabled")
            log(f"with the service gone it shows {shown}")

            grown = tool.trace.counts() - before
            # The wait ends only when a refresh reads STOPPED; then the tool
            # deletes the service. Gone before any refresh read it, the
            # service leaves the last state read (STOP_PENDING or RUNNING)
            # standing, and the wait goes on.
            if grown.deletions:
                log("the Stop's wait ended: a refresh read STOPPED before the service "
                    "manager dropped the service, and the tool asked to delete it")
            else:
                log("the Stop's wait goes on: the service vanished before a refresh "
                    "read STOPPED, so the state it waits on never changes")
            self.assertLessEqual(grown.deletions, 1, grown)
            self.assertEqual(grown.starts, 0, grown)
            self.assertIsNone(s.service_state(), "the service came back")

            self.close_by_its_label(s, tool)
            assert_no_service(s)

    def test_standin_crashes_while_running(self):
        with traced_session("resilience_crash") as (s, tool):
            s.write_standin_config(CrashAfterMs=2000)
            s.install_service()
            self.launch_showing(s, tool, shows_stopped, "'Stopped' with Start enabled")

            s.start_service()
            s.wait_service_state(RUNNING)
            wait_until(lambda: standin_processes(s), CHANGE_DEADLINE,
                       "the stand-in's process to end", accept=lambda pids: not pids)
            tool.trace.wait_for(tool.trace.counts(), "three refreshes after the crash",
                                refreshes=3)
            state = s.service_state()
            shown = s.display()
            log(f"after the crash the service manager reports state {state}; "
                f"the tool shows {shown}")
            self.assert_alive(s, tool, "after the service's process ended")
            if state == RUNNING:
                # Wine: the service manager never noticed, nor can the tool.
                self.assertTrue(shows_running(shown), shown)
            else:
                self.assertEqual(state, qve2e.STOPPED, "neither Wine's nor Windows' answer")
                shown = s.wait_for_display(shows_stopped, "'Stopped' after the crash")

            # Stop on a service with no process: the request fails, the
            # state it waits for never comes, and the window must still
            # answer and close.
            before = tool.trace.counts()
            click(s, STOP_SPOT)
            tool.trace.wait_for(before, "the tool's stop request", stops=1)
            tool.trace.wait_for(tool.trace.counts(), "five refreshes after Stop", refreshes=5)
            self.assert_alive(s, tool, "after Stop on a crashed service")
            log(f"after Stop the service manager reports {s.service_state()}; "
                f"the tool shows {s.display()}; deletions asked: "
                f"{(tool.trace.counts() - before).deletions}")
            self.close_by_its_label(s, tool)
            assert_no_service(s)

    def test_standin_pauses_itself(self):
        pause_after_ms = 8000
        with traced_session("resilience_pause") as (s, tool):
            started = self.start_running_service(s, PauseAfterMs=pause_after_ms)
            # Launched once the service runs, the tool never sees it start
            # and arms its watchdog only for the pause.
            tool.launch()
            s.wait_for_window()
            first = wait_until(lambda: (s.display(), s.service_state()), CHANGE_DEADLINE,
                               "'Running', or the pause",
                               accept=lambda seen: shows_running(seen[0]) or seen[1] != RUNNING)
            log(f"before the pause: shows {first[0]}, service state {first[1]}")
            before = tool.trace.counts()

            paused_seen = wait_until(
                lambda: (s.service_state(), time.monotonic()), CHANGE_DEADLINE,
                "the service to pause",
                accept=lambda seen: seen[0] != RUNNING)
            log(f"service state {paused_seen[0]} seen "
                f"{paused_seen[1] - started:.1f} s after it was started")

            boxes = wait_until(lambda: s.windows_titled(MESSAGE_TITLE), WATCHDOG_DEADLINE,
                               f"the watchdog's box titled {MESSAGE_TITLE!r}")
            box_at = time.monotonic()
            earliest_pause = started + pause_after_ms / 1000
            log(f"box up {box_at - paused_seen[1]:.1f} s after the pause was seen, "
                f"{box_at - earliest_pause:.1f} s after the earliest it can have come")
            self.assertGreaterEqual(box_at - earliest_pause, WATCHDOG_EARLIEST,
                                    "the watchdog did not wait")
            self.assertEqual(paused_seen[0], PAUSED,
                             "the service left RUNNING other than by pausing")

            self.assertEqual(len(boxes), 1, boxes)
            texts = [c.text for c in boxes[0].children]
            self.assertIn(WATCHDOG_MESSAGE, texts, boxes[0])
            self.assertEqual([c.text for c in boxes[0].children if c.cls == "Button"], ["OK"])
            shown = s.wait_for_display(lambda d: d.blue == 0, "an empty status text")
            log(f"with the box up it shows {shown}")

            grown = tool.trace.counts() - before
            self.assertEqual(grown.watchdog_ticks, 1, grown)
            self.assertEqual(grown.deletions, 1, grown)
            self.assertEqual(grown.delete_calls, 1, f"DeleteService was not reached: {grown}")
            # A paused stand-in takes the stop the deletion comes with, so
            # the service manager drops it once it has stopped; it drops only
            # services marked for deletion.
            s.wait_service_state(None)
            self.assertFalse(s.service_registered(), "the service's key outlived it")

            s.click_ok(MESSAGE_TITLE)
            wait_until(lambda: s.windows_titled(MESSAGE_TITLE), CHANGE_DEADLINE,
                       "the box to close", accept=lambda b: not b)
            self.assert_alive(s, tool, "after the box was closed")
            assert_no_service(s)

    def test_start_pending_resolves_before_the_watchdog_ticks(self):
        with traced_session("resilience_pending_resolves") as (s, tool):
            # Pending 5 s of the watchdog's 8: running well before its tick,
            # even when starting the service's process takes a while.
            s.write_standin_config(StartPendingMs=5000)
            s.install_service()
            self.launch_showing(s, tool, shows_stopped, "'Stopped' with Start enabled")

            before = tool.trace.counts()
            s.start_service()
            pending = s.wait_for_display(
                lambda d: all(state == "disabled" for _, state in d.labels),
                "every command greyed while the service starts")
            log(f"while the service starts it shows {pending}")

            tool.trace.wait_for(before, "the watchdog's tick", WATCHDOG_DEADLINE,
                                watchdog_ticks=1)
            at_tick = tool.trace.counts()
            self.assertEqual(s.service_state(), RUNNING)
            self.assertEqual(s.windows_titled(MESSAGE_TITLE), [], "the watchdog fired")

            def no_box_yet():
                boxes = s.windows_titled(MESSAGE_TITLE)
                self.assertEqual(boxes, [], "a message box came up")
                return tool.trace.counts() - at_tick

            wait_until(no_box_yet, WATCHDOG_DEADLINE,
                       f"{REFRESHES_PAST_A_WATCHDOG_PERIOD} refreshes after the tick",
                       accept=lambda g: g.refreshes >= REFRESHES_PAST_A_WATCHDOG_PERIOD)
            grown = tool.trace.counts() - before
            log(f"since the start: {grown}")
            self.assertEqual(grown.watchdog_ticks, 1, f"the watchdog ticked again: {grown}")
            self.assertEqual((grown.deletions, grown.delete_calls), (0, 0), grown)

            shown = s.wait_for_display(shows_running, "'Running' with Stop enabled")
            log(f"after the tick it shows {shown}")
            self.assertEqual(s.service_state(), RUNNING)
            self.assertTrue(s.service_registered())
            self.assert_alive(s, tool, "after the watchdog's tick")
            assert_no_service(s)


if __name__ == "__main__":
    unittest.main(verbosity=2)
