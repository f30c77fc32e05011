#!/usr/bin/python3
"""Builds the Debian package from the build tree with scripts/make-deb, takes it apart
with dpkg-deb and checks what a Debian user gets:

  - control: name, version, architecture, Depends (the libraries dpkg-shlibdeps found,
    the Qt plugins and the faces), Recommends glabels-data; every dependency is a
    package this machine knows; no maintainer scripts; md5sums match the files;
  - files: everything under /usr, owned by root, programs stripped; the programs,
    data, guide, desktop entry, file types, icon, manual pages, completion,
    software-centre data and copyright where Debian expects them;
  - desktop-file-validate and appstreamcli validate pass (also the software-centre
    data with a web address, which lists the screenshots);
  - the manual pages render without groff warnings and list every command;
  - velmo-tool run from the unpacked tree finds the unpacked catalogue and templates.

The package is left in BUILD_DIR/deb-test for the install test (deb_install).

usage: deb_package_test.py SOURCE_DIR BUILD_DIR
"""
import glob
import gzip
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

SOURCE, BUILD = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
OUT = os.path.join(BUILD, "deb-test")
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def run(args, **kw):
    done = subprocess.run(args, capture_output=True, text=True, env=kw.pop("env", ENV), **kw)
    if done.returncode != 0:
        fail("%s ended with %d:\n%s%s" % (" ".join(args), done.returncode, done.stdout, done.stderr))
    return done.stdout


def project_version():
    cache = open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8").read()
    return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.+)$", cache, re.M).group(1)


def package_names(field):
    """The package names of a Depends-like field (alternatives and versions dropped)."""
    return [re.split(r"[ (:]", alt.strip())[0] for dep in field.split(",") for alt in dep.split("|")]


def check_control(deb, version, arch):
    info = {}
    for key in ("Package", "Version", "Architecture", "Depends", "Recommends", "Installed-Size", "Maintainer"):
        info[key] = run(["dpkg-deb", "-f", deb, key]).strip()
    if (info["Package"], info["Version"], info["Architecture"]) != ("velmo", version, arch):
        fail("control names %s %s %s" % (info["Package"], info["Version"], info["Architecture"]))
    depends = package_names(info["Depends"])
    for need in ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6printsupport6",
                 "libqt6network6", "libqt6svg6", "zlib1g", "libjpeg62-turbo", "libsane1", "libcups2",
                 "libharfbuzz0b", "libfreetype6", "libfontconfig1", "qt6-qpa-plugins",
                 "qt6-image-formats-plugins", "fonts-ipafont-gothic", "fonts-ipaexfont-mincho",
                 "fonts-noto-cjk", "fonts-mplus", "fonts-dejavu-core"):
        if need not in depends:
            fail("Depends lacks %s: %s" % (need, info["Depends"]))
    if not any(d.startswith("libicu") for d in depends):
        fail("Depends lacks ICU: " + info["Depends"])
    if len(depends) != len(set(depends)):
        fail("Depends names a package twice: " + info["Depends"])
    if "glabels-data" not in package_names(info["Recommends"]):
        fail("Recommends lacks glabels-data: " + info["Recommends"])
    # Installable here: every dependency is a package apt knows.
    for name in depends + package_names(info["Recommends"]):
        if subprocess.run(["apt-cache", "show", name], capture_output=True).returncode != 0:
            fail("Depends or Recommends names %s, which apt does not know" % name)
    if not re.fullmatch(r".+ <[^ >]+@[^ >]+>", info["Maintainer"]):
        fail("Maintainer %r is not a name and address" % info["Maintainer"])
    return info


