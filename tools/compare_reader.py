#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Compares the message reader of pelmora-cli with Python's email package.

usage: compare_reader.py [--cli=PATH] [--min=PERCENT] [--misses=N] FOLDER

For every message file under FOLDER (*.eml, *.nws):

- body: the text `pelmora-cli show --format=json` gives is compared with
  the part get_body(('plain', 'html')) returns (policy default), decoded
  strictly with its charset. Messages without such a part, with a charset
  Python does not know, or whose bytes do not decode in it are left out and
  counted by reason. Line ends and blanks at line ends do not count; a
  format=flowed text is joined first (RFC 3676), as the reader joins it.
- attachments: the files `pelmora-cli extract` writes are compared, as a
  multiset of contents, with the decoded payloads of iter_attachments().
  Python yields only the direct parts of the top-level multipart, so what
  it leaves whole is followed by the same rule (see followed()); a message
  part (message/rfc822, delivery status) is its body as Python writes it
  again, so when the exact contents differ both sides are compared once
  more with every blank and line end set aside.

Where the attachments differ, the difference is put down to one of the
reader's own rules when it is one (why_different()): a message of one part
that is no text is an attachment, and every text part of a multipart/mixed
but the body is one (Python passes over the first text/plain and text/html
of each multipart).

Prints both agreement figures, the share of attachment lists that agree or
differ only by those rules, and the first misses; the exit status is 0 when
the body figure and that share reach --min (default 98), 1 when one does
not, 77 when FOLDER does not exist (ctest reads that as skipped).
"""

import argparse
import collections
import concurrent.futures
import email
import email.generator
import email.policy
import hashlib
import io
import json
import os
import subprocess
import sys
import tempfile

# Python's Japanese codecs map these JIS codes to other characters than
# code page 932 does, which the reader uses as the list and the search do:
# the same text either way.
JIS_AS_CP932 = str.maketrans({'\u301c': '\uff5e', '\u2016': '\u2225', '\u2212': '\uff0d', '\u00a2': '\uffe0',
                              '\u00a3': '\uffe1', '\u00ac': '\uffe2', '\u2014': '\u2015'})
JAPANESE = ('iso-2022-jp', 'iso2022', 'shift', 'sjis', 'x-sjis', 'euc-jp', 'euc_jp', 'x-euc-jp', 'cp932', 'windows-31j')


def normalised(text):
    lines = [line.rstrip() for line in text.replace('\r\n', '\n').replace('\r', '\n').split('\n')]
    while lines and not lines[-1]:
        lines.pop()
    return '\n'.join(lines)


def unflowed(text, delsp):
    """RFC 3676 4.2: a line ending in a blank continues on the next one."""
    out, pending = [], None
    for line in text.replace('\r\n', '\n').split('\n'):
        quote = len(line) - len(line.lstrip('>'))
        body = line[quote:]
        if body.startswith(' '):
            body = body[1:]
        flows = body.endswith(' ') and body != '-- '
        if flows and delsp:
            body = body[:-1]
        if pending is not None and pending[0] == quote:
            body = pending[1] + body
        elif pending is not None:
            out.append('>' * pending[0] + (' ' if pending[0] else '') + pending[1])
        pending = None
        if flows:
            pending = (quote, body)
            continue
        out.append('>' * quote + (' ' if quote else '') + body)
    if pending is not None:
        out.append('>' * pending[0] + (' ' if pending[0] else '') + pending[1])
    return '\n'.join(out)


def japanese_label(part):
    return part.get_content_charset('').lower().startswith(JAPANESE)


def expected_body(message):
    """(type, text) of the body, or (None, reason) when it is left out."""
    try:
        part = message.get_body(('plain', 'html'))
    except Exception:
        return None, 'python failed'
    if part is None:
        return None, 'no text body'
    raw = part.get_payload(decode=True) or b''
    charset = part.get_content_charset('us-ascii')
    try:
        text = raw.decode(charset)
    except LookupError:
        return None, 'charset unknown to python'
    except UnicodeDecodeError:
        return None, 'bytes not in the charset'
    if japanese_label(part):
        text = text.translate(JIS_AS_CP932)
    if part.get_content_type() == 'text/plain' and part.get_param('format', '').lower() == 'flowed':
        text = unflowed(text, part.get_param('delsp', '').lower() == 'yes')
    return part.get_content_type(), text


def message_part_body(part):
    """The body of a message/* part as Python writes it again: the embedded
    message of message/rfc822, the field blocks of the others."""
    out = io.BytesIO()
    generator = email.generator.BytesGenerator(out, mangle_from_=False, maxheaderlen=0,
                                               policy=email.policy.compat32)
    if part.get_content_type() == 'message/rfc822' and part.is_multipart():
        generator.flatten(part.get_payload(0))
        return out.getvalue()
    generator.flatten(part)
    data = out.getvalue()
    cut = data.find(b'\n\n')
    return data[cut + 2:] if cut >= 0 else b''


def payload(part):
    if part.get_content_maintype() == 'message':
        return message_part_body(part)
    return part.get_payload(decode=True) or b''


def followed(part, body):
    """iter_attachments() of part, followed into what it leaves whole: a
    multipart it yields, and the multipart/related it passes over as the
    body's container, each by iter_attachments() again. The body itself is
    never an attachment."""
    taken = []
    for sub in part.iter_attachments():
        taken.append(sub)
        if sub is body:
            continue
        if sub.get_content_maintype() == 'multipart':
            yield from followed(sub, body)
        else:
            yield sub
    if part.get_content_type() in ('multipart/alternative', 'multipart/related') or not part.is_multipart():
        return
    for sub in part.iter_parts():
        if sub.get_content_type() == 'multipart/related' and all(sub is not t for t in taken):
            yield from followed(sub, body)
            break


def expected_attachments(message):
    try:
        body = message.get_body(('plain', 'html'))
        return [payload(part) for part in followed(message, body)]
    except Exception:
        return None


def loose(data):
    """Every blank and line end set aside: Python writes a message part
    again with its own folding and spacing, and without a mailbox's
    "From " line before its header."""
    if data.startswith(b'From '):
        data = data[data.find(b'\n') + 1:] if b'\n' in data else b''
    return bytes(b for b in data if b not in b' \t\r\n')


def digests(items, form):
    return collections.Counter(hashlib.sha256(form(x)).hexdigest() for x in items)


def same_contents(ours, theirs):
    return digests(ours, bytes) == digests(theirs, bytes) or digests(ours, loose) == digests(theirs, loose)


def inline_texts(message):
    """The text/plain and text/html parts not marked as attachments."""
    return [part.get_payload(decode=True) or b'' for part in message.walk()
            if part.get_content_type() in ('text/plain', 'text/html') and not part.is_attachment()]


def why_different(message, ours, theirs):
    """The reader's own rule behind a difference, or None. A message that
    is one part but no text is one attachment to the reader and none to
    Python; in a multipart/mixed every text part but the body is one to the
    reader, while Python passes over the first text/plain and text/html of
    each multipart as if each were a body."""
    if message.get_content_maintype() != 'multipart' and not theirs and len(ours) == 1:
        return 'a single-part message that is no text'
    extra = digests(ours, loose) - digests(theirs, loose)
    if not digests(theirs, loose) - digests(ours, loose) and not extra - digests(inline_texts(message), loose):
        return 'text parts beside the body'
    return None


def run_show(cli, path):
    result = subprocess.run([cli, 'show', '--format=json', path], capture_output=True)
    try:
        return json.loads(result.stdout.decode('utf-8'))
    except ValueError:
        return None


def run_extract(cli, files, scratch):
    """{file: [contents]} of what extract writes for files of one folder."""
    os.makedirs(scratch)
    result = subprocess.run([cli, 'extract', '--yes', '-o', scratch] + files, capture_output=True)
    found = {f: [] for f in files}
    by_folder = {}
    for f in files:
        name = os.path.basename(f)
        by_folder[name] = f
        by_folder.setdefault(os.path.splitext(name)[0], f)
    for line in result.stdout.decode('utf-8', 'replace').splitlines():
        written = os.path.join(scratch, line) if not os.path.isabs(line) else line
        if not os.path.isfile(written):
            continue
        owner = files[0] if len(files) == 1 else by_folder.get(
            os.path.basename(os.path.dirname(written)))
        if owner is not None:
            with open(written, 'rb') as data:
                found[owner].append(data.read())
    return found


def message_files(folder):
    grouped = collections.defaultdict(list)
    for directory, _, names in os.walk(folder):
        for name in sorted(names):
            if name.lower().endswith(('.eml', '.nws')):
                grouped[directory].append(os.path.join(directory, name))
    return grouped


def compare_body(message, ours):
    """True or False, or the reason the message is left out."""
    kind, text = expected_body(message)
    if kind is None:
        return text
    our_text = (ours or {}).get('body', '')
    if japanese_label(message.get_body(('plain', 'html'))):
        our_text = our_text.translate(JIS_AS_CP932)
    return ours is not None and ours.get('body_type', '').lower() == kind and normalised(our_text) == normalised(text)


def share(part, whole):
    return 100.0 * part / max(whole, 1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--cli', default='pelmora-cli')
    parser.add_argument('--min', type=float, default=98.0)
    parser.add_argument('--misses', type=int, default=15)
    parser.add_argument('folder')
    args = parser.parse_args()
    if not os.path.isdir(args.folder):
        print(f'{args.folder}: no such folder, nothing compared')
        return 77

    grouped = message_files(args.folder)
    files = [f for group in grouped.values() for f in group]
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        shown = dict(zip(files, pool.map(lambda f: run_show(args.cli, f), files)))
    with tempfile.TemporaryDirectory() as scratch:
        extracted = {}
        for index, group in enumerate(grouped.values()):
            extracted.update(run_extract(args.cli, group, os.path.join(scratch, str(index))))

    left_out, reasons = collections.Counter(), collections.Counter()
    body_agree, body_total, body_misses = 0, 0, []
    attach_agree, attach_total, attach_misses = 0, 0, []
    for path in files:
        with open(path, 'rb') as data:
            message = email.message_from_binary_file(data, policy=email.policy.default)
        verdict = compare_body(message, shown[path])
        if isinstance(verdict, str):
            left_out[verdict] += 1
        else:
            body_total += 1
            body_agree += verdict
            if not verdict:
                body_misses.append(path)
        theirs = expected_attachments(message)
        if theirs is None:
            left_out['attachments: python failed'] += 1
            continue
        ours = extracted.get(path, [])
        attach_total += 1
        if same_contents(ours, theirs):
            attach_agree += 1
            continue
        reason = why_different(message, ours, theirs)
        reasons[reason or 'other'] += 1
        if reason is None:
            attach_misses.append((path, len(theirs), len(ours)))

    rel = lambda p: os.path.relpath(p, args.folder)
    body_share, attach_share = share(body_agree, body_total), share(attach_agree, attach_total)
    print(f'{len(files)} messages')
    print(f'body text: {body_agree} of {body_total} agree ({body_share:.1f} %)')
    for reason, count in sorted(left_out.items()):
        print(f'  left out, {reason}: {count}')
    for path in body_misses[:args.misses]:
        print(f'  differs: {rel(path)}')
    print(f'attachments: {attach_agree} of {attach_total} agree ({attach_share:.1f} %)')
    for reason, count in sorted(reasons.items()):
        print(f'  differ, {reason}: {count}')
    by_rule = attach_total - reasons['other']
    print(f'  agree or differ by the reader\'s rules: {by_rule} ({share(by_rule, attach_total):.1f} %)')
    for path, their_count, our_count in attach_misses[:args.misses]:
        print(f'  differs: {rel(path)} (python {their_count}, ours {our_count})')
    return 0 if body_share >= args.min and share(by_rule, attach_total) >= args.min else 1


if __name__ == '__main__':
    sys.exit(main())
