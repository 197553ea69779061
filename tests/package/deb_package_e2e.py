#!/usr/bin/env python3
"""The .deb end to end: built with cpack into a scratch folder, its control
data and file list, lintian without an error, unpacked with dpkg -x into a
scratch root, its licence as a Debian copyright file, its README's links,
its AppStream data and desktop entry validated (the entry followed),
--help and --version, and where the unpacked program keeps its setup file
and ports/ (the user's config folder when installed, beside itself when
copied into a plain folder).

Every run of the program has COM1 on a pty of its own or, run as nobody,
no access to the machine's serial devices; none opens one of them.

Usage: deb_package_e2e.py CPACK BUILD_DIR VERSION LICENSE
"""

import os
import pwd
import re
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
EXPECTED_FILES = {
    "./usr/bin/quorvant",
    "./usr/share/applications/quorvant.desktop",
    "./usr/share/doc/quorvant/README.md",
    "./usr/share/doc/quorvant/changelog.gz",
    "./usr/share/doc/quorvant/copyright",
    "./usr/share/doc/quorvant/docs/screenshots/linux-main.png",
    "./usr/share/icons/hicolor/scalable/apps/quorvant.svg",
    "./usr/share/man/man1/quorvant.1.gz",
    "./usr/share/metainfo/org.example.quorvant.metainfo.xml",
    "./usr/share/quorvant/README",
} | {"./usr/share/icons/hicolor/%dx%d/apps/quorvant.png" % (s, s) for s in ICON_SIZES}
# Libraries the program links and packages it needs besides them.
REQUIRED_DEPENDS = {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libxkbcommon-x11-0",
                    "fonts-dejavu-core"}
START_TIMEOUT = 20


def run(*args, **kwargs):
    result = subprocess.run(args, capture_output=True, text=True, **kwargs)
    qh.check(result.returncode == 0, "%s failed (exit %d): %s%s"
             % (" ".join(args), result.returncode, result.stdout, result.stderr))
    return result


def build_package(cpack, build_dir, scratch):
    out = os.path.join(scratch, "out")
    run(cpack, "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-G", "DEB", "-B", out,
        cwd=scratch)
    debs = [name for name in os.listdir(out) if name.endswith(".deb")]
    qh.check(len(debs) == 1, "cpack made %r" % debs)
    return os.path.join(out, debs[0])


def unmet_dependencies(depends):
    """The alternatives groups of a Depends field that no installed package
    of this machine satisfies."""
    unmet = []
    for group in depends.split(","):
        satisfied = False
        for alternative in group.split("|"):
            match = re.fullmatch(r"\s*([^\s(]+)\s*(?:\((\S+)\s+([^)\s]+)\))?\s*", alternative)
            qh.check(match is not None, "unreadable dependency %r" % alternative)
            name, relation, version = match.groups()
            query = subprocess.run(["dpkg-query", "-W", "-f=${Status} ${Version}", name],
                                   capture_output=True, text=True)
            if query.returncode != 0 or not query.stdout.startswith("install ok installed"):
                continue
            installed = query.stdout.split()[-1]
            if relation is None or subprocess.run(
                    ["dpkg", "--compare-versions", installed, relation, version]).returncode == 0:
                satisfied = True
        if not satisfied:
            unmet.append(group.strip())
    return unmet


def check_control(deb, version):
    fields = {}
    for field in ("Package", "Version", "Architecture", "Depends", "Description"):
        fields[field] = run("dpkg-deb", "-f", deb, field).stdout.strip()
    qh.check(fields["Package"] == "quorvant", "package name %r" % fields["Package"])
    qh.check(fields["Version"] == version, "version %r, not %r" % (fields["Version"], version))
    names = {re.split(r"[\s(]", d.strip())[0] for d in re.split(r"[,|]", fields["Depends"])}
    qh.check(REQUIRED_DEPENDS <= names,
             "Depends lacks %s: %s" % (REQUIRED_DEPENDS - names, fields["Depends"]))
    # Installable here, a Debian 12 with the build's packages: every
    # dependency is met by what is installed.
    unmet = unmet_dependencies(fields["Depends"])
    qh.check(not unmet, "dependencies not met on this machine: %s" % unmet)
    qh.check(fields["Description"].startswith("Interactive serial terminal"),
             "description %r" % fields["Description"])


