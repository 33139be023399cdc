#!/usr/bin/python3
"""Runs an unpacked LumClient as a new user would: `nobody`, on a system bus of its own with the
time service and polkit (dbusmock), against a loopback SNTP server 2.5 s ahead.

  try-as-new-user.py PATH/TO/LumClient

Checks that `--sync` is refused by polkit with the message that names the group tiko3, and that a
copy given cap_sys_time (secure execution) refuses a server chosen on its command line and
ignores TIKO3_PRIMARY_SERVER (tried in a network namespace of its own, where only loopback exists). Nothing
here can set the machine's clock: the time service is a mock, the synchronising run has no
CAP_SYS_TIME in its bounding set, and the run with the capability only compares.
"""

import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TEMPLATE = os.path.join(HERE, '..', 'tests', 'support', 'timedated_template.py')


def sntp_responder(ahead, requests=None):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(('127.0.0.1', 0))

    def ntp(t):
        t += 2208988800
        return struct.pack('>II', int(t), int((t % 1) * 2**32))

    def serve():
        while True:
            data, peer = s.recvfrom(512)
            if requests is not None:
                requests.append(peer)
            if len(data) >= 48:
                now = time.time() + ahead
                s.sendto(bytes([0x24, 2, 6, 0xEC]) + b'\0' * 8 + b'LOCL' + ntp(now) + data[40:48] + ntp(now) +
                         ntp(now), peer)

    threading.Thread(target=serve, daemon=True).start()
    return s.getsockname()[1]


def wait_for_name(address, name):
    for _ in range(300):
        r = subprocess.run(['dbus-send', '--bus=' + address, '--print-reply', '--dest=org.freedesktop.DBus',
                            '/org/freedesktop/DBus', 'org.freedesktop.DBus.NameHasOwner', 'string:' + name],
                           capture_output=True, text=True, check=False)
        if 'boolean true' in r.stdout:
            return True
        time.sleep(0.1)
    return False


AS_NOBODY = ['setpriv', '--reuid=nobody', '--regid=nogroup', '--clear-groups', '--inh-caps=-all']


def environment_ignored(plain, capable):
    """In a network namespace of its own (only loopback, no way out): the plain program follows
    TIKO3_PRIMARY_SERVER to the loopback responder, the capable copy does not."""
    subprocess.run(['ip', 'link', 'set', 'lo', 'up'], check=True)
    requests = []
    port = sntp_responder(0.0, requests)
    env = {'PATH': '/usr/bin:/bin', 'HOME': '/nonexistent', 'DBUS_SYSTEM_BUS_ADDRESS': 'unix:path=/nonexistent',
           'TIKO3_PRIMARY_SERVER': '127.0.0.1:%d' % port, 'TIKO3_SECONDARY_SERVER': '127.0.0.1:%d' % port}
    failures = []
    r = subprocess.run(AS_NOBODY + [plain, '--compare'], env=env, capture_output=True, text=True, check=False,
                       timeout=60)
    if r.returncode != 0 or not requests:
        failures.append('plain --compare did not follow TIKO3_PRIMARY_SERVER: exit %d\n%s%s' %
                        (r.returncode, r.stdout, r.stderr))
    seen = len(requests)
    r = subprocess.run(AS_NOBODY + [capable, '--compare'], env=env, capture_output=True, text=True, check=False,
                       timeout=60)
    if len(requests) != seen or r.returncode == 0:
        failures.append('the capable copy followed TIKO3_PRIMARY_SERVER: exit %d\n%s%s' %
                        (r.returncode, r.stdout, r.stderr))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def main():
    if sys.argv[1] == '--environment-ignored':
        return environment_ignored(sys.argv[2], sys.argv[3])
    program = os.path.abspath(sys.argv[1])
    failures = []
    work = tempfile.mkdtemp(prefix='tiko3-new-user-')
    os.chmod(work, 0o755)
    children = []
    try:
        config = os.path.join(work, 'bus.conf')
        socket_path = os.path.join(work, 'system_bus_socket')
        with open(config, 'w', encoding='utf-8') as f:
            f.write('<busconfig><type>system</type><listen>unix:path=%s</listen><auth>EXTERNAL</auth>'
                    '<policy context="default"><allow user="*"/><allow own="*"/>'
                    '<allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>\n' % socket_path)
        daemon = subprocess.Popen(['dbus-daemon', '--config-file=' + config, '--nofork', '--nosyslog',
                                   '--print-address'], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        children.append(daemon)
        address = daemon.stdout.readline().strip()
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address)
        log = open(os.path.join(work, 'mocks.log'), 'w', encoding='utf-8')
        children.append(subprocess.Popen([sys.executable, '-m', 'dbusmock', '--system', '--template', 'polkitd'],
                                         env=env, stdout=log, stderr=log))
        children.append(subprocess.Popen([sys.executable, '-m', 'dbusmock', '--system', '--template', TEMPLATE,
                                          '--parameters', '{"NTP": false, "log": "%s/settime.log"}' % work],
                                         env=env, stdout=log, stderr=log))
        if not (wait_for_name(address, 'org.freedesktop.PolicyKit1') and
                wait_for_name(address, 'org.freedesktop.timedate1')):
            print('the mocks did not come up')
            return 1
        port = sntp_responder(2.5)
        home = os.path.join(work, 'home')
        os.mkdir(home)
        shutil.chown(home, 'nobody', 'nogroup')
        user_env = {'PATH': '/usr/bin:/bin', 'HOME': home, 'DBUS_SYSTEM_BUS_ADDRESS': address}
        as_nobody = AS_NOBODY

        # A new user: polkit (the mock refuses, as for anyone outside the group) says no.
        r = subprocess.run(as_nobody + ['--bounding-set=-sys_time', program, '--sync', '--server',
                                        '127.0.0.1:%d' % port], env=user_env, capture_output=True, text=True,
                           check=False, timeout=60)
        if r.returncode != 2 or '동기에 실패했습니다.' not in r.stdout or 'sudo adduser $USER tiko3' not in r.stdout:
            failures.append('nobody --sync: exit %d\n%s%s' % (r.returncode, r.stdout, r.stderr))
        settime_log = os.path.join(work, 'settime.log')
        calls = open(settime_log, encoding='ascii').read().splitlines() if os.path.exists(settime_log) else []
        if len(calls) != 1 or ' denied ' not in calls[0]:
            failures.append('the time service saw no refused SetTime: %r' % calls)

        # Secure execution: a copy with the capability takes no server from its caller.
        copy = os.path.join(work, 'LumClient')
        shutil.copy(program, copy)
        os.chmod(copy, 0o755)
        if subprocess.run(['setcap', 'cap_sys_time+p', copy], capture_output=True, check=False).returncode == 0:
            r = subprocess.run(as_nobody + [copy, '--compare', '--server', '127.0.0.1:%d' % port], env=user_env,
                               capture_output=True, text=True, check=False, timeout=60)
            if r.returncode != 64 or 'takes no server' not in r.stderr:
                failures.append('secure execution --server: exit %d\n%s%s' % (r.returncode, r.stdout, r.stderr))
            # The TIKO3_* overrides too: tried where nothing but loopback exists.
            r = subprocess.run(['unshare', '--net', sys.executable, os.path.abspath(__file__), '--environment-ignored',
                                program, copy], capture_output=True, text=True, check=False, timeout=180)
            if r.returncode != 0:
                failures.append('secure execution TIKO3_*: %s%s' % (r.stdout, r.stderr))
        else:
            print('skipped: secure execution (no file capabilities here)')
    finally:
        for child in reversed(children):
            child.terminate()
            child.wait(timeout=10)
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
