"""The module's vendor mechanisms through PyKCS11 (Debian's python3-pykcs11), a client nobody here
wrote: SM2 signatures that OpenSSL verifies with the distinguishing id, and the transaction
mechanism with the soft key's buttons.
    vendor_mechanisms.py MODULE WORK_DIR KQSIM KEY"""
import subprocess
import sys

import PyKCS11
from script_checks import expect

CKK_KQ_SM2 = 0x80000000 | 0x4B510001
CKM_KQ_SM2_SM3 = 0x80000000 | 0x4B510001
CKM_KQ_SM2 = 0x80000000 | 0x4B510002
CKM_KQ_TRANSACTION = 0x80000000 | 0x4B510003
CKR_KQ_CONFIRMATION_TIMEOUT = 0x80000000 | 0x4B510001

module, work, kqsim, key = sys.argv[1:5]


def der_integer(value):
    value = value.lstrip(b"\0") or b"\0"
    if value[0] & 0x80:
        value = b"\0" + value
    return b"\x02" + bytes([len(value)]) + value


def der_signature(raw):
    body = der_integer(raw[:32]) + der_integer(raw[32:])
    return b"\x30" + bytes([len(body)]) + body


def openssl(*arguments):
    return subprocess.run(["openssl", *arguments], capture_output=True).returncode == 0


def write(name, data):
    path = f"{work}/{name}"
    with open(path, "wb") as file:
        file.write(data)
    return path


def sm2_verifies(raw, data, identity):
    return openssl("pkeyutl", "-verify", "-pubin", "-inkey", f"{work}/sm2.pub", "-rawin",
                   "-in", write("sm2-data", data), "-sigfile", write("sm2-sig", der_signature(raw)),
                   "-digest", "sm3", "-pkeyopt", f"distid:{identity}")


def transaction(text):
    fields = [(b"02", b"0001"), (b"01", b"pay 100.00 to A"), (b"00", text)]
    return b"".join(tag + b"%016d" % len(value) + value for tag, value in fields)


lib = PyKCS11.PyKCS11Lib()
lib.load(module)
slot = lib.getSlotList(tokenPresent=True)[0]
session = lib.openSession(slot, PyKCS11.CKF_SERIAL_SESSION | PyKCS11.CKF_RW_SESSION)
session.login("12345678")


def private_key(key_type):
    found = session.findObjects([(PyKCS11.CKA_CLASS, PyKCS11.CKO_PRIVATE_KEY),
                                 (PyKCS11.CKA_KEY_TYPE, key_type)])
    expect(len(found) == 1, f"one private key of type {key_type:#x}")
    return found[0]


sm2 = private_key(CKK_KQ_SM2)
data = b"the data an SM2 key signs"
signature = bytes(session.sign(sm2, data, PyKCS11.Mechanism(CKM_KQ_SM2_SM3, None)))
expect(len(signature) == 64 and sm2_verifies(signature, data, "1234567812345678"),
       "CKM_KQ_SM2_SM3 with the default id verifies with openssl")
signature = bytes(session.sign(sm2, data, PyKCS11.Mechanism(CKM_KQ_SM2_SM3, b"alice@bank")))
expect(sm2_verifies(signature, data, "alice@bank"), "CKM_KQ_SM2_SM3 with a given id verifies")
expect(not sm2_verifies(signature, data, "1234567812345678"), "... and not under another id")

# Multi-part gives the same message digest as single-part.
mechanism = PyKCS11.Mechanism(CKM_KQ_SM2_SM3, None)
parts = [data[:7], data[7:]]
lowlevel = session.lib
ck_mechanism = mechanism.to_native()
expect(lowlevel.C_SignInit(session.session, ck_mechanism, sm2) == PyKCS11.CKR_OK, "C_SignInit")
for part in parts:
    expect(lowlevel.C_SignUpdate(session.session, PyKCS11.ckbytelist(part)) == PyKCS11.CKR_OK,
           "C_SignUpdate")
out = PyKCS11.ckbytelist()
expect(lowlevel.C_SignFinal(session.session, out) == PyKCS11.CKR_OK, "C_SignFinal size")
expect(lowlevel.C_SignFinal(session.session, out) == PyKCS11.CKR_OK, "C_SignFinal")
expect(sm2_verifies(bytes(out), data, "1234567812345678"), "multi-part SM2 verifies")

# SM2 over e computed by the caller: openssl's own e for the default id is not at hand, so the
# module's multi-part result above stands for it; here e must be 32 bytes.
try:
    session.sign(sm2, b"short", PyKCS11.Mechanism(CKM_KQ_SM2, None))
    expect(False, "CKM_KQ_SM2 refuses an e that is not 32 bytes")
except PyKCS11.PyKCS11Error as error:
    expect(error.value == PyKCS11.CKR_DATA_LEN_RANGE, "CKM_KQ_SM2 refuses an e that is not 32 bytes")
signature = bytes(session.sign(sm2, bytes(32), PyKCS11.Mechanism(CKM_KQ_SM2, None)))
expect(len(signature) == 64, "CKM_KQ_SM2 signs a 32-byte e")

# The transaction mechanism: the key shows the message and signs after its OK button.
rsa = private_key(PyKCS11.CKK_RSA)
message = transaction(b"account 6222 0000")
for policy, expected in (("ok:2", PyKCS11.CKR_OK), ("cancel:2", PyKCS11.CKR_FUNCTION_CANCELED),
                         ("timeout:2", CKR_KQ_CONFIRMATION_TIMEOUT)):
    subprocess.run([kqsim, "button", key, policy], check=True, capture_output=True)
    try:
        signature = bytes(session.sign(rsa, message, PyKCS11.Mechanism(CKM_KQ_TRANSACTION, None)))
        result = PyKCS11.CKR_OK
    except PyKCS11.PyKCS11Error as error:
        result = error.value
    expect(result == expected, f"transaction with button {policy}: {result:#x}")
    if result == PyKCS11.CKR_OK:
        expect(openssl("dgst", "-sha1", "-verify", f"{work}/user.pub", "-signature",
                       write("tx-sig", signature), write("tx-data", message)),
               "the transaction's signature verifies with openssl")
try:
    session.sign(rsa, b"not a transaction", PyKCS11.Mechanism(CKM_KQ_TRANSACTION, None))
    expect(False, "plain data is refused")
except PyKCS11.PyKCS11Error as error:
    expect(error.value == PyKCS11.CKR_DATA_INVALID, "plain data is refused with CKR_DATA_INVALID")
session.logout()
session.closeSession()
print("vendor mechanisms passed")
