#!/usr/bin/python3
"""Every system file the build read or the programs load comes from a package
that scripts/deps.sh installs (scripts/packages.txt), or from one of their
dependencies, or from the base system a minimal Debian root already has.

Files looked at, all outside the source and build trees:
  - headers, from the compiler's dependency files (*.o.d);
  - libraries, from the link lines (link.txt), -lNAME resolved as the linker would;
  - pkg-config files of the modules CMake found, with what they require;
  - CMake package files read while configuring (CMakeFiles/Makefile.cmake);
  - shared libraries the built programs need (ldd), and those a window test
    really loads at run time, plugins included (LD_DEBUG=files);
  - the plugins the program loads on a desktop and for SQL Server, with theirs.

Usage: check_packages.py BUILD_DIR PACKAGES_FILE [--probe PROGRAM] [--exclude PKG]...
       check_packages.py --self-test BUILD_DIR PACKAGES_FILE [--probe PROGRAM]
--exclude treats PKG as not installed; --self-test proves the check fails and
names the file and the package when zlib1g-dev or libgsf-1-dev is left out.
"""
import glob
import os
import re
import shlex
import subprocess
import sys
import tempfile

LIB_DIRS = ["/usr/lib/x86_64-linux-gnu", "/lib/x86_64-linux-gnu", "/usr/lib", "/lib"]


def read_packages(path):
    names = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if line:
                names.append(line)
    return names


def installed_packages():
    """name -> (essential/required, [dependency groups], [provided names])"""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${db:Status-Abbrev}\t${Essential}\t${Priority}"
         "\t${Pre-Depends}\t${Depends}\t${Provides}\n"],
        check=True, capture_output=True, text=True).stdout
    pkgs, provides = {}, {}
    for line in out.splitlines():
        name, status, essential, priority, pre, dep, prov = line.split("\t")
        if not status.startswith("ii"):
            continue
        groups = []
        for field in (pre, dep):
            for group in filter(None, (g.strip() for g in field.split(","))):
                groups.append([re.split(r"[\s:(]", alt.strip(), maxsplit=1)[0]
                               for alt in group.split("|")])
        base = essential == "yes" or priority == "required"
        pkgs[name] = (base, groups)
        for p in filter(None, (p.strip() for p in prov.split(","))):
            provides.setdefault(re.split(r"[\s(]", p, maxsplit=1)[0], []).append(name)
    return pkgs, provides


def closure(roots, pkgs, provides):
    """The listed packages, what they depend on, recursively, over the installed set."""
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        if name in seen or name not in pkgs:
            continue
        seen.add(name)
        for group in pkgs[name][1]:
            # apt takes the first alternative it can; here: the first one installed.
            for alt in group:
                hit = [alt] if alt in pkgs else provides.get(alt, [])
                if hit:
                    todo.extend(hit)
                    break
    return seen


def file_owners():
    owners = {}
    for lst in glob.glob("/var/lib/dpkg/info/*.list"):
        pkg = os.path.basename(lst)[:-5].split(":")[0]
        with open(lst, encoding="utf-8", errors="surrogateescape") as f:
            for line in f:
                owners.setdefault(line.rstrip("\n"), set()).add(pkg)
    return owners


def variants(path):
    """The names dpkg may list a file under on a merged-/usr system."""
    out = [path]
    for top in ("/lib", "/lib64", "/bin", "/sbin"):
        if path.startswith(top + "/"):
            out.append("/usr" + path)
        if path.startswith("/usr" + top + "/"):
            out.append(path[4:])
    return out


def owners_of(path, owners):
    for candidate in variants(os.path.normpath(path)) + variants(os.path.realpath(path)):
        if candidate in owners:
            return owners[candidate]
    return set()


# --- what the build read and what the programs load ------------------------

