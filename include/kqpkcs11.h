/* The vendor-defined values of the kqcsp PKCS #11 module (libkqpkcs11.so, kqpkcs11.dll).
 * Everything else is standard PKCS #11 as p11-kit's <p11-kit/pkcs11.h> defines it; include that
 * header first. Each value is CKM_VENDOR_DEFINED, CKK_VENDOR_DEFINED or CKR_VENDOR_DEFINED plus
 * 0x4B51xxxx ("KQ"), so no other vendor's values collide with ours. */
#ifndef KQPKCS11_H
#define KQPKCS11_H

/* Key type of SM2 keys (GB/T 32918), the 256-bit curve keys of the key. Their public key object
 * carries CKA_EC_POINT (the DER OCTET STRING of 04 || X || Y) and CKA_EC_PARAMS (the DER OID
 * 1.2.156.10197.1.301). */
#define CKK_KQ_SM2 (CKK_VENDOR_DEFINED | 0x4B510001UL)

/* SM2 signature over SM3 with the SM2 pre-processing: the module computes Z from the user id and
 * the signer's public key, then e = SM3(Z || message), and the key signs e. The parameter is the
 * user id (1 to 255 bytes); without one the id is "1234567812345678". Single-part and multi-part.
 * The signature is r || s, 32 bytes each. */
#define CKM_KQ_SM2_SM3 (CKM_VENDOR_DEFINED | 0x4B510001UL)

/* SM2 signature over a 32-byte e that the caller computed. Single-part only; no parameter. */
#define CKM_KQ_SM2 (CKM_VENDOR_DEFINED | 0x4B510002UL)

/* A transaction message for the key to show, hash and sign after the user presses OK on the key
 * (an RSA key hashes it with SHA-1, an SM2 key with SM3 under the default id). The input is the
 * transaction text ("02", "01", "00" fields with 16-digit lengths); anything else gives
 * CKR_DATA_INVALID. Single-part only; no parameter. While the key waits, the countdown runs (the
 * UI log on Linux, the confirmation dialog on Windows). The wait ends with:
 *   CKR_OK                     the user pressed OK and the signature is returned;
 *   CKR_FUNCTION_CANCELED      the user pressed C on the key, or the wait was cancelled;
 *   CKR_KQ_CONFIRMATION_TIMEOUT the countdown ran out before any button;
 *   CKR_DEVICE_ERROR           the key failed during the wait.
 * A size query (null signature buffer) returns the signature size without any wait. */
#define CKM_KQ_TRANSACTION (CKM_VENDOR_DEFINED | 0x4B510003UL)

/* Key pair generation of SM2 keys (C_GenerateKeyPair). */
#define CKM_KQ_SM2_KEY_PAIR_GEN (CKM_VENDOR_DEFINED | 0x4B510004UL)

/* The countdown of a confirmation on the key ran out (see CKM_KQ_TRANSACTION). */
#define CKR_KQ_CONFIRMATION_TIMEOUT (CKR_VENDOR_DEFINED | 0x4B510001UL)

#endif /* KQPKCS11_H */
