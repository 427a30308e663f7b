"""A PKCS #11 session stays on the key it was opened on, through PyKCS11: keys A and B in a soft-key
root of their own; a session opened on A fails its login once A is pulled out and B takes its
reader name. Then a session on A logs in, A is pulled out (kqsim unplug) and B, logged in
already, takes its reader name. The session's next call that needs the key answers
CKR_DEVICE_REMOVED and generates nothing on B; the session is gone with its key, and a new session
works on B.
    token_swapped.py MODULE KQSIM WORK_DIR"""
import os
import subprocess
import sys

import PyKCS11
from script_checks import code, expect

module, kqsim, work = sys.argv[1:4]
os.environ["KQSIM_ROOT"] = f"{work}/swap-keys"
RW = PyKCS11.CKF_SERIAL_SESSION | PyKCS11.CKF_RW_SESSION
PAIR = ([(PyKCS11.CKA_MODULUS_BITS, 1024), (PyKCS11.CKA_PUBLIC_EXPONENT, (1, 0, 1))],
        [(PyKCS11.CKA_SENSITIVE, True)], PyKCS11.MechanismRSAGENERATEKEYPAIR)


def kqsim_run(*arguments):
    return subprocess.run([kqsim, *arguments], capture_output=True, text=True, check=True).stdout


for name in ("a", "b"):
    kqsim_run("create", "--name", name, "--label", f"key {name}")
lib = PyKCS11.PyKCS11Lib()
lib.load(module)
slot = lib.getSlotList(tokenPresent=True)[0]
# A session opened on A but not used yet is A's too: its login fails once B took the reader.
early = lib.openSession(slot, RW)
kqsim_run("unplug", "a")
result = code(early.login, "12345678")
expect(result == PyKCS11.CKR_DEVICE_REMOVED, f"C_Login on a session opened before: {result:#x}")
expect("ZANT_VerifyPIN" not in kqsim_run("counters", "b"), "... and B was not asked for the PIN")
kqsim_run("plug", "a")
session = lib.openSession(slot, RW)
session.login("12345678")
kqsim_run("pin", "b", "--verified", "1")
kqsim_run("unplug", "a")
result = code(session.generateKeyPair, *PAIR)
expect(result == PyKCS11.CKR_DEVICE_REMOVED, f"C_GenerateKeyPair after the swap: {result:#x}")
expect("ZANT_GenerateRSAKey" not in kqsim_run("counters", "b"), "... generated nothing on B")
result = code(session.findObjects, [])
expect(result == PyKCS11.CKR_SESSION_HANDLE_INVALID, f"the session went with A: {result:#x}")
other = lib.openSession(lib.getSlotList(tokenPresent=True)[0], RW)
expect(code(other.findObjects, []) == PyKCS11.CKR_OK, "a new session works on B")
print("token swap passed")
