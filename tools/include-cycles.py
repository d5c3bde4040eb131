#!/usr/bin/env python3
"""Prints every include cycle among the project's own sources and exits 1 when
there is one. A .cpp file belongs with the header of the same name, so a
header that includes another whose .cpp includes it back is a cycle too.

usage: include-cycles.py [source root]   (default: the folder above tools/)
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
SKIPPED_FOLDERS = {".git", "build", "third_party"}
# Folders the build names as include roots besides the source root.
INCLUDE_ROOTS = ("", "tests")


def sources(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = [s for s in subfolders if s not in SKIPPED_FOLDERS and not s.startswith("build")]
        for name in files:
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root)


def unit(path):
    """The node a file belongs to: its path without the suffix."""
    return os.path.splitext(path)[0]


def resolve(root, including, included):
    candidates = [os.path.join(os.path.dirname(including), included)]
    candidates += [os.path.join(base, included) for base in INCLUDE_ROOTS]
    for candidate in candidates:
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None  # a system or generated header


def include_graph(root):
    graph = {}
    for path in sources(root):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as source:
            text = source.read()
        edges = graph.setdefault(unit(path), set())
        for included in INCLUDE.findall(text):
            target = resolve(root, path, included)
            if target is not None and unit(target) != unit(path):
                edges.add(unit(target))
    return graph


def strong_components(graph):
    """Tarjan's algorithm, iterative; yields the components of more than one node."""
    index, low, on_stack, stack, counter = {}, {}, set(), [], [0]
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, successors = work[-1]
            advanced = False
            for successor in successors:
                if successor not in index:
                    index[successor] = low[successor] = counter[0]
                    counter[0] += 1
                    stack.append(successor)
                    on_stack.add(successor)
                    work.append((successor, iter(sorted(graph.get(successor, ())))))
                    advanced = True
                    break
                if successor in on_stack:
                    low[node] = min(low[node], index[successor])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    yield sorted(component)


def elementary_cycles(graph, component):
    """Each cycle once, starting at its smallest node."""
    members = set(component)
    for start in component:
        path = [start]

        def walk(node):
            for successor in sorted(graph.get(node, ())):
                if successor == start:
                    yield list(path)
                elif successor in members and successor > start and successor not in path:
                    path.append(successor)
                    yield from walk(successor)
                    path.pop()

        yield from walk(start)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    graph = include_graph(os.path.abspath(root))
    count = 0
    for component in strong_components(graph):
        for cycle in elementary_cycles(graph, component):
            count += 1
            print(" -> ".join(cycle + [cycle[0]]))
    print(f"{count} include cycle(s)")
    return 1 if count else 0


if __name__ == "__main__":
    sys.exit(main())
