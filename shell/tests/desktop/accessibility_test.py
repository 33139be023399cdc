"""LumClient read through the accessibility bus (AT-SPI) as a screen reader reads it, on Xvfb with
a window manager: every control of every window has a name that is not its value; the main
dialog's message line says the compare result, the world time dialog the information for 뉴욕,
the schedule dialog its date title; a box ticked through its accessibility action writes its
setting into "TIKo.conf"; a button's access key is its key binding. Tab goes through every dialog
in reading order; the dialogs take a larger desktop font and still hold all they show.

    accessibility_test.py PATH_TO_LUMCLIENT [CLASS]

A test class a run: the accessibility library keeps the bus of the first desktop it was used on."""

import os
import re
import signal
import socket
import struct
import sys
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, wait_for  # noqa: E402

PROGRAM = None
NTP_EPOCH = 2208988800
AHEAD = 2.5  # the responder's clock runs this far ahead of the PC's


class SntpResponder:
    """Answers every SNTP request on a loopback port with a time AHEAD seconds ahead."""

    def __init__(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", 0))
        self.port = self.sock.getsockname()[1]
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    @staticmethod
    def _stamp(t):
        seconds = int(t)
        return struct.pack("!II", seconds + NTP_EPOCH, int((t - seconds) * 2 ** 32))

    def _serve(self):
        while True:
            try:
                data, peer = self.sock.recvfrom(512)
            except OSError:
                return
            if len(data) < 48:
                continue
            now = self._stamp(time.time() + AHEAD)
            reply = (bytes([0x24, 1, data[2], 0xEC]) + bytes(8) + b"LOCL" + now + data[40:48] +
                     now + self._stamp(time.time() + AHEAD))
            self.sock.sendto(reply, peer)

    def close(self):
        self.sock.close()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role, name=None, description=None):
    for node in walk(root):
        if node.getRole() != role:
            continue
        if name is not None and node.name != name:
            continue
        if description is not None and node.description != description:
            continue
        return node
    return None


def action(node, *names):
    """Does the node's first action among `names` (Qt's names: Press, Toggle, ...)."""
    act = node.queryAction()
    for i in range(act.nActions):
        if act.getName(i) in names:
            act.doAction(i)
            return
    raise AssertionError("%s has none of %s" % (node.name, names))


