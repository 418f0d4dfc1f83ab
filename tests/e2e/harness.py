"""Shared helpers for the end-to-end suites: a Wine prefix of its own for each test, cloned from
the build's template prefix, with our stand-in tools in front of PATH; running programs with
exact command lines; reading the registry back; and snapshots of the C: drive and the registry
so that a test can show what a program changed and that nothing else changed.

Environment: ZORDELO_BUILD (the mingw build folder) and ZORDELO_SOURCE (the source tree)."""
import json
import os
import pwd
import re
import shutil
import subprocess
import tempfile
import time

BUILD = os.path.abspath(os.environ.get("ZORDELO_BUILD", "build/mingw"))
SOURCE = os.path.abspath(os.environ.get("ZORDELO_SOURCE", "."))
BIN = os.path.join(BUILD, "bin")
FIXTURES = os.path.join(BUILD, "fixtures")
SETUP = os.path.join(BIN, "setup.exe")
UNINSTALL = os.path.join(BIN, "uninstall.exe")
# The suites clone a template of their own. CTest's Win32 tests run directly in build/wine's
# prefix, and a clone made from a prefix in use shares the inodes of the files those tests are
# writing at that moment (seen: another test's temporary files showing up as changes here).
TEMPLATE_STATE = os.path.join(BUILD, "e2e-wine")
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zordelo"
SHORTCUT_NAME = "Zordeló.lnk"


def game_input():
    """The game executable that the build packed: ZORDELO_GAME_EXE, or the stand-in game."""
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as f:
        m = re.search(r"^ZORDELO_GAME_EXE:\w+=(.*)$", f.read(), re.M)
    return m.group(1) if m and m.group(1) else os.path.join(BUILD, "assets", "standin_game", "Zordelo.exe")


def oem_matches(expected, got):
    """Whether got is expected as it comes back through Wine's reg query output: code page 437,
    where Wine puts a best-fit letter (or "?") for each character that the page lacks."""
    if len(expected) != len(got):
        return False
    for e, g in zip(expected, got):
        try:
            e.encode("cp437")
        except UnicodeEncodeError:
            continue
        if e != g:
            return False
    return True


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def ensure_template():
    """Makes the build's template prefix when it is not there yet (the script locks and waits)."""
    subprocess.run([os.path.join(SOURCE, "scripts", "wine-prefix.sh"), TEMPLATE_STATE], check=True)
    return os.path.join(TEMPLATE_STATE, "prefix")


