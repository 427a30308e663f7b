#include "support/openssl_command.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mbedtls/base64.h>
#include <openssl/bn.h>
#include <openssl/ecdsa.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>

namespace kq::test {

namespace {

// An SM2 signature r || s as the DER SEQUENCE of two INTEGERs, by OpenSSL's encoder.
std::vector<uint8_t> Sm2SignatureDer(std::span<const uint8_t> rs) {
  const int half = static_cast<int>(rs.size() / 2);
  ECDSA_SIG* signature = ECDSA_SIG_new();
  ECDSA_SIG_set0(signature, BN_bin2bn(rs.data(), half, nullptr),
                 BN_bin2bn(rs.data() + half, half, nullptr));
  uint8_t* der = nullptr;
  const int length = i2d_ECDSA_SIG(signature, &der);
  std::vector<uint8_t> out(der, der + std::max(length, 0));
  OPENSSL_free(der);
  ECDSA_SIG_free(signature);
  return out;
}

void DrainInto(int fd, std::string& out, bool& open) {
  char chunk[4096];
  const ssize_t n = read(fd, chunk, sizeof chunk);
  if (n > 0) {
    out.append(chunk, static_cast<size_t>(n));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    open = false;
  }
}

}  // namespace

std::string ToBase64(std::span<const uint8_t> bytes) {
  size_t size = 0;
  mbedtls_base64_encode(nullptr, 0, &size, bytes.data(), bytes.size());
  std::string text(size, '\0');
  mbedtls_base64_encode(reinterpret_cast<unsigned char*>(text.data()), text.size(), &size,
                        bytes.data(), bytes.size());
  text.resize(size);
  return text;
}

std::vector<uint8_t> FromBase64(std::string_view text) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  size_t size = 0;
  mbedtls_base64_decode(nullptr, 0, &size, in, text.size());
  std::vector<uint8_t> bytes(size);
  if (mbedtls_base64_decode(bytes.data(), bytes.size(), &size, in, text.size()) != 0) {
    return {};
  }
  bytes.resize(size);
  return bytes;
}

CommandResult RunCommand(const std::vector<std::string>& argv, std::string_view input) {
  CommandResult result;
  int in[2], out[2], err[2];
  if (argv.empty() || pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) {
    return result;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
      close(fd);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
      args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (pid < 0) {
    close(in[1]);
    close(out[0]);
    close(err[0]);
    return result;
  }
  // Feed the input and read both outputs together, so that no pipe fills up and blocks.
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  bool inOpen = true, outOpen = true, errOpen = true;
  if (input.empty()) {
    close(in[1]);
    inOpen = false;
  } else {
    fcntl(in[1], F_SETFL, O_NONBLOCK);
  }
  while (inOpen || outOpen || errOpen) {
    pollfd fds[3] = {{inOpen ? in[1] : -1, POLLOUT, 0},
                     {outOpen ? out[0] : -1, POLLIN, 0},
                     {errOpen ? err[0] : -1, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0 && errno != EINTR) {
      break;
    }
    if (inOpen && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
      const ssize_t n = write(in[1], input.data() + written, input.size() - written);
      if (n > 0) {
        written += static_cast<size_t>(n);
      }
      if (n < 0 || written == input.size()) {
        close(in[1]);
        inOpen = false;
      }
    }
    if (outOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      DrainInto(out[0], result.out, outOpen);
    }
    if (errOpen && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
      DrainInto(err[0], result.err, errOpen);
    }
  }
  close(out[0]);
  close(err[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

CommandResult RunOpenssl(const std::vector<std::string>& arguments, std::string_view input) {
  std::vector<std::string> argv{"openssl"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunCommand(argv, input);
}

bool RunOpenssl(const std::string& arguments, std::string* failure) {
  std::vector<std::string> argv;
  std::istringstream words(arguments);
  for (std::string word; words >> word;) {
    argv.push_back(word);
  }
  const CommandResult result = RunOpenssl(argv);
  if (result.exitCode != 0 && failure != nullptr) {
    *failure = "openssl " + arguments + "\n" + result.out + result.err;
  }
  return result.exitCode == 0;
}

bool OpensslVerifySm2(const std::string& publicKeyPem, std::span<const uint8_t> message,
                      std::span<const uint8_t> rs) {
  const TempDirectory dir;
  const std::string signature = dir.Write("signature.der", Sm2SignatureDer(rs)).string();
  return RunCommand({"openssl", "pkeyutl", "-verify", "-pubin", "-inkey",
                     dir.Write("key.pem", publicKeyPem).string(), "-rawin", "-in",
                     dir.Write("message.bin", message).string(), "-sigfile", signature, "-digest",
                     "sm3", "-pkeyopt", "distid:1234567812345678"})
             .exitCode == 0;
}

}  // namespace kq::test
