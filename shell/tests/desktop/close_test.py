"""LumClient ended from every modal state by SIGTERM, SIGHUP and SIGINT, and by the end of its X
server: each run ends within 5 s with status 0, and what was changed just before is in the files.

    close_test.py PATH_TO_LUMCLIENT"""

import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, wait_for  # noqa: E402

import pyatspi  # noqa: E402

PROGRAM = None
SIGNALS = (signal.SIGTERM, signal.SIGHUP, signal.SIGINT)
END_BOUND = 5.0


def parse_store(path):
    """The records of a tree file: (level, type, fields) with the fields as bytes."""
    with open(path, "rb") as f:
        data = f.read()
    records, i = [], 0
    while i < len(data):
        n = int(data[i:i + 8], 16)
        level, kind = data[i + 8:i + 11], data[i + 12:i + 15]
        payload = data[i + 15:i + 8 + n - 1]
        fields, j = [], 1
        while j < len(payload) - 1:
            m = int(payload[j:j + 8], 16)
            fields.append(payload[j + 8:j + 8 + m])
            j += 8 + m
        records.append((level, kind, fields))
        i += 8 + n
    return records


class Program:
    """One run of LumClient on the desktop, reached through the accessibility bus."""

    def __init__(self, desk):
        self.desk = desk
        self.proc = desk.start()
        self.main = desk.window("^TIKo3$")
        self.app = wait_for(self._find_app, "LumClient on the accessibility bus")

    def _find_app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.proc.pid:
                return app
        return None

    def nodes(self):
        stack = [self.app]
        while stack:
            node = stack.pop()
            if node is None:
                continue
            yield node
            # The tree changes while it is read (the schedule list refills): a child gone
            # meanwhile is skipped.
            try:
                for i in range(node.childCount):
                    stack.append(node.getChildAtIndex(i))
            except Exception:  # noqa: BLE001 -- GLib.Error from the bus
                continue

    def find(self, name, role=None, showing=True):
        def search():
            for node in self.nodes():
                if node.name == name and (role is None or node.getRoleName() == role):
                    if not showing or node.getState().contains(pyatspi.STATE_SHOWING):
                        return node
            return None
        return wait_for(search, "%s %r" % (role or "node", name))

    def text_shown(self, text):
        def search():
            try:
                for node in self.nodes():
                    if text in (node.name or "") and node.getState().contains(pyatspi.STATE_SHOWING):
                        return node
            except Exception:  # noqa: BLE001 -- a node gone while read: look again
                pass
            return None
        try:
            return wait_for(search, "the text %r" % text)
        except AssertionError:
            shown = [n.name for n in self.nodes() if n.name and n.getState().contains(pyatspi.STATE_SHOWING)]
            raise AssertionError("no %r among %r" % (text, shown))

    def press(self, name, role="push button"):
        node = self.find(name, role)
        action = node.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press"))

    def modal_gone(self, text):
        def gone():
            try:
                return not any(text in (n.name or "") and n.getState().contains(pyatspi.STATE_SHOWING)
                               for n in self.nodes())
            except Exception:  # noqa: BLE001 -- a node gone while read: look again
                return False
        wait_for(gone, "the box %r closed" % text)

    def main_extents(self):
        dialog = self.find("TIKo3", "dialog")
        box = dialog.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return box.x, box.y

    def move_main(self, x, y):
        """Moves the main dialog and waits until the program itself has seen it move."""
        before = self.main_extents()
        self.desk.run(["xdotool", "windowmove", "--sync", str(self.main), str(x), str(y)], check=True)
        wait_for(lambda: self.main_extents() != before, "the program seeing the move")
        return self.main_extents()

    def end(self, signum):
        self.proc.send_signal(signum)
        return self.proc.wait(END_BOUND)


