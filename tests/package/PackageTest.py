#!/usr/bin/env python3
# PackageTest.py — builds the Debian package from a build folder with CPack and checks it: its files and
# control fields, lintian without errors, the installed programs, and the maintainer scripts run in a
# temporary root (DPKG_ROOT) with the account and service commands stubbed. Never installs on this system.
import gzip
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile

BUILD = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what)


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)


# The account and service commands of the maintainer scripts. groupadd and useradd write the target
# root's files as the real ones would; every call is logged.
STUBS = {
    "groupadd": 'echo "groupadd $*" >> "$STUB_LOG"\n'
                'echo "varnholt:x:990:" >> "$DPKG_ROOT/etc/group"\n',
    "useradd": 'echo "useradd $*" >> "$STUB_LOG"\n'
               'echo "varnholt:x:990:990:Varnholt service:/var/lib/varnholt:/usr/sbin/nologin" >> "$DPKG_ROOT/etc/passwd"\n',
    "systemctl": 'echo "systemctl $*" >> "$STUB_LOG"\n',
    "deb-systemd-invoke": 'echo "deb-systemd-invoke $*" >> "$STUB_LOG"\n',
}


def main():
    work = tempfile.mkdtemp(prefix="varnholt-package-")
    try:
        test(work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d failure(s)" % len(failures))
        return 1
    print("The package is well formed")
    return 0


def test(work):
    # 1. Build it, into a folder of its own, so that a `make package` beside it is not disturbed.
    out = os.path.join(work, "out")
    built = run(["cpack", "-G", "DEB", "-B", out, "--config", os.path.join(BUILD, "CPackConfig.cmake")])
    check(built.returncode == 0, "cpack failed: " + built.stdout + built.stderr)
    debs = [f for f in os.listdir(out) if f.endswith(".deb")] if os.path.isdir(out) else []
    check(len(debs) == 1, "one .deb expected, found %s" % debs)
    if not debs:
        return
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    version = re.search(r"project\(Varnholt VERSION (\S+)", open(os.path.join(SOURCE, "CMakeLists.txt")).read())
    check(debs[0] == "varnholt_%s_%s.deb" % (version.group(1), arch), "the package's name: " + debs[0])
    deb = os.path.join(out, debs[0])

    # 2. Control fields.
    def field(name):
        return run(["dpkg-deb", "-f", deb, name]).stdout.strip()

    check(field("Package") == "varnholt", "Package")
    check(field("Architecture") == arch, "Architecture")
    check(re.match(r".+ <[^@ ]+@[^@ ]+>$", field("Maintainer")) is not None, "Maintainer: " + field("Maintainer"))
    depends = field("Depends")
    # From what the programs link (shlibdeps), and what they run or load without linking it.
    for package in ["libc6", "libqt6widgets6", "libpoppler-cpp0v5", "libcups2", "libsqlite3-0", "passwd",
                    "qt6-qpa-plugins", "cups", "libtesseract5", "tesseract-ocr-eng"]:
        check(re.search(r"(^|, )%s( |,|$)" % re.escape(package), depends) is not None, "Depends lacks " + package)
    for package in ["printer-driver-cups-pdf"]:
        check(package in field("Recommends").split(", "), "Recommends lacks " + package)

    # 3. Files at their places.
    listing = run(["dpkg-deb", "-c", deb]).stdout
    entries = {}
    for line in listing.splitlines():
        parts = line.split(None, 5)
        name = parts[5].split(" -> ")[0].lstrip(".")
        entries[name.rstrip("/") or "/"] = line
    expected = [
        "/usr/lib/varnholt/varnholt-cli", "/usr/lib/varnholt/Varnholt", "/usr/lib/varnholt/PDF.EXE",
        "/usr/lib/varnholt/PDFEDIT.EXE", "/usr/lib/varnholt/Varnholt_help.htm", "/usr/bin/varnholt-cli",
        "/usr/bin/varnholt", "/usr/share/varnholt/Varnholt.PS", "/lib/systemd/system/varnholt.service",
        "/usr/share/applications/varnholt.desktop", "/usr/share/icons/hicolor/scalable/apps/varnholt.svg",
        "/usr/share/man/man1/varnholt-cli.1.gz", "/usr/share/man/man1/varnholt.1.gz",
        "/usr/share/doc/varnholt/copyright", "/usr/share/doc/varnholt/changelog.gz",
        "/usr/share/doc/varnholt/install.md",
    ]
    for path in expected:
        check(path in entries, "missing from the package: " + path)
    for program in ["varnholt-cli", "Varnholt", "PDF.EXE", "PDFEDIT.EXE"]:
        check(entries.get("/usr/lib/varnholt/" + program, "").startswith("-rwxr-xr-x root/root"),
              program + " is no executable of root")
    check(not any(p.startswith("/var/") for p in entries), "the package must not ship /var: postinst makes it")

    root = os.path.join(work, "root")
    control = os.path.join(work, "control")
    check(run(["dpkg-deb", "-x", deb, root]).returncode == 0, "dpkg-deb -x")
    check(run(["dpkg-deb", "-e", deb, control]).returncode == 0, "dpkg-deb -e")
    check(os.readlink(os.path.join(root, "usr/bin/varnholt-cli")) == "../lib/varnholt/varnholt-cli", "link varnholt-cli")
    check(os.readlink(os.path.join(root, "usr/bin/varnholt")) == "../lib/varnholt/Varnholt", "link varnholt")

    # 4. The unit, the menu entry and the manual pages.
    unit = open(os.path.join(root, "lib/systemd/system/varnholt.service")).read()
    for line in ["User=varnholt", "WorkingDirectory=/var/lib/varnholt",
                 "ExecStart=/usr/bin/varnholt-cli watch --app-folder /var/lib/varnholt --verbose",
                 "Restart=on-failure", "WantedBy=multi-user.target"]:
        check(re.search("^" + re.escape(line) + "$", unit, re.M) is not None, "the unit lacks " + line)
    # An emergency stop ends with 3: the unit must not keep that from a restart.
    check("RestartPreventExitStatus" not in unit.replace("# RestartPreventExitStatus", ""), "the unit prevents restarts")
    desktop = open(os.path.join(root, "usr/share/applications/varnholt.desktop")).read()
    for line in ["Type=Application", "Exec=varnholt", "Icon=varnholt"]:
        check(re.search("^" + re.escape(line) + "$", desktop, re.M) is not None, "the desktop entry lacks " + line)
    # The packed page is the one the program writes from its help today.
    fresh = os.path.join(work, "fresh.1")
    check(run([os.path.join(BUILD, "app", "varnholt-cli"), "man-page", fresh]).returncode == 0, "man-page")
    packed = gzip.open(os.path.join(root, "usr/share/man/man1/varnholt-cli.1.gz"), "rt").read()
    check(os.path.exists(fresh) and packed == open(fresh).read(), "varnholt-cli.1 differs from the program's help")
    window = gzip.open(os.path.join(root, "usr/share/man/man1/varnholt.1.gz"), "rt").read()
    check(".TH VARNHOLT 1" in window, "varnholt.1")

    # 5. lintian: no errors.
    if shutil.which("lintian") is None:
        check(False, "lintian is not installed (scripts/install-deps.sh installs it)")
    else:
        lint = run(["lintian", "--tag-display-limit", "0", deb])
        errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
        print(lint.stdout, end="")
        check(not errors and lint.returncode in (0, 1), "lintian errors: %s %s" % (errors, lint.stderr))

    # 6. The installed programs run from their folder, the engine beside them, the application folder elsewhere.
    app = os.path.join(work, "app")
    os.makedirs(os.path.join(app, "drives/c/PDF"))
    shutil.copy(os.path.join(SOURCE, "tests/data/engine/reports/gc_accented_operator.pdf"),
                os.path.join(app, "drives/c/PDF/report.pdf"))
    extract = run([os.path.join(root, "usr/bin/varnholt-cli"), "--app-folder", app, "extract", "C:\\PDF\\report.pdf"])
    check(extract.returncode == 0 and "Acq. Operator" in extract.stdout, "the installed extract: " + extract.stderr)

    # 7. The maintainer scripts in a temporary root.
    maintainer_scripts(work, root, control)


def maintainer_scripts(work, root, control):
    stubs = os.path.join(work, "stubs")
    os.makedirs(stubs)
    log = os.path.join(work, "stub.log")
    open(log, "w").close()
    for name, body in STUBS.items():
        path = os.path.join(stubs, name)
        with open(path, "w") as f:
            f.write("#!/bin/sh\n" + body)
        os.chmod(path, 0o755)
    if os.geteuid() != 0:  # only root may give a folder away; as anybody else the call is logged
        with open(os.path.join(stubs, "chown"), "w") as f:
            f.write('#!/bin/sh\necho "chown $*" >> "$STUB_LOG"\n')
        os.chmod(os.path.join(stubs, "chown"), 0o755)
    os.makedirs(os.path.join(root, "etc"), exist_ok=True)
    for name in ["passwd", "group"]:
        open(os.path.join(root, "etc", name), "a").close()
    env = dict(os.environ, DPKG_ROOT=root, STUB_LOG=log, PATH=stubs + ":" + os.environ["PATH"],
               DPKG_MAINTSCRIPT_PACKAGE="varnholt")

    def script(name, *args):
        result = run([os.path.join(control, name)] + list(args), env=env)
        check(result.returncode == 0, "%s %s: %s" % (name, " ".join(args), result.stderr))
        return result

    def calls():
        return open(log).read()

    folder = os.path.join(root, "var/lib/varnholt")
    wants = os.path.join(root, "etc/systemd/system/multi-user.target.wants/varnholt.service")

    # A first installation: the account, the folder, the service enabled; nothing started in another root.
    script("postinst", "configure", "")
    check("groupadd --prefix %s --system varnholt" % root in calls(), "postinst made no group: " + calls())
    check(re.search(r"useradd --prefix \S+ --system --gid varnholt --home-dir /var/lib/varnholt", calls()) is not None,
          "postinst made no user: " + calls())
    for sub in ["", "drives", "drives/c"]:
        mode = os.stat(os.path.join(folder, sub)).st_mode if os.path.isdir(os.path.join(folder, sub)) else 0
        check(stat.S_IMODE(mode) == 0o2771, "mode of /var/lib/varnholt/%s: %o" % (sub, stat.S_IMODE(mode)))
        # The PDF printer writes as the user who printed: everybody must pass through to C:\PDF.
        check(mode & stat.S_IXOTH, "others cannot pass /var/lib/varnholt/" + sub)
        if os.geteuid() == 0:
            check(os.stat(os.path.join(folder, sub)).st_uid == 990, "owner of /var/lib/varnholt/" + sub)
    check(os.path.islink(wants) and os.readlink(wants) == "/lib/systemd/system/varnholt.service",
          "the service is not enabled for multi-user.target")
    check("systemctl" not in calls() and "deb-systemd-invoke" not in calls(), "a service started in another root")

    # The service's files survive an upgrade and a removal; an administrator's mode stays.
    files = {"Varnholt.xml": "<settings/>", "Varnholt.PS": "Log('site','script')", "Varnholt.LOG": "records",
             "Varnholt.journal": "journal", "drives/c/PDFSTORE/S1.PDF": "%PDF-1.4"}
    for name, text in files.items():
        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
    os.chmod(folder, 0o2770)
    open(log, "w").close()
    script("postinst", "configure", "0.1.0")
    check("useradd" not in calls() and "groupadd" not in calls(), "an upgrade made the account again")
    check(stat.S_IMODE(os.stat(folder).st_mode) == 0o2770, "an upgrade changed the folder's mode")
    script("prerm", "remove")
    script("postrm", "remove")
    for name, text in files.items():
        path = os.path.join(folder, name)
        check(os.path.exists(path) and open(path).read() == text, "a removal lost " + name)

    # A purge deletes the folder, but keeps the filed reports and their journal while there are any.
    script("postrm", "purge")
    check(not os.path.exists(os.path.join(folder, "Varnholt.xml")), "a purge kept Varnholt.xml")
    check(not os.path.exists(os.path.join(folder, "Varnholt.LOG")), "a purge kept Varnholt.LOG")
    check(os.path.exists(os.path.join(folder, "drives/c/PDFSTORE/S1.PDF")), "a purge deleted a filed report")
    check(os.path.exists(os.path.join(folder, "Varnholt.journal")), "a purge deleted the journal of kept reports")
    os.remove(os.path.join(folder, "drives/c/PDFSTORE/S1.PDF"))
    script("postrm", "purge")
    check(not os.path.exists(folder), "a purge without reports kept /var/lib/varnholt")
    check(not os.path.lexists(wants), "a purge kept the service enabled")
    check("systemctl" not in calls() and "deb-systemd-invoke" not in calls(), "a service stopped in another root")


if __name__ == "__main__":
    sys.exit(main())