def check_files(deb, root):
    listing = run(["dpkg-deb", "-c", deb]).splitlines()
    for line in listing:
        perms, owner, _, _, _, path = line.split(None, 5)
        if owner != "root/root":
            fail("%s is owned by %s" % (path, owner))
        if not (path == "./" or path.startswith("./usr/")) or path.startswith("./usr/local"):
            fail("installs outside /usr: " + path)
        if path.startswith("./usr/bin/") and not path.endswith("/") and perms != "-rwxr-xr-x":
            fail("%s has mode %s" % (path, perms))
    expected = ["usr/bin/velmo", "usr/bin/velmo-tool", "usr/share/velmo/velmo.ppr", "usr/share/velmo/velmo.cdd",
                "usr/share/velmo/velmo-cdd.res", "usr/share/velmo/Images.res", "usr/share/velmo/help/index.html",
                "usr/share/velmo/Data/Template/Template.dat", "usr/share/velmo/Data/Font/1/00.bmp",
                "usr/share/applications/velmo.desktop", "usr/share/mime/packages/velmo.xml",
                "usr/share/icons/hicolor/scalable/apps/velmo.svg", "usr/share/man/man1/velmo.1.gz",
                "usr/share/man/man1/velmo-tool.1.gz", "usr/share/bash-completion/completions/velmo-tool",
                "usr/share/doc/velmo/copyright", "usr/share/doc/velmo/third-party.md",
                "usr/share/doc/velmo/changelog.gz"]
    for path in expected:
        if not os.path.isfile(os.path.join(root, path)):
            fail("package lacks /" + path)
    if len(glob.glob(os.path.join(root, "usr/share/metainfo/*.metainfo.xml"))) != 1:
        fail("package holds no (or more than one) metainfo file")
    for program in ("velmo", "velmo-tool"):
        sections = run(["readelf", "-S", "-W", os.path.join(root, "usr/bin", program)])
        if ".symtab" in sections or ".debug_" in sections:
            fail("/usr/bin/%s is not stripped" % program)
    with tempfile.NamedTemporaryFile("w", suffix=".changelog") as changelog:
        with gzip.open(os.path.join(root, "usr/share/doc/velmo/changelog.gz"), "rt", encoding="utf-8") as f:
            changelog.write(f.read())
        changelog.flush()
        parsed = run(["dpkg-parsechangelog", "-l", changelog.name, "-S", "Version"]).strip()
        if parsed != project_version():
            fail("the change log names version %s" % parsed)
    # The licence: Velmo's MIT text, whole, in the copyright file.
    licence = open(os.path.join(SOURCE, "LICENSE"), encoding="utf-8").read()
    copyright_text = open(os.path.join(root, "usr/share/doc/velmo/copyright"), encoding="utf-8").read()
    if "License: Expat" not in copyright_text:
        fail("copyright file does not name the licence")
    flat = " ".join(copyright_text.split())
    for paragraph in licence.split("\n\n")[2:]:
        if " ".join(paragraph.split()) not in flat:
            fail("copyright file lacks the licence paragraph: " + paragraph[:60])
    return listing


def check_scripts_and_sums(deb, root):
    control = tempfile.mkdtemp(prefix="velmo-deb-control-")
    try:
        run(["dpkg-deb", "-e", deb, control])
        scripts = [n for n in os.listdir(control) if n in ("preinst", "postinst", "prerm", "postrm", "config")]
        if scripts:
            fail("maintainer scripts in the package: %s (triggers refresh the caches)" % scripts)
        sums = open(os.path.join(control, "md5sums"), encoding="utf-8").read().splitlines()
        files = set()
        for line in sums:
            digest, path = line.split("  ", 1)
            files.add(path)
            with open(os.path.join(root, path), "rb") as f:
                if hashlib.md5(f.read()).hexdigest() != digest:
                    fail("md5sums disagrees for " + path)
        unpacked = {os.path.relpath(os.path.join(d, n), root) for d, _, ns in os.walk(root) for n in ns}
        if files != unpacked:
            fail("md5sums lists %d files, the package holds %d" % (len(files), len(unpacked)))
    finally:
        shutil.rmtree(control, ignore_errors=True)


def check_desktop_data(root):
    desktop = os.path.join(root, "usr/share/applications/velmo.desktop")
    out = run(["desktop-file-validate", desktop])
    if out.strip():
        fail("desktop-file-validate: " + out)
    metainfo = glob.glob(os.path.join(root, "usr/share/metainfo/*.metainfo.xml"))[0]
    run(["appstreamcli", "validate", "--no-net", "--pedantic", metainfo])
    text = open(metainfo, encoding="utf-8").read()
    app_id = re.search(r"<id>([^<]+)</id>", text).group(1)
    if os.path.basename(metainfo) != app_id + ".metainfo.xml":
        fail("metainfo file %s does not bear its id %s" % (metainfo, app_id))
    mime = open(os.path.join(root, "usr/share/mime/packages/velmo.xml"), encoding="utf-8").read()
    for mediatype in re.findall(r'<mime-type type="([^"]+)"', mime):
        if "<mediatype>%s</mediatype>" % mediatype not in text:
            fail("metainfo does not name the file type " + mediatype)
    if "<launchable type=\"desktop-id\">velmo.desktop</launchable>" not in text:
        fail("metainfo does not launch velmo.desktop")
    # With the project's web address the screenshots are listed, and still valid.
    with tempfile.TemporaryDirectory() as work:
        out = os.path.join(work, app_id + ".metainfo.xml")
        run(["cmake", "-DIN=" + os.path.join(SOURCE, "data/desktop/velmo.metainfo.xml.in"), "-DOUT=" + out,
             "-DAPP_ID=" + app_id, "-DVERSION=1.0", "-DDATE=2026-01-01", "-DWEB_URL=https://velmo.example/",
             "-P", os.path.join(SOURCE, "cmake/make-metainfo.cmake")])
        run(["appstreamcli", "validate", "--no-net", "--pedantic", out])
        screenshots = re.findall(r"<image>https://velmo\.example/screenshots/([^<]+)</image>",
                                 open(out, encoding="utf-8").read())
        if not screenshots:
            fail("metainfo with a web address lists no screenshot")
        for name in screenshots:
            if not os.path.isfile(os.path.join(SOURCE, "docs", "screenshots", name)):
                fail("listed screenshot docs/screenshots/%s does not exist" % name)


