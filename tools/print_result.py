#!/usr/bin/env python3
"""Prints a Pelorin result file (UTF-16LE, tab-separated, CR LF) as a readable table.

  print_result.py RESULT [--markdown] [--expect FILE]

--expect names a file of lines "Kind<TAB>first text<TAB>second text" (UTF-8; '#' starts a
comment; "*" and "?" match as in shell patterns) that must all be among the results: the
exit status is 1 when one is missing, so the demo doubles as an end-to-end check.
"""
import argparse
import fnmatch
import sys

HEADINGS = ("Kind", "Priority", "Name", "Location")


def read_result(path):
    data = open(path, "rb").read()
    if len(data) % 2:
        raise ValueError("%s: odd length, not UTF-16" % path)
    text = data.decode("utf-16-le")
    rows = []
    for number, line in enumerate(text.split("\r\n"), 1):
        if not line:
            continue
        fields = line.split("\t")
        if len(fields) != 4:
            raise ValueError("%s: line %d has %d columns" % (path, number, len(fields)))
        rows.append(tuple(fields))
    return rows


def table(rows, markdown):
    widths = [max([len(h)] + [len(r[i]) for r in rows]) for i, h in enumerate(HEADINGS)]
    def line(fields):
        cells = [f.ljust(w) for f, w in zip(fields, widths)]
        return ("| " + " | ".join(cells) + " |") if markdown else "  ".join(cells).rstrip()
    out = [line(HEADINGS)]
    out.append(("|" + "|".join("-" * (w + 2) for w in widths) + "|") if markdown
               else "  ".join("-" * w for w in widths))
    out.extend(line(r) for r in rows)
    return "\n".join(out)


def missing_expectations(rows, path):
    missing = []
    for raw in open(path, encoding="utf-8"):
        raw = raw.rstrip("\n")
        if not raw.strip() or raw.lstrip().startswith("#"):
            continue
        kind, first, second = (raw.split("\t") + ["", ""])[:3]
        def matches(r):
            return (r[0] == kind and fnmatch.fnmatchcase(r[2], first)
                    and fnmatch.fnmatchcase(r[3], second))
        if not any(matches(r) for r in rows):
            missing.append(raw)
    return missing


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("result")
    parser.add_argument("--markdown", action="store_true")
    parser.add_argument("--expect")
    args = parser.parse_args()
    try:
        rows = read_result(args.result)
    except (OSError, ValueError, UnicodeDecodeError) as error:
        print("cannot read the result: %s" % error, file=sys.stderr)
        return 2
    print(table(rows, args.markdown))
    print("\n%d differences" % len(rows))
    if args.expect:
        missing = missing_expectations(rows, args.expect)
        for m in missing:
            print("MISSING: " + m.replace("\t", " | "), file=sys.stderr)
        if missing:
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
