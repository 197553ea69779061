#!/usr/bin/env python3
"""The Windows zip: built with cpack into a scratch folder, it holds the
program, README.txt and LICENSE.txt in one folder; the README is the text
for Windows users with the version filled in, the licence is LICENSE, both
with CR LF line ends, and the program is stripped and carries its icon and
a version resource with the project's version.

Usage: zip_package_e2e.py CPACK BUILD_DIR VERSION WINDOWS_README LICENSE
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import quorvant_harness as qh  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16
FIXED_FILE_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def build_package(cpack, build_dir, scratch):
    out = os.path.join(scratch, "out")
    subprocess.run([cpack, "--config", os.path.join(build_dir, "CPackConfig.cmake"), "-G", "ZIP",
                    "-B", out], check=True, capture_output=True, cwd=scratch)
    zips = [name for name in os.listdir(out) if name.endswith(".zip")]
    qh.check(len(zips) == 1, "cpack made %r" % zips)
    return os.path.join(out, zips[0])


def sections(image):
    """{name: (virtual address, raw offset, raw size)} and the COFF symbol
    count of a PE image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    qh.check(image[pe:pe + 4] == b"PE\0\0", "no PE header")
    _machine, count, _stamp, _symbol_table, symbols, optional_size = struct.unpack_from(
        "<HHIIIH", image, pe + 4)
    table = pe + 24 + optional_size
    result = {}
    for i in range(count):
        name, _vsize, vaddr, rsize, roffset = struct.unpack_from("<8sIIII", image, table + 40 * i)
        result[name.rstrip(b"\0").decode()] = (vaddr, roffset, rsize)
    return result, symbols


def resource_types(image, rsrc):
    """The numeric resource types at the top of the resource tree."""
    _vaddr, offset, _size = rsrc
    named, numbered = struct.unpack_from("<HH", image, offset + 12)
    entries = offset + 16 + 8 * named
    return {struct.unpack_from("<I", image, entries + 8 * i)[0] for i in range(numbered)}


def check_program(image, version):
    found, symbols = sections(image)
    qh.check(symbols == 0 and not any(name.startswith(".debug") for name in found),
             "the program is not stripped: %d symbols, sections %s" % (symbols, sorted(found)))
    qh.check(".rsrc" in found, "the program has no resources")
    types = resource_types(image, found[".rsrc"])
    qh.check({RT_ICON, RT_GROUP_ICON, RT_VERSION} <= types, "resource types %s" % sorted(types))

    major, minor = (int(part) for part in version.split("."))
    at = image.find(FIXED_FILE_INFO_SIGNATURE)
    qh.check(at >= 0, "no fixed version information")
    _signature, _struct_version, file_ms, file_ls, product_ms, product_ls = struct.unpack_from(
        "<IIIIII", image, at)
    expected_ms = (major << 16) | minor
    qh.check(file_ms == expected_ms and product_ms == expected_ms and file_ls == 0
             and product_ls == 0, "version resource says %x.%x" % (file_ms, file_ls))
    for key in ("FileVersion", "ProductVersion"):
        text = (key + "\0").encode("utf-16-le")
        at = image.find(text)
        qh.check(at >= 0, "no %s string" % key)
        value = (version + "\0").encode("utf-16-le")
        # The value follows the key, padded to a 32-bit boundary.
        qh.check(value in image[at + len(text):at + len(text) + len(value) + 4],
                 "%s is not %s" % (key, version))


def main():
    cpack, build_dir, version, windows_readme, license_path = sys.argv[1:6]
    scratch = tempfile.mkdtemp(prefix="quorvant-zip-")
    try:
        path = build_package(cpack, build_dir, scratch)
        folder = "quorvant-%s-win64/" % version
        qh.check(os.path.basename(path) == "quorvant-%s-win64.zip" % version,
                 "package named %s" % os.path.basename(path))
        with zipfile.ZipFile(path) as archive:
            names = {name for name in archive.namelist() if not name.endswith("/")}
            qh.check(names == {folder + "quorvant.exe", folder + "README.txt",
                               folder + "LICENSE.txt"},
                     "the zip holds %s" % sorted(names))
            readme = archive.read(folder + "README.txt")
            licence = archive.read(folder + "LICENSE.txt")
            image = archive.read(folder + "quorvant.exe")
        with open(windows_readme, "rb") as f:
            original = f.read().replace(b"@PROJECT_VERSION@", version.encode())
        with open(license_path, "rb") as f:
            license_text = f.read()
        for name, text in (("README.txt", readme), ("LICENSE.txt", licence)):
            bare = text.replace(b"\r\n", b"")
            qh.check(b"\n" not in bare and b"\r" not in bare,
                     "%s has a line end other than CR LF" % name)
        qh.check(readme == original.replace(b"\n", b"\r\n"),
                 "README.txt is not the text for Windows users")
        qh.check(licence == license_text.replace(b"\n", b"\r\n"), "LICENSE.txt is not LICENSE")
        check_program(image, version)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("package_e2e: the zip, its README and the program's resources are as expected")


if __name__ == "__main__":
    try:
        main()
    except qh.Failure as failure:
        print("FAIL: %s" % failure)
        sys.exit(1)
