#!/usr/bin/env python3
"""Prints the benchmark figures as ratios to their references.

Reads the JSON files bench/run.sh leaves in DIR: default.json (every
benchmark, runtime defaults) and tN-POLICY.json (whole calls on N threads).
Passes are divided by one read-modify-write pass (Rmw) over the same size,
the seed fill by its reference form (the run fill on a 32-bit mask) and by
OpenCV's floodFill on the same picture, and whole fills by the OpenCV
pipeline on the same picture and by AlphaDataSet (source 1) on the same
size, each from the same run; the peak memory a call adds, in bytes a pixel; the targets of the fill's speed work come
last, each with its figure and whether it is met. The report opens with the machine it ran on: the
same code moves by several times between processors with other caches.

    report.py DIR        the machine, then the tables
    report.py --machine  the machine only
    report.py --compare DIR LABEL=BUILD...
                         the medians of bench/compare.sh's rounds, each
                         build against the first
"""
import glob
import json
import os
import subprocess
import sys

SIZES = ["1024", "4096", "8192"]
SCALING_SIZES = ["1024", "2048", "4096", "8192"]  # the seed fill, transparent
CALL_PICTURES = ["transparent", "noise", "maze"]
# The seed fill only, up to 4096; the row, the column and the strips at 2048
# only.
EXTRA_FILL_PICTURES = ["noise20", "noise30", "spiral", "checker", "row", "column",
                       "strip16", "strip40"]
