"""What the tests that run the real program share: its database file read
beside it (the sqlcipher shell, keyed with the delivered password), and the
verdict at the end."""
import shutil
import subprocess

KEY = "PRAGMA key='Kw7rTq2mXa9pLe4sZd';\n.timeout 10000\n"


def sql(db, statements):
    out = subprocess.run(["sqlcipher", "-batch", "-noheader", db], input=KEY + statements,
                         capture_output=True, text=True, timeout=120)
    if out.returncode != 0:
        raise RuntimeError(f"sqlcipher: {out.stderr.strip()}")
    return out.stdout.splitlines()


class Reader:
    """A connection kept open beside the program, so that what it has
    committed can be read in a moment (right before a kill, say)."""

    def __init__(self, db):
        self.proc = subprocess.Popen(["sqlcipher", "-batch", "-noheader", db], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, bufsize=1)
        self.query(KEY)

    def query(self, statements):
        self.proc.stdin.write(statements + "SELECT '--end--';\n")
        self.proc.stdin.flush()
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("the reader ended")
            if line.rstrip("\n") == "--end--":
                return lines
            lines.append(line.rstrip("\n"))

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(30)


def verdict(work, failures):
    """Prints the failures, keeps the work folder only when there are any,
    and gives the exit code."""
    if failures:
        print(f"logs kept in {work}")
    else:
        shutil.rmtree(work, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    print(f"{0 if failures else 1} passed, {1 if failures else 0} failed")
    return 1 if failures else 0