class EndedFromEveryModalState(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desk = Desktop(PROGRAM, accessibility=True)
        os.makedirs(os.path.join(cls.desk.tmp, ".xscreensaver"))
        cls.runs = 0

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()

    def conf(self):
        return parse_store(os.path.join(self.desk.work, "TIKo.conf"))

    def memos(self):
        book = parse_store(os.path.join(self.desk.work, "TIKo.sche"))
        return [r[2][12].decode("cp949") for r in book if r[1] == b"001"]

    def main_place(self):
        for level, kind, fields in self.conf():
            if kind == b"005":
                return int(fields[1]), int(fields[2])
        return None

    def env_flag(self, index):
        for level, kind, fields in self.conf():
            if kind == b"002":
                return int(fields[index])
        return None

    def each_signal(self, opener, what):
        """Runs the program once per signal: `opener` brings it into the state and returns what
        must be in the files afterwards (a memo of the book, or a check to call), or None."""
        for signum in SIGNALS:
            with self.subTest(state=what, signal=signal.Signals(signum).name):
                type(self).runs += 1
                run = type(self).runs
                program = Program(self.desk)
                try:
                    # The change made just before: the main dialog somewhere new.
                    program.move_main(100 + 7 * run, 150 + 5 * run)
                    expected = opener(program, run)
                    status = program.end(signum)
                finally:
                    if program.proc.poll() is None:
                        program.proc.kill()
                        program.proc.wait()
                self.assertEqual(status, 0, self.log())
                self.assertEqual(self.main_place(), (100 + 7 * run, 150 + 5 * run))
                if callable(expected):
                    expected()
                elif expected is not None:
                    self.assertIn(expected, self.memos())

    def log(self):
        with open(os.path.join(self.desk.tmp, "client.log"), "rb") as f:
            return f.read().decode("utf-8", "replace")[-2000:]

    # The schedule dialog from the main dialog's context menu (the tray menu): 일정관리.
    def open_schedule(self, program):
        self.desk.key("shift+F10", window=program.main)
        wait_for(self.desk.popup_menu_shown, "the context menu")
        self.desk.key("Down", "Down", "Down", "Down", "Down", "Return")
        program.find("일정메모", "text")

    def pick_day(self, program, key):
        calendar = program.find("날짜")
        calendar.queryComponent().grabFocus()
        self.desk.key(key)

    def add_item(self, program, run, day_key="Right"):
        self.open_schedule(program)
        self.pick_day(program, day_key)
        memo = "항목 %d" % run
        program.find("일정메모", "text").queryEditableText().setTextContents(memo)
        # A fresh dialog has neither a repeat kind nor an alarm chosen.
        program.find("당일", "radio button").queryAction().doAction(0)
        program.find("정각", "check box").queryAction().doAction(0)
        program.press("추가")
        return memo

    def test_added_box(self):
        def opener(program, run):
            memo = self.add_item(program, run)
            program.text_shown("일정이 추가되었습니다.")
            return memo
        self.each_signal(opener, "일정이 추가되었습니다.")

    def test_delete_all_question(self):
        def opener(program, run):
            memo = self.add_item(program, run)
            program.text_shown("일정이 추가되었습니다.")
            self.desk.key("Return")
            program.modal_gone("일정이 추가되었습니다.")
            program.press("일정표삭제")
            program.text_shown("정말, 삭제하시겠습니까?")
            return memo
        self.each_signal(opener, "일정표삭제")

    def test_no_memo_box(self):
        def opener(program, run):
            self.open_schedule(program)
            self.pick_day(program, "Right")
            program.press("추가")
            program.text_shown("일정 내용을 입력하십시요!")
            return None
        self.each_signal(opener, "일정 내용을 입력하십시요!")

    def test_past_add_box(self):
        def opener(program, run):
            self.open_schedule(program)
            self.pick_day(program, "Left")
            self.desk.key("Left")
            program.find("일정메모", "text").queryEditableText().setTextContents("지난 일")
            program.press("추가")
            program.text_shown("현재 일시 이후부터 입력하실수 있읍니다.")
            return None
        self.each_signal(opener, "the refused past add")

    def test_settings_sheet_with_a_box(self):
        def opener(program, run):
            program.press("설정")
            program.find("환경설정", "page tab").queryAction().doAction(0)
            before = self.click(program.find("로그정보 남김", "check box"))
            wait_for(lambda: program.find("로그정보 남김", "check box").getState().contains(
                pyatspi.STATE_CHECKED) != before, "the flag changed")
            # The screen-saver box refuses a settings file it cannot read: a box on the sheet.
            self.click(program.find("스크린세이버 사용", "check box"))
            wait_for(lambda: len(self.desk.windows("^TIKo3$")) >= 2, "the screen-saver box")
            return lambda: self.assertEqual(self.env_flag(4), 0 if before else 1)
        self.each_signal(opener, "settings sheet with a box")

    def click(self, check_box):
        """Clicks a check box with the mouse (the pages act on a click, not on any toggle) and
        returns whether it was ticked before."""
        ticked = check_box.getState().contains(pyatspi.STATE_CHECKED)
        box = check_box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.desk.run(["xdotool", "mousemove", "--sync", str(box.x + 6), str(box.y + box.height // 2),
                       "click", "1"], check=True)
        return ticked

    def test_colour_dialog(self):
        def opener(program, run):
            program.press("설정")
            program.find("환경설정", "page tab").queryAction().doAction(0)
            program.press("시계창 배경색", "push button")
            wait_for(lambda: len(self.desk.windows("Select Color|색")) > 0, "the colour dialog")
            return None
        self.each_signal(opener, "colour dialog")

    def test_help_box(self):
        def opener(program, run):
            program.press("도움말")
            wait_for(lambda: self.desk.windows("^표준시 정보$"), "the help box")
            return None
        self.each_signal(opener, "help box")

    def test_world_time_dialog(self):
        def opener(program, run):
            program.press("세계시")
            wait_for(lambda: len(self.desk.windows("세계")) > 0, "the world time dialog")
            return None
        self.each_signal(opener, "world time dialog")

    def test_tray_menu(self):
        def opener(program, run):
            self.desk.key("shift+F10", window=program.main)
            wait_for(self.desk.popup_menu_shown, "the menu")
            return None
        self.each_signal(opener, "tray menu")


class EndedWithItsDisplay(unittest.TestCase):
    def test_the_x_server_ends_with_the_main_dialog_moved(self):
        # No accessibility bus here (the first desktop's holds this process): the menu opened
        # from the keyboard after the move shows that the program has read the X events up to it.
        with Desktop(PROGRAM) as desk:
            client = desk.start()
            main = desk.window("^TIKo3$")
            desk.run(["xdotool", "windowmove", "--sync", str(main), "111", "222"], check=True)
            desk.key("shift+F10", window=main)
            wait_for(desk.popup_menu_shown, "the context menu")
            desk.procs[0].terminate()  # Xvfb
            status = client.wait(END_BOUND)
            with open(os.path.join(desk.tmp, "client.log"), "rb") as f:
                log = f.read().decode("utf-8", "replace")
            self.assertEqual(status, 0, log)
            self.assertIn("The X11 connection broke", log)
            conf = parse_store(os.path.join(desk.work, "TIKo.conf"))
            place = next((int(f[1]), int(f[2])) for level, kind, f in conf if kind == b"005")
            self.assertEqual(place, (111, 222))


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
