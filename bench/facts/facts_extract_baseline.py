#!/usr/bin/python3
"""What a user would otherwise write: BeautifulSoup's text of the page and
the reader's label rules with re (sections by their headings, labels with
blanks and either colon, money in yuan, times as YYYY-MM-DD HH:MM, the
contact blocks). Prints the CPU time per page in microseconds, then what it
read."""
import re
import sys
import time

from bs4 import BeautifulSoup

CN = "一二三四五六七八九十"
HEADING = re.compile(r"^([一二三四五六七八九十]{1,2})、(.*)$")
SUB = re.compile(r"^(\d{1,2})[.．、](?!\d)(.*)$")
LABEL = re.compile(r"^(?:\d+(?:\.\d+)*[.．、]?)?([^:：]{1,40}?)[:：](.*)$")
DATE = re.compile(r"(?<!\d)(\d{4})\s*(?:年\s*(\d{1,2})\s*月\s*(\d{1,2})\s*[日号]?|([-/.])(\d{1,2})\4(\d{1,2})(?!\d))")
CLOCK = re.compile(r"\s*(?:[（(]?(?:星期|周)[一二三四五六日天][)）]?)?\s*(上午|下午|晚上|中午|早上)?\s*"
                   r"(\d{1,2})\s*(?::\s*(\d{1,2})(?::\d{2})?|[点时]\s*(?:(\d{1,2})\s*分|(半)|整)?)")
FIGURE = re.compile(r"\d[\d,]*(?:\.\d+)?")
HALF = {c: c - 0xFEE0 for c in range(0xFF01, 0xFF5F)}
HALF.update({0x3000: 0x20, 0xA0: 0x20})


def read_time(text):
    text = text.translate(HALF)
    m = DATE.search(text)
    if not m:
        return ""
    y, mo, d = int(m.group(1)), int(m.group(2) or m.group(5)), int(m.group(3) or m.group(6))
    value = f"{y:04d}-{mo:02d}-{d:02d}"
    c = CLOCK.match(text, m.end())
    if c:
        h = int(c.group(2))
        minute = int(c.group(3) or c.group(4) or (30 if c.group(5) else 0))
        if c.group(1) in ("下午", "晚上") and h < 12:
            h += 12
        if h > 23 or minute > 59:
            return ""
        value += f" {h:02d}:{minute:02d}"
    return value


def read_window(text):
    parts = text.split("至", 1)
    start = read_time(parts[0])
    end = read_time(parts[1]) if len(parts) > 1 and DATE.match(parts[1].lstrip(" 起")) else ""
    return start, end


def read_money(text):
    text = text.translate(HALF)
    if re.search("%|率|折|下浮|上浮", text):
        return None
    figures = FIGURE.findall(text)
    if len(figures) != 1:
        return None
    rest = text[text.index(figures[0]) + len(figures[0]):].lstrip()
    unit = 1e8 if rest.startswith("亿") else 1e4 if rest.startswith("万") else 1 if rest.startswith(("元", "圆")) else 0
    if not unit and re.search(r"(￥|¥|人民币|RMB)\s*$", text[:text.index(figures[0])]):
        unit = 1
    return round(float(figures[0].replace(",", "")) * unit, 2) if unit else None


def extract(html, title):
    soup = BeautifulSoup(html, "html.parser")
    for tag in soup(["script", "style"]):
        tag.decompose()
    lines = [line.strip() for line in soup.get_text("\n").split("\n") if line.strip()]
    # Sections by "一、" ... in order; "1." blocks inside them.
    entries, section, sub, number, previous = [], "", "", 0, None
    for line in lines:
        h = HEADING.match(line)
        if h and CN.find(h.group(1)[-1]) + 1 == number + 1:
            number, section, sub = number + 1, h.group(2), ""
            line = h.group(2)
        s = SUB.match(line)
        if s:
            sub = s.group(2)
        if previous is not None:  # a label whose value is the next text
            entries.append((previous[0], previous[1], previous[2], line))
            previous = None
            continue
        m = LABEL.match(line)
        if m:
            label = re.sub(r"\s+", "", m.group(1).translate(HALF))
            value = m.group(2).strip()
            if value:
                entries.append((section, sub, label, value))
            else:
                previous = (section, sub, label)
        else:
            entries.append((section, sub, "", line))

    def find(labels, where=lambda sec, sub: True):
        for sec, sb, label, value in entries:
            if label in labels and where(sec, sb):
                return value
        return ""

    def first_date(where):
        for sec, sb, label, value in entries:
            if where(sec, sb) and DATE.search(value.translate(HALF)):
                return value
        return ""

    contact = lambda sec, sub: "联系" in sec
    facts = {}
    facts["project_no"] = find({"项目编号", "采购项目编号", "招标编号"})
    facts["key"] = re.sub(r"\s", "", facts["project_no"].translate(HALF)).upper().replace("（", "(").replace("）", ")")
    facts["name"] = find({"项目名称", "采购项目名称"})
    facts["budget"] = read_money(find({"预算金额", "采购预算"}))
    facts["cap"] = read_money(find({"最高限价", "最高限价(如有)", "最高限价（如有）", "招标控制价"}))
    facts["method"] = find({"采购方式"}) or next((m for m in ("公开招标", "竞争性磋商", "竞争性谈判", "询价") if m in title), "")
    facts["docs"] = read_window(find({"时间"}, lambda sec, sub: "获取" in sec))
    deadline = find({"截止时间", "响应文件提交截止时间"}, lambda sec, sub: "截止" in sec or "提交" in sec) or \
        first_date(lambda sec, sub: "截止" in sec or "提交" in sec)
    facts["deadline"] = read_time(deadline)
    opening = find({"时间", "响应文件开启时间"}, lambda sec, sub: "开启" in sec)
    facts["opening"] = read_time(opening) if opening else facts["deadline"]
    facts["place"] = find({"地点"}, lambda sec, sub: "开标" in sec or "开启" in sec)
    facts["buyer"] = find({"名称"}, lambda sec, sub: contact(sec, sub) and "采购人" in sub)
    facts["buyer_contact"] = find({"联系方式"}, lambda sec, sub: contact(sec, sub) and "采购人" in sub)
    facts["agency"] = find({"名称"}, lambda sec, sub: contact(sec, sub) and "代理" in sub)
    facts["agency_contact"] = find({"联系方式"}, lambda sec, sub: contact(sec, sub) and "代理" in sub)
    facts["person"] = find({"项目联系人"}, contact)
    facts["phone"] = find({"电话"}, lambda sec, sub: contact(sec, sub) and "项目联系" in sub)
    return facts


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        html = f.read()
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    title = re.search(r"<h1>(.*?)</h1>", html).group(1)
    facts = extract(html, title)
    start = time.process_time()
    for _ in range(runs):
        facts = extract(html, title)
    print(f"{(time.process_time() - start) * 1e6 / runs:.1f}")
    print(facts["deadline"], facts["key"], facts["budget"], facts["buyer"])


if __name__ == "__main__":
    main()
