#!/usr/bin/env python3
"""Turns kinetrope_bench's JSON output into the Markdown tables of README.md.

    kinetrope_bench --benchmark_repetitions=5 --benchmark_out=bench.json \
        --benchmark_out_format=json
    python3 bench/make_table.py bench.json

With repetitions, the median of each benchmark is used. MB is 10^6 bytes;
rates are per second of CPU time.
"""
import json
import sys


def medians(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    aggregated = any(r.get("run_type") == "aggregate" for r in runs)
    result = {}
    for r in runs:
        if aggregated and r.get("aggregate_name") != "median":
            continue
        if r.get("error_occurred"):
            continue
        result[r["run_name"]] = r
    return result


def mb(rate):
    return rate / 1e6


def main():
    if sys.argv[1:2] in (["--help"], ["-h"]):
        print(__doc__)
        return
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    runs = medians(sys.argv[1])
    print("| Chunk | Picture | Bytes written | Chunk data | Decode MB/s | Limit | Limit MB/s | Fraction |")
    print("|---|---|---:|---:|---:|---|---:|---:|")
    for name, r in runs.items():
        if not name.startswith("decode/"):
            continue
        _, chunk, size = name.split("/")
        limit = runs.get("limit/" + chunk + "/" + size)
        decode_rate = r["bytes_per_second"]
        limit_rate = limit["bytes_per_second"] if limit else float("nan")
        kind = "memset" if chunk == "BLACK" else "memcpy"
        print(f"| {chunk} | {size} | {int(r['bytes'])} | {int(r['data'])} | {mb(decode_rate):,.0f} | {kind} "
              f"| {mb(limit_rate):,.0f} | {decode_rate / limit_rate:.1%} |")
    print()
    print("| File | Picture, frames | Frames/s | MB/s of pictures | MB/s of chunk data |")
    print("|---|---|---:|---:|---:|")
    for name, r in runs.items():
        if not name.startswith("file/"):
            continue
        print(f"| {name[5:]} | {r.get('label', '')} | {r['frames/s']:,.0f} | {mb(r['bytes_per_second']):,.0f} | {mb(r['data/s']):,.0f} |")


if __name__ == "__main__":
    main()