def check_file_list(deb):
    files = {}
    for row in run("dpkg-deb", "-c", deb).stdout.splitlines():
        mode, owner, _size, _date, _time, path = row.split(None, 5)
        qh.check(owner == "root/root", "%s is owned by %s" % (path, owner))
        if not mode.startswith("d"):
            files[path] = mode
    qh.check(set(files) == EXPECTED_FILES,
             "file list differs: extra %s, missing %s"
             % (sorted(set(files) - EXPECTED_FILES), sorted(EXPECTED_FILES - set(files))))
    qh.check(files["./usr/bin/quorvant"] == "-rwxr-xr-x", "program mode %s" % files["./usr/bin/quorvant"])


IMAGE_LINK = re.compile(rb"!\[[^\]]*\]\(\s*<?([^)\s>]+)>?[^)]*\)|<img\b[^>]*\bsrc=[\"']([^\"']+)")


def check_doc_images(root):
    """Every image the installed documentation shows is in the package."""
    doc = os.path.join(root, "usr/share/doc/quorvant")
    shown = 0
    for folder, _dirs, names in os.walk(doc):
        for name in names:
            if not name.endswith((".md", ".txt", ".html")):
                continue
            with open(os.path.join(folder, name), "rb") as f:
                text = f.read()
            for match in IMAGE_LINK.finditer(text):
                target = (match.group(1) or match.group(2)).decode()
                qh.check("://" not in target and not target.startswith("/"),
                         "%s shows an image from outside the package: %s" % (name, target))
                path = os.path.normpath(os.path.join(folder, target))
                qh.check(path.startswith(doc + os.sep) and os.path.isfile(path),
                         "%s shows %s, which the package does not hold" % (name, target))
                with open(path, "rb") as f:
                    qh.check(f.read(8) == b"\x89PNG\r\n\x1a\n", "%s is no PNG" % target)
                shown += 1
    qh.check(shown > 0, "the documentation shows no image at all")


LINK = re.compile(r"(?<!!)\[[^\]]*\]\(\s*<?([^)\s>]+)>?[^)]*\)")


def check_readme_links(root):
    """Every link of the installed README leads to a file of the package, a
    heading of its own or the web."""
    doc = os.path.join(root, "usr/share/doc/quorvant")
    with open(os.path.join(doc, "README.md")) as f:
        text = f.read()
    for target in LINK.findall(text):
        if target.startswith("#") or "://" in target:
            continue
        path = os.path.normpath(os.path.join(doc, target.split("#")[0]))
        qh.check(os.path.exists(path), "the installed README links %s, which the package lacks"
                 % target)


def check_copyright(root, license_path):
    """The licence as Debian's machine-readable copyright file: its text,
    indented, under an Expat licence field for all files."""
    with open(os.path.join(root, "usr/share/doc/quorvant/copyright")) as f:
        copyright_text = f.read()
    with open(license_path) as f:
        license_text = f.read()
    header, _, files = copyright_text.partition("\n\n")
    qh.check(header.startswith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
        "the copyright file names no format: %r" % header)
    qh.check("Upstream-Name: quorvant" in header, "no Upstream-Name: %r" % header)
    qh.check(files.startswith("Files: *\nCopyright: 2026 the quorvant developers\n"
                              "License: Expat\n"), "the Files paragraph: %r" % files[:200])
    body = files.split("License: Expat\n", 1)[1]
    unfolded = "\n".join("" if line == " ." else line[1:] for line in body.rstrip("\n").split("\n"))
    qh.check(all(line.startswith(" ") for line in body.rstrip("\n").split("\n")),
             "a licence line is not indented")
    qh.check(unfolded.strip() in license_text and "MIT License" in license_text
             and unfolded.startswith("Permission is hereby granted"),
             "the copyright file's licence is not LICENSE: %r" % unfolded[:200])


