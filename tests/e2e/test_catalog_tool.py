#!/usr/bin/env python3
"""The maker's catalogue tool (tools/kestrel-catalog.py) as a maker runs it:
keygen, build from a description file, and verify, which must find every
seeded fault of a broken server tree and pass the demo's tree. Runs on
Linux alone: no Wine, no network."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from update_bench import write_demo_server  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(HERE, "..", "..", "tools", "kestrel-catalog.py")
KEYS = os.path.join(HERE, "..", "fixtures", "keys")
TEST_KEY = os.path.join(KEYS, "test-signing-key.pem")
TEST_PUBLIC_KEY = os.path.join(KEYS, "test-signing-key.pub.pem")
INDEX = "pub/VEXA/Skylark/Release/Towerline PC/T5 Tower.idx"

DESCRIPTION = """<?xml version="1.0" encoding="utf-8"?>
<product name="T5 Tower">
<item name="Vexa Notes">
<type> AP </type>
<description l_id="1033" title="Notes">Notes.</description>
<version> 2.1 </version>
<os>WinXP,Win7,Win7(64)</os>
<zip-path>pub/Package/Notes21.zip</zip-path>
<files>notes</files>
<execute>setup.exe%%-s</execute>
<index>1</index>
</item>
<item name="LAN Driver">
<type> driver </type>
<version> 7.2 </version>
<hwid version="7.2" date="01/02/2026">PCI\\VEN_10EC&amp;DEV_8168</hwid>
<os>Win7,Win7(64)</os>
<zip-path>pub/Package/LAN72.zip</zip-path>
<files>lan</files>
<execute>setup.exe</execute>
<index>2</index>
<dependence>1</dependence>
</item>
</product>
"""


def run_tool(*args):
    result = subprocess.run([sys.executable, TOOL] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    return result.returncode, result.stdout


def edit(path, old, new):
    with open(path, "rb") as f:
        data = f.read()
    assert old in data, (path, old)
    with open(path, "wb") as f:
        f.write(data.replace(old, new))


class CatalogToolTest(unittest.TestCase):

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="kestrel-catalog-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)

    def build_tree(self, name):
        """A server tree built from DESCRIPTION with the test key."""
        source = os.path.join(self.folder, name + "-source")
        for package, files in (("notes", {"setup.exe": b"MZ notes", "read me.txt": b"hi"}),
                               ("lan", {"setup.exe": b"MZ lan", "inf/lan.inf": b"[Version]"})):
            for entry, data in files.items():
                path = os.path.join(source, package, entry)
                os.makedirs(os.path.dirname(path), exist_ok=True)
                with open(path, "wb") as f:
                    f.write(data)
        description = os.path.join(source, "T5 Tower.xml")
        with open(description, "w", encoding="utf-8") as f:
            f.write(DESCRIPTION)
        root = os.path.join(self.folder, name)
        code, output = run_tool("build", description, "--key", TEST_KEY, "--out", root,
                                "--family", "Towerline")
        self.assertEqual(code, 0, output)
        return root

    def test_keygen_build_and_verify(self):
        code, output = run_tool("keygen", "--out", os.path.join(self.folder, "maker"))
        self.assertEqual(code, 0, output)
        self.assertEqual(os.stat(os.path.join(self.folder, "maker.pem")).st_mode & 0o077, 0,
                         "the private key is for its owner only")

        root = self.build_tree("tree")
        for debug_or_release in ("Release", "Debug"):
            index = os.path.join(root, INDEX.replace("Release", debug_or_release))
            self.assertTrue(os.path.exists(index + ".sig"))
        with open(os.path.join(root, INDEX), encoding="utf-8") as f:
            text = f.read()
        self.assertNotIn("<files>", text)
        self.assertRegex(text, r"<sha256> [0-9a-f]{64} </sha256>")
        self.assertIn("<size> %d </size>" % os.path.getsize(
            os.path.join(root, "pub/Package/LAN72.zip")), text)

        self.assertEqual(run_tool("verify", root, "--key", TEST_PUBLIC_KEY)[0], 0)
        code, output = run_tool("verify", root, "--key",
                                os.path.join(self.folder, "maker.pub.pem"))
        self.assertEqual(code, 1)
        self.assertIn("T5 Tower.idx: the signature does not verify with this key", output)

    def test_verify_finds_every_seeded_fault(self):
        def missing_package(root):
            os.remove(os.path.join(root, "pub/Package/LAN72.zip"))

        def wrong_size(root):
            with open(os.path.join(root, "pub/Package/LAN72.zip"), "ab") as f:
                f.write(b"\0")

        def wrong_hash(root):
            path = os.path.join(root, "pub/Package/Notes21.zip")
            with open(path, "r+b") as f:
                f.seek(10)
                byte = f.read(1)[0]
                f.seek(10)
                f.write(bytes([byte ^ 1]))

        def bad_signature(root):
            edit(os.path.join(root, INDEX), b"<version> 2.1 </version>", b"<version> 2.2 </version>")

        def missing_signature(root):
            os.remove(os.path.join(root, INDEX) + ".sig")

        def resign(root, old, new):
            # A fault the maker signed: only the content check finds it.
            edit(os.path.join(root, INDEX), old, new)
            subprocess.run(["openssl", "dgst", "-sha256", "-sign", TEST_KEY, "-out",
                            os.path.join(root, INDEX) + ".sig", os.path.join(root, INDEX)],
                           check=True)

        cases = [
            ("missing package", missing_package, "item 'LAN Driver': package "
             "'pub/Package/LAN72.zip' is missing"),
            ("wrong size", wrong_size, "item 'LAN Driver': size"),
            ("wrong hash", wrong_hash, "item 'Vexa Notes': sha256 differs from the package's"),
            ("bad signature", bad_signature, "the signature does not verify with this key"),
            ("missing signature", missing_signature, "no signature T5 Tower.idx.sig"),
            ("unknown type", lambda root: resign(root, b"<type> AP </type>",
                                                 b"<type> App </type>"),
             "item 'Vexa Notes': unknown type 'App'"),
            ("unknown os", lambda root: resign(root, b"<os>Win7,Win7(64)</os>",
                                               b"<os>Win7,Win10</os>"),
             "item 'LAN Driver': unknown os name 'Win10'"),
            ("dependency on a missing index", lambda root: resign(
                root, b"<dependence>1</dependence>", b"<dependence>1,9</dependence>"),
             "item 'LAN Driver': depends on index 9, which the index does not have"),
        ]
        for name, seed, expected in cases:
            with self.subTest(name):
                root = self.build_tree(name.replace(" ", "-"))
                seed(root)
                code, output = run_tool("verify", root, "--key", TEST_PUBLIC_KEY)
                self.assertEqual(code, 1, output)
                self.assertIn(expected, output)

    def test_the_demo_tree_passes(self):
        root = os.path.join(self.folder, "demo")
        write_demo_server(root)
        code, output = run_tool("verify", root, "--key", TEST_PUBLIC_KEY)
        self.assertEqual(code, 0, output)


if __name__ == "__main__":
    unittest.main(verbosity=2)
