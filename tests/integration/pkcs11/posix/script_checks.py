"""What the PyKCS11 scripts beside this file share: a check that ends the script on its first
failure, and the PKCS #11 result of a call that raises on failure."""
import sys

import PyKCS11


def expect(condition, what):
    if not condition:
        sys.exit(f"FAILED: {what}")
    print(f"  ok: {what}")


def code(call, *arguments):
    try:
        call(*arguments)
        return PyKCS11.CKR_OK
    except PyKCS11.PyKCS11Error as error:
        return error.value
