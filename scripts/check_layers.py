#!/usr/bin/env python3
"""Holds the tree to its layers: every dependency points down.

    check_layers.py --source DIR [--graph FILE --nm NM]

Three checks, each against the one table below (the picture in README, "Layers"):
  - includes: a source file includes headers of its own layer and of layers below it only;
  - links: a layer's library links only libraries of layers below it (from --graph, which the
    build writes: one line per library, "name|source folder|archive|linked libraries");
  - symbols: every symbol of ours that a library's objects leave undefined is defined in its own
    library or in one below it, so no layer calls upwards through a declaration of its own.
Exits 1 and lists every breach when one is found.
"""

import argparse
import os
import re
import subprocess
import sys

# Each layer (a folder, a folder inside one, or a single header) and the layers it builds on
# directly.
LAYERS = {
    "resources/resource.h": [],  # the resource ids, which the resource script reads too
    "codecs": [],  # the contract every decoder implements
    "codecs/mszip": ["codecs"],
    "codecs/lzx": ["codecs"],
    "codecs/quantum": ["codecs"],
    "cab": ["codecs/mszip", "codecs/lzx", "codecs/quantum"],
    "package": ["cab"],
    "platform": ["resources/resource.h"],
    "state": ["package", "platform"],
    "resources": ["platform"],
    "paths": ["state", "resources"],
    "ui": ["paths"],
    "extract": ["ui", "cab"],
    "app": ["extract", "package"],
    "pack": ["package", "cab"],
    "tools": ["app", "pack"],
}

SOURCE_SUFFIXES = (".cpp", ".h", ".inc", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def below(layer):
    """The layers a layer may use: itself and everything it builds on, directly or not."""
    seen, todo = {layer}, [layer]
    while todo:
        for lower in LAYERS[todo.pop()]:
            if lower not in seen:
                seen.add(lower)
                todo.append(lower)
    return seen


def layer_of(path):
    """The layer of a path relative to the source folder (the file itself, else the longest matching
    folder), or None."""
    parts = path.replace(os.sep, "/").split("/")
    for cut in range(len(parts), 0, -1):
        folder = "/".join(parts[:cut])
        if folder in LAYERS:
            return folder
    return None


def check_includes(source):
    breaches = []
    for layer in LAYERS:
        top = os.path.join(source, layer)
        if os.path.isfile(top):
            walk = [(os.path.dirname(top), [], [os.path.basename(top)])]
        else:
            walk = os.walk(top)
        for folder, _, files in walk:
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, source)
                own = layer_of(relative)
                if own != layer:
                    continue  # a sub-layer, walked on its own
                allowed = below(own)
                with open(path, encoding="utf-8", errors="replace") as text:
                    for number, line in enumerate(text, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        target = layer_of(match.group(1))
                        if target is not None and target not in allowed:
                            breaches.append(f"{relative}:{number}: {own} includes "
                                            f"{match.group(1)} of {target}, a layer above it "
                                            f"or beside it")
    return breaches


def read_graph(path, source):
    libraries = {}
    with open(path) as graph:
        for line in graph:
            name, folder, archive, links = line.rstrip("\n").split("|")
            layer = layer_of(os.path.relpath(folder, source) + "/x")
            libraries[name] = (layer, archive, [l for l in links.split(";") if l])
    return libraries


def check_links(libraries):
    breaches = []
    for name, (layer, _, links) in sorted(libraries.items()):
        if layer is None:
            breaches.append(f"{name}: its folder is not a layer of the table")
            continue
        for link in links:
            if link in libraries and libraries[link][0] not in below(layer):
                breaches.append(f"{name} ({layer}) links {link} ({libraries[link][0]}), "
                                f"a layer above it or beside it")
    return breaches


def symbols(nm, archive, kind):
    option = "--defined-only" if kind == "defined" else "--undefined-only"
    out = subprocess.run([nm, option, "--format=posix", archive], check=True,
                         capture_output=True, text=True).stdout
    names = set()
    for line in out.splitlines():
        fields = line.split()
        # Symbols of ours only: the compiler's and the libraries' are not layered.
        if len(fields) >= 2 and "6tamrix" in fields[0] and not fields[0].endswith(":"):
            names.add(fields[0])
    return names


def check_symbols(nm, libraries):
    defined = {name: symbols(nm, archive, "defined")
               for name, (_, archive, _) in libraries.items()}
    breaches = []
    for name, (layer, archive, _) in sorted(libraries.items()):
        allowed = below(layer)
        for symbol in sorted(symbols(nm, archive, "undefined") - defined[name]):
            owners = [other for other, names in defined.items() if symbol in names]
            if owners and not any(libraries[o][0] in allowed for o in owners):
                breaches.append(f"{name} ({layer}) uses {symbol}, defined in "
                                f"{', '.join(sorted(owners))} above it")
    return breaches


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True)
    parser.add_argument("--graph")
    parser.add_argument("--nm", default="nm")
    args = parser.parse_args()

    breaches = check_includes(args.source)
    if args.graph:
        libraries = read_graph(args.graph, args.source)
        breaches += check_links(libraries) + check_symbols(args.nm, libraries)
    for breach in breaches:
        print(breach)
    print(f"layers: {len(breaches)} breach(es)")
    return 1 if breaches else 0


if __name__ == "__main__":
    sys.exit(main())
