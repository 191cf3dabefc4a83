#!/usr/bin/env python3
"""Makes the release with tools/release from an existing build and checks it
from outside: the zip's names and bytes, the read-me texts, the kind of
program each installer is, and that the installer script's uninstall section
takes away every file and registry key that its install sections put down.

    check_release.py SOURCE_ROOT BUILD_ROOT OUT_DIR
"""
import os
import re
import struct
import subprocess
import sys
import zipfile

VERSION = "1.0.3.1"
SAVER = "もちぽて.scr"
TUNE = "もちぽて.mid"
PE_I386 = 0x14C
PE_AMD64 = 0x8664
PE_GUI = 2

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


def pe_header(data):
    """(machine, subsystem) of a PE image."""
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None, None
    machine = struct.unpack_from("<H", data, offset + 4)[0]
    optional = offset + 24
    subsystem = struct.unpack_from("<H", data, optional + 68)[0]
    return machine, subsystem


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_zip(path, build_root, source_root):
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        check(sorted(names) == sorted([SAVER, TUNE, "readme-ja.txt", "readme-en.txt"]),
              "the zip holds the saver, the tune and the two read-me texts: %s" % names)
        for info in archive.infolist():
            if any(ord(c) > 127 for c in info.filename):
                check(info.flag_bits & 0x800, "%s is stored with the UTF-8 name flag" % info.filename)
        check(archive.read(SAVER) == read(os.path.join(build_root, "win32", SAVER)),
              "the zip's saver is the 32-bit build, byte for byte")
        check(archive.read(TUNE) == read(os.path.join(build_root, "win32", TUNE)),
              "the zip's tune is the built tune, byte for byte")
        machine, subsystem = pe_header(archive.read(SAVER))
        check(machine == PE_I386 and subsystem == PE_GUI, "the zip's saver is a 32-bit GUI program")
        for lang in ("ja", "en"):
            text = archive.read("readme-%s.txt" % lang)
            check(text.startswith(b"\xef\xbb\xbf"), "readme-%s.txt starts with a UTF-8 byte-order mark" % lang)
            lines = text[3:].split(b"\n")
            check(all(line.endswith(b"\r") for line in lines[:-1]) and lines[-1] == b"",
                  "readme-%s.txt has CRLF line ends" % lang)
            body = text[3:].decode("utf-8")
            check(body.replace("\r\n", "\n") == open(os.path.join(source_root, "packaging", "readme-%s.txt" % lang),
                                                     encoding="utf-8").read(),
                  "readme-%s.txt is packaging/readme-%s.txt" % (lang, lang))
            for needle in ("もちぽて.ini", "[表示間隔]", "インターバル(*100msec)", "[ＢＧＭ]", "ＢＧＭあり",
                           "ＢＧＭタイトル", "[時刻表示]", "時刻表示の有無", "時刻表示のモード",
                           "SysWOW64", "System32", "/ACTIVE=1", "mochipote-%s-setup.exe" % VERSION,
                           "932", "VirtualStore"):
                check(needle in body, "readme-%s.txt mentions %s" % (lang, needle))


def check_installer(path, machine_wanted, what):
    data = read(path)
    machine, subsystem = pe_header(data)
    check(machine == machine_wanted and subsystem == PE_GUI, "%s is a %s GUI program" % (what, hex(machine_wanted)))
    # NSIS marks its payload with this signature after the stub.
    check(b"NullsoftInst" in data, "%s carries an NSIS payload" % what)


def parse_script(path):
    """Files and registry keys that the install sections write and that the
    uninstall section removes, with the script's !defines substituted."""
    defines = {}
    installed, removed = set(), set()
    keys_written, keys_removed = set(), set()
    section = None
    out_path = None

    def expand(text):
        for _ in range(5):
            text = re.sub(r"\$\{(\w+)\}", lambda m: defines.get(m.group(1), m.group(0)), text)
        return text

    def arguments(line):
        return [a.strip('"\'') for a in re.findall(r'"[^"]*"|\'[^\']*\'|\S+', line)]

    for raw in open(path, encoding="utf-8"):
        line = raw.split(";")[0].strip()
        if not line:
            continue
        words = arguments(line)
        command = words[0]
        if command == "!define" and len(words) >= 3:
            defines[words[1]] = expand(words[2])
            continue
        line_words = [expand(w) for w in words]
        if command == "Section":
            section = "uninstall" if "Uninstall" in line_words[1:2] else "install"
        elif command == "SectionEnd":
            section = None
        elif section == "install":
            if command == "SetOutPath":
                out_path = line_words[1]
            elif command == "File":
                target = [w for w in line_words[1:] if w.startswith("/oname=")]
                name = target[0][len("/oname="):] if target else os.path.basename(line_words[-1])
                installed.add(out_path + "\\" + name)
            elif command == "WriteUninstaller":
                installed.add(line_words[1])
            elif command.startswith("WriteReg"):
                keys_written.add((line_words[1], line_words[2]))
        elif section == "uninstall":
            if command == "Delete":
                removed.add([w for w in line_words[1:] if not w.startswith("/")][0])
            elif command == "DeleteRegKey":
                keys_removed.add((line_words[1], line_words[2]))
    return installed, removed, keys_written, keys_removed


def check_script(path):
    installed, removed, keys_written, keys_removed = parse_script(path)
    check({"$SYSDIR\\" + SAVER, "$SYSDIR\\" + TUNE} <= installed,
          "the installer puts the saver and the tune into $SYSDIR: %s" % sorted(installed))
    check(installed <= removed, "the uninstaller deletes every installed file (missing: %s)"
          % sorted(installed - removed))
    extra = removed - installed
    check(extra <= {"$WINDIR\\もちぽて.ini"},
          "the uninstaller deletes nothing else but the saver's settings file: %s" % sorted(extra))
    # Keys of the user's desktop settings are put back, not deleted.
    ours = {k for k in keys_written if not k[1].startswith("Control Panel")}
    check(ours <= keys_removed, "the uninstaller deletes every registry key the installer writes (missing: %s)"
          % sorted(ours - keys_removed))
    check(("HKLM", "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\もちぽて") in keys_written,
          "the installer registers under ...\\Uninstall\\もちぽて")


def main():
    source_root, build_root, out = sys.argv[1:4]
    environment = dict(os.environ, BUILD_DIR=build_root)
    result = subprocess.run([os.path.join(source_root, "tools", "release"), "--no-build", "--out", out,
                             "--test-installer"], env=environment)
    check(result.returncode == 0, "tools/release --no-build succeeds")
    if result.returncode != 0:
        return 1
    check_zip(os.path.join(out, "mochipote-%s.zip" % VERSION), build_root, source_root)
    check_installer(os.path.join(out, "mochipote-%s-setup.exe" % VERSION), PE_I386, "the shipped installer")
    check_installer(os.path.join(out, "mochipote-test-amd64-setup.exe"), PE_AMD64, "the test installer")
    check_script(os.path.join(source_root, "packaging", "installer.nsi"))
    print("%d check(s) failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