def places(window):
    """The focused control under `window` and its place on the screen (x, y, width, height)."""
    import pyatspi
    whole = {pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST,
             pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY}
    # A widget whose focus proxy has the focus says it is focused too: the deepest one counts.
    focused, stack = None, [(window, 0)]
    while stack:
        node, depth = stack.pop()
        if node is not window and node.getState().contains(pyatspi.STATE_FOCUSED):
            if focused is None or depth > focused[1]:
                focused = (node, depth)
        if node.getRole() not in whole:
            stack.extend((c, depth + 1) for c in (node.getChildAtIndex(i) for i in range(node.childCount)) if c)
    if focused is None:
        return None
    e = focused[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return focused[0].name or focused[0].getRoleName(), (e.x, e.y, e.width, e.height)


def settled(look):
    """`look` as a condition to wait for: None while the tree changes under it (a window closing
    as another opens), so the next try reads it anew."""
    def attempt():
        try:
            return look()
        except Exception:  # GLib.GError: an object gone between two calls
            return None
    return attempt


def tab_cycle(desk, window, xid):
    """The controls that Tab visits, from the focused one until it comes round to it again."""
    desk.run(["xdotool", "windowactivate", "--sync", str(xid)])
    focus_place = settled(lambda: places(window))
    cycle = [wait_for(focus_place, "a focused control")]
    for _ in range(60):
        desk.run(["xdotool", "key", "Tab"], check=True)
        now = wait_for(lambda: (lambda p: p if p and p != cycle[-1] else None)(focus_place()),
                       "focus to move on from " + cycle[-1][0])
        if now == cycle[0]:
            return cycle
        cycle.append(now)
    raise AssertionError("Tab never came back to " + cycle[0][0])


def from_top_left(cycle):
    start = min(range(len(cycle)), key=lambda i: (cycle[i][1][1], cycle[i][1][0]))
    return cycle[start:] + cycle[:start]


def out_of_order(steps):
    """The steps against reading order, which goes on along a row (rows within half a control's
    height), down to a later row, or up into a column to the right."""
    wrong = []
    for (name_a, (ax, ay, aw, ah)), (name_b, (bx, by, bw, bh)) in zip(steps, steps[1:]):
        row = min(ah, bh) / 2
        if (abs(by - ay) <= row and bx > ax) or by > ay + row or bx >= ax + aw - row:
            continue
        wrong.append("%s -> %s" % (name_a, name_b))
    return wrong


class ScreenReader(unittest.TestCase):
    """What the tests below share: the program's windows as the accessibility bus shows them."""

    def application(self):
        import pyatspi
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name in ("TIKo3", "LumClient"):
                return app
        return None

    def window(self, title):
        import pyatspi
        app = wait_for(self.application, "the program on the accessibility bus", 30)
        return wait_for(settled(lambda: find(app, pyatspi.ROLE_DIALOG, title) or find(app, pyatspi.ROLE_FRAME, title)
                                or find(app, pyatspi.ROLE_WINDOW, title)), "window " + title, 30)

    def check_names(self, window):
        """Every control says what it is: a name, never only its value."""
        import pyatspi
        controls = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
                    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT, pyatspi.ROLE_SLIDER,
                    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TREE,
                    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE}
        value_like = re.compile(r"^\s*[\d.:\-]+\s*(시|분|초)?\s*$")
        problems = []
        for node in walk(window):
            if node.getRole() not in controls:
                continue
            if not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            name = node.name or ""
            if not name.strip():
                problems.append("%s without a name" % node.getRoleName())
            elif value_like.match(name):
                problems.append("%s named by its value %r" % (node.getRoleName(), name))
        self.assertEqual(problems, [], window.name)

    def check_inside(self, window, screen=(1280, 1024)):
        """The window lies inside the screen and every control it shows inside the window."""
        import pyatspi

        def box(node):
            e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            return e.x, e.y, e.x + e.width, e.y + e.height
        left, top, right, bottom = box(window)
        self.assertTrue(left >= 0 and top >= 0 and right <= screen[0] and bottom <= screen[1],
                        "%s at %s" % (window.name, box(window)))
        outside = []
        for node in walk(window):
            if node is window or not node.getState().contains(pyatspi.STATE_SHOWING):
                continue
            if node.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TREE_ITEM,
                                  pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER):
                continue  # a view's rows scroll inside it
            l, t, r, b = box(node)
            if r > l and b > t and (l < left or t < top or r > right or b > bottom):
                outside.append("%s %s" % (node.getRoleName(), node.name))
        self.assertEqual(outside, [], window.name)


