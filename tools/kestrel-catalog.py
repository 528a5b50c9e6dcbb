#!/usr/bin/env python3
"""The maker's catalogue tool: signing keys, signed update catalogues, and
their check.

    kestrel-catalog.py keygen --out KEY [--bits 3072]
        KEY.pem (private, keep it offline) and KEY.pub.pem (the public key
        the updater is built with: cmake -DKESTREL_SIGNING_KEY=KEY.pub.pem).

    kestrel-catalog.py build DESCRIPTION --key KEY.pem --out ROOT [--family NAME]
        Writes the update server's tree below ROOT. DESCRIPTION is an update
        index whose items may each name, in a <files> element, the folder of
        their package's files (relative to the description file): that
        folder is zipped to the item's zip-path. An item without <files>
        takes the package already at its zip-path below ROOT. Every item
        gets the <size> and <sha256> of its package; the index is written to
        pub/VEXA/Skylark/Release/ and Debug/ in the model's family folder
        (--family is the machine's family name), each with its detached
        signature "<index>.sig" (RSA PKCS#1 v1.5 over SHA-256).

    kestrel-catalog.py verify ROOT --key KEY.pub.pem
        Checks every index below ROOT: its signature, that it is well formed
        for its model, each item's type and operating-system names, that its
        package exists with the size and SHA-256 the index gives, that its
        dependencies name indexes of the same index. One line per problem;
        the exit code is 1 when there is any.

Python 3 and the openssl command only.
"""

import argparse
import hashlib
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

INDEX_BASE = "pub/VEXA/Skylark"
ITEM_TYPES = ("BIOS", "driver", "AP", "Hotfix")
OS_NAMES = ("Win2K", "WinXP", "WinXP(64)", "Win2003", "Win2003(64)", "Vista", "Vista(64)",
            "Win7", "Win7(64)", "Win8", "Win8(64)")
MIN_KEY_BITS = 2048


def family_folder(model, family):
    """The server folder of a model's family, as the updater chooses it."""
    if model.lower() in ("k404", "qt2207") or family.lower() == "ovo family":
        return "Ovo Family/"
    if family.lower() == "towerline":
        return "Towerline PC/"
    return "Media Den/"


def index_path(model, family, debug=False):
    """The server path (without the leading "/") of a model's index."""
    return "%s/%s/%s%s.idx" % (INDEX_BASE, "Debug" if debug else "Release",
                               family_folder(model, family), model.replace("/", "_"))


