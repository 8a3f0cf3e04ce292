#!/usr/bin/env python3
"""Start-up to first painted frame and peak memory: Quorvale against a bare Qt widget
program, run alternately in one invocation, printing medians and ratios.

Each run starts the program with QUORVALE_QUIT_AFTER_FIRST_FRAME=1 (the bare program always
quits after its first frame) and measures the wall time from spawn to exit and the child's
peak resident memory (wait4). Runs under Xvfb when --xvfb is given and Xvfb is installed,
otherwise on Qt's offscreen platform.
"""
import argparse, os, shutil, statistics, subprocess, sys, time


def run_once(binary, env):
    start = time.perf_counter()
    proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = (time.perf_counter() - start) * 1000.0
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit(f"{binary} exited with {proc.returncode}")
    return elapsed, usage.ru_maxrss / 1024.0  # ms, MiB


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quorvale", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--xvfb", action="store_true")
    args = parser.parse_args()

    env = dict(os.environ, QUORVALE_QUIT_AFTER_FIRST_FRAME="1")
    xvfb = None
    if args.xvfb and shutil.which("Xvfb"):
        display = ":93"
        xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
    else:
        env["QT_QPA_PLATFORM"] = "offscreen"

    results = {"bare": [], "quorvale": []}
    try:
        # One warm-up each, so both start from a warm file cache.
        run_once(args.bare, env)
        run_once(args.quorvale, env)
        for _ in range(args.runs):
            results["bare"].append(run_once(args.bare, env))
            results["quorvale"].append(run_once(args.quorvale, env))
    finally:
        if xvfb:
            xvfb.terminate()

    def medians(rows):
        return statistics.median(r[0] for r in rows), statistics.median(r[1] for r in rows)

    bare_ms, bare_mb = medians(results["bare"])
    q_ms, q_mb = medians(results["quorvale"])
    platform = env["QT_QPA_PLATFORM"]
    print(f"platform {platform}, {args.runs} alternating runs each, medians")
    print(f"{'':28}{'bare Qt':>10}{'Quorvale':>10}{'ratio':>8}")
    print(f"{'start-up to first frame, ms':28}{bare_ms:10.1f}{q_ms:10.1f}{q_ms / bare_ms:8.2f}")
    print(f"{'peak memory, MiB':28}{bare_mb:10.1f}{q_mb:10.1f}{q_mb / bare_mb:8.2f}")


if __name__ == "__main__":
    main()