class AccessibleContents(ScreenReader):
    def test_a_reader_hears_what_each_window_shows(self):
        import pyatspi
        responder = SntpResponder()
        server = "127.0.0.1:%d" % responder.port
        try:
            with Desktop(PROGRAM, accessibility=True) as desk:
                desk.env.update(TIKO3_PRIMARY_SERVER=server, TIKO3_SECONDARY_SERVER=server)
                desk.start(env={"TIKO3_PRINT_RESULTS": "1"})
                main = self.window("TIKo3")

                # The compare at start: the message line says the result, the face the time.
                log = os.path.join(desk.tmp, "client.log")

                def printed():
                    with open(log, encoding="utf-8", errors="replace") as f:
                        lines = [l.strip() for l in f if "사용자 PC가" in l]
                    return lines[-1] if lines else None
                result = wait_for(printed, "the compare result", 30)
                # 2.500 on a quiet machine; a loaded one delays the exchange by some milliseconds.
                late = re.match(r"^사용자 PC가 (\d+\.\d{3}) 초 늦습니다\.$", result)
                self.assertIsNotNone(late, result)
                self.assertAlmostEqual(float(late.group(1)), AHEAD, delta=0.1)
                line = wait_for(lambda: find(main, pyatspi.ROLE_LABEL, description="메시지"), "the message line")
                wait_for(lambda: line.name == result, "the result on the message line: %r" % line.name)
                face = find(main, pyatspi.ROLE_LABEL, description="시계")
                self.assertIsNotNone(face)
                self.assertRegex(face.name, r"\d\d:\d\d")
                self.check_names(main)
                # A button's access key, which a reader says with it.
                press = find(main, pyatspi.ROLE_PUSH_BUTTON, "동기").queryAction()
                self.assertEqual([press.getKeyBinding(i) for i in range(press.nActions)
                                  if press.getName(i) == "Press"], ["Alt+S"])

                # 세계시: the information text for 뉴욕.
                action(find(main, pyatspi.ROLE_PUSH_BUTTON, "세계시"), "Press")
                world = self.window("세계시각")
                search = find(world, pyatspi.ROLE_TEXT, "찾을 지역") or find(world, pyatspi.ROLE_ENTRY, "찾을 지역")
                search.queryEditableText().setTextContents("뉴욕")
                action(find(world, pyatspi.ROLE_PUSH_BUTTON, "찾기"), "Press")
                info = find(world, pyatspi.ROLE_LABEL, description="지역 정보")
                wait_for(lambda: info.name.startswith("선택하신 지역은"), "the information for 뉴욕: %r" % info.name)
                self.assertNotIn("_", "".join(n.name or "" for n in walk(world)
                                              if n.getRole() == pyatspi.ROLE_TABLE_CELL))
                self.check_names(world)

                # 설정, 알람설정, 일정관리: the schedule dialog's date title.
                action(find(main, pyatspi.ROLE_PUSH_BUTTON, "설정"), "Press")
                sheet = self.window("설정")
                self.check_names(sheet)
                action(find(sheet, pyatspi.ROLE_PAGE_TAB, "알람설정"), "Press")
                schedules = wait_for(lambda: find(sheet, pyatspi.ROLE_PUSH_BUTTON, "일정관리"), "일정관리")
                wait_for(lambda: schedules.getState().contains(pyatspi.STATE_SHOWING), "the alarm page")
                self.check_names(sheet)
                action(schedules, "Press")
                book = self.window("일정관리")
                title = find(book, pyatspi.ROLE_LABEL, description="일정표 날짜")
                wait_for(lambda: re.match(r"^\d{4}년 +\d+월 +\d+일 일정표$", title.name or ""),
                         "the date title: %r" % title.name)
                self.check_names(book)
                days = [n.name for n in walk(find(book, pyatspi.ROLE_TABLE, "날짜"))
                        if n.getRole() == pyatspi.ROLE_TABLE_CELL]
                self.assertTrue(any(re.match(r"^\d{4}년 \d+월 \d+일 .요일$", d or "") for d in days), days[:10])
                conf = os.path.join(desk.work, "TIKo.conf")
                wait_for(lambda: os.path.exists(conf), "TIKo.conf saved after the sheet")
                before = read(conf)

                # A box ticked through its action, as a screen reader does, writes its setting.
                action(find(main, pyatspi.ROLE_PUSH_BUTTON, "설정"), "Press")
                sheet = self.window("설정")
                action(find(sheet, pyatspi.ROLE_PAGE_TAB, "환경설정"), "Press")
                box = wait_for(lambda: find(sheet, pyatspi.ROLE_CHECK_BOX, "24시간제 표시"), "24시간제 표시")
                action(box, "Toggle")
                wait_for(lambda: not box.getState().contains(pyatspi.STATE_CHECKED), "the box unticked")
                action(find(sheet, pyatspi.ROLE_PUSH_BUTTON, "확인"), "Press")
                wait_for(lambda: read(conf) != before, "the setting saved into TIKo.conf")
        finally:
            responder.close()


