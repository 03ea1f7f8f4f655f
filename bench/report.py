#!/usr/bin/env python3
"""Prints the benchmark figures as ratios to their references.

Reads the JSON files bench/run.sh leaves in DIR: default.json (every
benchmark, runtime defaults) and tN-POLICY.json (whole calls on N threads).
Passes are divided by one read-modify-write pass (Rmw) over the same size,
the seed fill by its earlier two-read form and by OpenCV's floodFill on the
same picture, and whole fills by the OpenCV pipeline on the same picture,
each from the same run. The report opens with the machine it ran on: the
same code moves by several times between processors with other caches.

    report.py DIR        the machine, then the tables
    report.py --machine  the machine only
"""
import glob
import json
import os
import subprocess
import sys

SIZES = ["1024", "4096", "8192"]
SCALING_SIZES = ["1024", "2048", "4096", "8192"]  # the seed fill, transparent
FILL_FORMS = [
    ("MarkFillRegionTwoReads", "earlier fill: plane + mask per test"),
    ("MarkFillRegion", "fill on the boundary mask: one read"),
    ("BoundariesAndFill", "MarkBoundaries pass + fill, as a call runs them"),
]


def read(path):
    try:
        with open(path) as f:
            return f.read().strip()
    except OSError:
        return ""


def machine():
    """Lines naming the processor, its cores and caches, and the huge-page
    setting the work arrays depend on, from /proc/cpuinfo and sysfs."""
    info = {}
    for line in read("/proc/cpuinfo").splitlines():
        key, _, value = line.partition(":")
        info.setdefault(key.strip(), value.strip())
    name = info.get("model name") or info.get("Processor") or "unknown processor"
    ident = ", ".join("%s %s" % (k, info[k]) for k in ("cpu family", "model", "stepping")
                      if k in info)
    cpus = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count()
    mhz = info.get("cpu MHz")
    lines = ["Machine: %s%s; %d logical CPUs for this run%s" % (
        name, " (%s)" % ident if ident else "", cpus, ", %.0f MHz" % float(mhz) if mhz else "")]
    caches = []
    for index in sorted(glob.glob("/sys/devices/system/cpu/cpu0/cache/index*")):
        level, kind = read(index + "/level"), read(index + "/type")
        if kind == "Instruction":
            continue
        shared = read(index + "/shared_cpu_list")
        caches.append("L%s%s %s %s" % (
            level, "d" if kind == "Data" else "", read(index + "/size"),
            "per core" if shared == "0" else "shared by CPUs %s" % (shared or "?")))
    if not caches:
        try:
            out = subprocess.run(["lscpu"], capture_output=True, text=True).stdout
            caches = [l.split(":", 1)[0] + " " + l.split(":", 1)[1].strip()
                      for l in out.splitlines() if l.startswith(("L1d", "L2", "L3"))]
        except OSError:
            pass
    lines.append("Caches: " + ("; ".join(caches) if caches else "unknown"))
    thp = read("/sys/kernel/mm/transparent_hugepage/enabled")
    if thp:
        lines.append("Transparent huge pages: " + thp)
    return lines


def load(path):
    """{name without the size: {size: (milliseconds, counters)}}; the median
    of the repetitions where the run has them, so that one slow iteration
    (another tenant of the machine, a page-fault storm) does not set a
    figure."""
    table, medians = {}, set()
    with open(path) as f:
        for b in json.load(f)["benchmarks"]:
            if b.get("error_occurred"):
                continue
            median = b.get("aggregate_name") == "median"
            if b.get("run_type") == "aggregate" and not median:
                continue
            parts = b["name"].split("/")
            size = next(p for p in parts if p.isdigit())
            name = "/".join(parts[: parts.index(size)])
            if (name, size) in medians:
                continue
            if median:
                medians.add((name, size))
            ms = b["real_time"] / (1000 if b.get("time_unit") == "us" else 1)
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
                            "MarkBoundaries", "Blend", "Call/AlphaDataSet")):
            row([name] + [ratio(t, name, "Rmw", s) for s in SIZES])


def ns_per_pixel(t, name, size):
    m = t.get(name, {}).get(size)
    return "%.1f" % (m[0] * 1e6 / m[1]["region_px"]) if m else "–"


def seed_fill(t):
    print("\nSeed fill, ns per region pixel (the fill runs on the calling thread; the transparent "
          "rows show how the cost grows with the image):\n")
    row(["picture", "form"] + SCALING_SIZES)
    row(["---"] * (len(SCALING_SIZES) + 2))
    for picture in ("transparent", "noise", "maze"):
        for form, label in FILL_FORMS:
            row([picture, "`%s`: %s" % (form, label)] +
                [ns_per_pixel(t, "%s/%s" % (form, picture), s) for s in SCALING_SIZES])
    print("\nSeed fill speed-up over the earlier two-read fill (its time ÷ this "
          "form's), and time × OpenCV floodFill (mask only, same picture):\n")
    row(["picture", "size", "`MarkFillRegion` speed-up",
         "`BoundariesAndFill` speed-up", "`BoundariesAndFill` ×floodFill",
         "earlier fill ×floodFill"])
    row(["---"] * 6)
    for picture in ("transparent", "noise", "maze"):
        before = "MarkFillRegionTwoReads/" + picture
        for s in SIZES:
            row([picture, s,
                 ratio(t, before, "MarkFillRegion/" + picture, s),
                 ratio(t, before, "BoundariesAndFill/" + picture, s),
                 ratio(t, "BoundariesAndFill/" + picture, "PeerFloodFill/" + picture, s),
                 ratio(t, before, "PeerFloodFill/" + picture, s)])


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


def fork_guard(t):
    print("\nFork guard: a read-modify-write pass through ForEachPixel (which "
          "checks the guard) ÷ the same bare OpenMP loop:\n")
    row(["size", "guarded (µs)", "unguarded (µs)", "ratio"])
    row(["---"] * 4)
    for s in ("64", "1024"):
        g, u = t.get("ForkGuard/Guarded", {}).get(s), t.get("ForkGuard/Unguarded", {}).get(s)
        if g and u:
            row([s, "%.1f" % (g[0] * 1000), "%.1f" % (u[0] * 1000), "%.2f" % (g[0] / u[0])])


def main():
    print("\n".join(machine()))
    if sys.argv[1:] == ["--machine"]:
        return
    folder = sys.argv[1]
    default = load(os.path.join(folder, "default.json"))
    passes(default)
    seed_fill(default)
    whole(default, "runtime defaults", SIZES)
    fork_guard(default)
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
