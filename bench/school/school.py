#!/usr/bin/env python3
"""The school database under a computer suite in a lesson, and under a year of a school's
visits, through the real results module. A benchmark that prints figures, not a test.

Run by hand, as root (the PostgreSQL server it starts runs as the postgres user), once
quorvale, its results module and schoolcomputer are built:

    /work/bin/qb quorvale quorvale-results schoolcomputer     (or: --target bench-school)
    python3 bench/school/school.py --build build

What it does, in a temporary folder it removes afterwards (--keep leaves it, and the server
stopped, for a look at the server's log):
  1. Starts a PostgreSQL 15 server as the tests do (initdb as postgres, a private port on
     127.0.0.1, scram passwords, a service file and a password file), sets the school
     database up with `quorvale --school-setup`, makes a login in the pupils' group for the
     suite and one in the teachers' group, and puts class 6A's 30 pupils in the class lists.
  2. The lesson: --computers schoolcomputer processes at once, each its own results file
     and one pupil of 6A, play a 50-minute lesson at 20 times speed (150 s: 6 visits of
     10 items, an answer every 2.5 s), then wait until their visits are delivered. Prints
     the visits made against the rows the server has, and the delivery delay (the row's
     `received`, server time, minus the end time the computer printed; same machine, one
     clock), median and 95th percentile.
  3. The year: 19 more classes (600 pupils in 20 classes of 30) and --rows visits over 190
     school days before today, 9:00 to 15:00, 30 activities, made in SQL; then the
     teacher's reads timed through the module with the teacher login (schoolcomputer
     --time-queries, median of 7), the indexes the server has and how often each read used
     them, and the plan of every statement the teacher's reads ran (auto_explain, in a
     second run of one read each, so the timings are not slowed by it).
"""
import argparse, collections, math, os, re, resource, shutil, socket, statistics, subprocess, sys, tempfile, time

PG = "/usr/lib/postgresql/15/bin/"
PUPIL_PW, TEACHER_PW, ADMIN_PW = "suite-secret", "staff-secret", "admin-secret"
ACTIVITIES = [("openings", "Story Openings"), ("style", "Poetry Style"), ("similes", "Similes"),
              ("chronological", "Chronological Order"), ("instructions", "Instructional Texts"),
              ("terms", "Poetry Terms"), ("genre", "Genre"), ("figurative", "Figurative Language"),
              ("similarity", "Identifying Similarities"), ("locating", "Locating Information"),
              ("ambiguity", "Ambiguity"), ("prediction", "Predictions"), ("notemaking", "Note Making"),
              ("persuasive", "Persuasive Devices"), ("evaluate", "Style Evaluation"),
              ("person", "1st, 2nd, 3rd Person"), ("cv", "Preparing a CV"), ("distinctive", "Distinctive Voices"),
              ("questionaire", "Questionnaires"), ("theatre", "Drama"), ("rhythm", "Rhythm in Poetry"),
              ("fact", "Fact or Opinion?"), ("linking", "Linking of Points"),
              ("openorclosed", "Open or Closed Questions"), ("attention", "Attention to Accuracy"),
              ("key2", "Key Points"), ("writer", "Style of Writer"), ("blurb", "Back Cover Blurb"),
              ("review", "Reviews"), ("revision", "Revision")]
FIRST = ["Amy", "Ben", "Chloe", "Dev", "Ella", "Finn", "Grace", "Harry", "Isla", "Jack", "Kai", "Lily", "Mia",
         "Noah", "Olivia", "Priya", "Quinn", "Ruby", "Sam", "Tom", "Uma", "Vik", "Will", "Xena", "Yusuf", "Zara",
         "Alfie", "Bea", "Caleb", "Daisy"]


def class_names(label):
    """30 names for a class, unique within it."""
    return [f"{first} {chr(ord('A') + (i * 7 + ord(label[-1])) % 26)}." for i, first in enumerate(FIRST)]


def quote(text):
    return "'" + text.replace("'", "''") + "'"


def percentile(values, share):
    """Nearest rank."""
    ordered = sorted(values)
    return ordered[max(0, math.ceil(share * len(ordered)) - 1)]


