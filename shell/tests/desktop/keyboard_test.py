"""LumClient with the keyboard alone on a desktop without a notification area, under a window
manager: a hidden main dialog comes back from a second start, and the program ends from its
context menu by the item's letter.

    keyboard_test.py PATH_TO_LUMCLIENT"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, wait_for  # noqa: E402

PROGRAM = None


class KeyboardWithoutTray(unittest.TestCase):
    def test_hidden_main_dialog_comes_back_and_the_menu_ends_the_program(self):
        with Desktop(PROGRAM) as desk:
            client = desk.start()
            main = desk.window("^TIKo3$")
            # Escape only minimises where nothing else could show the dialog again.
            desk.key("Escape", window=main)
            wait_for(lambda: desk.wm_state(main) == "Iconic", "the main dialog minimised")
            second = desk.start()
            self.assertEqual(second.wait(30), 1)
            wait_for(lambda: desk.wm_state(main) == "Normal", "the main dialog shown again")
            self.assertIsNone(client.poll())
            # The context menu from the keyboard, and 종료 by its letter.
            desk.key("shift+F10", window=main)
            wait_for(desk.popup_menu_shown, "the context menu")
            desk.key("x")
            self.assertEqual(client.wait(30), 0)


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
