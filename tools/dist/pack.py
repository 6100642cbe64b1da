#!/usr/bin/env python3
"""Packs the release zip: the files under one folder, a readme for Windows users and SHA256SUMS,
in the same bytes from the same inputs (fixed times, order and attributes).

    pack.py --version V --readme TEMPLATE --out DIR NAME=PATH...

writes DIR/quorvex-V-windows.zip, whose files sit in quorvex-V/, and the zip's own sum beside it
in DIR/quorvex-V-windows.zip.sha256.
"""
import argparse
import hashlib
import os
import zipfile

# Every file in the zip carries this time: the same commit gives the same zip.
FILE_TIME = (2026, 1, 1, 0, 0, 0)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


# The text files end their lines in CRLF, so that Notepad of every Windows shows their lines.
def windows_text(text):
    return text.replace("\n", "\r\n").encode("ascii")


def readme(template, version):
    with open(template, encoding="utf-8") as f:
        return windows_text(f.read().replace("@VERSION@", version))


def contents(args):
    files = {"README.txt": readme(args.readme, args.version)}
    for pair in args.files:
        name, path = pair.split("=", 1)
        with open(path, "rb") as f:
            files[name] = f.read()
    sums = "".join(f"{sha256(files[name])}  {name}\n" for name in sorted(files))
    files["SHA256SUMS"] = windows_text(sums)
    return files


def write_zip(path, folder, files):
    with zipfile.ZipFile(path, "w") as archive:
        for name in sorted(files):
            info = zipfile.ZipInfo(f"{folder}/{name}", date_time=FILE_TIME)
            info.create_system = 3  # Unix, so the attributes below mean the same everywhere
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, files[name], compresslevel=9)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("files", nargs="+", metavar="NAME=PATH")
    args = parser.parse_args()

    zip_name = f"quorvex-{args.version}-windows.zip"
    zip_path = os.path.join(args.out, zip_name)
    write_zip(zip_path, f"quorvex-{args.version}", contents(args))
    with open(zip_path, "rb") as f:
        digest = sha256(f.read())
    with open(zip_path + ".sha256", "w", encoding="ascii") as f:
        f.write(f"{digest}  {zip_name}\n")
    print(f"{zip_path}: {os.path.getsize(zip_path)} bytes, sha256 {digest}")


if __name__ == "__main__":
    main()
