#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks `pelmora-cli strip --keep-record` against the plain strip.

usage: check_strip_record.py [--cli=PATH] FOLDER

Every message under FOLDER is copied twice into a temporary folder, with a
temporary HOME and XDG folders so that the trash is a throwaway one too;
one copy goes through `strip --yes`, the other through `strip --yes
--keep-record`. For each message the plain strip rewrote:

- Python's email package parses the result with no defect the original
  did not have;
- every part after the first of the original (as Python splits it) is a
  text/x-moz-deleted part in the result, in the same place, named
  "Deleted: " + the name the original part carried (a part already of that
  type is unchanged; an empty part, with neither header nor text, has none);
- the result begins with the plain result's bytes up to its closing
  delimiter, so the header and the first part are the same bytes;
- a second `strip --yes --keep-record` leaves every file as it was.

Prints the figures and the first misses; exit status 0 when nothing was
missed, 1 otherwise, 77 when FOLDER does not exist.
"""

import argparse
import email
import email.parser
import email.policy
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile


def parse(data):
    return email.parser.BytesParser(policy=email.policy.compat32).parsebytes(data)


def defects(message):
    found = set()
    for part in message.walk():
        for defect in part.defects:
            found.add(type(defect).__name__)
    return found


def unfolded(name):
    """A name as RFC 5322 unfolds it, its quoted pairs undone (Python keeps
    both the line ends of a folded name and the backslashes)."""
    if name is None:
        return None
    return name.replace("\r\n", "").replace("\n", "").replace("\\", "")


def empty(part):
    return not part.keys() and not part.is_multipart() and not part.get_payload().strip()


def check(original, plain, record):
    """The problems of one message, as texts."""
    problems = []
    before = parse(original)
    after = parse(record)
    new = defects(after) - defects(before)
    if new:
        problems.append("new defects: " + ", ".join(sorted(new)))

    closing = plain.rstrip(b"\r\n").rsplit(b"\n", 1)[-1].strip()
    boundary = closing[2:-2]
    head = plain[: len(plain) - len(closing) - 2]
    if record != plain and not record.startswith(head + b"--" + boundary + b"\r\n"):
        problems.append("first part differs from the plain strip's")

    if not before.is_multipart():
        # Python does not split it (a byte order mark before the header, a
        # broken field): nothing to match the records with.
        return problems, None
    # A part with neither header nor text (two delimiters in a row, or a
    # last delimiter that is not the closing one) leaves no record.
    removed = [part for part in before.get_payload()[1:] if not empty(part)]
    records = after.get_payload()[1:]
    if len(removed) != len(records):
        problems.append(f"{len(removed)} parts after the first, {len(records)} records")
        return problems, 0
    for part, kept in zip(removed, records):
        if kept.get_content_type() != "text/x-moz-deleted":
            problems.append("a later part is " + kept.get_content_type())
            continue
        if part.get_content_type() == "text/x-moz-deleted":
            if part.as_bytes() != kept.as_bytes():
                problems.append("an earlier record changed")
            continue
        name = unfolded(part.get_filename())
        got = unfolded(kept.get_filename()) or ""
        if name and got != "Deleted: " + name:
            problems.append(f"record named {got!r} for {name!r}")
        elif not name and not got.startswith("Deleted: "):
            problems.append(f"nameless part's record named {got!r}")
    return problems, len(records)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default="build/ci/src/cli/pelmora-cli")
    parser.add_argument("folder")
    args = parser.parse_args()
    source = pathlib.Path(args.folder)
    if not source.is_dir():
        print(f"{source}: no such folder")
        return 77
    cli = os.path.abspath(args.cli)

    with tempfile.TemporaryDirectory() as temp:
        temp = pathlib.Path(temp)
        env = dict(os.environ)
        for key, sub in (("HOME", "home"), ("XDG_DATA_HOME", "data"), ("XDG_CONFIG_HOME", "config"),
                         ("XDG_CACHE_HOME", "cache")):
            (temp / sub).mkdir()
            env[key] = str(temp / sub)
        files = sorted(p.relative_to(source) for p in source.rglob("*.eml") if p.is_file())
        for copy in ("plain", "record"):
            for name in files:
                target = temp / copy / name
                target.parent.mkdir(parents=True, exist_ok=True)
                shutil.copyfile(source / name, target)
            folders = sorted({str(temp / copy / name.parent) for name in files})
            command = [cli, "strip", "--yes"] + (["--keep-record"] if copy == "record" else []) + folders
            subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           check=False)
        # A second removal with records changes nothing.
        once = {name: (temp / "record" / name).read_bytes() for name in files}
        subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        changed = [name for name in files if (temp / "record" / name).read_bytes() != once[name]]

        stripped = records = unsplit = 0
        missed = []
        for name in files:
            original = (source / name).read_bytes()
            plain = (temp / "plain" / name).read_bytes()
            if plain == original:
                continue
            stripped += 1
            problems, count = check(original, plain, (temp / "record" / name).read_bytes())
            if count is None:
                unsplit += 1
            else:
                records += count
            if problems:
                missed.append((name, problems))

    print(f"messages: {len(files)}, stripped: {stripped}, records checked: {records}, "
          f"not split by Python (names not checked): {unsplit}, messages with problems: {len(missed)}, "
          f"changed by a second --keep-record: {len(changed)}")
    for name in changed[:20]:
        print(f"  {name}: changed again")
    for name, problems in missed[:20]:
        print(f"  {name}: {'; '.join(problems)}")
    return 1 if missed or changed else 0


if __name__ == "__main__":
    sys.exit(main())