class Server:
    def __init__(self, folder):
        self.dir = folder
        self.running = False

    def as_postgres(self, *argv):
        subprocess.run(["runuser", "-u", "postgres", "--", *argv], check=True, stdout=subprocess.DEVNULL)

    def start(self):
        with open(f"{self.dir}/pw", "w") as f:
            f.write(ADMIN_PW + "\n")
        os.chmod(self.dir, 0o755)
        subprocess.run(["chown", "-R", "postgres", self.dir], check=True)
        self.as_postgres(PG + "initdb", "-D", f"{self.dir}/data", "-A", "scram-sha-256", f"--pwfile={self.dir}/pw",
                         "-U", "admin", "-N")
        with socket.socket() as s:  # a free private port
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.as_postgres(PG + "pg_ctl", "-D", f"{self.dir}/data", "-l", f"{self.dir}/log", "-w", "-o",
                         f"-p {self.port} -k {self.dir} -c listen_addresses=127.0.0.1 -c max_connections=200",
                         "start")
        self.running = True

    def stop(self):
        if self.running:
            self.as_postgres(PG + "pg_ctl", "-D", f"{self.dir}/data", "-w", "-m", "fast", "stop")
        self.running = False

    def sql(self, *statements):
        """Runs SQL as the administrator, each of statements on its own (VACUUM and ALTER SYSTEM
        cannot share one); the rows, as lists of strings."""
        out = subprocess.run(["psql", "service=school-admin", "-X", "-q", "-A", "-t", "-F", "\t",
                              "-v", "ON_ERROR_STOP=1", *(a for text in statements for a in ("-c", text))],
                             env=self.env, check=True, stdout=subprocess.PIPE, text=True).stdout
        return [line.split("\t") for line in out.splitlines() if line]

    def connections(self):
        services = "".join(f"[{name}]\nhost=127.0.0.1\nport={self.port}\ndbname=postgres\nuser={user}\n"
                           f"connect_timeout=5\n"
                           for name, user in (("school-admin", "admin"), ("school", "suite_pc"), ("staff", "front_desk")))
        with open(f"{self.dir}/services", "w") as f:
            f.write(services)
        with open(f"{self.dir}/passwords", "w") as f:
            f.write(f"127.0.0.1:*:*:admin:{ADMIN_PW}\n127.0.0.1:*:*:suite_pc:{PUPIL_PW}\n"
                    f"127.0.0.1:*:*:front_desk:{TEACHER_PW}\n")
        os.chmod(f"{self.dir}/passwords", 0o600)
        self.env = dict(os.environ, PGSERVICEFILE=f"{self.dir}/services", PGPASSFILE=f"{self.dir}/passwords",
                        QT_QPA_PLATFORM="offscreen")
        self.env.pop("DISPLAY", None)

    def computer_env(self, home):
        os.makedirs(home, exist_ok=True)
        return dict(self.env, XDG_CONFIG_HOME=f"{home}/config", XDG_DATA_HOME=f"{home}/share")


