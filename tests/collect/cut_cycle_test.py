#!/usr/bin/python3
"""Cuts the real program's collection cycles short at random list pages, by
kill -9 or by closing its window (SIGUSR1 in the test build), starts it
again, lets one cycle complete, and compares the file with a run of the same
simulated site that was never cut: the same announcements, none twice.

The program talks to the simulator through a small proxy of this script,
which counts the list requests (so that a cut lands on a chosen page) and
can slow them down. One cycle per start: the interval is ten minutes and
the first check comes a second after the start.

usage: cut_cycle_test.py BIN_DIR TOOLS_DIR PROGRAM [--cuts N] [--measure]

--measure runs the trials of the collection's interruption figures instead
(list pages slowed to 150 ms): a kill at about 420 rows, the window closed
at about 420 rows, 120 new announcements with a kill after the first page
of each channel, ten kills at random moments, a full disk; each followed by
one complete cycle, and prints what each stored and lost.
"""
import http.client
import http.server
import os
import random
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

from process_support import Reader, sql, verdict


def count(reader):
    return int(reader.query("SELECT count(*) FROM List;\n")[0])


def last_cycle(reader):
    return reader.query("SELECT EndedAt FROM CycleLog;\n")


def start_simulator(bin_dir, days):
    sim = subprocess.Popen([os.path.join(bin_dir, "sitesim"), "--port", "0", "--days", str(days),
                            "--new-every", "0", "--seed", "3"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        line = sim.stdout.readline()
        match = re.search(r"serving http://[0-9.]+:(\d+)", line)
        if match:
            # Keep reading its output, so that it never blocks on a full pipe.
            threading.Thread(target=lambda: sim.stdout.read(), daemon=True).start()
            return sim, int(match.group(1))
        if not line and sim.poll() is not None:
            break
    sim.kill()
    raise RuntimeError("the simulator did not start")


class Proxy:
    """Forwards every request to the simulator; list requests are counted,
    may be slowed, and `on_list(n)` is called as the n-th one arrives."""

    def __init__(self, target_port, delay):
        self.target_port = target_port
        self.delay = delay
        self.lock = threading.Lock()
        self.list_requests = 0
        self.on_list = None
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                if "recommendBulletinList" in self.path:
                    with proxy.lock:
                        proxy.list_requests += 1
                        n, hook = proxy.list_requests, proxy.on_list
                    if hook:
                        hook(n)
                    time.sleep(proxy.delay)
                conn = http.client.HTTPConnection("127.0.0.1", proxy.target_port, timeout=120)
                try:
                    conn.request("GET", self.path,
                                 headers={"Accept-Encoding": self.headers.get("Accept-Encoding", "")})
                    answer = conn.getresponse()
                    body = answer.read()
                    self.send_response(answer.status)
                    for name in ("Content-Type", "Content-Encoding"):
                        if answer.getheader(name):
                            self.send_header(name, answer.getheader(name))
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                except (OSError, http.client.HTTPException):
                    self.close_connection = True
                finally:
                    conn.close()

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def reset(self, on_list=None):
        with self.lock:
            self.list_requests = 0
            self.on_list = on_list

    def stop(self):
        self.server.shutdown()


class Program:
    """The test build in a program folder of its own, on a new database."""

    def __init__(self, work, name, program, tools_dir, proxy_port):
        self.folder = os.path.join(work, name)
        os.mkdir(self.folder)
        shutil.copy2(program, os.path.join(self.folder, "TALVEC"))
        self.db = os.path.join(self.folder, "talvec.qzv")
        subprocess.run([os.path.join(tools_dir, "talvec_mkdb"), self.db], check=True,
                       capture_output=True)
        sql(self.db, f"UPDATE SysSet SET ServerDZ = '127.0.0.1:{proxy_port}', updatetime = 10;\n")
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TALVEC_TEST_FIRST_CHECK_SECONDS="0",
                        TALVEC_TEST_CONSTRUCTION_BASE=f"http://127.0.0.1:{proxy_port}",
                        TALVEC_MESSAGE_LOG=os.path.join(self.folder, "messages.log"))
        self.log = open(os.path.join(self.folder, "talvec.log"), "a")
        self.proc = None
        self.reader = Reader(self.db)

    def start(self, file_size_limit=None):
        def limits():
            if file_size_limit:
                # Writes past the limit fail with EFBIG, as on a full disk.
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))

        self.proc = subprocess.Popen([os.path.join(self.folder, "TALVEC")], env=self.env,
                                     stdout=self.log, stderr=self.log, preexec_fn=limits)

    def kill(self):
        os.kill(self.proc.pid, signal.SIGKILL)
        self.proc.wait(30)

    def close(self):
        os.kill(self.proc.pid, signal.SIGUSR1)
        try:
            self.proc.wait(30)
        except subprocess.TimeoutExpired:
            self.kill()
            raise RuntimeError("the program did not end after its window was closed")

    def cut(self, how):
        (self.kill if how == "kill" else self.close)()

    def complete_cycle(self, timeout=600):
        """Starts the program, waits for one complete cycle, closes it."""
        before = last_cycle(self.reader)
        self.start()
        deadline = time.monotonic() + timeout
        while last_cycle(self.reader) == before:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                self.kill() if self.proc.poll() is None else None
                raise RuntimeError(f"no complete cycle in {self.folder}")
            time.sleep(0.1)
        self.close()

    def stored(self):
        return sql(self.db, "SELECT MC || '|' || DZ || '|' || SJ || '|' || LX FROM List;\n")

    def twice(self):
        return int(sql(self.db, "SELECT count(*) FROM (SELECT MC FROM List "
                                "GROUP BY MC HAVING count(*) > 1);\n")[0])

    def done(self):
        self.reader.close()
        self.log.close()


