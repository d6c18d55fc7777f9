#!/usr/bin/env python3
"""Writes the benchmark data sets, byte for byte the same for the same seed.

big        one data file of database-like pages (deflate shrinks it about
           3.4 times) with three companion files
small      many small data files, each with two companions
prune      a target folder holding a long series of archives of one data file
bare       a folder of data files without any companion
full       a folder of data files with every companion, named as looked for
config     a configuration file of many job lines
jobs       a configuration file of one job per data file of a folder, all
           into one target folder, as the editor writes when not every
           file is ticked
"""
import argparse
import os
import random
import struct

WORDS = [w.encode() for w in (
    "account balance customer invoice order payment ledger entry supplier "
    "warehouse stock item quantity price discount tax total net gross due "
    "paid open closed pending shipped returned credit debit transfer branch "
    "north south east west central region office manager clerk note memo "
    "january february march april may june july august september october "
    "november december monday tuesday wednesday thursday friday").split()]
NAMES = [w.encode() for w in (
    "Miller Schmidt Novak Rossi Garcia Dubois Jansen Larsen Kowalski Silva "
    "Horvat Nagy Popescu Ivanov Petrov Fischer Weber Wagner Becker Hoffmann").split()]

PAGE = 8192


def page_bytes(rng, number):
    """One page: a header, fixed-width records with repeated fields, some
    random bytes (keys, hashes), and free space filled with zeros."""
    parts = [struct.pack("<IIHH", 0x52505A47, number, 0, 0)]
    size = 12
    record = 0
    while True:
        text = b" ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 7)))
        body = (struct.pack("<IIHI", number * 64 + record, 20240000 + rng.randint(101, 1231),
                            rng.randint(1, 40), rng.randint(0, 999999))
                + rng.choice(NAMES).ljust(16, b" ")
                + rng.randbytes(rng.randint(6, 12))
                + text[:56].ljust(56, b"\0"))
        if size + len(body) + 1024 > PAGE:
            break
        parts.append(body)
        size += len(body)
        record += 1
    parts.append(b"\0" * (PAGE - size))
    return b"".join(parts)


def write_data(path, size, seed):
    rng = random.Random(seed)
    with open(path, "wb") as f:
        written = 0
        number = 0
        while written < size:
            chunk = page_bytes(rng, number)[: size - written]
            f.write(chunk)
            written += len(chunk)
            number += 1


def big(folder, mib):
    os.makedirs(folder, exist_ok=True)
    size = mib * 1024 * 1024
    write_data(os.path.join(folder, "LEDGER.RZT"), size, 1)
    # Three companions of about a sixth of the data file in all, as a
    # database's index, attachment and journal files would be.
    for i, ext in enumerate(("RZD", "RZI", "RZA")):
        write_data(os.path.join(folder, "LEDGER." + ext), size // (12 + 6 * i), 2 + i)


def small(folder, count):
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(7)
    for i in range(count):
        stem = os.path.join(folder, "S%05d" % i)
        write_data(stem + ".RZT", rng.randint(8, 64) * 1024, 100 + 3 * i)
        write_data(stem + ".RZD", rng.randint(4, 32) * 1024, 101 + 3 * i)
        write_data(stem + ".RZI", rng.randint(1, 8) * 1024, 102 + 3 * i)


def bare(folder, count, companions=False):
    os.makedirs(folder, exist_ok=True)
    for i in range(count):
        stem = os.path.join(folder, "B%05d" % i)
        with open(stem + ".RZT", "wb") as f:
            f.write(b"RZT %d\n" % i)
        if companions:
            # Spelled exactly as they are looked for.
            for ext in ("rzd", "rzi", "rza", "rzn", "ktm", "rzm", "rzl", "rzx6", "rzx"):
                with open(stem + "." + ext, "wb") as f:
                    f.write(ext.encode())


def full(folder, count):
    bare(folder, count, companions=True)


def prune(folder, count):
    """A data file and a target folder already holding count archives of it,
    one a minute, all older than any archive made today."""
    os.makedirs(os.path.join(folder, "target"), exist_ok=True)
    with open(os.path.join(folder, "P.RZT"), "wb") as f:
        f.write(b"RZT\n")
    for i in range(count):
        day, minute = divmod(i, 24 * 60)
        year, day = divmod(day, 360)
        name = "P_%04d-%02d-%02d-%02d-%02d-00.RZZ" % (2000 + year, 1 + day // 30, 1 + day % 30,
                                                     minute // 60, minute % 60)
        open(os.path.join(folder, "target", name), "wb").close()


def config(path, lines, source, target):
    with open(path, "w") as f:
        for i in range(lines):
            f.write('"%s/NONE%05d.RZT" "%s" KEEPLAST:%d\r\n' % (source, i, target, 1 + i % 9))


def jobs(path, count, source, target, keep_last):
    """One job line per data file, the first count of source's data files in
    name order, every job into target."""
    names = sorted(n for n in os.listdir(source) if n.upper().endswith(".RZT"))[:count]
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    option = " KEEPLAST:%d" % keep_last if keep_last else ""
    with open(path, "w") as f:
        for name in names:
            f.write('"%s" "%s"%s\r\n' % (os.path.join(source, name), target, option))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kind", choices=["big", "small", "prune", "bare", "full", "config", "jobs"])
    parser.add_argument("folder")
    parser.add_argument("count", type=int, help="MiB for big, files or lines otherwise")
    parser.add_argument("--source", help="jobs: the folder of data files")
    parser.add_argument("--target", help="jobs: the target folder of every job")
    parser.add_argument("--keep-last", type=int, default=0, help="jobs: KEEPLAST of every job (0: none)")
    args = parser.parse_args()
    if args.kind == "config":
        # Sources in an existing, empty folder: every line is parsed and
        # looked up, and none finds a data file.
        folder = os.path.dirname(os.path.abspath(args.folder))
        os.makedirs(os.path.join(folder, "empty"), exist_ok=True)
        config(args.folder, args.count, os.path.join(folder, "empty"), os.path.join(folder, "out") + "/")
    elif args.kind == "jobs":
        if not args.source or not args.target:
            parser.error("jobs needs --source and --target")
        jobs(args.folder, args.count, args.source, args.target, args.keep_last)
    else:
        globals()[args.kind](args.folder, args.count)


if __name__ == "__main__":
    main()
