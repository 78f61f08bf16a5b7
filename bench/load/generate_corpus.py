#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a deterministic folder of N message files for the load benchmark.

The mix follows what Japanese mail folders hold: ISO-2022-JP encoded words
and bodies, UTF-8 encoded words (B and Q), multipart/mixed messages with one
or two base64 attachments, a few multipart/report bounces and
multipart/alternative messages, folded headers, one to three Received
headers, CRLF and LF line ends, and exact copies of earlier messages. The
same N and seed always give the same bytes.

usage: generate_corpus.py N FOLDER [--seed=S]
"""
import base64
import os
import random
import sys

FAMILY = ["山田", "佐藤", "鈴木", "高橋", "田中", "渡辺", "伊藤", "中村", "小林", "加藤"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健", "由美", "翔太", "陽子"]
TOPICS = ["定例会議の日程について", "お見積りのご依頼", "出荷予定のお知らせ", "経費精算の締め日",
          "新規受注のお知らせ", "サーバ停止のお知らせ", "納品日の変更", "展示会の準備", "議事録の送付",
          "請求書在中", "年末年始の営業について", "パスワード変更のお願い"]
ASCII_TOPICS = ["Weekly report", "Build failed on main", "Lunch on Friday?", "Re: invoice 2024-113",
                "Your order has shipped", "Meeting notes", "[list] release candidate 3"]
BODY_JA = "いつもお世話になっております。\nご確認のほど、よろしくお願いいたします。\n"
BODY_EN = "Hello,\n\nplease find the details below. Thanks for your patience.\n"


def b_word(text, charset):
    raw = text.encode("iso2022_jp" if charset == "ISO-2022-JP" else "utf-8")
    return "=?%s?B?%s?=" % (charset, base64.b64encode(raw).decode("ascii"))


def q_word(text):
    out = []
    for byte in text.encode("utf-8"):
        c = chr(byte)
        if c.isalnum() and byte < 128:
            out.append(c)
        elif c == " ":
            out.append("_")
        else:
            out.append("=%02X" % byte)
    return "=?UTF-8?Q?%s?=" % "".join(out)


def person(rng):
    return rng.choice(FAMILY) + " " + rng.choice(GIVEN)


def address(rng):
    return "user%d@%s.example.jp" % (rng.randrange(500), rng.choice(["alpha", "beta", "gamma", "delta"]))


def rfc_date(rng):
    days = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
    months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
    return "%s, %d %s %d %02d:%02d:%02d +0900" % (
        rng.choice(days), rng.randrange(1, 29), rng.choice(months), rng.randrange(2005, 2025),
        rng.randrange(24), rng.randrange(60), rng.randrange(60))


def header_block(rng, i, kind):
    charset = "ISO-2022-JP" if kind in ("jis", "mixed") else "UTF-8"
    date = rfc_date(rng)
    lines = []
    for hop in range(rng.randrange(1, 4)):
        lines.append("Received: from mx%d.example.jp (mx%d.example.jp [192.0.2.%d])" % (hop, hop, hop + 1))
        lines.append("\tby mail.example.jp with ESMTP id %08X;" % rng.randrange(1 << 32))
        lines.append("\t" + date)
    if kind == "ascii":
        lines.append("From: \"%s\" <%s>" % ("Taro Example", address(rng)))
        lines.append("Subject: " + rng.choice(ASCII_TOPICS))
    else:
        word = b_word if charset == "ISO-2022-JP" or rng.random() < 0.5 else (lambda t, c: q_word(t))
        lines.append("From: %s <%s>" % (word(person(rng), charset), address(rng)))
        subject = rng.choice(TOPICS) + "（第%d報）" % rng.randrange(1, 9)
        # Long subjects are folded between two encoded words.
        lines.append("Subject: " + word(subject[:6], charset))
        lines.append(" " + word(subject[6:], charset))
    recipients = ["%s <%s>" % (b_word(person(rng), charset), address(rng)) for _ in range(rng.randrange(1, 4))]
    lines.append("To: " + recipients[0] + ("," if len(recipients) > 1 else ""))
    for k, recipient in enumerate(recipients[1:], start=2):
        lines.append("\t" + recipient + ("," if k < len(recipients) else ""))
    lines.append("Date: " + date)
    lines.append("Message-ID: <%d.%08x@mail.example.jp>" % (i, rng.randrange(1 << 32)))
    lines.append("MIME-Version: 1.0")
    return lines


def text_body(kind):
    if kind == "ascii":
        return BODY_EN * 3
    return (BODY_JA * 4).encode("iso2022_jp").decode("latin-1") if kind != "utf8" else BODY_JA * 4


def attachment(rng, name):
    data = rng.randbytes(rng.randrange(2000, 16000))
    encoded = base64.b64encode(data).decode("ascii")
    lines = [encoded[k:k + 76] for k in range(0, len(encoded), 76)]
    return ["Content-Type: application/octet-stream; name=\"%s\"" % name,
            "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment; filename=\"%s\"" % name, ""] + lines


def message(rng, i):
    roll = rng.random()
    kind = "jis" if roll < 0.4 else "utf8" if roll < 0.7 else "mixed" if roll < 0.9 else "ascii"
    lines = header_block(rng, i, kind)
    if kind == "mixed":
        boundary = "----=_Part_%d_%08x" % (i, rng.randrange(1 << 32))
        subtype = "report; report-type=delivery-status" if rng.random() < 0.05 else "mixed"
        lines.append("Content-Type: multipart/%s;" % subtype)
        lines.append("\tboundary=\"%s\"" % boundary)
        lines += ["", "This is a multi-part message in MIME format.", "", "--" + boundary,
                  "Content-Type: text/plain; charset=ISO-2022-JP", "Content-Transfer-Encoding: 7bit", ""]
        lines += text_body(kind).split("\n")
        for k in range(rng.randrange(1, 3)):
            lines.append("--" + boundary)
            lines += attachment(rng, "file%d.bin" % k)
        lines.append("--" + boundary + "--")
    elif kind == "utf8" and rng.random() < 0.2:
        boundary = "alt_%08x" % rng.randrange(1 << 32)
        lines += ["Content-Type: multipart/alternative; boundary=\"%s\"" % boundary, "", "--" + boundary,
                  "Content-Type: text/plain; charset=UTF-8", ""] + text_body(kind).split("\n")
        lines += ["--" + boundary, "Content-Type: text/html; charset=UTF-8", "",
                  "<html><body><p>" + BODY_JA + "</p></body></html>", "--" + boundary + "--"]
    else:
        charset = {"jis": "ISO-2022-JP", "utf8": "UTF-8", "ascii": "US-ASCII"}[kind]
        lines += ["Content-Type: text/plain; charset=" + charset, "Content-Transfer-Encoding: 7bit"
                  if kind != "utf8" else "Content-Transfer-Encoding: 8bit", ""]
        lines += text_body(kind).split("\n")
    end = "\r\n" if rng.random() < 0.5 else "\n"
    return end.join(lines).encode("utf-8" if kind == "utf8" else "latin-1", errors="replace") + end.encode()


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    seed = 20240601
    for a in sys.argv[1:]:
        if a.startswith("--seed="):
            seed = int(a[7:])
    if len(args) != 2:
        sys.stderr.write(__doc__)
        return 2
    count, folder = int(args[0]), args[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(seed)
    written = []
    for i in range(count):
        # About 3% are exact copies of an earlier message (same file bytes).
        if written and rng.random() < 0.03:
            data = written[rng.randrange(len(written))]
        else:
            data = message(rng, i)
            if len(written) < 2000:
                written.append(data)
        with open(os.path.join(folder, "m%06d.eml" % i), "wb") as out:
            out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
