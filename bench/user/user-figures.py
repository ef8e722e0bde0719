#!/usr/bin/env python3
"""The figures a user feels, for the real editor beside FeatherPad.

Runs the built scrivlet (and FeatherPad, when installed) on a private Xvfb
under openbox, each run in a fresh home folder, the programs alternating
round by round, and prints the median of each figure with the ratio:

  open 10 MB from the command line: window mapped / text shown / the
      whole text ready (a click in the text and Ctrl+End, sent as soon as
      text shows, have scrolled the view to the file's end)
  type one key + Ctrl+S until the 10 MB file is on disk
  Export To .prc of the 10 MB file: Enter in the Save dialog until the
      converter's input file is written (the converter starts right after)
  empty start: window mapped / resident memory once idle

The 10 MB file is the Lua of Debian's nmap-common (its .lua and .nse
files, repeated up to 10 MB); without that package it is installed when
possible, else a generated Lua file is used.

usage: bench/user/user-figures.py [--build DIR] [--rounds N] [--file LUA]
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
TARGET_BYTES = 10_000_000


def run(*args, env=None, check=True):
    return subprocess.run(args, env=env, check=check, capture_output=True, text=True).stdout


def lua_file(path):
    """Writes the 10 MB file: nmap's Lua, or generated Lua without it."""
    nmap = '/usr/share/nmap'
    if not os.path.isdir(nmap) and os.geteuid() == 0:
        subprocess.run(['apt-get', 'install', '-y', '-qq', 'nmap-common'],
                       capture_output=True)
    sources = []
    for folder, _, names in os.walk(nmap):
        sources += [os.path.join(folder, n) for n in names if n.endswith(('.lua', '.nse'))]
    sources.sort()
    out = bytearray()
    if sources:
        while len(out) < TARGET_BYTES:
            for source in sources:
                with open(source, 'rb') as f:
                    out += f.read()
                if len(out) >= TARGET_BYTES:
                    break
        origin = 'nmap-common Lua'
    else:
        n = 0
        while len(out) < TARGET_BYTES:
            out += (f'-- helper {n}: adds up the fields of a record\n'
                    f'local function helper{n}(t, key)\n'
                    f'  local total = 0\n'
                    f'  for i, v in ipairs(t[key] or {{}}) do\n'
                    f'    if type(v) == "number" then total = total + v * {n % 7 + 1} end\n'
                    f'  end\n'
                    f'  return total, "helper{n}"\n'
                    f'end\n\n').encode()
            n += 1
        origin = 'generated Lua'
    cut = out.rfind(b'\n', 0, TARGET_BYTES) + 1
    with open(path, 'wb') as f:
        f.write(out[:cut])
    return origin, cut, out[:cut].count(b'\n')


class Desktop:
    def __init__(self):
        number = 90
        while os.path.exists(f'/tmp/.X{number}-lock') or os.path.exists(f'/tmp/.X11-unix/X{number}'):
            number += 1
        self.display = f':{number}'
        self.xvfb = subprocess.Popen(['Xvfb', self.display, '-screen', '0', '1280x1024x24',
                                      '-nolisten', 'tcp', '-noreset'],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM='xcb')
        for _ in range(100):
            if subprocess.run(['xdotool', 'getdisplaygeometry'], env=self.env,
                              capture_output=True).returncode == 0:
                break
            time.sleep(0.1)
        self.wm = subprocess.Popen(['openbox'], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)

    def close(self):
        for p in (self.wm, self.xvfb):
            p.terminate()
            p.wait()


