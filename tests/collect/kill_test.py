#!/usr/bin/python3
"""Kills the real program (kill -9) at random moments of its collection
cycles against the site simulator, again and again, and checks the file each
time: it passes PRAGMA integrity_check, every row that a reader saw committed
just before the kill is still there, and no title is stored twice. At the end
the program is started once more and its next cycle must store new rows.

Before each start the newest eight days are deleted, so that each cycle has
pages of new announcements to store while it is killed. The program is started with TALVEC_TEST_FIRST_CHECK_SECONDS=0 (first check
one second after start, not a minute) and TALVEC_TEST_CONSTRUCTION_BASE
(the construction list on the simulator's free port instead of the built-in
address); the interval between cycles is three seconds (updatetime 0.05).

usage: kill_test.py BIN_DIR TOOLS_DIR PROGRAM [KILLS]

PROGRAM is the test build of TALVEC, which takes those two variables.
"""
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from process_support import Reader, sql, verdict


def rows(db):
    return set(sql(db, "SELECT ID || '|' || MC FROM List;\n"))


def reader_rows(reader):
    return set(reader.query("SELECT ID || '|' || MC FROM List;\n"))


def start_simulator(bin_dir):
    sim = subprocess.Popen([os.path.join(bin_dir, "sitesim"), "--port", "0", "--days", "20",
                            "--new-every", "2"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        line = sim.stdout.readline()
        match = re.search(r"serving (http://[0-9.]+:(\d+))", line)
        if match:
            return sim, match.group(1), match.group(2)
        if not line and sim.poll() is not None:
            break
    sim.kill()
    raise RuntimeError("the simulator did not start")


def main():
    bin_dir, tools_dir, program = sys.argv[1], sys.argv[2], sys.argv[3]
    kills = int(sys.argv[4]) if len(sys.argv) > 4 else 20
    rng = random.Random(int(os.environ.get("KILL_TEST_SEED", "20261209")))
    work = tempfile.mkdtemp(prefix="talvec-kill-")
    sim = None
    failures = []
    try:
        sim, base, port = start_simulator(bin_dir)
        prog = os.path.join(work, "prog")
        os.mkdir(prog)
        shutil.copy2(program, os.path.join(prog, "TALVEC"))
        db = os.path.join(prog, "talvec.qzv")
        subprocess.run([os.path.join(tools_dir, "talvec_mkdb"), db], check=True)
        sql(db, f"UPDATE SysSet SET ServerDZ = '127.0.0.1:{port}', updatetime = 0.05;\n")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TALVEC_TEST_FIRST_CHECK_SECONDS="0",
                   TALVEC_TEST_CONSTRUCTION_BASE=base,
                   TALVEC_MESSAGE_LOG=os.path.join(work, "messages.log"))
        log = open(os.path.join(work, "talvec.log"), "w")

        def cycle_starts():
            log.flush()
            with open(log.name, encoding="utf-8", errors="replace") as f:
                return f.read().count("cycle starts")

        def run_program():
            return subprocess.Popen([os.path.join(prog, "TALVEC")], env=env, stdout=log, stderr=log)

        reader = Reader(db)
        killed_while_growing = 0
        before = 0
        for i in range(kills):
            # The newest days are taken out again, so that the cycle has
            # pages of new announcements to store when the kill comes.
            reader.query("DELETE FROM List WHERE SJ >= date('now', '-8 day');\n")
            starts = cycle_starts()
            program = run_program()
            # The kill comes at a random moment of the cycle.
            deadline = time.monotonic() + 15
            while cycle_starts() == starts and time.monotonic() < deadline:
                time.sleep(0.02)
            time.sleep(rng.uniform(0.0, 0.3))
            seen = reader_rows(reader)  # committed: a reader sees it
            os.kill(program.pid, signal.SIGKILL)
            program.wait()
            integrity = sql(db, "PRAGMA integrity_check;\n")
            after = rows(db)
            twice = sql(db, "SELECT count(*) FROM (SELECT MC FROM List GROUP BY MC HAVING count(*) > 1);\n")
            lost = seen - after
            if integrity != ["ok"]:
                failures.append(f"kill {i + 1}: integrity_check says {integrity[:3]}")
            if lost:
                failures.append(f"kill {i + 1}: {len(lost)} committed rows lost, e.g. {sorted(lost)[:2]}")
            if twice != ["0"]:
                failures.append(f"kill {i + 1}: {twice} titles stored twice")
            if len(after) > len(seen):
                killed_while_growing += 1  # rows were being written at the moment of the kill
            if len(after) < len(seen):
                failures.append(f"kill {i + 1}: fewer rows after the kill")
            print(f"kill {i + 1}: {len(seen)} rows seen before, {len(after)} after, integrity {integrity[0]}")
            if len(after) > before:
                before = len(after)

        reader.close()

        # The next cycle goes on.
        count = len(rows(db))
        program = run_program()
        deadline = time.monotonic() + 30
        grown = False
        while time.monotonic() < deadline and not grown:
            time.sleep(1)
            grown = len(rows(db)) > count
        os.kill(program.pid, signal.SIGKILL)
        program.wait()
        if not grown:
            failures.append("the program stored nothing after the last kill")
        if sql(db, "PRAGMA integrity_check;\n") != ["ok"]:
            failures.append("integrity_check failed at the end")
        final = len(rows(db))
        print(f"{kills} kills, {killed_while_growing} while rows were being written; "
              f"{final} rows at the end (from {count} before the last start)")
    finally:
        if sim:
            sim.terminate()
            sim.wait(10)
    return verdict(work, failures)


sys.exit(main())