def current_targets(build):
    """Objects and programs of the build as it stands now, from the link
    lines: an incremental build keeps objects, programs and cache entries of
    what it no longer builds, and those must not count."""
    objects, programs, libs = set(), set(), set()
    for link in glob.glob(os.path.join(build, "**", "link.txt"), recursive=True):
        # link.txt runs in the folder that holds the target's CMakeFiles.
        where = os.path.dirname(os.path.dirname(os.path.dirname(link)))
        with open(link, encoding="utf-8") as f:
            tokens = shlex.split(f.read())
        for i, t in enumerate(tokens):
            if t.endswith(".o"):
                # An object older than its link line may be from before a
                # change of the build (a clean build has none such).
                obj = os.path.normpath(os.path.join(where, t))
                if os.path.exists(obj) and os.path.getmtime(obj) >= os.path.getmtime(link):
                    objects.add(obj)
            elif t == "-o" and i + 1 < len(tokens):
                out = os.path.normpath(os.path.join(where, tokens[i + 1]))
                # Built since its link line last changed; an older one is stale.
                if os.path.exists(out) and os.path.getmtime(out) >= os.path.getmtime(link):
                    programs.add(out)
            elif t.startswith("/") or t.startswith("-l"):
                libs.add(t)
    return objects, programs, libs


def depfile_paths(build, objects):
    for dep in glob.glob(os.path.join(build, "**", "*.o.d"), recursive=True):
        if os.path.normpath(dep[:-2]) not in objects:
            continue
        with open(dep, encoding="utf-8", errors="surrogateescape") as f:
            text = f.read().replace("\\\n", " ")
        for token in re.split(r"(?<!\\)\s+", text):
            token = token.replace("\\ ", " ")
            if token.startswith("/") and not token.endswith(":"):
                yield token, "header"


def link_paths(build):
    for link in glob.glob(os.path.join(build, "**", "link.txt"), recursive=True):
        with open(link, encoding="utf-8") as f:
            tokens = shlex.split(f.read())
        dirs = [t[2:] for t in tokens if t.startswith("-L")] + LIB_DIRS
        for t in tokens:
            if t.startswith("/") and re.search(r"\.(so(\.[0-9.]+)?|a)$", t):
                yield t, "library"
            elif t.startswith("-l") and len(t) > 2:
                yield resolve_lib(t[2:], dirs), "library (%s)" % t


def resolve_lib(name, dirs):
    for d in dirs:
        for candidate in ("lib%s.so" % name, "lib%s.a" % name):
            p = os.path.join(d, candidate)
            if os.path.exists(p):
                return p
    # Not on this machine at all: named as the linker looks for it.
    return os.path.join(LIB_DIRS[0], "lib%s.so" % name)


def pkgconfig_paths(build, libs):
    """Modules CMake found whose libraries the link lines use."""
    names, used = {}, set()
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            m = re.match(r"^(\w+)_MODULE_NAME:INTERNAL=(.+)$", line)
            if m:
                names[m.group(1)] = m.group(2)
            m = re.match(r"^pkgcfg_lib_(\w+?)_[^:]+:FILEPATH=(.+)$", line)
            if m and m.group(2) in libs:
                used.add(m.group(1))
    modules = [mod for prefix, mod in names.items() if prefix in used]
    seen = set()
    while modules:
        mod = re.split(r"[<>=\s]", modules.pop(), maxsplit=1)[0]
        if not mod or mod in seen:
            continue
        seen.add(mod)
        r = subprocess.run(["pkg-config", "--path", mod], capture_output=True, text=True)
        if r.returncode != 0:
            yield "/usr/lib/x86_64-linux-gnu/pkgconfig/%s.pc" % mod, "pkg-config module %s" % mod
            continue
        yield r.stdout.strip(), "pkg-config module %s" % mod
        req = subprocess.run(["pkg-config", "--print-requires", "--print-requires-private", mod],
                             capture_output=True, text=True).stdout
        modules.extend(line.split()[0] for line in req.splitlines() if line.split())


def cmake_paths(build):
    path = os.path.join(build, "CMakeFiles", "Makefile.cmake")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    for m in re.finditer(r'"(/[^"]+)"', text):
        if not m.group(1).startswith(build):
            yield m.group(1), "CMake file"


def elf_programs(programs):
    for p in sorted(programs):
        if os.access(p, os.X_OK) and not p.endswith(".a"):
            with open(p, "rb") as f:
                if f.read(4) == b"\x7fELF":
                    yield p


