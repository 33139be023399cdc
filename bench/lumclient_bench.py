#!/usr/bin/env python3
"""The running desktop program's figures, measured under Xvfb against a loopback SNTP server:
time from start to the main dialog's first paint (median over several starts), resident memory
at rest, and the CPU share over a window with the main dialog shown, beside `xclock -update 1`
and the floor (`handoff_floor_bench 5 0`: five threads that only hand each second down a chain,
as LumClient's second travels) measured in the same run.

    bench/lumclient_bench.py [--build DIR] [--starts N] [--cpu-seconds S] [--rounds R]

The CPU share is given twice: from the kernel's clock ticks (what `ps` and `top` show; one
tick is 1/CLK_TCK s, so over 30 s a step of 0.03 %) and from the scheduler's run time of every
thread (nanoseconds), with the GUI thread's part. R rounds measure R windows one after another
and end with the spread.

Each figure is one function; a further measurement (more windows shown, wake-ups) adds one
function and one line in main()."""
import argparse
import os
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time

CLK_TCK = os.sysconf("SC_CLK_TCK")


def sntp_responder():
    """A loopback SNTP server on a thread; returns its port."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))

    def ntp(t):
        t += 2208988800
        return struct.pack(">II", int(t), int((t % 1) * 2**32))

    def serve():
        while True:
            data, peer = s.recvfrom(512)
            if len(data) >= 48:
                now = time.time()
                s.sendto(bytes([0x24, 2, 6, 0xEC]) + b"\0" * 8 + b"LOCL" + ntp(now) + data[40:48] + ntp(now) + ntp(now), peer)

    threading.Thread(target=serve, daemon=True).start()
    return s.getsockname()[1]


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Session:
    """Xvfb, a responder and the environment every program of the run shares."""

    def __init__(self, program):
        self.program = program
        self.tmp = tempfile.mkdtemp(prefix="tiko3-bench-")
        self.display = ":%d" % (150 + os.getpid() % 100)
        self.xvfb = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port = sntp_responder()
        run = os.path.join(self.tmp, "run")
        os.mkdir(run, 0o700)
        self.env = dict(os.environ, DISPLAY=self.display, XDG_RUNTIME_DIR=run, HOME=self.tmp,
                        TIKO3_NO_MESSAGE_BOXES="1", TIKO3_PRIMARY_SERVER="127.0.0.1:%d" % port,
                        TIKO3_SECONDARY_SERVER="127.0.0.1:%d" % port)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env.pop("QT_QPA_PLATFORM", None)
        deadline = time.time() + 10
        while subprocess.call(["xdpyinfo", "-display", self.display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL) != 0:
            if time.time() > deadline:
                sys.exit("lumclient_bench: Xvfb did not start")
            time.sleep(0.1)

    def start(self):
        """LumClient with the first-paint hook; returns (process, ms from start to first paint)."""
        work = os.path.join(self.tmp, "work")
        t0 = time.monotonic_ns()
        process = subprocess.Popen([self.program, "--workdir", work], env=dict(self.env, TIKO3_REPORT_FIRST_PAINT="1"),
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        for line in process.stdout:
            if line.startswith("first-paint "):
                return process, (int(line.split()[1]) - t0) / 1e6
        sys.exit("lumclient_bench: LumClient ended before painting")

    @staticmethod
    def stop(process):
        process.terminate()
        process.wait(30)

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)


def first_paint(session, starts):
    times = []
    for _ in range(starts):
        process, ms = session.start()
        times.append(ms)
        session.stop(process)
    return statistics.median(times), min(times), max(times)


def cpu_share(pids, seconds):
    """Per pid, the CPU share (% of one core) over `seconds`."""
    before = {pid: cpu_ticks(pid) for pid in pids}
    time.sleep(seconds)
    return {pid: 100.0 * (cpu_ticks(pid) - before[pid]) / (seconds * CLK_TCK) for pid in pids}


def thread_counts(pid):
    """Per thread id of pid, (voluntary context switches, run time in ns) so far."""
    counts = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                switches = next(int(line.split()[1]) for line in f if line.startswith("voluntary_ctxt_switches:"))
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                counts[int(tid)] = (switches, int(f.read().split()[0]))
        except (OSError, StopIteration):
            pass  # the thread ended meanwhile
    return counts


class Figures:
    """One process over one window: CPU share from ticks and from run time (% of one core),
    wake-ups per second, and the main (GUI) thread's run-time share and wake-ups."""

    def __init__(self, ticks, before, after, seconds, main_tid):
        def delta(tids, i):
            return sum(after[t][i] - before.get(t, (0, 0))[i] for t in tids)
        self.ticks = ticks
        self.run = 100.0 * delta(after, 1) / 1e9 / seconds
        self.wakeups = delta(after, 0) / seconds
        self.main_run = 100.0 * delta([main_tid], 1) / 1e9 / seconds if main_tid in after else 0.0
        self.main_wakeups = delta([main_tid], 0) / seconds if main_tid in after else 0.0


