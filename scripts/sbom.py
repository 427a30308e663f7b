#!/usr/bin/env python3
"""The software bill of materials of a build, as an SPDX 2.3 JSON document.

  sbom.py BUILD_DIR [--archive FILE]...   writes BUILD_DIR/kqcsp-<version>.spdx.json
  sbom.py --check BUILD_DIR               fails unless every shipped file and every file of the
                                          listed archives is in the document

Everything comes from the build itself: BUILD_DIR/sbom-input.json (written by CMake: the shipped
files and the project's libraries linked into each, the imported libraries, the compiler, the
mbed TLS headers), the files' own dynamic imports (readelf, objdump), the compiler's static
runtimes on Windows, and the Debian packages that hold each library (dpkg-query). GoogleTest is
listed as a test dependency only. An archive (the installer, a Debian package) is unpacked and
its files listed, each tied to the shipped file it was made from; the lead adds the Debian
packages with one more --archive (or kq_sbom_archive in CMake).
"""
import argparse
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
from datetime import datetime, timezone
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def run(*command):
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    return result.stdout if result.returncode == 0 else ""


def spdx_id(*parts):
    return "SPDXRef-" + re.sub(r"[^A-Za-z0-9.-]", "-", "-".join(parts))


def checksums(path):
    data = Path(path).read_bytes()
    return [{"algorithm": "SHA1", "checksumValue": hashlib.sha1(data).hexdigest()},
            {"algorithm": "SHA256", "checksumValue": hashlib.sha256(data).hexdigest()}]


class Debian:
    """The Debian package that holds a file, with its version."""

    def __init__(self):
        self.packages = {}

    def owner(self, path):
        # Debian registers some files under /lib, which merged-/usr systems reach through /usr/lib.
        candidates = [path, os.path.realpath(path)]
        candidates += [c.replace("/usr/lib/", "/lib/", 1) for c in candidates]
        found = next(filter(None, (run("dpkg-query", "-S", c) for c in candidates)), "")
        if not found:
            return None
        name = found.split(":")[0] if found.count(":") == 1 else ":".join(found.split(":")[:2])
        name = name.split(",")[0].strip()
        return self.package(name)

    def package(self, name):
        if name not in self.packages:
            version = run("dpkg-query", "-W", "-f", "${Version} ${Architecture}", name).split()
            if not version:
                return None
            bare = name.split(":")[0]
            self.packages[name] = {
                "SPDXID": spdx_id("Package", "deb", bare),
                "name": bare,
                "versionInfo": version[0],
                "supplier": "Organization: Debian",
                "downloadLocation": "NOASSERTION",
                "filesAnalyzed": False,
                "licenseConcluded": "NOASSERTION",
                "copyrightText": "NOASSERTION",
                "externalRefs": [{
                    "referenceCategory": "PACKAGE-MANAGER",
                    "referenceType": "purl",
                    "referenceLocator": f"pkg:deb/debian/{bare}@{version[0]}?arch={version[1]}",
                }],
            }
        return self.packages[name]


def mbedtls_version(include_dir):
    header = Path(include_dir) / "mbedtls" / "version.h"
    if not header.exists():
        header = Path(include_dir) / "mbedtls" / "build_info.h"
    match = re.search(r'MBEDTLS_VERSION_STRING\s+"([^"]+)"', header.read_text())
    return match.group(1) if match else "NOASSERTION"


def dynamic_imports(path, windows):
    """The libraries the file names for the loader, with where this machine has them."""
    if windows:
        names = re.findall(r"DLL Name: (\S+)", run("x86_64-w64-mingw32-objdump", "-p", path))
        return [(name, None) for name in names]
    needed = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", run("readelf", "-dW", path))
    listing = run("ldd", path)
    found = dict(re.findall(r"^\s*(\S+) => (/\S+)", listing, re.M))
    found.update((os.path.basename(p), p) for p in re.findall(r"^\s*(/\S+) \(", listing, re.M))
    return [(name, found.get(name)) for name in needed]


