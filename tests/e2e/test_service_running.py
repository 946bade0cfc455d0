"""With the service installed and running, the tool shows "Running" with Stop
and Restart usable and Start not; and it keeps following the service: stopped
from outside, the window turns to "Stopped" on its own."""

import unittest

import qve2e
from qve2e import RUNNING, STOPPED, log


class ServiceRunningTest(unittest.TestCase):
    def test_shows_running_then_follows_a_stop(self):
        with qve2e.session("service_running") as s:
            s.install_service()
            s.start_service()
            s.wait_service_state(RUNNING)

            s.launch_tool()
            s.wait_for_window()
            shown = s.wait_for_display(
                lambda d: d.status == "Running" and d.label("Start") == "disabled",
                "'Running' with Start greyed")
            log(f"shows {shown} after {s.since_launch():.1f} s")
            self.assertEqual(shown.label("Stop"), "enabled", shown)
            self.assertEqual(shown.label("Restart"), "enabled", shown)
            # Off by a pixel at most: an odd width cannot centre exactly.
            self.assertLessEqual(abs(qve2e.status_off_centre(s.last_screenshot)), 1.0)

            # The periodic refresh, seen from outside.
            s.stop_service()
            s.wait_service_state(STOPPED)
            shown = s.wait_for_display(
                lambda d: d.status == "Stopped" and d.label("Start") == "enabled",
                "'Stopped' with Start enabled after the service stopped")
            log(f"after the stop it shows {shown}")
            self.assertEqual(shown.label("Stop"), "disabled", shown)
            self.assertEqual(shown.label("Restart"), "disabled", shown)


if __name__ == "__main__":
    unittest.main(verbosity=2)
