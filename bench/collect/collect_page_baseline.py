#!/usr/bin/python3
"""What a user would otherwise write: BeautifulSoup parses each list page and
sqlite3 stores its new titles into a plain SQLite file holding as many rows,
with the same indexes. Prints the CPU time per page in milliseconds, of the
whole and of the reading alone."""
import sqlite3
import sys
import time

from bs4 import BeautifulSoup

PLACES = ["成都市", "绵阳市", "乐山市", "宜宾市", "南充市", "达州市", "泸州市", "德阳市"]
BODIES = ["教育局", "卫生健康委员会", "公安局", "交通运输局", "人民医院", "财政局", "水务局", "第一中学"]
GOODS = ["空调设备", "台式计算机", "视频监控系统", "医疗器械", "办公家具", "网络交换机", "道路维修工程", "物业管理服务"]


def title(n):
    return f"{PLACES[n % 8]}{BODIES[(n // 8) % 8]}{GOODS[(n // 64) % 8]}采购项目公开招标公告（编号{n:08d}）"


def main():
    pages_file, db_path, rows, heading = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    con = sqlite3.connect(db_path, isolation_level=None)
    con.execute("PRAGMA journal_mode=WAL")
    con.execute("PRAGMA synchronous=FULL")
    con.execute("CREATE TABLE List(ID INTEGER PRIMARY KEY AUTOINCREMENT, MC TEXT, DZ TEXT, SJ TEXT, LX INTEGER, ZBXX TEXT)")
    con.execute("CREATE UNIQUE INDEX List_MC ON List(MC)")
    con.execute("CREATE INDEX List_SJ ON List(SJ, LX)")
    con.execute("BEGIN")
    con.executemany("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)",
                    ((title(n), f"/view?id={n}", f"2026-{1 + n % 12:02d}-{1 + n % 28:02d}", 1 + n % 10)
                     for n in range(rows)))
    con.execute("COMMIT")
    with open(pages_file, encoding="utf-8") as f:
        pages = f.read().split("\f")

    # Reading alone, without the database.
    start = time.process_time()
    for html in pages:
        if heading not in html or "页次" not in html:
            continue
        for li in BeautifulSoup(html, "html.parser").find_all("li"):
            a = li.find("a")
            span = li.find(class_="date")
            if a is not None and a.get("title"):
                _ = (a["title"].strip()[:127], a.get("href", "").strip()[:255],
                     span.get_text().strip()[:20] if span else "")
    parse_elapsed = time.process_time() - start

    stored = 0
    start = time.process_time()
    for html in pages:
        if heading not in html or "页次" not in html:
            continue
        soup = BeautifulSoup(html, "html.parser")
        con.execute("BEGIN")
        for li in soup.find_all("li"):
            a = li.find("a")
            if a is None or not a.get("title"):
                continue
            t = a["title"].strip()[:127]
            href = a.get("href", "").strip()[:255]
            span = li.find(class_="date")
            date = span.get_text().strip()[:20] if span else ""
            (count,) = con.execute("SELECT count(*) FROM List WHERE MC = ?", (t,)).fetchone()
            if count == 0 and t:
                con.execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)", (t, href, date, 2))
                stored += 1
        con.execute("COMMIT")
    elapsed = time.process_time() - start
    if stored != 25 * len(pages):
        print(f"baseline stored {stored} rows", file=sys.stderr)
    print(f"{elapsed * 1000.0 / len(pages):.4f} {parse_elapsed * 1000.0 / len(pages):.4f}")


main()
