"""The table of an interleaved benchmark: reads the times every round wrote,
one "side case value" line each (a side is a contender: ours, pillow, tk,
...), and prints per case the best time of ours, its spread (slowest over
best, less one) and, for every peer, its best, spread and ours / peer
(below 1: ours is faster).  Cases keep the order of their first sample.

    rounds_table.py SAMPLES UNIT OURS PEER... [--label CASE=TEXT ...]

With BENCH_SUMMARY set, every row is also appended to that file as
"case peer unit ours-best ours-spread peer-best peer-spread ratio" (peer
"-" and no peer figures when there is no peer), so that
bench/vs_pillow.sh can gather the rows of all its sections at the end.
"""
import os
import sys


def spread(times):
    return max(times) / min(times) - 1 if min(times) > 0 else 0.0


def number(value):
    """Three significant figures, never in exponent form."""
    if value >= 100:
        return "%.0f" % value
    return "%.3g" % value if value >= 0.001 else "%.2g" % value


def main():
    args = sys.argv[1:]
    labels = {}
    while "--label" in args:
        at = args.index("--label")
        case, text = args[at + 1].split("=", 1)
        labels[case] = text
        del args[at:at + 2]
    path, unit, ours, peers = args[0], args[1], args[2], args[3:]
    samples = {}
    order = []
    for line in open(path):
        parts = line.split()
        if len(parts) != 3:
            continue
        side, case, value = parts
        if case not in order:
            order.append(case)
        samples.setdefault((side, case), []).append(float(value))

    width = max([len(labels.get(c, c)) for c in order] + [4])
    head = "%-*s %10s %6s" % (width, "case", "ours " + unit, "spread")
    for peer in peers:
        head += " | %10s %6s %6s" % (peer + " " + unit, "spread", "ratio")
    print(head)
    summary = open(os.environ["BENCH_SUMMARY"], "a") if os.environ.get("BENCH_SUMMARY") else None
    for case in order:
        mine = samples.get((ours, case))
        if not mine:
            continue
        row = "%-*s %10s %5.0f%%" % (width, labels.get(case, case), number(min(mine)), 100 * spread(mine))
        for peer in peers:
            theirs = samples.get((peer, case))
            if not theirs:
                row += " | %10s %6s %6s" % ("-", "", "-")
                continue
            ratio = min(mine) / min(theirs) if min(theirs) > 0 else float("inf")
            row += " | %10s %5.0f%% %6.2f" % (number(min(theirs)), 100 * spread(theirs), ratio)
            if summary:
                summary.write("%s %s %s %.4g %.3f %.4g %.3f %.3f\n" % (
                    case, peer, unit, min(mine), spread(mine), min(theirs), spread(theirs), ratio))
        if summary and not peers:
            summary.write("%s - %s %.4g %.3f - - -\n" % (case, unit, min(mine), spread(mine)))
        print(row)
    print("ratio = ours / peer (below 1: ours is faster); spread = slowest round / best - 1; "
          "%d rounds" % max((len(v) for v in samples.values()), default=0))


main()