class TabOrder(ScreenReader):
    def check_tab_order(self, desk, window, title, then=()):
        """Tab goes through the window in reading order; the buttons named in `then` act on
        what was entered before them and come last, in reading order among themselves."""
        cycle = from_top_left(tab_cycle(desk, window, desk.window("^%s$" % title)))
        fields = [c for c in cycle if c[0] not in then]
        acting = [c for c in cycle if c[0] in then]
        names = [c[0] for c in cycle]
        self.assertEqual(names, [c[0] for c in fields + acting], title)
        self.assertEqual(out_of_order(fields) + out_of_order(acting), [], "%s: %s" % (title, names))
        return names

    def test_tab_goes_through_each_dialog_in_reading_order(self):
        import pyatspi
        with Desktop(PROGRAM, accessibility=True) as desk:
            desk.start()
            main = self.window("TIKo3")
            self.check_tab_order(desk, main, "TIKo3")

            action(find(main, pyatspi.ROLE_PUSH_BUTTON, "세계시"), "Press")
            self.check_tab_order(desk, self.window("세계시각"), "세계시각")
            desk.key("Escape")

            action(find(main, pyatspi.ROLE_PUSH_BUTTON, "도움말"), "Press")
            self.check_tab_order(desk, self.window("표준시 정보"), "표준시 정보")
            desk.key("Escape")

            action(find(main, pyatspi.ROLE_PUSH_BUTTON, "설정"), "Press")
            sheet = self.window("설정")
            for page in ("동기정보", "환경설정", "알람설정", "시각전송"):
                action(find(sheet, pyatspi.ROLE_PAGE_TAB, page), "Press")
                self.check_tab_order(desk, sheet, "설정")
            schedules = find(sheet, pyatspi.ROLE_PUSH_BUTTON, "일정관리")
            action(find(sheet, pyatspi.ROLE_PAGE_TAB, "알람설정"), "Press")
            action(schedules, "Press")
            self.check_tab_order(desk, self.window("일정관리"), "일정관리",
                                 then=("추가", "변경", "삭제", "일정표삭제", "닫기"))

class DesktopFont(ScreenReader):
    def test_dialogs_take_a_larger_desktop_font(self):
        """The desktop's font size as a KDE desktop keeps it ("kdeglobals", which Qt's own KDE
        theme reads): a desktop at 8 points leaves the dialogs at 9; 12 points reach every dialog
        and nothing falls outside it."""
        import pyatspi
        with Desktop(PROGRAM, accessibility=True) as desk:
            config = desk.env["XDG_CONFIG_HOME"]
            os.makedirs(config, exist_ok=True)
            for desktop_points, dialog_points in ((8, 9), (12, 12)):
                with open(os.path.join(config, "kdeglobals"), "w") as f:
                    f.write("[General]\nfont=Noto Sans,%d,-1,5,50,0,0,0,0,0\n" % desktop_points)
                if desk.client is not None:  # the run before ends first
                    desk.client.send_signal(signal.SIGTERM)
                    self.assertEqual(desk.client.wait(30), 0)
                    wait_for(settled(lambda: self.application() is None), "the first run gone from the bus")
                    desk.client = None
                desk.start(env={"XDG_CURRENT_DESKTOP": "KDE", "KDE_SESSION_VERSION": "5"})
                main = self.window("TIKo3")
                action(find(main, pyatspi.ROLE_PUSH_BUTTON, "설정"), "Press")
                sheet = self.window("설정")
                server = wait_for(lambda: find(sheet, pyatspi.ROLE_TEXT, "접속 서버"), "접속 서버")
                attributes = server.queryText().getAttributeRun(0, False)[0]
                self.assertIn("size:%d" % dialog_points, attributes)
                if dialog_points == 9:
                    action(find(sheet, pyatspi.ROLE_PUSH_BUTTON, "취소"), "Press")
            self.check_inside(main)
            for page in ("동기정보", "환경설정", "알람설정", "시각전송"):
                action(find(sheet, pyatspi.ROLE_PAGE_TAB, page), "Press")
                self.check_inside(sheet)
            action(find(sheet, pyatspi.ROLE_PUSH_BUTTON, "일정관리"), "Press")
            self.check_inside(self.window("일정관리"))
            action(find(main, pyatspi.ROLE_PUSH_BUTTON, "세계시"), "Press")
            self.check_inside(self.window("세계시각"))
            action(find(main, pyatspi.ROLE_PUSH_BUTTON, "도움말"), "Press")
            self.check_inside(self.window("표준시 정보"))


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