def check_manual_pages(root):
    help_text = run([os.path.join(BUILD, "src", "velmo-tool"), "help"])
    commands = re.findall(r"^  ([a-z][a-z0-9-]*)", help_text, re.M)
    for page in ("velmo", "velmo-tool"):
        with gzip.open(os.path.join(root, "usr/share/man/man1/%s.1.gz" % page), "rt", encoding="utf-8") as f:
            source = f.read()
        done = subprocess.run(["groff", "-k", "-man", "-Tutf8", "-ww", "-z"], input=source, capture_output=True,
                              text=True)
        if done.returncode != 0 or done.stderr.strip():
            fail("groff warns about %s(1):\n%s" % (page, done.stderr))
        shown = run(["man", "-l", os.path.join(root, "usr/share/man/man1/%s.1.gz" % page)],
                    env=dict(ENV, MANWIDTH="100"))
        # whatis and apropos read the NAME line through lexgrog.
        whatis = run(["lexgrog", os.path.join(root, "usr/share/man/man1/%s.1.gz" % page)])
        if ': "%s - ' % page not in whatis:
            fail("lexgrog reads no NAME line from %s(1): %s" % (page, whatis))
        for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "SEE ALSO"):
            if heading not in shown:
                fail("%s(1) has no %s" % (page, heading))
        if page == "velmo-tool":
            missing = [c for c in commands if not re.search(r"^   %s$" % re.escape(c), shown, re.M)]
            if missing:
                fail("velmo-tool(1) has no section for %s" % missing)


def check_unpacked_programs(root):
    tool = os.path.join(root, "usr/bin/velmo-tool")
    unpacked = run([tool, "papers", "--names"])
    built = run([os.path.join(BUILD, "src", "velmo-tool"), "papers", "--names"])
    if not unpacked.strip() or unpacked != built:
        fail("the unpacked velmo-tool lists other papers than the build's")
    templates = run([tool, "templates", os.path.join(root, "usr/share/velmo/Data/Template/Template.dat")])
    if len(templates.splitlines()) < 50:
        fail("the unpacked template index lists %d templates" % len(templates.splitlines()))
    return len(unpacked.splitlines()), len(templates.splitlines())


def main():
    version = project_version()
    arch = run(["dpkg", "--print-architecture"]).strip()
    shutil.rmtree(OUT, ignore_errors=True)
    made = run([os.path.join(SOURCE, "scripts", "make-deb"), BUILD, OUT]).strip().splitlines()[-1]
    deb = os.path.join(OUT, "velmo_%s_%s.deb" % (version, arch))
    if made != deb or not os.path.isfile(deb):
        fail("make-deb made %r, not %s" % (made, deb))
    root = tempfile.mkdtemp(prefix="velmo-deb-")
    try:
        run(["dpkg-deb", "-x", deb, root])
        info = check_control(deb, version, arch)
        listing = check_files(deb, root)
        check_scripts_and_sums(deb, root)
        check_desktop_data(root)
        check_manual_pages(root)
        papers, templates = check_unpacked_programs(root)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("package %s: %d bytes, %d entries, Installed-Size %s KiB" % (os.path.basename(deb), os.path.getsize(deb),
                                                                       len(listing), info["Installed-Size"]))
    print("Depends:", info["Depends"])
    print("Recommends:", info["Recommends"])
    print("unpacked velmo-tool: %d papers, %d templates" % (papers, templates))
    print("PASS")


if __name__ == "__main__":
    main()
