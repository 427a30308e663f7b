#pragma once
// Renders an X.509 Name as CertNameToStrA does with CERT_X500_NAME_STR on a system whose ANSI
// code page is 936; used by the POSIX certificate backend only.

#include <openssl/x509.h>

#include <string>

namespace kq::platform {

// RDNs in the certificate's order separated by ", ", the values of one RDN joined by " + ",
// each as KEY=value with the X.500 keys (CN, OU, O, C, L, S, T, E, ...) or OID.n.n.n. A value is
// put in quotation marks, its own quotation marks doubled, when it holds , + = " < > # ; or a
// line break, or begins or ends with white space. Text is code page 936, "?" for characters it
// lacks. False only when the name cannot be read.
bool RenderX500Name(const X509_NAME* name, std::string& out);

}  // namespace kq::platform
