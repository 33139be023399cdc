'''The time service for tests: dbusmock's timedated template, with SetTime answering as the real
service does. It refuses while NTP is on, asks polkit (org.freedesktop.timedate1.set-time, the
caller's interactive flag passed on) and appends one line per call to the file named by the
parameter "log": microseconds, relative, interactive, outcome, CLOCK_MONOTONIC nanoseconds.
'''

import time

import dbus
from dbusmock.templates import timedated as stock
from dbusmock.templates.timedated import BUS_NAME, MAIN_IFACE, MAIN_OBJ, SYSTEM_BUS  # noqa: F401

ACTION = 'org.freedesktop.timedate1.set-time'


def load(mock, parameters):
    stock.load(mock, parameters)
    log_path = parameters.get('log', '/dev/null')

    def record(usec, relative, interactive, outcome, arrived):
        with open(log_path, 'a', encoding='ascii') as log:
            log.write(f'{int(usec)} {int(bool(relative))} {int(bool(interactive))} {outcome} {arrived}\n')

    def set_time(self, usec, relative, interactive):
        arrived = time.monotonic_ns()
        if self.Get(MAIN_IFACE, 'NTP'):
            record(usec, relative, interactive, 'ntp', arrived)
            raise dbus.exceptions.DBusException(
                'Automatic time synchronization is enabled',
                name='org.freedesktop.timedate1.AutomaticTimeSyncEnabled')
        try:
            authority = dbus.SystemBus().get_object('org.freedesktop.PolicyKit1',
                                                    '/org/freedesktop/PolicyKit1/Authority')
            subject = ('unix-process', {'pid': dbus.UInt32(0, variant_level=1),
                                        'start-time': dbus.UInt64(0, variant_level=1)})
            allowed, _challenge, _details = authority.CheckAuthorization(
                subject, ACTION, dbus.Dictionary({}, signature='ss'), dbus.UInt32(1 if interactive else 0), '',
                dbus_interface='org.freedesktop.PolicyKit1.Authority')
        except dbus.exceptions.DBusException:
            allowed = False
        if not allowed:
            record(usec, relative, interactive, 'denied', arrived)
            raise dbus.exceptions.DBusException('Access denied',
                                                name='org.freedesktop.DBus.Error.AccessDenied')
        record(usec, relative, interactive, 'set', arrived)

    mock.AddMethod(MAIN_IFACE, 'SetTime', 'xbb', '', set_time)