def check_linters(deb, root):
    """appstreamcli and lintian, as a distribution would run them."""
    metainfo = os.path.join(root, "usr/share/metainfo/org.example.quorvant.metainfo.xml")
    result = subprocess.run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo],
                            capture_output=True, text=True)
    qh.check(result.returncode == 0, "appstreamcli validate: %s%s"
             % (result.stdout, result.stderr))
    with open(metainfo) as f:
        text = f.read()
    qh.check("<screenshot" in text and "<release " in text,
             "the AppStream data lacks a screenshot or a release")
    result = subprocess.run(["lintian", "--tag-display-limit", "0", deb], capture_output=True,
                            text=True)
    errors = [line for line in result.stdout.splitlines() if line.startswith("E:")]
    qh.check(not errors, "lintian: %s" % "\n".join(errors))


def check_program_file(root):
    program = os.path.join(root, "usr/bin/quorvant")
    sections = run("readelf", "-S", "-W", program).stdout
    qh.check(".symtab" not in sections and ".debug_info" not in sections,
             "the packed program is not stripped")


def desktop_entry(root):
    """The validated entry's keys."""
    path = os.path.join(root, "usr/share/applications/quorvant.desktop")
    # Hints count too: a menu files an entry of two main categories twice.
    result = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
    qh.check(result.returncode == 0 and not (result.stdout + result.stderr).strip(),
             "desktop-file-validate: %s%s" % (result.stdout, result.stderr))
    entry = {}
    with open(path) as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entry[key] = value
    categories = set(entry.get("Categories", "").split(";"))
    qh.check("Utility" in categories, "categories %r" % entry.get("Categories"))
    qh.check(entry.get("Comment"), "the entry has no Comment")
    icon = entry.get("Icon")
    for size in ICON_SIZES:
        png = os.path.join(root, "usr/share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, icon))
        with open(png, "rb") as f:
            head = f.read(24)
        qh.check(head[:8] == b"\x89PNG\r\n\x1a\n"
                 and int.from_bytes(head[16:20], "big") == size
                 and int.from_bytes(head[20:24], "big") == size,
                 "%s is no %d-pixel PNG" % (png, size))
    return entry


def program_env(root, home, xdg_config_home=None):
    """A clean environment: the unpacked bin/ first in PATH, no display."""
    env = {"PATH": os.path.join(root, "usr/bin") + ":/usr/bin:/bin", "HOME": home,
           "LANG": "C.UTF-8"}
    if xdg_config_home is not None:
        env["XDG_CONFIG_HOME"] = xdg_config_home
    return env


def tree(folder):
    return sorted(os.path.relpath(os.path.join(d, n), folder)
                  for d, dirs, files in os.walk(folder) for n in dirs + files)


def check_options(root, scratch, version):
    """--help and --version answer on stdout with no display, before Qt
    starts, and leave no file anywhere."""
    home = os.path.join(scratch, "options-home")
    os.mkdir(home)
    before = tree(root)
    env = program_env(root, home, os.path.join(home, "xdg"))
    for option, expected in (("--version", "quorvant %s\n" % version), ("--help", None)):
        result = subprocess.run(["quorvant", option], env=env, capture_output=True, text=True,
                                timeout=10)
        qh.check(result.returncode == 0 and result.stderr == "",
                 "%s: exit %d, stderr %r" % (option, result.returncode, result.stderr))
        if expected is not None:
            qh.check(result.stdout == expected, "%s printed %r" % (option, result.stdout))
        else:
            qh.check(result.stdout.startswith("Usage: quorvant") and "--version" in result.stdout
                     and "XDG_CONFIG_HOME" in result.stdout, "--help printed %r" % result.stdout)
    qh.check(tree(home) == [] and tree(root) == before, "an option left files behind")


def become(user):
    """A preexec_fn that makes the child process user, with no other group."""
    def preexec():
        os.setgid(user.pw_gid)
        os.setgroups([])
        os.setuid(user.pw_uid)
    return preexec


class Run:
    """The program started from a command, offscreen, until its setup file
    appears."""

    def __init__(self, command, env, cwd, user=None):
        env = dict(env, QT_QPA_PLATFORM="offscreen")
        self.process = subprocess.Popen(command, env=env, cwd=cwd,
                                        preexec_fn=become(user) if user is not None else None,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

    def wait_setup_file(self, path, last_command=rb".*quorvant"):
        def written():
            if self.process.poll() is not None:
                raise qh.Failure("the program ended: "
                                 + self.process.stderr.read().decode(errors="replace"))
            return os.path.isfile(path) and os.path.getsize(path) > 0
        qh.wait_for(written, START_TIMEOUT, path)
        with open(path, "rb") as f:
            problem = qh.setup_file_problems(f.read(), "quorvant", last_command)
        qh.check(problem is None, "%s: %s" % (path, problem))

    def has_open(self, device):
        fd_dir = "/proc/%d/fd" % self.process.pid

        def opened():
            for fd in os.listdir(fd_dir):
                try:
                    if os.readlink(os.path.join(fd_dir, fd)) == device:
                        return True
                except OSError:
                    pass
            return False
        return qh.wait_for(opened, START_TIMEOUT, "the program to open " + device)

    def close(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stderr.close()


def check_installed_as_root(root, scratch, entry):
    """Started as its desktop entry says, as root (who may write usr/bin):
    bin/ beside share/quorvant/ makes it keep everything in
    $XDG_CONFIG_HOME/quorvant/, ports/ included."""
    home = os.path.join(scratch, "root-home")
    xdg = os.path.join(scratch, "xdg")
    folder = os.path.join(xdg, "quorvant")
    os.makedirs(os.path.join(folder, "ports"))
    os.mkdir(home)
    line = qh.PtyLine()
    line.link(os.path.join(folder, "ports", "com1"))
    # Should the program look beside itself after all, its COM1 leads
    # nowhere rather than to the machine's ttyS0.
    bin_dir = os.path.join(root, "usr/bin")
    guard = os.path.join(bin_dir, "ports")
    os.mkdir(guard)
    qh.point_link(os.path.join(guard, "com1"), os.path.join(scratch, "no-such-device"))
    bin_before = tree(bin_dir)
    command = shlex.split(entry["Exec"])
    qh.check(shutil.which(command[0], path=os.path.join(root, "usr/bin")) is not None,
             "Exec=%s is not the unpacked program" % entry["Exec"])
    program = Run(command, program_env(root, home, xdg), cwd=home)
    try:
        program.wait_setup_file(os.path.join(folder, "quorvant.ini"))
        program.has_open(line.slave_path)
    finally:
        program.close()
        line.close()
    qh.check(tree(bin_dir) == bin_before,
             "the installed program wrote beside itself: %s" % tree(bin_dir))
    shutil.rmtree(guard)
    written = [path for path in tree(home) if "quorvant" in path]
    qh.check(not written, "the program wrote into HOME: %s" % written)


def check_installed_as_user(root, scratch):
    """As a user who cannot write usr/bin, with XDG_CONFIG_HOME unset: the
    folder ~/.config/quorvant/ and its ports/ are made at the first start,
    and a copy of the program makes ports/ beside itself. Such a user has
    no access to the machine's serial devices, so COM1 without ports/ opens
    nothing."""
    try:
        user = pwd.getpwnam("nobody")
    except KeyError:
        print("skipped the run as a user: there is no user nobody")
        return
    if os.getuid() != 0:
        print("skipped the run as a user: the test does not run as root")
        return
    probe = subprocess.run(["sh", "-c", "test -r /dev/ttyS0 || test -w /dev/ttyS0"],
                           preexec_fn=become(user))
    if probe.returncode == 0:
        print("skipped the run as a user: nobody may open /dev/ttyS0 here")
        return
    home = os.path.join(scratch, "user-home")
    os.mkdir(home)
    os.chown(home, user.pw_uid, user.pw_gid)
    program = Run(["quorvant"], program_env(root, home), cwd=home, user=user)
    try:
        program.wait_setup_file(os.path.join(home, ".config/quorvant/quorvant.ini"))
    finally:
        program.close()
    mode = os.stat(os.path.join(home, ".config/quorvant")).st_mode & 0o777
    qh.check(mode == 0o700, "the config folder has mode %o" % mode)
    qh.check(os.path.isdir(os.path.join(home, ".config/quorvant/ports")),
             "the installed program made no ports/ folder: %s" % tree(home))

    # A copy in a folder of the user's makes its ports/ beside itself.
    copy = os.path.join(home, "copy")
    os.mkdir(copy)
    shutil.copy2(os.path.join(root, "usr/bin/quorvant"), copy)
    os.chown(copy, user.pw_uid, user.pw_gid)
    program = Run([os.path.join(copy, "quorvant")], program_env(root, home), cwd=copy, user=user)
    try:
        program.wait_setup_file(os.path.join(copy, "quorvant.ini"))
    finally:
        program.close()
    qh.check(os.path.isdir(os.path.join(copy, "ports")),
             "the copied program made no ports/ folder: %s" % tree(copy))


def check_unpacked_copy(root, scratch):
    """The same program copied into a plain folder keeps its setup file and
    ports/ beside itself, whatever XDG_CONFIG_HOME says. An option among
    other arguments is no option: the program starts and records them."""
    folder = os.path.join(scratch, "unpacked")
    os.makedirs(os.path.join(folder, "ports"))
    shutil.copy2(os.path.join(root, "usr/bin/quorvant"), folder)
    xdg = os.path.join(scratch, "unused-xdg")
    # Should it take itself for installed, its COM1 leads nowhere.
    os.makedirs(os.path.join(xdg, "quorvant", "ports"))
    qh.point_link(os.path.join(xdg, "quorvant", "ports", "com1"),
                  os.path.join(scratch, "no-such-device"))
    line = qh.PtyLine()
    line.link(os.path.join(folder, "ports", "com1"))
    program = Run([os.path.join(folder, "quorvant"), "--version", "COM3"],
                  program_env(root, folder, xdg), cwd=folder)
    try:
        program.wait_setup_file(os.path.join(folder, "quorvant.ini"),
                                rb".*/quorvant --version com3")
        program.has_open(line.slave_path)
    finally:
        program.close()
        line.close()
    qh.check(tree(xdg) == ["quorvant", "quorvant/ports", "quorvant/ports/com1"],
             "the unpacked program wrote into XDG_CONFIG_HOME: %s" % tree(xdg))


def main():
    cpack, build_dir, version, license_path = sys.argv[1:5]
    scratch = tempfile.mkdtemp(prefix="quorvant-deb-")
    try:
        # The run as a user must reach the unpacked program.
        os.chmod(scratch, 0o755)
        deb = build_package(cpack, build_dir, scratch)
        check_control(deb, version)
        check_file_list(deb)
        root = os.path.join(scratch, "root")
        run("dpkg", "-x", deb, root)
        check_program_file(root)
        check_doc_images(root)
        check_readme_links(root)
        check_copyright(root, license_path)
        check_linters(deb, root)
        entry = desktop_entry(root)
        check_options(root, scratch, version)
        check_installed_as_root(root, scratch, entry)
        check_installed_as_user(root, scratch)
        check_unpacked_copy(root, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("package_e2e: the .deb, its files, its entry and the path rule are as expected")


if __name__ == "__main__":
    try:
        main()
    except qh.Failure as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)
