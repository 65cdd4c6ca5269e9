#!/usr/bin/python3
"""A desktop portal with screen casting, for the screen-cast tests.

Owns org.freedesktop.portal.Desktop on the session bus it is given and
answers CreateSession, SelectSources, Start and OpenPipeWireRemote as a
portal does, through Request objects' Response signals. Every call it gets,
and every Close of a session or request, is printed as one JSON line:
{"call": NAME, "options": {...}}. It prints "ready" once it owns its name.

Lines on its standard input change how it answers from then on:
  version N | cursor-modes N | source-types N   its ScreenCast properties
  start-response N                              Start's answer: 0 yes, 1 refused
  stream NODE X Y W H                           the one stream Start reports
  pipewire SOCKET                               OpenPipeWireRemote connects there;
                                                otherwise it hands out one end of a socket pair
"""
import json
import socket
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PATH = '/org/freedesktop/portal/desktop'
SCREEN_CAST = 'org.freedesktop.portal.ScreenCast'

settings = {'version': 4, 'cursor-modes': 3, 'source-types': 1, 'start-response': 0,
            'stream': (42, 0, 0, 1280, 720), 'pipewire': None}
kept = []  # sockets and objects that must live on
tokens = 0


def report(call, options=None):
    print(json.dumps({'call': call, 'options': plain(options or {})}), flush=True)


def plain(value):
    if isinstance(value, dict):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, (list, tuple)):
        return [plain(v) for v in value]
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (int, float)):
        return int(value)
    return str(value)


class Request(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)

    @dbus.service.signal('org.freedesktop.portal.Request', signature='ua{sv}')
    def Response(self, code, results):
        pass

    @dbus.service.method('org.freedesktop.portal.Request')
    def Close(self):
        report('Request.Close')


class Session(dbus.service.Object):
    @dbus.service.method('org.freedesktop.portal.Session')
    def Close(self):
        report('Session.Close')


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus

    def answer(self, sender, options, code, results):
        path = '%s/request/%s/%s' % (PATH, sender[1:].replace('.', '_'), options['handle_token'])
        request = Request(self.bus, path)
        kept.append(request)
        GLib.idle_add(lambda: request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature='sv')))
        return dbus.ObjectPath(path)

    @dbus.service.method('org.freedesktop.DBus.Properties', in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        if interface != SCREEN_CAST:
            raise dbus.exceptions.DBusException('no such interface',
                                                name='org.freedesktop.DBus.Error.UnknownInterface')
        return dbus.Dictionary({'version': dbus.UInt32(settings['version']),
                                'AvailableCursorModes': dbus.UInt32(settings['cursor-modes']),
                                'AvailableSourceTypes': dbus.UInt32(settings['source-types'])}, signature='sv')

    @dbus.service.method(SCREEN_CAST, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
    def CreateSession(self, options, sender):
        report('CreateSession', options)
        session = '%s/session/%s/%s' % (PATH, sender[1:].replace('.', '_'), options['session_handle_token'])
        kept.append(Session(self.bus, session))
        return self.answer(sender, options, 0, {'session_handle': session})

    @dbus.service.method(SCREEN_CAST, in_signature='oa{sv}', out_signature='o', sender_keyword='sender')
    def SelectSources(self, session, options, sender):
        report('SelectSources', options)
        self.persist = 'persist_mode' in options
        return self.answer(sender, options, 0, {})

    @dbus.service.method(SCREEN_CAST, in_signature='osa{sv}', out_signature='o', sender_keyword='sender')
    def Start(self, session, parent, options, sender):
        global tokens
        report('Start', options)
        node, x, y, w, h = settings['stream']
        stream = dbus.Struct((dbus.UInt32(node), dbus.Dictionary({
            'position': dbus.Struct((x, y), signature='ii'),
            'size': dbus.Struct((w, h), signature='ii')}, signature='sv')), signature='ua{sv}')
        results = {'streams': dbus.Array([stream], signature='(ua{sv})')}
        if self.persist:
            tokens += 1
            results['restore_token'] = 'token-%d' % tokens
        return self.answer(sender, options, settings['start-response'], results)

    @dbus.service.method(SCREEN_CAST, in_signature='oa{sv}', out_signature='h')
    def OpenPipeWireRemote(self, session, options):
        report('OpenPipeWireRemote', options)
        if settings['pipewire']:
            remote = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            remote.connect(settings['pipewire'])
        else:
            remote, other = socket.socketpair()
            kept.append(other)
        # As a portal does, it keeps no copy: PipeWire sees the client go when it goes.
        fd = dbus.types.UnixFd(remote.fileno())
        remote.close()
        return fd


def read_command(source, condition):
    line = sys.stdin.readline()
    if not line:
        GLib.MainLoop().quit()
        sys.exit(0)
    name, *values = line.split()
    settings[name] = values[0] if name == 'pipewire' else tuple(map(int, values)) if len(values) > 1 \
        else int(values[0])
    report('set ' + name)
    return True


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus)
    kept.append(dbus.service.BusName('org.freedesktop.portal.Desktop', bus, do_not_queue=True))
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, read_command)
    print('ready', flush=True)
    GLib.MainLoop().run()
    return portal


if __name__ == '__main__':
    main()
