#!/usr/bin/env python3
"""Turns WordStoreBench's JSON into the table (time per item and the ratio to
std::set from the same run) and the log-log plot of time per item against
store size.

    report.py results.json [more.json...] OUTDIR
"""
import json
import os
import sys

OPS = ["load", "build", "membership", "listing", "completion", "removal", "destruction"]
STORES = ["std::set", "LinkedTrie", "LinkedTrie-copied", "LinkedTrie-loaded",
          "LinkedTrie-loaded-copied", "libdatrie", "marisa-trie"]
# What a node takes: sizeof(LinkedTrieNode) on x86-64, and on 32-bit Windows
# (a virtual table pointer, the 32-bit character, two pointers).
NODE_BYTES = 32
NODE_BYTES_32 = 16
ITEMS = {
    "load": "per word: the file read, split into lines and stored in its order (sorted by locale)",
    "build": "per word inserted",
    "membership": "per probe (half are near-misses)",
    "listing": "per word listed (all 1-, 2-, 3-byte prefixes)",
    "completion": "per query (longest and unique, every 3-byte prefix)",
    "removal": "per word removed (half the list)",
    "destruction": "per word in the store",
}


def load(paths):
    runs = {}  # (op, store, list) -> {"ns": ..., "bytes": ...}
    benchmarks = []
    data = {}
    for path in paths:
        with open(path) as f:
            part = json.load(f)
        data = data or part
        benchmarks += part["benchmarks"]
    for b in benchmarks:
        parts = b["name"].split("/")
        op, store, lst = parts[0], parts[1], parts[2]
        rate = b.get("items_per_second")
        if not rate:
            continue
        entry = runs.setdefault((op, store, lst), {})
        entry["ns"] = 1e9 / rate
        if "bytes_per_word" in b:
            entry["bytes"] = b["bytes_per_word"]
        if "nodes_per_word" in b:
            entry["nodes"] = b["nodes_per_word"]
        if op == "load" and b.get("time_unit") == "ns":
            entry["ms"] = b["real_time"] / 1e6
            entry["cpu_ms"] = b["cpu_time"] / 1e6
    return data.get("context", {}), runs


def table(runs, lst):
    stores = [s for s in STORES if any(k[1] == s and k[2] == lst for k in runs)]
    if "std::set" not in stores:
        return ""
    head = "| operation | " + " | ".join(stores) + " |"
    lines = [head, "|---|" + "---|" * len(stores)]
    for op in OPS:
        base = runs.get((op, "std::set", lst), {}).get("ns")
        cells = []
        for s in stores:
            r = runs.get((op, s, lst))
            if not r or "ns" not in r:
                cells.append("n/a")
            elif base:
                cells.append("%.1f ns (%.2f)" % (r["ns"], r["ns"] / base))
            else:
                cells.append("%.1f ns" % r["ns"])
        lines.append("| %s %s | %s |" % (op, ITEMS[op], " | ".join(cells)))
    def memory_row(label, cell):
        cells = []
        for s in stores:
            r = runs.get(("build", s, lst), {})
            cells.append(cell(r) or "n/a")
        lines.append("| %s | %s |" % (label, " | ".join(cells)))

    memory_row("memory per word (mallinfo2)",
               lambda r: "%.0f B" % r["bytes"] if "bytes" in r else None)
    memory_row("nodes per word x %d B (x86-64)" % NODE_BYTES,
               lambda r: "%.1f B" % (r["nodes"] * NODE_BYTES) if "nodes" in r else None)
    memory_row("heap over nodes x %d B" % NODE_BYTES,
               lambda r: "%.3f" % (r["bytes"] / (r["nodes"] * NODE_BYTES))
               if "nodes" in r and "bytes" in r else None)
    memory_row("nodes per word x %d B (32-bit, estimated)" % NODE_BYTES_32,
               lambda r: "%.1f B" % (r["nodes"] * NODE_BYTES_32) if "nodes" in r else None)
    loads = ["%s %.1f ms (%.1f ms)" % (s, runs[("load", s, lst)]["cpu_ms"],
                                        runs[("load", s, lst)]["ms"])
             for s in stores if runs.get(("load", s, lst), {}).get("ms")]
    if loads:
        lines.append("\nload, the whole file, CPU time per run (wall-clock): " + ", ".join(loads))
    return "\n".join(lines)


def plot(runs, out):
    sizes = sorted({int(k[2][6:]) for k in runs if k[2].startswith("scale-")})
    if not sizes:
        return None
    try:
        import matplotlib

        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib is missing (bench/setup installs python3-matplotlib): no plot")
        return None
    fig, axes = plt.subplots(2, 4, figsize=(16, 7.5))
    panels = [op for op in OPS if op != "load"] + ["memory"]
    for ax, op in zip(axes.flat, panels):
        for s in STORES:
            xs, ys = [], []
            for n in sizes:
                key = ("build" if op == "memory" else op, s, "scale-%d" % n)
                r = runs.get(key, {})
                v = r.get("bytes") if op == "memory" else r.get("ns")
                if v:
                    xs.append(n)
                    ys.append(v)
            if xs:
                ax.plot(xs, ys, marker="o", label=s)
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_title(op if op == "memory" else op, fontsize=10)
        ax.set_xlabel("words in the store")
        ax.set_ylabel("bytes per word" if op == "memory" else "ns per item")
        ax.grid(True, which="both", alpha=0.3)
    for ax in list(axes.flat)[len(panels):]:
        ax.axis("off")
    axes.flat[0].legend(fontsize=8)
    fig.suptitle("Time per item against store size (log-log), one process per run")
    fig.tight_layout()
    path = os.path.join(out, "scaling.png")
    fig.savefig(path, dpi=80)
    return path


def main():
    context, runs = load(sys.argv[1:-1])
    out = sys.argv[-1]
    lists = []
    for k in runs:
        if k[0].startswith("longword"):
            continue
        if not k[2].startswith("scale-") and k[2] not in lists:
            lists.append(k[2])
    text = []
    text.append("Machine: %s CPUs at %s MHz, load %s; %s" % (
        context.get("num_cpus"), context.get("mhz_per_cpu"),
        " ".join("%.2f" % x for x in context.get("load_avg", [])), context.get("date", "")))
    for lst in lists:
        text.append("\n%s: time per item (ratio to std::set)\n" % lst)
        text.append(table(runs, lst))
    long_rows = []
    for op in ("insert", "list", "destroy"):
        short = runs.get(("longword-" + op, "LinkedTrie", "10000"), {}).get("ns")
        big = runs.get(("longword-" + op, "LinkedTrie", "1000000"), {}).get("ns")
        if short and big:
            long_rows.append("| %s | %.2f ns | %.2f ns | %.0f |" % (
                op, short, big, big * 1e6 / (short * 1e4)))
    if long_rows:
        text.append("\none word of 10k and of 1M characters: time per character, and the "
                    "1M word's time over the 10k word's (linear: 100, target: under 200)\n")
        text.append("| operation | 10k | 1M | ratio |\n|---|---|---|---|")
        text.extend(long_rows)
    report = "\n".join(text) + "\n"
    with open(os.path.join(out, "table.md"), "w") as f:
        f.write(report)
    print(report)
    path = plot(runs, out)
    if path:
        print("plot: %s" % path)


if __name__ == "__main__":
    main()
