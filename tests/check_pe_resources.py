#!/usr/bin/python3
"""Reads the programs that PeResourcesTest rewrote with tools that share no
code with the resource writer: pefile parses headers and resources and checks
the checksum, and osslsigncode signs the rewritten program and verifies it."""
import os
import subprocess
import sys
import tempfile
import unittest

import pefile

from built_files import resources

ART, RUNLET, ORNIX = sys.argv[1:4]
del sys.argv[1:4]


class RewrittenPrograms(unittest.TestCase):
    def check(self, original, rewritten):
        before = pefile.PE(original)
        after = pefile.PE(os.path.join(ART, rewritten))
        self.assertTrue(after.verify_checksum())
        old, new = resources(before), resources(after)
        # The writer's changes, and nothing else: dialogs, manifest, version
        # and the icon images it did not touch are the same bytes.
        self.assertEqual(b"named", new.pop(("VELUMO", "DATA", 0)))
        self.assertEqual(777, len(new.pop((3, 40, 1033))))
        self.assertEqual(300000, len(new.pop((3, 1, 1033))))
        old.pop((3, 1, 1033))
        removed = set(old) - set(new)
        self.assertEqual(1, len(removed))
        self.assertEqual(14, removed.pop()[0])  # the icon group the test removed
        self.assertEqual({k: v for k, v in old.items() if k in new}, new)
        # The sections after the resources moved as a whole, code untouched.
        for b, a in zip(before.sections, after.sections):
            if b.VirtualAddress < before.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress:
                self.assertEqual(b.get_data(), a.get_data(), b.Name)
        reloc = after.OPTIONAL_HEADER.DATA_DIRECTORY[5]
        self.assertEqual(before.OPTIONAL_HEADER.DATA_DIRECTORY[5].Size, reloc.Size)
        self.assertEqual(before.get_data(before.OPTIONAL_HEADER.DATA_DIRECTORY[5].VirtualAddress,
                                         reloc.Size),
                         after.get_data(reloc.VirtualAddress, reloc.Size))

        with tempfile.TemporaryDirectory() as tmp:
            key, cert, signed = (os.path.join(tmp, n) for n in ("key.pem", "cert.pem", "signed.exe"))
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                            "-subj", "/CN=Velumo Test", "-keyout", key, "-out", cert],
                           check=True, capture_output=True)
            subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in",
                            os.path.join(ART, rewritten), "-out", signed], check=True,
                           capture_output=True)
            verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed],
                                    capture_output=True, text=True)
            self.assertEqual(0, verify.returncode, verify.stdout + verify.stderr)

    def test_stub(self):
        self.check(RUNLET, "Runlet-rewritten.exe")

    def test_builder(self):
        self.check(ORNIX, "OrnixCreator-rewritten.exe")


if __name__ == "__main__":
    unittest.main()
