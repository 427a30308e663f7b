"""The module's objects and login when the key changes behind it, through PyKCS11 (Debian's
python3-pykcs11): objects that must not be destroyed, templates the key cannot honour, a
certificate renewal that fails, logins ended elsewhere, a key pair replaced by another program,
and C_Finalize with the token logged in or a thread waiting for slot events.
    key_changed_elsewhere.py MODULE WORK_DIR KQSIM KQTOOL KEY MEDIA_ID [wait-finalize]"""
import ctypes
import re
import subprocess
import sys
import threading
import time

import PyKCS11
from script_checks import code, expect

module, work, kqsim, kqtool, key, media = sys.argv[1:7]
PIN = "12345678"
RW = PyKCS11.CKF_SERIAL_SESSION | PyKCS11.CKF_RW_SESSION
CKR_ACTION_PROHIBITED = 0x1B  # PKCS #11 2.40, not in every PyKCS11
SHA256_RSA = PyKCS11.Mechanism(PyKCS11.CKM_SHA256_RSA_PKCS, None)


def run(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout


def wait_then_finalize():
    """A thread blocks in C_WaitForSlotEvent; C_Finalize wakes it and returns once it has left
    the module, which the application then unloads."""
    library = ctypes.CDLL(module)
    functions = ctypes.POINTER(ctypes.c_void_p)()
    library.C_GetFunctionList(ctypes.byref(functions))
    call = lambda index, *types: ctypes.CFUNCTYPE(ctypes.c_ulong, *types)(functions[1 + index])
    expect(call(0, ctypes.c_void_p)(None) == 0, "C_Initialize")
    returned = []
    slot = ctypes.c_ulong()
    wait = call(67, ctypes.c_ulong, ctypes.c_void_p, ctypes.c_void_p)
    waiter = threading.Thread(target=lambda: returned.append(wait(0, ctypes.byref(slot), None)))
    waiter.start()
    time.sleep(0.3)
    expect(call(1, ctypes.c_void_p)(None) == 0, "C_Finalize with a thread waiting")
    libc = ctypes.CDLL(None)
    libc.dlclose.argtypes = [ctypes.c_void_p]
    libc.dlclose(library._handle)  # a waiter still in the module would now crash
    waiter.join()
    expect(returned == [PyKCS11.CKR_CRYPTOKI_NOT_INITIALIZED],
           f"the waiter left with CKR_CRYPTOKI_NOT_INITIALIZED: {returned}")
    print("wait-finalize passed")


if sys.argv[7:] == ["wait-finalize"]:
    wait_then_finalize()
    sys.exit(0)

lib = PyKCS11.PyKCS11Lib()
lib.load(module)
slot = lib.getSlotList(tokenPresent=True)[0]
session = lib.openSession(slot, RW)
session.login(PIN)


def rsa_objects(object_class):
    return session.findObjects([(PyKCS11.CKA_CLASS, object_class),
                                (PyKCS11.CKA_KEY_TYPE, PyKCS11.CKK_RSA)])


def certificates():
    return [bytes(session.getAttributeValue(found, [PyKCS11.CKA_VALUE])[0])
            for found in session.findObjects([(PyKCS11.CKA_CLASS, PyKCS11.CKO_CERTIFICATE)])]


def consistent():
    return run(kqsim, "check", key).strip() == "consistent"


# Destroying: a public key never alone, a private key only without its certificate.
private = rsa_objects(PyKCS11.CKO_PRIVATE_KEY)[0]
public = rsa_objects(PyKCS11.CKO_PUBLIC_KEY)[0]
expect(code(session.destroyObject, public) == CKR_ACTION_PROHIBITED,
       "C_DestroyObject of a public key: CKR_ACTION_PROHIBITED")
expect(code(session.destroyObject, private) == CKR_ACTION_PROHIBITED,
       "C_DestroyObject of a private key with its certificate: CKR_ACTION_PROHIBITED")
expect(len(rsa_objects(PyKCS11.CKO_PRIVATE_KEY)) == 1 and len(certificates()) == 1,
       "... and the pair and its certificate stay")

# Key pair generation: what the key cannot honour is refused.
bits = (PyKCS11.CKA_MODULUS_BITS, 1024)
for public_template, private_template, what in (
        ([bits, (PyKCS11.CKA_PUBLIC_EXPONENT, (3,))], [], "public exponent 3"),
        ([bits, (PyKCS11.CKA_TOKEN, False)], [], "a session public key"),
        ([bits], [(PyKCS11.CKA_EXTRACTABLE, True)], "an extractable private key"),
        ([bits], [(PyKCS11.CKA_SENSITIVE, False)], "a private key not sensitive"),
        ([bits, bits], [], "CKA_MODULUS_BITS twice")):
    result = code(session.generateKeyPair, public_template, private_template,
                  PyKCS11.MechanismRSAGENERATEKEYPAIR)
    expect(result == PyKCS11.CKR_TEMPLATE_INCONSISTENT, f"C_GenerateKeyPair with {what}: {result:#x}")

# A value not of its attribute's size is refused, never taken as absent (which would make a
# 2048-bit key where 1024 bits were asked for, or a session object a token one).
def raw_template(*entries):
    template = PyKCS11.LowLevel.ckattrlist(len(entries))
    for i, (kind, value) in enumerate(entries):
        template[i].SetBin(kind, PyKCS11.ckbytelist(value))
    return template


for public_template, what in (([(PyKCS11.CKA_MODULUS_BITS, b"\0\4\0\0")], "4-byte CKA_MODULUS_BITS"),
                              ([(PyKCS11.CKA_TOKEN, b"\0\0")], "2-byte CKA_TOKEN")):
    result = session.lib.C_GenerateKeyPair(
        session.session, PyKCS11.MechanismRSAGENERATEKEYPAIR.to_native(),
        raw_template(*public_template), raw_template(), PyKCS11.LowLevel.CK_OBJECT_HANDLE(),
        PyKCS11.LowLevel.CK_OBJECT_HANDLE())
    expect(result == PyKCS11.CKR_ATTRIBUTE_VALUE_INVALID, f"C_GenerateKeyPair with {what}: {result:#x}")

# Deleting one pair ends only the operations with its key, and only when it goes.
other = lib.openSession(slot, RW)
native = SHA256_RSA.to_native()
expect(other.lib.C_SignInit(other.session, native, private) == PyKCS11.CKR_OK, "C_SignInit")
expect(code(session.destroyObject, public) != PyKCS11.CKR_OK, "a refused C_DestroyObject")
run(kqsim, "button", key, "ok:1")  # the key confirms the generation
new_public, new_private = session.generateKeyPair(
    [bits, (PyKCS11.CKA_PUBLIC_EXPONENT, (1, 0, 1))], [(PyKCS11.CKA_SENSITIVE, True)],
    PyKCS11.MechanismRSAGENERATEKEYPAIR)
expect(code(session.destroyObject, new_private) == PyKCS11.CKR_OK,
       "C_DestroyObject of a private key without certificate")
expect(code(session.getAttributeValue, new_public, [PyKCS11.CKA_LABEL]) ==
       PyKCS11.CKR_OBJECT_HANDLE_INVALID, "... takes its public key with it")
signature = PyKCS11.ckbytelist()
expect(other.lib.C_Sign(other.session, PyKCS11.ckbytelist(b"data"), signature) == PyKCS11.CKR_OK and
       other.lib.C_Sign(other.session, PyKCS11.ckbytelist(b"data"), signature) == PyKCS11.CKR_OK,
       "another session's operation with another key survives both")
other.closeSession()
expect(consistent(), "the store hangs together")

# A renewal that fails on the key keeps the old certificate; one that succeeds replaces it.
old, = certificates()
renewal = open(f"{work}/renewal.der", "rb").read()
template = [(PyKCS11.CKA_CLASS, PyKCS11.CKO_CERTIFICATE),
            (PyKCS11.CKA_CERTIFICATE_TYPE, PyKCS11.CKC_X_509), (PyKCS11.CKA_VALUE, renewal)]
run(kqsim, "fault", "add", "ZANT_CreateFile:1:0x6A84")
result = code(session.createObject, template)
run(kqsim, "fault", "clear")
expect(result != PyKCS11.CKR_OK and certificates() == [old],
       f"a renewal failing on the key keeps the old certificate: {result:#x}")
# What the key cannot hold is refused before anything is written: a session or private
# certificate (it would replace the pair's own for good), an attribute given twice.
for extra, what in (((PyKCS11.CKA_TOKEN, False), "a session certificate"),
                    ((PyKCS11.CKA_PRIVATE, True), "a private certificate"),
                    ((PyKCS11.CKA_VALUE, renewal), "CKA_VALUE twice")):
    result = code(session.createObject, template + [extra])
    expect(result == PyKCS11.CKR_TEMPLATE_INCONSISTENT and certificates() == [old],
           f"C_CreateObject of {what}: {result:#x}, the old certificate kept")
expect(code(session.createObject, template) == PyKCS11.CKR_OK and certificates() == [renewal],
       "a renewal replaces the old certificate")
expect(consistent(), "the store hangs together")

# Logins the key ended: a wrong PIN, or another program logging out.
expect(code(session.login, "00000000", PyKCS11.CKU_CONTEXT_SPECIFIC) == PyKCS11.CKR_PIN_INCORRECT,
       "C_Login(CKU_CONTEXT_SPECIFIC) with a wrong PIN")
expect(code(session.login, PIN) == PyKCS11.CKR_OK, "... then C_Login(CKU_USER) logs in again")
subprocess.run(["pkcs11-tool", "--module", module, "--login", "--pin", PIN, "--list-objects"],
               capture_output=True, check=True)
expect(code(session.login, PIN) == PyKCS11.CKR_OK, "C_Login after another program logged out")
expect(code(session.login, PIN) == PyKCS11.CKR_USER_ALREADY_LOGGED_IN, "... and not twice")
expect(code(session.sign, private, b"data", SHA256_RSA) == PyKCS11.CKR_OK, "... and C_Sign signs")

# Another program deletes the pair and enrols a new one in the same files: the handle held
# names the old pair, gone, and never the new one; nor does an operation begun with it.
signer = lib.openSession(slot, RW)
expect(signer.lib.C_SignInit(signer.session, SHA256_RSA.to_native(), private) == PyKCS11.CKR_OK,
       "C_SignInit with the pair about to be replaced")
run(kqtool, "delete", "--media-id", media, "--subject", "CN=Clients Check, O=Test Bank, C=CN")
run(kqtool, "request", "--media-id", media, "--record",
    "CN=Enrolled Elsewhere,O=Test Bank,C=CN|RSA2048|SHA256|1", "--out-dir", f"{work}/elsewhere")
expect(code(session.getAttributeValue, private, [PyKCS11.CKA_LABEL]) ==
       PyKCS11.CKR_OBJECT_HANDLE_INVALID, "C_GetAttributeValue of a pair deleted elsewhere")
expect(code(session.destroyObject, private) == PyKCS11.CKR_OBJECT_HANDLE_INVALID,
       "C_DestroyObject of a pair deleted elsewhere")
enrolled = rsa_objects(PyKCS11.CKO_PRIVATE_KEY)
expect([found.value() for found in enrolled] == [private.value()],
       "... leaves the pair enrolled since, in the same files: a search gives it the handle")
signature = PyKCS11.ckbytelist()  # empty: the first call asks the size, the second signs
signer.lib.C_Sign(signer.session, PyKCS11.ckbytelist(b"data"), signature)
result = signer.lib.C_Sign(signer.session, PyKCS11.ckbytelist(b"data"), signature)
expect(result == PyKCS11.CKR_KEY_HANDLE_INVALID,
       f"the operation begun with the old pair does not sign with the new one: {result:#x}")
signer.closeSession()

# C_Finalize with the token logged in ends the key's login.
verified = lambda: re.search(r"verified\s+yes", run(kqsim, "show", key)) is not None
expect(verified(), "logged in, the key's PIN is verified")
expect(lib.lib.C_Finalize() == PyKCS11.CKR_OK, "C_Finalize while logged in")
expect(not verified(), "... leaves the key's PIN not verified")
print("key changes elsewhere passed")