def cut_at(proxy, program, how, page, jitter):
    """Starts the program and cuts it as the `page`-th list request comes
    (plus `jitter` seconds, so that some cuts land inside a write). A cycle
    that completes before that page is closed; returns whether it was cut."""
    fired = threading.Event()

    def hook(n):
        if n == page:
            fired.set()

    proxy.reset(hook)
    before = last_cycle(program.reader)
    program.start()
    deadline = time.monotonic() + 300
    while not fired.wait(0.1):
        if last_cycle(program.reader) != before:
            program.close()
            proxy.reset()
            return False
        if time.monotonic() > deadline:
            raise RuntimeError(f"list request {page} never came")
    time.sleep(jitter)
    program.cut(how)
    proxy.reset()
    return True


def cut_at_rows(program, how, rows):
    program.start()
    deadline = time.monotonic() + 300
    while count(program.reader) < rows:
        if time.monotonic() > deadline:
            raise RuntimeError("rows did not grow")
        time.sleep(0.02)
    program.cut(how)


def add_announcements(sim_port, counts):
    titles = []
    for kind, count in counts.items():
        with urllib.request.urlopen(
                f"http://127.0.0.1:{sim_port}/__sim/add?type={kind}&count={count}", timeout=30) as r:
            for line in r.read().decode("utf-8").splitlines():
                titles.append(line.split("\t", 2)[2])
    return titles


def titles(stored):
    return {line.split("|", 1)[0] for line in stored}


def compare(failures, label, program, reference):
    stored = set(program.stored())
    missing, extra, twice = reference - stored, stored - reference, program.twice()
    print(f"{label}: {len(stored)} stored of {len(reference)}; {len(missing)} missing, "
          f"{len(extra)} not in the uncut run, {twice} titles twice", flush=True)
    if missing:
        failures.append(f"{label}: {len(missing)} missing, e.g. {sorted(missing)[:2]}")
    if extra:
        failures.append(f"{label}: {len(extra)} rows the uncut run lacks, e.g. {sorted(extra)[:2]}")
    if twice:
        failures.append(f"{label}: {twice} titles stored twice")


