"""What the desktop tests stand on: an X server with a window manager, a private session and
accessibility bus, a private working directory, and LumClient started in it.

Every wait is bounded; nothing sleeps in the hope that something happened."""

import os
import shutil
import signal
import subprocess
import tempfile
import time


# A hang guard, not a timing: under a busy build an X server or openbox can take many seconds.
BOUND = 60.0


def wait_for(cond, what, bound=BOUND, step=0.05):
    end = time.monotonic() + bound
    while time.monotonic() < end:
        value = cond()
        if value:
            return value
        time.sleep(step)
    raise AssertionError("timed out waiting for " + what)


class Desktop:
    """Xvfb (1280 x 1024), optionally openbox, optionally a dbus session with AT-SPI."""

    def __init__(self, program, window_manager=True, accessibility=False, size="1280x1024"):
        self.program = program
        self.tmp = tempfile.mkdtemp(prefix="tiko3-desktop-")
        self.procs = []
        self.env = dict(os.environ)
        for key in ("QT_SCALE_FACTOR", "QT_FONT_DPI", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            self.env.pop(key, None)
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24",
                                 "-nolisten", "tcp"], pass_fds=(write,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        self.procs.append(xvfb)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise AssertionError("Xvfb did not start")
            number += chunk
        os.close(read)
        run = os.path.join(self.tmp, "run")
        os.makedirs(run, mode=0o700)
        self.work = os.path.join(self.tmp, "work")
        self.env.update(DISPLAY=":" + number.decode().strip(), XDG_RUNTIME_DIR=run, HOME=self.tmp,
                        XDG_CONFIG_HOME=os.path.join(self.tmp, "config"),
                        TIKO3_NO_MESSAGE_BOXES="1", LANG="C.UTF-8",
                        # Nothing answers on the discard port: results come without the network.
                        TIKO3_PRIMARY_SERVER="127.0.0.1:9", TIKO3_SECONDARY_SERVER="127.0.0.1:9")
        if accessibility:
            self._start_buses()
        if window_manager:
            rc = os.path.join(self.tmp, "openbox.xml")
            with open(rc, "w") as f:
                f.write('<openbox_config xmlns="http://openbox.org/3.4/rc"/>\n')
            # Now and then openbox cannot open a display that Xvfb has just announced; one that
            # ended so is started again.
            wm = [None]

            def managed():
                if wm[0] is None or wm[0].poll() is not None:
                    wm[0] = self.spawn(["openbox", "--sm-disable", "--config-file", rc])
                return "_NET_SUPPORTING_WM_CHECK" in self.run(["xprop", "-root"])
            wait_for(managed, "openbox")
        self.client = None

    def _start_buses(self):
        bus = subprocess.run(["dbus-launch", "--sh-syntax"], env=self.env, capture_output=True,
                             text=True, check=True).stdout
        for line in bus.splitlines():
            if line.startswith("DBUS_SESSION_BUS_ADDRESS="):
                self.env["DBUS_SESSION_BUS_ADDRESS"] = line.split("=", 1)[1].rstrip(";").strip("'")
            if line.startswith("DBUS_SESSION_BUS_PID="):
                self.bus_pid = int(line.split("=", 1)[1].rstrip(";"))
        self.env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                        NO_AT_BRIDGE="0", GTK_MODULES="")
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        os.environ.update({k: self.env[k] for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS")})

    def spawn(self, argv, **kwargs):
        proc = subprocess.Popen(argv, env=kwargs.pop("env", self.env), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, **kwargs)
        self.procs.append(proc)
        return proc

    def run(self, argv, check=False):
        done = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise AssertionError("%s: %s" % (argv, done.stderr))
        return done.stdout

    def start(self, *args, env=None):
        with open(os.path.join(self.tmp, "client.log"), "ab") as log:
            proc = subprocess.Popen([self.program, "--workdir", self.work, *args],
                                    env=dict(self.env, **(env or {})), stdout=log, stderr=log)
        if self.client is None:
            self.client = proc
        return proc

    def windows(self, name, visible=True):
        argv = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + ["--name", name]
        return [int(w) for w in self.run(argv).split()]

    def window(self, name, bound=BOUND):
        """The largest visible window of that title."""
        def largest():
            found = []
            for w in self.windows(name):
                g = self.geometry(w)
                if g:
                    found.append((g[2] * g[3], w))
            return max(found)[1] if found else None
        return wait_for(largest, "window " + name, bound)

    def geometry(self, window):
        out = self.run(["xdotool", "getwindowgeometry", "--shell", str(window)])
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        if "X" not in values:
            return None
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def popup_menu_shown(self):
        """True while one of the program's pop-ups (a menu) is mapped on the screen."""
        for line in self.run(["xwininfo", "-root", "-children"]).splitlines():
            line = line.strip()
            if not line.startswith("0x") or '"LumClient"' not in line:
                continue
            info = self.run(["xwininfo", "-id", line.split()[0]])
            if "IsViewable" in info and "Override Redirect State: yes" in info:
                return True
        return False

    def wm_state(self, window):
        out = self.run(["xprop", "-id", str(window), "WM_STATE"])
        for state in ("Normal", "Iconic", "Withdrawn"):
            if "window state: " + state in out:
                return state
        return None

    def key(self, *keys, window=None):
        if window is not None:
            self.run(["xdotool", "windowactivate", "--sync", str(window)])
        self.run(["xdotool", "key", "--delay", "50", *keys], check=True)

    def shot(self, path):
        self.run(["import", "-window", "root", path], check=True)

    def close(self):
        if self.client is not None and self.client.poll() is None:
            self.client.send_signal(signal.SIGTERM)
            try:
                self.client.wait(20)
            except subprocess.TimeoutExpired:
                self.client.kill()
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        if getattr(self, "bus_pid", None):
            try:
                os.kill(self.bus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.tmp, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