FILL_PICTURES = CALL_PICTURES + EXTRA_FILL_PICTURES
FILL_FORMS = [
    ("RunFill", "the run fill on a 32-bit mask (reference)"),
    ("MarkFillRegion", "the run fill on bit rows"),
    ("OpenAndFill", "MarkOpenPixels pass + bit fill, as a call runs them"),
]
NOISE_TARGET_SIZE = "2048"  # the noise call against the OpenCV pipeline


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
    if not caches:
        # Some virtual machines show no cache in sysfs or lscpu; the C
        # library still reports what cpuid says.
        try:
            out = subprocess.run(["getconf", "-a"], capture_output=True, text=True).stdout
            for line in out.splitlines():
                key, _, value = line.partition(" ")
                level = {"LEVEL1_DCACHE_SIZE": "L1d", "LEVEL2_CACHE_SIZE": "L2",
                         "LEVEL3_CACHE_SIZE": "L3"}.get(key)
                if level and value.strip() not in ("", "0"):
                    caches.append("%s %d KiB (getconf)" % (level, int(value) // 1024))
        except (OSError, ValueError):
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


def row(cells):
    print("| " + " | ".join(cells) + " |")


def figure(t, name, size):
    m = t.get(name, {}).get(size)
    return m[0] if m else None


def over(t, name, ref, size):
    a, r = figure(t, name, size), figure(t, ref, size)
    return a / r if a is not None and r else None


def show(value, digits=2):
    return "–" if value is None else "%.*f" % (digits, value)


def passes(t):
    print("\nPer-pixel passes and AlphaDataSet, × one read-modify-write pass "
          "(Rmw, ms in the first row):\n")
    row(["pass"] + SIZES)
    row(["---"] * (len(SIZES) + 1))
    row(["Rmw (ms)"] + [show(figure(t, "Rmw", s)) for s in SIZES])
    for name in sorted(t):
        if name.startswith(("ConvertToAlpha", "MarkOpenPixels", "Blend", "Call/AlphaDataSet")):
            row([name] + [show(over(t, name, "Rmw", s)) for s in SIZES])


def ns_per_pixel(t, name, size):
    m = t.get(name, {}).get(size)
    return m[0] * 1e6 / m[1]["region_px"] if m else None


def seed_fill(t):
    print("\nSeed fill, ns per region pixel (the fill runs on the calling thread; the "
          "transparent rows show how the cost grows with the image):\n")
    row(["picture", "form"] + SCALING_SIZES)
    row(["---"] * (len(SCALING_SIZES) + 2))
    # The row, the column and the strips hold about as many pixels as the
    # 2048² square.
    for picture in FILL_PICTURES:
        for form, label in FILL_FORMS:
            cells = [ns_per_pixel(t, "%s/%s" % (form, picture), s) for s in SCALING_SIZES]
            if any(c is not None for c in cells):
                row([picture, "`%s`: %s" % (form, label)] + [show(c, 1) for c in cells])
    print("\nThe bit fill's time × the reference form's (below 1: faster), and × OpenCV "
          "floodFill (mask only, same picture):\n")
    row(["picture"] + ["%s ×reference" % s for s in SCALING_SIZES] +
        ["%s ×floodFill" % s for s in SIZES])
    row(["---"] * (len(SCALING_SIZES) + len(SIZES) + 1))
    for picture in FILL_PICTURES:
        run = "MarkFillRegion/" + picture
        row([picture] + [show(over(t, run, "RunFill/" + picture, s)) for s in SCALING_SIZES] +
            [show(over(t, run, "PeerFloodFill/" + picture, s)) for s in SIZES])


def whole(t, label, sizes):
    print("\nAlphaFillColor whole call (fresh work arrays, through Lua), "
          "× the OpenCV pipeline; %s:\n" % label)
    row(["call"] + ["%s ms" % s for s in sizes] + ["%s ×peer" % s for s in sizes])
    row(["---"] * (2 * len(sizes) + 1))
    for mode in ("opaque", "soft"):
        for picture in CALL_PICTURES:
            name = "Call/AlphaFillColor/%s/%s" % (mode, picture)
            if name not in t:
                continue
            row(["%s %s" % (mode, picture)] + [show(figure(t, name, s), 1) for s in sizes] +
                [show(over(t, name, "PeerPipeline/" + picture, s)) for s in sizes])
    print("\nThe same calls × one `AlphaDataSet` call (source 1) on the same size:\n")
    row(["call"] + ["%s ×AlphaDataSet" % s for s in sizes])
    row(["---"] * (len(sizes) + 1))
    for mode in ("opaque", "soft"):
        for picture in CALL_PICTURES:
            name = "Call/AlphaFillColor/%s/%s" % (mode, picture)
            if name in t:
                row(["%s %s" % (mode, picture)] +
                    [show(over(t, name, "Call/AlphaDataSet/src1", s), 1) for s in sizes])


def bytes_per_pixel(t, name, size):
    m = t.get(name, {}).get(size)
    return m[1].get("bytes_per_px") if m else None


def memory(t):
    print("\nPeak resident memory one call adds (a fresh process each, the image "
          "itself not counted), bytes a pixel:\n")
    sizes = ["4096", "8192"]
    row(["call"] + sizes)
    row(["---"] * (len(sizes) + 1))
    for mode in ("opaque", "soft"):
        for picture in CALL_PICTURES:
            name = "Memory/AlphaFillColor/%s/%s" % (mode, picture)
            row(["%s %s" % (mode, picture)] + [show(bytes_per_pixel(t, name, s)) for s in sizes])


def targets(t):
    """Each target of the fill's speed work, its figure from this run, and
    whether it is met."""
    print("\nTargets, each a ratio measured in this run:\n")
    row(["target", "figure", "limit", "met"])
    row(["---"] * 4)

    def check(label, value, limit, digits=2):
        met = "–" if value is None else ("yes" if value <= limit else "**no**")
        row([label, show(value, digits), "≤ %g" % limit, met])

    call = "Call/AlphaFillColor/%s/%s"
    for s in ("4096", "8192"):
        check("opaque call × `AlphaDataSet` (source 1), transparent %s²" % s,
              over(t, call % ("opaque", "transparent"), "Call/AlphaDataSet/src1", s), 5.0)
    check("opaque call × OpenCV pipeline, noise %s²" % NOISE_TARGET_SIZE,
          over(t, call % ("opaque", "noise"), "PeerPipeline/noise", NOISE_TARGET_SIZE), 0.4)
    # The soft target stands beside the transparent one: a blank canvas.
    for s in ("4096", "8192"):
        check("soft call × opaque call, transparent %s²" % s,
              over(t, call % ("soft", "transparent"), call % ("opaque", "transparent"), s),
              1.15)
    check("extra peak memory, opaque call, transparent 8192², bytes a pixel",
          bytes_per_pixel(t, "Memory/AlphaFillColor/opaque/transparent", "8192"), 1.0)
    for picture in FILL_PICTURES:
        for s in SCALING_SIZES:
            if "RunFill/" + picture not in t or s not in t["RunFill/" + picture]:
                continue  # not run at that size
            check("bit fill × run fill on a 32-bit mask, %s %s²" % (picture, s),
                  over(t, "MarkFillRegion/" + picture, "RunFill/" + picture, s), 1.0)
    for source in range(5):
        for s in SIZES:
            check("`AlphaDataSet` source %d × Rmw, %s²" % (source, s),
                  over(t, "Call/AlphaDataSet/src%d" % source, "Rmw", s), 1.5)
    print("\nThe whole opaque call on the transparent 4096² image is %s read-modify-write "
          "passes over it." % show(over(t, call % ("opaque", "transparent"), "Rmw", "4096"), 1))
    print("\nThe soft call × the opaque one on the other pictures, no target (the soft "
          "blend looks its bytes up pixel by pixel where the opaque one vectorises):\n")
    row(["picture"] + ["%s² ×opaque" % s for s in SIZES])
    row(["---"] * (len(SIZES) + 1))
    for picture in CALL_PICTURES[1:]:
        row([picture] + [show(over(t, call % ("soft", picture), call % ("opaque", picture), s))
                         for s in SIZES])


def fork_guard(t):
    check = t.get("ForkGuard/Check", {}).get("1")
    if check:
        # load() gives milliseconds; the check is reported in nanoseconds.
        print("\nFork guard: its check costs %.1f ns, once per pass." % (
            check[1]["real_time"] if check[1].get("time_unit") == "ns" else check[0] * 1e6))
    print("\nA read-modify-write pass through ForEachPixel (which checks the "
          "fork guard) ÷ the same loop without the check:\n")
    row(["size", "guarded (µs)", "unguarded (µs)", "ratio"])
    row(["---"] * 4)
    for s in ("64", "1024"):
        g, u = t.get("ForkGuard/Guarded", {}).get(s), t.get("ForkGuard/Unguarded", {}).get(s)
        if g and u:
            row([s, "%.1f" % (g[0] * 1000), "%.1f" % (u[0] * 1000), "%.2f" % (g[0] / u[0])])


# The whole calls a portable build (the loops other processors run) must
# keep within 1.2 times the default build's time, in the same run.
PORTABLE_LIMIT = 1.2
PORTABLE_TARGETS = ["Call/AlphaFillColor/opaque/transparent/4096",
                    "Call/AlphaFillColor/opaque/noise/2048"] + \
    ["Call/AlphaDataSet/src%d/4096" % s for s in (1, 2, 3)]


def compare(folder, builds):
    """Each benchmark's median over the rounds of every build, and its ratio
    to the first build's median."""
    labels = [b.split("=", 1)[0] for b in builds]
    times = {}  # (name/size, label) -> [ms per round]
    order = []
    for label in labels:
        for path in sorted(glob.glob(os.path.join(folder, "%s-[0-9]*.json" % label))):
            for name, sizes in load(path).items():
                for size, (ms, _) in sizes.items():
                    key = "%s/%s" % (name, size)
                    if key not in order:
                        order.append(key)
                    times.setdefault((key, label), []).append(ms)

    def median(values):
        values = sorted(values)
        mid = len(values) // 2
        return values[mid] if len(values) % 2 else (values[mid - 1] + values[mid]) / 2

    rounds = max((len(v) for v in times.values()), default=0)
    threads = os.environ.get("OMP_NUM_THREADS")
    print("\nEach build against %s, %s, the median of %d rounds, the builds run in "
          "turn:\n" % (labels[0], "OMP_NUM_THREADS=%s" % threads if threads else
                        "runtime defaults", rounds))
    row(["benchmark"] + ["%s ms" % l for l in labels] +
        ["%s ×%s" % (l, labels[0]) for l in labels[1:]] + ["limit", "met"])
    row(["---"] * (2 * len(labels) + 2))
    for key in order:
        ms = [median(times[(key, l)]) if (key, l) in times else None for l in labels]
        ratios = [m / ms[0] if m is not None and ms[0] else None for m in ms[1:]]
        limit, met = "", ""
        if key in PORTABLE_TARGETS and "portable" in labels[1:]:
            ratio = ratios[labels.index("portable") - 1]
            limit = "≤ %g" % PORTABLE_LIMIT
            met = "–" if ratio is None else "yes" if ratio <= PORTABLE_LIMIT else "**no**"
        row([key] + [show(m, 3) for m in ms] + [show(r) for r in ratios] + [limit, met])


def main():
    print("\n".join(machine()))
    if sys.argv[1:] == ["--machine"]:
        return
    if sys.argv[1] == "--compare":
        compare(sys.argv[2], sys.argv[3:])
        return
    folder = sys.argv[1]
    default = load(os.path.join(folder, "default.json"))
    passes(default)
    seed_fill(default)
    whole(default, "runtime defaults", SIZES)
    whole(default, "noise only, the size of the noise target", [NOISE_TARGET_SIZE])
    memory(default)
    fork_guard(default)
    targets(default)
    for threads in ("1", "2"):
        for wait in ("default", "passive"):
            path = os.path.join(folder, "t%s-%s.json" % (threads, wait))
            if os.path.exists(path):
                label = "OMP_NUM_THREADS=%s, %s" % (
                    threads, "OMP_WAIT_POLICY=passive" if wait == "passive"
                    else "default wait policy")
                whole(load(path), label, ["4096"])


if __name__ == "__main__":
    main()