def cpu_and_wakeups(pids, seconds):
    """Per pid, its Figures over the same `seconds`."""
    before = {pid: thread_counts(pid) for pid in pids}
    shares = cpu_share(pids, seconds)
    return {pid: Figures(shares[pid], before[pid], thread_counts(pid), seconds, pid) for pid in pids}


def seed_world_clocks(work, clocks=((5, "뉴욕"), (1, "서울"), (6, "시드니"))):
    """Adds open world clocks (region index, name) to the saved configuration of `work`, so the next
    start shows them; the configuration exists after any start has ended."""
    path = os.path.join(work, "TIKo.conf")
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")

    def field(data):
        return b"%08x" % len(data) + data

    added = []
    for i, (zone, name) in enumerate(clocks):
        payload = b"".join(field(str(v).encode()) for v in (150 + 60 * i, 150 + 60 * i, zone)) + field(name.encode("cp949"))
        line = b"002:009[" + payload + b"]\n"
        added.append(b"%08x" % len(line) + line[:-1])
    at = next(i for i, line in enumerate(lines) if line[8:15] == b"001:008") + 1
    while at < len(lines) and lines[at][8:11] == b"002":
        at += 1
    lines[at:at] = added
    with open(path, "wb") as f:
        f.write(b"\n".join(lines))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(here, "..", "build", "default"))
    parser.add_argument("--starts", type=int, default=7)
    parser.add_argument("--cpu-seconds", type=float, default=30)
    parser.add_argument("--rounds", type=int, default=1)
    args = parser.parse_args()
    program = os.path.join(os.path.abspath(args.build), "shell", "LumClient")
    for tool in ("Xvfb", "xdpyinfo", "xclock"):
        if shutil.which(tool) is None:
            sys.exit("lumclient_bench: %s is missing (scripts/deps.sh installs it)" % tool)

    session = Session(program)
    try:
        median, low, high = first_paint(session, args.starts)
        print("start to first paint of the main dialog: median %.0f ms (min %.0f, max %.0f, %d starts)"
              % (median, low, high, args.starts))

        seed_world_clocks(os.path.join(session.tmp, "work"))
        process, _ = session.start()
        xclock = subprocess.Popen(["xclock", "-update", "1"], env=session.env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Five threads that only hand each second down a chain, as LumClient's second travels
        # (tick thread, timer agent, clock source, mediator, GUI thread): the least it can cost.
        floor_program = os.path.join(os.path.abspath(args.build), "bench", "handoff_floor_bench")
        floor = subprocess.Popen([floor_program, "5", "0"]) if os.path.exists(floor_program) else None
        time.sleep(5)  # the start-up compare and the first seconds are over
        print("resident memory at rest: %.1f MiB" % (rss_kib(process.pid) / 1024))
        runs = []
        for _ in range(args.rounds):
            pids = [process.pid, xclock.pid] + ([floor.pid] if floor else [])
            figures = cpu_and_wakeups(pids, args.cpu_seconds)
            lum, xc = figures[process.pid], figures[xclock.pid]
            low = figures[floor.pid] if floor else None
            runs.append((lum.run, xc.run) + ((low.run,) if low else ()))
            print("CPU over %.0f s, main dialog and three world clocks shown: LumClient %.2f %%, xclock -update 1 %.2f %% (of one core, clock ticks)"
                  % (args.cpu_seconds, lum.ticks, xc.ticks))
            print("  run time, same window: LumClient %.3f %% (GUI thread %.3f %%), xclock -update 1 %.3f %%"
                  % (lum.run, lum.main_run, xc.run))
            print("  thread wake-ups per second, same window: LumClient %.1f (GUI thread %.1f), xclock -update 1 %.1f"
                  % (lum.wakeups, lum.main_wakeups, xc.wakeups))
            if low:
                print("  floor, same window: five threads handing each second down a chain and doing nothing else %.3f %%, %.1f wake-ups/s"
                      % (low.run, low.wakeups))
        if len(runs) > 1:
            for name, column in (("LumClient", 0), ("xclock -update 1", 1), ("floor", 2))[:len(runs[0])]:
                values = [r[column] for r in runs]
                print("run time over %d rounds, %s: median %.3f %%, min %.3f, max %.3f"
                      % (len(runs), name, statistics.median(values), min(values), max(values)))
            print("rounds where LumClient cost at most xclock: %d of %d" % (sum(r[0] <= r[1] for r in runs), len(runs)))
        for other in (xclock, floor):
            if other:
                other.terminate()
                other.wait()
        session.stop(process)
    finally:
        session.close()


if __name__ == "__main__":
    main()
