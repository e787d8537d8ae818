#!/usr/bin/env bash
# Checks that the src/ libraries form layers: a library includes and links only libraries
# below it in the order here, so no library can reach itself through others.
#
# Includes are judged by what the compiler really reads: every source and header goes through
# the preprocessor's dependency output (-MM) with the project's include flags, so a path with
# "..", an include in angle brackets, an include through a macro or through another header all
# count. Links are judged from every target_link_libraries() and vtq_add_library(... DEPS ...)
# of the tree, whatever folder writes it. Needs a C++ compiler, no build of the program.
#
# Usage: check-layers.sh [source root]   (default: src/ of this repository; the CMake files
#        checked for links are those of the folder above the source root)
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
root=$(cd "$root" && pwd)
cxx=${CXX:-c++}
command -v "$cxx" >/dev/null 2>&1 || cxx=g++

# External headers as system headers: -MM then leaves them out, and Qt's and OpenCASCADE's
# own macros are seen as in the build.
ext=(-fPIC)
if flags=$(pkg-config --cflags Qt6Widgets 2>/dev/null); then
  for f in $flags; do
    case $f in -I*) ext+=(-isystem "${f#-I}") ;; *) ext+=("$f") ;; esac
  done
fi
[ -d /usr/include/opencascade ] && ext+=(-isystem /usr/include/opencascade)

exec python3 - "$root" "$cxx" "${ext[@]}" <<'PY'
import concurrent.futures, os, re, subprocess, sys

LAYERS = ["foundation", "model", "view", "routing", "project", "components", "interaction",
          "outputs", "app"]
RANK = {name: i for i, name in enumerate(LAYERS)}
root, cxx, ext = sys.argv[1], sys.argv[2], sys.argv[3:]
problems = []

def layer_of(path):
    rel = os.path.relpath(os.path.normpath(path), root)
    first = rel.split(os.sep)[0]
    return None if rel.startswith("..") else first

folders = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))
for d in folders:
    if d not in RANK:
        problems.append(f"src/{d} is not in the layer order of scripts/check-layers.sh")

sources = []
for d in folders:
    if d not in RANK:
        continue
    for base, _, files in os.walk(os.path.join(root, d)):
        sources += [os.path.join(base, f) for f in files if f.endswith((".h", ".hpp", ".cpp"))]

def dependencies(path):
    # -MG lists a header that is missing (generated files, a tree without its libraries)
    # as written, so it is still judged by its path.
    cmd = [cxx, "-std=c++17", "-x", "c++", "-MM", "-MG", "-w", "-I", root, *ext, path]
    run = subprocess.run(cmd, capture_output=True, text=True, cwd=os.path.dirname(path))
    if run.returncode != 0:
        return path, None, run.stderr.strip()
    text = run.stdout.replace("\\\n", " ")
    deps = text.split(":", 1)[1].split() if ":" in text else []
    return path, deps, ""

with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
    results = list(pool.map(dependencies, sorted(sources)))

for path, deps, err in results:
    own = layer_of(path)
    shown = os.path.relpath(path, root)
    if deps is None:
        problems.append(f"{shown}: the preprocessor could not read it: {err.splitlines()[0] if err else '?'}")
        continue
    for dep in deps[1:]:
        full = dep if os.path.isabs(dep) else os.path.join(os.path.dirname(path), dep)
        other = layer_of(full) if os.path.exists(full) else None
        if other is None and not os.path.exists(full):
            # A missing header: its written path names the folder it would come from.
            parts = [p for p in os.path.normpath(dep).split(os.sep) if p not in ("..", ".")]
            other = parts[0] if len(parts) > 1 else None
        if other in RANK and RANK[other] > RANK[own]:
            problems.append(f"{shown}: {own} includes {os.path.relpath(os.path.normpath(full), root) if os.path.exists(full) else dep},"
                            f" which lies in {other}, above it")

# Links: every CMake file of the tree. Arguments are read across lines, with simple set()
# variables expanded, so a list in a variable counts too.
tree = os.path.dirname(root)
cmake_files = []
for base, dirs, files in os.walk(tree):
    dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and
               not os.path.exists(os.path.join(base, d, "CMakeCache.txt"))]
    cmake_files += [os.path.join(base, f) for f in files
                    if f == "CMakeLists.txt" or f.endswith(".cmake")]

def strip_comments(text):
    return "\n".join(re.sub(r"#.*", "", line) for line in text.splitlines())

calls = []
variables = {}
for f in sorted(cmake_files):
    with open(f, encoding="utf-8", errors="replace") as fh:
        text = strip_comments(fh.read())
    for m in re.finditer(r"\b(\w+)\s*\(([^()]*(?:\([^()]*\)[^()]*)*)\)", text, re.S):
        command, args = m.group(1).lower(), m.group(2).split()
        if command == "set" and args:
            variables.setdefault(args[0], []).extend(args[1:])
        elif command in ("target_link_libraries", "vtq_add_library", "add_dependencies"):
            calls.append((f, command, args))

def expand(args, depth=0):
    out = []
    for a in args:
        m = re.fullmatch(r"\$\{(\w+)\}", a)
        if m and depth < 8:
            out += expand(variables.get(m.group(1), []), depth + 1)
        else:
            out.append(a)
    return out

for f, command, args in calls:
    args = expand(args)
    if not args or not args[0].startswith("vtq_"):
        continue
    own = args[0][4:]
    if own not in RANK:
        continue
    deps = args[1:]
    if command == "vtq_add_library":
        deps = deps[deps.index("DEPS") + 1:] if "DEPS" in deps else []
    for dep in deps:
        for name in re.findall(r"\bvtq_(\w+)", dep):
            if name in RANK and RANK[name] > RANK[own]:
                problems.append(f"{os.path.relpath(f, tree)}: vtq_{own} links vtq_{name}, which lies above it")

for p in problems:
    print("check-layers: " + p)
if problems:
    sys.exit(1)
print(f"check-layers: {len(LAYERS)} layers, {len(results)} files, every include and link points down")
PY