def set_up(server, args):
    server.start()
    server.connections()
    setup = subprocess.run([args.quorvale, "--school-setup", "school-admin"], env=server.computer_env(f"{server.dir}/it"),
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if setup.returncode != 0:
        sys.exit(f"quorvale --school-setup failed: {setup.stdout}")
    server.sql(f"CREATE ROLE suite_pc LOGIN PASSWORD {quote(PUPIL_PW)} IN ROLE quorvale_pupil;"
               f"CREATE ROLE front_desk LOGIN PASSWORD {quote(TEACHER_PW)} IN ROLE quorvale_teacher")
    add_class(server, "6A")


def add_class(server, label):
    rows = ",".join(f"(gen_random_uuid(), {quote(name)}, {quote(label)})" for name in class_names(label))
    server.sql(f"INSERT INTO pupils (id, name, class) VALUES {rows}")


def lesson(server, args):
    names = class_names("6A")[:args.computers]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    computers = []
    for i, name in enumerate(names):
        home = f"{server.dir}/pc{i + 1:02}"
        err = open(f"{home}.err", "w")
        computers.append((name, err, subprocess.Popen(
            [args.computer, *args.module, "--results", f"{home}/results.sqlite", "--service", "school", "--class", "6A",
             "--pupils", name, "--visits", str(args.visits), "--items", str(args.items), "--answer-ms",
             str(args.answer_ms), "--wrong-every", "4", "--wait-delivered", str(args.wait)],
            env=server.computer_env(home), stdout=subprocess.PIPE, stderr=err, text=True)))
    ended = collections.defaultdict(list)
    outcome = collections.Counter()
    for name, err, process in computers:
        out, _ = process.communicate()
        err.close()
        for words in (line.split(" ", 2) for line in out.splitlines()):
            if words[0] == "ended":
                ended[words[2]].append(int(words[1]))
        last = out.splitlines()[-1] if out.strip() else f"no output, exit {process.returncode}"
        outcome[f"{last.split()[0]} (exit {process.returncode})"] += 1
    wall = time.monotonic() - start
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (used.ru_utime - before.ru_utime + used.ru_stime - before.ru_stime) / len(computers)

    made = sum(len(times) for times in ended.values())
    rows, distinct, right, wrong = (int(v) for v in server.sql(
        "SELECT count(*), count(DISTINCT id), coalesce(sum(right_first), 0), coalesce(sum(wrong_first), 0) "
        "FROM visits WHERE class = '6A'")[0])
    answers = args.visits * args.items
    want_wrong = len(names) * (answers // 4)
    delays, unmatched = [], 0
    kept = collections.defaultdict(list)
    for pupil, started, received in server.sql(
            "SELECT pupil, (extract(epoch FROM started) * 1000)::bigint, (extract(epoch FROM received) * 1000)::bigint "
            "FROM visits WHERE class = '6A' ORDER BY pupil, started"):
        kept[pupil].append(int(received))
    for pupil, times in ended.items():
        for k, end in enumerate(times):
            if k < len(kept[pupil]):
                delays.append(kept[pupil][k] - end)
            else:
                unmatched += 1
    events = server.sql("SELECT event, count(*) FROM lesson GROUP BY event ORDER BY event")

    print(f"\nThe lesson: {len(names)} computers at once, {args.visits} visits of {args.items} items each, "
          f"an answer every {args.answer_ms} ms ({args.visits * args.items * args.answer_ms / 1000:.0f} s "
          f"= {args.visits * args.items * args.answer_ms * 20 / 60000:.0f} lesson minutes at 20 times speed)")
    print(f"  wall time until every computer had exited       {wall:10.1f} s")
    print(f"  CPU per computer (user + system)                {cpu:10.2f} s")
    print(f"  computers' last lines                           {dict(outcome)}")
    print(f"  visits made (\"ended\" lines)                     {made:10}")
    print(f"  rows in visits                                  {rows:10}")
    print(f"  rows minus distinct ids                         {rows - distinct:10}")
    print(f"  first answers right / wrong on the server       {right:>5} / {wrong:<5}"
          f" (played: {len(names) * answers - want_wrong} / {want_wrong})")
    print(f"  lesson events by kind                           {', '.join(f'{e} {n}' for e, n in events)}")
    if delays:
        print(f"  delivery delay, received - ended: median        {statistics.median(delays):10.0f} ms")
        print(f"                                    95th pct      {percentile(delays, 0.95):10.0f} ms")
        print(f"                                    min / max     {min(delays):>6} / {max(delays)} ms")
    print(f"  ended visits with no row to match               {unmatched:10}")
    ok = made == rows == distinct and unmatched == 0
    print("  every visit made is on the server once" if ok else "  MISMATCH between visits made and rows kept")
    return ok


def year(server, args):
    start = time.monotonic()
    for year_group in "56":
        for letter in "ABCDEFGHIJ":
            if year_group + letter != "6A":
                add_class(server, year_group + letter)
    activities = ",".join(f"({i}, {quote(a)}, {quote(t)})" for i, (a, t) in enumerate(ACTIVITIES))
    # Each pupil has a skill of their own (35 % to 85 % right first time), each visit some luck.
    server.sql(f"""
        CREATE TEMP TABLE d AS SELECT day, (row_number() OVER (ORDER BY day) - 1)::int AS n FROM (
            SELECT g::date AS day FROM generate_series(current_date - 400, current_date - 1, interval '1 day') g
            WHERE extract(isodow FROM g) < 6 ORDER BY g DESC LIMIT 190) x;
        CREATE TEMP TABLE p AS SELECT id, name, class, (row_number() OVER (ORDER BY class, name) - 1)::int AS n FROM pupils;
        CREATE TEMP TABLE a (n int, activity text, title text);
        INSERT INTO a VALUES {activities};
        INSERT INTO visits (id, computer, started, seconds, class, pupil_id, pupil, activity, title, items, unit,
                            right_first, wrong_first, received)
        SELECT gen_random_uuid(), 'suite-' || (1 + p.n % 30), s.started, s.seconds, p.class, p.id, p.name,
               a.activity, a.title, s.items, 'question', r.right_first, s.items - r.right_first,
               s.started + make_interval(secs => s.seconds + 2)
        FROM (SELECT floor(random() * 190)::int AS dn, floor(random() * 600)::int AS pn, floor(random() * 30)::int AS an,
                     4 + floor(random() * 9)::int AS items, 60 + floor(random() * 540)::int AS seconds, random() AS luck,
                     time '09:00' + random() * interval '6 hours' AS at
              FROM generate_series(1, {args.rows})) s0
        CROSS JOIN LATERAL (SELECT s0.*, d.day + s0.at AS started FROM d WHERE d.n = s0.dn) s
        JOIN p ON p.n = s.pn JOIN a ON a.n = s.an
        CROSS JOIN LATERAL (SELECT least(s.items, greatest(0, round(s.items * (0.35 + ((p.n * 37) % 100) / 200.0
                                                                              + 0.3 * (s.luck - 0.5)))))::int AS right_first) r;
        """)
    server.sql("VACUUM ANALYZE visits", "VACUUM ANALYZE pupils", "VACUUM ANALYZE lesson")
    made = time.monotonic() - start
    count, days, pupils, first, last = server.sql(
        "SELECT count(*), count(DISTINCT started::date), count(DISTINCT pupil_id), min(started)::date, max(started)::date "
        "FROM visits WHERE started < current_date")[0]
    size = server.sql("SELECT pg_size_pretty(pg_total_relation_size('visits'))")[0][0]
    print(f"\nThe year: {count} visits of {pupils} pupils over {days} school days ({first} to {last}), "
          f"made and analysed in {made:.0f} s; visits with its indexes {size}")

    # The teacher's reads, timed; which index each used, from the server's counts.
    def counts():
        return {(t, i): int(n) for t, i, n in server.sql(
            "SELECT relname, indexrelname, idx_scan FROM pg_stat_user_indexes ORDER BY relname, indexrelname")}, \
               {t: int(n) for t, n in server.sql("SELECT relname, seq_scan FROM pg_stat_user_tables")}

    teacher = [args.computer, *args.module, "--results", f"{server.dir}/staffroom/results.sqlite", "--service", "staff", "--class",
               "6A", "--time-queries"]
    before_idx, before_seq = counts()
    timed = subprocess.run(teacher + ["--runs", "7"], env=server.computer_env(f"{server.dir}/staffroom"),
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    time.sleep(1.5)  # the server's counts are flushed within a second of a session going idle
    after_idx, after_seq = counts()
    print(f"  the teacher's reads through the module (exit {timed.returncode}), 7 runs each:")
    for line in timed.stdout.splitlines():
        words = line.split()
        if words[0] == "time":
            print(f"    {words[1]:24} median {float(words[3]):9.1f} ms   first {float(words[5]):9.1f} ms   "
                  f"{words[7]:>6} rows")
        else:
            print(f"    {line}")
    if timed.returncode != 0:
        print("    " + timed.stderr.strip().replace("\n", "\n    ")[-2000:])
    print("  indexes on the server, and scans of each during those reads:")
    for (table, index), n in after_idx.items():
        print(f"    {table:10} {index:28} {n - before_idx.get((table, index), 0):6}")
    print("  sequential scans during those reads: "
          + ", ".join(f"{t} {after_seq[t] - before_seq.get(t, 0)}" for t in sorted(after_seq)))

    # The plans, from a second run of one read each with auto_explain on for the teacher's login.
    server.sql("ALTER ROLE front_desk SET session_preload_libraries = 'auto_explain'",
               "ALTER ROLE front_desk SET auto_explain.log_min_duration = 0",
               "ALTER ROLE front_desk SET auto_explain.log_analyze = on",
               "ALTER SYSTEM SET log_line_prefix = '%m [%p] %u '", "SELECT pg_reload_conf()")
    log_start = os.path.getsize(f"{server.dir}/log")
    subprocess.run(teacher + ["--runs", "1"], env=server.computer_env(f"{server.dir}/staffroom"),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(f"{server.dir}/log", errors="replace") as f:
        f.seek(log_start)
        log = f.read()
    plans = collections.OrderedDict()
    for block in re.split(r"\n(?=\S+ \S+ \S+ \[\d+\] )", log):
        found = re.search(r"front_desk LOG:\s+duration: ([\d.]+) ms\s+plan:\s*\n\s*Query Text: (.*?)\n(.*)", block, re.S)
        if not found:
            continue
        # What it reads: from its table on (the columns it picks say little).
        text = " ".join(found.group(2).split())
        text = re.sub(r"^PREPARE \S+ AS ", "", text)
        table = re.search(r"\bFROM (?:visits|pupils|lesson|quorvale_schema)\b.*", text)
        text = ("... " + table.group(0) if table and table.start() > 0 else text)[:130]
        scans = re.findall(r"((?:Index Only Scan|Index Scan|Bitmap Index Scan|Seq Scan)(?: Backward)?"
                           r"(?: using| on) \S+(?: on \S+)?)", found.group(3))
        plans.setdefault(text, (float(found.group(1)), sorted(set(scans))))
    print(f"  plans of the statements the teacher's reads ran ({len(plans)}; auto_explain, analysed, one run):")
    for text, (ms, scans) in plans.items():
        print(f"    {ms:8.1f} ms  {text}")
        print(f"               {'; '.join(scans) or 'no table scanned'}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build", help="the build folder (quorvale, tests/schoolcomputer)")
    parser.add_argument("--quorvale")
    parser.add_argument("--computer")
    parser.add_argument("--module", help="the results module the computers load (default: the one built)")
    parser.add_argument("--computers", type=int, default=30)
    parser.add_argument("--visits", type=int, default=6)
    parser.add_argument("--items", type=int, default=10)
    parser.add_argument("--answer-ms", type=int, default=2500)
    parser.add_argument("--wait", type=int, default=120, help="seconds each computer waits for its visits to go")
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--skip-lesson", action="store_true")
    parser.add_argument("--skip-year", action="store_true")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder (the server's log)")
    args = parser.parse_args()
    args.quorvale = os.path.abspath(args.quorvale or f"{args.build}/quorvale")
    args.computer = os.path.abspath(args.computer or f"{args.build}/tests/schoolcomputer")
    args.module = ["--module", os.path.abspath(args.module)] if args.module else []
    if os.geteuid() != 0:
        sys.exit("run as root: the server is started as the postgres user")
    for path in (PG + "initdb", args.quorvale, args.computer, shutil.which("psql") or "psql"):
        if not os.path.exists(path):
            sys.exit(f"{path} is missing (PostgreSQL 15 installed? quorvale and schoolcomputer built?)")

    server = Server(tempfile.mkdtemp(prefix="quorvale-school-"))
    try:
        set_up(server, args)
        print(f"PostgreSQL 15 on 127.0.0.1:{server.port}, folder {server.dir}; "
              f"{os.cpu_count()} cores; {time.strftime('%Y-%m-%d %H:%M UTC', time.gmtime())}")
        ok = args.skip_lesson or lesson(server, args)
        if not args.skip_year:
            year(server, args)
    finally:
        server.stop()
        if args.keep:
            print(f"kept {server.dir}")
        else:
            shutil.rmtree(server.dir, ignore_errors=True)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
