#!/usr/bin/env python3
"""Builds an update folder of this project's own release, as the slicer's updater reads it.

    tools/update-server/make_update_package.py --programs build/release --out /tmp/updates --build 7971

writes /tmp/updates/update/win_dx/ with
    version        the build number, a decimal integer
    description    the release notes (--notes FILE; by default the subjects of the last commits)
    content        a tarball of the built programs followed by the CRC-32 of the tarball
                   (IEEE 802.3, as zlib computes it) as a little-endian u32
    download.html  the page the slicer opens after a verified download, linking the plain tarball
    tessaline-<build>.tar.gz  that tarball without the trailer

The build number defaults to the one in Tessaline/CMakeLists.txt (the running slicer's own, so the
slicer finds itself up to date); give a higher one with --build to see the updater offer it.
Serve the folder with serve_updates.py and start the slicer with
    TESSALINE_UPDATE_SERVER=http://127.0.0.1:8000/update/win_dx/ build/release/Tessaline/Tessaline
"""

import argparse
import html
import io
import pathlib
import re
import struct
import subprocess
import sys
import tarfile
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
PROGRAMS = ["Tessaline/Tessaline", "Spoolwatch/Spoolwatch", "Tessaline/cli/tessaline-cli"]


def release_numbers():
    text = (ROOT / "Tessaline" / "CMakeLists.txt").read_text()
    match = re.search(r"program_version\(Tessaline NUMBER (\S+) BUILD (\d+)", text)
    if not match:
        sys.exit("no program_version(Tessaline ...) line in Tessaline/CMakeLists.txt")
    return match.group(1), int(match.group(2))


def default_notes(build):
    subjects = subprocess.run(["git", "-C", str(ROOT), "log", "--format=- %s", "-15"],
                              capture_output=True, text=True, check=False).stdout
    return f"Tessaline build {build}\n\n{subjects}"


def program_tarball(programs_dir, folder):
    found = [programs_dir / p for p in PROGRAMS if (programs_dir / p).is_file()]
    if not found:
        sys.exit(f"no built program under {programs_dir} (looked for {', '.join(PROGRAMS)})")
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w:gz") as tar:
        for path in found:
            tar.add(path, arcname=f"{folder}/{path.name}")
    return buffer.getvalue()


def download_page(number, build, notes, tarball_name):
    return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Tessaline {number} build {build}</title></head>
<body>
<h1>Tessaline {number} build {build}</h1>
<p><a href="{tarball_name}">Download {tarball_name}</a></p>
<pre>{html.escape(notes)}</pre>
</body></html>
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--programs", type=pathlib.Path, default=ROOT / "build" / "release",
                        help="build folder holding the programs (default: build/release)")
    parser.add_argument("--out", type=pathlib.Path, required=True, help="server root to write into")
    parser.add_argument("--build", type=int, help="build number to announce (default: this release's)")
    parser.add_argument("--notes", type=pathlib.Path, help="release notes, UTF-8 text")
    args = parser.parse_args()

    number, own_build = release_numbers()
    build = args.build if args.build is not None else own_build
    notes = args.notes.read_text(encoding="utf-8") if args.notes else default_notes(build)

    tarball_name = f"tessaline-{build}.tar.gz"
    tarball = program_tarball(args.programs, f"tessaline-{number}-{build}")
    folder = args.out / "update" / "win_dx"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "version").write_text(f"{build}\n")
    (folder / "description").write_text(notes, encoding="utf-8")
    (folder / "content").write_bytes(tarball + struct.pack("<I", zlib.crc32(tarball)))
    (folder / tarball_name).write_bytes(tarball)
    (folder / "download.html").write_text(download_page(number, build, notes, tarball_name), encoding="utf-8")
    print(f"{folder}: build {build}, content {len(tarball) + 4} bytes")


if __name__ == "__main__":
    main()