def static_runtimes(compiler):
    """The compiler's runtimes that -static puts into every Windows file."""
    files = []
    for name in ["libstdc++.a", "libgcc.a", "libgcc_eh.a", "libssp.a", "libwinpthread.a",
                 "libmsvcrt.a", "libmingw32.a"]:
        found = run(compiler, f"-print-file-name={name}").strip()
        if os.path.isabs(found) and os.path.exists(found):
            files.append((name, found))
    return files


def unpack(archive, into):
    if archive.suffix == ".msi":
        subprocess.run(["msiextract", "-C", str(into), str(archive)], check=True,
                       capture_output=True)
    elif archive.suffix in (".deb", ".ddeb"):
        subprocess.run(["dpkg-deb", "-x", str(archive), str(into)], check=True)
    else:
        sys.exit(f"sbom: cannot unpack {archive}")
    return sorted(p for p in into.rglob("*") if p.is_file())


def generate(build, archives):
    facts = json.loads((build / "sbom-input.json").read_text())
    windows = facts["windows"]
    debian = Debian()
    version = facts["version"]
    product = {
        "SPDXID": spdx_id("Package", facts["name"]),
        "name": facts["name"],
        "versionInfo": version,
        "supplier": "Organization: KQVN",
        "downloadLocation": "NOASSERTION",
        "filesAnalyzed": True,
        "licenseConcluded": "NOASSERTION",
        "copyrightText": "NOASSERTION",
        "primaryPackagePurpose": "LIBRARY",
    }
    packages, files, relationships = [product], [], []
    relationships.append({"spdxElementId": "SPDXRef-DOCUMENT", "relationshipType": "DESCRIBES",
                          "relatedSpdxElement": product["SPDXID"]})
    relate = lambda a, kind, b: relationships.append(  # noqa: E731
        {"spdxElementId": a, "relationshipType": kind, "relatedSpdxElement": b})

    mbedtls = {
        "SPDXID": spdx_id("Package", "mbedtls"),
        "name": "mbedtls",
        "versionInfo": mbedtls_version(facts["mbedtls_include"]),
        "downloadLocation": "NOASSERTION",
        "filesAnalyzed": False,
        "licenseConcluded": "NOASSERTION",
        "copyrightText": "NOASSERTION",
    }
    source = run("dpkg-query", "-W", "-f", "${Version}", "libmbedtls-dev")
    if source:
        mbedtls["comment"] = f"The headers (and on Windows the source) of Debian's mbedtls {source}"
    packages.append(mbedtls)
    runtimes = [(name, debian.owner(path)) for name, path in static_runtimes(facts["compiler"])] \
        if windows else []
    system = {}

    by_name = {}
    for entry in facts["files"]:
        path = build / entry["file"]
        element = {
            "SPDXID": spdx_id("File", entry["file"]),
            "fileName": "./" + entry["file"],
            "checksums": checksums(path),
            "licenseConcluded": "NOASSERTION",
            "copyrightText": "NOASSERTION",
            "comment": f"CMake target {entry['target']}, built from the project's libraries: "
                       + (", ".join(entry["internal"]) or "none"),
        }
        files.append(element)
        by_name[Path(entry["file"]).name.lower()] = element
        relate(product["SPDXID"], "CONTAINS", element["SPDXID"])
        for library in entry["external"]:
            if library["name"].startswith("MbedTLS::"):
                kind = "STATIC_LINK" if library["file"].endswith(".a") else "DYNAMIC_LINK"
                relate(element["SPDXID"], kind, mbedtls["SPDXID"])
        for name, path in dynamic_imports(path, windows):
            owner = debian.owner(path) if path else None
            if owner is None:
                if name.lower() in by_name:  # one of ours
                    relate(element["SPDXID"], "DYNAMIC_LINK", by_name[name.lower()]["SPDXID"])
                    continue
                owner = system.setdefault(name.lower(), {
                    "SPDXID": spdx_id("Package", "system", name.lower()),
                    "name": name,
                    "versionInfo": "NOASSERTION",
                    "downloadLocation": "NONE",
                    "filesAnalyzed": False,
                    "licenseConcluded": "NOASSERTION",
                    "copyrightText": "NOASSERTION",
                    "comment": "Supplied by the operating system",
                })
            relate(element["SPDXID"], "DYNAMIC_LINK", owner["SPDXID"])
        for name, owner in runtimes:
            if owner:
                relate(element["SPDXID"], "STATIC_LINK", owner["SPDXID"])

    gtest = debian.package("libgtest-dev")
    if gtest:
        relate(gtest["SPDXID"], "TEST_DEPENDENCY_OF", product["SPDXID"])

    for archive in archives:
        archive = Path(archive).resolve()
        package = {
            "SPDXID": spdx_id("Package", "archive", archive.name),
            "name": archive.name,
            "packageFileName": archive.name,
            "versionInfo": version,
            "downloadLocation": "NOASSERTION",
            "filesAnalyzed": True,
            "checksums": checksums(archive),
            "licenseConcluded": "NOASSERTION",
            "copyrightText": "NOASSERTION",
            "primaryPackagePurpose": "INSTALL",
        }
        packages.append(package)
        relate("SPDXRef-DOCUMENT", "DESCRIBES", package["SPDXID"])
        with tempfile.TemporaryDirectory() as folder:
            for member in unpack(archive, Path(folder)):
                relative = member.relative_to(folder).as_posix()
                element = {
                    "SPDXID": spdx_id("File", archive.name, relative),
                    "fileName": f"./{archive.name}/{relative}",
                    "checksums": checksums(member),
                    "licenseConcluded": "NOASSERTION",
                    "copyrightText": "NOASSERTION",
                }
                files.append(element)
                relate(package["SPDXID"], "CONTAINS", element["SPDXID"])
                built = by_name.get(member.name.lower())
                if built:
                    same = built["checksums"] == element["checksums"]
                    relate(element["SPDXID"], "COPY_OF" if same else "GENERATED_FROM",
                           built["SPDXID"])

    packages += list(debian.packages.values()) + list(system.values())
    epoch = int(run("bash", str(ROOT / "scripts/source-date-epoch.sh")).strip() or 0)
    digest = hashlib.sha256(json.dumps(files, sort_keys=True).encode()).hexdigest()[:16]
    platform = "windows-" + facts["processor"] if windows else "linux-" + facts["processor"]
    return {
        "spdxVersion": "SPDX-2.3",
        "dataLicense": "CC0-1.0",
        "SPDXID": "SPDXRef-DOCUMENT",
        "name": f"{facts['name']}-{version}-{platform}",
        "documentNamespace": f"https://kqvn.invalid/spdx/{facts['name']}-{version}-{platform}-{digest}",
        "creationInfo": {
            "created": datetime.fromtimestamp(epoch, timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
            "creators": ["Tool: kqcsp scripts/sbom.py"],
        },
        "packages": packages,
        "files": files,
        "relationships": relationships,
    }


def output_path(build):
    facts = json.loads((build / "sbom-input.json").read_text())
    return build / f"{facts['name']}-{facts['version']}.spdx.json"


def check(build):
    document = json.loads(output_path(build).read_text())
    listed = {f["fileName"] for f in document["files"]}
    archives = {p.get("packageFileName") for p in document["packages"]}
    missing = [a.name for a in sorted(build.glob("*.msi")) + sorted(build.glob("*.deb"))
               if a.name not in archives]
    missing += [f for f in (build / "shipped-files.txt").read_text().split() if "./" + f not in listed]
    for package in document["packages"]:
        if package.get("primaryPackagePurpose") == "INSTALL":
            archive = build / package["packageFileName"]
            with tempfile.TemporaryDirectory() as folder:
                for member in unpack(archive, Path(folder)):
                    name = f"./{archive.name}/{member.relative_to(folder).as_posix()}"
                    if name not in listed:
                        missing.append(name)
    for name in missing:
        print(f"sbom: {name} is not listed in {output_path(build).name}")
    print(f"sbom: {len(listed)} file(s) listed, {len(missing)} missing")
    return 1 if missing else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build")
    parser.add_argument("--archive", action="append", default=[])
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    if args.check:
        return check(build)
    document = generate(build, args.archive)
    output_path(build).write_text(json.dumps(document, indent=1) + "\n")
    print(f"sbom: {output_path(build)}: {len(document['files'])} files, "
          f"{len(document['packages'])} packages")
    return 0


if __name__ == "__main__":
    sys.exit(main())