def unix_to_windows_z(path):
    """A Unix path as Wine's Z: drive sees it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Prefix:
    """One test's own Wine prefix: a hard-link clone of the template with copied registry files
    (Wine rewrites those; everything else under drive_c is only ever replaced, never edited in
    place), its own HOME, scratch folder and stand-in log. Use as a context manager."""

    def __init__(self, display=None):
        template = ensure_template()
        self.display = display  # an X display (see XServer) for the programs that show windows
        self.root = tempfile.mkdtemp(prefix="zordelo-e2e-")
        self.prefix = os.path.join(self.root, "prefix")
        self.home = os.path.join(self.root, "home")
        self.scratch = os.path.join(self.root, "scratch")
        self.log_path = os.path.join(self.root, "standin.jsonl")
        subprocess.run(["cp", "-al", template, self.prefix], check=True)
        for name in os.listdir(template):
            if name.endswith(".reg"):
                copy = os.path.join(self.prefix, name)
                os.remove(copy)  # a fresh inode, so that Wine's rewrite never reaches the template
                shutil.copy2(os.path.join(template, name), copy)
        os.makedirs(self.home)
        os.makedirs(self.scratch)
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.system32 = os.path.join(self.drive_c, "windows", "system32")
        self.native_overrides = []  # system tools replaced by fronts of ours (plant_system_tool)
        self.user = pwd.getpwuid(os.getuid()).pw_name
        self.profile = os.path.join(self.drive_c, "users", self.user)
        self.local_appdata = os.path.join(self.profile, "AppData", "Local")
        self.desktop = os.path.join(self.profile, "Desktop")
        self.programs = os.path.join(self.profile, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                                     "Programs")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self.stop_wineserver()
        shutil.rmtree(self.root, ignore_errors=True)

    # --- environment and paths -------------------------------------------------------------

    def env(self, extra=None, fronts=True):
        """The environment of a Wine program in this prefix; with fronts=False, Wine's own
        built-in tools run even where plant_system_tool put a front of ours."""
        env = dict(os.environ)
        env.pop("DISPLAY", None)  # silent runs must not need a display
        if self.display:
            env["DISPLAY"] = self.display
        env.update({
            "WINEPREFIX": self.prefix,
            "HOME": self.home,
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": ";".join(["mscoree=d", "mshtml=d", "winemenubuilder.exe=d"] +
                                         [name + "=n,b" for name in self.native_overrides if fronts]),
            "WINEPATH": unix_to_windows_z(FIXTURES),  # our stand-ins come before Wine's own tools
            "ZORDELO_STANDIN_LOG": unix_to_windows_z(self.log_path),
        })
        if extra:
            env.update(extra)
        return env

    def to_windows(self, unix_path):
        """The Windows path of a Unix path: C:\\ inside this prefix's drive_c, else Z:."""
        p = os.path.abspath(unix_path)
        if p == self.drive_c or p.startswith(self.drive_c + os.sep):
            return "C:\\" + os.path.relpath(p, self.drive_c).replace("/", "\\").lstrip(".")
        return unix_to_windows_z(p)

    def to_unix(self, windows_path):
        """The Unix path of a drive-letter Windows path, through the prefix's dosdevices links."""
        m = re.match(r"^([A-Za-z]):[\\/]?(.*)$", windows_path)
        if not m:
            raise ValueError(windows_path)
        base = os.path.realpath(os.path.join(self.prefix, "dosdevices", m.group(1).lower() + ":"))
        rest = m.group(2).replace("\\", "/").strip("/")
        return os.path.join(base, rest) if rest else base

    def map_drive(self, letter, unix_dir):
        """Makes the drive letter (say "d") show unix_dir."""
        os.makedirs(unix_dir, exist_ok=True)
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.remove(link)
        os.symlink(os.path.abspath(unix_dir), link)

    def plant_system_tool(self, name, fixture="system_tool_front.exe"):
        """Puts a fixture of ours in this prefix's system folder as the tool `name` (say
        "reg.exe"), where the programs look first, and moves Wine's own tool into the folder
        zordelo-real beside it, where the recording front system_tool_front.exe finds it. The
        file is moved and a new one written (never rewritten in place: the prefix shares its
        files with the template), and Wine is told to load our file rather than its built-in
        tool of that name."""
        real = os.path.join(self.system32, "zordelo-real")
        os.makedirs(real, exist_ok=True)
        os.rename(os.path.join(self.system32, name), os.path.join(real, name))
        shutil.copyfile(os.path.join(FIXTURES, fixture), os.path.join(self.system32, name))
        self.native_overrides.append(name)

    def plant_beside(self, folder, names=("reg.exe", "taskkill.exe", "curl.exe", "powershell.exe", "cmd.exe")):
        """Copies of the planted.exe fixture under the tools' names in folder (beside a program of
        ours, as an earlier download could have left them), and a planted shcore.dll; each
        records a start or a load as "planted"."""
        for name in names:
            shutil.copyfile(os.path.join(FIXTURES, "planted.exe"), os.path.join(folder, name))
        shutil.copyfile(os.path.join(FIXTURES, "planted_dll", "shcore.dll"), os.path.join(folder, "shcore.dll"))

    # --- running programs ------------------------------------------------------------------

    def run(self, program, args=(), cwd=None, env=None, timeout=300):
        """Runs a Windows program through wine (Wine rebuilds its command line from the Unix
        arguments) and waits for its end. Returns the CompletedProcess (stdout and stderr as
        bytes); returncode is the low byte of the exit code. The output goes through files, not
        pipes: a child that the program leaves running inherits its handles, and a pipe would
        keep the caller waiting until that child has ended too."""
        self.keep_wineserver()
        with tempfile.TemporaryFile(dir=self.root) as out, tempfile.TemporaryFile(dir=self.root) as err:
            r = subprocess.run(["wine", program, *args], cwd=cwd or self.scratch, env=self.env(env),
                               stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(r.args, r.returncode, out.read(), err.read())

    def start(self, program, args=(), cwd=None, env=None, stderr=subprocess.DEVNULL):
        """Starts a Windows program without waiting (a Popen). To read its standard error, pass an
        open file rather than a pipe: under Wine the programs it starts share the handle, and one
        that outlives it would keep a pipe open after it has ended."""
        self.keep_wineserver()
        return subprocess.Popen(["wine", program, *args], cwd=cwd or self.scratch, env=self.env(env),
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr)

    def run_exact(self, program, command_line, cwd=None, env=None, timeout=300):
        """Runs program (a Unix path) through our CreateProcessW launcher with exactly this
        Windows command line. Returns the full 32-bit exit code (None if the launch failed)."""
        extra = dict(env or {})
        extra["ZORDELO_LAUNCH_CMDLINE"] = command_line
        r = self.run(os.path.join(FIXTURES, "launcher.exe"), [self.to_windows(program)], cwd=cwd, env=extra,
                     timeout=timeout)
        m = re.search(rb"exit=(\d+)", r.stdout)
        return int(m.group(1)) if m else None

    def wine_tool(self, *args, timeout=120):
        """Runs one of Wine's own tools (reg, taskkill, ...) without our stand-ins on PATH and
        without the fronts that plant_system_tool put in the system folder.
        These tools explain each failure of their own; one that ends non-zero without any
        output is Wine failing to start it (seen once on a loaded machine), and runs again."""
        env = self.env(fronts=False)
        env.pop("WINEPATH", None)
        self.keep_wineserver()
        for attempt in range(2):
            r = subprocess.run(["wine", *args], cwd=self.scratch, env=env, stdin=subprocess.DEVNULL,
                               capture_output=True, timeout=timeout)
            if r.returncode == 0 or r.stdout.strip() or r.stderr.strip():
                break
        return r

    def keep_wineserver(self):
        """Starts the prefix's wineserver for good, unless one runs. A server that ends after its
        usual 3 s idle time can reset the connection of a program starting at that very moment;
        tests wait longer than that between programs. A fresh server first runs a program with
        none of our handles, which starts Wine's background processes: they live as long as the
        server and would otherwise hold a caller's output pipe open. close ends the server."""
        quiet = dict(env=self.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if subprocess.run(["wineserver", "-p"], **quiet).returncode == 0:
            subprocess.run(["wine", "cmd", "/c", "exit"], cwd=self.scratch, **quiet)

    def stop_wineserver(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env(), capture_output=True)

    def relay_calls(self, program, args=(), functions=("SetErrorMode", "CreateProcessW", "CreateFileW"), cwd=None):
        """Runs a program with Wine's relay trace on for the given KERNEL32 functions only and
        returns (exit status, [(function, [argument texts])] in the order called by the program's
        first thread). Wine neither shows the system's error boxes nor passes the error mode on
        to children, so this is how a test sees the program's own calls."""
        self.wine_tool("reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ", "/d",
                       ";".join("kernel32." + f for f in functions), "/f")
        r = self.run(program, args, cwd=cwd, env={"WINEDEBUG": "-all,+relay"})
        calls = []
        thread = None
        for line in r.stderr.decode("utf-8", "replace").splitlines():
            m = re.match(r"^([0-9a-f]+):Call KERNEL32\.(\w+)\((.*)\) ret=", line)
            if not m:
                continue
            thread = thread or m.group(1)
            if m.group(1) == thread:
                calls.append((m.group(2), [a.strip() for a in m.group(3).split(",")]))
        return r.returncode, calls

    # --- reading back ----------------------------------------------------------------------

    def reg_query(self, key):
        """The values of one key as {name: (type, data)} through Wine's reg query, or None when
        the key is missing. REG_DWORD data comes back as an int. Wine's reg writes to a pipe in
        the OEM code page (437 here), so characters outside it arrive as "?": compare such text
        with oem_matches, or read it exactly from a snapshot with registry_values."""
        r = self.wine_tool("reg", "query", key)
        if r.returncode != 0:
            return None
        values = {}
        for line in r.stdout.decode("cp437").splitlines():
            m = re.match(r"^    (.*?)    (REG_\w+)    ?(.*)$", line)
            if not m:
                continue
            name, kind, data = m.groups()
            values[name] = (kind, int(data, 16) if kind == "REG_DWORD" else data)
        return values

    def standin_log(self):
        """Every line that the stand-ins appended, as dicts, oldest first."""
        if not os.path.exists(self.log_path):
            return []
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def clear_standin_log(self):
        if os.path.exists(self.log_path):
            os.remove(self.log_path)

    # --- snapshots -------------------------------------------------------------------------

    def snapshot_files(self):
        """Every entry of drive C: with its kind, size and modification time, and the target of
        links; unlike snapshot, it leaves running programs alone."""
        files = {}
        for dirpath, dirnames, filenames in os.walk(self.drive_c):
            for name in dirnames + filenames:
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, self.drive_c)
                st = os.lstat(full)
                if os.path.islink(full):
                    files[rel] = ("link", os.readlink(full))
                elif os.path.isdir(full):
                    files[rel] = ("dir",)
                else:
                    files[rel] = ("file", st.st_size, st.st_mtime_ns)
        return files

    def snapshot(self):
        """The state of drive C: (every entry with its kind, size and modification time, and the
        target of links) and of the registry files (every key with its values, Wine's own time
        stamps left out). The wineserver is stopped first so that the registry is on disk."""
        self.stop_wineserver()
        files = self.snapshot_files()
        registry = {}
        for name in ("system.reg", "user.reg", "userdef.reg"):
            path = os.path.join(self.prefix, name)
            if os.path.exists(path):
                registry.update(parse_wine_registry(path, name[:-4]))
        return {"files": files, "registry": registry}


# Values that Wine itself rewrites whenever a program loads user32 (the display driver's date in
# the display adapter's class key and, on an X display, the monitor's two date properties); they
# say nothing about the program under test.
_MONITOR_PROPERTIES = r"System\CurrentControlSet\Enum\DISPLAY\Default_Monitor\0000&0000\Properties" \
                      r"\{233a9ef3-afc4-4abd-b564-c32f21f1535b}"
WINE_VOLATILE_VALUES = {
    r"System\CurrentControlSet\Control\Class\{4D36E968-E325-11CE-BFC1-08002BE10318}\0000": ('"DriverDateData"=',),
    _MONITOR_PROPERTIES + r"\0003": ("@=hex(ffff1003):",),
    _MONITOR_PROPERTIES + r"\0004": ("@=hex(ffff1003):",),
}


def parse_wine_registry(path, hive):
    """{(hive, key): {value line, ...}} from one of Wine's registry files, without time stamps
    and without the values in WINE_VOLATILE_VALUES."""
    keys = {}
    current = None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read().replace("\\\n", "")  # continued lines
    for line in text.splitlines():
        if line.startswith("["):
            m = re.match(r"^\[(.*)\](?: \d+)?$", line)
            current = (hive, (m.group(1) if m else line).replace("\\\\", "\\"))
            keys[current] = set()
        elif current is not None and line and not line.startswith("#") and not line.startswith(";"):
            if not line.startswith(WINE_VOLATILE_VALUES.get(current[1], ())):
                keys[current].add(line.strip())
    # Wine leaves out keys that have subkeys but no values; put them back, so that a key seen
    # once stays visible when a subkey is added later.
    for hive_name, key in list(keys):
        parts = key.split("\\")
        for n in range(1, len(parts)):
            keys.setdefault((hive_name, "\\".join(parts[:n])), set())
    return keys


def registry_values(snapshot, hive, key):
    """The string and DWORD values of one key in a snapshot, decoded exactly:
    {name: ("REG_SZ", text) or ("REG_DWORD", int)}; other types as ("raw", line). None when the
    key is missing. hive is "user" (HKCU) or "system" (HKLM); key has single backslashes."""
    lines = snapshot["registry"].get((hive, key))
    if lines is None:
        return None
    out = {}
    for line in lines:
        name, i = _reg_string(line, 0) if line.startswith('"') else ("", line.index("="))
        rest = line[i + 1:]
        if rest.startswith('"'):
            out[name] = ("REG_SZ", _reg_string(rest, 0)[0])
        elif rest.startswith("dword:"):
            out[name] = ("REG_DWORD", int(rest[6:], 16))
        else:
            out[name] = ("raw", rest)
    return out


def _reg_string(text, i):
    """Decodes the quoted string of a Wine registry file at text[i]; returns it and the index
    after its closing quote."""
    assert text[i] == '"'
    i += 1
    out = []
    while text[i] != '"':
        c = text[i]
        if c == "\\":
            n = text[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out), i + 1


def snapshot_changes(before, after):
    """What differs between two snapshots: (files added, files removed, files changed,
    registry keys added, keys removed, keys whose values changed)."""
    bf, af = before["files"], after["files"]
    br, ar = before["registry"], after["registry"]
    return {
        "files_added": sorted(set(af) - set(bf)),
        "files_removed": sorted(set(bf) - set(af)),
        "files_changed": sorted(k for k in set(af) & set(bf) if af[k] != bf[k]),
        "keys_added": sorted(set(ar) - set(br)),
        "keys_removed": sorted(set(br) - set(ar)),
        "keys_changed": sorted(k for k in set(ar) & set(br) if ar[k] != br[k]),
    }


def read_shortcut(path):
    """The fields of a .lnk file (MS-SHLLINK) that our shortcuts set: target path (from the link
    info), description, working directory, icon location and icon index."""
    data = read_bytes(path)
    if len(data) < 0x4C or data[:4] != b"\x4c\x00\x00\x00":
        raise ValueError("not a shell link: " + path)
    flags = int.from_bytes(data[0x14:0x18], "little")
    icon_index = int.from_bytes(data[0x38:0x3C], "little", signed=True)
    pos = 0x4C
    out = {"icon_index": icon_index, "target": None}
    if flags & 0x1:  # HasLinkTargetIDList
        pos += 2 + int.from_bytes(data[pos:pos + 2], "little")
    if flags & 0x2:  # HasLinkInfo
        size = int.from_bytes(data[pos:pos + 4], "little")
        header = int.from_bytes(data[pos + 4:pos + 8], "little")
        info_flags = int.from_bytes(data[pos + 8:pos + 12], "little")
        if info_flags & 1:
            if header >= 0x24:
                off = int.from_bytes(data[pos + 0x1C:pos + 0x20], "little")
                end = data.index(b"\x00\x00", pos + off)
                end += (end - (pos + off)) % 2
                out["target"] = data[pos + off:end].decode("utf-16-le")
            else:
                off = int.from_bytes(data[pos + 0x10:pos + 0x14], "little")
                out["target"] = data[pos + off:data.index(b"\x00", pos + off)].decode("mbcs" if os.name == "nt"
                                                                                       else "latin-1")
        pos += size
    unicode = bool(flags & 0x80)
    for bit, name in ((0x4, "description"), (0x8, "relative_path"), (0x10, "working_dir"), (0x20, "arguments"),
                      (0x40, "icon_location")):
        if flags & bit:
            count = int.from_bytes(data[pos:pos + 2], "little")
            pos += 2
            width = 2 if unicode else 1
            raw = data[pos:pos + count * width]
            # Wine counts the terminating NUL in; the format does not
            out[name] = (raw.decode("utf-16-le") if unicode else raw.decode("latin-1")).rstrip("\0")
            pos += count * width
    return out


def wait_until(predicate, timeout, step=0.1):
    """Polls predicate until it gives a true value (returned) or timeout seconds have passed
    (then its last value is returned)."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


class XServer:
    """An Xvfb screen on a free display number (Xvfb picks it through -displayfd), for suites
    that drive windows with xdotool; give its display to Prefix(display=...). Stop the
    wineserver of every prefix that used it (Prefix.close) before the server goes. Use as a
    context manager."""

    def __init__(self, screen="1280x1024x24"):
        self.screen = screen
        self.proc = None
        self.display = None

    def __enter__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", self.screen, "-nolisten", "tcp"],
                                     pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            self.proc.wait()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        return self

    def __exit__(self, *exc):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display, LC_ALL="C.UTF-8")
        return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True, timeout=30)

    def visible_windows(self, name_regex):
        """Ids of the visible windows whose title matches the regular expression."""
        return [int(x) for x in self.xdotool("search", "--onlyvisible", "--name", name_regex).stdout.split()]

    def window_name(self, wid):
        return self.xdotool("getwindowname", str(wid)).stdout.rstrip("\n")

    def wait_window(self, name_regex, timeout=60, exclude=()):
        """The first visible window matching name_regex and not in exclude, or None."""
        found = wait_until(lambda: [w for w in self.visible_windows(name_regex) if w not in exclude], timeout)
        return found[0] if found else None

    def key(self, *keys):
        """Key presses for the window that has the focus."""
        self.xdotool("key", *keys)

    def window_geometry(self, wid):
        """(x, y, width, height) of a window on the screen."""
        values = dict(line.partition("=")[::2] for line in
                      self.xdotool("getwindowgeometry", "--shell", str(wid)).stdout.splitlines())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screen_size(self):
        """(width, height) of the screen."""
        width, height = self.screen.split("x")[:2]
        return int(width), int(height)
