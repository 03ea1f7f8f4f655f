#!/usr/bin/env python3
"""Prints the benchmark figures as ratios to their references.

Reads the JSON files bench/run.sh leaves in DIR: default.json (every
benchmark, runtime defaults) and tN-POLICY.json (whole calls on N threads).
Passes are divided by one read-modify-write pass (Rmw) over the same size,
the seed fill by OpenCV's floodFill on the same picture, and whole fills by
the OpenCV pipeline on the same picture, each from the same run.
"""
import json
import os
import sys

SIZES = ["1024", "4096", "8192"]


def load(path):
    """{name without the size: {size: (milliseconds, counters)}}"""
    table = {}
    with open(path) as f:
        for b in json.load(f)["benchmarks"]:
            if b.get("error_occurred"):
                continue
            parts = b["name"].split("/")
            size = next(p for p in parts if p in SIZES)
            name = "/".join(parts[: parts.index(size)])
            ms = b["real_time"]  # reported in milliseconds
            table.setdefault(name, {})[size] = (ms, b)
    return table


def ratio(table, name, ref, size):
    a, r = table.get(name, {}).get(size), table.get(ref, {}).get(size)
    if a is None or r is None:
        return "–"
    return "%.2f" % (a[0] / r[0])


def row(cells):
    print("| " + " | ".join(cells) + " |")


def passes(t):
    print("\nPer-pixel passes and AlphaDataSet, × one read-modify-write pass "
          "(Rmw, ms in the first row):\n")
    row(["pass"] + SIZES)
    row(["---"] * (len(SIZES) + 1))
    row(["Rmw (ms)"] + ["%.2f" % t["Rmw"][s][0] if s in t.get("Rmw", {}) else "–"
                        for s in SIZES])
    for name in sorted(t):
        if name.startswith(("ConvertToAlpha", "ExtractAlphaPlane", "StretchAlphaPlane",
                            "Blend", "Call/AlphaDataSet")):
            row([name] + [ratio(t, name, "Rmw", s) for s in SIZES])


def seed_fill(t):
    print("\nMarkFillRegion: ns per region pixel, and × OpenCV floodFill "
          "(mask only, same picture):\n")
    row(["picture"] + ["%s ns/px" % s for s in SIZES] + ["%s ×peer" % s for s in SIZES])
    row(["---"] * (2 * len(SIZES) + 1))
    for picture in ("transparent", "noise", "maze"):
        name = "MarkFillRegion/" + picture
        cells = []
        for s in SIZES:
            m = t.get(name, {}).get(s)
            cells.append("%.1f" % (m[0] * 1e6 / m[1]["region_px"]) if m else "–")
        cells += [ratio(t, name, "PeerFloodFill/" + picture, s) for s in SIZES]
        row([picture] + cells)


def whole(t, label, sizes):
    print("\nAlphaFillColor whole call (fresh work arrays, through Lua), "
          "× the OpenCV pipeline; %s:\n" % label)
    row(["call"] + ["%s ms" % s for s in sizes] + ["%s ×peer" % s for s in sizes])
    row(["---"] * (2 * len(sizes) + 1))
    for mode in ("opaque", "soft"):
        for picture in ("transparent", "noise", "maze"):
            name = "Call/AlphaFillColor/%s/%s" % (mode, picture)
            ms = ["%.0f" % t[name][s][0] if s in t.get(name, {}) else "–" for s in sizes]
            peer = "PeerPipeline/" + picture
            row(["%s %s" % (mode, picture)] + ms + [ratio(t, name, peer, s) for s in sizes])


def main():
    folder = sys.argv[1]
    default = load(os.path.join(folder, "default.json"))
    passes(default)
    seed_fill(default)
    whole(default, "runtime defaults", SIZES)
    for threads in ("1", "2"):
        for wait in ("default", "passive"):
            path = os.path.join(folder, "t%s-%s.json" % (threads, wait))
            if os.path.exists(path):
                label = "OMP_NUM_THREADS=%s, %s" % (
                    threads, "OMP_WAIT_POLICY=passive" if wait == "passive"
                    else "default wait policy")
                whole(load(path), label, ["1024", "4096"])


if __name__ == "__main__":
    main()
