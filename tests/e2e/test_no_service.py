"""With no QuorvelVC service installed, the tool says so: "Stopped", and of
the three commands only Start can be used."""

import unittest

import qve2e
from qve2e import log


class NoServiceTest(unittest.TestCase):
    def test_shows_stopped_with_only_start_enabled(self):
        with qve2e.session("no_service") as s:
            self.assertIsNone(s.service_state(), "the fresh prefix already has the service")
            self.assertFalse(s.service_registered())

            s.launch_tool()
            s.wait_for_window()
            shown = s.wait_for_display(
                lambda d: d.status == "Stopped" and d.label("Start") == "enabled",
                "'Stopped' with Start enabled")
            log(f"shows {shown} after {s.since_launch():.1f} s")
            self.assertEqual(shown.label("Stop"), "disabled", shown)
            self.assertEqual(shown.label("Restart"), "disabled", shown)
            # Off by a pixel at most: an odd width cannot centre exactly.
            self.assertLessEqual(abs(qve2e.status_off_centre(s.last_screenshot)), 1.0)

            # Looking must not have installed anything.
            self.assertIsNone(s.service_state())


if __name__ == "__main__":
    unittest.main(verbosity=2)
