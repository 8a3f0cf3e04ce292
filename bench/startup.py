#!/usr/bin/env python3
"""Quorvale against a bare Qt widget program, run alternately in one invocation, printing
medians and ratios.

Start-up: each run starts the program with QUORVALE_QUIT_AFTER_FIRST_FRAME=1 (the bare
program always quits after its first frame) and measures the wall time from spawn to exit
and the child's peak resident memory (wait4). The bare program opens a window of the size
the program opens at on the same screen (the program prints it), so both pay for the same
window buffers.

With --quorvale-bench and --bare-bench (bench/quorvale_bench.cpp, bench/bare/main.cpp) it
also measures, driving both through their windows: opening every activity from the click
on its menu entry to its first item painted (against the bare start-up), peak memory once
every activity has been opened (against the bare peak), one drag move handled and
repainted (against a plain QLabel moved the same way) in an 800 x 600 window and again in
a 3840 x 2160 one (a 4K whiteboard, full screen), and 10 s idle on an activity screen
once its mark has grown (against the bare program idle, and blinking one label as the
activity blinks its answer).

Runs under Xvfb when --xvfb is given and Xvfb is installed (a 1280 x 1024 screen, and a
3840 x 2160 one for the 4K drag), otherwise on Qt's offscreen platform. Both programs keep
their settings in a scratch folder, so every run is a first run and the user's own
settings are neither read nor written.
"""
import argparse, os, shutil, statistics, subprocess, sys, tempfile, time

BIG = "3840x2160"


def run_once(binary, env, *args):
    start = time.perf_counter()
    proc = subprocess.Popen([binary, *args], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000.0
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"{binary} exited with {proc.returncode}")
    return elapsed, usage.ru_maxrss / 1024.0  # ms, MiB


