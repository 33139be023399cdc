"""LumClient read through the accessibility bus (AT-SPI) as a screen reader reads it, on Xvfb with
a window manager: every control of every window has a name that is not its value; the main
dialog's message line says the compare result, the world time dialog the information for 뉴욕,
the schedule dialog its date title; a box ticked through its accessibility action writes its
setting into "TIKo.conf".

    accessibility_test.py PATH_TO_LUMCLIENT"""

import os
import re
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


class AccessibleContents(unittest.TestCase):
    NAMED = None

    def application(self):
        import pyatspi
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name in ("TIKo3", "LumClient"):
                return app
        return None

    def window(self, title):
        import pyatspi
        app = wait_for(self.application, "the program on the accessibility bus", 30)
        return wait_for(lambda: find(app, pyatspi.ROLE_DIALOG, title) or find(app, pyatspi.ROLE_FRAME, title) or
                        find(app, pyatspi.ROLE_WINDOW, title), "window " + title, 30)

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


if __name__ == "__main__":
    PROGRAM = sys.argv.pop(1)
    unittest.main()