def run_test(args, work, sim_port, proxy, failures):
    """Random cuts, one to three in a row, by kill and by close, each
    series followed by one complete cycle: the file equals the uncut run's."""
    rng = random.Random(int(os.environ.get("CUT_TEST_SEED", "20261210")))
    reference_program = Program(work, "reference", args.program, args.tools, proxy.port)
    proxy.reset()
    reference_program.complete_cycle()
    pages = proxy.list_requests
    reference = set(reference_program.stored())
    reference_program.done()
    print(f"uncut cycle: {len(reference)} announcements, {pages} list pages", flush=True)
    if len(reference) < 100:
        failures.append("the uncut cycle stored too little to compare")
        return
    for trial in range(args.cuts):
        program = Program(work, f"cut{trial}", args.program, args.tools, proxy.port)
        series = []
        for _ in range(rng.randint(1, 3)):
            how = rng.choice(["kill", "close"])
            # Later cuts come early: a resumed cycle reads fewer pages.
            page = rng.randint(1, pages if not series else 12)
            cut = cut_at(proxy, program, how, page, rng.uniform(0.0, 0.03))
            series.append(f"{how}@{page}" if cut else "complete")
        program.complete_cycle()
        compare(failures, f"trial {trial + 1} ({', '.join(series)})", program, reference)
        program.done()


def run_measure(args, work, sim_port, proxy, failures):
    counter = iter(range(1000))

    def fresh():
        return Program(work, f"m{next(counter)}", args.program, args.tools, proxy.port)

    reference_program = fresh()
    proxy.reset()
    reference_program.complete_cycle()
    reference = titles(reference_program.stored())
    print(f"uninterrupted cycle: {len(reference)} announcements", flush=True)

    def report(label, program):
        got = titles(program.stored())
        print(f"{label}: {len(got)} of {len(reference)} stored, {len(reference - got)} lost, "
              f"{program.twice()} twice", flush=True)
        return len(got)

    for how in ("kill", "close"):
        p = fresh()
        cut_at_rows(p, how, 420)
        p.complete_cycle()
        report(f"{how} at 420 rows, then one complete cycle", p)
        p.done()

    rng = random.Random(7)
    results = []
    for i in range(10):
        p = fresh()
        cut_at_rows(p, "kill", rng.randint(25, len(reference) - 25))
        p.complete_cycle()
        results.append(report(f"random kill {i + 1}", p))
        p.done()
    print(f"ten random kills: {min(results)}-{max(results)} of {len(reference)} stored", flush=True)

    # A full disk: the cycle's writes fail past a file size (EFBIG, which
    # SQLite reports as a full disk) until it gives up; then room again.
    p = fresh()
    p.start(file_size_limit=600 * 1024)
    deadline = time.monotonic() + 180
    while not any("given up" in line for line in open(p.log.name, errors="replace")):
        if time.monotonic() > deadline:
            failures.append("the cycle on a full disk was not given up")
            break
        time.sleep(0.2)
    p.close()
    before = count(p.reader)
    p.complete_cycle()
    report(f"full disk at {before} rows, then room and one complete cycle", p)
    p.done()

    # New announcements on a site already collected: the cut comes with the
    # second page of the first channel, i.e. after the first page of each.
    new_counts = {1: 30, 2: 20, 3: 10, 4: 10, 5: 5, 6: 5, 7: 30, 8: 5, 10: 5}
    added = add_announcements(sim_port, new_counts)
    cut_at(proxy, reference_program, "kill", 11, 0.0)
    reference_program.complete_cycle()
    got = titles(reference_program.stored())
    lost = [t for t in added if t.strip()[:127] not in got and t not in got]
    print(f"{len(added)} new announcements, kill after the first page of each channel, then one "
          f"complete cycle: {len(lost)} of them lost", flush=True)
    reference_program.done()


def main():
    import argparse
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("tools")
    parser.add_argument("program")
    parser.add_argument("--cuts", type=int, default=6)
    parser.add_argument("--measure", action="store_true")
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="talvec-cut-")
    sim, sim_port = start_simulator(args.bin, 60 if args.measure else 20)
    proxy = Proxy(sim_port, 0.15 if args.measure else 0.01)
    failures = []
    try:
        (run_measure if args.measure else run_test)(args, work, sim_port, proxy, failures)
    except RuntimeError as e:
        failures.append(str(e))
    finally:
        proxy.stop()
        sim.terminate()
        sim.wait(10)
    return verdict(work, failures)


sys.exit(main())