def ldd_paths(binary, why):
    out = subprocess.run(["ldd", binary], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if "not found" in line:
            yield "/usr/lib/x86_64-linux-gnu/" + line.split()[0], why + " (not found)"
        m = re.search(r"(/\S+) \(0x", line)
        if m:
            yield m.group(1), why


def probe_paths(program):
    """What one real window test loads, plugins and fonts libraries included."""
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, LD_DEBUG="files", LD_DEBUG_OUTPUT=os.path.join(tmp, "ld"),
                   QT_QPA_PLATFORM="offscreen")
        subprocess.run([program], env=env, capture_output=True, timeout=300)
        for log in glob.glob(os.path.join(tmp, "ld*")):
            with open(log, encoding="utf-8", errors="replace") as f:
                for line in f:
                    # Only what was really loaded: the tries of plugin names
                    # that do not exist show up as "dynamically loaded" too.
                    m = (re.search(r"calling init: (/\S+)", line)
                         or re.search(r"file=(/\S+)\s+\[\d+\];\s+generating link map", line))
                    if m:
                        yield m.group(1), "loaded by %s" % os.path.basename(program)


def plugin_paths():
    """Plugins the program loads outside the tests: the desktop's platform
    plugin and, for SQL Server, Qt's ODBC driver and FreeTDS."""
    qt = "/usr/lib/x86_64-linux-gnu/qt6/plugins"
    for rel in ("platforms/libqxcb.so", "sqldrivers/libqsqlodbc.so"):
        p = os.path.join(qt, rel)
        yield p, "plugin"
        if os.path.exists(p):
            yield from ldd_paths(p, "needed by " + rel)
    tds = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"
    yield tds, "ODBC driver"
    if os.path.exists(tds):
        yield from ldd_paths(tds, "needed by the ODBC driver")


def used_files(build, probe, source):
    found = {}
    objects, programs, libs = current_targets(build)
    sources = [depfile_paths(build, objects), link_paths(build), pkgconfig_paths(build, libs),
               cmake_paths(build), plugin_paths()]
    sources += [ldd_paths(p, "needed by " + os.path.relpath(p, build)) for p in elf_programs(programs)]
    if probe:
        sources.append(probe_paths(probe))
    for gen in sources:
        for path, why in gen:
            path = os.path.normpath(path)
            if path.startswith((build + "/", source + "/", "/tmp/", "/proc/", "/dev/")):
                continue
            found.setdefault(path, why)
    return found


def check(build, listed, probe, source, exclude=()):
    pkgs, provides = installed_packages()
    not_installed = [p for p in listed if p not in pkgs]
    base = [name for name, (is_base, _) in pkgs.items() if is_base] + ["apt"]
    allowed = closure(list(listed) + base, pkgs, provides) - set(exclude)
    owners = file_owners()
    problems = []
    for p in not_installed:
        problems.append("package %s is listed but not installed here: run scripts/deps.sh" % p)
    for path, why in sorted(used_files(build, probe, source).items()):
        own = owners_of(path, owners) if os.path.exists(path) else set()
        if own & allowed:
            continue
        if not os.path.exists(path):
            problems.append("%s (%s) does not exist on this machine" % (path, why))
        elif not own:
            problems.append("%s (%s) belongs to no Debian package" % (path, why))
        else:
            problems.append("%s (%s) comes from %s, which scripts/packages.txt neither lists "
                            "nor pulls in: add %s" % (path, why, ", ".join(sorted(own)),
                                                      " or ".join(sorted(own))))
    return problems


def main(argv):
    args, probe, exclude, self_test = [], None, [], False
    it = iter(argv)
    for a in it:
        if a == "--probe":
            probe = next(it)
        elif a == "--exclude":
            exclude.append(next(it))
        elif a == "--self-test":
            self_test = True
        else:
            args.append(a)
    if len(args) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    build, listfile = os.path.realpath(args[0]), args[1]
    source = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(listfile)), ".."))
    listed = read_packages(listfile)

    if self_test:
        # A library from a link line, and headers from the dependency files.
        for pkg, wanted in (("zlib1g-dev", "libz.so"), ("libgsf-1-dev", "/usr/include/libgsf-1/gsf/")):
            problems = check(build, listed, None, source, exclude=[pkg])
            hit = [p for p in problems if wanted in p and pkg in p]
            if not hit:
                print("the check missed %s left out; it reported:\n  %s" % (pkg, "\n  ".join(problems)))
                return 1
            print("without %s the check reports (first of %d):\n  %s" % (pkg, len(hit), hit[0]))
        return 0

    problems = check(build, listed, probe, source, exclude)
    if problems:
        print("Files the build or the programs use that scripts/deps.sh would not install "
              "on a fresh machine:")
        for p in problems:
            print("  " + p)
        return 1
    print("every file the build read and the programs load comes from a package "
          "that scripts/deps.sh installs")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