class Program:
    """One editor as the benchmark starts and drives it."""

    def __init__(self, name, desktop, probe):
        self.name, self.desktop, self.probe = name, desktop, probe

    def home(self, work):
        home = tempfile.mkdtemp(dir=work)
        os.makedirs(os.path.join(home, 'run'), mode=0o700)
        return home

    def command(self, home, args):
        raise NotImplementedError

    def ink_region(self):
        return '10,45,90,90'

    def start(self, home, args, ink):
        env = dict(self.desktop.env, HOME=home, XDG_RUNTIME_DIR=os.path.join(home, 'run'),
                   XDG_CONFIG_HOME=os.path.join(home, '.config'),
                   XDG_CACHE_HOME=os.path.join(home, '.cache'))
        probe_args = [self.probe, 'start'] + ([f'--ink={self.ink_region()}'] if ink else [])
        out = subprocess.run(probe_args + ['--'] + self.command(home, args), env=env,
                             capture_output=True, text=True, check=True).stdout
        fields = dict(item.split('=', 1) for item in out.split())
        return fields

    def stop(self, pid):
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def text_point(self, w):
        # The middle of the text area.
        return (int(w['x']) + int(w['width']) * 6 // 10,
                int(w['y']) + int(w['height']) * 6 // 10)

    def click_text(self, w):
        x, y = self.text_point(w)
        run(self.probe, 'click', str(x), str(y), env=self.desktop.env)

    def ready_ms(self, w):
        """From start until a click in the text and Ctrl+End have been taken."""
        x, y = self.text_point(w)
        out = run(self.probe, 'ready', w['window'], self.ink_region(), str(x), str(y),
                  'ctrl+End', env=self.desktop.env)
        return float(out.split('=')[1]) - float(w['start_ms'])


class Scrivlet(Program):
    def __init__(self, desktop, probe, bin_dir):
        super().__init__('Scrivlet', desktop, probe)
        self.bin_dir = bin_dir

    def home(self, work):
        home = super().home(work)
        program = os.path.join(home, 'program')
        os.makedirs(program)
        for name in ('scrivlet', 'txt2doc', 'scrivlet-webview.so'):
            if os.path.exists(os.path.join(self.bin_dir, name)):
                shutil.copy2(os.path.join(self.bin_dir, name), program)
        with open(os.path.join(program, 'settings.ini'), 'wb') as f:
            f.write(b'1\r\n')
        return home

    def command(self, home, args):
        return [os.path.join(home, 'program', 'scrivlet')] + args

    def ink_region(self):
        # The editor (not the catalogue beside it), below its first line, the
        # starting text's only one.
        return '10,45,70,80'


class FeatherPad(Program):
    def __init__(self, desktop, probe):
        super().__init__('FeatherPad', desktop, probe)

    def command(self, home, args):
        return ['featherpad', '--standalone'] + args

    def ink_region(self):
        # The text area only: below it FeatherPad shows a dark bar when run
        # as root, which would count as text at once.
        return '10,25,90,60'


def rss_kib(pid):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    return -1


def measure(program, work, lua, rounds_figures):
    figures = rounds_figures.setdefault(program.name, {})

    def note(key, value):
        figures.setdefault(key, []).append(value)

    # Open the 10 MB file, type a key and save, export (Scrivlet).
    home = program.home(work)
    big = os.path.join(home, 'big.lua')
    shutil.copy2(lua, big)
    w = program.start(home, [big], ink=True)
    pid = int(w['pid'])
    try:
        note('open: window mapped', float(w['mapped_ms']))
        note('open: text shown', float(w['shown_ms']))
        note('open: whole text ready', program.ready_ms(w))
        time.sleep(1.5)
        program.click_text(w)
        time.sleep(0.5)
        out = run(program.probe, 'keys-until-written', big, 'x', 'ctrl+s', env=program.desktop.env)
        note('key + Ctrl+S until on disk', float(out.split('=')[1]))
        if isinstance(program, Scrivlet):
            time.sleep(0.5)
            env = program.desktop.env
            run('xdotool', 'key', '--clearmodifiers', 'alt+f', 'e', 'Return', env=env)
            for _ in range(300):
                if run('xdotool', 'search', '--onlyvisible', '--name', '^Save$', env=env,
                       check=False).strip():
                    break
                time.sleep(0.1)
            else:
                raise RuntimeError('no Save dialog for Export To .prc')
            time.sleep(0.5)
            run('xdotool', 'key', '--clearmodifiers', 'ctrl+a', env=env)
            run('xdotool', 'type', '--delay', '2', os.path.join(home, 'big.prc'), env=env)
            time.sleep(0.5)
            out = run(program.probe, 'keys-until-written',
                      os.path.join(home, 'program', 'del-*'), 'Return', env=env)
            note('Export To .prc until the converter starts', float(out.split('=')[1]))
            for _ in range(300):
                if os.path.exists(os.path.join(home, 'big.prc')):
                    break
                time.sleep(0.1)
    finally:
        program.stop(pid)

    # Empty start.
    home = program.home(work)
    w = program.start(home, [], ink=False)
    pid = int(w['pid'])
    try:
        note('empty start: window mapped', float(w['mapped_ms']))
        time.sleep(2.0)
        note('empty start: resident memory (MiB)', rss_kib(pid) / 1024)
    finally:
        program.stop(pid)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--build', default=os.path.join(ROOT, 'build'))
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--file', help='the Lua file to open (default: 10 MB of nmap Lua)')
    options = parser.parse_args()
    for tool in ('Xvfb', 'openbox', 'xdotool', 'cc'):
        if not shutil.which(tool):
            sys.exit(f'bench: {tool} is missing')

    work = tempfile.mkdtemp(prefix='scrivlet-bench-')
    desktop = None
    try:
        probe = os.path.join(work, 'xprobe')
        run('cc', '-O2', os.path.join(HERE, 'xprobe.c'), '-o', probe, '-lX11', '-l:libXtst.so.6')
        lua = options.file
        if not lua:
            lua = os.path.join(work, 'nmap.lua')
            origin, size, lines = lua_file(lua)
            print(f'file: {origin}, {size:,} bytes, {lines:,} lines')
        desktop = Desktop()
        programs = [Scrivlet(desktop, probe, os.path.join(options.build, 'bin'))]
        if shutil.which('featherpad'):
            programs.append(FeatherPad(desktop, probe))
        figures = {}
        for r in range(options.rounds):
            order = programs if r % 2 == 0 else programs[::-1]
            for program in order:
                measure(program, work, lua, figures)
            print(f'round {r + 1} of {options.rounds} done', file=sys.stderr)

        names = [p.name for p in programs]
        print(f'medians of {options.rounds} rounds (ms unless said)')
        print(f'{"figure":45}' + ''.join(f'{n:>12}' for n in names) + '       ratio')
        for key in figures[names[0]]:
            values = [statistics.median(figures[n][key]) if key in figures[n] else None
                      for n in names]
            row = f'{key:45}' + ''.join(f'{v:12.1f}' if v is not None else f'{"-":>12}'
                                        for v in values)
            if len(values) > 1 and values[1]:
                row += f'   {values[0] / values[1]:8.2f}x'
            print(row)
    finally:
        if desktop:
            desktop.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    main()