def _openssl(*args):
    result = subprocess.run(["openssl"] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    return result.returncode == 0, result.stdout + result.stderr


def keygen(out, bits=3072):
    if bits < MIN_KEY_BITS:
        raise SystemExit("keys have at least %d bits" % MIN_KEY_BITS)
    private, public = out + ".pem", out + ".pub.pem"
    old_mask = os.umask(0o077)
    try:
        ok, text = _openssl("genpkey", "-algorithm", "RSA", "-pkeyopt",
                            "rsa_keygen_bits:%d" % bits, "-out", private)
    finally:
        os.umask(old_mask)
    if not ok or not _openssl("pkey", "-in", private, "-pubout", "-out", public)[0]:
        raise SystemExit("openssl could not make the key: %s" % text.decode(errors="replace"))
    return private, public


def sign_file(path, private_key):
    """Writes path + ".sig": the detached signature of the file's bytes."""
    ok, text = _openssl("dgst", "-sha256", "-sign", private_key, "-out", path + ".sig", path)
    if not ok:
        raise SystemExit("openssl could not sign %s: %s" % (path, text.decode(errors="replace")))


def signature_verifies(path, public_key):
    return _openssl("dgst", "-sha256", "-verify", public_key, "-signature", path + ".sig",
                    path)[0]


def key_bits(public_key):
    ok, text = _openssl("pkey", "-pubin", "-in", public_key, "-noout", "-text")
    found = re.search(rb"Public-Key: \((\d+) bit\)", text) if ok else None
    return int(found.group(1)) if found else 0


def file_sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest()


def zip_folder(folder, path):
    """A deflated zip of every file below folder, in name order."""
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for base, dirs, files in os.walk(folder):
            dirs.sort()
            for name in sorted(files):
                full = os.path.join(base, name)
                package.write(full, os.path.relpath(full, folder).replace(os.sep, "/"))


def _set_child(item, tag, text):
    child = item.find(tag)
    if child is None:
        child = ElementTree.SubElement(item, tag)
    child.text = " %s " % text


def seal_index(root, locate):
    """Gives every item of the index element root whose package exists the
    package's size and SHA-256; locate(zip path) is the package's local
    file. Items without a package are left as they are."""
    for item in root:
        zip_path = (item.findtext("zip-path") or "").strip()
        package = locate(zip_path) if zip_path else None
        if package and os.path.isfile(package):
            _set_child(item, "size", os.path.getsize(package))
            _set_child(item, "sha256", file_sha256(package))


def write_signed_index(root, path, private_key):
    """Writes the index element root to path and signs the file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ElementTree.ElementTree(root).write(path, encoding="utf-8", xml_declaration=True)
    sign_file(path, private_key)


def build(description, private_key, out, family=""):
    """Builds the server tree below out; returns the server paths of the
    indexes written."""
    tree = ElementTree.parse(description)
    root = tree.getroot()
    base = os.path.dirname(os.path.abspath(description))
    for item in root:
        files = item.find("files")
        if files is None:
            continue
        item.remove(files)
        zip_path = (item.findtext("zip-path") or "").strip()
        if not zip_path:
            raise SystemExit("item %r names files but no zip-path" % item.get("name"))
        zip_folder(os.path.join(base, files.text.strip()), os.path.join(out, zip_path))
    seal_index(root, lambda zip_path: os.path.join(out, zip_path))
    written = []
    for debug in (False, True):
        path = index_path(root.get("name", ""), family, debug)
        write_signed_index(root, os.path.join(out, path), private_key)
        written.append(path)
    return written


def _item_problems(item, where, indexes, locate):
    problems = []
    kind = (item.findtext("type") or "").strip()
    if kind.lower() not in [t.lower() for t in ITEM_TYPES]:
        problems.append("%s: unknown type %r" % (where, kind))
    os_list = (item.findtext("os") or "").strip()
    for name in os_list.split(","):
        if name not in OS_NAMES:
            problems.append("%s: unknown os name %r" % (where, name))
    zip_path = (item.findtext("zip-path") or "").strip()
    package = locate(zip_path) if zip_path else None
    if not package or not os.path.isfile(package):
        problems.append("%s: package %r is missing" % (where, zip_path))
    else:
        size = (item.findtext("size") or "").strip()
        if size != str(os.path.getsize(package)):
            problems.append("%s: size %r, the package has %d bytes"
                            % (where, size, os.path.getsize(package)))
        sha256 = (item.findtext("sha256") or "").strip()
        if not re.fullmatch(r"[0-9A-Fa-f]{64}", sha256):
            problems.append("%s: sha256 %r is not 64 hex digits" % (where, sha256))
        elif sha256.lower() != file_sha256(package):
            problems.append("%s: sha256 differs from the package's" % where)
    for piece in (item.findtext("dependence") or "").split(","):
        piece = piece.strip()
        if piece and (not piece.isdigit() or int(piece) not in indexes):
            problems.append("%s: depends on index %s, which the index does not have"
                            % (where, piece))
    return problems


def verify_index(path, server_root, public_key):
    """The problems of one index file (a local path below server_root)."""
    name = os.path.relpath(path, server_root)
    if not os.path.exists(path + ".sig"):
        return ["%s: no signature %s.sig" % (name, os.path.basename(path))]
    if not signature_verifies(path, public_key):
        return ["%s: the signature does not verify with this key" % name]
    try:
        root = ElementTree.parse(path).getroot()
    except ElementTree.ParseError as error:
        return ["%s: not well formed: %s" % (name, error)]
    if root.tag != "product" or not root.get("name"):
        return ["%s: the root is not <product name=...>" % name]
    problems = []
    items = list(root)
    numbers = [(item.findtext("index") or "").strip() for item in items]
    indexes = {int(n) for n in numbers if n.isdigit()}
    for item, number in zip(items, numbers):
        where = "%s: item %r" % (name, item.get("name"))
        if not number.isdigit() or numbers.count(number) > 1:
            problems.append("%s: index %r is not a number of its own" % (where, number))
        problems += _item_problems(item, where, indexes,
                                   lambda zip_path: os.path.join(server_root, zip_path))
    return problems


def verify(server_root, public_key):
    """Every problem of the server tree, one line each."""
    bits = key_bits(public_key)
    if bits < MIN_KEY_BITS:
        return ["%s: not a public key of %d bits or more" % (public_key, MIN_KEY_BITS)]
    indexes = sorted(os.path.join(base, name)
                     for base, _, files in os.walk(server_root)
                     for name in files if name.endswith(".idx"))
    if not indexes:
        return ["%s: no index (*.idx) below it" % server_root]
    problems = []
    for path in indexes:
        problems += verify_index(path, server_root, public_key)
    return problems


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("keygen", help="make a signing key pair")
    command.add_argument("--out", required=True, help="KEY: writes KEY.pem and KEY.pub.pem")
    command.add_argument("--bits", type=int, default=3072)
    command = commands.add_parser("build", help="build a signed server tree")
    command.add_argument("description")
    command.add_argument("--key", required=True, help="the private key (PEM)")
    command.add_argument("--out", required=True, help="the server tree's root folder")
    command.add_argument("--family", default="", help="the machine's family name")
    command = commands.add_parser("verify", help="check a server tree")
    command.add_argument("root")
    command.add_argument("--key", required=True, help="the public key (PEM)")
    args = parser.parse_args(argv)

    if args.command == "keygen":
        for path in keygen(args.out, args.bits):
            print(path)
        return 0
    if args.command == "build":
        for path in build(args.description, args.key, args.out, args.family):
            print(path)
        return 0
    problems = verify(args.root, args.key)
    for line in problems:
        print(line)
    if not problems:
        print("%s: every index is signed and every package matches" % args.root)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