def run_output(argv, env):
    """Runs a bench program and returns its "key value..." lines as a list of word lists."""
    out = subprocess.run(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    if out.returncode != 0:
        sys.exit(f"{' '.join(argv)} exited with {out.returncode}")
    return [line.split() for line in out.stdout.splitlines() if line.strip()]


def value(lines, key):
    for words in lines:
        if words[0] == key:
            return float(words[1])
    sys.exit(f"no {key} in the output")


def value_text(lines, key):
    for words in lines:
        if words[0] == key:
            return words[1]
    sys.exit(f"no {key} in the output")


def row(label, bare, quorvale, unit_format="{:10.1f}"):
    ratio = f"{quorvale / bare:8.2f}" if bare > 0 else f"{'-':>8}"
    print(f"{label:40}{unit_format.format(bare)}{unit_format.format(quorvale)}{ratio}")


def interactions(args, env, big_env, bare_start_ms, bare_peak_mib):
    opens = {}
    peaks = []
    drags = {"bare": [], "quorvale": []}
    big_drags = {"bare": [], "quorvale": []}
    for _ in range(args.bench_runs):
        lines = run_output([args.quorvale_bench, "open"], env)
        for words in lines:
            if words[0] == "open":
                opens.setdefault(words[1], []).append(float(words[2]))
        peaks.append(value(lines, "peak-rss-kib") / 1024.0)
        for name, program in (("bare", args.bare_bench), ("quorvale", args.quorvale_bench)):
            drags[name].append(value(run_output([program, "drag", "400"], env), "drag-move-us"))
            big_drags[name].append(value(run_output([program, "drag", "400", BIG], big_env), "drag-move-us"))
    idle = {"bare": [], "blink": [], "quorvale": []}
    for _ in range(args.idle_runs):
        for name, argv in (("bare", [args.bare_bench, "idle", "10"]), ("blink", [args.bare_bench, "blink", "10"]),
                           ("quorvale", [args.quorvale_bench, "idle", "10"])):
            lines = run_output(argv, env)
            idle[name].append((value(lines, "idle-timer-events"), value(lines, "idle-cpu-ms")))

    per_activity = {name: statistics.median(ms) for name, ms in opens.items()}
    worst = max(per_activity, key=per_activity.get)
    median_open = statistics.median(per_activity.values())
    print()
    print(f"{args.bench_runs} runs of every activity opened, drag moves in 400-move runs (medians);")
    print(f"{args.idle_runs} idle runs of 10 s each")
    print(f"{'':40}{'bare Qt':>10}{'Quorvale':>10}{'ratio':>8}")
    row(f"open an activity, median of {len(per_activity)}, ms", bare_start_ms, median_open)
    row(f"open the slowest ({worst}), ms", bare_start_ms, per_activity[worst])
    row("peak memory after every activity, MiB", bare_peak_mib, statistics.median(peaks))
    row("one drag move handled and painted, us", statistics.median(drags["bare"]),
        statistics.median(drags["quorvale"]))
    row(f"the same at {BIG.replace('x', ' x ')}, us", statistics.median(big_drags["bare"]),
        statistics.median(big_drags["quorvale"]))
    q_events = statistics.median(e for e, _ in idle["quorvale"])
    q_cpu = statistics.median(c for _, c in idle["quorvale"])
    row("idle 10 s, timer events (bare idle)", statistics.median(e for e, _ in idle["bare"]), q_events, "{:10.0f}")
    row("idle 10 s, CPU ms (bare idle)", statistics.median(c for _, c in idle["bare"]), q_cpu)
    row("idle 10 s, timer events (bare blinking)", statistics.median(e for e, _ in idle["blink"]), q_events,
        "{:10.0f}")
    row("idle 10 s, CPU ms (bare blinking)", statistics.median(c for _, c in idle["blink"]), q_cpu)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quorvale", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--xvfb", action="store_true")
    parser.add_argument("--quorvale-bench")
    parser.add_argument("--bare-bench")
    parser.add_argument("--bench-runs", type=int, default=5)
    parser.add_argument("--idle-runs", type=int, default=3)
    args = parser.parse_args()

    scratch = tempfile.TemporaryDirectory(prefix="quorvale-bench-")
    # Settings and class results go to a scratch folder: every start is a first start, and
    # the user's own settings and results are never read or written.
    env = dict(os.environ, QUORVALE_QUIT_AFTER_FIRST_FRAME="1", XDG_CONFIG_HOME=scratch.name,
               XDG_DATA_HOME=scratch.name)
    big_env = dict(env)
    servers = []
    if args.xvfb and shutil.which("Xvfb"):
        for display, size, target in ((":93", "1280x1024", env), (":94", BIG, big_env)):
            servers.append(subprocess.Popen(["Xvfb", display, "-screen", "0", size + "x24", "-nolisten", "tcp"],
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            target.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        time.sleep(1.0)
    else:
        env["QT_QPA_PLATFORM"] = big_env["QT_QPA_PLATFORM"] = "offscreen"

    results = {"bare": [], "quorvale": []}
    bench = args.quorvale_bench and args.bare_bench
    try:
        # One warm-up each, so both start from a warm file cache; the program's says the
        # size it opens at on this screen, and the bare program opens at that size too.
        size = value_text(run_output([args.quorvale], env), "window")
        run_once(args.bare, env, size)
        for _ in range(args.runs):
            results["bare"].append(run_once(args.bare, env, size))
            results["quorvale"].append(run_once(args.quorvale, env))

        def medians(rows):
            return statistics.median(r[0] for r in rows), statistics.median(r[1] for r in rows)

        bare_ms, bare_mb = medians(results["bare"])
        q_ms, q_mb = medians(results["quorvale"])
        platform = env["QT_QPA_PLATFORM"]
        print(f"platform {platform}, both windows {size}, {args.runs} alternating runs each, medians")
        print(f"{'':40}{'bare Qt':>10}{'Quorvale':>10}{'ratio':>8}")
        row("start-up to first frame, ms", bare_ms, q_ms)
        row("peak memory, MiB", bare_mb, q_mb)
        if bench:
            interactions(args, env, big_env, bare_ms, bare_mb)
    finally:
        for server in servers:
            server.terminate()
        scratch.cleanup()


if __name__ == "__main__":
    main()
