#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz harnesses that need real-shaped files.

Run from the repository root: tools/make_fuzz_seeds.py. The same run always writes the same bytes
(fixed random seed), so the seeds in fuzz/corpus/ can be regenerated and compared.

issue_master: Regist.Mei files in CP932 with CR LF: a header (date item and count), several hundred
issue lines over every market, and the lines that matter at the edges: the indices 1001 and 1002,
codes 1 and 9999, names with blanks around them, half-width kana, names longer than Mei keeps, empty
lines, a count split onto its own line, a quoted header item, a code repeated with a new name, more
lines than the count, and a file cut short of its count.
"""
import os
import random

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")

HEADS = ["北海", "東洋", "日本", "中央", "大和", "三協", "新光", "富士", "第一", "昭和", "平和", "明治",
         "山陽", "ｹｽﾄﾚﾙ", "ﾌﾟﾗﾝ", "アルファ", "極洋", "東邦", "関西", "九州"]
TAILS = ["工業", "電機", "化学", "商事", "建設", "製薬", "物産", "精工", "紡績", "食品", "運輸", "証券",
         "ﾃｸﾉ", "興産", "鉄鋼", "ホールディングス", "銀行", "水産", "ガス", "電力"]


def crlf(lines):
    return "".join(line + "\r\n" for line in lines).encode("cp932")


def issue_lines(rng, count, first=1301, last=9997):
    codes = sorted(rng.sample(range(first, last + 1), count))
    lines = []
    for code in codes:
        market = rng.choice([1, 1, 1, 1, 2, 2, 3, 3, 4, 5, 6])
        name = rng.choice(HEADS) + rng.choice(TAILS)
        volume_unit = rng.choice([1, 10, 100, 1000, 1000, 1000])
        price_unit = rng.choice([1, 1, 1, 1, 10])
        lines.append(f"{code},{market},{name},{volume_unit},{price_unit}")
    return lines


def write(folder, name, data):
    path = os.path.join(ROOT, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as f:
        f.write(data)


def issue_master(rng):
    # A plain file of about four hundred issues with the two indices first.
    body = ["1001,1,日経平均,1,1", "1002,1,ＴＯＰＩＸ,1,1"] + issue_lines(rng, 400)
    write("issue_master", "regist_400.mei", crlf([f"20260105,{len(body)}"] + body))

    # The edges: codes 1 and 9999, blanks around a name, kana, a name longer than Mei keeps, empty
    # lines (not counted), zero and large units, a repeated code with a new market and name.
    edge = issue_lines(rng, 250, 1301, 4999)
    edge[10:10] = ["", ""]
    edge += [
        "1,6,最小コード,1,1",
        "9999,6,最大コード,1000,1",
        "7203,1,  前後に空白  ,100,1",
        "7204,2,ｶﾌﾞｼｷｶﾞｲｼｬﾊﾝｶｸｶﾅ,1000,10",
        "7205,3,とても長い銘柄名でありまして二十文字を超えてしまう会社,1000,1",
        "7206,4,単位ゼロ,0,0",
        "7207,5,大きな単位,2147483647,32767",
        "7203,5,名前が変わった,100,1",
        "",
        "7208,1,,1000,1",
    ]
    count = sum(1 for line in edge if line)
    write("issue_master", "regist_edges.mei", crlf([f"20260106,{count}"] + edge))

    # Header variants: the count on its own line, a quoted date item holding a comma, and fewer in
    # the count than there are lines (all lines still import).
    split = issue_lines(rng, 150, 5000, 9997)
    write("issue_master", "regist_count_line.mei", crlf(["20260107", str(len(split))] + split))
    quoted = issue_lines(rng, 120)
    write("issue_master", "regist_quoted.mei", crlf(['"20260108,銘柄一覧",' + str(len(quoted) - 20)] + quoted))

    # Cut short: the header promises more issues than the file holds (refused, the file kept).
    cut = issue_lines(rng, 200)
    write("issue_master", "regist_cut.mei", crlf([f"20260109,{2 * len(cut)}"] + cut))


def jquants_page():
    pages = {
        "master.json": '{"data": [{"Date": "2024-01-05", "Code": "13010", "CoName": "極洋", "MktNm": "プライム",'
                       ' "Mkt": "0111"}, {"Code": "130A0", "CoName": "英字", "Mkt": "0112"}]}',
        "topix.json": '{"data": [{"Date": "2024-01-05", "O": 2400.5, "H": 2410.25, "L": 2390, "C": 2405}],'
                      ' "pagination_key": ""}',
        "margin.json": '{"data": [{"Date": "2024-01-05", "Code": "72030", "LongVol": 120000, "ShrtVol": 3400}]}',
        "bars_null.json": '{"data": [{"Date": "2024-01-05", "Code": "72030", "O": null, "H": null, "L": null,'
                          ' "C": null, "Vo": null, "AdjFactor": 1.0}]}',
    }
    for name, text in pages.items():
        write("jquants_page", name, text.encode("utf-8"))


def small_seeds():
    # Board text files, issue list files, a quote page row, Plover.ini and a source's day CSV.
    write("board_files", "board.A", crlf(["1,1301,1,極洋", "1,7203,1,トヨタ自動車", "2,9984,1,ｿﾌﾄ"]))
    write("board_files", "empty.B", b"\r\n")
    write("list_files", "list.Lis", crlf(["1301", "7203,ＸＹＺ", "abc", "", "9999"]))
    write("quote_page", "row.html", (
        '<html>チャート<table><tr><td nowrap align=left><a href="/q?s=7203">7203</a></td>'
        '<td nowrap><small>15:00</small></td><td nowrap><b>1,234</b></td>'
        '<td nowrap><font color=red>+12</font></td><td nowrap><font color=red>+0.98%</font></td>'
        '<td nowrap>1,234,000</td><td>チャート</td></tr></table></html>').encode("utf-8"))
    write("plover_ini", "Plover.ini", crlf([
        "[download]", "URLTitle1=株価データ情報", "URL1=http://kabudata.example/kabu.htm",
        "URLDATA1=http://kabudata.example/kabudata/", 'URLDATA3="C:\\Program Files\\SPG\\spg.exe" -b',
        "SetNo=2", "Check1=0", "Version=1.0.0", "[other]", "URL1=x"]))
    write("converter_csv", "20260105.csv", crlf([
        "日付,コード,銘柄,始値,高値,安値,終値,出来高",
        '2026/01/05,"1301",極洋,3020,3100,3010,3090,20000',
        "20260105,1001,日経平均,33000.5,33100.25,32900,33050.75,12345678",
        "2026/01/05, 7203 ,トヨタ, 1234.5 ,1250,1200,1240,52000,余り",
        "2026/01/05,abcd,不明,1,1,1,1,1"]))


def main():
    rng = random.Random(20260105)
    issue_master(rng)
    jquants_page()
    small_seeds()


if __name__ == "__main__":
    main()
